#include "clsFMOD.h"

#include "FMod.h"
#include "FModNotifier.h"
#include "clsFMODTiming.h"

#include "soundlib/SoundEngine.h"
#include "soundlib/StreamTags.h"
#include "soundlib/Voice.h"

namespace pelvanto {

using sound::SoundEngine;

namespace {

constexpr qint32 kOpenMode = sound::kStreamDefaultMode;
constexpr qint32 kAccurateMode = sound::kStreamDefaultMode | sound::kStreamAccurateSeek;
constexpr qint32 kPanFullStereoRequest = 128;

QString afterLastNul(const QString &text) {
    const qsizetype nul = text.lastIndexOf(QChar(0));
    return nul < 0 ? text : text.mid(nul + 1);
}

QString nulsAsBlanks(QString text) {
    return TrimBlanks(text.replace(QChar(0), QLatin1Char(' ')));
}

bool commentOrUrl(const QString &name) {
    return name == QLatin1String("COMM") || name.startsWith(QLatin1Char('W'));
}

} // namespace

clsFMOD::clsFMOD(FModNotifier *notifier)
    : engine_(std::make_unique<SoundEngine>()), notifier_(notifier) {}

clsFMOD::~clsFMOD() {
    // Each step's failure is ignored: release runs to the end.
    engine_->stopSound(sound::kAllChannels);
    if (stream_ != 0)
        engine_->streamClose(stream_);
    if (song_ != 0) {
        engine_->musicStopSong(song_);
        engine_->musicFreeSong(song_);
    }
    engine_->close();
}

void clsFMOD::reportError() {
    if (notifier_ != nullptr)
        notifier_->showError(FmodErrorString(engine_->lastError()));
}

void clsFMOD::reportUnplayable(const QString &sFilename) {
    if (notifier_ != nullptr)
        notifier_->showWarning(QStringLiteral("Could not recognize & play \"") + sFilename +
                               QStringLiteral("\"."));
}

// --- initialisation and output ---------------------------------------------------------------

bool clsFMOD::Init(qint32 lMixrate, qint32 lMaxChannels) {
    if (engine_->init(lMixrate, lMaxChannels,
                      sound::kInitGlobalFocus | sound::kInitAccurateVuLevels))
        return true;
    reportError();
    return false;
}

bool clsFMOD::ReturnDrivers(QStringList &sDrvArray) {
    const int count = engine_->numDrivers();
    if (count < 1)
        return false;
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << StringFromPtr(engine_->driverName(i));
    sDrvArray = names;
    return true;
}

bool clsFMOD::InitOutput(qint32 eOutType) {
    if (engine_->setOutput(eOutType))
        return true;
    reportError();
    return false;
}

bool clsFMOD::InitMixer(qint32 eMixerType) {
    if (engine_->setMixer(eMixerType))
        return true;
    reportError();
    return false;
}

bool clsFMOD::InitBuffer(qint32 lBufferLenMs) {
    if (engine_->setBufferSize(lBufferLenMs))
        return true;
    reportError();
    return false;
}

bool clsFMOD::InitDriver(qint16 iDriveNum) {
    if (engine_->setDriver(iDriveNum))
        return true;
    reportError();
    return false;
}

void clsFMOD::setSpeakerSetup(qint32 Spk) {
    engine_->setSpeakerMode(Spk);
}

// --- streams ---------------------------------------------------------------------------------

qint32 clsFMOD::openStream(const QString &sFilename, bool bVBR) {
    return engine_->streamOpen(sFilename, bVBR ? kAccurateMode : kOpenMode);
}

bool clsFMOD::StreamPlay(const QString &sFilename, bool bVBR, quint8 bVolume) {
    engine_->stopSound(sound::kAllChannels);
    if (stream_ != 0)
        engine_->streamClose(stream_);
    channel_ = 0;
    stream_ = openStream(sFilename, bVBR);
    if (stream_ == 0) {
        reportUnplayable(sFilename);
        return false;
    }
    const int channel = engine_->streamPlay(sound::kFreeChannel, stream_);
    if (channel <= 0) {
        // Opened but cannot play (a damaged file, no free channel): not a success.
        reportError();
        return false;
    }
    channel_ = channel;
    engine_->setVolume(channel_, bVolume);
    return true;
}

bool clsFMOD::StreamPausePlay() {
    if (stream_ == 0)
        return false;
    const bool paused = engine_->getPaused(channel_);
    engine_->setPaused(channel_, !paused);
    return true;
}

bool clsFMOD::StreamStop() {
    if (stream_ == 0)
        return true;
    if (channel_ != 0) {
        engine_->stopSound(channel_);
        engine_->streamSetTime(stream_, 0);
        channel_ = 0;
    } else {
        const int channel = engine_->streamPlay(sound::kFreeChannel, stream_);
        channel_ = channel > 0 ? channel : 0;
    }
    return true;
}

bool clsFMOD::StreamUnload() {
    engine_->stopSound(sound::kAllChannels);
    if (stream_ != 0)
        engine_->streamClose(stream_);
    stream_ = 0;
    channel_ = 0;
    return true;
}

qint32 clsFMOD::StreamFrequency() {
    return engine_->getFrequency(channel_);
}

void clsFMOD::setStreamFrequency(qint32 lFreq) {
    engine_->setFrequency(channel_, lFreq);
}

quint8 clsFMOD::StreamVolume() {
    return static_cast<quint8>(engine_->getVolume(channel_));
}

void clsFMOD::setStreamVolume(quint8 bVolume) {
    engine_->setVolume(channel_, bVolume);
}

bool clsFMOD::StreamIsLoaded() const {
    return stream_ != 0;
}

bool clsFMOD::StreamIsPlaying() {
    if (channel_ == 0)
        return false;
    return !engine_->getPaused(channel_);
}

qint32 clsFMOD::StreamSongLen() {
    if (stream_ == 0)
        return 0;
    return static_cast<qint32>(engine_->streamGetLengthMs(stream_));
}

qint32 clsFMOD::StreamSongPos() {
    if (stream_ == 0 || channel_ == 0)
        return 0;
    return static_cast<qint32>(engine_->streamGetTime(stream_));
}

void clsFMOD::setStreamSongPos(qint32 lPos) {
    if (stream_ == 0 || channel_ == 0)
        return;
    engine_->streamSetTime(stream_, lPos);
}

qint32 clsFMOD::StreamKbps() {
    if (stream_ == 0)
        return 0;
    return fmodtiming::kbps(engine_->streamGetLengthMs(stream_), engine_->streamGetLength(stream_));
}

quint8 clsFMOD::StreamPanning() {
    const int pan = engine_->getPan(channel_);
    // Full stereo reads back as the value that asks for it.
    return static_cast<quint8>(pan == sound::kFullStereoPan ? kPanFullStereoRequest : pan);
}

void clsFMOD::setStreamPanning(quint8 bPanning) {
    engine_->setPan(sound::kAllChannels,
                    bPanning == kPanFullStereoRequest ? sound::kFullStereoPan : bPanning);
}

bool clsFMOD::StreamSurround() {
    return engine_->getSurround(channel_);
}

void clsFMOD::setStreamSurround(bool bSurround) {
    engine_->setSurround(sound::kAllChannels, bSurround);
}

// --- stream handles and tags -----------------------------------------------------------------

qint32 clsFMOD::GetStreamOpenFile(const QString &sFilename, bool bVBR) {
    return openStream(sFilename, bVBR);
}

void clsFMOD::GetStreamCloseFile(qint32 lHandle) {
    engine_->streamClose(lHandle);
}

qint32 clsFMOD::GetStreamLength(qint32 lHandle) {
    return fmodtiming::wholeSeconds(engine_->streamGetLengthMs(lHandle));
}

QString clsFMOD::GetStreamTag(qint32 lHandle, qint32 eTag, QString &sTagName) {
    const char *value = nullptr;
    int length = 0;
    if (!engine_->streamFindTagField(lHandle, eTag, sTagName.toUtf8().constData(), &value, &length))
        return {};
    if (eTag != sound::TagId3v2)
        return TrimBlanks(StringFromPtr(value));
    QString text = StringFromBytes(value, length);
    if (!commentOrUrl(sTagName))
        return nulsAsBlanks(text);
    // Drop the closing NUL (and one NUL the frame itself ended with), then skip language
    // and description.
    const bool twoNuls = text.size() >= 2 && text[text.size() - 2] == QChar(0);
    text.chop(twoNuls ? 2 : 1);
    return afterLastNul(text);
}

qint32 clsFMOD::GetStreamTagNumTags(qint32 lHandle) {
    int count = 0;
    if (!engine_->streamGetNumTagFields(lHandle, &count))
        return 0;
    return count;
}

void clsFMOD::GetStreamTagByNum(qint32 lHandle, qint32 lNum, qint32 &eTagType, QString &sTagName,
                                QString &sTagValue) {
    int type = 0;
    const char *name = nullptr;
    const char *value = nullptr;
    int length = 0;
    if (!engine_->streamGetTagField(lHandle, lNum, &type, &name, &value, &length))
        return;
    eTagType = type;
    sTagName = StringFromPtr(name);
    if (const qsizetype nul = sTagName.indexOf(QChar(0)); nul >= 0)
        sTagName.truncate(nul);
    QString text = StringFromBytes(value, length);
    if (type == sound::TagId3v2 && commentOrUrl(sTagName)) {
        text.chop(1);
        sTagValue = afterLastNul(text);
    } else {
        sTagValue = nulsAsBlanks(text);
    }
}

// --- other -----------------------------------------------------------------------------------

float clsFMOD::CPUUsage() const {
    return engine_->cpuUsage();
}

float clsFMOD::FMODVersion() const {
    return engine_->version();
}

qint32 clsFMOD::ChannelsPlaying() {
    return engine_->channelsPlaying();
}

void clsFMOD::GetVU(float &nLeft, float &nRight) {
    engine_->getCurrentLevels(channel_, &nLeft, &nRight);
}

void clsFMOD::GetSpecificVU(qint32 lSpecChannel, float &nLeft, float &nRight) {
    engine_->getCurrentLevels(lSpecChannel, &nLeft, &nRight);
}

quint8 clsFMOD::TestFile(const QString &sFilename) {
    const qint32 handle = engine_->streamOpen(sFilename, kOpenMode);
    if (handle != 0) {
        engine_->streamClose(handle);
        return 1;
    }
    const qint32 song = engine_->musicLoadSong(sFilename);
    if (song == 0)
        return 0;
    const int type = engine_->musicGetType(song);
    engine_->musicFreeSong(song);
    return static_cast<quint8>(type >= 1 && type <= 5 ? type + 1 : 7);
}

} // namespace pelvanto
