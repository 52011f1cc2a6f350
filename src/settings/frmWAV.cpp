#include "frmWAV.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "audiofile/AudioFile.h"
#include "platform/MessageBox.h"
#include "platform/Skin.h"

#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvanto {

namespace {

namespace sv = settingsvalue;

// F1 .. F8
constexpr qint32 kRates[] = {8000, 16000, 24000, 32000, 11025, 22050, 44100, 48000};
constexpr int kFallbackButton = 6; // F7
constexpr qint32 kFallbackRate = 44100;
constexpr int kPcmBits = 16;

QString defaultChooser(QWidget *parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QDir::rootPath(),
                                        QStringLiteral("Wav files (*.wav)"));
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption) {
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

frmWAV::frmWAV(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : QDialog(parent), m_file(file), m_values(values), m_describe(std::move(describe)),
      m_chooser(defaultChooser) {
    setObjectName(QStringLiteral("frmWAV"));
    setWindowTitle(QStringLiteral("Set WAV Format"));

    auto *rates = new QGroupBox(QStringLiteral("Frequency (Hz)"), this);
    rates->setObjectName(QStringLiteral("Frame1"));
    auto *rateGrid = new QGridLayout(rates);
    for (int i = 0; i < 8; ++i) {
        auto *b = new QRadioButton(QString::number(kRates[i]), rates);
        b->setObjectName(QStringLiteral("F%1").arg(i + 1));
        rateGrid->addWidget(b, i % 4, i / 4);
        const qint32 rate = kRates[i];
        connect(b, &QRadioButton::clicked, this, [this, rate] { m_values.wavFrequency = rate; });
        m_rates.append(b);
    }

    auto *channels = new QGroupBox(QStringLiteral("nChannels"), this);
    channels->setObjectName(QStringLiteral("Frame2"));
    auto *channelBox = new QVBoxLayout(channels);
    auto *p1 = new QRadioButton(QStringLiteral("Mono"), channels);
    auto *p2 = new QRadioButton(QStringLiteral("Stereo"), channels);
    p1->setObjectName(QStringLiteral("P1"));
    p2->setObjectName(QStringLiteral("P2"));
    channelBox->addWidget(p1);
    channelBox->addWidget(p2);
    channelBox->addStretch();
    connect(p1, &QRadioButton::clicked, this, [this] { m_values.wavChannels = 1; });
    connect(p2, &QRadioButton::clicked, this, [this] { m_values.wavChannels = 2; });

    auto *formats = new QGroupBox(QStringLiteral("Set WAV Format"), this);
    formats->setObjectName(QStringLiteral("Frame3"));
    auto *formatGrid = new QGridLayout(formats);
    QPushButton *menu = button(formats, "cmdMenu", QStringLiteral("From Menu"));
    QPushButton *pcmButton = button(formats, "cmdPCM", QStringLiteral("PCM"));
    QPushButton *adpcm = button(formats, "cmdADPCM", QStringLiteral("ADPCM"));
    QPushButton *dspButton = button(formats, "cmdDSP", QStringLiteral("DSP"));
    QPushButton *gsm = button(formats, "cmdGSM", QStringLiteral("GSM"));
    QPushButton *sample = button(formats, "cmdSample", QStringLiteral("Like Sample"));
    formatGrid->addWidget(menu, 0, 0);
    formatGrid->addWidget(pcmButton, 0, 1);
    formatGrid->addWidget(adpcm, 1, 0);
    formatGrid->addWidget(dspButton, 1, 1);
    formatGrid->addWidget(gsm, 2, 0);
    formatGrid->addWidget(sample, 2, 1);
    connect(menu, &QPushButton::clicked, this, &frmWAV::fromMenu);
    connect(pcmButton, &QPushButton::clicked, this, &frmWAV::pcm);
    connect(adpcm, &QPushButton::clicked, this, [this] { compressed(false); });
    connect(dspButton, &QPushButton::clicked, this, &frmWAV::dsp);
    connect(gsm, &QPushButton::clicked, this, [this] { compressed(true); });
    connect(sample, &QPushButton::clicked, this, &frmWAV::likeSample);

    QPushButton *okButton = button(this, "Command1", QStringLiteral("OK"));
    QPushButton *cancel = button(this, "Command2", QStringLiteral("Cancel"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &frmWAV::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *top = new QHBoxLayout;
    top->addWidget(rates);
    top->addWidget(channels);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(okButton);
    bottom->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(formats);
    layout->addLayout(bottom);

    Skin::applyTo(this);

    const QString settings = Inifun::settingsFile();
    const QString section = QString::fromLatin1(keys::section::Wav);
    if (const auto v = sv::toInt32(Inifun::ReadIni(settings, section, keys::WavFreq)))
        m_values.wavFrequency = *v;
    if (const auto v = sv::toInt16(Inifun::ReadIni(settings, section, keys::WavChannel)))
        m_values.wavChannels = *v;

    const qsizetype picked =
        std::find(std::begin(kRates), std::end(kRates), m_values.wavFrequency) - std::begin(kRates);
    if (picked < m_rates.size()) {
        m_rates[picked]->setChecked(true);
    } else {
        m_rates[kFallbackButton]->setChecked(true);
        m_values.wavFrequency = kFallbackRate;
    }
    if (m_values.wavChannels == 1) {
        p1->setChecked(true);
    } else {
        p2->setChecked(true);
        m_values.wavChannels = 2;
    }
}

void frmWAV::describe() {
    if (m_describe)
        m_describe(m_file.FormatDescription());
}

void frmWAV::ok() {
    const QString settings = Inifun::settingsFile();
    const QString section = QString::fromLatin1(keys::section::Wav);
    Inifun::WriteIni(settings, section, keys::WavFreq, QString::number(m_values.wavFrequency));
    Inifun::WriteIni(settings, section, keys::WavChannel, QString::number(m_values.wavChannels));
    m_values.wavFormatChosen = false;
    m_file.SetPcmFormat(m_values.wavFrequency, m_values.wavChannels, kPcmBits);
    describe();
    accept();
}

void frmWAV::pcm() {
    m_values.wavFormatChosen = false;
    m_file.SetPcmFormat(m_values.wavFrequency, m_values.wavChannels, kPcmBits);
    describe();
    accept();
}

void frmWAV::compressed(bool gsm) {
    if (gsm)
        m_file.SetGsmFormat(m_values.wavFrequency);
    else
        m_file.SetAdpcmFormat(m_values.wavFrequency, m_values.wavChannels);
    const QString description = m_file.FormatDescription();
    if (description.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Format Parametr not valid"), QMessageBox::NoIcon);
        return;
    }
    m_values.wavFormatChosen = true;
    if (m_describe)
        m_describe(description);
    accept();
}

void frmWAV::dsp() {
    m_file.SetDspFormat();
    m_values.wavFormatChosen = true;
    describe();
    accept();
}

void frmWAV::fromMenu() {
    const bool chosen = m_file.ChooseWavFormat();
    if (chosen)
        m_values.wavFormatChosen = true;
    describe();
    accept();
}

void frmWAV::likeSample() {
    const QString path = m_chooser ? m_chooser(this) : QString();
    if (path.isEmpty())
        return;
    // A file we cannot take the format from leaves the format and its description as they
    // were, and says so.
    if (!m_file.SetFormatLikeFile(path)) {
        MessageBox::show(this, QStringLiteral("Format Parametr not valid"), QMessageBox::NoIcon);
        return;
    }
    m_values.wavFormatChosen = true;
    describe();
}

} // namespace pelvanto
