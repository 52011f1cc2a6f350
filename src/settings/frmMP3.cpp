#include "frmMP3.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "audiofile/AudioFile.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

constexpr int kDefaultPosition = 9;       // 128 kbit/s
constexpr int kDefaultFrequencyIndex = 1; // 44100
constexpr int kMonoIndex = 4;
constexpr int kFilterMaximum = 48000;
constexpr int kFilterStep = 10;
constexpr int kHighpassDefault = 30;
constexpr int kHighpassWidthDefault = 5;
constexpr int kLowpassDefault = 15160;
constexpr int kLowpassWidthDefault = 760;

QString kbitText(int kbps) {
    return QStringLiteral("Current bitrate: ") + QString::number(kbps) + QStringLiteral(" kbit");
}

template <typename T> T *named(T *widget, const char *name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Sets a list's index the way a program does and runs its click rule once; an index outside
// the list changes nothing.
template <typename F> void selectIndex(QComboBox *combo, int index, F rule) {
    if (index < 0 || index >= combo->count())
        return;
    {
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(index);
    }
    rule(index);
}

void setQuietly(QSlider *slider, int value) {
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

} // namespace

int frmMP3::bitrateAt(int position) {
    return Mp3Settings::offeredBitrates().value(position, 0);
}

int frmMP3::positionOf(int kbps) {
    return static_cast<int>(Mp3Settings::offeredBitrates().indexOf(static_cast<qint16>(kbps)));
}

frmMP3::frmMP3(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : QDialog(parent), audioFile_(file), values_(values), describe_(std::move(describe)) {
    setObjectName(QStringLiteral("frmMP3"));
    setWindowTitle(QStringLiteral("MP3 Advanced Option"));
    build();
    Skin::applyTo(this);
    load();
}

void frmMP3::build() {
    auto *tabs = named(new QTabWidget(this), "SSTab1");

    // --- General ---
    auto *general = new QWidget;
    auto *generalLayout = new QGridLayout(general);
    auto *bitrateFrame = named(new QGroupBox(QStringLiteral("Bitrate"), general), "Frame1");
    auto *bl = new QGridLayout(bitrateFrame);
    bitrateSlider_ = named(new QSlider(Qt::Horizontal, bitrateFrame), "Slider1");
    bitrateSlider_->setRange(0, static_cast<int>(Mp3Settings::offeredBitrates().size()) - 1);
    bitrateSlider_->setPageStep(1);
    bitrateSlider_->setTickPosition(QSlider::TicksBelow);
    bitrateLabel_ = named(new QLabel(bitrateFrame), "Label1");
    bl->addWidget(new QLabel(QStringLiteral("poor quality "), bitrateFrame), 0, 0);
    bl->addWidget(new QLabel(QStringLiteral("good quality "), bitrateFrame), 0, 2, Qt::AlignRight);
    bl->addWidget(bitrateSlider_, 1, 0, 1, 3);
    bl->addWidget(new QLabel(QStringLiteral("small file"), bitrateFrame), 2, 0);
    bl->addWidget(new QLabel(QStringLiteral("big file"), bitrateFrame), 2, 2, Qt::AlignRight);
    bl->addWidget(bitrateLabel_, 3, 0, 1, 3);

    auto *qualityFrame = named(new QGroupBox(QStringLiteral("Encoder Quality"), general), "Frame2");
    auto *ql = new QHBoxLayout(qualityFrame);
    qualitySlider_ = named(new QSlider(Qt::Horizontal, qualityFrame), "Slider2");
    qualitySlider_->setRange(0, 9);
    qualitySlider_->setPageStep(1);
    qualitySlider_->setTickPosition(QSlider::TicksBelow);
    ql->addWidget(new QLabel(QStringLiteral("faster"), qualityFrame));
    ql->addWidget(qualitySlider_);
    ql->addWidget(new QLabel(QStringLiteral("better"), qualityFrame));

    auto *channelFrame = named(new QGroupBox(QStringLiteral("Channels"), general), "Frame4");
    auto *cl = new QVBoxLayout(channelFrame);
    channelsCombo_ = named(new QComboBox(channelFrame), "Combo3");
    channelsCombo_->addItems({QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"),
                              QStringLiteral("Forced Joint Stereo"),
                              QStringLiteral("Dual Channels"), QStringLiteral("Mono")});
    cl->addWidget(channelsCombo_);

    auto *frequencyFrame =
        named(new QGroupBox(QStringLiteral("Frequency (hz)"), general), "Frame5");
    auto *fl = new QVBoxLayout(frequencyFrame);
    frequencyCombo_ = named(new QComboBox(frequencyFrame), "Combo5");
    for (qint32 f : Mp3Settings::offeredFrequencies())
        frequencyCombo_->addItem(QString::number(f));
    fl->addWidget(frequencyCombo_);

    generalLayout->addWidget(bitrateFrame, 0, 0, 1, 2);
    generalLayout->addWidget(qualityFrame, 1, 0, 1, 2);
    generalLayout->addWidget(channelFrame, 2, 0);
    generalLayout->addWidget(frequencyFrame, 2, 1);
    tabs->addTab(general, QStringLiteral("General"));

    // --- Filtering ---
    auto *filtering = new QWidget;
    auto *filteringLayout = new QVBoxLayout(filtering);
    const auto valueRow = [](QGridLayout *g, int row, QWidget *lead, const char *text,
                             const char *upDown, int minimum, int maximum, int step,
                             QLineEdit **field, UpDown **ud) {
        QWidget *parent = g->parentWidget();
        auto *edit = named(new QLineEdit(parent), text);
        edit->setMaximumWidth(80);
        auto *arrows = named(new UpDown(parent), upDown);
        arrows->setRange(minimum, maximum);
        arrows->setSingleStep(step);
        arrows->setBuddy(edit);
        g->addWidget(lead, row, 0);
        g->addWidget(edit, row, 1);
        g->addWidget(arrows, row, 2);
        *field = edit;
        *ud = arrows;
    };
    auto *hFrame = named(new QGroupBox(QStringLiteral("HighPass Filter"), filtering), "Frame7");
    auto *hl = new QGridLayout(hFrame);
    highpassBox_ = named(
        new QCheckBox(QStringLiteral("Highpass filtering frequency (in Hz):"), hFrame), "chHFilt");
    highpassWidthLabel_ =
        named(new QLabel(QStringLiteral("Width of Highpass filter (in Hz):"), hFrame), "Label11");
    valueRow(hl, 0, highpassBox_, "tHFiltF", "udHFiltF", 0, kFilterMaximum, kFilterStep,
             &highpassEdit_, &highpassUpDown_);
    valueRow(hl, 1, highpassWidthLabel_, "tHFiltW", "udHFiltW", 0, kFilterMaximum, kFilterStep,
             &highpassWidthEdit_, &highpassWidthUpDown_);
    auto *lFrame = named(new QGroupBox(QStringLiteral("LowPass Filter"), filtering), "Frame8");
    auto *ll = new QGridLayout(lFrame);
    lowpassBox_ = named(
        new QCheckBox(QStringLiteral("Lowpass filtering frequency (in Hz):"), lFrame), "chLFilt");
    lowpassWidthLabel_ =
        named(new QLabel(QStringLiteral("Width of Lowpass filter (in Hz):"), lFrame), "Label13");
    valueRow(ll, 0, lowpassBox_, "tLFiltF", "udLFiltF", 0, kFilterMaximum, kFilterStep,
             &lowpassEdit_, &lowpassUpDown_);
    valueRow(ll, 1, lowpassWidthLabel_, "tLFiltW", "udLFiltW", 0, kFilterMaximum, kFilterStep,
             &lowpassWidthEdit_, &lowpassWidthUpDown_);
    filteringLayout->addWidget(hFrame);
    filteringLayout->addWidget(lFrame);
    filteringLayout->addStretch();
    tabs->addTab(filtering, QStringLiteral("Filtering"));

    // --- VBR ---
    auto *vbr = new QWidget;
    auto *vl = new QGridLayout(vbr);
    codingCombo_ = named(new QComboBox(vbr), "Combo1");
    codingCombo_->addItems({QStringLiteral("None"), QStringLiteral("Default"),
                            QStringLiteral("Old"), QStringLiteral("New"), QStringLiteral("MTRH"),
                            QStringLiteral("ABR")});
    vl->addWidget(named(new QLabel(QStringLiteral("Coding Method:"), vbr), "Label14"), 0, 0);
    vl->addWidget(codingCombo_, 0, 1, 1, 2);
    vbrQualityLabel_ = named(new QLabel(QStringLiteral("VBR Quality:"), vbr), "Label15");
    valueRow(vl, 1, vbrQualityLabel_, "tVbrQ", "udVbrQ", 0, 9, 1, &vbrQualityEdit_,
             &vbrQualityUpDown_);
    abrLabel_ = named(new QLabel(QStringLiteral("Targed bitrate for ABR:"), vbr), "Label9");
    valueRow(vl, 2, abrLabel_, "tABR", "udABR", 4, 320, 1, &abrEdit_, &abrUpDown_);
    maxVbrFrame_ = named(new QGroupBox(QStringLiteral("Maximum VBR Bitrate"), vbr), "Frame6");
    auto *f6 = new QVBoxLayout(maxVbrFrame_);
    maxVbrSlider_ = named(new QSlider(Qt::Horizontal, maxVbrFrame_), "Slider3");
    maxVbrSlider_->setRange(0, static_cast<int>(Mp3Settings::offeredBitrates().size()) - 1);
    maxVbrSlider_->setPageStep(1);
    maxVbrSlider_->setTickPosition(QSlider::TicksBelow);
    maxVbrLabel_ = named(new QLabel(maxVbrFrame_), "Label8");
    f6->addWidget(maxVbrSlider_);
    f6->addWidget(maxVbrLabel_);
    vbrAdvancedFrame_ = named(new QGroupBox(QStringLiteral("Advanced"), vbr), "Frame3");
    auto *f3 = new QVBoxLayout(vbrAdvancedFrame_);
    writeVbrHeaderBox_ =
        named(new QCheckBox(QStringLiteral("Write VBR Header"), vbrAdvancedFrame_), "Check1");
    strictMinimumBox_ =
        named(new QCheckBox(QStringLiteral("Strictly enforce minimum bitrate"), vbrAdvancedFrame_),
              "Check2");
    f3->addWidget(writeVbrHeaderBox_);
    f3->addWidget(strictMinimumBox_);
    vl->addWidget(maxVbrFrame_, 3, 0, 1, 3);
    vl->addWidget(vbrAdvancedFrame_, 4, 0, 1, 3);
    vl->setRowStretch(5, 1);
    tabs->addTab(vbr, QStringLiteral("VBR"));

    // --- Expert ---
    auto *expert = new QWidget;
    auto *el = new QGridLayout(expert);
    athCombo_ = named(new QComboBox(expert), "Combo2");
    athCombo_->addItems({QStringLiteral("default"), QStringLiteral("only"),
                         QStringLiteral("disabled"), QStringLiteral("only for short blocks")});
    deemphasisCombo_ = named(new QComboBox(expert), "Combo4");
    deemphasisCombo_->addItems({QStringLiteral("default"), QStringLiteral("0/15 microseconds"),
                                QStringLiteral("citt j.17")});
    el->addWidget(named(new QLabel(QStringLiteral("ATH Control:"), expert), "Label10"), 0, 0);
    el->addWidget(athCombo_, 0, 1);
    el->addWidget(named(new QLabel(QStringLiteral("De-emphasis :"), expert), "Label12"), 1, 0);
    el->addWidget(deemphasisCombo_, 1, 1);
    const struct {
        QCheckBox **box;
        const char *name;
        const char *caption;
    } expertBoxes[] = {
        {&crcBox_, "Check3", "include CRC -Checksums"},
        {&differentBlockTypesBox_, "Check4", "allow block types to differ between channels"},
        {&bitReservoirBox_, "Check5", "bit reservoir"},
        {&shortBlocksBox_, "Check6", "short blocks"},
        {&isoComplianceBox_, "Check7", "comply as much as possible to ISO MPEG spec"},
    };
    int expertRow = 2;
    for (const auto &b : expertBoxes) {
        *b.box = named(new QCheckBox(QString::fromLatin1(b.caption), expert), b.name);
        el->addWidget(*b.box, expertRow++, 0, 1, 2);
    }
    el->setRowStretch(7, 1);
    tabs->addTab(expert, QStringLiteral("Expert"));

    auto *okButton = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    auto *cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    okButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    // Change handlers: one property each.
    connect(okButton, &QPushButton::clicked, this, &frmMP3::saveAndApply);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bitrateSlider_, &QSlider::valueChanged, this, &frmMP3::chooseBitrate);
    connect(qualitySlider_, &QSlider::valueChanged, this,
            [this](int v) { encoder_.SetEncoderQuality(static_cast<qint16>(v)); });
    connect(maxVbrSlider_, &QSlider::valueChanged, this, [this](int position) {
        encoder_.SetMaxVbrBitrate(bitrateAt(position));
        maxVbrLabel_->setText(kbitText(encoder_.MaxVbrBitrate()));
    });
    connect(frequencyCombo_, &QComboBox::currentIndexChanged, this, &frmMP3::chooseFrequency);
    connect(channelsCombo_, &QComboBox::currentIndexChanged, this, &frmMP3::chooseChannels);
    connect(codingCombo_, &QComboBox::currentIndexChanged, this, &frmMP3::chooseCodingMethod);
    connect(athCombo_, &QComboBox::currentIndexChanged, this,
            [this](int i) { encoder_.SetAthControl(static_cast<qint16>(i)); });
    connect(deemphasisCombo_, &QComboBox::currentIndexChanged, this,
            [this](int i) { encoder_.SetDeemphasis(static_cast<qint16>(i)); });
    const struct {
        QCheckBox *box;
        void (Mp3EncoderSettings::*set)(bool);
    } flags[] = {
        {writeVbrHeaderBox_, &Mp3EncoderSettings::SetWriteVbrHeader},
        {strictMinimumBox_, &Mp3EncoderSettings::SetStrictMinBitrate},
        {crcBox_, &Mp3EncoderSettings::SetCrcChecksums},
        {differentBlockTypesBox_, &Mp3EncoderSettings::SetAllowDiffBlockTypes},
        {bitReservoirBox_, &Mp3EncoderSettings::SetBitReservoir},
        {shortBlocksBox_, &Mp3EncoderSettings::SetShortBlocks},
        {isoComplianceBox_, &Mp3EncoderSettings::SetIsoCompliance},
    };
    for (const auto &flag : flags) {
        auto setter = flag.set;
        connect(flag.box, &QCheckBox::toggled, this,
                [this, setter](bool on) { (encoder_.*setter)(on); });
    }
    connect(vbrQualityUpDown_, &UpDown::valueChanged, this,
            [this](int v) { encoder_.SetVbrQuality(static_cast<qint16>(v)); });
    connect(abrUpDown_, &UpDown::valueChanged, this,
            [this](int v) { encoder_.SetAbrBitrate(static_cast<qint16>(v)); });
    connect(highpassUpDown_, &UpDown::valueChanged, this,
            [this](int v) { encoder_.SetHighpassFreq(v); });
    connect(highpassWidthUpDown_, &UpDown::valueChanged, this,
            [this](int v) { encoder_.SetHighpassWidth(v); });
    connect(lowpassUpDown_, &UpDown::valueChanged, this,
            [this](int v) { encoder_.SetLowpassFreq(v); });
    connect(lowpassWidthUpDown_, &UpDown::valueChanged, this,
            [this](int v) { encoder_.SetLowpassWidth(v); });
    connect(highpassBox_, &QCheckBox::toggled, this, &frmMP3::switchHighpass);
    connect(lowpassBox_, &QCheckBox::toggled, this, &frmMP3::switchLowpass);
}

void frmMP3::load() {
    // A fresh object: the library's defaults.
    encoder_ = Mp3EncoderSettings();

    setQuietly(qualitySlider_, encoder_.EncoderQuality());
    setQuietly(bitrateSlider_, kDefaultPosition);
    bitrateLabel_->setText(QStringLiteral("Current bitrate:"));
    selectIndex(frequencyCombo_, kDefaultFrequencyIndex, [this](int i) { chooseFrequency(i); });

    const int maxAt = positionOf(encoder_.MaxVbrBitrate());
    if (maxAt >= 0)
        setQuietly(maxVbrSlider_, maxAt);
    maxVbrLabel_->setText(kbitText(encoder_.MaxVbrBitrate()));

    vbrQualityUpDown_->setValue(encoder_.VbrQuality());
    selectIndex(codingCombo_, encoder_.VbrMode() + 1, [this](int i) { chooseCodingMethod(i); });
    abrUpDown_->setValue(encoder_.AbrBitrate());
    selectIndex(channelsCombo_, encoder_.ChannelMode() - 1, [this](int i) { chooseChannels(i); });
    writeVbrHeaderBox_->setChecked(encoder_.WriteVbrHeader());
    strictMinimumBox_->setChecked(encoder_.StrictMinBitrate());

    const qint32 highpass = encoder_.HighpassFreq();
    const qint32 highpassWidth = encoder_.HighpassWidth();
    if (highpass < 0) {
        highpassUpDown_->setValue(kHighpassDefault);
        highpassBox_->setChecked(false);
    } else {
        highpassUpDown_->setValue(highpass);
        highpassBox_->setChecked(true);
    }
    highpassWidthUpDown_->setValue(highpassWidth);
    if (highpassWidth == 0)
        highpassWidthUpDown_->setValue(kHighpassWidthDefault);
    switchHighpass();

    const qint32 lowpass = encoder_.LowpassFreq();
    const qint32 lowpassWidth = encoder_.LowpassWidth();
    if (lowpass < 0) {
        lowpassUpDown_->setValue(kLowpassDefault);
        lowpassBox_->setChecked(false);
    } else {
        lowpassUpDown_->setValue(lowpass);
        lowpassBox_->setChecked(true);
    }
    lowpassWidthUpDown_->setValue(lowpassWidth);
    if (lowpassWidth == 0)
        lowpassWidthUpDown_->setValue(kLowpassWidthDefault);
    switchLowpass();

    selectIndex(athCombo_, encoder_.AthControl(),
                [this](int i) { encoder_.SetAthControl(static_cast<qint16>(i)); });
    selectIndex(deemphasisCombo_, encoder_.Deemphasis(),
                [this](int i) { encoder_.SetDeemphasis(static_cast<qint16>(i)); });
    crcBox_->setChecked(encoder_.CrcChecksums());
    differentBlockTypesBox_->setChecked(encoder_.AllowDiffBlockTypes());
    bitReservoirBox_->setChecked(encoder_.BitReservoir());
    shortBlocksBox_->setChecked(encoder_.ShortBlocks());
    isoComplianceBox_->setChecked(encoder_.IsoCompliance());

    values_.mp3 = Mp3Settings::readForWindow(Inifun::settingsFile());
    // A stored bit rate outside the table is kept (and stored again by OK); the slider then
    // stays at 128.
    const int bitrateAtPosition = positionOf(values_.mp3.bitrate);
    if (bitrateAtPosition >= 0)
        setQuietly(bitrateSlider_, bitrateAtPosition);
    bitrateLabel_->setText(kbitText(values_.mp3.bitrate));
    bitrateSlider_->setToolTip(QString::number(values_.mp3.bitrate));

    // A rate the list does not offer leaves "44100" selected.
    selectIndex(frequencyCombo_, frequencyCombo_->findText(QString::number(values_.mp3.frequency)),
                [this](int i) { chooseFrequency(i); });

    // Mono is a choice of the channel list too: show it.
    if (values_.mp3.channels == 1)
        selectIndex(channelsCombo_, kMonoIndex, [this](int i) { chooseChannels(i); });
}

void frmMP3::chooseBitrate(int position) {
    const int kbps = bitrateAt(position);
    values_.mp3.bitrate = static_cast<qint16>(kbps);
    encoder_.SetBitrate(static_cast<qint16>(kbps));
    bitrateLabel_->setText(kbitText(kbps));
    bitrateSlider_->setToolTip(QString::number(kbps));
}

void frmMP3::chooseFrequency(int index) {
    const QList<qint32> &frequencies = Mp3Settings::offeredFrequencies();
    if (index < 0 || index >= frequencies.size())
        return;
    values_.mp3.frequency = frequencies[index];
    encoder_.SetOutputFrequency(values_.mp3.frequency);
}

void frmMP3::chooseChannels(int index) {
    if (index >= 0 && index < kMonoIndex) {
        values_.mp3.channels = 2;
        encoder_.SetChannelMode(static_cast<qint16>(index + 1));
    } else if (index == kMonoIndex) {
        values_.mp3.channels = 1;
    }
}

void frmMP3::chooseCodingMethod(int index) {
    if (index < 0)
        return;
    const bool none = index == 0;
    const bool abr = index == 5;
    for (QWidget *w :
         std::initializer_list<QWidget *>{vbrQualityLabel_, vbrQualityEdit_, vbrQualityUpDown_})
        w->setEnabled(!none && !abr);
    for (QWidget *w : std::initializer_list<QWidget *>{abrLabel_, abrEdit_, abrUpDown_})
        w->setEnabled(abr);
    for (QWidget *w :
         std::initializer_list<QWidget *>{vbrAdvancedFrame_, maxVbrFrame_, maxVbrLabel_,
                                          maxVbrSlider_, writeVbrHeaderBox_, strictMinimumBox_})
        w->setEnabled(!none);
    encoder_.SetVbrMode(static_cast<qint16>(index - 1));
}

void frmMP3::switchHighpass() {
    const bool on = highpassBox_->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{highpassEdit_, highpassUpDown_, highpassWidthEdit_,
                                          highpassWidthUpDown_, highpassWidthLabel_})
        w->setEnabled(on);
    encoder_.SetHighpassFreq(on ? highpassUpDown_->value() : -1);
}

void frmMP3::switchLowpass() {
    const bool on = lowpassBox_->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{lowpassEdit_, lowpassUpDown_, lowpassWidthEdit_,
                                          lowpassWidthUpDown_, lowpassWidthLabel_})
        w->setEnabled(on);
    encoder_.SetLowpassFreq(on ? lowpassUpDown_->value() : -1);
}

void frmMP3::saveAndApply() {
    values_.mp3.write(Inifun::settingsFile());
    values_.mp3.applyTo(audioFile_, encoder_);
    if (describe_)
        describe_(audioFile_.FormatDescription());
    accept();
}

} // namespace pelvanto
