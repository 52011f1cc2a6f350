#pragma once

#include <QObject>

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
    // Writes the list to the chosen file. Returns whether a file was written.
    bool saveProject();
    // At exit: with a non-empty list, asks whether to save and saves on OK.
    void offerSaveAtExit();

private:
    RecordedFilesView &list_;
    QWidget *window_;
};

} // namespace pelvanto
