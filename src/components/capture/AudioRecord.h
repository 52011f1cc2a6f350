#pragma once

#include <QObject>
#include <QString>
#include <QVariant>
#include <QVector>

#include <memory>

namespace pelvanto {

class MixerBackend;
class RecordEngine;

// The recorder: capture devices of the sound server, the mixer lines of the current device,
// input filters and automatic gain control, and block-wise capture.
//
// Devices are numbered 0 .. DeviceCount()-1; any other number is simply not DeviceUsable().
// Line 0 of a device is the source as a whole, lines 1 .. SourceCount() are its ports.
// Sample counts (frames) are per channel; sample arrays are interleaved 16-bit.
// Events are delivered on the thread that owns the object.
class AudioRecord : public QObject {
    Q_OBJECT
public:
    explicit AudioRecord(QObject *parent = nullptr);
    // For tests and alternative servers.
    explicit AudioRecord(std::unique_ptr<MixerBackend> backend, QObject *parent = nullptr);
    ~AudioRecord() override;

    // Devices. DeviceCount() enumerates the server afresh; the current device is kept by name.
    int DeviceCount() const;
    int CurrentDevice() const;
    void SetCurrentDevice(int device);
    bool DeviceUsable() const;
    QString DeviceName() const;
    // The server's own name of the current device (stable across runs), empty when unusable.
    QString DeviceId() const;

    // Mixer lines of the current device. SourceCount() is the last line index (the number of
    // ports), -1 without a usable device.
    int SourceCount() const;
    int CurrentSource() const;
    void SetCurrentSource(int line);
    QString SourceName() const;
    bool SourceSelected() const;
    void SetSourceSelected(bool selected);
    bool SourceSelectable() const;
    bool SourceHasVolume() const;
    int SourceVolume() const; // 0 .. 65535
    void SetSourceVolume(int volume);
    bool SourceHasBalance() const;
    int SourceBalance() const; // 0 (left only) .. 50 (centre) .. 100 (right only)
    void SetSourceBalance(int balance);

    // Extra controls of the current line; LastAdvancedControl() < 0 means none.
    // Values are bool (switches) or qint32 (levels).
    int LastAdvancedControl() const;
    QString AdvancedControlName(int index) const;
    QVariant AdvancedControlValue(int index) const;
    void SetAdvancedControlValue(int index, const QVariant &value);

    // Input filters, applied to captured samples before they are handed out.
    bool NotchEnabled() const;
    void SetNotchEnabled(bool enabled);
    float NotchFrequency() const;
    void SetNotchFrequency(float hz);
    bool HighPassEnabled() const;
    void SetHighPassEnabled(bool enabled);
    float HighPassFrequency() const;
    void SetHighPassFrequency(float hz);
    bool LowPassEnabled() const;
    void SetLowPassEnabled(bool enabled);
    float LowPassFrequency() const;
    void SetLowPassFrequency(float hz);

    // Automatic gain control: keeps the level between the low and high level (dBFS);
    // the attack time (ms) is how fast it turns a loud signal down.
    bool AutoGainEnabled() const;
    void SetAutoGainEnabled(bool enabled);
    qint32 AutoGainLowLevel() const;
    void SetAutoGainLowLevel(qint32 db);
    qint32 AutoGainHighLevel() const;
    void SetAutoGainHighLevel(qint32 db);
    qint32 AutoGainAttackTime() const;
    void SetAutoGainAttackTime(qint32 ms);

    // Capture format and block size (frames per EndArrayRecord block).
    void SetFormat(int rate, int channels);
    int SampleRate() const;
    int ChannelCount() const;
    int BlockSize() const;
    void SetBlockSize(int frames);
    qint64 MsToSamples(qint64 ms) const;
    qint64 SamplesToMs(qint64 frames) const;

    // RecordStatus(): 1 recording, 0 idle, negative after a failed start or a lost device.
    int RecordStart();
    int RecordStatus() const;
    // Stops; blocks still owed (the last one partial) are delivered through EndArrayRecord.
    void RecordStop();
    // The oldest finished block not yet taken (empty when none).
    QVector<qint16> GetRecordedBlock();
    // The most recent n array elements captured (fewer at the start of a recording).
    QVector<qint16> GetLatestSamples(int n) const;

    // Why the last start failed or the device was lost, for the user.
    QString LastError() const;
    // Whether a sound server answered the last time devices were listed.
    bool ServerConnected() const;

signals:
    // About 15 times a second while recording; levels are the peaks of the last period.
    void Timer(qint64 CurrentSamples, int LevelLeft, int LevelRight);
    // A block is ready for GetRecordedBlock(); nBlock counts blocks from 0 per recording.
    void EndArrayRecord(int nBlock);
    // The device went away or the server failed during a recording. Capture has ended;
    // blocks already captured stay available.
    void DeviceLost(QString reason);

private:
    std::unique_ptr<RecordEngine> d;
};

} // namespace pelvanto
