#pragma once

#include "RecordedFiles.h"

#include <QObject>

class QTreeWidget;

namespace pelvanto {

// The recorded-files list as the window shows it: the rows of RecordedFiles
// mirrored into the report-style list view ListView1.
class RecordedFilesView : public QObject {
    Q_OBJECT
public:
    explicit RecordedFilesView(QTreeWidget *view, QObject *parent = nullptr);

    RecordedFiles &model() { return files_; }
    const RecordedFiles &model() const { return files_; }
    QTreeWidget *view() const { return view_; }

    // Index of the current row, -1 without one.
    int selectedIndex() const;
    void select(int index);
    QString selectedPath() const;

    void append(const RecordedItem &item);
    void clear();
    // Shows the model again after a change (rename, remove, delete).
    void refresh();

private:
    RecordedFiles files_;
    QTreeWidget *view_;
};

} // namespace pelvanto
