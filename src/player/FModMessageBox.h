#pragma once

#include "FModNotifier.h"

#include <QPointer>
#include <QWidget>

namespace pelvanto {

// Message boxes captioned "FMOD Error" over the given window.
class FModMessageBox : public FModNotifier {
public:
    explicit FModMessageBox(QWidget *parent = nullptr) : parent_(parent) {}
    void showError(const QString &text) override;
    void showWarning(const QString &text) override;

private:
    QPointer<QWidget> parent_;
};

} // namespace pelvanto
