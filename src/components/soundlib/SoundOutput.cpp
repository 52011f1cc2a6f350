#include "soundlib/SoundOutput.h"

#include "capture/PulseConnection.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace pelvanto::sound {

namespace {

constexpr size_t kFrameBytes = 2 * sizeof(float);

class PulseOutput : public SoundOutput {
public:
    ~PulseOutput() override {
        if (stream_ == nullptr)
            return;
        PulseConnection::Lock lock(*connection_);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        if (pa_stream_get_state(stream_) == PA_STREAM_READY)
            pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }

    bool open(int rate, int bufferMs, const QByteArray &sink, QString *error) {
        connection_ = PulseConnection::open("Pelvanto sound");
        if (!connection_) {
            *error = QStringLiteral("the sound server is not available");
            return false;
        }
        PulseConnection::Lock lock(*connection_);
        const pa_sample_spec format{PA_SAMPLE_FLOAT32LE, static_cast<uint32_t>(rate), 2};
        if (!pa_sample_spec_valid(&format)) {
            *error = QStringLiteral("the output rate is not possible");
            return false;
        }
        pa_channel_map map;
        pa_channel_map_init_stereo(&map);
        stream_ = pa_stream_new(connection_->context(), "Sound", &format, &map);
        if (stream_ == nullptr) {
            *error = connection_->lastServerError();
            return false;
        }
        pa_stream_set_state_callback(stream_, signalLoop, connection_.get());
        pa_stream_set_write_callback(
            stream_, [](pa_stream *, size_t, void *c) { signalLoop(nullptr, c); },
            connection_.get());
        pa_buffer_attr attr;
        std::memset(&attr, 0xff, sizeof attr);
        attr.tlength = static_cast<uint32_t>(
            pa_usec_to_bytes(pa_usec_t(bufferMs) * PA_USEC_PER_MSEC, &format));
        attr.minreq = attr.tlength / 4;
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY);
        if (pa_stream_connect_playback(stream_, sink.isEmpty() ? nullptr : sink.constData(), &attr,
                                       flags, nullptr, nullptr) < 0) {
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

    qint64 waitWritable() override {
        PulseConnection::Lock lock(*connection_);
        for (;;) {
            if (woken_)
                return 0;
            if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
                failed_ = true;
                return 0;
            }
            const size_t room = pa_stream_writable_size(stream_);
            if (room != static_cast<size_t>(-1) && room >= kFrameBytes)
                return static_cast<qint64>(room / kFrameBytes);
            pa_threaded_mainloop_wait(connection_->loop());
        }
    }

    bool write(const float *frames, qint64 count) override {
        PulseConnection::Lock lock(*connection_);
        if (pa_stream_write(stream_, frames, static_cast<size_t>(count) * kFrameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            failed_ = true;
            return false;
        }
        return true;
    }

    void wake() override {
        PulseConnection::Lock lock(*connection_);
        woken_ = true;
        connection_->signal();
    }

    bool failed() const override { return failed_; }

private:
    static void signalLoop(pa_stream *, void *connection) {
        static_cast<PulseConnection *>(connection)->signal();
    }

    std::shared_ptr<PulseConnection> connection_;
    pa_stream *stream_ = nullptr;
    bool woken_ = false; // with the loop locked
    std::atomic<bool> failed_ = false;
};

class SilentOutput : public SoundOutput {
public:
    SilentOutput(int rate, int bufferMs)
        : rate_(rate), ahead_(std::max<qint64>(1, qint64(rate) * bufferMs / 1000)),
          start_(std::chrono::steady_clock::now()) {}

    qint64 waitWritable() override {
        std::unique_lock lock(mutex_);
        for (;;) {
            if (woken_)
                return 0;
            const auto elapsed = std::chrono::steady_clock::now() - start_;
            const qint64 due =
                std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * rate_ /
                    1000000 +
                ahead_;
            if (due - written_ >= ahead_ / 4)
                return due - written_;
            woke_.wait_for(lock, std::chrono::microseconds(ahead_ * 250000 / rate_));
        }
    }

    bool write(const float *, qint64 count) override {
        std::lock_guard lock(mutex_);
        written_ += count;
        return true;
    }

    void wake() override {
        std::lock_guard lock(mutex_);
        woken_ = true;
        woke_.notify_all();
    }

    bool failed() const override { return false; }

private:
    int rate_;
    qint64 ahead_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable woke_;
    qint64 written_ = 0;
    bool woken_ = false;
};

struct SinkList {
    PulseConnection *connection;
    OutputDevices *devices;
};

void collectSink(pa_context *, const pa_sink_info *info, int eol, void *userdata) {
    auto *list = static_cast<SinkList *>(userdata);
    if (eol == 0 && info != nullptr) {
        list->devices->names << QString::fromUtf8(info->description != nullptr ? info->description
                                                                               : info->name);
        list->devices->sinks << QByteArray(info->name);
    }
    list->connection->signal();
}

} // namespace

OutputDevices pulseOutputDevices() {
    OutputDevices devices;
    const auto connection = PulseConnection::open("Pelvanto sound devices");
    if (!connection)
        return devices;
    devices.names << QStringLiteral("Default output");
    devices.sinks << QByteArray();
    PulseConnection::Lock lock(*connection);
    SinkList list{connection.get(), &devices};
    if (!connection->await(
            pa_context_get_sink_info_list(connection->context(), collectSink, &list)))
        devices = {};
    return devices;
}

std::unique_ptr<SoundOutput> openPulseOutput(int rate, int bufferMs, const QByteArray &sink,
                                             QString *error) {
    auto output = std::make_unique<PulseOutput>();
    if (!output->open(rate, bufferMs, sink, error))
        return nullptr;
    return output;
}

std::unique_ptr<SoundOutput> openSilentOutput(int rate, int bufferMs) {
    return std::make_unique<SilentOutput>(rate, bufferMs);
}

} // namespace pelvanto::sound
