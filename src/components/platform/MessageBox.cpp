#include "MessageBox.h"

namespace pelvanto {

namespace {
MessageBox::Responder &responder() {
    static MessageBox::Responder r;
    return r;
}
} // namespace

QMessageBox::StandardButton MessageBox::show(QWidget *parent, const QString &text,
                                             QMessageBox::Icon icon,
                                             QMessageBox::StandardButtons buttons,
                                             const QString &caption) {
    if (responder())
        return responder()(text, icon, buttons);
    QMessageBox box(icon, caption, text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}

QMessageBox::StandardButton MessageBox::show(QWidget *parent, const QString &text,
                                             MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        break;
    case MessageIcon::Warning:
        return show(parent, text, QMessageBox::Warning);
    case MessageIcon::Critical:
        return show(parent, text, QMessageBox::Critical);
    case MessageIcon::Question:
        return show(parent, text, QMessageBox::Question);
    }
    return show(parent, text, QMessageBox::Information);
}

void MessageBox::setResponder(Responder r) {
    responder() = std::move(r);
}

} // namespace pelvanto
