#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QWidget;

namespace pelvanto {

// The file dialogs and the input box of the main window. Tests answer them
// instead of a person, as MessageBox::setResponder does for message boxes.
class UserDialogs {
public:
    // Chosen files; empty when cancelled.
    using OpenResponder = std::function<QStringList(const QString &title, const QString &filter)>;
    // Chosen file; empty when cancelled.
    using SaveResponder = std::function<QString(const QString &title, const QString &filter)>;
    // The answer; nothing when cancelled.
    using InputResponder =
        std::function<std::optional<QString>(const QString &prompt, const QString &initial)>;

    static QStringList openFiles(QWidget *parent, const QString &title, const QString &filter);
    static QString saveFile(QWidget *parent, const QString &title, const QString &filter);
    static std::optional<QString> inputText(QWidget *parent, const QString &prompt,
                                            const QString &initial);

    // Empty functions restore the real dialogs.
    static void setOpenResponder(OpenResponder responder);
    static void setSaveResponder(SaveResponder responder);
    static void setInputResponder(InputResponder responder);
};

} // namespace pelvanto
