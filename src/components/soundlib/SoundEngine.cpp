#include "soundlib/SoundEngine.h"

#include "soundlib/EngineState.h"

#include <samplerate.h>

#include <QElapsedTimer>

#include <algorithm>
#include <climits>

namespace pelvanto::sound {

namespace {

constexpr float kVersion = 1.00F;
constexpr int kMaxChannels = 1024;
constexpr int kMinFrequency = 100;
constexpr int kMaxFrequency = 705600;

int converterFor(int mixer) {
    switch (mixer) {
    case MixerLinear:
        return SRC_LINEAR;
    case MixerQuality:
        return SRC_SINC_MEDIUM_QUALITY;
    default:
        return SRC_SINC_FASTEST;
    }
}

} // namespace

int EngineState::converter() const {
    return converterFor(mixerType);
}

void EngineState::mixVoices(float *mix, int frames, std::vector<int> &endedChannels,
                            std::vector<int> &finishedSongs, std::vector<int> &endedCdTracks) {
    for (size_t i = 0; i < channels.size(); ++i) {
        Channel &c = *channels[i];
        if (!c.voice.active() || c.busy)
            continue;
        if (c.voice.mixInto(mix, frames) != Voice::Result::Playing) {
            endedChannels.push_back(handleOf(static_cast<int>(i), c.generation));
            c.voice.stop();
        }
    }
    for (auto &[handle, song] : songs) {
        Voice *v = song->voice.get();
        if (v != nullptr && v->active() && v->mixInto(mix, frames) != Voice::Result::Playing) {
            v->stop();
            finishedSongs.push_back(handle);
        }
    }
    for (auto &[drive, cd] : cds) {
        Voice *v = cd->voice.get();
        if (v != nullptr && v->active() && v->mixInto(mix, frames) != Voice::Result::Playing) {
            v->stop();
            endedCdTracks.push_back(drive);
        }
    }
}

void EngineState::mixLoop() {
    std::vector<float> mix;
    std::vector<int> endedChannels;
    std::vector<int> finishedSongs;
    std::vector<int> endedCdTracks;
    while (!stopping) {
        const qint64 frames = std::min(output->waitWritable(), kMaxMixFrames);
        if (frames <= 0) {
            if (output->failed() && !stopping) {
                QMetaObject::invokeMethod(q, &SoundEngine::outputFailed, Qt::QueuedConnection);
                return;
            }
            continue;
        }
        QElapsedTimer timer;
        timer.start();
        mix.assign(static_cast<size_t>(frames) * 2, 0.0F);
        endedChannels.clear();
        finishedSongs.clear();
        endedCdTracks.clear();
        {
            std::lock_guard lock(mutex);
            mixVoices(mix.data(), static_cast<int>(frames), endedChannels, finishedSongs,
                      endedCdTracks);
        }
        const bool mono = speakerMode == SpeakerMono;
        for (size_t f = 0; f < static_cast<size_t>(frames); ++f) {
            float &l = mix[f * 2];
            float &r = mix[f * 2 + 1];
            if (mono)
                l = r = (l + r) * 0.5F;
            l = std::clamp(l, -1.0F, 1.0F);
            r = std::clamp(r, -1.0F, 1.0F);
        }
        const double spent = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        const double span = static_cast<double>(frames) / rate;
        cpu = static_cast<float>(0.9 * cpu + 0.1 * (100.0 * spent / span));
        output->write(mix.data(), frames);
        // Events reach the owner's thread in the order they happened.
        SoundEngine *engine = q;
        for (int handle : endedChannels)
            QMetaObject::invokeMethod(
                q, [engine, handle] { emit engine->channelEnded(handle); }, Qt::QueuedConnection);
        for (int handle : finishedSongs)
            QMetaObject::invokeMethod(
                q, [engine, handle] { emit engine->songFinished(handle); }, Qt::QueuedConnection);
        for (int drive : endedCdTracks)
            QMetaObject::invokeMethod(
                q, [this, drive] { cdTrackEnded(drive); }, Qt::QueuedConnection);
    }
}

SoundEngine::SoundEngine(QObject *parent)
    : QObject(parent), d(std::make_unique<EngineState>(this)) {}

SoundEngine::~SoundEngine() {
    close();
}

int SoundEngine::lastError() const {
    return static_cast<int>(d->error);
}

float SoundEngine::version() const {
    return kVersion;
}

// --- set-up ---------------------------------------------------------------------------------

bool SoundEngine::setOutput(int type) {
    if (!d->needSetUp())
        return false;
    if (type != OutputNoSound && type != OutputPulseAudio)
        return d->fail(SoundError::InvalidParam);
    d->outputType = type;
    d->devicesKnown = false;
    d->driver = 0;
    return true;
}

bool SoundEngine::setMixer(int type) {
    if (!d->needSetUp())
        return false;
    if (type < MixerAuto || type > MixerQuality)
        return d->fail(SoundError::InvalidParam);
    d->mixerType = type;
    return true;
}

bool SoundEngine::setBufferSize(int milliseconds) {
    if (!d->needSetUp())
        return false;
    if (milliseconds < 20 || milliseconds > 1000)
        return d->fail(SoundError::InvalidParam);
    d->bufferMs = milliseconds;
    return true;
}

bool SoundEngine::setDriver(int driver) {
    if (!d->needSetUp())
        return false;
    if (!d->devicesKnown)
        numDrivers();
    if (driver < 0 || driver >= d->driverNames.size())
        return d->fail(SoundError::InvalidParam);
    d->driver = driver;
    return true;
}

bool SoundEngine::setSpeakerMode(int mode) {
    if (mode != SpeakerStereo && mode != SpeakerMono)
        return d->fail(SoundError::InvalidParam);
    d->speakerMode = mode;
    return true;
}

int SoundEngine::numDrivers() {
    if (d->outputType == OutputNoSound) {
        d->devices = {};
        d->devices.names << QStringLiteral("No sound");
        d->devices.sinks << QByteArray();
    } else {
        d->devices = pulseOutputDevices();
    }
    d->driverNames.clear();
    for (const QString &name : d->devices.names)
        d->driverNames << name.toUtf8();
    d->devicesKnown = true;
    return static_cast<int>(d->driverNames.size());
}

const char *SoundEngine::driverName(int driver) const {
    if (driver < 0 || driver >= d->driverNames.size()) {
        d->error = SoundError::InvalidParam;
        return nullptr;
    }
    return d->driverNames[driver].constData();
}

bool SoundEngine::init(int mixRate, int maxChannels, int flags) {
    if (d->initialised)
        return d->fail(SoundError::Busy);
    if (mixRate < 4000 || mixRate > 192000 || maxChannels < 1 || maxChannels > kMaxChannels ||
        (flags & ~(kInitGlobalFocus | kInitAccurateVuLevels)) != 0)
        return d->fail(SoundError::InvalidParam);
    if (d->outputType == OutputNoSound) {
        d->output = openSilentOutput(mixRate, d->bufferMs);
    } else {
        QByteArray sink;
        if (d->driver > 0) {
            if (!d->devicesKnown)
                numDrivers();
            if (d->driver >= d->devices.sinks.size())
                return d->fail(SoundError::Init);
            sink = d->devices.sinks[d->driver];
        }
        QString reason;
        d->output = openPulseOutput(mixRate, d->bufferMs, sink, &reason);
        if (!d->output)
            return d->fail(SoundError::Init);
    }
    d->rate = mixRate;
    {
        std::lock_guard lock(d->mutex);
        d->channels.clear();
        for (int i = 0; i < maxChannels; ++i)
            d->channels.push_back(std::make_unique<Channel>(mixRate, d->converter()));
    }
    d->stopping = false;
    d->cpu = 0;
    d->initialised = true;
    d->mixer = std::thread([this] { d->mixLoop(); });
    return true;
}

bool SoundEngine::initialised() const {
    return d->initialised;
}

void SoundEngine::close() {
    d->stopMixer();
    d->streams.clear();
    {
        std::lock_guard lock(d->mutex);
        d->channels.clear();
        d->songs.clear();
        d->cds.clear();
    }
    d->output.reset();
    d->initialised = false;
    d->rate = 0;
}

int SoundEngine::outputRate() const {
    return d->rate;
}

// --- channels ---------------------------------------------------------------------------------

bool SoundEngine::stopSound(int channel) {
    return d->onChannels(channel, [](Channel &c) { c.voice.stop(); });
}

bool SoundEngine::setPaused(int channel, bool paused) {
    return d->onChannels(channel, [paused](Channel &c) { c.voice.paused = paused; });
}

bool SoundEngine::getPaused(int channel) {
    return d->readChannel(channel, false, [](Channel &c) { return c.voice.paused; });
}

bool SoundEngine::isPlaying(int channel) {
    return d->readChannel(channel, false, [](Channel &c) { return !c.voice.paused; });
}

bool SoundEngine::setVolume(int channel, int volume) {
    if (volume < 0 || volume > 255)
        return d->fail(SoundError::InvalidParam);
    return d->onChannels(channel, [volume](Channel &c) { c.voice.volume = volume; });
}

int SoundEngine::getVolume(int channel) {
    return d->readChannel(channel, 0, [](Channel &c) { return c.voice.volume; });
}

bool SoundEngine::setPan(int channel, int pan) {
    if (pan != kFullStereoPan && (pan < 0 || pan > 255))
        return d->fail(SoundError::InvalidParam);
    return d->onChannels(channel, [pan](Channel &c) { c.voice.pan = pan; });
}

int SoundEngine::getPan(int channel) {
    return d->readChannel(channel, 0, [](Channel &c) { return c.voice.pan; });
}

bool SoundEngine::setSurround(int channel, bool on) {
    return d->onChannels(channel, [on](Channel &c) { c.voice.surround = on; });
}

bool SoundEngine::getSurround(int channel) {
    return d->readChannel(channel, false, [](Channel &c) { return c.voice.surround; });
}

bool SoundEngine::setFrequency(int channel, int hz) {
    if (hz < std::max(kMinFrequency, (d->rate + 255) / 256) || hz > kMaxFrequency ||
        channel == kAllChannels)
        return d->fail(SoundError::InvalidParam);
    return d->onChannels(channel, [hz](Channel &c) { c.voice.setFrequency(hz); });
}

int SoundEngine::getFrequency(int channel) {
    return d->readChannel(channel, 0, [](Channel &c) { return c.voice.frequency(); });
}

bool SoundEngine::getCurrentLevels(int channel, float *left, float *right) {
    return d->readChannel(channel, false, [left, right](Channel &c) {
        *left = c.voice.levelLeft();
        *right = c.voice.levelRight();
        return true;
    });
}

int SoundEngine::channelsPlaying() {
    if (!d->needInit())
        return 0;
    std::lock_guard lock(d->mutex);
    return static_cast<int>(std::count_if(d->channels.begin(), d->channels.end(), [](auto &c) {
        return c->voice.active() && !c->voice.paused;
    }));
}

float SoundEngine::cpuUsage() const {
    return d->cpu;
}

// --- streams ---------------------------------------------------------------------------------

// Streams open without an output: reading tags and lengths needs no device.
int SoundEngine::streamOpen(const QString &path, int mode) {
    if ((mode & ~(kStreamDefaultMode | kStreamAccurateSeek)) != 0) {
        d->fail(SoundError::InvalidParam);
        return 0;
    }
    SoundError error = SoundError::None;
    auto source = StreamSource::open(path, &error);
    if (!source) {
        d->fail(error);
        return 0;
    }
    const int handle = d->nextStream;
    d->nextStream = d->nextStream == INT_MAX ? 1 : d->nextStream + 1;
    d->streams[handle] = Stream{std::move(source), 0};
    return handle;
}

bool SoundEngine::streamClose(int stream) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return false;
    {
        std::lock_guard lock(d->mutex);
        if (Channel *c = d->channelFor(s->channel); c != nullptr)
            c->voice.stop();
    }
    d->streams.erase(stream);
    return true;
}

int SoundEngine::streamPlay(int channel, int stream) {
    if (!d->needInit())
        return -1;
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return -1;
    SoundError error = SoundError::None;
    if (!s->source->prepare(&error)) {
        d->fail(error);
        return -1;
    }
    std::lock_guard lock(d->mutex);
    if (Channel *old = d->channelFor(s->channel); old != nullptr)
        old->voice.stop();
    int index = -1;
    if (channel == kFreeChannel) {
        for (size_t i = 0; i < d->channels.size() && index < 0; ++i)
            if (!d->channels[i]->voice.active())
                index = static_cast<int>(i);
        if (index < 0) {
            d->fail(SoundError::ChannelAlloc);
            return -1;
        }
    } else if (channel >= 0 && channel < static_cast<int>(d->channels.size())) {
        index = channel;
    } else {
        d->fail(SoundError::InvalidParam);
        return -1;
    }
    Channel &c = *d->channels[static_cast<size_t>(index)];
    ++c.generation;
    c.busy = false;
    c.voice.start(s->source.get());
    s->channel = EngineState::handleOf(index, c.generation);
    return s->channel;
}

bool SoundEngine::streamSetTime(int stream, qint64 ms) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return false;
    SoundError error = SoundError::None;
    if (!s->source->prepare(&error))
        return d->fail(error);
    Channel *c = nullptr;
    {
        std::lock_guard lock(d->mutex);
        c = d->channelFor(s->channel);
        if (c != nullptr)
            c->busy = true;
    }
    // The mixer skips a busy channel, so the source is this thread's while it seeks.
    const bool moved = s->source->seekMs(ms);
    if (c != nullptr) {
        std::lock_guard lock(d->mutex);
        c->busy = false;
        c->voice.sourceMoved();
    }
    return moved || d->fail(SoundError::InvalidParam);
}

qint64 SoundEngine::streamGetTime(int stream) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return 0;
    std::lock_guard lock(d->mutex);
    if (Channel *c = d->channelFor(s->channel); c != nullptr)
        return c->voice.positionMs();
    return s->source->positionMs();
}

qint64 SoundEngine::streamGetLengthMs(int stream) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return 0;
    SoundError error = SoundError::None;
    if (!s->source->prepare(&error)) {
        d->fail(error);
        return 0;
    }
    std::lock_guard lock(d->mutex);
    return std::max<qint64>(0, s->source->lengthMs());
}

qint64 SoundEngine::streamGetLength(int stream) {
    Stream *s = d->stream(stream);
    return s == nullptr ? 0 : s->source->fileSize();
}

bool SoundEngine::streamGetNumTagFields(int stream, int *count) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return false;
    *count = static_cast<int>(s->source->tags().fields().size());
    return true;
}

bool SoundEngine::streamGetTagField(int stream, int index, int *type, const char **name,
                                    const char **value, int *length) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return false;
    const auto &fields = s->source->tags().fields();
    if (index < 0 || index >= static_cast<int>(fields.size()))
        return d->fail(SoundError::InvalidParam);
    const TagField &field = fields[static_cast<size_t>(index)];
    *type = field.type;
    *name = field.name.constData();
    *value = field.value.constData();
    *length = static_cast<int>(field.value.size());
    return true;
}

bool SoundEngine::streamFindTagField(int stream, int type, const char *name, const char **value,
                                     int *length) {
    Stream *s = d->stream(stream);
    if (s == nullptr)
        return false;
    const TagField *field =
        name == nullptr ? nullptr : s->source->tags().find(type, QByteArrayView(name));
    if (field == nullptr)
        return d->fail(SoundError::InvalidParam);
    *value = field->value.constData();
    *length = static_cast<int>(field->value.size());
    return true;
}

} // namespace pelvanto::sound
