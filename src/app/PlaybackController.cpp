#include "PlaybackController.h"

#include "RecordingText.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioPlayer.h"
#include "capture/AudioVisualization.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace pelvanto {

PlaybackController::PlaybackController(AudioPlayer &player, AudioFile &file, QObject *parent)
    : QObject(parent), player_(player), file_(file) {
    connect(&player_, &AudioPlayer::RequestOnLoadArray, this, &PlaybackController::feed);
    connect(&player_, &AudioPlayer::EndArrayPlay, this, &PlaybackController::feed);
    connect(&player_, &AudioPlayer::EndPlay, this, [this] {
        if (!paused_)
            stop();
    });
    connect(&player_, &AudioPlayer::Timer, this,
            [this](qint64 samples, int, int) { onTimer(samples); });
}

void PlaybackController::setDisplays(AudioVisualization *visualization, AudioDisplay *display) {
    av_ = visualization;
    display_ = display;
}

bool PlaybackController::play(const QString &path) {
    if (!stopped_)
        stop();
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return false;
    if (file_.OpenRead(path, 0, 1) < 0 || file_.FileStatus() < 0)
        return false;
    offset_ = 0;
    length_ = file_.LengthSamples();
    if (length_ <= 0) {
        file_.CloseFile();
        return false;
    }
    path_ = path;
    description_ = file_.FormatDescription();
    rate_ = file_.SampleRate();
    channels_ = file_.ChannelCount();
    player_.SetFormat(rate_, channels_);
    if (av_ != nullptr)
        av_->SetFormat(rate_, channels_);
    if (display_ != nullptr)
        display_->SetChannels(channels_);
    paused_ = false;
    player_.PlayStart();
    if (player_.PlayStatus() < 0) {
        file_.CloseFile();
        return false;
    }
    playing_ = true;
    stopped_ = false;
    block_ = std::max<qint64>(1, player_.MsToSamples(200));
    feed();
    return true;
}

void PlaybackController::stop() {
    if (stopped_)
        return;
    stopped_ = true;
    player_.PlayStop();
    file_.CloseFile();
    playing_ = false;
    paused_ = false;
    if (av_ != nullptr)
        av_->SetSamples({});
    if (display_ != nullptr)
        display_->SetSamples({});
    emit stoppedPlaying();
}

void PlaybackController::pauseResume() {
    if (stopped_)
        return;
    if (!paused_) {
        paused_ = true;
        offset_ += player_.PlayedSamples();
        player_.PlayStop();
    } else {
        paused_ = false;
        player_.PlayStart();
        offset_ = std::max<qint64>(0, file_.SeekTo(offset_, 3));
        feed();
    }
}

void PlaybackController::beginDrag() {
    dragging_ = true;
}

void PlaybackController::endDrag(int value) {
    if (stopped_) {
        dragging_ = false;
        return;
    }
    const qint64 target = std::llround(static_cast<double>(length_) *
                                       std::clamp(value, 0, kSliderRange) / kSliderRange);
    if (paused_) {
        // Moves the point where resume goes on; the pause stays.
        offset_ = std::max<qint64>(0, file_.SeekTo(target, 3));
        dragging_ = false;
        emit progress(elapsedText(player_.SamplesToMs(offset_)), -1);
        return;
    }
    player_.PlayStop();
    player_.PlayStart();
    offset_ = std::max<qint64>(0, file_.SeekTo(target, 3));
    dragging_ = false;
    feed();
}

void PlaybackController::feed() {
    if (stopped_ || paused_)
        return;
    const QVector<qint16> block = file_.ReadBlock(static_cast<int>(block_ * channels_));
    if (block.size() > 1)
        player_.QueueBlock(block);
}

void PlaybackController::onTimer(qint64 currentSamples) {
    if (stopped_ || paused_)
        return;
    const qint64 pos = currentSamples + offset_;
    int slider = -1;
    if (!dragging_) {
        const double share = std::min(1.0, static_cast<double>(pos) / static_cast<double>(length_));
        slider = static_cast<int>(std::lround(share * kSliderRange));
    }
    emit progress(elapsedText(player_.SamplesToMs(pos)), slider);
    if (av_ != nullptr && av_->isVisible() && pos + av_->WantedSamples() <= length_) {
        av_->SetFormat(rate_, channels_);
        av_->SetSamples(player_.GetLatestSamples(av_->WantedSamples() * channels_));
    }
    if (display_ != nullptr && display_->isVisible() && pos + display_->WantedSamples() <= length_)
        display_->SetSamples(player_.GetLatestSamples(display_->WantedSamples()));
}

} // namespace pelvanto
