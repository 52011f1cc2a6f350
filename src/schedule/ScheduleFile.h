#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

namespace pelvanto {

// One scheduled recording: the five columns of the schedule list as text.
struct ScheduleItem {
    QString start;   // "Start time"
    QString stop;    // "Stop time"
    QString file;    // "File": never filled, kept as read
    QString status;  // "Status": "Waiting", then "Done" once started
    QString comment; // "Comment"

    bool operator==(const ScheduleItem &) const = default;
};

// schedule.dat: one line per item, the five columns separated by single tabs,
// CR LF line ends, UTF-8, no header. Date-times are stored in one fixed form so
// a file written under one locale reads back under another.
namespace schedulefile {

inline constexpr const char *kDateTimeFormat = "yyyy-MM-dd HH:mm:ss";
inline constexpr const char *kWaiting = "Waiting";
inline constexpr const char *kDone = "Done";

// The status of a row whose recording could not begin: "Failed: folder missing".
QString failedStatus(const QString &reason);

QString dateTimeText(const QDateTime &time);
// Local date-time to the second, or nothing for text that is not a date-time.
std::optional<QDateTime> parseDateTime(const QString &text);

// Rows of a schedule text. Fields after the fifth are dropped; missing fields
// stay empty (an empty line gives an empty row). Lines may end in CR LF, LF or CR.
QList<ScheduleItem> parse(const QByteArray &data);
// Every line gets exactly four tabs, whatever its cells hold.
QByteArray serialize(const QList<ScheduleItem> &items);

// schedule.dat in the program folder.
QString defaultPath();
// Creates an empty file when none exists. Returns whether a file is there.
bool ensureExists(const QString &path);
// The rows of the file, or nothing when it cannot be read whole.
std::optional<QList<ScheduleItem>> load(const QString &path);
// Replaces the file only once the new content is complete.
bool save(const QString &path, const QList<ScheduleItem> &items);

} // namespace schedulefile
} // namespace pelvanto
