#include "capture/AudioPlayer.h"

#include "capture/PulseConnection.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <mutex>

namespace pelvanto {

namespace {
constexpr int kLatestSeconds = 4;
constexpr int kBufferMs = 100; // what the server holds ahead of the speaker
} // namespace

// Everything behind AudioPlayer. The stream callbacks run on the main-loop thread; they share
// what `mutex_` guards. Lock order: main loop first, then `mutex_`.
class PlayEngine {
public:
    explicit PlayEngine(AudioPlayer *q) : q_(q) {
        timer_.setInterval(50);
        QObject::connect(&timer_, &QTimer::timeout, q_, [this] { tick(); });
    }

    ~PlayEngine() {
        timer_.stop();
        closeStream();
        connection_.reset(); // stops the loop: no callback runs after this
    }

    AudioPlayer *q_;
    QTimer timer_;
    std::shared_ptr<PulseConnection> connection_;
    pa_stream *stream_ = nullptr;
    int streamRate_ = 0;
    int streamChannels_ = 0;
    int rate_ = 44100;
    int channels_ = 2;

    mutable std::mutex mutex_;
    std::deque<QVector<qint16>> queue_;
    qsizetype headUsed_ = 0; // elements of queue_.front() already written
    qint64 written_ = 0;     // frames handed to the server in this run
    qint64 stoppedAt_ = 0;   // frames of the last run, once stopped
    bool playing_ = false;
    bool starving_ = false; // told the window the queue is empty
    bool endOfData_ = false;
    bool ended_ = false;
    // No writes until the owner's thread returns to its event loop, for a few milliseconds at
    // most: a busy owner must not starve the output.
    bool hold_ = false;
    std::chrono::steady_clock::time_point holdSince_;
    int status_ = 0;
    int generation_ = 0;
    QString error_;
    std::vector<qint16> latest_;
    size_t latestPos_ = 0;
    size_t latestFill_ = 0;

    template <typename F> void post(F f) {
        QPointer<AudioPlayer> q = q_;
        QMetaObject::invokeMethod(
            q_,
            [q, f] {
                if (q)
                    f();
            },
            Qt::QueuedConnection);
    }

    int generation() const {
        std::lock_guard lock(mutex_);
        return generation_;
    }

    // Main loop locked.
    void writeSome(size_t bytes) {
        std::lock_guard lock(mutex_);
        if (!playing_ || !stream_)
            return;
        if (hold_ && std::chrono::steady_clock::now() - holdSince_ < std::chrono::milliseconds(5))
            return;
        const int gen = generation_;
        auto elems = static_cast<qsizetype>(bytes / sizeof(qint16));
        elems -= elems % channels_;
        while (elems > 0 && !queue_.empty()) {
            const QVector<qint16> &front = queue_.front();
            const qsizetype take = std::min(elems, front.size() - headUsed_);
            const qint16 *p = front.constData() + headUsed_;
            if (pa_stream_write(stream_, p, static_cast<size_t>(take) * sizeof(qint16), nullptr, 0,
                                PA_SEEK_RELATIVE) < 0)
                break;
            for (qsizetype i = 0; i < take; ++i) {
                latest_[latestPos_] = p[i];
                latestPos_ = (latestPos_ + 1) % latest_.size();
            }
            latestFill_ = std::min(latest_.size(), latestFill_ + static_cast<size_t>(take));
            written_ += take / channels_;
            headUsed_ += take;
            elems -= take;
            if (headUsed_ == front.size()) {
                queue_.pop_front();
                headUsed_ = 0;
                post([this, gen] {
                    if (generation() == gen)
                        emit q_->EndArrayPlay();
                });
            }
        }
        if (queue_.empty() && !starving_) {
            starving_ = true;
            post([this, gen] { starved(gen); });
        }
    }

    // Writes what the server has room for (loop not locked).
    void writeNow() {
        if (!stream_ || !connection_)
            return;
        PulseConnection::Lock lock(*connection_);
        const size_t room = pa_stream_writable_size(stream_);
        if (room != static_cast<size_t>(-1) && room > 0)
            writeSome(room);
    }

    // The queue ran dry: ask for more; if nobody gives any, this is the end of the data.
    void starved(int gen) {
        if (generation() != gen)
            return;
        emit q_->RequestOnLoadArray();
        {
            std::lock_guard lock(mutex_);
            if (generation_ != gen || !playing_ || !queue_.empty() || !starving_)
                return;
            endOfData_ = true;
        }
        PulseConnection::Lock lock(*connection_);
        if (stream_)
            if (pa_operation *op = pa_stream_drain(stream_, drained, this))
                pa_operation_unref(op);
    }

    static void drained(pa_stream *, int, void *userdata) {
        auto *self = static_cast<PlayEngine *>(userdata);
        int gen = 0;
        {
            std::lock_guard lock(self->mutex_);
            gen = self->generation_;
        }
        self->post([self, gen] {
            {
                std::lock_guard lock(self->mutex_);
                if (self->generation_ != gen || !self->endOfData_ || self->ended_ ||
                    !self->queue_.empty() || !self->playing_)
                    return;
                self->ended_ = true;
            }
            emit self->q_->EndPlay();
        });
    }

    static void writable(pa_stream *, size_t bytes, void *userdata) {
        static_cast<PlayEngine *>(userdata)->writeSome(bytes);
    }

    static void stateChanged(pa_stream *s, void *userdata) {
        auto *self = static_cast<PlayEngine *>(userdata);
        const pa_stream_state_t st = pa_stream_get_state(s);
        if (st == PA_STREAM_FAILED || st == PA_STREAM_TERMINATED) {
            const QString reason =
                QString::fromUtf8(pa_strerror(pa_context_errno(pa_stream_get_context(s))));
            self->post([self, reason] { self->failed(reason); });
        }
        self->connection_->signal();
    }

    void failed(const QString &reason) {
        {
            std::lock_guard lock(mutex_);
            if (!playing_)
                return;
            playing_ = false;
            stoppedAt_ = written_;
            status_ = -1;
            error_ = QStringLiteral("Playback device lost: ") + reason;
            queue_.clear();
            headUsed_ = 0;
            ++generation_;
        }
        timer_.stop();
        emit q_->EndPlay();
    }

    void closeStream() {
        if (!stream_ || !connection_)
            return;
        PulseConnection::Lock lock(*connection_);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        if (pa_stream_get_state(stream_) == PA_STREAM_READY)
            pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }

    bool openStream(QString *error) {
        if (stream_ && streamRate_ == rate_ && streamChannels_ == channels_) {
            PulseConnection::Lock lock(*connection_);
            if (pa_stream_get_state(stream_) == PA_STREAM_READY)
                return true;
        }
        closeStream();
        if (!connection_ || !connection_->readyUnlocked())
            connection_ = PulseConnection::open("Pelvanto player");
        if (!connection_) {
            *error = QStringLiteral("the sound server is not available");
            return false;
        }
        PulseConnection::Lock lock(*connection_);
        pa_sample_spec spec{PA_SAMPLE_S16LE, static_cast<uint32_t>(rate_),
                            static_cast<uint8_t>(channels_)};
        if (!pa_sample_spec_valid(&spec)) {
            *error = QStringLiteral("the playback format is not possible");
            return false;
        }
        pa_channel_map map;
        pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);
        stream_ = pa_stream_new(connection_->context(), "Playback", &spec, &map);
        if (!stream_) {
            *error = connection_->lastServerError();
            return false;
        }
        streamRate_ = rate_;
        streamChannels_ = channels_;
        pa_stream_set_state_callback(stream_, stateChanged, this);
        pa_stream_set_write_callback(stream_, writable, this);
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kBufferMs * PA_USEC_PER_MSEC, &spec));
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
        if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
            *error = connection_->lastServerError();
            return false;
        }
        connection_->waitUntil(
            [this] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; }, 5000);
        if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
            *error = connection_->lastServerError();
            return false;
        }
        return true;
    }

    // Frames of this run the listener has heard by now.
    qint64 played() const {
        qint64 latencyFrames = 0;
        if (stream_ && connection_) {
            PulseConnection::Lock lock(*connection_);
            pa_usec_t usec = 0;
            int negative = 0;
            if (pa_stream_get_latency(stream_, &usec, &negative) == 0 && !negative)
                latencyFrames =
                    static_cast<qint64>(usec * static_cast<pa_usec_t>(rate_) / PA_USEC_PER_SEC);
        }
        std::lock_guard lock(mutex_);
        if (!playing_)
            return stoppedAt_;
        return std::clamp<qint64>(written_ - latencyFrames, 0, written_);
    }

    // The n elements that end at frame `at` of this run. With mutex_ held.
    QVector<qint16> latestAt(qint64 at, int n) const {
        const auto behind = static_cast<size_t>(std::max<qint64>(0, written_ - at) * channels_);
        if (behind >= latestFill_ || n <= 0)
            return {};
        size_t count = std::min(static_cast<size_t>(n), latestFill_ - behind);
        count -= count % static_cast<size_t>(channels_);
        QVector<qint16> out(static_cast<qsizetype>(count));
        const size_t size = latest_.size();
        const size_t end = (latestPos_ + size - behind) % size;
        for (size_t i = 0; i < count; ++i)
            out[static_cast<qsizetype>(i)] = latest_[(end + size - count + i) % size];
        return out;
    }

    void tick() {
        const qint64 at = played();
        int levels[2] = {0, 0};
        {
            std::lock_guard lock(mutex_);
            if (!playing_)
                return;
            const QVector<qint16> recent = latestAt(at, std::max(1, rate_ / 20) * channels_);
            for (qsizetype i = 0; i < recent.size(); ++i) {
                int &level = levels[std::min<qsizetype>(i % channels_, 1)];
                level = std::max(level, std::min(32767, std::abs(static_cast<int>(recent[i]))));
            }
        }
        emit q_->Timer(at, levels[0], channels_ > 1 ? levels[1] : levels[0]);
    }
};

AudioPlayer::AudioPlayer(QObject *parent)
    : QObject(parent), d(std::make_unique<PlayEngine>(this)) {}

AudioPlayer::~AudioPlayer() = default;

void AudioPlayer::SetFormat(int rate, int channels) {
    if (rate < 1000 || rate > 384000 || channels < 1 || channels > 2)
        return;
    std::lock_guard lock(d->mutex_);
    if (d->playing_)
        return; // takes effect at the next start
    d->rate_ = rate;
    d->channels_ = channels;
}

int AudioPlayer::SampleRate() const {
    return d->rate_;
}
int AudioPlayer::ChannelCount() const {
    return d->channels_;
}
qint64 AudioPlayer::MsToSamples(qint64 ms) const {
    return ms * d->rate_ / 1000;
}
qint64 AudioPlayer::SamplesToMs(qint64 frames) const {
    return frames * 1000 / d->rate_;
}

void AudioPlayer::PlayStart() {
    {
        std::lock_guard lock(d->mutex_);
        if (d->playing_)
            return;
    }
    QString error;
    if (!d->openStream(&error)) {
        std::lock_guard lock(d->mutex_);
        d->status_ = -1;
        d->error_ = QStringLiteral("Cannot open the playback device: ") + error;
        return;
    }
    {
        std::lock_guard lock(d->mutex_);
        ++d->generation_;
        d->playing_ = true;
        d->written_ = 0;
        d->starving_ = d->endOfData_ = d->ended_ = d->hold_ = false;
        d->status_ = 1;
        d->error_.clear();
        d->latest_.assign(static_cast<size_t>(d->rate_) * d->channels_ * kLatestSeconds, 0);
        d->latestPos_ = d->latestFill_ = 0;
    }
    d->timer_.start();
    d->writeNow();
}

int AudioPlayer::PlayStatus() const {
    std::lock_guard lock(d->mutex_);
    return d->status_;
}

void AudioPlayer::QueueBlock(const QVector<qint16> &samples) {
    bool playing = false;
    {
        std::lock_guard lock(d->mutex_);
        const qsizetype whole = samples.size() - samples.size() % d->channels_;
        if (whole <= 0)
            return;
        d->queue_.push_back(whole == samples.size() ? samples : samples.first(whole));
        d->starving_ = false;
        d->endOfData_ = false;
        playing = d->playing_;
    }
    if (playing)
        d->writeNow();
}

void AudioPlayer::PlayStop() {
    {
        std::lock_guard lock(d->mutex_);
        if (!d->playing_)
            return;
        d->playing_ = false;
        d->hold_ = false;
        d->stoppedAt_ = d->written_;
        d->queue_.clear();
        d->headUsed_ = 0;
        d->status_ = 0;
        ++d->generation_;
    }
    d->timer_.stop();
    // What the server holds is heard to its end, so the run's count stays exact.
    PulseConnection::Lock lock(*d->connection_);
    if (d->stream_ && pa_stream_get_state(d->stream_) == PA_STREAM_READY)
        if (pa_operation *op = pa_stream_drain(d->stream_, nullptr, nullptr))
            pa_operation_unref(op);
}

qint64 AudioPlayer::PlayedSamples() const {
    // Frames handed over in this run; PlayStop lets them all play. Writing pauses until the
    // caller's handler returns, so a PlayStop right after this call stops exactly here.
    std::lock_guard lock(d->mutex_);
    if (!d->playing_)
        return d->stoppedAt_;
    if (!d->hold_) {
        d->hold_ = true;
        d->holdSince_ = std::chrono::steady_clock::now();
        PlayEngine *engine = d.get();
        d->post([engine] {
            {
                std::lock_guard lock(engine->mutex_);
                engine->hold_ = false;
            }
            engine->writeNow();
        });
    }
    return d->written_;
}

QVector<qint16> AudioPlayer::GetLatestSamples(int n) const {
    const qint64 at = d->played();
    std::lock_guard lock(d->mutex_);
    return d->latestAt(at, n);
}

QString AudioPlayer::LastError() const {
    std::lock_guard lock(d->mutex_);
    return d->error_;
}

} // namespace pelvanto
