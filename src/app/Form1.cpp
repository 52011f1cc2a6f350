#include "Form1.h"

#include "platform/Skin.h"

namespace pelvanto {

Form1::Form1(QWidget *parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Pelvanto v3.10 "));
    Skin::applyTo(this);
}

} // namespace pelvanto
