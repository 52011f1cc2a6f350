#include "TagFolderScan.h"

#include "TagText.h"
#include "clsFMOD.h"
#include "clsFind.h"
#include "platform/LocaleDateTime.h"

#include <QElapsedTimer>

#include <array>
#include <cmath>

namespace pelvanto {

namespace {

constexpr qint32 kId3v1 = 1;
constexpr qint32 kId3v2 = 2;
// Rows are handed over at least this often, so the list fills while the scan runs.
constexpr qint64 kBatchMs = 40;
constexpr int kMaxBatch = 100;

QString tag(clsFMOD &fmod, qint32 handle, qint32 type, const char *name) {
    QString field = QString::fromLatin1(name);
    return fmod.GetStreamTag(handle, type, field);
}

// The year of a recording time such as 2001-05-03; any other text as it is.
QString yearOfRecordingTime(const QString &time) {
    if (time.size() > 4 && time.at(4) == QLatin1Char('-'))
        return time.left(4);
    return time;
}

} // namespace

QString TagsColumnText(bool hasV1, bool hasV2) {
    QString text;
    if (hasV1)
        text += QStringLiteral("ID3v1 ");
    if (hasV2)
        text += QStringLiteral("ID3v2");
    return text;
}

QString SizeColumnText(qint64 bytes, const QLocale &locale) {
    const auto kb = static_cast<qint64>(std::llround(static_cast<double>(bytes) / 1024.0));
    return locale.toString(kb) + QStringLiteral(" kB");
}

TagItem ReadTagItem(clsFMOD &fmod, const QString &path) {
    TagItem item;
    item.fileName = path;
    const qint32 handle = fmod.GetStreamOpenFile(path, false);
    if (handle == 0)
        return item;
    // The order in which the fields are asked for is that of the sound library's callers.
    item.v1[V1Title] = tag(fmod, handle, kId3v1, "TITLE");
    item.v1[V1Album] = tag(fmod, handle, kId3v1, "ALBUM");
    item.v1[V1Artist] = tag(fmod, handle, kId3v1, "ARTIST");
    item.v1[V1Comment] = tag(fmod, handle, kId3v1, "COMMENT");
    const qint64 genre = LeadingNumber(tag(fmod, handle, kId3v1, "GENRE"));
    item.v1Genre = static_cast<std::uint8_t>(genre >= 0 && genre <= 255 ? genre : 0);
    item.v1[V1Track] = tag(fmod, handle, kId3v1, "TRACK");
    item.v1[V1Year] = tag(fmod, handle, kId3v1, "YEAR");
    item.hasV1 = item.v1Genre > 0;
    for (const QString &text : item.v1)
        item.hasV1 = item.hasV1 || !text.isEmpty();

    item.v2[V2Album] = tag(fmod, handle, kId3v2, "TALB");
    item.v2[V2Artist] = tag(fmod, handle, kId3v2, "TPE1");
    item.v2[V2Comment] = tag(fmod, handle, kId3v2, "COMM");
    item.v2[V2Composer] = tag(fmod, handle, kId3v2, "TCOM");
    item.v2[V2Copyright] = tag(fmod, handle, kId3v2, "TCOP");
    item.v2[V2EncodedBy] = tag(fmod, handle, kId3v2, "TENC");
    item.v2Genre = WithoutGenreReference(tag(fmod, handle, kId3v2, "TCON"));
    item.v2[V2OrigArtist] = tag(fmod, handle, kId3v2, "TOPE");
    item.v2[V2Title] = tag(fmod, handle, kId3v2, "TIT2");
    item.v2[V2Track] = tag(fmod, handle, kId3v2, "TRCK");
    item.v2[V2URL] = tag(fmod, handle, kId3v2, "WXXX");
    item.v2[V2Year] = tag(fmod, handle, kId3v2, "TYER");
    // Version 2.4 tags keep the year in the recording time; without it here, saving the
    // file would erase the year it has.
    if (item.v2[V2Year].isEmpty())
        item.v2[V2Year] = yearOfRecordingTime(tag(fmod, handle, kId3v2, "TDRC"));
    item.hasV2 = !item.v2Genre.isEmpty();
    for (const QString &text : item.v2)
        item.hasV2 = item.hasV2 || !text.isEmpty();
    fmod.GetStreamCloseFile(handle);
    return item;
}

FolderScanner::FolderScanner(QObject *parent) : QObject(parent) {
    qRegisterMetaType<pelvanto::ScanRow>();
    qRegisterMetaType<QList<pelvanto::ScanRow>>();
    connect(
        this, &FolderScanner::scanStarted, this,
        [this](quint64 scan, int total) {
            if (scan == scan_)
                emit started(total);
        },
        Qt::QueuedConnection);
    connect(
        this, &FolderScanner::scanRows, this,
        [this](quint64 scan, int first, const QList<ScanRow> &rows) {
            if (scan == scan_)
                emit rowsReady(first, rows);
        },
        Qt::QueuedConnection);
    connect(
        this, &FolderScanner::scanFinished, this,
        [this](quint64 scan) {
            if (scan != scan_)
                return;
            running_ = false;
            emit finished();
        },
        Qt::QueuedConnection);
}

FolderScanner::~FolderScanner() {
    cancel();
}

void FolderScanner::join() {
    if (worker_.joinable())
        worker_.join();
}

void FolderScanner::cancel() {
    wanted_.store(++scan_);
    join();
    running_ = false;
}

bool FolderScanner::start(const QString &folder, const QLocale &locale) {
    if (running_)
        return false;
    join();
    running_ = true;
    const quint64 scan = ++scan_;
    wanted_.store(scan);
    worker_ = std::thread([this, scan, folder, locale] { run(scan, folder, locale); });
    return true;
}

void FolderScanner::run(quint64 scan, const QString &folder, const QLocale &locale) {
    clsFind find;
    find.Find(folder, QStringLiteral("*.mp3"), false);
    const int total = find.Count();
    emit scanStarted(scan, total);
    clsFMOD fmod; // the tags are read with an object of this thread's own
    QList<ScanRow> batch;
    int first = 1;
    QElapsedTimer sinceBatch;
    sinceBatch.start();
    const auto flush = [&](int next) {
        if (batch.isEmpty())
            return;
        emit scanRows(scan, first, batch);
        batch = {};
        first = next;
        sinceBatch.restart();
    };
    int i = 0;
    for (const clsFile &file : find) {
        if (wanted_.load() != scan)
            return;
        ++i;
        ScanRow row;
        row.item = ReadTagItem(fmod, file.sFilename());
        row.name = file.sName();
        row.tags = TagsColumnText(row.item.hasV1, row.item.hasV2);
        row.size = SizeColumnText(file.lSize(), locale);
        row.date = localeDateTimeText(file.dLastWriteTime(), locale);
        batch.append(std::move(row));
        if (batch.size() >= kMaxBatch || sinceBatch.elapsed() >= kBatchMs)
            flush(i + 1);
    }
    flush(i + 1);
    emit scanFinished(scan);
}

} // namespace pelvanto
