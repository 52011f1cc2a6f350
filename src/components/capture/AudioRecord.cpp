#include "capture/AudioRecord.h"

#include "capture/Dsp.h"
#include "capture/MixerBackend.h"

#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <deque>
#include <mutex>

namespace pelvanto {

namespace {

constexpr int kMaxLevel = 65535;
constexpr quint32 kUnity = 65536; // the server's 100 %
// Timer events per second. Each one repaints the elapsed time and both displays, which is most
// of what a recording costs the window's thread; fifteen keep the meters fluid.
constexpr int kTimerRate = 15;
constexpr int kLatestSeconds = 2; // history kept for GetLatestSamples

quint32 toServer(int level) {
    const qint64 v = std::clamp(level, 0, kMaxLevel);
    return static_cast<quint32>((v * kUnity + kMaxLevel / 2) / kMaxLevel);
}

int fromServer(quint32 v) {
    const qint64 level = (static_cast<qint64>(v) * kMaxLevel + kUnity / 2) / kUnity;
    return static_cast<int>(std::min<qint64>(level, kMaxLevel));
}

} // namespace

// Everything behind AudioRecord. Mixer calls run on the owner's thread; the capture callbacks
// run on the backend's thread and share only what `mutex_` guards.
class RecordEngine {
public:
    RecordEngine(AudioRecord *q, std::unique_ptr<MixerBackend> backend)
        : q_(q), backend_(std::move(backend)) {
        // The ticks come from the owner's thread: evenly spaced however the server cuts the
        // audio into pieces, and the capture thread wakes nobody for them.
        ticker_.setInterval(1000 / kTimerRate);
        QObject::connect(&ticker_, &QTimer::timeout, q_, [this] { tick(); });
    }

    ~RecordEngine() { stream_.reset(); }

    AudioRecord *q_;
    std::unique_ptr<MixerBackend> backend_;

    // Devices and lines.
    QVector<SourceDevice> devices_;
    bool enumerated_ = false;
    int device_ = 0;
    int line_ = 0;

    void enumerate() {
        const QString current =
            device_ >= 0 && device_ < devices_.size() ? devices_[device_].name : QString();
        devices_ = backend_->sources();
        if (!enumerated_) {
            enumerated_ = true;
            const QString def = backend_->defaultSource();
            device_ = 0;
            for (int i = 0; i < devices_.size(); ++i)
                if (devices_[i].name == def)
                    device_ = i;
            return;
        }
        if (!current.isEmpty())
            for (int i = 0; i < devices_.size(); ++i)
                if (devices_[i].name == current)
                    device_ = i;
    }

    void ensureEnumerated() {
        if (!enumerated_)
            enumerate();
    }

    bool usable() const { return device_ >= 0 && device_ < devices_.size(); }

    // The current device as the server has it now.
    bool current(SourceDevice *out) {
        ensureEnumerated();
        if (!usable())
            return false;
        if (!backend_->source(devices_[device_].name, out))
            return false;
        out->description = devices_[device_].description;
        return true;
    }

    bool isPortLine(const SourceDevice &d) const { return line_ >= 1 && line_ <= d.ports.size(); }

    // Advanced controls of line 0: mute, one level per channel, then the card's own.
    struct Advanced {
        QString name;
        enum Kind { Mute, Channel, Card } kind;
        int index;
    };
    QVector<Advanced> advanced(const SourceDevice &d, QVector<CardControl> *card = nullptr) {
        QVector<Advanced> out;
        if (line_ != 0)
            return out;
        out.push_back({QStringLiteral("Mute"), Advanced::Mute, 0});
        for (int c = 0; c < d.volumes.size(); ++c)
            out.push_back(
                {QStringLiteral("Volume ") + d.channelNames.value(c), Advanced::Channel, c});
        if (!d.alsaCard.isEmpty()) {
            const auto controls = backend_->cardControls(d.alsaCard);
            for (int i = 0; i < controls.size(); ++i)
                out.push_back({controls[i].name, Advanced::Card, i});
            if (card)
                *card = controls;
        }
        return out;
    }

    static void sideLevels(const SourceDevice &d, quint32 *left, quint32 *right, quint32 *top) {
        *left = *right = *top = 0;
        for (int c = 0; c < d.volumes.size(); ++c) {
            const quint32 v = d.volumes[c];
            *top = std::max(*top, v);
            if (d.channelSides.value(c) < 0)
                *left = std::max(*left, v);
            if (d.channelSides.value(c) > 0)
                *right = std::max(*right, v);
        }
    }

    static bool hasBalance(const SourceDevice &d) {
        return d.channelSides.contains(-1) && d.channelSides.contains(1);
    }

    static double balanceOf(const SourceDevice &d) {
        quint32 l = 0;
        quint32 r = 0;
        quint32 top = 0;
        sideLevels(d, &l, &r, &top);
        if (!hasBalance(d) || l == r)
            return 0.0;
        if (l > r)
            return static_cast<double>(r) / l - 1.0;
        return 1.0 - static_cast<double>(l) / r;
    }

    // Sets the channels for a top level and a balance in -1..1.
    bool applyLevels(const SourceDevice &d, quint32 top, double balance) {
        QVector<quint32> v(d.volumes.size(), top);
        for (int c = 0; c < v.size(); ++c) {
            const int side = d.channelSides.value(c);
            if (side < 0 && balance > 0)
                v[c] = static_cast<quint32>(std::lround(top * (1.0 - balance)));
            if (side > 0 && balance < 0)
                v[c] = static_cast<quint32>(std::lround(top * (1.0 + balance)));
        }
        return backend_->setVolumes(d.name, v);
    }

    // Settings shared with the capture thread.
    mutable std::mutex settingsMutex_;
    InputSettings settings_;
    std::atomic<int> settingsVersion_{0};

    template <typename F> void changeSettings(F change) {
        {
            std::lock_guard lock(settingsMutex_);
            change(settings_);
        }
        ++settingsVersion_;
    }
    InputSettings settings() const {
        std::lock_guard lock(settingsMutex_);
        return settings_;
    }

    // Format.
    int rate_ = 44100;
    int channels_ = 2;
    int blockFrames_ = 44100;

    // Capture state.
    std::unique_ptr<CaptureStream> stream_;
    std::unique_ptr<InputProcessor> processor_; // used on the capture thread only
    int seenVersion_ = -1;
    std::vector<qint16> scratch_;

    mutable std::mutex mutex_;
    std::deque<QVector<qint16>> ready_;
    QVector<qint16> partial_;
    std::vector<qint16> latest_; // ring of the most recent elements
    size_t latestPos_ = 0;
    size_t latestFill_ = 0;
    qint64 totalFrames_ = 0;
    qint64 tickedFrames_ = 0; // totalFrames_ at the last tick
    QTimer ticker_;
    int peak_[2] = {0, 0};
    int blockNumber_ = 0;
    int status_ = 0;
    QString error_;
    int generation_ = 0;

    void onData(const qint16 *samples, qsizetype frames) {
        const auto count = static_cast<size_t>(frames * channels_);
        scratch_.assign(samples, samples + count);
        const int version = settingsVersion_.load();
        if (version != seenVersion_) {
            seenVersion_ = version;
            processor_->update(settings());
        }
        processor_->process(scratch_.data(), frames);

        std::lock_guard lock(mutex_);
        const int gen = generation_;
        appendLatest(scratch_.data(), count);

        const qsizetype blockElems = static_cast<qsizetype>(blockFrames_) * channels_;
        const qint16 *p = scratch_.data();
        qsizetype left = static_cast<qsizetype>(count);
        while (left > 0) {
            const qsizetype take = std::min(left, blockElems - partial_.size());
            const qsizetype had = partial_.size();
            partial_.resize(had + take);
            std::copy(p, p + take, partial_.data() + had);
            p += take;
            left -= take;
            if (partial_.size() == blockElems)
                finishBlock(gen);
        }

        notePeaks(scratch_.data(), frames);
        totalFrames_ += frames;
    }

    // With mutex_ held.
    void appendLatest(const qint16 *samples, size_t count) {
        const size_t size = latest_.size();
        if (count >= size) {
            std::copy(samples + count - size, samples + count, latest_.begin());
            latestPos_ = 0;
        } else {
            const size_t first = std::min(count, size - latestPos_);
            std::copy(samples, samples + first,
                      latest_.begin() + static_cast<ptrdiff_t>(latestPos_));
            std::copy(samples + first, samples + count, latest_.begin());
            latestPos_ = (latestPos_ + count) % size;
        }
        latestFill_ = std::min(size, latestFill_ + count);
    }

    // Channel 0 is the left peak, every further channel counts as right.
    void notePeaks(const qint16 *samples, qsizetype frames) {
        int left = peak_[0];
        int right = peak_[1];
        if (channels_ == 2) {
            for (qsizetype f = 0; f < frames; ++f) {
                left = std::max(left, std::abs(static_cast<int>(samples[2 * f])));
                right = std::max(right, std::abs(static_cast<int>(samples[2 * f + 1])));
            }
        } else {
            for (qsizetype f = 0; f < frames; ++f) {
                const qint16 *frame = samples + f * channels_;
                left = std::max(left, std::abs(static_cast<int>(frame[0])));
                for (int c = 1; c < channels_; ++c)
                    right = std::max(right, std::abs(static_cast<int>(frame[c])));
            }
        }
        peak_[0] = std::min(left, 32767);
        peak_[1] = std::min(right, 32767);
    }

    // With mutex_ held.
    void finishBlock(int gen) {
        ready_.push_back(partial_);
        partial_.clear();
        partial_.reserve(static_cast<qsizetype>(blockFrames_) * channels_);
        const int n = blockNumber_++;
        QPointer<AudioRecord> q = q_;
        QMetaObject::invokeMethod(
            q_,
            [this, q, n, gen] {
                if (q && currentGeneration() == gen)
                    emit q->EndArrayRecord(n);
            },
            Qt::QueuedConnection);
    }

    // On the owner's thread. A tick with no new audio since the last one is left out: the
    // count of frames only ever grows from one event to the next.
    void tick() {
        qint64 frames = 0;
        int left = 0;
        int right = 0;
        {
            std::lock_guard lock(mutex_);
            if (totalFrames_ == tickedFrames_)
                return;
            tickedFrames_ = frames = totalFrames_;
            left = peak_[0];
            right = channels_ > 1 ? peak_[1] : peak_[0];
            peak_[0] = peak_[1] = 0;
        }
        emit q_->Timer(frames, left, right);
    }

    int currentGeneration() const {
        std::lock_guard lock(mutex_);
        return generation_;
    }

    void onFailed(const QString &reason) {
        int gen = 0;
        {
            std::lock_guard lock(mutex_);
            gen = generation_;
        }
        QPointer<AudioRecord> q = q_;
        QMetaObject::invokeMethod(
            q_,
            [this, q, reason, gen] {
                if (!q || currentGeneration() != gen || !stream_)
                    return;
                finishCapture();
                {
                    std::lock_guard lock(mutex_);
                    status_ = -2;
                    error_ = QStringLiteral("Recording device lost: ") + reason;
                }
                emit q->DeviceLost(reason);
            },
            Qt::QueuedConnection);
    }

    // Stops the stream and hands out the last, partial block.
    void finishCapture() {
        ticker_.stop();
        if (stream_) {
            stream_->stop();
            stream_.reset();
        }
        std::lock_guard lock(mutex_);
        if (!partial_.isEmpty())
            finishBlock(generation_);
    }

    int start() {
        finishCapture();
        {
            std::lock_guard lock(mutex_);
            ++generation_;
            ready_.clear();
            partial_.clear();
            partial_.reserve(static_cast<qsizetype>(blockFrames_) * channels_);
            latest_.assign(static_cast<size_t>(rate_) * channels_ * kLatestSeconds, 0);
            latestPos_ = latestFill_ = 0;
            totalFrames_ = tickedFrames_ = 0;
            peak_[0] = peak_[1] = 0;
            blockNumber_ = 0;
            error_.clear();
            status_ = 0;
        }
        ensureEnumerated();
        QString error;
        if (!usable()) {
            error = QStringLiteral("no recording device");
        } else {
            processor_ = std::make_unique<InputProcessor>(rate_, channels_, settings());
            seenVersion_ = settingsVersion_.load();
            CaptureCallbacks callbacks;
            callbacks.data = [this](const qint16 *s, qsizetype f) { onData(s, f); };
            callbacks.failed = [this](const QString &reason) { onFailed(reason); };
            stream_ = backend_->openCapture(devices_[device_].name, rate_, channels_,
                                            1000 / kTimerRate, std::move(callbacks), &error);
        }
        std::lock_guard lock(mutex_);
        if (!stream_) {
            status_ = -1;
            error_ = QStringLiteral("Cannot open the recording device: ") + error;
            return status_;
        }
        status_ = 1;
        ticker_.start();
        return status_;
    }
};

AudioRecord::AudioRecord(QObject *parent) : AudioRecord(makePulseBackend(), parent) {}

AudioRecord::AudioRecord(std::unique_ptr<MixerBackend> backend, QObject *parent)
    : QObject(parent), d(std::make_unique<RecordEngine>(this, std::move(backend))) {}

AudioRecord::~AudioRecord() = default;

int AudioRecord::DeviceCount() const {
    d->enumerate();
    return static_cast<int>(d->devices_.size());
}

int AudioRecord::CurrentDevice() const {
    d->ensureEnumerated();
    return d->device_;
}

void AudioRecord::SetCurrentDevice(int device) {
    d->ensureEnumerated();
    if (device != d->device_)
        d->line_ = 0;
    d->device_ = device;
}

bool AudioRecord::DeviceUsable() const {
    d->ensureEnumerated();
    return d->usable();
}

QString AudioRecord::DeviceName() const {
    d->ensureEnumerated();
    return d->usable() ? d->devices_[d->device_].description : QString();
}

QString AudioRecord::DeviceId() const {
    d->ensureEnumerated();
    return d->usable() ? d->devices_[d->device_].name : QString();
}

int AudioRecord::SourceCount() const {
    SourceDevice dev;
    if (!d->current(&dev))
        return -1;
    return static_cast<int>(dev.ports.size());
}

int AudioRecord::CurrentSource() const {
    return d->line_;
}

void AudioRecord::SetCurrentSource(int line) {
    d->line_ = line;
}

QString AudioRecord::SourceName() const {
    SourceDevice dev;
    if (!d->current(&dev))
        return {};
    if (d->line_ == 0)
        return dev.description;
    if (!d->isPortLine(dev))
        return {};
    const SourcePort &port = dev.ports[d->line_ - 1];
    return port.available ? port.description : port.description + QStringLiteral(" (unplugged)");
}

bool AudioRecord::SourceSelected() const {
    SourceDevice dev;
    if (!d->current(&dev))
        return false;
    if (d->line_ == 0)
        return !dev.muted;
    return d->isPortLine(dev) && dev.ports[d->line_ - 1].name == dev.activePort;
}

void AudioRecord::SetSourceSelected(bool selected) {
    SourceDevice dev;
    if (!d->current(&dev))
        return;
    if (d->line_ == 0)
        d->backend_->setMute(dev.name, !selected);
    else if (d->isPortLine(dev) && selected)
        d->backend_->setActivePort(dev.name, dev.ports[d->line_ - 1].name);
    // One port is always active: clearing one happens by selecting another.
}

bool AudioRecord::SourceSelectable() const {
    SourceDevice dev;
    if (!d->current(&dev))
        return false;
    return d->line_ == 0 || d->isPortLine(dev);
}

bool AudioRecord::SourceHasVolume() const {
    SourceDevice dev;
    return d->current(&dev) && d->line_ == 0 && !dev.volumes.isEmpty();
}

int AudioRecord::SourceVolume() const {
    SourceDevice dev;
    if (!d->current(&dev) || d->line_ != 0)
        return 0;
    quint32 l = 0;
    quint32 r = 0;
    quint32 top = 0;
    RecordEngine::sideLevels(dev, &l, &r, &top);
    return fromServer(top);
}

void AudioRecord::SetSourceVolume(int volume) {
    SourceDevice dev;
    if (!d->current(&dev) || d->line_ != 0 || dev.volumes.isEmpty())
        return;
    d->applyLevels(dev, toServer(volume), RecordEngine::balanceOf(dev));
}

bool AudioRecord::SourceHasBalance() const {
    SourceDevice dev;
    return d->current(&dev) && d->line_ == 0 && RecordEngine::hasBalance(dev);
}

int AudioRecord::SourceBalance() const {
    SourceDevice dev;
    if (!d->current(&dev) || d->line_ != 0)
        return 50;
    return static_cast<int>(std::lround(50.0 + 50.0 * RecordEngine::balanceOf(dev)));
}

void AudioRecord::SetSourceBalance(int balance) {
    SourceDevice dev;
    if (!d->current(&dev) || d->line_ != 0 || !RecordEngine::hasBalance(dev))
        return;
    quint32 l = 0;
    quint32 r = 0;
    quint32 top = 0;
    RecordEngine::sideLevels(dev, &l, &r, &top);
    d->applyLevels(dev, top, (std::clamp(balance, 0, 100) - 50) / 50.0);
}

int AudioRecord::LastAdvancedControl() const {
    SourceDevice dev;
    if (!d->current(&dev))
        return -1;
    return static_cast<int>(d->advanced(dev).size()) - 1;
}

QString AudioRecord::AdvancedControlName(int index) const {
    SourceDevice dev;
    if (!d->current(&dev))
        return {};
    const auto list = d->advanced(dev);
    return index >= 0 && index < list.size() ? list[index].name : QString();
}

QVariant AudioRecord::AdvancedControlValue(int index) const {
    SourceDevice dev;
    if (!d->current(&dev))
        return {};
    const auto list = d->advanced(dev);
    if (index < 0 || index >= list.size())
        return {};
    const auto &a = list[index];
    switch (a.kind) {
    case RecordEngine::Advanced::Mute:
        return QVariant(dev.muted);
    case RecordEngine::Advanced::Channel:
        return QVariant(static_cast<qint32>(fromServer(dev.volumes[a.index])));
    case RecordEngine::Advanced::Card:
        return d->backend_->cardControlValue(dev.alsaCard, a.index);
    }
    return {};
}

void AudioRecord::SetAdvancedControlValue(int index, const QVariant &value) {
    SourceDevice dev;
    if (!d->current(&dev) || !value.isValid())
        return;
    QVector<CardControl> card;
    const auto list = d->advanced(dev, &card);
    if (index < 0 || index >= list.size())
        return;
    const auto &a = list[index];
    switch (a.kind) {
    case RecordEngine::Advanced::Mute:
        d->backend_->setMute(dev.name, value.toBool());
        break;
    case RecordEngine::Advanced::Channel: {
        QVector<quint32> v = dev.volumes;
        v[a.index] = toServer(value.toInt());
        d->backend_->setVolumes(dev.name, v);
        break;
    }
    case RecordEngine::Advanced::Card: {
        const CardControl &c = card[a.index];
        const QVariant v = c.isSwitch
                               ? QVariant(value.toBool())
                               : QVariant(std::clamp<qint32>(value.toInt(), c.minimum, c.maximum));
        d->backend_->setCardControlValue(dev.alsaCard, a.index, v);
        break;
    }
    }
}

bool AudioRecord::NotchEnabled() const {
    return d->settings().notch;
}
void AudioRecord::SetNotchEnabled(bool enabled) {
    d->changeSettings([&](InputSettings &s) { s.notch = enabled; });
}
float AudioRecord::NotchFrequency() const {
    return d->settings().notchHz;
}
void AudioRecord::SetNotchFrequency(float hz) {
    d->changeSettings([&](InputSettings &s) { s.notchHz = hz; });
}
bool AudioRecord::HighPassEnabled() const {
    return d->settings().highPass;
}
void AudioRecord::SetHighPassEnabled(bool enabled) {
    d->changeSettings([&](InputSettings &s) { s.highPass = enabled; });
}
float AudioRecord::HighPassFrequency() const {
    return d->settings().highPassHz;
}
void AudioRecord::SetHighPassFrequency(float hz) {
    d->changeSettings([&](InputSettings &s) { s.highPassHz = hz; });
}
bool AudioRecord::LowPassEnabled() const {
    return d->settings().lowPass;
}
void AudioRecord::SetLowPassEnabled(bool enabled) {
    d->changeSettings([&](InputSettings &s) { s.lowPass = enabled; });
}
float AudioRecord::LowPassFrequency() const {
    return d->settings().lowPassHz;
}
void AudioRecord::SetLowPassFrequency(float hz) {
    d->changeSettings([&](InputSettings &s) { s.lowPassHz = hz; });
}
bool AudioRecord::AutoGainEnabled() const {
    return d->settings().autoGain;
}
void AudioRecord::SetAutoGainEnabled(bool enabled) {
    d->changeSettings([&](InputSettings &s) { s.autoGain = enabled; });
}
qint32 AudioRecord::AutoGainLowLevel() const {
    return d->settings().lowLevelDb;
}
void AudioRecord::SetAutoGainLowLevel(qint32 db) {
    d->changeSettings([&](InputSettings &s) { s.lowLevelDb = std::clamp(db, -120, 0); });
}
qint32 AudioRecord::AutoGainHighLevel() const {
    return d->settings().highLevelDb;
}
void AudioRecord::SetAutoGainHighLevel(qint32 db) {
    d->changeSettings([&](InputSettings &s) { s.highLevelDb = std::clamp(db, -120, 0); });
}
qint32 AudioRecord::AutoGainAttackTime() const {
    return d->settings().attackMs;
}
void AudioRecord::SetAutoGainAttackTime(qint32 ms) {
    d->changeSettings([&](InputSettings &s) { s.attackMs = std::clamp(ms, 1, 10000); });
}

void AudioRecord::SetFormat(int rate, int channels) {
    // The capture thread reads the format: it changes only between recordings.
    if (rate < 1000 || rate > 384000 || channels < 1 || channels > 2 || d->stream_)
        return;
    d->rate_ = rate;
    d->channels_ = channels;
}

int AudioRecord::SampleRate() const {
    return d->rate_;
}
int AudioRecord::ChannelCount() const {
    return d->channels_;
}
int AudioRecord::BlockSize() const {
    return d->blockFrames_;
}

void AudioRecord::SetBlockSize(int frames) {
    if (frames > 0 && !d->stream_)
        d->blockFrames_ = frames;
}

qint64 AudioRecord::MsToSamples(qint64 ms) const {
    return ms * d->rate_ / 1000;
}
qint64 AudioRecord::SamplesToMs(qint64 frames) const {
    return frames * 1000 / d->rate_;
}

int AudioRecord::RecordStart() {
    return d->start();
}

int AudioRecord::RecordStatus() const {
    std::lock_guard lock(d->mutex_);
    return d->status_;
}

void AudioRecord::RecordStop() {
    d->finishCapture();
    std::lock_guard lock(d->mutex_);
    if (d->status_ > 0)
        d->status_ = 0;
}

QVector<qint16> AudioRecord::GetRecordedBlock() {
    std::lock_guard lock(d->mutex_);
    if (d->ready_.empty())
        return {};
    QVector<qint16> block = std::move(d->ready_.front());
    d->ready_.pop_front();
    return block;
}

QVector<qint16> AudioRecord::GetLatestSamples(int n) const {
    std::lock_guard lock(d->mutex_);
    size_t count = std::min(static_cast<size_t>(std::max(n, 0)), d->latestFill_);
    count -= count % static_cast<size_t>(d->channels_); // whole frames only
    QVector<qint16> out(static_cast<qsizetype>(count));
    if (count == 0)
        return out;
    // The newest `count` elements end just before latestPos_, possibly wrapping.
    const size_t size = d->latest_.size();
    const size_t start = (d->latestPos_ + size - count) % size;
    const size_t first = std::min(count, size - start);
    const qint16 *ring = d->latest_.data();
    qint16 *to = out.data();
    std::copy(ring + start, ring + start + first, to);
    std::copy(ring, ring + (count - first), to + first);
    return out;
}

QString AudioRecord::LastError() const {
    std::lock_guard lock(d->mutex_);
    return d->error_;
}

bool AudioRecord::ServerConnected() const {
    return d->backend_->connected();
}

} // namespace pelvanto
