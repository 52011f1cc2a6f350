#include "ProjectActions.h"

#include "RecordedFilesView.h"
#include "RecordingProject.h"
#include "UserDialogs.h"
#include "platform/MessageBox.h"
#include "platform/TextLines.h"

#include <QFileInfo>

namespace pelvanto {

namespace {
QString filter() {
    return QString::fromLatin1(RecordingProject::kFilter);
}
} // namespace

ProjectActions::ProjectActions(RecordedFilesView &list, QWidget *window, QObject *parent)
    : QObject(parent), list_(list), window_(window) {}

void ProjectActions::newProject() {
    list_.clear();
}

void ProjectActions::openProject() {
    const QStringList files = UserDialogs::openFiles(
        window_, QString::fromLatin1(RecordingProject::kOpenTitle), filter());
    if (RecordingProject::appendProjects(list_.model(), files) > 0)
        list_.refresh();
}

bool ProjectActions::saveProject() {
    // As in any save dialog, an answer that would replace something the user may still
    // want goes back to the dialog.
    for (;;) {
        const QString file = UserDialogs::saveFile(
            window_, QString::fromLatin1(RecordingProject::kSaveTitle), filter());
        if (file.isEmpty())
            return false;
        if (!isReplaceableFile(file)) {
            MessageBox::show(window_, notRegularFileMessage(file), QMessageBox::Critical);
            continue;
        }
        if (QFileInfo::exists(file) &&
            MessageBox::show(window_, replaceQuestion(file), QMessageBox::Warning,
                             QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
            continue;
        return RecordingProject::save(file, list_.model().items());
    }
}

QString ProjectActions::replaceQuestion(const QString &file) {
    return file + QStringLiteral(" already exists.\nDo you want to replace it?");
}

void ProjectActions::offerSaveAtExit() {
    if (list_.model().count() == 0)
        return;
    const auto answer =
        MessageBox::show(window_, QStringLiteral("Do you need to save the recording project file?"),
                         QMessageBox::Question, QMessageBox::Ok | QMessageBox::Cancel);
    if (answer == QMessageBox::Ok)
        saveProject();
}

} // namespace pelvanto
