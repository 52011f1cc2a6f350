#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
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
    // OK: refuses an empty file name, otherwise stores the four keys and closes.
    void saveAndClose();
    // "Browse...": the chosen folder goes into the folder field.
    void browseFolder();

private:
    void load();

    QString settingsFile_;
    FolderPicker picker_;

    QLineEdit *folderEdit_ = nullptr;
    QLineEdit *prefixEdit_ = nullptr;
    QCheckBox *dateTimeBox_ = nullptr;
    QRadioButton *addNumberOption_ = nullptr;
    QRadioButton *overwriteOption_ = nullptr;
};

} // namespace pelvanto
