#include "ScheduleCheck.h"

#include "platform/RecordingControl.h"

namespace pelvanto {

ScheduleCheck::ScheduleCheck(RecordingControl &control, Clock clock)
    : control_(control), clock_(std::move(clock)), last_(now()) {}

QDateTime ScheduleCheck::now() const {
    QDateTime t = clock_ ? clock_() : QDateTime::currentDateTime();
    const QTime time = t.time();
    t.setTime(QTime(time.hour(), time.minute(), time.second()));
    return t;
}

void ScheduleCheck::forgetEndedRecording() {
    if (running_ && !starting_ &&
        (!control_.isRecording() || control_.recordingNumber() != startedRecording_))
        running_ = false;
}

void ScheduleCheck::tick(QList<ScheduleItem> &rows) {
    forgetEndedRecording();
    const QDateTime current = now();
    // Starts are due in (after, current]. A clock set back gives an empty
    // interval. The check's state is brought up to date before any call out,
    // because a tick can run again inside StartRecord or StopRecord.
    QDateTime after = last_;
    last_ = current;

    // A stop that has come is carried out even when its second was missed,
    // and even when the rows have been cleared meanwhile.
    if (running_ && pendingStop_.isValid() && pendingStop_ <= current) {
        running_ = false;
        // Rows due before the stop fell while the recording ran: they stay
        // skipped. A row due in the stop's own second may start now.
        const QDateTime justBefore = pendingStop_.addSecs(-1);
        if (justBefore > after)
            after = justBefore;
        control_.StopRecord();
    }

    if (running_ || rows.isEmpty() || !(after < current))
        return;

    for (int i = 0; i < rows.size(); ++i) {
        const auto start = schedulefile::parseDateTime(rows[i].start);
        pendingStart_ = start.value_or(QDateTime());
        if (!start || *start <= after || *start > current)
            continue;
        const auto stop = schedulefile::parseDateTime(rows[i].stop);
        // Nothing would ever stop a row without a readable stop time. A row
        // whose stop has passed as well (a long-missed tick) would only leave
        // a file of a second: leave it.
        if (!stop || *stop <= current)
            continue;
        pendingStop_ = *stop;
        running_ = true;
        rows[i].status = QString::fromLatin1(schedulefile::kDone);
        if (rowStarted)
            rowStarted(i);
        starting_ = true;
        control_.StartRecord();
        starting_ = false;
        if (control_.isRecording()) {
            startedRecording_ = control_.recordingNumber();
            return;
        }
        running_ = false;
        rows[i].status = schedulefile::failedStatus(control_.startFailure());
        if (rowStarted)
            rowStarted(i);
        return;
    }
}

} // namespace pelvanto
