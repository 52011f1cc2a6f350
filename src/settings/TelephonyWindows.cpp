#include "TelephonyWindows.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "audiofile/AudioFile.h"
#include "platform/Skin.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

namespace sv = settingsvalue;

// F1 .. F10
constexpr qint32 kRates[] = {8000, 16000, 24000, 32000, 11025, 22050, 44100, 48000, 6000, 12000};
constexpr int kFallbackButton = 6; // F7
constexpr qint32 kFallbackRate = 44100;
constexpr int kPcmBits = 16;

QString read(const char *section, const char *key) {
    return Inifun::ReadIni(Inifun::settingsFile(), QString::fromLatin1(section),
                           QString::fromLatin1(key));
}

void write(const char *section, const char *key, qint32 value) {
    Inifun::WriteIni(Inifun::settingsFile(), QString::fromLatin1(section), QString::fromLatin1(key),
                     QString::number(value));
}

} // namespace

RateFormatWindow::RateFormatWindow(AudioFile &file, FormatValues &values, DescriptionSink describe,
                                   int rateButtons, QWidget *parent)
    : QDialog(parent), m_file(file), m_values(values), m_describe(std::move(describe)),
      m_ok(new QPushButton(QStringLiteral("Ok"), this)),
      m_cancel(new QPushButton(QStringLiteral("Cancel"), this)) {
    auto *layout = new QVBoxLayout(this);
    QGroupBox *frame = addFrame("Frame1", QStringLiteral("Frequency (Hz)"));
    new QVBoxLayout(frame);
    for (int i = 0; i < rateButtons; ++i) {
        QRadioButton *button =
            addOption(frame, QStringLiteral("F%1").arg(i + 1), QString::number(kRates[i]));
        const qint32 rate = kRates[i];
        connect(button, &QRadioButton::clicked, this, [this, rate] { rateClicked(rate); });
        m_rates.append(button);
    }
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_cancel->setObjectName(QStringLiteral("cmdCancel"));
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &RateFormatWindow::finishOk);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addWidget(frame);
    layout->addLayout(buttons);
    Skin::applyTo(this);
}

QGroupBox *RateFormatWindow::addFrame(const char *name, const QString &caption) {
    auto *frame = new QGroupBox(caption, this);
    frame->setObjectName(QLatin1String(name));
    return frame;
}

QRadioButton *RateFormatWindow::addOption(QGroupBox *frame, const QString &objectName,
                                          const QString &caption) {
    auto *button = new QRadioButton(caption, frame);
    button->setObjectName(objectName);
    if (frame->layout() != nullptr)
        frame->layout()->addWidget(button);
    return button;
}

QRadioButton *RateFormatWindow::rateButton(int rate) const {
    for (int i = 0; i < m_rates.size(); ++i)
        if (kRates[i] == rate)
            return m_rates[i];
    return nullptr;
}

qint32 RateFormatWindow::selectRate(qint32 stored) {
    if (QRadioButton *button = rateButton(stored)) {
        button->setChecked(true);
        return stored;
    }
    m_rates[kFallbackButton]->setChecked(true);
    return kFallbackRate;
}

void RateFormatWindow::finishOk() {
    store();
    if (m_describe)
        m_describe(m_file.FormatDescription());
    accept();
}

// --- VOX ------------------------------------------------------------------------------------

frmVOX::frmVOX(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : RateFormatWindow(file, values, std::move(describe), 8, parent) {
    setObjectName(QStringLiteral("frmVOX"));
    setWindowTitle(QStringLiteral("Set VOX Format"));
    if (const auto v = sv::toInt32(read(keys::section::Vox, keys::VoxFreq)))
        m_values.voxFrequency = *v;
    m_values.voxFrequency = selectRate(m_values.voxFrequency);
}

void frmVOX::rateClicked(qint32 rate) {
    m_values.voxFrequency = rate;
}

void frmVOX::store() {
    write(keys::section::Vox, keys::VoxFreq, m_values.voxFrequency);
    m_file.SetVoxFormat(m_values.voxFrequency);
}

// --- RAW ------------------------------------------------------------------------------------

frmRAW::frmRAW(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : RateFormatWindow(file, values, std::move(describe), 10, parent) {
    setObjectName(QStringLiteral("frmRAW"));
    setWindowTitle(QStringLiteral("Set RAW Format"));

    QGroupBox *channels = addFrame("Frame2", QStringLiteral("nChannels"));
    channels->setLayout(new QVBoxLayout);
    QRadioButton *p1 = addOption(channels, QStringLiteral("P1"), QStringLiteral("Mono"));
    QRadioButton *p2 = addOption(channels, QStringLiteral("P2"), QStringLiteral("Stereo"));
    connect(p1, &QRadioButton::clicked, this, [this] { m_values.rawChannels = 1; });
    connect(p2, &QRadioButton::clicked, this, [this] { m_values.rawChannels = 2; });

    QGroupBox *coding = addFrame("Frame3", QStringLiteral("Comperssion"));
    coding->setLayout(new QVBoxLayout);
    QRadioButton *c1 = addOption(coding, QStringLiteral("C1"), QStringLiteral("16-bit PCM"));
    QRadioButton *c2 = addOption(coding, QStringLiteral("C2"), QStringLiteral("8-bit A-Law "));
    QRadioButton *c3 = addOption(coding, QStringLiteral("C3"), QStringLiteral("8-bit mu-Law "));
    connect(c1, &QRadioButton::clicked, this, [this] { m_values.rawCoding = RawPcm16; });
    connect(c2, &QRadioButton::clicked, this, [this] { m_values.rawCoding = RawALaw; });
    connect(c3, &QRadioButton::clicked, this, [this] { m_values.rawCoding = RawMuLaw; });

    auto *row = new QHBoxLayout;
    row->addWidget(channels);
    row->addWidget(coding);
    static_cast<QVBoxLayout *>(layout())->insertLayout(1, row);

    if (const auto v = sv::toInt32(read(keys::section::Raw, keys::RawFreq)))
        m_values.rawFrequency = *v;
    if (const auto v = sv::toInt16(read(keys::section::Raw, keys::RawChannel)))
        m_values.rawChannels = *v;
    if (const auto v = sv::toInt16(read(keys::section::Raw, keys::RawCompr)))
        m_values.rawCoding = *v;
    m_values.rawFrequency = selectRate(m_values.rawFrequency);

    if (m_values.rawChannels == 1) {
        p1->setChecked(true);
    } else {
        p2->setChecked(true);
        m_values.rawChannels = 2;
    }
    switch (m_values.rawCoding) {
    case RawALaw:
        c2->setChecked(true);
        break;
    case RawMuLaw:
        c3->setChecked(true);
        break;
    case RawPcm16:
        c1->setChecked(true);
        break;
    default:
        c1->setChecked(true);
        m_values.rawCoding = RawPcm16;
        break;
    }
}

void frmRAW::rateClicked(qint32 rate) {
    m_values.rawFrequency = rate;
}

void frmRAW::store() {
    write(keys::section::Raw, keys::RawFreq, m_values.rawFrequency);
    write(keys::section::Raw, keys::RawChannel, m_values.rawChannels);
    write(keys::section::Raw, keys::RawCompr, m_values.rawCoding);
    m_file.SetRawFormat(m_values.rawCoding, m_values.rawFrequency, m_values.rawChannels, kPcmBits);
}

// --- G.726 ----------------------------------------------------------------------------------

frmG726::frmG726(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : RateFormatWindow(file, values, std::move(describe), 10, parent) {
    setObjectName(QStringLiteral("frmG726"));
    setWindowTitle(QStringLiteral("Set CCUIT G.726 Format"));

    QGroupBox *bitsFrame = addFrame("Frame2", QStringLiteral("ADPCM Bit"));
    bitsFrame->setLayout(new QVBoxLayout);
    const QString captions[] = {QStringLiteral("2 bit "), QStringLiteral("3 bit"),
                                QStringLiteral("4 bit "), QStringLiteral("5 bit")};
    QList<QRadioButton *> bits;
    for (int i = 0; i < 4; ++i) {
        QRadioButton *b = addOption(bitsFrame, arrayName("Option1", i), captions[i]);
        connect(b, &QRadioButton::clicked, this,
                [this, i] { m_values.g726Bits = static_cast<qint16>(i + 2); });
        bits.append(b);
    }
    static_cast<QVBoxLayout *>(layout())->insertWidget(1, bitsFrame);

    if (const auto v = sv::toInt32(read(keys::section::G726, keys::G726Freq)))
        m_values.g726Frequency = *v;
    if (const auto v = sv::toInt16(read(keys::section::G726, keys::G726Bits)))
        m_values.g726Bits = *v;
    m_values.g726Frequency = selectRate(m_values.g726Frequency);
    if (m_values.g726Bits >= 2 && m_values.g726Bits <= 5) {
        bits[m_values.g726Bits - 2]->setChecked(true);
    } else {
        bits[2]->setChecked(true);
        m_values.g726Bits = 4;
    }
}

void frmG726::rateClicked(qint32 rate) {
    m_values.g726Frequency = rate;
}

void frmG726::store() {
    write(keys::section::G726, keys::G726Freq, m_values.g726Frequency);
    write(keys::section::G726, keys::G726Bits, m_values.g726Bits);
    m_file.SetG726Format(m_values.g726Frequency, m_values.g726Bits);
}

} // namespace pelvanto
