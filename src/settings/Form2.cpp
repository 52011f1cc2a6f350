#include "Form2.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "OptionWidgets.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
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
constexpr int kPcmBits = 16;

QString otherKey(const char *key) {
    return Inifun::ReadIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Other),
                           QString::fromLatin1(key));
}

void writeOther(const char *key, const QString &value) {
    Inifun::WriteIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Other),
                     QString::fromLatin1(key), value);
}

QString flagText(const QCheckBox *box) {
    return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
}

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
    : QDialog(parent), m_record(record), m_file(file), m_values(values) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Formats And Filters Settings "));
    m_tabs = named(new QTabWidget(this), QStringLiteral("SSTab1"));
    m_tabs->addTab(buildMixerTab(), QStringLiteral("Mixer"));
    m_tabs->addTab(buildFormatsTab(), QStringLiteral("Formats And Filters Settings "));

    auto *ok = named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("Command1"));
    auto *cancel =
        named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("Command2"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &Form2::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);

    load();
}

QWidget *Form2::buildMixerTab() {
    auto *page = new QWidget;
    auto *pageLayout = new QHBoxLayout(page);
    m_frame14 = named(new QFrame(page), QStringLiteral("Frame14"));
    auto *row = new QHBoxLayout(m_frame14);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    const int columnWidth = twipsToPixels(this, kColumnTwips);
    for (int i = 0; i < kColumns; ++i) {
        Column c;
        c.box = new QWidget(m_frame14);
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

        connect(c.volume, &QSlider::valueChanged, this, [this, i] { volumeChanged(i); });
        connect(c.balance, &QSlider::valueChanged, this, [this, i] { balanceChanged(i); });
        connect(c.select, &QCheckBox::clicked, this, [this, i] { selectClicked(i); });
        connect(c.advanced, &QPushButton::clicked, this, [this, i] { advancedClicked(i); });
        m_columns.append(c);
    }
    m_frame14->setFixedWidth(kColumns * columnWidth);
    pageLayout->addWidget(m_frame14);
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
        {"MP3", "txtMP3", "cmdMP3", &m_txtMp3, &Form2::openMp3},
        {"WAV", "txtWAV", "cmdWAV", &m_txtWav, &Form2::openWav},
        {"VOX", "txtVOX", "cmdVOX", &m_txtVox, &Form2::openVox},
        {"OGG", "txtOGG", "cmdOgg", &m_txtOgg, &Form2::openOgg},
        {"RAW", "txtRAW", "cmdRAW", &m_txtRaw, &Form2::openRaw},
        {"G726", "txtG726", "cmdG726", &m_txtG726, &Form2::openG726},
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
                       const char *upDown, const QString &design, int minimum, int maximum,
                       int step, const QString &unit, QLineEdit **field, UpDown **ud) {
        auto *edit = named(new QLineEdit(g->parentWidget()), QString::fromLatin1(text));
        edit->setMaximumWidth(80);
        auto *arrows = named(new UpDown(g->parentWidget()), QString::fromLatin1(upDown));
        arrows->setRange(minimum, maximum);
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
    m_chNotch = named(new QCheckBox(QStringLiteral("Notch"), filters), QStringLiteral("chFilter"));
    m_chHighPass =
        named(new QCheckBox(QStringLiteral("HighPass"), filters), QStringLiteral("chFilter1"));
    m_chLowPass =
        named(new QCheckBox(QStringLiteral("LowPass"), filters), QStringLiteral("chFilter2"));
    const QString hz = QStringLiteral("Hz");
    valueRow(fg, 0, m_chNotch, "txtNotchFreq", "udNotchFreq", QStringLiteral("50"), 40, 200, 10, hz,
             &m_txtNotch, &m_udNotch);
    valueRow(fg, 1, m_chHighPass, "txtHighPassFreq", "udHighPassFreq", QStringLiteral("400"), 100,
             44100, 100, hz, &m_txtHighPass, &m_udHighPass);
    valueRow(fg, 2, m_chLowPass, "txtLowPassFreq", "udLowPassFreq", QStringLiteral("4000"), 100,
             44100, 100, hz, &m_txtLowPass, &m_udLowPass);

    auto *gain =
        named(new QGroupBox(QStringLiteral("Auto Gain Control"), page), QStringLiteral("Frame7"));
    auto *gg = new QGridLayout(gain);
    m_chAutoGain =
        named(new QCheckBox(QStringLiteral("Enabled"), gain), QStringLiteral("chAutoGainControl"));
    gg->addWidget(m_chAutoGain, 0, 0, 1, 3);
    valueRow(gg, 1, new QLabel(QStringLiteral("Low Level:"), gain), "txtAGCLowLevel",
             "udAGCLowLevel", QString(), -90, 0, 1, QString(), &m_txtLow, &m_udLow);
    valueRow(gg, 2, new QLabel(QStringLiteral("High Level:"), gain), "txtAGCHighLevel",
             "udAGCHighLevel", QString(), -90, 0, 1, QString(), &m_txtHigh, &m_udHigh);
    valueRow(gg, 3, new QLabel(QStringLiteral("AttackTime:"), gain), "txtAGCAttackTime",
             "udAGCAttackTime", QString(), 50, 200, 1, QString(), &m_txtAttack, &m_udAttack);

    for (QCheckBox *box : {m_chNotch, m_chHighPass, m_chLowPass, m_chAutoGain})
        connect(box, &QCheckBox::toggled, this, &Form2::filterToggled);
    filterToggled();

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
    if (m_record.DeviceCount() >= 1) {
        loadMixer();
        m_record.SetAutoGainEnabled(false);
        m_udLow->setValue(m_record.AutoGainLowLevel());
        m_udHigh->setValue(m_record.AutoGainHighLevel());
        m_udAttack->setValue(m_record.AutoGainAttackTime());
        m_txtAttack->setText(QString::number(m_record.AutoGainAttackTime()));
    } else {
        for (Column &c : m_columns)
            c.box->hide();
        m_frame14->setFixedWidth(0);
    }
    describeFormats();
    loadFilters();
}

void Form2::loadMixer() {
    const int remembered = m_record.CurrentSource();
    const int last = std::min(m_record.SourceCount(), kColumns - 1);
    m_shown = std::max(last + 1, 0);
    for (int i = 0; i < kColumns; ++i) {
        Column &c = m_columns[i];
        if (i >= m_shown) {
            c.box->hide();
            continue;
        }
        c.box->show();
        m_record.SetCurrentSource(i);
        c.name->setText(m_record.SourceName());
        {
            const QSignalBlocker block(c.volume);
            c.volume->setEnabled(m_record.SourceHasVolume());
            c.volume->setValue(kVolumeMaximum - m_record.SourceVolume());
        }
        {
            const QSignalBlocker block(c.balance);
            c.balance->setEnabled(m_record.SourceHasBalance());
            c.balance->setValue(m_record.SourceBalance());
        }
        c.select->setEnabled(m_record.SourceSelectable());
        c.select->setChecked(m_record.SourceSelected());
        c.advanced->setVisible(m_record.LastAdvancedControl() >= 0);
    }
    m_frame14->setFixedWidth(m_shown * twipsToPixels(this, kColumnTwips));
    m_record.SetCurrentSource(remembered);
}

void Form2::describeFormats() {
    const FormatValues &v = m_values;
    m_file.SetMp3Format(v.mp3Frequency, v.mp3Bitrate, v.mp3Channels);
    showDescription(m_txtMp3, m_file.FormatDescription());
    if (v.wavFormatChosen) {
        showDescription(m_txtWav, AudioFile::DescribeWavFormat(m_file.CurrentWavFormat()));
    } else {
        m_file.SetPcmFormat(v.wavFrequency, v.wavChannels, kPcmBits);
        showDescription(m_txtWav, m_file.FormatDescription());
    }
    m_file.SetVoxFormat(v.voxFrequency);
    showDescription(m_txtVox, m_file.FormatDescription());
    m_file.SetRawFormat(v.rawCoding, v.rawFrequency, v.rawChannels, kPcmBits);
    showDescription(m_txtRaw, m_file.FormatDescription());
    m_file.SetG726Format(v.g726Frequency, v.g726Bits);
    showDescription(m_txtG726, m_file.FormatDescription());
    v.applyOgg(m_file);
    showDescription(m_txtOgg, m_file.FormatDescription());
}

void Form2::loadFilters() {
    using settingsvalue::flagIsOn;
    m_chNotch->setChecked(flagIsOn(otherKey(keys::Notch)));
    m_txtNotch->setText(otherKey(keys::NotchText));
    m_chHighPass->setChecked(flagIsOn(otherKey(keys::HighPass)));
    m_txtHighPass->setText(otherKey(keys::HighPassText));
    m_chLowPass->setChecked(flagIsOn(otherKey(keys::LowPass)));
    m_txtLowPass->setText(otherKey(keys::LowPassText));
    m_chAutoGain->setChecked(flagIsOn(otherKey(keys::AutoGain)));
    m_txtLow->setText(otherKey(keys::LowLevel));
    m_txtHigh->setText(otherKey(keys::HighLevel));
    m_txtAttack->setText(otherKey(keys::AttackTime));
    filterToggled();
}

void Form2::filterToggled() {
    const auto enable = [](bool on, QLineEdit *text, UpDown *ud) {
        text->setEnabled(on);
        ud->setEnabled(on);
    };
    enable(m_chNotch->isChecked(), m_txtNotch, m_udNotch);
    enable(m_chHighPass->isChecked(), m_txtHighPass, m_udHighPass);
    enable(m_chLowPass->isChecked(), m_txtLowPass, m_udLowPass);
    const bool gain = m_chAutoGain->isChecked();
    enable(gain, m_txtLow, m_udLow);
    enable(gain, m_txtHigh, m_udHigh);
    enable(gain, m_txtAttack, m_udAttack);
}

void Form2::volumeChanged(int line) {
    QSlider *slider = m_columns[line].volume;
    m_record.SetCurrentSource(line);
    m_record.SetSourceVolume(kVolumeMaximum - slider->value());
    const QSignalBlocker block(slider);
    slider->setValue(kVolumeMaximum - m_record.SourceVolume());
}

void Form2::balanceChanged(int line) {
    QSlider *slider = m_columns[line].balance;
    m_record.SetCurrentSource(line);
    m_record.SetSourceBalance(slider->value());
    const QSignalBlocker block(slider);
    slider->setValue(m_record.SourceBalance());
}

void Form2::selectClicked(int line) {
    const int remembered = m_record.CurrentSource();
    m_record.SetCurrentSource(line);
    m_record.SetSourceSelected(m_columns[line].select->isChecked());
    for (int i = 0; i < m_shown; ++i) {
        m_record.SetCurrentSource(i);
        m_columns[i].select->setChecked(m_record.SourceSelected());
    }
    m_record.SetCurrentSource(remembered);
}

void Form2::advancedClicked(int line) {
    m_record.SetCurrentSource(line);
    frmAdv window(m_record, this);
    window.exec();
}

void Form2::openMp3() {
    frmMP3 window(
        m_file, m_values, [this](const QString &d) { showDescription(m_txtMp3, d); }, this);
    window.exec();
}

void Form2::openWav() {
    frmWAV window(
        m_file, m_values, [this](const QString &d) { showDescription(m_txtWav, d); }, this);
    window.exec();
}

void Form2::openVox() {
    frmVOX window(
        m_file, m_values, [this](const QString &d) { showDescription(m_txtVox, d); }, this);
    window.exec();
}

void Form2::openOgg() {
    frmOgg window(
        m_file, m_values, [this](const QString &d) { showDescription(m_txtOgg, d); }, this);
    window.exec();
}

void Form2::openRaw() {
    frmRAW window(
        m_file, m_values, [this](const QString &d) { showDescription(m_txtRaw, d); }, this);
    window.exec();
}

void Form2::openG726() {
    frmG726 window(
        m_file, m_values, [this](const QString &d) { showDescription(m_txtG726, d); }, this);
    window.exec();
}

void Form2::ok() {
    writeOther(keys::Notch, flagText(m_chNotch));
    writeOther(keys::NotchText, m_txtNotch->text());
    writeOther(keys::HighPass, flagText(m_chHighPass));
    writeOther(keys::HighPassText, m_txtHighPass->text());
    writeOther(keys::LowPass, flagText(m_chLowPass));
    writeOther(keys::LowPassText, m_txtLowPass->text());
    writeOther(keys::AutoGain, flagText(m_chAutoGain));
    writeOther(keys::LowLevel, m_txtLow->text());
    writeOther(keys::HighLevel, m_txtHigh->text());
    writeOther(keys::AttackTime, m_txtAttack->text());

    struct Filter {
        QCheckBox *box;
        UpDown *frequency;
        void (AudioRecord::*enable)(bool);
        void (AudioRecord::*setFrequency)(float);
    };
    const Filter filters[] = {
        {m_chNotch, m_udNotch, &AudioRecord::SetNotchEnabled, &AudioRecord::SetNotchFrequency},
        {m_chHighPass, m_udHighPass, &AudioRecord::SetHighPassEnabled,
         &AudioRecord::SetHighPassFrequency},
        {m_chLowPass, m_udLowPass, &AudioRecord::SetLowPassEnabled,
         &AudioRecord::SetLowPassFrequency},
    };
    for (const Filter &f : filters) {
        const bool on = f.box->isChecked();
        (m_record.*f.enable)(on);
        if (on)
            (m_record.*f.setFrequency)(static_cast<float>(f.frequency->value()));
    }
    if (m_chAutoGain->isChecked()) {
        m_record.SetAutoGainEnabled(true);
        m_record.SetAutoGainHighLevel(m_udHigh->value());
        m_record.SetAutoGainLowLevel(m_udLow->value());
        m_record.SetAutoGainAttackTime(m_udAttack->value());
    } else {
        m_record.SetAutoGainEnabled(false);
    }
    accept();
}

} // namespace pelvanto
