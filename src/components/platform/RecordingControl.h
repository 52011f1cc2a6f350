#pragma once

#include <QString>

namespace pelvanto {

// What the schedule, the tray menu and the hotkeys need of the recorder
// window: start (or split) a recording, stop it, and ask whether one runs.
class RecordingControl {
public:
    virtual ~RecordingControl() = default;
    virtual void StartRecord() = 0;
    virtual void StopRecord() = 0;
    virtual bool isRecording() const = 0;
    // Why the last StartRecord began no recording, in a few words ("folder
    // missing"); empty when it began one.
    virtual QString startFailure() const = 0;
    // Changes with every recording begun, so that a caller can tell the
    // recording it started from a later one.
    virtual quint64 recordingNumber() const = 0;
};

} // namespace pelvanto
