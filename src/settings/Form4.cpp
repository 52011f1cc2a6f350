#include "Form4.h"

#include "Inifun.h"
#include "OutputFileSettings.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
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

    auto *Frame1 =
        named(new QGroupBox(QStringLiteral("Save Recording Sound Files to"), this), "Frame1");
    auto *SkinLabel1 = named(new QLabel(QStringLiteral("Output Folder"), Frame1), "SkinLabel1");
    Text2 = named(new QLineEdit(Frame1), "Text2");
    Command4 = named(new QPushButton(QStringLiteral("Browse..."), Frame1), "Command4");
    auto *SkinLabel2 = named(new QLabel(QStringLiteral("File Name"), Frame1), "SkinLabel2");
    Text1 = named(new QLineEdit(QStringLiteral("Recorded"), Frame1), "Text1");
    auto *SkinLabel3 = named(new QLabel(QStringLiteral("+"), Frame1), "SkinLabel3");
    Check1 = named(new QCheckBox(QStringLiteral("Date + Time"), Frame1), "Check1");

    auto *grid = new QGridLayout(Frame1);
    grid->addWidget(SkinLabel1, 0, 0);
    grid->addWidget(Text2, 0, 1, 1, 3);
    grid->addWidget(Command4, 0, 4);
    grid->addWidget(SkinLabel2, 1, 0);
    grid->addWidget(Text1, 1, 1);
    grid->addWidget(SkinLabel3, 1, 2);
    grid->addWidget(Check1, 1, 3, 1, 2);
    grid->setColumnStretch(1, 1);

    auto *Frame2 =
        named(new QGroupBox(QStringLiteral("If same as an existed file"), this), "Frame2");
    Option1 =
        named(new QRadioButton(QStringLiteral("Add number after filename"), Frame2), "Option1");
    Option2 =
        named(new QRadioButton(QStringLiteral("Overwrite the existed file"), Frame2), "Option2");
    auto *options = new QVBoxLayout(Frame2);
    options->addWidget(Option1);
    options->addWidget(Option2);

    Command1 = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    Command3 = named(new QPushButton(QStringLiteral("Reload"), this), "Command3");
    Command1->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command3);
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    layout->addWidget(Frame2);
    layout->addLayout(buttons);
    setMinimumWidth(480);

    connect(Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &Form4::Command4_Click);
    // "Reload" has no action.

    Form_Load();
}

void Form4::Form_Load() {
    Skin::applyTo(this);
    const OutputFileSettings stored = OutputFileSettings::read(settingsFile_);
    Text2->setText(OutputFileSettings::meansProgramFolder(stored.folder) ? defaultRecordingFolder()
                                                                         : stored.folder);
    Text1->setText(stored.prefix.isEmpty() || stored.prefix == QLatin1String("0")
                       ? QStringLiteral("Recorded")
                       : stored.prefix);
    Check1->setChecked(stored.dateTime);
    Option1->setChecked(!stored.overwrite);
    Option2->setChecked(stored.overwrite);
}

void Form4::Command1_Click() {
    const QString prefix = Text1->text().trimmed();
    if (prefix.isEmpty()) {
        MessageBox::show(this, QStringLiteral("Please enter audio file name."),
                         QMessageBox::Critical);
        return;
    }
    // A value cut or split on its way into settings.dat would send recordings elsewhere.
    const QString folderProblem = Inifun::unstorableReason(Text2->text());
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
    chosen.folder = Text2->text().trimmed();
    chosen.prefix = prefix;
    chosen.dateTime = Check1->isChecked();
    chosen.overwrite = !Option1->isChecked();
    // A failed write keeps the old value in the file; the window closes all the same.
    chosen.write(settingsFile_);
    accept();
}

void Form4::Command2_Click() {
    reject();
}

void Form4::Command4_Click() {
    QString start = Text2->text().trimmed();
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    const QString chosen = picker_(this, QString::fromLatin1(kAppTitle), start);
    if (chosen.isEmpty())
        return;
    lastFolder_ = chosen;
    Text2->setText(lastFolder_);
}

} // namespace pelvanto
