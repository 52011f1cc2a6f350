#pragma once

// A sound server without sound: devices, ports and card controls the tests script. Capture is
// not offered.

#include "capture/MixerBackend.h"

#include <QMap>

namespace settingstest {

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
        // Volumes the mixer takes are rounded down to multiples of this (server units).
        quint32 volumeGranularity = 1;
        int setVolumeCalls = 0;
    };

    explicit ScriptedMixer(std::shared_ptr<State> state) : m_state(std::move(state)) {}

    bool connected() const override { return true; }
    QVector<pelvanto::SourceDevice> sources() override { return m_state->devices; }
    bool source(const QString &name, pelvanto::SourceDevice *out) override {
        for (const auto &d : m_state->devices)
            if (d.name == name) {
                *out = d;
                return true;
            }
        return false;
    }
    QString defaultSource() override { return m_state->defaultSource; }
    bool setVolumes(const QString &name, const QVector<quint32> &volumes) override {
        ++m_state->setVolumeCalls;
        for (auto &d : m_state->devices)
            if (d.name == name) {
                d.volumes = volumes;
                for (auto &v : d.volumes)
                    v -= v % m_state->volumeGranularity;
                return true;
            }
        return false;
    }
    bool setMute(const QString &name, bool muted) override {
        for (auto &d : m_state->devices)
            if (d.name == name) {
                d.muted = muted;
                return true;
            }
        return false;
    }
    bool setActivePort(const QString &name, const QString &port) override {
        for (auto &d : m_state->devices)
            if (d.name == name) {
                d.activePort = port;
                return true;
            }
        return false;
    }
    QVector<pelvanto::CardControl> cardControls(const QString &card) override {
        return m_state->cards.value(card).controls;
    }
    QVariant cardControlValue(const QString &card, int index) override {
        return m_state->cards.value(card).values.value(index);
    }
    bool setCardControlValue(const QString &card, int index, const QVariant &value) override {
        auto it = m_state->cards.find(card);
        if (it == m_state->cards.end() || index < 0 || index >= it->values.size())
            return false;
        it->values[index] = value;
        return true;
    }
    std::unique_ptr<pelvanto::CaptureStream>
    openCapture(const QString &, int, int, pelvanto::CaptureCallbacks, QString *error) override {
        if (error)
            *error = QStringLiteral("the scripted mixer does not capture");
        return nullptr;
    }

private:
    std::shared_ptr<State> m_state;
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

} // namespace settingstest
