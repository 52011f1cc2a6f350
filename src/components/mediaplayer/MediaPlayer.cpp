#include "mediaplayer/MediaPlayer.h"

#include "soundlib/SoundEngine.h"
#include "soundlib/SoundError.h"
#include "soundlib/Voice.h"
#include "soundlib/cd/CdDrive.h"
#include "soundlib/music/MidiFile.h"
#include "soundlib/music/MusicSource.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace pelvanto {

namespace {

constexpr int kMixRate = 44100;
constexpr int kChannels = 4;
constexpr int kMaxLevel = 255;

// Songs have no length of their own in the library: a MIDI file is measured from its events,
// a module by loading it once.
qint64 songLengthMs(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray data = file.read(sound::MusicModule::kMaxFileSize);
    if (sound::MidiFile::looksLikeMidi(data)) {
        const std::optional<sound::MidiFile> midi = sound::MidiFile::parse(data);
        return midi ? midi->lengthMs() : 0;
    }
    const std::unique_ptr<sound::MusicSource> module = sound::MusicModule::openData(data);
    return module ? std::max<qint64>(0, module->lengthMs()) : 0;
}

bool looksLikeMidi(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && sound::MidiFile::looksLikeMidi(file.read(64));
}

} // namespace

MediaPlayer::MediaPlayer(QObject *parent) : QObject(parent) {}

MediaPlayer::~MediaPlayer() {
    close();
}

int MediaPlayer::levelForVolume(int hundredthsOfDb) {
    const int v = std::clamp(hundredthsOfDb, kSilentVolume, kFullVolume);
    if (v == kSilentVolume)
        return 0;
    return static_cast<int>(std::lround(kMaxLevel * std::pow(10.0, v / 2000.0)));
}

int MediaPlayer::panForBalance(int balance) {
    if (balance == kBalanceCentre)
        return sound::kFullStereoPan;
    const double side = std::clamp(double(balance - kBalanceCentre) / kBalanceHalfRange, -1.0, 1.0);
    return static_cast<int>(std::lround(127.5 + 127.5 * side));
}

int MediaPlayer::cdTrackCount() {
    const std::unique_ptr<sound::CdDrive> drive = sound::CdDrive::open(kCdDrive);
    return drive ? drive->trackCount() : 0;
}

float MediaPlayer::engineCpuUsage() const {
    return engine_ ? engine_->cpuUsage() : 0.0F;
}

bool MediaPlayer::ensureEngine() {
    if (engine_ && engine_->initialised())
        return true;
    if (!engine_) {
        engine_ = std::make_unique<sound::SoundEngine>();
        connect(engine_.get(), &sound::SoundEngine::channelEnded, this, [this](int channel) {
            if (kind_ == Kind::Stream && channel == channel_)
                ended();
        });
        connect(engine_.get(), &sound::SoundEngine::songFinished, this, [this](int song) {
            if (kind_ == Kind::Song && song == handle_)
                ended();
        });
        connect(engine_.get(), &sound::SoundEngine::cdTrackEnded, this, [this](int drive) {
            if (kind_ == Kind::Cd && drive == kCdDrive)
                ended();
        });
        // A lost output leaves everything silent: start afresh with the next file.
        connect(engine_.get(), &sound::SoundEngine::outputFailed, this, [this] {
            close();
            engine_->close();
        });
    }
    if (engine_->init(kMixRate, kChannels, 0))
        return true;
    errorText_ = sound::errorText(engine_->lastError());
    return false;
}

void MediaPlayer::close() {
    if (engine_ && engine_->initialised()) {
        switch (kind_) {
        case Kind::Stream:
            engine_->streamClose(handle_);
            break;
        case Kind::Song:
            engine_->musicFreeSong(handle_);
            break;
        case Kind::Cd:
            engine_->cdStop(kCdDrive);
            break;
        case Kind::None:
            break;
        }
    }
    kind_ = Kind::None;
    handle_ = 0;
    channel_ = 0;
    cdTrack_ = 0;
    cdStartMs_ = 0;
    songLengthMs_ = 0;
    paused_ = false;
    stopped_ = true;
}

bool MediaPlayer::setFileName(const QString &name) {
    close();
    fileName_ = name;
    errorText_.clear();
    if (name.isEmpty()) {
        errorText_ = sound::errorText(int(sound::SoundError::FileNotFound));
        return false;
    }
    if (!ensureEngine())
        return false;
    if (name.startsWith(kCdAudio, Qt::CaseInsensitive))
        return openCd(name);
    if (!QFileInfo(name).isFile()) {
        errorText_ = sound::errorText(int(sound::SoundError::FileNotFound));
        return false;
    }
    if (!looksLikeMidi(name)) {
        handle_ = engine_->streamOpen(name, sound::kStreamDefaultMode | sound::kStreamAccurateSeek);
        if (handle_ != 0) {
            kind_ = Kind::Stream;
            Play();
            return true;
        }
    }
    handle_ = engine_->musicLoadSong(name);
    if (handle_ == 0) {
        errorText_ = sound::errorText(engine_->lastError());
        return false;
    }
    kind_ = Kind::Song;
    songLengthMs_ = songLengthMs(name);
    Play();
    return true;
}

bool MediaPlayer::openCd(const QString &name) {
    bool numbered = false;
    const int track = name.mid(kCdAudio.size()).trimmed().toInt(&numbered);
    const int tracks = engine_->cdGetNumTracks(kCdDrive);
    if (tracks <= 0) {
        errorText_ = sound::errorText(int(sound::SoundError::CdDevice));
        return false;
    }
    cdTrack_ = numbered ? track : 0;
    if (numbered && (track < 1 || track > tracks)) {
        errorText_ = sound::errorText(int(sound::SoundError::InvalidParam));
        return false;
    }
    kind_ = Kind::Cd;
    Play();
    return true;
}

void MediaPlayer::applyLevels() {
    const int level = levelForVolume(volume_);
    switch (kind_) {
    case Kind::Stream:
        engine_->setVolume(channel_, level);
        engine_->setPan(channel_, panForBalance(balance_));
        break;
    case Kind::Song:
        engine_->musicSetMasterVolume(handle_, level);
        engine_->musicSetPan(handle_, panForBalance(balance_));
        break;
    case Kind::Cd:
        engine_->cdSetVolume(kCdDrive, level);
        engine_->cdSetPan(kCdDrive, panForBalance(balance_));
        break;
    case Kind::None:
        break;
    }
}

void MediaPlayer::Play() {
    if (kind_ == Kind::None || !engine_->initialised())
        return;
    if (paused_) {
        setPaused(false);
        return;
    }
    if (!stopped_)
        return;
    switch (kind_) {
    case Kind::Stream:
        channel_ = engine_->streamPlay(sound::kFreeChannel, handle_);
        if (channel_ <= 0)
            return;
        break;
    case Kind::Song:
        if (!engine_->musicPlaySong(handle_))
            return;
        break;
    case Kind::Cd:
        engine_->cdSetPlayMode(kCdDrive,
                               cdTrack_ > 0 ? sound::CdPlayOnce : sound::CdPlayContinuous);
        if (!engine_->cdPlay(kCdDrive, cdTrack_ > 0 ? cdTrack_ : 1))
            return;
        if (cdStartMs_ > 0)
            engine_->cdSetTrackTime(kCdDrive, cdStartMs_);
        cdStartMs_ = 0;
        break;
    case Kind::None:
        return;
    }
    stopped_ = false;
    applyLevels();
}

void MediaPlayer::Pause() {
    if (kind_ == Kind::None || stopped_ || paused_)
        return;
    setPaused(true);
}

void MediaPlayer::setPaused(bool paused) {
    paused_ = paused;
    switch (kind_) {
    case Kind::Stream:
        engine_->setPaused(channel_, paused);
        break;
    case Kind::Song:
        engine_->musicSetPaused(handle_, paused);
        break;
    case Kind::Cd:
        engine_->cdSetPaused(kCdDrive, paused);
        break;
    case Kind::None:
        break;
    }
}

void MediaPlayer::Stop() {
    if (kind_ == Kind::None)
        return;
    switch (kind_) {
    case Kind::Stream:
        engine_->stopSound(channel_);
        engine_->streamSetTime(handle_, 0);
        channel_ = 0;
        break;
    case Kind::Song:
        engine_->musicStopSong(handle_);
        break;
    case Kind::Cd:
        engine_->cdStop(kCdDrive);
        break;
    case Kind::None:
        break;
    }
    stopped_ = true;
    paused_ = false;
    cdStartMs_ = 0;
}

bool MediaPlayer::IsPlaying() const {
    return kind_ != Kind::None && !stopped_ && !paused_;
}

void MediaPlayer::ended() {
    // Like the platform control: a finished file stands stopped at its start.
    Stop();
    emit EndOfStream(0);
}

double MediaPlayer::CurrentPosition() const {
    switch (kind_) {
    case Kind::Stream:
        return double(engine_->streamGetTime(handle_)) / 1000.0;
    case Kind::Song:
        return stopped_ ? 0.0 : double(engine_->musicGetTime(handle_)) / 1000.0;
    case Kind::Cd:
        return stopped_ ? 0.0 : double(engine_->cdGetTrackTime(kCdDrive)) / 1000.0;
    case Kind::None:
        break;
    }
    return 0.0;
}

void MediaPlayer::setCurrentPosition(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return;
    const auto ms = static_cast<qint64>(std::llround(seconds * 1000.0));
    switch (kind_) {
    case Kind::Stream:
        engine_->streamSetTime(handle_, ms);
        break;
    case Kind::Cd:
        if (stopped_)
            cdStartMs_ = ms; // where the next Play starts
        else
            engine_->cdSetTrackTime(kCdDrive, ms);
        break;
    case Kind::Song: // songs only start over, which Stop and Play do
    case Kind::None:
        break;
    }
}

double MediaPlayer::Duration() const {
    switch (kind_) {
    case Kind::Stream:
        return double(engine_->streamGetLengthMs(handle_)) / 1000.0;
    case Kind::Song:
        return double(songLengthMs_) / 1000.0;
    case Kind::Cd: {
        const int track = stopped_ ? std::max(1, cdTrack_) : engine_->cdGetTrack(kCdDrive);
        return double(engine_->cdGetTrackLength(kCdDrive, track)) / 1000.0;
    }
    case Kind::None:
        break;
    }
    return 0.0;
}

bool MediaPlayer::setVolume(int hundredthsOfDb) {
    if (hundredthsOfDb < kSilentVolume || hundredthsOfDb > kFullVolume)
        return false;
    volume_ = hundredthsOfDb;
    if (!stopped_)
        applyLevels();
    return true;
}

bool MediaPlayer::setBalance(int balance) {
    if (balance < kBalanceMin || balance > kBalanceMax)
        return false;
    balance_ = balance;
    if (!stopped_)
        applyLevels();
    return true;
}

} // namespace pelvanto
