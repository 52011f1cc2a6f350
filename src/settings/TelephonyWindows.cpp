#include "TelephonyWindows.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "audiofile/AudioFile.h"
#include "platform/Skin.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pelvanto {

RateFormatWindow::RateFormatWindow(AudioFile &file, FormatValues &values, DescriptionSink describe,
                                   int rateButtons, QWidget *parent)
    : QDialog(parent), audioFile_(file), values_(values), describe_(std::move(describe)),
      okButton_(new QPushButton(QStringLiteral("Ok"), this)),
      cancelButton_(new QPushButton(QStringLiteral("Cancel"), this)) {
    auto *layout = new QVBoxLayout(this);
    QGroupBox *frame = addFrame("Frame1", QStringLiteral("Frequency (Hz)"));
    new QVBoxLayout(frame);
    for (int i = 0; i < rateButtons; ++i) {
        const qint32 rate = telephonyRates()[i];
        QRadioButton *button =
            addOption(frame, QStringLiteral("F%1").arg(i + 1), QString::number(rate));
        connect(button, &QRadioButton::clicked, this, [this, rate] { chooseRate(rate); });
        rateButtons_.append(button);
    }
    okButton_->setObjectName(QStringLiteral("cmdOK"));
    cancelButton_->setObjectName(QStringLiteral("cmdCancel"));
    okButton_->setDefault(true);
    connect(okButton_, &QPushButton::clicked, this, &RateFormatWindow::saveAndApply);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton_);
    buttons->addWidget(cancelButton_);
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
    const qsizetype index = telephonyRates().first(rateButtons_.size()).indexOf(rate);
    return index >= 0 ? rateButtons_[index] : nullptr;
}

void RateFormatWindow::saveAndApply() {
    store();
    if (describe_)
        describe_(audioFile_.FormatDescription());
    accept();
}

// --- VOX ------------------------------------------------------------------------------------

frmVOX::frmVOX(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : RateFormatWindow(file, values, std::move(describe), kVoxRateButtons, parent) {
    setObjectName(QStringLiteral("frmVOX"));
    setWindowTitle(QStringLiteral("Set VOX Format"));
    values_.vox.read(Inifun::settingsFile());
    values_.vox = values_.vox.fittedToWindow();
    rateButton(values_.vox.frequency)->setChecked(true);
}

void frmVOX::chooseRate(qint32 rate) {
    values_.vox.frequency = rate;
}

void frmVOX::store() {
    values_.vox.write(Inifun::settingsFile());
    values_.vox.applyTo(audioFile_);
}

// --- RAW ------------------------------------------------------------------------------------

frmRAW::frmRAW(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : RateFormatWindow(file, values, std::move(describe), kTelephonyRateButtons, parent) {
    setObjectName(QStringLiteral("frmRAW"));
    setWindowTitle(QStringLiteral("Set RAW Format"));

    QGroupBox *channels = addFrame("Frame2", QStringLiteral("nChannels"));
    channels->setLayout(new QVBoxLayout);
    QRadioButton *mono = addOption(channels, QStringLiteral("P1"), QStringLiteral("Mono"));
    QRadioButton *stereo = addOption(channels, QStringLiteral("P2"), QStringLiteral("Stereo"));
    connect(mono, &QRadioButton::clicked, this, [this] { values_.raw.channels = 1; });
    connect(stereo, &QRadioButton::clicked, this, [this] { values_.raw.channels = 2; });

    QGroupBox *coding = addFrame("Frame3", QStringLiteral("Comperssion"));
    coding->setLayout(new QVBoxLayout);
    QRadioButton *pcm = addOption(coding, QStringLiteral("C1"), QStringLiteral("16-bit PCM"));
    QRadioButton *aLaw = addOption(coding, QStringLiteral("C2"), QStringLiteral("8-bit A-Law "));
    QRadioButton *muLaw = addOption(coding, QStringLiteral("C3"), QStringLiteral("8-bit mu-Law "));
    connect(pcm, &QRadioButton::clicked, this, [this] { values_.raw.coding = RawPcm16; });
    connect(aLaw, &QRadioButton::clicked, this, [this] { values_.raw.coding = RawALaw; });
    connect(muLaw, &QRadioButton::clicked, this, [this] { values_.raw.coding = RawMuLaw; });

    auto *row = new QHBoxLayout;
    row->addWidget(channels);
    row->addWidget(coding);
    static_cast<QVBoxLayout *>(layout())->insertLayout(1, row);

    values_.raw.read(Inifun::settingsFile());
    values_.raw = values_.raw.fittedToWindow();
    rateButton(values_.raw.frequency)->setChecked(true);
    (values_.raw.channels == 1 ? mono : stereo)->setChecked(true);
    switch (values_.raw.coding) {
    case RawALaw:
        aLaw->setChecked(true);
        break;
    case RawMuLaw:
        muLaw->setChecked(true);
        break;
    default:
        pcm->setChecked(true);
        break;
    }
}

void frmRAW::chooseRate(qint32 rate) {
    values_.raw.frequency = rate;
}

void frmRAW::store() {
    values_.raw.write(Inifun::settingsFile());
    values_.raw.applyTo(audioFile_);
}

// --- G.726 ----------------------------------------------------------------------------------

frmG726::frmG726(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : RateFormatWindow(file, values, std::move(describe), kTelephonyRateButtons, parent) {
    setObjectName(QStringLiteral("frmG726"));
    setWindowTitle(QStringLiteral("Set CCUIT G.726 Format"));

    QGroupBox *bitsFrame = addFrame("Frame2", QStringLiteral("ADPCM Bit"));
    bitsFrame->setLayout(new QVBoxLayout);
    const QString captions[] = {QStringLiteral("2 bit "), QStringLiteral("3 bit"),
                                QStringLiteral("4 bit "), QStringLiteral("5 bit")};
    QList<QRadioButton *> bitButtons;
    for (int i = 0; i < 4; ++i) {
        QRadioButton *b = addOption(bitsFrame, arrayName("Option1", i), captions[i]);
        connect(b, &QRadioButton::clicked, this,
                [this, i] { values_.g726.bits = static_cast<qint16>(i + 2); });
        bitButtons.append(b);
    }
    static_cast<QVBoxLayout *>(layout())->insertWidget(1, bitsFrame);

    values_.g726.read(Inifun::settingsFile());
    values_.g726 = values_.g726.fittedToWindow();
    rateButton(values_.g726.frequency)->setChecked(true);
    bitButtons[values_.g726.bits - 2]->setChecked(true);
}

void frmG726::chooseRate(qint32 rate) {
    values_.g726.frequency = rate;
}

void frmG726::store() {
    values_.g726.write(Inifun::settingsFile());
    values_.g726.applyTo(audioFile_);
}

} // namespace pelvanto
