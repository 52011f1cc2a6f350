#pragma once

#include <QDialog>

namespace pelvanto {

// The About window.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);

public slots:
    // "Exit": closes the window and brings the main window forward.
    void returnToMainWindow();
};

} // namespace pelvanto
