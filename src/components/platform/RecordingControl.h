#pragma once

namespace pelvanto {

// What the schedule, the tray menu and the hotkeys need of the recorder
// window: start (or split) a recording, stop it, and ask whether one runs.
class RecordingControl {
public:
    virtual ~RecordingControl() = default;
    virtual void StartRecord() = 0;
    virtual void StopRecord() = 0;
    virtual bool isRecording() const = 0;
};

} // namespace pelvanto
