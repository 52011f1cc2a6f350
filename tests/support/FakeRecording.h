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
    quint64 number = 0;
    bool refuse = false; // StartRecord begins nothing, for `failure`
    QString failure;
    std::function<void()> duringCall; // runs inside each call, as pending events would

    void StartRecord() override {
        calls << QStringLiteral("start");
        recording = !refuse;
        if (recording)
            ++number;
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
    QString startFailure() const override { return refuse ? failure : QString(); }
    quint64 recordingNumber() const override { return number; }

    // What the user does at the window: stop by hand, start by hand.
    void stopByHand() { recording = false; }
    void startByHand() {
        recording = true;
        ++number;
    }
};

// A clock the test moves by hand.
struct ManualClock {
    QDateTime now;
    std::function<QDateTime()> fn() {
        return [this] { return now; };
    }
};
