#include "frmAdv.h"

#include "OptionWidgets.h"
#include "capture/AudioRecord.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QVBoxLayout>

#include <cstdlib>

namespace pelvanto {

namespace {
constexpr int kSwitchWidthTwips = 3750;
constexpr int kLevelWidthTwips = 5520;
constexpr int kSliderMaximum = 65535;
} // namespace

frmAdv::frmAdv(AudioRecord &record, QWidget *parent)
    : QDialog(parent), m_record(record), m_list(new QComboBox(this)), m_check(new QCheckBox(this)),
      m_slider(new QSlider(Qt::Horizontal, this)) {
    setObjectName(QStringLiteral("frmAdv"));
    setWindowTitle(QStringLiteral("Advanced Propities"));
    m_list->setObjectName(QStringLiteral("Combo1"));
    m_check->setObjectName(QStringLiteral("Check1"));
    m_slider->setObjectName(QStringLiteral("Slider1"));
    m_slider->setRange(0, kSliderMaximum);
    m_slider->setPageStep(kSliderMaximum / 20);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    layout->addWidget(m_check);
    layout->addWidget(m_slider);
    layout->addStretch();

    Skin::applyTo(this);
    setWindowTitle(m_record.SourceName() + QStringLiteral(": Advanced Properties"));
    const int last = m_record.LastAdvancedControl();
    for (int i = 0; i <= last; ++i)
        m_list->addItem(m_record.AdvancedControlName(i));

    connect(m_list, &QComboBox::currentIndexChanged, this, &frmAdv::showControl);
    connect(m_check, &QCheckBox::clicked, this, &frmAdv::checkClicked);
    connect(m_slider, &QSlider::valueChanged, this, &frmAdv::sliderChanged);
    if (m_list->count() > 0) {
        m_list->setCurrentIndex(0);
        showControl(0);
    }
}

void frmAdv::showControl(int index) {
    if (index < 0)
        return;
    const QVariant value = m_record.AdvancedControlValue(index);
    if (value.typeId() == QMetaType::Bool) {
        m_slider->hide();
        m_check->show();
        setFixedWidth(twipsToPixels(this, kSwitchWidthTwips));
    } else if (value.typeId() == QMetaType::Int) {
        m_slider->show();
        m_check->hide();
        setFixedWidth(twipsToPixels(this, kLevelWidthTwips));
    } else {
        return;
    }
    showValue(value);
}

void frmAdv::showValue(const QVariant &value) {
    if (value.typeId() == QMetaType::Bool) {
        m_check->setChecked(value.toBool());
    } else if (value.typeId() == QMetaType::Int) {
        const QSignalBlocker block(m_slider);
        m_slider->setValue(static_cast<int>(std::llabs(static_cast<qint64>(value.toInt()))));
    }
}

void frmAdv::checkClicked(bool checked) {
    const int index = m_list->currentIndex();
    if (index < 0)
        return;
    m_record.SetAdvancedControlValue(index, QVariant(checked));
    const QVariant back = m_record.AdvancedControlValue(index);
    m_check->setChecked(back.toBool());
}

void frmAdv::sliderChanged(int value) {
    const int index = m_list->currentIndex();
    if (index < 0)
        return;
    m_record.SetAdvancedControlValue(index, QVariant(static_cast<qint32>(value)));
    showValue(m_record.AdvancedControlValue(index));
}

} // namespace pelvanto
