// Feeds arbitrary bytes as schedule.dat: loading must not crash, a written
// list reads back unchanged, and the schedule check driven through every
// time in the file never stops more than it started.
#include "ScheduleCheck.h"
#include "ScheduleFile.h"
#include "platform/RecordingControl.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {
struct CountingRecorder : pelvanto::RecordingControl {
    int starts = 0;
    int stops = 0;
    void StartRecord() override { ++starts; }
    void StopRecord() override { ++stops; }
    bool isRecording() const override { return starts > stops; }
    QString startFailure() const override { return {}; }
    quint64 recordingNumber() const override { return static_cast<quint64>(starts); }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    namespace sf = pelvanto::schedulefile;
    auto rows =
        sf::parse(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    if (sf::parse(sf::serialize(rows)) != rows)
        std::abort();

    QList<QDateTime> times;
    for (const auto &row : rows)
        for (const QString *text : {&row.start, &row.stop})
            if (const auto t = sf::parseDateTime(*text)) {
                if (sf::dateTimeText(*t) != text->trimmed())
                    std::abort();
                times.append(*t);
            }
    std::sort(times.begin(), times.end());

    CountingRecorder recorder;
    QDateTime now =
        times.isEmpty() ? QDateTime(QDate(2026, 1, 1), QTime(0, 0)) : times.first().addSecs(-1);
    pelvanto::ScheduleCheck check(recorder, [&now] { return now; });
    for (const QDateTime &t : times) {
        now = t;
        check.tick(rows);
        if (recorder.stops > recorder.starts || recorder.starts - recorder.stops > 1)
            std::abort();
        if (check.running() != (recorder.starts > recorder.stops))
            std::abort();
    }
    return 0;
}
