#include "FModMessageBox.h"

#include "platform/MessageBox.h"

namespace pelvanto {

namespace {
const QString kCaption = QStringLiteral("FMOD Error");
} // namespace

void FModMessageBox::showError(const QString &text) {
    MessageBox::show(parent_, text, QMessageBox::Critical, QMessageBox::Ok, kCaption);
}

void FModMessageBox::showWarning(const QString &text) {
    MessageBox::show(parent_, text, QMessageBox::Warning, QMessageBox::Ok, kCaption);
}

} // namespace pelvanto
