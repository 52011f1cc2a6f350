#include "capture/AlsaMixer.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace pelvanto::alsamixer {

namespace {

constexpr qint32 kScale = 65535;

// An open mixer of one card; closes itself.
class Mixer {
public:
    explicit Mixer(const QString &card) {
        bool isNumber = false;
        card.toInt(&isNumber);
        if (!isNumber || snd_mixer_open(&handle_, 0) < 0)
            return;
        const QByteArray device = "hw:" + card.toLatin1();
        if (snd_mixer_attach(handle_, device.constData()) < 0 ||
            snd_mixer_selem_register(handle_, nullptr, nullptr) < 0 ||
            snd_mixer_load(handle_) < 0) {
            snd_mixer_close(handle_);
            handle_ = nullptr;
        }
    }
    ~Mixer() {
        if (handle_)
            snd_mixer_close(handle_);
    }
    Mixer(const Mixer &) = delete;
    Mixer &operator=(const Mixer &) = delete;

    struct Entry {
        snd_mixer_elem_t *elem;
        bool isSwitch;
    };

    // Switches first, then the level, for each capture element in the card's order.
    std::vector<Entry> entries() const {
        std::vector<Entry> out;
        if (!handle_)
            return out;
        for (snd_mixer_elem_t *e = snd_mixer_first_elem(handle_); e; e = snd_mixer_elem_next(e)) {
            if (!snd_mixer_selem_is_active(e))
                continue;
            if (snd_mixer_selem_has_capture_switch(e))
                out.push_back({e, true});
            if (snd_mixer_selem_has_capture_volume(e))
                out.push_back({e, false});
        }
        return out;
    }

private:
    snd_mixer_t *handle_ = nullptr;
};

} // namespace

QVector<CardControl> controls(const QString &card) {
    Mixer mixer(card);
    QVector<CardControl> out;
    for (const auto &entry : mixer.entries()) {
        CardControl c;
        const QString name = QString::fromUtf8(snd_mixer_selem_get_name(entry.elem));
        c.isSwitch = entry.isSwitch;
        c.name = name + (entry.isSwitch ? QStringLiteral(" Capture Switch")
                                        : QStringLiteral(" Capture Volume"));
        c.maximum = entry.isSwitch ? 1 : kScale;
        out.push_back(c);
    }
    return out;
}

QVariant value(const QString &card, int index) {
    Mixer mixer(card);
    const auto entries = mixer.entries();
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return {};
    const auto &entry = entries[static_cast<size_t>(index)];
    if (entry.isSwitch) {
        int on = 0;
        snd_mixer_selem_get_capture_switch(entry.elem, SND_MIXER_SCHN_FRONT_LEFT, &on);
        return QVariant(on != 0);
    }
    long lo = 0;
    long hi = 0;
    long raw = 0;
    snd_mixer_selem_get_capture_volume_range(entry.elem, &lo, &hi);
    snd_mixer_selem_get_capture_volume(entry.elem, SND_MIXER_SCHN_FRONT_LEFT, &raw);
    if (hi <= lo)
        return QVariant(qint32{0});
    return QVariant(static_cast<qint32>((raw - lo) * kScale / (hi - lo)));
}

bool setValue(const QString &card, int index, const QVariant &v) {
    Mixer mixer(card);
    const auto entries = mixer.entries();
    if (index < 0 || index >= static_cast<int>(entries.size()))
        return false;
    const auto &entry = entries[static_cast<size_t>(index)];
    if (entry.isSwitch)
        return snd_mixer_selem_set_capture_switch_all(entry.elem, v.toBool() ? 1 : 0) >= 0;
    long lo = 0;
    long hi = 0;
    snd_mixer_selem_get_capture_volume_range(entry.elem, &lo, &hi);
    const long scaled = std::clamp<long>(v.toInt(), 0, kScale);
    const long raw = lo + (scaled * (hi - lo) + kScale / 2) / kScale;
    return snd_mixer_selem_set_capture_volume_all(entry.elem, raw) >= 0;
}

} // namespace pelvanto::alsamixer
