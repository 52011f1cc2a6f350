#pragma once

#include "ScheduleFile.h"

#include <QDateTime>
#include <QList>

#include <functional>

namespace pelvanto {

class RecordingControl;

// The once-a-second schedule check. It starts the first row whose start time
// fell due since the previous check and stops that recording once its stop
// time has come, so a late tick misses nothing. One scheduled recording runs
// at a time: rows falling due meanwhile are skipped for good. Rows already
// past when the check was created never start, nor do rows without a readable
// stop time. A row whose recording could not begin is marked failed with the
// reason; a recording the user stopped or replaced is not the schedule's any
// more, and only the schedule's own recording is stopped.
class ScheduleCheck {
public:
    using Clock = std::function<QDateTime()>;

    // An empty clock reads the system's local time.
    explicit ScheduleCheck(RecordingControl &control, Clock clock = {});

    // Called with a row's index once its status is "Done", before the
    // recording is started, and again when it is marked failed.
    std::function<void(int)> rowStarted;

    void tick(QList<ScheduleItem> &rows);

    bool running() const { return running_; }
    QDateTime pendingStart() const { return pendingStart_; }
    QDateTime pendingStop() const { return pendingStop_; }
    QDateTime lastCheck() const { return last_; }

private:
    QDateTime now() const;
    // Clears the running flag when the schedule's recording ended otherwise.
    void forgetEndedRecording();

    RecordingControl &control_;
    Clock clock_;
    QDateTime last_; // the second checked last; starts are looked for after it
    bool running_ = false;
    bool starting_ = false;        // inside StartRecord
    quint64 startedRecording_ = 0; // the control's number of the recording started
    QDateTime pendingStart_;
    QDateTime pendingStop_;
};

} // namespace pelvanto
