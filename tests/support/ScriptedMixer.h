#pragma once

// A sound server in memory for the recorder's mixer logic: devices, ports and sound-card
// controls the test scripts, answering as PulseAudio does (unknown names and ports refused,
// volumes limited to what the device takes, one port always active). Capture is refused.
// Needs pelvanto_components.

#include "capture/MixerBackend.h"

#include <QMap>

#include <cmath>
#include <limits>
#include <memory>

namespace testsupport {

struct ScriptedCard {
    QVector<pelvanto::CardControl> controls;
    QVector<QVariant> values;
};

class ScriptedMixer final : public pelvanto::MixerBackend {
public:
    struct State {
        QVector<pelvanto::SourceDevice> devices;
        QString defaultSource;
        QMap<QString, ScriptedCard> cards;
        // Volumes above this are taken as this (server units, 65536 is unity gain).
        quint32 maxVolume = std::numeric_limits<quint32>::max();
        // Volumes are rounded down to multiples of this.
        quint32 volumeGranularity = 1;
        // Card levels are stored in this many steps of their range, as many capture levels
        // are; 0 stores them exactly.
        int cardLevelSteps = 0;
        QString captureRefusal = QStringLiteral("the scripted mixer does not capture");
        // What the recorder asked for.
        int sourceListings = 0;
        int setVolumeCalls = 0;
    };

    explicit ScriptedMixer(std::shared_ptr<State> state) : state_(std::move(state)) {}
    // Works on a state the test keeps.
    explicit ScriptedMixer(State *borrowed) : state_(std::shared_ptr<State>(), borrowed) {}

    bool connected() const override { return true; }
    QVector<pelvanto::SourceDevice> sources() override {
        ++state_->sourceListings;
        return state_->devices;
    }
    bool source(const QString &name, pelvanto::SourceDevice *out) override {
        const pelvanto::SourceDevice *d = find(name);
        if (d)
            *out = *d;
        return d != nullptr;
    }
    QString defaultSource() override { return state_->defaultSource; }
    bool setVolumes(const QString &name, const QVector<quint32> &volumes) override {
        ++state_->setVolumeCalls;
        pelvanto::SourceDevice *d = find(name);
        if (!d || volumes.size() != d->volumes.size())
            return false;
        for (qsizetype c = 0; c < volumes.size(); ++c) {
            const quint32 v = std::min(volumes[c], state_->maxVolume);
            d->volumes[c] = v - v % state_->volumeGranularity;
        }
        return true;
    }
    bool setMute(const QString &name, bool muted) override {
        pelvanto::SourceDevice *d = find(name);
        if (d)
            d->muted = muted;
        return d != nullptr;
    }
    bool setActivePort(const QString &name, const QString &port) override {
        pelvanto::SourceDevice *d = find(name);
        if (!d)
            return false;
        for (const auto &p : d->ports)
            if (p.name == port) {
                d->activePort = port;
                return true;
            }
        return false;
    }
    QVector<pelvanto::CardControl> cardControls(const QString &card) override {
        return state_->cards.value(card).controls;
    }
    QVariant cardControlValue(const QString &card, int index) override {
        return state_->cards.value(card).values.value(index);
    }
    bool setCardControlValue(const QString &card, int index, const QVariant &value) override {
        auto it = state_->cards.find(card);
        if (it == state_->cards.end() || index < 0 || index >= it->values.size())
            return false;
        QVariant stored = value;
        const int steps = state_->cardLevelSteps;
        if (steps > 0 && index < it->controls.size() && !it->controls[index].isSwitch) {
            const pelvanto::CardControl &c = it->controls[index];
            const double range = double(c.maximum) - c.minimum;
            const double step = std::lround((value.toInt() - c.minimum) * steps / range);
            stored = QVariant(qint32(std::lround(c.minimum + step * range / steps)));
        }
        it->values[index] = stored;
        return true;
    }
    std::unique_ptr<pelvanto::CaptureStream> openCapture(const QString &, int, int, int,
                                                         pelvanto::CaptureCallbacks,
                                                         QString *error) override {
        if (error)
            *error = state_->captureRefusal;
        return nullptr;
    }

private:
    pelvanto::SourceDevice *find(const QString &name) {
        for (auto &d : state_->devices)
            if (d.name == name)
                return &d;
        return nullptr;
    }

    std::shared_ptr<State> state_;
};

// A stereo capture device with `ports` input ports (the first one active).
inline pelvanto::SourceDevice stereoDevice(const QString &name, int ports) {
    pelvanto::SourceDevice d;
    d.name = name;
    d.description = name + QStringLiteral(" input");
    d.channelNames = {QStringLiteral("front-left"), QStringLiteral("front-right")};
    d.channelSides = {-1, 1};
    d.volumes = {65536, 65536};
    for (int i = 0; i < ports; ++i)
        d.ports.append(
            {QStringLiteral("port%1").arg(i + 1), QStringLiteral("Jack %1").arg(i + 1), true});
    if (ports > 0)
        d.activePort = d.ports.first().name;
    return d;
}

} // namespace testsupport
