#include "OptionWidgets.h"

#include "SettingsValues.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace pelvanto {

namespace {
constexpr int kTwipsPerInch = 1440;
}

int twipsToPixels(const QWidget *widget, int twips) {
    const int dpi = widget != nullptr ? widget->logicalDpiX() : 96;
    return static_cast<int>(std::lround(static_cast<double>(twips) * dpi / kTwipsPerInch));
}

QString arrayName(const char *name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

UpDown::UpDown(QWidget *parent)
    : QWidget(parent), upButton_(new QToolButton(this)), downButton_(new QToolButton(this)) {
    upButton_->setArrowType(Qt::UpArrow);
    downButton_->setArrowType(Qt::DownArrow);
    upButton_->setAutoRepeat(true);
    downButton_->setAutoRepeat(true);
    for (QToolButton *b : {upButton_, downButton_}) {
        b->setFixedSize(20, 12);
        b->setStyleSheet(QStringLiteral("padding: 0px;"));
    }
    upButton_->setObjectName(QStringLiteral("up"));
    downButton_->setObjectName(QStringLiteral("down"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(upButton_);
    layout->addWidget(downButton_);
    connect(upButton_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(downButton_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setValue(int value) {
    const int v = std::clamp(value, minimum_, maximum_);
    if (v == value_)
        return;
    value_ = v;
    if (buddy_ != nullptr && !takingText_) {
        const QSignalBlocker block(buddy_);
        buddy_->setText(QString::number(value_));
    }
    emit valueChanged(value_);
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    setValue(value_);
}

void UpDown::setBuddy(QLineEdit *buddy) {
    buddy_ = buddy;
    if (buddy_ != nullptr)
        connect(buddy_, &QLineEdit::textChanged, this, &UpDown::takeBuddyText);
}

void UpDown::stepBy(int steps) {
    const long long target = static_cast<long long>(value_) + static_cast<long long>(steps) * step_;
    setValue(static_cast<int>(std::clamp<long long>(target, minimum_, maximum_)));
}

void UpDown::takeBuddyText(const QString &text) {
    const auto number = settingsvalue::toInt32(text);
    if (!number)
        return;
    takingText_ = true;
    setValue(*number);
    takingText_ = false;
}

} // namespace pelvanto
