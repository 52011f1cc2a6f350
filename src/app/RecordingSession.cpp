#include "RecordingSession.h"

#include "RecordingText.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioRecord.h"
#include "capture/AudioVisualization.h"
#include "capture/SampleTools.h"

#include <QEventLoop>

namespace pelvanto {

RecordingSession::RecordingSession(AudioRecord &recorder, AudioFile &file, QObject *parent)
    : QObject(parent), recorder_(recorder), file_(file), elapsed_(elapsedText(0)) {
    connect(&recorder_, &AudioRecord::EndArrayRecord, this, [this](int) { onBlock(); });
    connect(&recorder_, &AudioRecord::Timer, this,
            [this](qint64 samples, int, int) { onTimer(samples); });
    connect(&recorder_, &AudioRecord::DeviceLost, this, &RecordingSession::onDeviceLost);
    file_.SetBackgroundWriting(true);
    connect(&file_, &AudioFile::WriteFailed, this, &RecordingSession::onWriteFailed);
}

void RecordingSession::setDisplays(AudioVisualization *visualization, AudioDisplay *display) {
    av_ = visualization;
    display_ = display;
}

bool RecordingSession::start(const QString &path) {
    if (recording_)
        stop();
    if (stopping_)
        return false;
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
    failureReported_ = false;
    writeFailure_.clear();
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
    stopping_ = true;
    recorder_.RecordStop();
    // The last (partial) block is ready now: it goes to the file before it closes.
    writePending();
    file_.FinishWriting();
    waitUntilWritten();
    const qint64 writtenSoFar = file_.LengthSamples();
    file_.CloseFile();
    stopping_ = false;
    if (av_ != nullptr)
        av_->SetSamples({});
    if (display_ != nullptr)
        display_->SetSamples({});
    // Only what reached the file counts: blocks still queued when a write failed are lost.
    framesWritten_ = writtenSoFar;
    if (file_.FileStatus() < 0 && !failureReported_) {
        // The end of the recording did not reach the disk: the caller tells the user.
        failureReported_ = true;
        writeFailure_ = QStringLiteral("The recording was stopped: ") + file_.LastError();
    }
}

void RecordingSession::waitUntilWritten() {
    if (file_.WritingFinished())
        return;
    QEventLoop loop;
    connect(&file_, &AudioFile::WriteFinished, &loop, &QEventLoop::quit);
    // The queue may have finished between the check and the connection.
    if (!file_.WritingFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::X11ExcludeTimers);
}

void RecordingSession::writePending() {
    for (;;) {
        const QVector<qint16> block = recorder_.GetRecordedBlock();
        if (block.isEmpty())
            return;
        // After a failure the audio file refuses further blocks; the window is stopping.
        file_.WriteBlock(block);
    }
}

qint64 RecordingSession::framesWritten() const {
    return recording_ ? file_.LengthSamples() : framesWritten_;
}

void RecordingSession::onBlock() {
    if (!recording_)
        return;
    writePending();
}

void RecordingSession::onWriteFailed(const QString &reason) {
    if (!recording_ || failureReported_)
        return;
    failureReported_ = true;
    emit failed(
        QStringLiteral("The recording was stopped: ") +
        (reason.isEmpty() ? QStringLiteral("The audio file could not be written.") : reason));
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
        // The waveform counts its wanted samples with the channels in them already.
        display_->SetSamples(recorder_.GetLatestSamples(display_->WantedSamples()));
    }
}

} // namespace pelvanto
