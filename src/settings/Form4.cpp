#include "Form4.h"

#include "Inifun.h"
#include "OutputFileSettings.h"
#include "platform/MessageBox.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

template <typename W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QString systemFolderPicker(QWidget *parent, const QString &title, const QString &startFolder) {
    return QFileDialog::getExistingDirectory(parent, title, startFolder, QFileDialog::ShowDirsOnly);
}

} // namespace

Form4::Form4(QWidget *parent, FolderPicker picker, const QString &settingsFile)
    : QDialog(parent),
      settingsFile_(settingsFile.isEmpty() ? Inifun::settingsFile() : settingsFile),
      picker_(picker ? std::move(picker) : FolderPicker(systemFolderPicker)) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Output Files"));
    setModal(true);

    auto *namingFrame =
        named(new QGroupBox(QStringLiteral("Save Recording Sound Files to"), this), "Frame1");
    auto *folderLabel =
        named(new QLabel(QStringLiteral("Output Folder"), namingFrame), "SkinLabel1");
    folderEdit_ = named(new QLineEdit(namingFrame), "Text2");
    auto *browseButton =
        named(new QPushButton(QStringLiteral("Browse..."), namingFrame), "Command4");
    auto *prefixLabel = named(new QLabel(QStringLiteral("File Name"), namingFrame), "SkinLabel2");
    prefixEdit_ = named(new QLineEdit(QStringLiteral("Recorded"), namingFrame), "Text1");
    auto *plusLabel = named(new QLabel(QStringLiteral("+"), namingFrame), "SkinLabel3");
    dateTimeBox_ = named(new QCheckBox(QStringLiteral("Date + Time"), namingFrame), "Check1");

    auto *grid = new QGridLayout(namingFrame);
    grid->addWidget(folderLabel, 0, 0);
    grid->addWidget(folderEdit_, 0, 1, 1, 3);
    grid->addWidget(browseButton, 0, 4);
    grid->addWidget(prefixLabel, 1, 0);
    grid->addWidget(prefixEdit_, 1, 1);
    grid->addWidget(plusLabel, 1, 2);
    grid->addWidget(dateTimeBox_, 1, 3, 1, 2);
    grid->setColumnStretch(1, 1);

    auto *existingFileFrame =
        named(new QGroupBox(QStringLiteral("If same as an existed file"), this), "Frame2");
    addNumberOption_ =
        named(new QRadioButton(QStringLiteral("Add number after filename"), existingFileFrame),
              "Option1");
    overwriteOption_ =
        named(new QRadioButton(QStringLiteral("Overwrite the existed file"), existingFileFrame),
              "Option2");
    auto *options = new QVBoxLayout(existingFileFrame);
    options->addWidget(addNumberOption_);
    options->addWidget(overwriteOption_);

    auto *okButton = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    auto *cancelButton = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    auto *reloadButton = named(new QPushButton(QStringLiteral("Reload"), this), "Command3");
    okButton->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(reloadButton);
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(namingFrame);
    layout->addWidget(existingFileFrame);
    layout->addLayout(buttons);
    setMinimumWidth(480);

    connect(okButton, &QPushButton::clicked, this, &Form4::saveAndClose);
    connect(cancelButton, &QPushButton::clicked, this, &Form4::reject);
    connect(browseButton, &QPushButton::clicked, this, &Form4::browseFolder);
    // "Reload" has no action.

    load();
}

void Form4::load() {
    Skin::applyTo(this);
    const OutputFileSettings stored = OutputFileSettings::read(settingsFile_);
    folderEdit_->setText(stored.effectiveFolder());
    prefixEdit_->setText(OutputFileSettings::shownPrefix(stored.prefix));
    dateTimeBox_->setChecked(stored.dateTime);
    addNumberOption_->setChecked(!stored.overwrite);
    overwriteOption_->setChecked(stored.overwrite);
}

void Form4::saveAndClose() {
    const QString prefix = prefixEdit_->text().trimmed();
    if (prefix.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Please enter audio file name."),
                         QMessageBox::Critical);
        return;
    }
    // A value cut or split on its way into settings.dat would send recordings elsewhere.
    const QString folderProblem = Inifun::unstorableReason(folderEdit_->text());
    const QString prefixProblem = Inifun::unstorableReason(prefix);
    if (!folderProblem.isEmpty() || !prefixProblem.isEmpty()) {
        MessageBox::show(this,
                         folderProblem.isEmpty()
                             ? QStringLiteral("The file name cannot be stored: ") + prefixProblem +
                                   QStringLiteral(". Please enter a shorter file name.")
                             : QStringLiteral("The output folder cannot be stored: ") +
                                   folderProblem +
                                   QStringLiteral(". Please choose another folder."),
                         QMessageBox::Critical);
        return;
    }
    OutputFileSettings chosen;
    chosen.folder = folderEdit_->text().trimmed();
    chosen.prefix = prefix;
    chosen.dateTime = dateTimeBox_->isChecked();
    chosen.overwrite = !addNumberOption_->isChecked();
    // A failed write keeps the old value in the file; the window closes all the same.
    chosen.write(settingsFile_);
    accept();
}

void Form4::browseFolder() {
    QString start = folderEdit_->text().trimmed();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString chosen = picker_(this, QString::fromLatin1(kAppTitle), start);
    if (chosen.isEmpty())
        return;
    folderEdit_->setText(chosen);
}

} // namespace pelvanto
