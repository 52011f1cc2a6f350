#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace pelvanto {

// "Output Files": output folder, file-name prefix, date-time naming and what
// to do when the plain name exists. Reads [set] when opened; writes it on OK.
class Form4 : public QDialog {
    Q_OBJECT
public:
    // Returns the chosen folder, or an empty text when the user cancels.
    using FolderPicker =
        std::function<QString(QWidget *parent, const QString &title, const QString &startFolder)>;

    // settingsFile empty: settings.dat of the program folder. An empty picker
    // uses the platform's folder dialog.
    explicit Form4(QWidget *parent = nullptr, FolderPicker picker = {},
                   const QString &settingsFile = {});

public slots:
    void Command1_Click(); // OK
    void Command2_Click(); // Cancel
    void Command4_Click(); // Browse...

private:
    void Form_Load();

    QString settingsFile_;
    FolderPicker picker_;
    QString lastFolder_; // the last folder chosen with "Browse..."

    QLineEdit *Text2 = nullptr;
    QLineEdit *Text1 = nullptr;
    QCheckBox *Check1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
};

} // namespace pelvanto
