#include "ScheduleFile.h"

#include "platform/TextLines.h"

#include "platform/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

namespace pelvanto::schedulefile {

namespace {

// A schedule holds a handful of rows; a far larger file is not a schedule.
constexpr qint64 kMaxScheduleBytes = qint64{64} * 1024 * 1024;

} // namespace

QString failedStatus(const QString &reason) {
    return reason.isEmpty() ? QStringLiteral("Failed") : QStringLiteral("Failed: ") + reason;
}

QString dateTimeText(const QDateTime &time) {
    return time.toString(QString::fromLatin1(kDateTimeFormat));
}

std::optional<QDateTime> parseDateTime(const QString &text) {
    const QString t = text.trimmed();
    if (t.size() != static_cast<qsizetype>(qstrlen(kDateTimeFormat)))
        return std::nullopt;
    const QDateTime time = QDateTime::fromString(t, QString::fromLatin1(kDateTimeFormat));
    if (!time.isValid())
        return std::nullopt;
    return time;
}

QList<ScheduleItem> parse(const QByteArray &data) {
    QList<ScheduleItem> items;
    for (const QByteArray &line : splitTextLines(data)) {
        const QList<QByteArray> f = line.split('\t');
        auto field = [&f](qsizetype i) {
            return i < f.size() ? QString::fromUtf8(f[i]) : QString();
        };
        items.append(ScheduleItem{field(0), field(1), field(2), field(3), field(4)});
    }
    return items;
}

QByteArray serialize(const QList<ScheduleItem> &items) {
    QByteArray out;
    for (const ScheduleItem &item : items)
        out += tabRow({item.start, item.stop, item.file, item.status, item.comment});
    return out;
}

QString defaultPath() {
    return programFile(QStringLiteral("schedule.dat"));
}

bool ensureExists(const QString &path) {
    if (QFileInfo::exists(path))
        return true;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly);
}

std::optional<QList<ScheduleItem>> load(const QString &path) {
    // A pipe would wait for a writer; a device is no schedule.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.read(kMaxScheduleBytes + 1);
    // Part of a file is not the schedule: saving it would lose the rest.
    if (data.size() > kMaxScheduleBytes || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return parse(data);
}

bool save(const QString &path, const QList<ScheduleItem> &items) {
    return saveFileAtomically(path, serialize(items));
}

} // namespace pelvanto::schedulefile
