#pragma once

#include "platform/RecordingControl.h"

#include <QDateTime>
#include <QStringList>

#include <functional>

// Stands in for the recorder window at the interface the schedule calls. Needs
// pelvanto_components.
class FakeRecording : public pelvanto::RecordingControl {
public:
    QStringList calls;
    bool recording = false;
    std::function<void()> duringCall; // runs inside each call, as pending events would

    void StartRecord() override {
        calls << QStringLiteral("start");
        recording = true;
        if (duringCall)
            duringCall();
    }
    void StopRecord() override {
        calls << QStringLiteral("stop");
        recording = false;
        if (duringCall)
            duringCall();
    }
    bool isRecording() const override { return recording; }
};

// A clock the test moves by hand.
struct ManualClock {
    QDateTime now;
    std::function<QDateTime()> fn() {
        return [this] { return now; };
    }
};
