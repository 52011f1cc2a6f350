#include "frmOgg.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "audiofile/AudioFile.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

constexpr int kFallbackPosition = 2; // 128 kbit/s
constexpr int kQualityMaximum = 1000;

QSlider *bitrateSlider(QWidget *parent, const char *name) {
    auto *s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(1, static_cast<int>(OggSettings::offeredBitrates().size()));
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    return s;
}

QLabel *label(QWidget *parent, const char *name, const QString &text) {
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QString kbitText(const QString &lead, int kbps) {
    return lead + QString::number(kbps) + QStringLiteral(" kbit");
}

void setQuietly(QSlider *slider, int value) {
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

} // namespace

int frmOgg::bitrateAt(int position) {
    const QList<qint16> &rates = OggSettings::offeredBitrates();
    return position >= 1 && position <= rates.size() ? rates[position - 1] : 0;
}

int frmOgg::positionOf(int kbps) {
    const QList<qint16> &rates = OggSettings::offeredBitrates();
    for (qsizetype i = 0; i < rates.size(); ++i)
        if (rates[i] == kbps)
            return static_cast<int>(i) + 1;
    return 0;
}

frmOgg::frmOgg(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : QDialog(parent), audioFile_(file), values_(values), describe_(std::move(describe)) {
    setObjectName(QStringLiteral("frmOgg"));
    setWindowTitle(QStringLiteral("Ogg Vorbis Option"));

    auto *option = new QGroupBox(QStringLiteral("Option"), this);
    option->setObjectName(QStringLiteral("frmOption"));
    auto *optionLayout = new QVBoxLayout(option);
    vbrBox_ = new QCheckBox(QStringLiteral("VBR Enabled"), option);
    vbrBox_->setObjectName(QStringLiteral("chVbr"));
    qualityBox_ = new QCheckBox(QStringLiteral("Quality Enabled"), option);
    qualityBox_->setObjectName(QStringLiteral("chQuality"));
    bitrateLabel_ = label(option, "lblBitrate", QStringLiteral("Bitrate"));
    bitrateSlider_ = bitrateSlider(option, "sldrBitrate");
    optionLayout->addWidget(vbrBox_);
    optionLayout->addWidget(qualityBox_);
    optionLayout->addWidget(bitrateLabel_);
    optionLayout->addWidget(bitrateSlider_);

    vbrFrame_ = new QGroupBox(QStringLiteral("VBR"), this);
    vbrFrame_->setObjectName(QStringLiteral("frmVbr"));
    auto *vbrLayout = new QVBoxLayout(vbrFrame_);
    minLabel_ = label(vbrFrame_, "lblMinBitrate", QStringLiteral("MinBitrate"));
    minSlider_ = bitrateSlider(vbrFrame_, "sldrMinBitrate");
    maxLabel_ = label(vbrFrame_, "lblMaxBitrate", QStringLiteral("MaxBitrate"));
    maxSlider_ = bitrateSlider(vbrFrame_, "sldrMaxBitrate");
    vbrLayout->addWidget(minLabel_);
    vbrLayout->addWidget(minSlider_);
    vbrLayout->addWidget(maxLabel_);
    vbrLayout->addWidget(maxSlider_);

    qualityFrame_ = new QGroupBox(QStringLiteral("Quality (Compression)"), this);
    qualityFrame_->setObjectName(QStringLiteral("frmQuality"));
    auto *qualityLayout = new QVBoxLayout(qualityFrame_);
    qualitySlider_ = new QSlider(Qt::Horizontal, qualityFrame_);
    qualitySlider_->setObjectName(QStringLiteral("sldrQuality"));
    qualitySlider_->setRange(0, kQualityMaximum);
    qualitySlider_->setPageStep(100);
    qualityLayout->addWidget(qualitySlider_);

    auto *okButton = new QPushButton(QStringLiteral("Ok"), this);
    okButton->setObjectName(QStringLiteral("cmdOk"));
    okButton->setDefault(true);
    auto *cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(option);
    layout->addWidget(vbrFrame_);
    layout->addWidget(qualityFrame_);
    layout->addLayout(buttons);

    connect(okButton, &QPushButton::clicked, this, &frmOgg::saveAndApply);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(vbrBox_, &QCheckBox::toggled, this, &frmOgg::switchVbr);
    connect(qualityBox_, &QCheckBox::toggled, this, &frmOgg::switchQualityMode);
    connect(bitrateSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.ogg.bitrate = static_cast<qint16>(bitrateAt(position));
        bitrateLabel_->setText(
            kbitText(QStringLiteral("Current nominal oggBitrate: "), values_.ogg.bitrate));
        bitrateSlider_->setToolTip(QString::number(values_.ogg.bitrate));
    });
    connect(minSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.ogg.minBitrate = static_cast<qint16>(bitrateAt(position));
        minLabel_->setText(
            kbitText(QStringLiteral("Current min oggBitrate: "), values_.ogg.minBitrate));
        minSlider_->setToolTip(QString::number(values_.ogg.minBitrate));
    });
    connect(maxSlider_, &QSlider::valueChanged, this, [this](int position) {
        values_.ogg.maxBitrate = static_cast<qint16>(bitrateAt(position));
        maxLabel_->setText(
            kbitText(QStringLiteral("Current max oggBitrate: "), values_.ogg.maxBitrate));
        maxSlider_->setToolTip(QString::number(values_.ogg.maxBitrate));
    });
    connect(qualitySlider_, &QSlider::valueChanged, this, [this](int value) {
        values_.ogg.quality = static_cast<qint16>(value);
        qualitySlider_->setToolTip(QString::number(value / 100.0));
    });

    Skin::applyTo(this);
    load();
}

void frmOgg::load() {
    values_.ogg = OggSettings::readForWindow(Inifun::settingsFile(), values_.ogg);
    const OggSettings &shown = values_.ogg;

    // A nominal bit rate that is not offered keeps its value; the slider shows 128.
    const int nominalAt = positionOf(shown.bitrate);
    setQuietly(bitrateSlider_, nominalAt > 0 ? nominalAt : kFallbackPosition);
    bitrateLabel_->setText(kbitText(QStringLiteral("Current nominal Bitrate: "), shown.bitrate));
    bitrateSlider_->setToolTip(QString::number(shown.bitrate));
    setQuietly(minSlider_, positionOf(shown.minBitrate));
    minLabel_->setText(kbitText(QStringLiteral("Current min oggBitrate: "), shown.minBitrate));
    minSlider_->setToolTip(QString::number(shown.minBitrate));
    setQuietly(maxSlider_, positionOf(shown.maxBitrate));
    maxLabel_->setText(kbitText(QStringLiteral("Current max oggBitrate: "), shown.maxBitrate));
    maxSlider_->setToolTip(QString::number(shown.maxBitrate));
    setQuietly(qualitySlider_, shown.quality);
    qualitySlider_->setToolTip(QString::number(shown.quality / 100.0));

    // Setting a box runs its rule, even when the box does not change.
    const bool vbr = shown.vbr == 1;
    const bool qualityMode = shown.qualityMode == 1;
    vbrBox_->setChecked(vbr);
    switchVbr();
    qualityBox_->setChecked(qualityMode);
    switchQualityMode();
}

void frmOgg::switchQualityMode() {
    const bool quality = qualityBox_->isChecked();
    if (quality) {
        for (QWidget *w :
             std::initializer_list<QWidget *>{vbrBox_, vbrFrame_, bitrateSlider_, minSlider_,
                                              maxSlider_, bitrateLabel_, minLabel_, maxLabel_})
            w->setEnabled(false);
        qualityFrame_->setEnabled(true);
        qualitySlider_->setEnabled(true);
    } else {
        qualityFrame_->setEnabled(false);
        qualitySlider_->setEnabled(false);
        vbrBox_->setEnabled(true);
        bitrateLabel_->setEnabled(true);
        bitrateSlider_->setEnabled(true);
        switchVbr();
    }
    values_.ogg.qualityMode = quality ? 1 : 0;
}

void frmOgg::switchVbr() {
    const bool vbr = vbrBox_->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{vbrFrame_, minSlider_, maxSlider_, minLabel_, maxLabel_})
        w->setEnabled(vbr);
    values_.ogg.vbr = vbr ? 1 : 0;
}

void frmOgg::saveAndApply() {
    values_.ogg.write(Inifun::settingsFile());
    values_.ogg.applyTo(audioFile_);
    if (describe_)
        describe_(audioFile_.FormatDescription());
    accept();
}

} // namespace pelvanto
