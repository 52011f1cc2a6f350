#pragma once

#include "OutputFileSettings.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace pelvanto {

// Builds the path of the next recording from the settings, the output format's
// extension and the number of files already listed. A name that belongs to an
// existing file is never reused unless the user chose overwriting of the plain
// name; otherwise the next free "_N" name is taken.
class OutputPathBuilder {
public:
    using Clock = std::function<QDateTime()>;

    // An empty clock reads the system's local time.
    explicit OutputPathBuilder(Clock clock = {});

    struct Plan {
        QString path;
        QDateTime startTime;
    };

    // Reads the keys afresh, takes the start time, then reads the clock again
    // for the date-time part of the name.
    Plan plan(const QString &settingsFile, const QString &extension, int listCount) const;

    static QString buildPath(const OutputFileSettings &settings, const QString &extension,
                             int listCount, const QDateTime &now);

    // month, day, two-digit year, 24-hour hour, minutes, seconds.
    static QString dateTimeStamp(const QDateTime &time);

private:
    QDateTime now() const;
    Clock clock_;
};

} // namespace pelvanto
