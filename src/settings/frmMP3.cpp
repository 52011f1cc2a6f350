#include "frmMP3.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
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

#include <array>

namespace pelvanto {

namespace {

namespace sv = settingsvalue;

constexpr std::array<int, 15> kBitrates = {8,   16,  24,  32,  48,  56,  64, 96,
                                           112, 128, 160, 192, 224, 256, 320};
constexpr std::array<int, 9> kFrequencies = {48000, 44100, 32000, 24000, 22050,
                                             16000, 12000, 11025, 8000};
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

QString read(const char *key) {
    return Inifun::ReadIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Mp3),
                           QString::fromLatin1(key));
}

void write(const char *key, int value) {
    Inifun::WriteIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Mp3),
                     QString::fromLatin1(key), QString::number(value));
}

} // namespace

int frmMP3::bitrateAt(int position) {
    return position >= 0 && position < static_cast<int>(kBitrates.size())
               ? kBitrates[static_cast<size_t>(position)]
               : 0;
}

int frmMP3::positionOf(int kbps) {
    for (size_t i = 0; i < kBitrates.size(); ++i)
        if (kBitrates[i] == kbps)
            return static_cast<int>(i);
    return -1;
}

frmMP3::frmMP3(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : QDialog(parent), m_file(file), m_values(values), m_describe(std::move(describe)) {
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
    m_slider1 = named(new QSlider(Qt::Horizontal, bitrateFrame), "Slider1");
    m_slider1->setRange(0, static_cast<int>(kBitrates.size()) - 1);
    m_slider1->setPageStep(1);
    m_slider1->setTickPosition(QSlider::TicksBelow);
    m_label1 = named(new QLabel(bitrateFrame), "Label1");
    bl->addWidget(new QLabel(QStringLiteral("poor quality "), bitrateFrame), 0, 0);
    bl->addWidget(new QLabel(QStringLiteral("good quality "), bitrateFrame), 0, 2, Qt::AlignRight);
    bl->addWidget(m_slider1, 1, 0, 1, 3);
    bl->addWidget(new QLabel(QStringLiteral("small file"), bitrateFrame), 2, 0);
    bl->addWidget(new QLabel(QStringLiteral("big file"), bitrateFrame), 2, 2, Qt::AlignRight);
    bl->addWidget(m_label1, 3, 0, 1, 3);

    auto *qualityFrame = named(new QGroupBox(QStringLiteral("Encoder Quality"), general), "Frame2");
    auto *ql = new QHBoxLayout(qualityFrame);
    m_slider2 = named(new QSlider(Qt::Horizontal, qualityFrame), "Slider2");
    m_slider2->setRange(0, 9);
    m_slider2->setPageStep(1);
    m_slider2->setTickPosition(QSlider::TicksBelow);
    ql->addWidget(new QLabel(QStringLiteral("faster"), qualityFrame));
    ql->addWidget(m_slider2);
    ql->addWidget(new QLabel(QStringLiteral("better"), qualityFrame));

    auto *channelFrame = named(new QGroupBox(QStringLiteral("Channels"), general), "Frame4");
    auto *cl = new QVBoxLayout(channelFrame);
    m_combo3 = named(new QComboBox(channelFrame), "Combo3");
    m_combo3->addItems({QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"),
                        QStringLiteral("Forced Joint Stereo"), QStringLiteral("Dual Channels"),
                        QStringLiteral("Mono")});
    cl->addWidget(m_combo3);

    auto *frequencyFrame =
        named(new QGroupBox(QStringLiteral("Frequency (hz)"), general), "Frame5");
    auto *fl = new QVBoxLayout(frequencyFrame);
    m_combo5 = named(new QComboBox(frequencyFrame), "Combo5");
    for (int f : kFrequencies)
        m_combo5->addItem(QString::number(f));
    fl->addWidget(m_combo5);

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
    m_chHFilt = named(
        new QCheckBox(QStringLiteral("Highpass filtering frequency (in Hz):"), hFrame), "chHFilt");
    m_label11 =
        named(new QLabel(QStringLiteral("Width of Highpass filter (in Hz):"), hFrame), "Label11");
    valueRow(hl, 0, m_chHFilt, "tHFiltF", "udHFiltF", 0, kFilterMaximum, kFilterStep, &m_tHFiltF,
             &m_udHFiltF);
    valueRow(hl, 1, m_label11, "tHFiltW", "udHFiltW", 0, kFilterMaximum, kFilterStep, &m_tHFiltW,
             &m_udHFiltW);
    auto *lFrame = named(new QGroupBox(QStringLiteral("LowPass Filter"), filtering), "Frame8");
    auto *ll = new QGridLayout(lFrame);
    m_chLFilt = named(new QCheckBox(QStringLiteral("Lowpass filtering frequency (in Hz):"), lFrame),
                      "chLFilt");
    m_label13 =
        named(new QLabel(QStringLiteral("Width of Lowpass filter (in Hz):"), lFrame), "Label13");
    valueRow(ll, 0, m_chLFilt, "tLFiltF", "udLFiltF", 0, kFilterMaximum, kFilterStep, &m_tLFiltF,
             &m_udLFiltF);
    valueRow(ll, 1, m_label13, "tLFiltW", "udLFiltW", 0, kFilterMaximum, kFilterStep, &m_tLFiltW,
             &m_udLFiltW);
    filteringLayout->addWidget(hFrame);
    filteringLayout->addWidget(lFrame);
    filteringLayout->addStretch();
    tabs->addTab(filtering, QStringLiteral("Filtering"));

    // --- VBR ---
    auto *vbr = new QWidget;
    auto *vl = new QGridLayout(vbr);
    m_combo1 = named(new QComboBox(vbr), "Combo1");
    m_combo1->addItems({QStringLiteral("None"), QStringLiteral("Default"), QStringLiteral("Old"),
                        QStringLiteral("New"), QStringLiteral("MTRH"), QStringLiteral("ABR")});
    vl->addWidget(named(new QLabel(QStringLiteral("Coding Method:"), vbr), "Label14"), 0, 0);
    vl->addWidget(m_combo1, 0, 1, 1, 2);
    m_label15 = named(new QLabel(QStringLiteral("VBR Quality:"), vbr), "Label15");
    valueRow(vl, 1, m_label15, "tVbrQ", "udVbrQ", 0, 9, 1, &m_tVbrQ, &m_udVbrQ);
    m_label9 = named(new QLabel(QStringLiteral("Targed bitrate for ABR:"), vbr), "Label9");
    valueRow(vl, 2, m_label9, "tABR", "udABR", 4, 320, 1, &m_tABR, &m_udABR);
    m_frame6 = named(new QGroupBox(QStringLiteral("Maximum VBR Bitrate"), vbr), "Frame6");
    auto *f6 = new QVBoxLayout(m_frame6);
    m_slider3 = named(new QSlider(Qt::Horizontal, m_frame6), "Slider3");
    m_slider3->setRange(0, static_cast<int>(kBitrates.size()) - 1);
    m_slider3->setPageStep(1);
    m_slider3->setTickPosition(QSlider::TicksBelow);
    m_label8 = named(new QLabel(m_frame6), "Label8");
    f6->addWidget(m_slider3);
    f6->addWidget(m_label8);
    m_frame3 = named(new QGroupBox(QStringLiteral("Advanced"), vbr), "Frame3");
    auto *f3 = new QVBoxLayout(m_frame3);
    m_check[1] = named(new QCheckBox(QStringLiteral("Write VBR Header"), m_frame3), "Check1");
    m_check[2] = named(new QCheckBox(QStringLiteral("Strictly enforce minimum bitrate"), m_frame3),
                       "Check2");
    f3->addWidget(m_check[1]);
    f3->addWidget(m_check[2]);
    vl->addWidget(m_frame6, 3, 0, 1, 3);
    vl->addWidget(m_frame3, 4, 0, 1, 3);
    vl->setRowStretch(5, 1);
    tabs->addTab(vbr, QStringLiteral("VBR"));

    // --- Expert ---
    auto *expert = new QWidget;
    auto *el = new QGridLayout(expert);
    m_combo2 = named(new QComboBox(expert), "Combo2");
    m_combo2->addItems({QStringLiteral("default"), QStringLiteral("only"),
                        QStringLiteral("disabled"), QStringLiteral("only for short blocks")});
    m_combo4 = named(new QComboBox(expert), "Combo4");
    m_combo4->addItems({QStringLiteral("default"), QStringLiteral("0/15 microseconds"),
                        QStringLiteral("citt j.17")});
    el->addWidget(named(new QLabel(QStringLiteral("ATH Control:"), expert), "Label10"), 0, 0);
    el->addWidget(m_combo2, 0, 1);
    el->addWidget(named(new QLabel(QStringLiteral("De-emphasis :"), expert), "Label12"), 1, 0);
    el->addWidget(m_combo4, 1, 1);
    const char *expertNames[] = {"Check3", "Check4", "Check5", "Check6", "Check7"};
    const QString expertCaptions[] = {
        QStringLiteral("include CRC -Checksums"),
        QStringLiteral("allow block types to differ between channels"),
        QStringLiteral("bit reservoir"), QStringLiteral("short blocks"),
        QStringLiteral("comply as much as possible to ISO MPEG spec")};
    for (int i = 0; i < 5; ++i) {
        m_check[i + 3] = named(new QCheckBox(expertCaptions[i], expert), expertNames[i]);
        el->addWidget(m_check[i + 3], 2 + i, 0, 1, 2);
    }
    el->setRowStretch(7, 1);
    tabs->addTab(expert, QStringLiteral("Expert"));

    auto *ok = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    auto *cancel = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    ok->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addLayout(buttons);

    // Change handlers: one property each.
    connect(ok, &QPushButton::clicked, this, &frmMP3::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_slider1, &QSlider::valueChanged, this, &frmMP3::bitrateMoved);
    connect(m_slider2, &QSlider::valueChanged, this,
            [this](int v) { m_settings.SetEncoderQuality(static_cast<qint16>(v)); });
    connect(m_slider3, &QSlider::valueChanged, this, [this](int position) {
        m_settings.SetMaxVbrBitrate(bitrateAt(position));
        m_label8->setText(kbitText(m_settings.MaxVbrBitrate()));
    });
    connect(m_combo5, &QComboBox::currentIndexChanged, this, &frmMP3::frequencyChosen);
    connect(m_combo3, &QComboBox::currentIndexChanged, this, &frmMP3::channelsChosen);
    connect(m_combo1, &QComboBox::currentIndexChanged, this, &frmMP3::codingChosen);
    connect(m_combo2, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_settings.SetAthControl(static_cast<qint16>(i)); });
    connect(m_combo4, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_settings.SetDeemphasis(static_cast<qint16>(i)); });
    void (Mp3EncoderSettings::*flags[8])(bool) = {
        nullptr,
        &Mp3EncoderSettings::SetWriteVbrHeader,
        &Mp3EncoderSettings::SetStrictMinBitrate,
        &Mp3EncoderSettings::SetCrcChecksums,
        &Mp3EncoderSettings::SetAllowDiffBlockTypes,
        &Mp3EncoderSettings::SetBitReservoir,
        &Mp3EncoderSettings::SetShortBlocks,
        &Mp3EncoderSettings::SetIsoCompliance,
    };
    for (int i = 1; i < 8; ++i) {
        auto setter = flags[i];
        connect(m_check[i], &QCheckBox::toggled, this,
                [this, setter](bool on) { (m_settings.*setter)(on); });
    }
    connect(m_udVbrQ, &UpDown::valueChanged, this,
            [this](int v) { m_settings.SetVbrQuality(static_cast<qint16>(v)); });
    connect(m_udABR, &UpDown::valueChanged, this,
            [this](int v) { m_settings.SetAbrBitrate(static_cast<qint16>(v)); });
    connect(m_udHFiltF, &UpDown::valueChanged, this,
            [this](int v) { m_settings.SetHighpassFreq(v); });
    connect(m_udHFiltW, &UpDown::valueChanged, this,
            [this](int v) { m_settings.SetHighpassWidth(v); });
    connect(m_udLFiltF, &UpDown::valueChanged, this,
            [this](int v) { m_settings.SetLowpassFreq(v); });
    connect(m_udLFiltW, &UpDown::valueChanged, this,
            [this](int v) { m_settings.SetLowpassWidth(v); });
    connect(m_chHFilt, &QCheckBox::toggled, this, &frmMP3::highpassClicked);
    connect(m_chLFilt, &QCheckBox::toggled, this, &frmMP3::lowpassClicked);
}

void frmMP3::load() {
    // A fresh object: the library's defaults.
    m_settings = Mp3EncoderSettings();

    setQuietly(m_slider2, m_settings.EncoderQuality());
    setQuietly(m_slider1, kDefaultPosition);
    m_label1->setText(QStringLiteral("Current bitrate:"));
    selectIndex(m_combo5, kDefaultFrequencyIndex, [this](int i) { frequencyChosen(i); });
    m_values.mp3Bitrate = static_cast<qint16>(bitrateAt(kDefaultPosition));
    m_values.mp3Frequency = kFrequencies[kDefaultFrequencyIndex];
    m_values.mp3Channels = 2;

    const int maxAt = positionOf(m_settings.MaxVbrBitrate());
    if (maxAt >= 0)
        setQuietly(m_slider3, maxAt);
    m_label8->setText(kbitText(m_settings.MaxVbrBitrate()));

    m_udVbrQ->setValue(m_settings.VbrQuality());
    selectIndex(m_combo1, m_settings.VbrMode() + 1, [this](int i) { codingChosen(i); });
    m_udABR->setValue(m_settings.AbrBitrate());
    selectIndex(m_combo3, m_settings.ChannelMode() - 1, [this](int i) { channelsChosen(i); });
    m_check[1]->setChecked(m_settings.WriteVbrHeader());
    m_check[2]->setChecked(m_settings.StrictMinBitrate());

    const qint32 highpass = m_settings.HighpassFreq();
    const qint32 highpassWidth = m_settings.HighpassWidth();
    if (highpass < 0) {
        m_udHFiltF->setValue(kHighpassDefault);
        m_chHFilt->setChecked(false);
    } else {
        m_udHFiltF->setValue(highpass);
        m_chHFilt->setChecked(true);
    }
    m_udHFiltW->setValue(highpassWidth);
    if (highpassWidth == 0)
        m_udHFiltW->setValue(kHighpassWidthDefault);
    highpassClicked();

    const qint32 lowpass = m_settings.LowpassFreq();
    const qint32 lowpassWidth = m_settings.LowpassWidth();
    if (lowpass < 0) {
        m_udLFiltF->setValue(kLowpassDefault);
        m_chLFilt->setChecked(false);
    } else {
        m_udLFiltF->setValue(lowpass);
        m_chLFilt->setChecked(true);
    }
    m_udLFiltW->setValue(lowpassWidth);
    if (lowpassWidth == 0)
        m_udLFiltW->setValue(kLowpassWidthDefault);
    lowpassClicked();

    selectIndex(m_combo2, m_settings.AthControl(),
                [this](int i) { m_settings.SetAthControl(static_cast<qint16>(i)); });
    selectIndex(m_combo4, m_settings.Deemphasis(),
                [this](int i) { m_settings.SetDeemphasis(static_cast<qint16>(i)); });
    m_check[3]->setChecked(m_settings.CrcChecksums());
    m_check[4]->setChecked(m_settings.AllowDiffBlockTypes());
    m_check[5]->setChecked(m_settings.BitReservoir());
    m_check[6]->setChecked(m_settings.ShortBlocks());
    m_check[7]->setChecked(m_settings.IsoCompliance());

    // A stored bit rate outside the table is kept (and stored again by OK); the slider then
    // stays at 128.
    if (const auto v = sv::toInt16(read(keys::Mp3Bitrate)))
        m_values.mp3Bitrate = *v;
    const int bitrateAtPosition = positionOf(m_values.mp3Bitrate);
    if (bitrateAtPosition >= 0)
        setQuietly(m_slider1, bitrateAtPosition);
    m_label1->setText(kbitText(m_values.mp3Bitrate));
    m_slider1->setToolTip(QString::number(m_values.mp3Bitrate));

    if (const auto v = sv::toInt32(read(keys::Mp3Frequency)))
        m_values.mp3Frequency = *v;
    selectIndex(m_combo5, m_combo5->findText(QString::number(m_values.mp3Frequency)),
                [this](int i) { frequencyChosen(i); });

    if (const auto v = sv::toInt16(read(keys::Mp3Channels)))
        m_values.mp3Channels = *v;
    // Mono is a choice of the channel list too: show it.
    if (m_values.mp3Channels == 1)
        selectIndex(m_combo3, kMonoIndex, [this](int i) { channelsChosen(i); });
}

void frmMP3::bitrateMoved(int position) {
    const int kbps = bitrateAt(position);
    m_values.mp3Bitrate = static_cast<qint16>(kbps);
    m_settings.SetBitrate(static_cast<qint16>(kbps));
    m_label1->setText(kbitText(kbps));
    m_slider1->setToolTip(QString::number(kbps));
}

void frmMP3::frequencyChosen(int index) {
    if (index < 0 || index >= static_cast<int>(kFrequencies.size()))
        return;
    m_values.mp3Frequency = kFrequencies[static_cast<size_t>(index)];
    m_settings.SetOutputFrequency(m_values.mp3Frequency);
}

void frmMP3::channelsChosen(int index) {
    if (index >= 0 && index < kMonoIndex) {
        m_values.mp3Channels = 2;
        m_settings.SetChannelMode(static_cast<qint16>(index + 1));
    } else if (index == kMonoIndex) {
        m_values.mp3Channels = 1;
    }
}

void frmMP3::codingChosen(int index) {
    if (index < 0)
        return;
    const bool none = index == 0;
    const bool abr = index == 5;
    for (QWidget *w : std::initializer_list<QWidget *>{m_label15, m_tVbrQ, m_udVbrQ})
        w->setEnabled(!none && !abr);
    for (QWidget *w : std::initializer_list<QWidget *>{m_label9, m_tABR, m_udABR})
        w->setEnabled(abr);
    for (QWidget *w : std::initializer_list<QWidget *>{m_frame3, m_frame6, m_label8, m_slider3,
                                                       m_check[1], m_check[2]})
        w->setEnabled(!none);
    m_settings.SetVbrMode(static_cast<qint16>(index - 1));
}

void frmMP3::highpassClicked() {
    const bool on = m_chHFilt->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_tHFiltF, m_udHFiltF, m_tHFiltW, m_udHFiltW, m_label11})
        w->setEnabled(on);
    m_settings.SetHighpassFreq(on ? m_udHFiltF->value() : -1);
}

void frmMP3::lowpassClicked() {
    const bool on = m_chLFilt->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_tLFiltF, m_udLFiltF, m_tLFiltW, m_udLFiltW, m_label13})
        w->setEnabled(on);
    m_settings.SetLowpassFreq(on ? m_udLFiltF->value() : -1);
}

void frmMP3::ok() {
    write(keys::Mp3Bitrate, m_values.mp3Bitrate);
    write(keys::Mp3Frequency, m_values.mp3Frequency);
    write(keys::Mp3Channels, m_values.mp3Channels);
    // The settings object has no channel count: the format call carries it, and the encoder
    // settings then replace everything else.
    m_file.SetMp3Format(m_values.mp3Frequency, m_values.mp3Bitrate, m_values.mp3Channels);
    m_file.SetMp3Encoder(m_settings);
    if (m_describe)
        m_describe(m_file.FormatDescription());
    accept();
}

} // namespace pelvanto
