#include "Form2.h"

#include "FilterSettings.h"
#include "FormatValues.h"
#include "Inifun.h"
#include "OptionWidgets.h"
#include "TelephonyWindows.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioRecord.h"
#include "frmAdv.h"
#include "frmMP3.h"
#include "frmOgg.h"
#include "frmWAV.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvanto {

namespace {

constexpr int kVolumeMaximum = 65535;
constexpr int kBalanceCentre = 50;

// Shows a description from its start.
void showDescription(QLineEdit *field, const QString &text) {
    field->setText(text);
    field->setCursorPosition(0);
}

template <typename T> T *named(T *widget, const QString &name) {
    widget->setObjectName(name);
    return widget;
}

} // namespace

Form2::Form2(AudioRecord &record, AudioFile &file, FormatValues &values, QWidget *parent)
    : QDialog(parent), recorder_(record), audioFile_(file), values_(values) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Formats And Filters Settings "));
    tabs_ = named(new QTabWidget(this), QStringLiteral("SSTab1"));
    tabs_->addTab(buildMixerTab(), QStringLiteral("Mixer"));
    tabs_->addTab(buildFormatsTab(), QStringLiteral("Formats And Filters Settings "));

    auto *okButton = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("Command1"));
    auto *cancelButton =
        named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("Command2"));
    okButton->setDefault(true);
    connect(okButton, &QPushButton::clicked, this, &Form2::saveAndApply);
    connect(cancelButton, &QPushButton::clicked, this, &Form2::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);

    load();
}

QWidget *Form2::buildMixerTab() {
    auto *page = new QWidget;
    auto *pageLayout = new QHBoxLayout(page);
    mixerFrame_ = named(new QFrame(page), QStringLiteral("Frame14"));
    auto *row = new QHBoxLayout(mixerFrame_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const int columnWidth = twipsToPixels(this, kColumnTwips);
    for (int i = 0; i < kColumns; ++i) {
        Column c;
        c.box = new QWidget(mixerFrame_);
        c.box->setFixedWidth(columnWidth);
        auto *col = new QVBoxLayout(c.box);
        col->setContentsMargins(2, 0, 2, 0);
        c.name = named(new QLabel(QStringLiteral("Label1"), c.box), arrayName("Label", i));
        c.name->setWordWrap(true);
        c.name->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        auto *volumeLabel =
            named(new QLabel(QStringLiteral("Volume:"), c.box), arrayName("Label3", i));
        c.volume = named(new QSlider(Qt::Vertical, c.box), arrayName("slVolume", i));
        c.volume->setRange(0, kVolumeMaximum);
        c.volume->setPageStep(kVolumeMaximum / 10);
        // Value 0 at the top: the value is 65535 minus the line's volume, so top is loudest.
        c.volume->setInvertedAppearance(true);
        c.volume->setMinimumHeight(120);
        auto *balanceLabel =
            named(new QLabel(QStringLiteral("Balance:"), c.box), arrayName("Label2", i));
        c.balance = named(new QSlider(Qt::Horizontal, c.box), arrayName("slBalance", i));
        c.balance->setRange(0, 100);
        c.balance->setValue(kBalanceCentre);
        c.select = named(
            new QCheckBox(i == 0 ? QStringLiteral("Select All") : QStringLiteral("Select"), c.box),
            arrayName("chSelect", i));
        c.advanced =
            named(new QPushButton(QStringLiteral("Advanced"), c.box), arrayName("cmdAdvanced", i));
        // Columns line up whether or not a line has advanced controls.
        QSizePolicy keepPlace = c.advanced->sizePolicy();
        keepPlace.setRetainSizeWhenHidden(true);
        c.advanced->setSizePolicy(keepPlace);
        c.advanced->setStyleSheet(QStringLiteral("padding-left: 2px; padding-right: 2px;"));
        col->addWidget(c.name);
        col->addWidget(volumeLabel);
        col->addWidget(c.volume, 1, Qt::AlignHCenter);
        col->addWidget(balanceLabel);
        col->addWidget(c.balance);
        col->addWidget(c.select);
        col->addWidget(c.advanced);
        row->addWidget(c.box);

        connect(c.volume, &QSlider::valueChanged, this, [this, i] { changeVolume(i); });
        connect(c.balance, &QSlider::valueChanged, this, [this, i] { changeBalance(i); });
        connect(c.select, &QCheckBox::clicked, this, [this, i] { changeSelection(i); });
        connect(c.advanced, &QPushButton::clicked, this, [this, i] { openAdvanced(i); });
        columns_.append(c);
    }
    mixerFrame_->setFixedWidth(kColumns * columnWidth);
    pageLayout->addWidget(mixerFrame_);
    pageLayout->addStretch();
    return page;
}

QWidget *Form2::buildFormatsTab() {
    auto *page = new QWidget;
    auto *pageLayout = new QVBoxLayout(page);

    auto *formats =
        named(new QGroupBox(QStringLiteral("Format Settings"), page), QStringLiteral("Frame8"));
    auto *grid = new QGridLayout(formats);
    struct Row {
        const char *label;
        const char *text;
        const char *button;
        QLineEdit **field;
        void (Form2::*open)();
    };
    const Row rows[] = {
        {"MP3", "txtMP3", "cmdMP3", &mp3Description_, &Form2::openMp3},
        {"WAV", "txtWAV", "cmdWAV", &wavDescription_, &Form2::openWav},
        {"VOX", "txtVOX", "cmdVOX", &voxDescription_, &Form2::openVox},
        {"OGG", "txtOGG", "cmdOgg", &oggDescription_, &Form2::openOgg},
        {"RAW", "txtRAW", "cmdRAW", &rawDescription_, &Form2::openRaw},
        {"G726", "txtG726", "cmdG726", &g726Description_, &Form2::openG726},
    };
    int r = 0;
    for (const Row &row : rows) {
        auto *field = named(new QLineEdit(formats), QString::fromLatin1(row.text));
        field->setReadOnly(true);
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral(
                                   "WAV CCITT G.726 ADPCM 4-bit, 44100 Hz, mono, 176.4 kbit/s")) +
                               24);
        auto *button =
            named(new QPushButton(QStringLiteral("..."), formats), QString::fromLatin1(row.button));
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        grid->addWidget(new QLabel(QString::fromLatin1(row.label), formats), r, 0);
        grid->addWidget(field, r, 1);
        grid->addWidget(button, r, 2);
        *row.field = field;
        connect(button, &QPushButton::clicked, this, row.open);
        ++r;
    }

    // A check box, a text box bound to an up-down, and a unit or caption label.
    auto valueRow = [](QGridLayout *g, int rowIndex, QWidget *lead, const char *text,
                       const char *upDown, const QString &design, FilterSettings::Range range,
                       int step, const QString &unit, QLineEdit **field, UpDown **ud) {
        auto *edit = named(new QLineEdit(g->parentWidget()), QString::fromLatin1(text));
        edit->setMaximumWidth(80);
        auto *arrows = named(new UpDown(g->parentWidget()), QString::fromLatin1(upDown));
        arrows->setRange(range.minimum, range.maximum);
        arrows->setSingleStep(step);
        arrows->setBuddy(edit);
        edit->setText(design);
        g->addWidget(lead, rowIndex, 0);
        g->addWidget(edit, rowIndex, 1);
        g->addWidget(arrows, rowIndex, 2);
        if (!unit.isEmpty())
            g->addWidget(new QLabel(unit, g->parentWidget()), rowIndex, 3);
        *field = edit;
        *ud = arrows;
    };

    auto *filters = named(new QGroupBox(QStringLiteral("Filters"), page), QStringLiteral("Frame3"));
    auto *fg = new QGridLayout(filters);
    notchBox_ = named(new QCheckBox(QStringLiteral("Notch"), filters), QStringLiteral("chFilter"));
    highPassBox_ =
        named(new QCheckBox(QStringLiteral("HighPass"), filters), QStringLiteral("chFilter1"));
    lowPassBox_ =
        named(new QCheckBox(QStringLiteral("LowPass"), filters), QStringLiteral("chFilter2"));
    const QString hz = QStringLiteral("Hz");
    using Range = FilterSettings::Range;
    const Range notch = FilterSettings::kNotchRange;
    const Range pass = FilterSettings::kPassRange;
    valueRow(fg, 0, notchBox_, "txtNotchFreq", "udNotchFreq", QStringLiteral("50"), notch, 10, hz,
             &notchEdit_, &notchUpDown_);
    valueRow(fg, 1, highPassBox_, "txtHighPassFreq", "udHighPassFreq", QStringLiteral("400"), pass,
             100, hz, &highPassEdit_, &highPassUpDown_);
    valueRow(fg, 2, lowPassBox_, "txtLowPassFreq", "udLowPassFreq", QStringLiteral("4000"), pass,
             100, hz, &lowPassEdit_, &lowPassUpDown_);

    auto *gain =
        named(new QGroupBox(QStringLiteral("Auto Gain Control"), page), QStringLiteral("Frame7"));
    auto *gg = new QGridLayout(gain);
    autoGainBox_ =
        named(new QCheckBox(QStringLiteral("Enabled"), gain), QStringLiteral("chAutoGainControl"));
    gg->addWidget(autoGainBox_, 0, 0, 1, 3);
    valueRow(gg, 1, new QLabel(QStringLiteral("Low Level:"), gain), "txtAGCLowLevel",
             "udAGCLowLevel", QString(), FilterSettings::kLevelRange, 1, QString(), &lowLevelEdit_,
             &lowLevelUpDown_);
    valueRow(gg, 2, new QLabel(QStringLiteral("High Level:"), gain), "txtAGCHighLevel",
             "udAGCHighLevel", QString(), FilterSettings::kLevelRange, 1, QString(),
             &highLevelEdit_, &highLevelUpDown_);
    valueRow(gg, 3, new QLabel(QStringLiteral("AttackTime:"), gain), "txtAGCAttackTime",
             "udAGCAttackTime", QString(), FilterSettings::kAttackRange, 1, QString(),
             &attackTimeEdit_, &attackTimeUpDown_);

    for (QCheckBox *box : {notchBox_, highPassBox_, lowPassBox_, autoGainBox_})
        connect(box, &QCheckBox::toggled, this, &Form2::enableFilterFields);
    enableFilterFields();

    auto *lower = new QHBoxLayout;
    lower->addWidget(filters);
    lower->addWidget(gain);
    pageLayout->addWidget(formats);
    pageLayout->addLayout(lower);
    pageLayout->addStretch();
    return page;
}

void Form2::load() {
    Skin::applyTo(this);
    // Without an input device the mixer stays empty, but the formats and the stored filter
    // settings still show, so that OK never overwrites them with design values.
    if (recorder_.DeviceCount() >= 1) {
        loadMixer();
        // Off while the window shows, so that the levels show as they come in.
        autoGainWasOn_ = recorder_.AutoGainEnabled();
        recorder_.SetAutoGainEnabled(false);
        lowLevelUpDown_->setValue(recorder_.AutoGainLowLevel());
        highLevelUpDown_->setValue(recorder_.AutoGainHighLevel());
        attackTimeUpDown_->setValue(recorder_.AutoGainAttackTime());
        attackTimeEdit_->setText(QString::number(recorder_.AutoGainAttackTime()));
    } else {
        for (Column &c : columns_)
            c.box->hide();
        mixerFrame_->setFixedWidth(0);
    }
    describeFormats();
    showFilters(FilterSettings::read(Inifun::settingsFile()));
}

void Form2::loadMixer() {
    const int remembered = recorder_.CurrentSource();
    const int last = std::min(recorder_.SourceCount(), kColumns - 1);
    shownColumns_ = std::max(last + 1, 0);
    for (int i = 0; i < kColumns; ++i) {
        Column &c = columns_[i];
        if (i >= shownColumns_) {
            c.box->hide();
            continue;
        }
        c.box->show();
        recorder_.SetCurrentSource(i);
        c.name->setText(recorder_.SourceName());
        {
            const QSignalBlocker block(c.volume);
            c.volume->setEnabled(recorder_.SourceHasVolume());
            c.volume->setValue(kVolumeMaximum - recorder_.SourceVolume());
        }
        {
            const QSignalBlocker block(c.balance);
            c.balance->setEnabled(recorder_.SourceHasBalance());
            c.balance->setValue(recorder_.SourceBalance());
        }
        c.select->setEnabled(recorder_.SourceSelectable());
        c.select->setChecked(recorder_.SourceSelected());
        c.advanced->setVisible(recorder_.LastAdvancedControl() >= 0);
    }
    mixerFrame_->setFixedWidth(shownColumns_ * twipsToPixels(this, kColumnTwips));
    recorder_.SetCurrentSource(remembered);
}

void Form2::describeFormats() {
    const FormatValues &v = values_;
    v.mp3.applyTo(audioFile_);
    showDescription(mp3Description_, audioFile_.FormatDescription());
    if (v.wavFormatChosen) {
        showDescription(wavDescription_,
                        AudioFile::DescribeWavFormat(audioFile_.CurrentWavFormat()));
    } else {
        v.wav.applyTo(audioFile_);
        showDescription(wavDescription_, audioFile_.FormatDescription());
    }
    v.vox.applyTo(audioFile_);
    showDescription(voxDescription_, audioFile_.FormatDescription());
    v.raw.applyTo(audioFile_);
    showDescription(rawDescription_, audioFile_.FormatDescription());
    v.g726.applyTo(audioFile_);
    showDescription(g726Description_, audioFile_.FormatDescription());
    v.ogg.applyTo(audioFile_);
    showDescription(oggDescription_, audioFile_.FormatDescription());
}

void Form2::showFilters(const FilterSettings &filters) {
    notchBox_->setChecked(filters.notch.enabled);
    notchEdit_->setText(filters.notch.frequency);
    highPassBox_->setChecked(filters.highPass.enabled);
    highPassEdit_->setText(filters.highPass.frequency);
    lowPassBox_->setChecked(filters.lowPass.enabled);
    lowPassEdit_->setText(filters.lowPass.frequency);
    autoGainBox_->setChecked(filters.autoGain);
    lowLevelEdit_->setText(filters.lowLevel);
    highLevelEdit_->setText(filters.highLevel);
    attackTimeEdit_->setText(filters.attackTime);
    enableFilterFields();
}

FilterSettings Form2::shownFilters() const {
    FilterSettings filters;
    filters.notch = {notchBox_->isChecked(), notchEdit_->text()};
    filters.highPass = {highPassBox_->isChecked(), highPassEdit_->text()};
    filters.lowPass = {lowPassBox_->isChecked(), lowPassEdit_->text()};
    filters.autoGain = autoGainBox_->isChecked();
    filters.lowLevel = lowLevelEdit_->text();
    filters.highLevel = highLevelEdit_->text();
    filters.attackTime = attackTimeEdit_->text();
    return filters;
}

void Form2::enableFilterFields() {
    const auto enable = [](bool on, QLineEdit *text, UpDown *ud) {
        text->setEnabled(on);
        ud->setEnabled(on);
    };
    enable(notchBox_->isChecked(), notchEdit_, notchUpDown_);
    enable(highPassBox_->isChecked(), highPassEdit_, highPassUpDown_);
    enable(lowPassBox_->isChecked(), lowPassEdit_, lowPassUpDown_);
    const bool gain = autoGainBox_->isChecked();
    enable(gain, lowLevelEdit_, lowLevelUpDown_);
    enable(gain, highLevelEdit_, highLevelUpDown_);
    enable(gain, attackTimeEdit_, attackTimeUpDown_);
}

void Form2::changeVolume(int line) {
    QSlider *slider = columns_[line].volume;
    recorder_.SetCurrentSource(line);
    recorder_.SetSourceVolume(kVolumeMaximum - slider->value());
    const QSignalBlocker block(slider);
    slider->setValue(kVolumeMaximum - recorder_.SourceVolume());
}

void Form2::changeBalance(int line) {
    QSlider *slider = columns_[line].balance;
    recorder_.SetCurrentSource(line);
    recorder_.SetSourceBalance(slider->value());
    const QSignalBlocker block(slider);
    slider->setValue(recorder_.SourceBalance());
}

void Form2::changeSelection(int line) {
    const int remembered = recorder_.CurrentSource();
    recorder_.SetCurrentSource(line);
    recorder_.SetSourceSelected(columns_[line].select->isChecked());
    for (int i = 0; i < shownColumns_; ++i) {
        recorder_.SetCurrentSource(i);
        columns_[i].select->setChecked(recorder_.SourceSelected());
    }
    recorder_.SetCurrentSource(remembered);
}

void Form2::openAdvanced(int line) {
    recorder_.SetCurrentSource(line);
    frmAdv window(recorder_, this);
    window.exec();
}

void Form2::openMp3() {
    frmMP3 window(
        audioFile_, values_, [this](const QString &d) { showDescription(mp3Description_, d); },
        this);
    window.exec();
}

void Form2::openWav() {
    frmWAV window(
        audioFile_, values_, [this](const QString &d) { showDescription(wavDescription_, d); },
        this);
    window.exec();
}

void Form2::openVox() {
    frmVOX window(
        audioFile_, values_, [this](const QString &d) { showDescription(voxDescription_, d); },
        this);
    window.exec();
}

void Form2::openOgg() {
    frmOgg window(
        audioFile_, values_, [this](const QString &d) { showDescription(oggDescription_, d); },
        this);
    window.exec();
}

void Form2::openRaw() {
    frmRAW window(
        audioFile_, values_, [this](const QString &d) { showDescription(rawDescription_, d); },
        this);
    window.exec();
}

void Form2::openG726() {
    frmG726 window(
        audioFile_, values_, [this](const QString &d) { showDescription(g726Description_, d); },
        this);
    window.exec();
}

void Form2::saveAndApply() {
    // What is stored is what is applied: the same values, brought into range the same way,
    // reach the recorder now and at the next start.
    const FilterSettings filters = shownFilters();
    filters.write(Inifun::settingsFile());
    filters.applyTo(recorder_);
    accept();
}

void Form2::reject() {
    if (autoGainWasOn_)
        recorder_.SetAutoGainEnabled(true);
    autoGainWasOn_ = false;
    QDialog::reject();
}

} // namespace pelvanto
