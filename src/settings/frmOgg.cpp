#include "frmOgg.h"

#include "FormatValues.h"
#include "Inifun.h"
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "audiofile/AudioFile.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <array>

namespace pelvanto {

namespace {

namespace sv = settingsvalue;

constexpr std::array<int, 6> kBitrates = {112, 128, 160, 192, 256, 320};
constexpr int kFallbackPosition = 2;
constexpr qint16 kFallbackBitrate = 128;
constexpr qint16 kDefaultQuality = 300;
constexpr int kQualityMaximum = 1000;

QSlider *bitrateSlider(QWidget *parent, const char *name) {
    auto *s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(QLatin1String(name));
    s->setRange(1, static_cast<int>(kBitrates.size()));
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

QString read(const char *key) {
    return Inifun::ReadIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Ogg),
                           QString::fromLatin1(key));
}

void write(const char *key, const QString &value) {
    Inifun::WriteIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Ogg),
                     QString::fromLatin1(key), value);
}

void setQuietly(QSlider *slider, int value) {
    const QSignalBlocker block(slider);
    slider->setValue(value);
}

} // namespace

int frmOgg::bitrateAt(int position) {
    return position >= 1 && position <= static_cast<int>(kBitrates.size())
               ? kBitrates[static_cast<size_t>(position - 1)]
               : 0;
}

int frmOgg::positionOf(int kbps) {
    for (size_t i = 0; i < kBitrates.size(); ++i)
        if (kBitrates[i] == kbps)
            return static_cast<int>(i) + 1;
    return 0;
}

frmOgg::frmOgg(AudioFile &file, FormatValues &values, DescriptionSink describe, QWidget *parent)
    : QDialog(parent), m_file(file), m_values(values), m_describe(std::move(describe)) {
    setObjectName(QStringLiteral("frmOgg"));
    setWindowTitle(QStringLiteral("Ogg Vorbis Option"));

    auto *option = new QGroupBox(QStringLiteral("Option"), this);
    option->setObjectName(QStringLiteral("frmOption"));
    auto *optionLayout = new QVBoxLayout(option);
    m_chVbr = new QCheckBox(QStringLiteral("VBR Enabled"), option);
    m_chVbr->setObjectName(QStringLiteral("chVbr"));
    m_chQuality = new QCheckBox(QStringLiteral("Quality Enabled"), option);
    m_chQuality->setObjectName(QStringLiteral("chQuality"));
    m_lblBitrate = label(option, "lblBitrate", QStringLiteral("Bitrate"));
    m_sldrBitrate = bitrateSlider(option, "sldrBitrate");
    optionLayout->addWidget(m_chVbr);
    optionLayout->addWidget(m_chQuality);
    optionLayout->addWidget(m_lblBitrate);
    optionLayout->addWidget(m_sldrBitrate);

    m_frmVbr = new QGroupBox(QStringLiteral("VBR"), this);
    m_frmVbr->setObjectName(QStringLiteral("frmVbr"));
    auto *vbrLayout = new QVBoxLayout(m_frmVbr);
    m_lblMin = label(m_frmVbr, "lblMinBitrate", QStringLiteral("MinBitrate"));
    m_sldrMin = bitrateSlider(m_frmVbr, "sldrMinBitrate");
    m_lblMax = label(m_frmVbr, "lblMaxBitrate", QStringLiteral("MaxBitrate"));
    m_sldrMax = bitrateSlider(m_frmVbr, "sldrMaxBitrate");
    vbrLayout->addWidget(m_lblMin);
    vbrLayout->addWidget(m_sldrMin);
    vbrLayout->addWidget(m_lblMax);
    vbrLayout->addWidget(m_sldrMax);

    m_frmQuality = new QGroupBox(QStringLiteral("Quality (Compression)"), this);
    m_frmQuality->setObjectName(QStringLiteral("frmQuality"));
    auto *qualityLayout = new QVBoxLayout(m_frmQuality);
    m_sldrQuality = new QSlider(Qt::Horizontal, m_frmQuality);
    m_sldrQuality->setObjectName(QStringLiteral("sldrQuality"));
    m_sldrQuality->setRange(0, kQualityMaximum);
    m_sldrQuality->setPageStep(100);
    qualityLayout->addWidget(m_sldrQuality);

    auto *ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(option);
    layout->addWidget(m_frmVbr);
    layout->addWidget(m_frmQuality);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &frmOgg::ok);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_chVbr, &QCheckBox::toggled, this, &frmOgg::vbrClicked);
    connect(m_chQuality, &QCheckBox::toggled, this, &frmOgg::qualityClicked);
    connect(m_sldrBitrate, &QSlider::valueChanged, this, [this](int position) {
        m_values.oggBitrate = static_cast<qint16>(bitrateAt(position));
        m_lblBitrate->setText(
            kbitText(QStringLiteral("Current nominal oggBitrate: "), m_values.oggBitrate));
        m_sldrBitrate->setToolTip(QString::number(m_values.oggBitrate));
    });
    connect(m_sldrMin, &QSlider::valueChanged, this, [this](int position) {
        m_values.oggMinBitrate = static_cast<qint16>(bitrateAt(position));
        m_lblMin->setText(
            kbitText(QStringLiteral("Current min oggBitrate: "), m_values.oggMinBitrate));
        m_sldrMin->setToolTip(QString::number(m_values.oggMinBitrate));
    });
    connect(m_sldrMax, &QSlider::valueChanged, this, [this](int position) {
        m_values.oggMaxBitrate = static_cast<qint16>(bitrateAt(position));
        m_lblMax->setText(
            kbitText(QStringLiteral("Current max oggBitrate: "), m_values.oggMaxBitrate));
        m_sldrMax->setToolTip(QString::number(m_values.oggMaxBitrate));
    });
    connect(m_sldrQuality, &QSlider::valueChanged, this, [this](int value) {
        m_values.oggQuality = static_cast<qint16>(value);
        m_sldrQuality->setToolTip(QString::number(value / 100.0));
    });

    Skin::applyTo(this);
    load();
}

void frmOgg::load() {
    m_values.oggMaxBitrate = kFallbackBitrate;
    m_values.oggVbr = 0;
    m_values.oggQuality = kDefaultQuality;
    m_values.oggQualityMode = 0;

    setQuietly(m_sldrMin, kFallbackPosition);
    setQuietly(m_sldrMax, kFallbackPosition);
    m_lblMin->setText(kbitText(QStringLiteral("Current min Bitrate: "), m_values.oggMinBitrate));
    m_lblMax->setText(kbitText(QStringLiteral("Current max Bitrate: "), m_values.oggMaxBitrate));

    // Clearing a box runs its rule even when it was clear already.
    m_chVbr->setChecked(false);
    vbrClicked();
    m_chQuality->setChecked(false);
    qualityClicked();
    setQuietly(m_sldrQuality, kDefaultQuality);

    // A nominal bit rate that is not offered keeps its value; the slider shows 128. No bit
    // rate at all (nothing stored yet) is the 128 the slider shows, which the encoder would
    // use anyway.
    if (const auto v = sv::toInt16(read(keys::OggBitrate)))
        m_values.oggBitrate = *v;
    if (m_values.oggBitrate <= 0)
        m_values.oggBitrate = kFallbackBitrate;
    const int nominalAt = positionOf(m_values.oggBitrate);
    setQuietly(m_sldrBitrate, nominalAt > 0 ? nominalAt : kFallbackPosition);
    m_lblBitrate->setText(
        kbitText(QStringLiteral("Current nominal Bitrate: "), m_values.oggBitrate));
    m_sldrBitrate->setToolTip(QString::number(m_values.oggBitrate));

    // Minimum and maximum not offered fall back to 128.
    const auto pickLimit = [](const QString &text) {
        const auto v = sv::toInt16(text);
        return v && positionOf(*v) > 0 ? *v : kFallbackBitrate;
    };
    m_values.oggMinBitrate = pickLimit(read(keys::OggMinBitrate));
    setQuietly(m_sldrMin, positionOf(m_values.oggMinBitrate));
    m_lblMin->setText(kbitText(QStringLiteral("Current min oggBitrate: "), m_values.oggMinBitrate));
    m_sldrMin->setToolTip(QString::number(m_values.oggMinBitrate));
    m_values.oggMaxBitrate = pickLimit(read(keys::OggMaxBitrate));
    setQuietly(m_sldrMax, positionOf(m_values.oggMaxBitrate));
    m_lblMax->setText(kbitText(QStringLiteral("Current max oggBitrate: "), m_values.oggMaxBitrate));
    m_sldrMax->setToolTip(QString::number(m_values.oggMaxBitrate));

    // The stored quality is what the slider shows and what OK stores again (limited to the
    // slider's range).
    if (const auto v = sv::toInt16(read(keys::OggQuality))) {
        setQuietly(m_sldrQuality, *v);
        m_values.oggQuality = static_cast<qint16>(m_sldrQuality->value());
    }
    m_sldrQuality->setToolTip(QString::number(m_sldrQuality->value() / 100.0));

    m_chVbr->setChecked(sv::toInt16(read(keys::OggVbrEnabled)) == qint16{1});
    vbrClicked();
    m_chQuality->setChecked(sv::toInt16(read(keys::OggQualityEnabled)) == qint16{1});
    qualityClicked();
}

void frmOgg::qualityClicked() {
    const bool quality = m_chQuality->isChecked();
    if (quality) {
        for (QWidget *w :
             std::initializer_list<QWidget *>{m_chVbr, m_frmVbr, m_sldrBitrate, m_sldrMin,
                                              m_sldrMax, m_lblBitrate, m_lblMin, m_lblMax})
            w->setEnabled(false);
        m_frmQuality->setEnabled(true);
        m_sldrQuality->setEnabled(true);
    } else {
        m_frmQuality->setEnabled(false);
        m_sldrQuality->setEnabled(false);
        m_chVbr->setEnabled(true);
        m_lblBitrate->setEnabled(true);
        m_sldrBitrate->setEnabled(true);
        vbrClicked();
    }
    m_values.oggQualityMode = quality ? 1 : 0;
}

void frmOgg::vbrClicked() {
    const bool vbr = m_chVbr->isChecked();
    for (QWidget *w :
         std::initializer_list<QWidget *>{m_frmVbr, m_sldrMin, m_sldrMax, m_lblMin, m_lblMax})
        w->setEnabled(vbr);
    m_values.oggVbr = vbr ? 1 : 0;
}

void frmOgg::ok() {
    write(keys::OggBitrate, QString::number(m_values.oggBitrate));
    write(keys::OggMinBitrate, QString::number(m_values.oggMinBitrate));
    write(keys::OggMaxBitrate, QString::number(m_values.oggMaxBitrate));
    write(keys::OggQuality, QString::number(m_values.oggQuality));
    write(keys::OggVbrEnabled, m_chVbr->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    write(keys::OggQualityEnabled,
          m_chQuality->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    m_values.applyOgg(m_file);
    if (m_describe)
        m_describe(m_file.FormatDescription());
    accept();
}

} // namespace pelvanto
