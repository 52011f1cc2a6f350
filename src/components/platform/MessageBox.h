#pragma once

#include "platform/MessageIcon.h"

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

namespace pelvanto {

inline constexpr const char *kAppTitle = "Pelvanto";

// A modal message box captioned with the application title.
class MessageBox {
public:
    using Responder = std::function<QMessageBox::StandardButton(
        const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons buttons)>;

    static QMessageBox::StandardButton
    show(QWidget *parent, const QString &text, QMessageBox::Icon icon = QMessageBox::Information,
         QMessageBox::StandardButtons buttons = QMessageBox::Ok,
         const QString &caption = QString::fromLatin1(kAppTitle));

    static QMessageBox::StandardButton show(QWidget *parent, const QString &text, MessageIcon icon);

    // Tests answer message boxes instead of a person; pass an empty responder to restore.
    static void setResponder(Responder responder);
};

} // namespace pelvanto
