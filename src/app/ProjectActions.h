#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace pelvanto {

class RecordedFilesView;

// The File menu's recording-project entries and the save offer at exit.
class ProjectActions : public QObject {
    Q_OBJECT
public:
    ProjectActions(RecordedFilesView &list, QWidget *window, QObject *parent = nullptr);

    // Empties the list; no file is touched.
    void newProject();
    // Appends the rows of the chosen project files, each in turn.
    void openProject();
    // Writes the list to the chosen file, after asking before an existing file
    // is replaced; a device or a pipe is refused. Returns whether a file was written.
    bool saveProject();
    // At exit: with a non-empty list, asks whether to save and saves on OK.
    void offerSaveAtExit();

    // Asked (warning, Yes/No) before a project replaces an existing file.
    static QString replaceQuestion(const QString &file);

private:
    RecordedFilesView &list_;
    QWidget *window_;
};

} // namespace pelvanto
