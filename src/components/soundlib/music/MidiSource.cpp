#include "soundlib/music/MidiSource.h"

#include <QFileInfo>

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>

namespace pelvanto::sound {

namespace {

// FluidSynth's default gain (0.2) leaves a General MIDI song far quieter than a stream played
// beside it; this brings a typical song to a comparable level. Peaks are clipped in read().
constexpr double kSynthGain = 0.5;
// Rendered between looks at the player's state, so that the end is found to the block.
constexpr int kBlockFrames = 64;

} // namespace

struct MidiSource::Fluid {
    struct Deleter {
        void operator()(fluid_settings_t *settings) const { delete_fluid_settings(settings); }
        void operator()(fluid_synth_t *synth) const { delete_fluid_synth(synth); }
        void operator()(fluid_player_t *player) const {
            fluid_player_stop(player);
            delete_fluid_player(player);
        }
    };
    // Declared so that the player goes first, then the synthesizer, then the settings.
    std::unique_ptr<fluid_settings_t, Deleter> settings;
    std::unique_ptr<fluid_synth_t, Deleter> synth;
    std::unique_ptr<fluid_player_t, Deleter> player;
};

QString MidiSource::soundFontPath() {
    // The General MIDI font the project installs first, then what FluidSynth itself and the
    // usual Debian packages would use.
    QStringList candidates{QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2")};
    if (fluid_settings_t *settings = new_fluid_settings()) {
        char *fallback = nullptr;
        if (fluid_settings_getstr_default(settings, "synth.default-soundfont", &fallback) ==
                FLUID_OK &&
            fallback)
            candidates << QString::fromLocal8Bit(fallback);
        delete_fluid_settings(settings);
    }
    candidates << QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")
               << QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3")
               << QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2")
               << QStringLiteral("/usr/share/soundfonts/default.sf2")
               << QStringLiteral("/usr/share/soundfonts/FluidR3_GM.sf2");
    for (const QString &path : candidates) {
        const QFileInfo info(path);
        if (info.isFile() && info.isReadable())
            return info.canonicalFilePath();
    }
    return {};
}

std::unique_ptr<MidiSource> MidiSource::open(const QByteArray &data, int sampleRate,
                                             MusicOpenError *error) {
    auto fail = [error](MusicOpenError reason) {
        if (error)
            *error = reason;
        return nullptr;
    };
    auto file = MidiFile::parse(data);
    if (!file)
        return fail(MusicOpenError::LoadFailed);
    const QString soundFont = soundFontPath();
    if (soundFont.isEmpty())
        return fail(MusicOpenError::NoSoundFont);
    std::unique_ptr<MidiSource> source(new MidiSource(std::move(*file), sampleRate));
    if (!source->createSynth(soundFont))
        return fail(MusicOpenError::NoSoundFont);
    if (!source->startPlayer(0))
        return fail(MusicOpenError::LoadFailed);
    if (error)
        *error = MusicOpenError::None;
    return source;
}

MidiSource::MidiSource(MidiFile file, int sampleRate)
    : file_(std::move(file)), sampleRate_(sampleRate), fluid_(std::make_unique<Fluid>()) {}

MidiSource::~MidiSource() = default;

bool MidiSource::createSynth(const QString &soundFont) {
    fluid_->settings.reset(new_fluid_settings());
    if (!fluid_->settings)
        return false;
    fluid_settings_setnum(fluid_->settings.get(), "synth.sample-rate", sampleRate_);
    fluid_settings_setnum(fluid_->settings.get(), "synth.gain", kSynthGain);
    fluid_settings_setstr(fluid_->settings.get(), "player.timing-source", "sample");
    // Calls are serialised by the source's own mutex.
    fluid_settings_setint(fluid_->settings.get(), "synth.threadsafe-api", 0);
    fluid_->synth.reset(new_fluid_synth(fluid_->settings.get()));
    if (!fluid_->synth)
        return false;
    return fluid_synth_sfload(fluid_->synth.get(), soundFont.toLocal8Bit().constData(), 1) !=
           FLUID_FAILED;
}

bool MidiSource::startPlayer(qint64 tick) {
    fluid_->player.reset();
    fluid_synth_system_reset(fluid_->synth.get());
    fluid_->player.reset(new_fluid_player(fluid_->synth.get()));
    if (!fluid_->player)
        return false;
    const QByteArray &smf = file_.smf();
    if (fluid_player_add_mem(fluid_->player.get(), smf.constData(),
                             static_cast<size_t>(smf.size())) != FLUID_OK)
        return false;
    // A seek before play is taken up as soon as the player has read the file.
    if (tick > 0 && fluid_player_seek(fluid_->player.get(), static_cast<int>(tick)) != FLUID_OK)
        return false;
    startTick_ = tick;
    finished_ = false;
    return fluid_player_play(fluid_->player.get()) == FLUID_OK;
}

qint64 MidiSource::currentTick() const {
    if (finished_ || !fluid_->player)
        return file_.lengthTicks();
    // Until the player has taken its first step it reports tick 0, even after a seek.
    return std::clamp<qint64>(
        std::max<qint64>(fluid_player_get_current_tick(fluid_->player.get()), startTick_), 0,
        file_.lengthTicks());
}

bool MidiSource::atEnd() const {
    // The player itself would go on for seconds after the last event, letting notes ring;
    // the song ends where its last track ends.
    return fluid_player_get_status(fluid_->player.get()) == FLUID_PLAYER_DONE ||
           fluid_player_get_current_tick(fluid_->player.get()) >= file_.lengthTicks();
}

qint64 MidiSource::read(float *interleaved, qint64 frames) {
    std::lock_guard lock(mutex_);
    if (frames <= 0 || finished_)
        return 0;
    qint64 done = 0;
    while (done < frames) {
        if (atEnd()) {
            // An empty song would otherwise restart forever without producing a frame.
            if (looping_ && file_.lengthTicks() > 0 && startPlayer(0))
                continue;
            finished_ = true;
            break;
        }
        const int block = static_cast<int>(std::min<qint64>(frames - done, kBlockFrames));
        float *out = interleaved + done * 2;
        if (fluid_synth_write_float(fluid_->synth.get(), block, out, 0, 2, out, 1, 2) != FLUID_OK)
            return done > 0 ? done : -1;
        done += block;
        startTick_ = 0;
    }
    const float width = static_cast<float>(panSeparation_);
    const float gain = static_cast<float>(masterVolume_) / kFullVolume;
    for (qint64 i = 0; i < done; ++i) {
        float &left = interleaved[2 * i];
        float &right = interleaved[2 * i + 1];
        const float mid = (left + right) * 0.5f;
        const float side = (left - right) * 0.5f * width;
        left = std::clamp((mid + side) * gain, -1.0f, 1.0f);
        right = std::clamp((mid - side) * gain, -1.0f, 1.0f);
    }
    return done;
}

qint64 MidiSource::positionMs() const {
    std::lock_guard lock(mutex_);
    return file_.ticksToMs(currentTick());
}

bool MidiSource::seekMs(qint64 ms) {
    std::lock_guard lock(mutex_);
    if (ms < 0 || ms > file_.lengthMs())
        return false;
    return startPlayer(file_.msToTicks(ms));
}

int MidiSource::bpm() const {
    std::lock_guard lock(mutex_);
    return file_.bpmAt(currentTick());
}

bool MidiSource::looping() const {
    std::lock_guard lock(mutex_);
    return looping_;
}

void MidiSource::setLooping(bool loop) {
    std::lock_guard lock(mutex_);
    looping_ = loop;
}

int MidiSource::masterVolume() const {
    std::lock_guard lock(mutex_);
    return masterVolume_;
}

void MidiSource::setMasterVolume(int volume) {
    std::lock_guard lock(mutex_);
    masterVolume_ = std::clamp(volume, 0, kFullVolume);
}

double MidiSource::panSeparation() const {
    std::lock_guard lock(mutex_);
    return panSeparation_;
}

void MidiSource::setPanSeparation(double separation) {
    std::lock_guard lock(mutex_);
    panSeparation_ = std::isnan(separation) ? 1.0 : std::clamp(separation, 0.0, 1.0);
}

bool MidiSource::isFinished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

void MidiSource::rewind() {
    std::lock_guard lock(mutex_);
    startPlayer(0);
}

} // namespace pelvanto::sound
