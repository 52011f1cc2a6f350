#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>

namespace pelvanto {

// One input port of a source (microphone jack, line in, headset...).
struct SourcePort {
    QString name;        // the server's name, used to select it
    QString description; // what a person reads
    bool available = true;
};

// A capture device as the sound server reports it.
struct SourceDevice {
    QString name;         // the server's unique name
    QString description;  // what a person reads
    bool monitor = false; // carries what an output plays
    QStringList channelNames;
    QVector<int> channelSides; // per channel: -1 left, 0 centre or unknown, +1 right
    QVector<quint32> volumes;  // per channel; 65536 is unity gain
    bool muted = false;
    QVector<SourcePort> ports;
    QString activePort;
    QString alsaCard; // index of the ALSA card the source belongs to, empty when none
};

// A capture switch or level of a sound card's own mixer.
struct CardControl {
    QString name;
    bool isSwitch = false;
    qint32 minimum = 0;
    qint32 maximum = 0;
};

// Running capture; destroying it stops it.
class CaptureStream {
public:
    virtual ~CaptureStream() = default;
    // Hands over what the server still holds for us, then stops. No callback runs after it.
    virtual void stop() = 0;
};

// Callbacks of a capture stream. They run on the backend's own thread.
struct CaptureCallbacks {
    std::function<void(const qint16 *samples, qsizetype frames)> data;
    std::function<void(const QString &reason)> failed;
};

// What the recorder needs from the sound server: the seam between the component and
// PulseAudio, so that port and card-control logic can also run against a scripted server.
// Getters may answer from what the server last reported; setters return once the server has
// taken the change, and a getter then sees what it accepted.
class MixerBackend {
public:
    virtual ~MixerBackend() = default;

    virtual bool connected() const = 0;
    virtual QVector<SourceDevice> sources() = 0;
    virtual bool source(const QString &name, SourceDevice *out) = 0;
    virtual QString defaultSource() = 0;
    virtual bool setVolumes(const QString &source, const QVector<quint32> &volumes) = 0;
    virtual bool setMute(const QString &source, bool muted) = 0;
    virtual bool setActivePort(const QString &source, const QString &port) = 0;

    virtual QVector<CardControl> cardControls(const QString &card) = 0;
    virtual QVariant cardControlValue(const QString &card, int index) = 0;
    virtual bool setCardControlValue(const QString &card, int index, const QVariant &value) = 0;

    // `periodMs`: how often the caller wants audio handed over, about.
    virtual std::unique_ptr<CaptureStream> openCapture(const QString &source, int rate,
                                                       int channels, int periodMs,
                                                       CaptureCallbacks callbacks,
                                                       QString *error) = 0;

    // Requests the caller waited for the server to answer, since the start: what a window
    // that reads the mixer costs.
    virtual quint64 serverRoundTrips() const { return 0; }
};

// The PulseAudio backend (connects to the server named by the usual client configuration).
std::unique_ptr<MixerBackend> makePulseBackend();

} // namespace pelvanto
