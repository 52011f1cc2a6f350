#pragma once

#include "platform/MessageIcon.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <optional>

namespace pelvanto {

// One row of the recorded-files list: the five columns as text. Only the path
// is ever read back by an operation; the rest is display text.
struct RecordedItem {
    QString number;     // "NO."
    QString path;       // "File Name"
    QString size;       // "Size"
    QString duration;   // "Duration"
    QString recordTime; // "Record Time"

    bool operator==(const RecordedItem &) const = default;
};

// A message the window shows for a list operation.
struct ListMessage {
    QString text;
    MessageIcon icon = MessageIcon::Information;
};

// The recorded-files list without its view: rows, numbering and the rename,
// remove and delete rules. The window mirrors items() into its list view.
class RecordedFiles {
public:
    static QStringList columnTitles();

    const QList<RecordedItem> &items() const { return items_; }
    int count() const { return static_cast<int>(items_.size()); }
    bool isValidIndex(int index) const { return index >= 0 && index < count(); }

    // The row for a recording that just ended: the next number, the file's
    // size on disk, the elapsed-time text and the start time.
    RecordedItem finishedRecording(const QString &path, const QString &duration,
                                   const QDateTime &startTime,
                                   const QLocale &locale = QLocale()) const;

    void append(const RecordedItem &item) { items_.append(item); }
    // Rows of a project come after the present ones with their stored numbers.
    void appendLoaded(const QList<RecordedItem> &items) { items_.append(items); }
    void clear() { items_.clear(); }

    // Play precondition: a row with a non-empty path naming an existing file.
    bool playable(int index) const;

    // Removes the row (the file stays) and renumbers. False without a row.
    bool remove(int index);
    void renumber();

    // Rename, in the window's order: check() shows a message when the file is
    // gone; otherwise ask renamePrompt() with the old path as the default
    // answer and hand the answer to rename().
    std::optional<ListMessage> renameCheck(int index) const;
    static QString renamePrompt(const QString &oldPath);
    struct RenameResult {
        bool renamed = false;
        std::optional<ListMessage> message; // none: end silently
    };
    RenameResult rename(int index, const QString &answer);

    // Delete: ask deleteQuestion() (warning, OK/Cancel); on OK deleteFile()
    // removes the file, then the row, and renumbers. A file that cannot be
    // deleted still loses its row. False without a row.
    static QString deleteQuestion();
    bool deleteFile(int index);

private:
    QList<RecordedItem> items_;
};

} // namespace pelvanto
