#include "frmWAV.h"

#include "FormatValues.h"
#include "Inifun.h"
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

namespace pelvanto {

namespace {

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
    : QDialog(parent), audioFile_(file), values_(values), describe_(std::move(describe)),
      sampleChooser_(defaultChooser) {
    setObjectName(QStringLiteral("frmWAV"));
    setWindowTitle(QStringLiteral("Set WAV Format"));

    auto *rates = new QGroupBox(QStringLiteral("Frequency (Hz)"), this);
    rates->setObjectName(QStringLiteral("Frame1"));
    auto *rateGrid = new QGridLayout;
    const QList<qint32> &offered = WavSettings::offeredRates();
    for (int i = 0; i < offered.size(); ++i) {
        const qint32 rate = offered[i];
        auto *b = new QRadioButton(QString::number(rate), rates);
        b->setObjectName(QStringLiteral("F%1").arg(i + 1));
        rateGrid->addWidget(b, i % 4, i / 4);
        connect(b, &QRadioButton::clicked, this, [this, rate] { values_.wav.frequency = rate; });
        rateButtons_.append(b);
    }
    rates->setLayout(rateGrid);

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
    connect(p1, &QRadioButton::clicked, this, [this] { values_.wav.channels = 1; });
    connect(p2, &QRadioButton::clicked, this, [this] { values_.wav.channels = 2; });

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
    connect(menu, &QPushButton::clicked, this, &frmWAV::chooseFromMenu);
    connect(pcmButton, &QPushButton::clicked, this, &frmWAV::applyPcm);
    connect(adpcm, &QPushButton::clicked, this, [this] { applyCompressed(false); });
    connect(dspButton, &QPushButton::clicked, this, &frmWAV::applyDsp);
    connect(gsm, &QPushButton::clicked, this, [this] { applyCompressed(true); });
    connect(sample, &QPushButton::clicked, this, &frmWAV::takeFormatFromSample);

    QPushButton *okButton = button(this, "Command1", QStringLiteral("OK"));
    QPushButton *cancel = button(this, "Command2", QStringLiteral("Cancel"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &frmWAV::saveAndApplyPcm);
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

    values_.wav.read(Inifun::settingsFile());
    values_.wav = values_.wav.fittedToWindow();
    rateButtons_[WavSettings::offeredRates().indexOf(values_.wav.frequency)]->setChecked(true);
    (values_.wav.channels == 1 ? p1 : p2)->setChecked(true);
}

void frmWAV::showDescription() {
    if (describe_)
        describe_(audioFile_.FormatDescription());
}

void frmWAV::saveAndApplyPcm() {
    values_.wav.write(Inifun::settingsFile());
    applyPcm();
}

void frmWAV::applyPcm() {
    values_.wavFormatChosen = false;
    values_.wav.applyTo(audioFile_);
    showDescription();
    accept();
}

void frmWAV::applyCompressed(bool gsm) {
    if (gsm)
        audioFile_.SetGsmFormat(values_.wav.frequency);
    else
        audioFile_.SetAdpcmFormat(values_.wav.frequency, values_.wav.channels);
    const QString description = audioFile_.FormatDescription();
    if (description.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Format Parametr not valid"), QMessageBox::NoIcon);
        return;
    }
    values_.wavFormatChosen = true;
    if (describe_)
        describe_(description);
    accept();
}

void frmWAV::applyDsp() {
    audioFile_.SetDspFormat();
    values_.wavFormatChosen = true;
    showDescription();
    accept();
}

void frmWAV::chooseFromMenu() {
    const bool chosen = audioFile_.ChooseWavFormat();
    if (chosen)
        values_.wavFormatChosen = true;
    showDescription();
    accept();
}

void frmWAV::takeFormatFromSample() {
    const QString path = sampleChooser_ ? sampleChooser_(this) : QString();
    if (path.isEmpty())
        return;
    // A file we cannot take the format from leaves the format and its description as they
    // were, and says so.
    if (!audioFile_.SetFormatLikeFile(path)) {
        MessageBox::show(this, QStringLiteral("Format Parametr not valid"), QMessageBox::NoIcon);
        return;
    }
    values_.wavFormatChosen = true;
    showDescription();
}

} // namespace pelvanto
