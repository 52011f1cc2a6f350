#include "RecordingSession.h"

#include "RecordingText.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioRecord.h"
#include "capture/AudioVisualization.h"
#include "capture/SampleTools.h"

#include <algorithm>

namespace pelvanto {

RecordingSession::RecordingSession(AudioRecord &recorder, AudioFile &file, QObject *parent)
    : QObject(parent), recorder_(recorder), file_(file), elapsed_(elapsedText(0)) {
    connect(&recorder_, &AudioRecord::EndArrayRecord, this, [this](int) { onBlock(); });
    connect(&recorder_, &AudioRecord::Timer, this,
            [this](qint64 samples, int, int) { onTimer(samples); });
    connect(&recorder_, &AudioRecord::DeviceLost, this, &RecordingSession::onDeviceLost);
}

void RecordingSession::setDisplays(AudioVisualization *visualization, AudioDisplay *display) {
    av_ = visualization;
    display_ = display;
}

bool RecordingSession::start(const QString &path) {
    if (recording_)
        stop();
    if (file_.CreateWrite(path, 0) < 0 || file_.FileStatus() < 0)
        return false;
    rate_ = file_.SampleRate();
    channels_ = file_.ChannelCount();
    recorder_.SetFormat(rate_, channels_);
    if (av_ != nullptr)
        av_->SetFormat(rate_, channels_);
    if (display_ != nullptr)
        display_->SetChannels(channels_);
    recorder_.SetBlockSize(static_cast<int>(recorder_.MsToSamples(1000)));
    path_ = path;
    framesWritten_ = 0;
    writeFailed_ = false;
    failureReported_ = false;
    elapsed_ = elapsedText(0);
    emit elapsedChanged(elapsed_);
    // Blocks of an earlier recording never reach this file.
    while (!recorder_.GetRecordedBlock().isEmpty()) {
    }
    recorder_.RecordStart();
    if (recorder_.RecordStatus() < 0) {
        file_.CloseFile();
        return false;
    }
    recording_ = true;
    return true;
}

void RecordingSession::stop() {
    if (!recording_)
        return;
    recording_ = false;
    recorder_.RecordStop();
    // The last (partial) block is ready now: write it before the file closes.
    writePending();
    file_.CloseFile();
    if (av_ != nullptr)
        av_->SetSamples({});
    if (display_ != nullptr)
        display_->SetSamples({});
}

bool RecordingSession::writePending() {
    bool wrote = false;
    for (;;) {
        const QVector<qint16> block = recorder_.GetRecordedBlock();
        if (block.isEmpty())
            return wrote;
        if (writeFailed_)
            continue; // the file cannot take more; the window is stopping
        if (!file_.WriteBlock(block)) {
            writeFailed_ = true;
            continue;
        }
        framesWritten_ += block.size() / std::max(1, channels_);
        wrote = true;
    }
}

void RecordingSession::onBlock() {
    if (!recording_)
        return;
    writePending();
    if (writeFailed_ && !failureReported_) {
        failureReported_ = true;
        QString reason = file_.LastError();
        if (reason.isEmpty())
            reason = QStringLiteral("The audio file could not be written.");
        emit failed(QStringLiteral("The recording was stopped: ") + reason);
    }
}

void RecordingSession::onDeviceLost(const QString &reason) {
    if (!recording_ || failureReported_)
        return;
    failureReported_ = true;
    emit failed(QStringLiteral("The recording was stopped: the recording device was lost (") +
                reason + QStringLiteral(")."));
}

void RecordingSession::onTimer(qint64 currentSamples) {
    if (!recording_)
        return;
    elapsed_ = elapsedText(recorder_.SamplesToMs(currentSamples));
    emit elapsedChanged(elapsed_);
    if (av_ != nullptr && av_->isVisible()) {
        const int wanted = av_->WantedSamples();
        QVector<qint16> samples = recorder_.GetLatestSamples(wanted * channels_);
        if (channels_ == 2) {
            samples = SampleTools::MakeMonoFromStereo(samples);
            av_->SetFormat(rate_, 1);
        }
        av_->SetSamples(samples);
    }
    if (display_ != nullptr && display_->isVisible()) {
        const int wanted = display_->WantedSamples();
        display_->SetSamples(recorder_.GetLatestSamples(wanted * channels_));
    }
}

} // namespace pelvanto
