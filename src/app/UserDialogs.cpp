#include "UserDialogs.h"

#include "platform/MessageBox.h"

#include <QFileDialog>
#include <QInputDialog>

namespace pelvanto {

namespace {
UserDialogs::OpenResponder &openResponder() {
    static UserDialogs::OpenResponder r;
    return r;
}
UserDialogs::SaveResponder &saveResponder() {
    static UserDialogs::SaveResponder r;
    return r;
}
UserDialogs::InputResponder &inputResponder() {
    static UserDialogs::InputResponder r;
    return r;
}
} // namespace

QStringList UserDialogs::openFiles(QWidget *parent, const QString &title, const QString &filter) {
    if (openResponder())
        return openResponder()(title, filter);
    return QFileDialog::getOpenFileNames(parent, title, {}, filter, nullptr,
                                         QFileDialog::DontResolveSymlinks);
}

QString UserDialogs::saveFile(QWidget *parent, const QString &title, const QString &filter) {
    if (saveResponder())
        return saveResponder()(title, filter);
    // The name is used exactly as chosen (no extension added); choosing an
    // existing project replaces it.
    return QFileDialog::getSaveFileName(parent, title, {}, filter, nullptr,
                                        QFileDialog::DontResolveSymlinks |
                                            QFileDialog::DontConfirmOverwrite);
}

std::optional<QString> UserDialogs::inputText(QWidget *parent, const QString &prompt,
                                              const QString &initial) {
    if (inputResponder())
        return inputResponder()(prompt, initial);
    bool ok = false;
    const QString text = QInputDialog::getText(parent, QString::fromLatin1(kAppTitle), prompt,
                                               QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

void UserDialogs::setOpenResponder(OpenResponder responder) {
    openResponder() = std::move(responder);
}
void UserDialogs::setSaveResponder(SaveResponder responder) {
    saveResponder() = std::move(responder);
}
void UserDialogs::setInputResponder(InputResponder responder) {
    inputResponder() = std::move(responder);
}

} // namespace pelvanto
