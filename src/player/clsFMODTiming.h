#pragma once

#include <QtGlobal>

#include <cmath>

// The wrapper's arithmetic on what the sound library reports.
namespace pelvanto::fmodtiming {

// Nearest whole number, ties to even.
inline qint64 roundEven(double value) {
    return static_cast<qint64>(std::nearbyint(value));
}

// Average bit rate from the file size and the length, in whole seconds and truncating
// division; 0 below one second.
inline qint32 kbps(qint64 lengthMs, qint64 lengthBytes) {
    const qint64 seconds = lengthMs / 1000;
    if (seconds <= 0)
        return 0;
    return static_cast<qint32>(((lengthBytes / seconds) * 8) / 1000);
}

// Milliseconds as whole seconds, ties to even.
inline qint32 wholeSeconds(qint64 lengthMs) {
    return static_cast<qint32>(roundEven(static_cast<double>(lengthMs) / 1000.0));
}

// Milliseconds per pattern row: BPM × 2 / 5 ticks a second, `speed` ticks a row. 0 when the
// tempo is 0.
inline double msPerRow(qint32 bpm, qint32 speed) {
    if (bpm == 0)
        return 0;
    const double ticksPerSecond = bpm * 2.0 / 5.0;
    return (1.0 / ticksPerSecond) * 1000.0 * speed;
}

// Length in seconds that the file information shows: over an hour (or negative) is no length.
inline qint32 songSeconds(qint64 totalRows, double msPerRowValue) {
    const qint64 seconds = roundEven(static_cast<double>(totalRows) * msPerRowValue) / 1000;
    return seconds > 3600 || seconds < 0 ? 0 : static_cast<qint32>(seconds);
}

} // namespace pelvanto::fmodtiming
