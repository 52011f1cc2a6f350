#include "capture/AlsaMixer.h"
#include "capture/MixerBackend.h"
#include "capture/PulseConnection.h"

#include <QByteArray>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

namespace pelvanto {

namespace {

int sideOf(pa_channel_position_t p) {
    switch (p) {
    case PA_CHANNEL_POSITION_FRONT_LEFT:
    case PA_CHANNEL_POSITION_REAR_LEFT:
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_LEFT:
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
        return -1;
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
        return 1;
    default:
        return 0;
    }
}

SourceDevice toDevice(const pa_source_info *i) {
    SourceDevice d;
    d.name = QString::fromUtf8(i->name);
    d.description = QString::fromUtf8(i->description ? i->description : i->name);
    d.monitor = i->monitor_of_sink != PA_INVALID_INDEX;
    for (int c = 0; c < i->channel_map.channels; ++c) {
        d.channelNames << QString::fromUtf8(
            pa_channel_position_to_pretty_string(i->channel_map.map[c]));
        d.channelSides << sideOf(i->channel_map.map[c]);
        d.volumes << i->volume.values[c];
    }
    d.muted = i->mute != 0;
    for (uint32_t p = 0; p < i->n_ports; ++p) {
        const pa_source_port_info *port = i->ports[p];
        SourcePort sp;
        sp.name = QString::fromUtf8(port->name);
        sp.description = QString::fromUtf8(port->description ? port->description : port->name);
        sp.available = port->available != PA_PORT_AVAILABLE_NO;
        d.ports << sp;
    }
    if (i->active_port)
        d.activePort = QString::fromUtf8(i->active_port->name);
    if (const char *card = pa_proplist_gets(i->proplist, "alsa.card"))
        d.alsaCard = QString::fromUtf8(card);
    return d;
}

struct Result {
    PulseConnection *connection;
    bool success = false;
};

void succeeded(pa_context *, int success, void *userdata) {
    auto *r = static_cast<Result *>(userdata);
    r->success = success != 0;
    r->connection->signal();
}

// Capture from one source in small fragments.
class PulseCapture final : public CaptureStream {
public:
    PulseCapture(std::shared_ptr<PulseConnection> connection, CaptureCallbacks callbacks,
                 int channels)
        : connection_(std::move(connection)), callbacks_(std::move(callbacks)),
          frameBytes_(channels * static_cast<int>(sizeof(qint16))) {}

    ~PulseCapture() override { stop(); }

    // The server is asked for fragments of `periodMs`: short enough that stopping loses
    // nothing and the displays keep up with the timer, long enough that the capture thread
    // wakes no more often than the timer does.
    bool open(const QString &source, int rate, int channels, int periodMs, QString *error) {
        PulseConnection::Lock lock(*connection_);
        if (!connection_->ready()) {
            *error = QStringLiteral("the sound server is not available");
            return false;
        }
        pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<uint32_t>(rate),
                            static_cast<uint8_t>(channels)};
        if (!pa_sample_spec_valid(&spec)) {
            *error = QStringLiteral("the capture format is not possible");
            return false;
        }
        pa_channel_map map;
        pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);
        stream_ = pa_stream_new(connection_->context(), "Recording", &spec, &map);
        if (!stream_) {
            *error = connection_->lastServerError();
            return false;
        }
        pa_stream_set_state_callback(stream_, stateChanged, this);
        pa_stream_set_read_callback(stream_, readable, this);
        const auto period = static_cast<pa_usec_t>(std::clamp(periodMs, 10, 1000));
        periodBytes_ = pa_usec_to_bytes(period * PA_USEC_PER_MSEC, &spec);
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.fragsize = static_cast<uint32_t>(periodBytes_);
        const QByteArray name = source.toUtf8();
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (pa_stream_connect_record(stream_, name.constData(), &attr, flags) < 0) {
            *error = connection_->lastServerError();
            release();
            return false;
        }
        connection_->waitUntil(
            [this] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; }, 5000);
        if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
            *error = connection_->lastServerError();
            release();
            return false;
        }
        return true;
    }

    void stop() override {
        PulseConnection::Lock lock(*connection_);
        if (!stream_)
            return;
        if (pa_stream_get_state(stream_) == PA_STREAM_READY) {
            // What was captured until now is still on its way: wait for the next fragment.
            const quint64 seen = fragments_;
            connection_->waitUntil(
                [this, seen] {
                    return fragments_ > seen || pa_stream_get_state(stream_) != PA_STREAM_READY;
                },
                250);
            drainReadable();
        }
        release();
    }

private:
    static void stateChanged(pa_stream *s, void *userdata) {
        auto *self = static_cast<PulseCapture *>(userdata);
        const pa_stream_state_t st = pa_stream_get_state(s);
        if ((st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) && !self->failed_) {
            self->failed_ = true;
            QString reason =
                st == PA_STREAM_FAILED
                    ? QString::fromUtf8(pa_strerror(pa_context_errno(pa_stream_get_context(s))))
                    : QStringLiteral("the recording device was closed");
            if (pa_context_get_state(pa_stream_get_context(s)) != PA_CONTEXT_READY)
                reason = QStringLiteral("the sound server went away");
            if (self->callbacks_.failed)
                self->callbacks_.failed(reason);
        }
        self->connection_->signal();
    }

    // A source that runs at a shorter latency (because another program asked for one) still
    // delivers every few milliseconds. Its pieces wait in the stream as long as one more would
    // not make the oldest older than a period: processing them in one go costs far less than
    // waking the filters for each, and every tick of the timer still finds new audio.
    static void readable(pa_stream *, size_t available, void *userdata) {
        auto *self = static_cast<PulseCapture *>(userdata);
        const size_t piece = available - std::min(available, self->waitingBytes_);
        self->waitingBytes_ = available;
        if (available + piece > self->periodBytes_) {
            self->drain(available);
            self->waitingBytes_ = 0;
        }
        ++self->fragments_;
        self->connection_->signal();
    }

    void drainReadable() {
        const size_t available = pa_stream_readable_size(stream_);
        if (available != static_cast<size_t>(-1))
            drain(available);
        waitingBytes_ = 0;
    }

    // Takes `available` bytes. Every call into the library checks for a fork with a system
    // call, and this runs for every fragment: no call more than needed.
    void drain(size_t available) {
        while (available > 0) {
            const void *data = nullptr;
            size_t bytes = 0;
            if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0)
                break;
            available -= std::min(available, bytes);
            if (data) {
                deliver(static_cast<const char *>(data), bytes);
            } else {
                // A hole: the server lost data; keep the timeline with silence.
                std::vector<char> zeros(bytes, 0);
                deliver(zeros.data(), bytes);
            }
            pa_stream_drop(stream_);
        }
    }

    void deliver(const char *bytes, size_t count) {
        if (!callbacks_.data)
            return;
        // Fragments normally hold whole frames; carry a split frame over to the next one.
        if (!carry_.isEmpty()) {
            const auto need = static_cast<size_t>(frameBytes_ - carry_.size());
            const size_t take = std::min(need, count);
            carry_.append(bytes, static_cast<qsizetype>(take));
            bytes += take;
            count -= take;
            if (carry_.size() == frameBytes_) {
                callbacks_.data(reinterpret_cast<const qint16 *>(carry_.constData()), 1);
                carry_.clear();
            }
        }
        const size_t frames = count / static_cast<size_t>(frameBytes_);
        if (frames > 0) {
            if (reinterpret_cast<quintptr>(bytes) % alignof(qint16) == 0) {
                callbacks_.data(reinterpret_cast<const qint16 *>(bytes),
                                static_cast<qsizetype>(frames));
            } else {
                aligned_.resize(frames * static_cast<size_t>(frameBytes_) / sizeof(qint16));
                std::memcpy(aligned_.data(), bytes, frames * static_cast<size_t>(frameBytes_));
                callbacks_.data(aligned_.data(), static_cast<qsizetype>(frames));
            }
        }
        const size_t rest = count - frames * static_cast<size_t>(frameBytes_);
        if (rest > 0)
            carry_.append(bytes + frames * static_cast<size_t>(frameBytes_),
                          static_cast<qsizetype>(rest));
    }

    void release() {
        if (!stream_)
            return;
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        if (pa_stream_get_state(stream_) == PA_STREAM_READY)
            pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }

    std::shared_ptr<PulseConnection> connection_;
    CaptureCallbacks callbacks_;
    int frameBytes_;
    pa_stream *stream_ = nullptr;
    quint64 fragments_ = 0;
    size_t periodBytes_ = 0;
    size_t waitingBytes_ = 0; // in the stream, not taken yet
    bool failed_ = false;
    QByteArray carry_;
    std::vector<qint16> aligned_;
};

// Mixer state comes from a cache of the server's sources that its change events keep up to
// date, so that reading every line of a device costs no round trip. The cache, the event
// callbacks and the requests they send run under the loop lock.
class PulseBackend final : public MixerBackend {
public:
    PulseBackend() { reconnect(); }
    ~PulseBackend() override { unsubscribe(); }
    PulseBackend(const PulseBackend &) = delete;
    PulseBackend &operator=(const PulseBackend &) = delete;

    bool connected() const override { return connection_ && connection_->readyUnlocked(); }

    // Always asks the server: a device may have come a moment ago, before its event.
    QVector<SourceDevice> sources() override {
        if (!connected())
            reconnect();
        if (!connection_)
            return {};
        PulseConnection::Lock lock(*connection_);
        Listing list{this, {}};
        if (!connection_->ready() || !roundTrip(pa_context_get_source_info_list(
                                         connection_->context(), collectListed, &list)))
            return {};
        cache_ = list.devices;
        QVector<SourceDevice> out = cache_.values();
        // Two devices of the same description get their server names added.
        QHash<QString, int> seen;
        for (const auto &d : out)
            ++seen[d.description];
        for (auto &d : out)
            if (seen.value(d.description) > 1)
                d.description += QStringLiteral(" (") + d.name + QLatin1Char(')');
        return out;
    }

    bool source(const QString &name, SourceDevice *out) override {
        if (!connection_)
            return false;
        PulseConnection::Lock lock(*connection_);
        if (!connection_->ready())
            return false;
        if (const SourceDevice *cached = findCached(name)) {
            *out = *cached;
            return true;
        }
        if (!fetch(name))
            return false;
        const SourceDevice *fetched = findCached(name);
        if (fetched == nullptr)
            return false;
        *out = *fetched;
        return true;
    }

    QString defaultSource() override {
        if (!connection_)
            return {};
        PulseConnection::Lock lock(*connection_);
        if (!connection_->ready())
            return {};
        if (!defaultKnown_)
            roundTrip(pa_context_get_server_info(connection_->context(), serverInfo, this));
        return defaultSource_;
    }

    bool setVolumes(const QString &source, const QVector<quint32> &volumes) override {
        if (!connection_ || volumes.isEmpty() || volumes.size() > PA_CHANNELS_MAX)
            return false;
        pa_cvolume v;
        v.channels = static_cast<uint8_t>(volumes.size());
        for (int c = 0; c < volumes.size(); ++c)
            v.values[c] = std::min<quint32>(volumes[c], PA_VOLUME_MAX);
        return change(
            [&](pa_context *c, const char *n, Result *r) {
                return pa_context_set_source_volume_by_name(c, n, &v, succeeded, r);
            },
            source);
    }

    bool setMute(const QString &source, bool muted) override {
        return change(
            [&](pa_context *c, const char *n, Result *r) {
                return pa_context_set_source_mute_by_name(c, n, muted ? 1 : 0, succeeded, r);
            },
            source);
    }

    bool setActivePort(const QString &source, const QString &port) override {
        const QByteArray p = port.toUtf8();
        return change(
            [&](pa_context *c, const char *n, Result *r) {
                return pa_context_set_source_port_by_name(c, n, p.constData(), succeeded, r);
            },
            source);
    }

    QVector<CardControl> cardControls(const QString &card) override {
        return alsamixer::controls(card);
    }
    QVariant cardControlValue(const QString &card, int index) override {
        return alsamixer::value(card, index);
    }
    bool setCardControlValue(const QString &card, int index, const QVariant &value) override {
        return alsamixer::setValue(card, index, value);
    }

    std::unique_ptr<CaptureStream> openCapture(const QString &source, int rate, int channels,
                                               int periodMs, CaptureCallbacks callbacks,
                                               QString *error) override {
        if (!connected())
            reconnect();
        if (!connection_) {
            *error = QStringLiteral("the sound server is not available");
            return nullptr;
        }
        auto capture = std::make_unique<PulseCapture>(connection_, std::move(callbacks), channels);
        if (!capture->open(source, rate, channels, periodMs, error))
            return nullptr;
        return capture;
    }

    quint64 serverRoundTrips() const override { return roundTrips_; }

private:
    struct Listing {
        PulseBackend *backend;
        QMap<uint32_t, SourceDevice> devices;
    };

    static void collectListed(pa_context *, const pa_source_info *i, int eol, void *userdata) {
        auto *list = static_cast<Listing *>(userdata);
        if (eol == 0 && i)
            list->devices.insert(i->index, toDevice(i));
        list->backend->connection_->signal();
    }

    // A source's new state, asked for after its change event or a change of ours.
    static void updated(pa_context *, const pa_source_info *i, int eol, void *userdata) {
        auto *self = static_cast<PulseBackend *>(userdata);
        if (eol == 0 && i)
            self->cache_.insert(i->index, toDevice(i));
        self->connection_->signal();
    }

    static void serverInfo(pa_context *, const pa_server_info *i, void *userdata) {
        auto *self = static_cast<PulseBackend *>(userdata);
        if (i) {
            self->defaultSource_ =
                i->default_source_name ? QString::fromUtf8(i->default_source_name) : QString();
            self->defaultKnown_ = true;
        }
        self->connection_->signal();
    }

    static void changed(pa_context *c, pa_subscription_event_type_t type, uint32_t index,
                        void *userdata) {
        auto *self = static_cast<PulseBackend *>(userdata);
        const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto kind = type & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
            if (kind == PA_SUBSCRIPTION_EVENT_REMOVE)
                self->cache_.remove(index);
            else
                self->track(pa_context_get_source_info_by_index(c, index, updated, self));
        } else if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            self->track(pa_context_get_server_info(c, serverInfo, self));
        }
    }

    const SourceDevice *findCached(const QString &name) const {
        for (const SourceDevice &d : cache_)
            if (d.name == name)
                return &d;
        return nullptr;
    }

    // With the loop locked.
    bool roundTrip(pa_operation *op) {
        ++roundTrips_;
        return connection_->await(op);
    }

    bool fetch(const QString &name) {
        const QByteArray n = name.toUtf8();
        return roundTrip(pa_context_get_source_info_by_name(connection_->context(), n.constData(),
                                                            updated, this));
    }

    // Sends the change and, right behind it, the request for the source's new state; the server
    // answers both in order, so one wait covers them.
    template <typename F> bool change(F request, const QString &source) {
        if (!connection_)
            return false;
        PulseConnection::Lock lock(*connection_);
        if (!connection_->ready())
            return false;
        Result r{connection_.get()};
        const QByteArray n = source.toUtf8();
        pa_operation *set = request(connection_->context(), n.constData(), &r);
        pa_operation *get = set ? pa_context_get_source_info_by_name(connection_->context(),
                                                                     n.constData(), updated, this)
                                : nullptr;
        const bool ok = roundTrip(set) && r.success;
        if (get != nullptr)
            connection_->await(get);
        return ok;
    }

    // Requests sent from event callbacks: cancelled when the backend goes, so that no answer
    // reaches it afterwards.
    void track(pa_operation *op) {
        if (op == nullptr)
            return;
        pending_.erase(std::remove_if(pending_.begin(), pending_.end(),
                                      [](pa_operation *o) {
                                          if (pa_operation_get_state(o) == PA_OPERATION_RUNNING)
                                              return false;
                                          pa_operation_unref(o);
                                          return true;
                                      }),
                       pending_.end());
        pending_.push_back(op);
    }

    void unsubscribe() {
        if (!connection_)
            return;
        PulseConnection::Lock lock(*connection_);
        pa_context_set_subscribe_callback(connection_->context(), nullptr, nullptr);
        for (pa_operation *op : pending_) {
            if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
                pa_operation_cancel(op);
            pa_operation_unref(op);
        }
        pending_.clear();
    }

    void reconnect() {
        unsubscribe();
        connection_ = PulseConnection::open("Pelvanto recorder");
        cache_.clear();
        defaultSource_.clear();
        defaultKnown_ = false;
        if (!connection_)
            return;
        PulseConnection::Lock lock(*connection_);
        pa_context_set_subscribe_callback(connection_->context(), changed, this);
        track(pa_context_subscribe(connection_->context(),
                                   static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE |
                                                                       PA_SUBSCRIPTION_MASK_SERVER),
                                   nullptr, nullptr));
    }

    std::shared_ptr<PulseConnection> connection_;
    QMap<uint32_t, SourceDevice> cache_; // by the server's index
    QString defaultSource_;
    bool defaultKnown_ = false;
    std::vector<pa_operation *> pending_;
    std::atomic<quint64> roundTrips_{0};
};

} // namespace

std::unique_ptr<MixerBackend> makePulseBackend() {
    return std::make_unique<PulseBackend>();
}

} // namespace pelvanto
