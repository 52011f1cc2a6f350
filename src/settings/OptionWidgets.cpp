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
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAutoRepeat(true);
    m_down->setAutoRepeat(true);
    for (QToolButton *b : {m_up, m_down}) {
        b->setFixedSize(20, 12);
        b->setStyleSheet(QStringLiteral("padding: 0px;"));
    }
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setValue(int value) {
    const int v = std::clamp(value, m_min, m_max);
    if (v == m_value)
        return;
    m_value = v;
    if (m_buddy != nullptr && !m_takingText) {
        const QSignalBlocker block(m_buddy);
        m_buddy->setText(QString::number(m_value));
    }
    emit valueChanged(m_value);
}

void UpDown::setRange(int minimum, int maximum) {
    m_min = minimum;
    m_max = std::max(minimum, maximum);
    setValue(m_value);
}

void UpDown::setBuddy(QLineEdit *buddy) {
    m_buddy = buddy;
    if (m_buddy != nullptr)
        connect(m_buddy, &QLineEdit::textChanged, this, &UpDown::takeBuddyText);
}

void UpDown::stepBy(int steps) {
    const long long target =
        static_cast<long long>(m_value) + static_cast<long long>(steps) * m_step;
    setValue(static_cast<int>(std::clamp<long long>(target, m_min, m_max)));
}

void UpDown::takeBuddyText(const QString &text) {
    const auto number = settingsvalue::toInt32(text);
    if (!number)
        return;
    m_takingText = true;
    setValue(*number);
    m_takingText = false;
}

} // namespace pelvanto
