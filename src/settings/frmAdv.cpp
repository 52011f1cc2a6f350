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
    : QDialog(parent), recorder_(record), controlList_(new QComboBox(this)),
      switchBox_(new QCheckBox(this)), levelSlider_(new QSlider(Qt::Horizontal, this)) {
    setObjectName(QStringLiteral("frmAdv"));
    setWindowTitle(QStringLiteral("Advanced Propities"));
    controlList_->setObjectName(QStringLiteral("Combo1"));
    switchBox_->setObjectName(QStringLiteral("Check1"));
    levelSlider_->setObjectName(QStringLiteral("Slider1"));
    levelSlider_->setRange(0, kSliderMaximum);
    levelSlider_->setPageStep(kSliderMaximum / 20);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(controlList_);
    layout->addWidget(switchBox_);
    layout->addWidget(levelSlider_);
    layout->addStretch();

    Skin::applyTo(this);
    setWindowTitle(recorder_.SourceName() + QStringLiteral(": Advanced Properties"));
    const int last = recorder_.LastAdvancedControl();
    for (int i = 0; i <= last; ++i)
        controlList_->addItem(recorder_.AdvancedControlName(i));

    connect(controlList_, &QComboBox::currentIndexChanged, this, &frmAdv::showControl);
    connect(switchBox_, &QCheckBox::clicked, this, &frmAdv::changeSwitch);
    connect(levelSlider_, &QSlider::valueChanged, this, &frmAdv::changeLevel);
    if (controlList_->count() > 0) {
        controlList_->setCurrentIndex(0);
        showControl(0);
    }
}

void frmAdv::showControl(int index) {
    if (index < 0)
        return;
    const QVariant value = recorder_.AdvancedControlValue(index);
    if (value.typeId() == QMetaType::Bool) {
        levelSlider_->hide();
        switchBox_->show();
        setFixedWidth(twipsToPixels(this, kSwitchWidthTwips));
    } else if (value.typeId() == QMetaType::Int) {
        levelSlider_->show();
        switchBox_->hide();
        setFixedWidth(twipsToPixels(this, kLevelWidthTwips));
    } else {
        return;
    }
    showValue(value);
}

void frmAdv::showValue(const QVariant &value) {
    if (value.typeId() == QMetaType::Bool) {
        switchBox_->setChecked(value.toBool());
    } else if (value.typeId() == QMetaType::Int) {
        const QSignalBlocker block(levelSlider_);
        levelSlider_->setValue(static_cast<int>(std::llabs(static_cast<qint64>(value.toInt()))));
    }
}

void frmAdv::changeSwitch(bool checked) {
    const int index = controlList_->currentIndex();
    if (index < 0)
        return;
    recorder_.SetAdvancedControlValue(index, QVariant(checked));
    const QVariant back = recorder_.AdvancedControlValue(index);
    switchBox_->setChecked(back.toBool());
}

void frmAdv::changeLevel(int value) {
    const int index = controlList_->currentIndex();
    if (index < 0)
        return;
    recorder_.SetAdvancedControlValue(index, QVariant(static_cast<qint32>(value)));
    showValue(recorder_.AdvancedControlValue(index));
}

} // namespace pelvanto
