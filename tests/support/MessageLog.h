#pragma once

// Answers the program's message boxes for the life of the object and records them. Needs
// pelvanto_components_ui.

#include "platform/MessageBox.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace testsupport {

struct ShownMessage {
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

class MessageLog {
public:
    QList<ShownMessage> messages;
    // The button every box is answered with.
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    // Runs for each box as it is shown, before it is answered.
    std::function<void(const ShownMessage &)> onMessage;

    MessageLog() {
        pelvanto::MessageBox::setResponder([this](const QString &text, QMessageBox::Icon icon,
                                                  QMessageBox::StandardButtons buttons) {
            messages.append({text, icon, buttons});
            if (onMessage)
                onMessage(messages.last());
            return answer;
        });
    }
    ~MessageLog() { pelvanto::MessageBox::setResponder({}); }
    MessageLog(const MessageLog &) = delete;
    MessageLog &operator=(const MessageLog &) = delete;

    QStringList texts() const {
        QStringList out;
        for (const ShownMessage &m : messages)
            out << m.text;
        return out;
    }
    void clear() { messages.clear(); }
};

} // namespace testsupport
