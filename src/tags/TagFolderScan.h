#pragma once

#include "TagItem.h"

#include <QList>
#include <QLocale>
#include <QMetaType>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace pelvanto {

class clsFMOD;

// One file of a folder scan: its record and the texts of its list row.
struct ScanRow {
    TagItem item;
    QString name; // file name without folder and extension
    QString tags; // "ID3v1 ", "ID3v2", both or nothing
    QString size; // "1,234 kB"
    QString date; // last write time in the locale's date and time
};

// The "Tags" column: "ID3v1 " when there is one, followed by "ID3v2" when there is one.
QString TagsColumnText(bool hasV1, bool hasV2);
// The "Size" column: kilobytes as a whole number with the locale's digit grouping, " kB".
QString SizeColumnText(qint64 bytes, const QLocale &locale = QLocale());

// Reads the ID3v1 and ID3v2 fields of one file through the sound library's tag reading.
// A file that cannot be opened gives a record with empty tags.
TagItem ReadTagItem(clsFMOD &fmod, const QString &path);

// Scans the MP3 files of one folder (not its subfolders) on a thread of its own, so that
// the window answers however large the folder is. Rows arrive in list order, in batches,
// on the thread that owns the scanner. One scan at a time: a second start while one runs is
// refused.
class FolderScanner : public QObject {
    Q_OBJECT
public:
    explicit FolderScanner(QObject *parent = nullptr);
    ~FolderScanner() override;

    // False, doing nothing, while a scan runs.
    bool start(const QString &folder, const QLocale &locale = QLocale());
    bool isRunning() const { return running_; }
    // Stops a running scan without delivering further rows (waits for the thread).
    void cancel();

signals:
    // The number of MP3 files found, before their tags are read.
    void started(int total);
    // Rows first..first+rows.size()-1 (counted from 1), in list order.
    void rowsReady(int first, const QList<pelvanto::ScanRow> &rows);
    void finished();

    // From the scan thread, queued to this object's thread; passed on while the scan that
    // sent them is the current one.
    void scanStarted(quint64 scan, int total);
    void scanRows(quint64 scan, int first, const QList<pelvanto::ScanRow> &rows);
    void scanFinished(quint64 scan);

private:
    void run(quint64 scan, const QString &folder, const QLocale &locale);
    void join();

    bool running_ = false;
    quint64 scan_ = 0; // the current scan; cancelling moves past it
    std::atomic<quint64> wanted_{0};
    std::thread worker_;
};

} // namespace pelvanto

Q_DECLARE_METATYPE(pelvanto::ScanRow)
