#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace pelvanto {

// The About window.
class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);

public slots:
    void Command1_Click(); // Exit

private:
    QLabel *Label1 = nullptr;
    QLabel *lblWeb = nullptr;
    QPushButton *Command1 = nullptr;
};

} // namespace pelvanto
