#pragma once

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QTime>

#include <atomic>

namespace pelvanto {

class AudioFile;

// One line of the converter's log.
struct ConversionLogEntry {
    enum class Kind { Progress, Setting, Error };
    Kind kind = Kind::Progress;
    QTime time;
    QString message;
};

// What a run is asked to do; the formats run in the order WMA, MP3, Ogg Vorbis.
struct ConversionRequest {
    QString input; // as typed
    bool wma = false;
    bool mp3 = false;
    bool ogg = false;
    int wmaProfile = 39;
};

// How one format ended.
struct ConversionStep {
    enum class Outcome {
        Complete,
        Cancelled,       // the partial output stays under its name
        InputEndedEarly, // the output holds what could be read, renamed as incomplete
        Failed,          // nothing usable: no output, or the unfinished one removed
    };
    QString format; // "WMA", "MP3", "Ogg"
    QString output; // where the output is (or was meant to be)
    Outcome outcome = Outcome::Failed;
};

// Converts one input into WMA, MP3 and/or Ogg Vorbis beside it, one format after the other:
// the reader decodes a second of audio per block and the writer encodes it. The writer holds the
// output settings (MP3 and Ogg formats); the run sets only the WMA profile.
//
// run() blocks until every format is done or the run is cancelled; the window calls it on a
// worker thread, and the signals reach the window queued. The reader decodes a few blocks ahead
// on a thread of its own. The two audio files must not be used elsewhere while a run is going on.
class ConversionRun : public QObject {
    Q_OBJECT
public:
    ConversionRun(AudioFile &reader, AudioFile &writer, QObject *parent = nullptr);

    // The input must have passed ConversionNames::outputBase.
    QList<ConversionStep> run(const ConversionRequest &request);
    // Safe from any thread: the running block is finished, its output closed (the partial file
    // stays) and the remaining formats are skipped.
    void cancel();
    bool cancelled() const { return cancelled_.load(); }

signals:
    void logged(const pelvanto::ConversionLogEntry &entry);
    // Percent of the current format, 0 to 100.
    void progressChanged(double percent);

private:
    ConversionStep convert(const QString &format, const QString &output);
    void log(ConversionLogEntry::Kind kind, const QString &message);
    void fail(ConversionStep &step, const QString &reason);
    void setProgress(double percent);
    // Leaves no half-written file behind when the output could not be finished.
    void discardOutput(ConversionStep &step, bool existedBefore, const QString &reason);

    AudioFile &reader_;
    AudioFile &writer_;
    QString input_;
    std::atomic<bool> cancelled_{false};
    bool inputUnreadable_ = false;
    int shownPermille_ = -1;
};

} // namespace pelvanto

Q_DECLARE_METATYPE(pelvanto::ConversionLogEntry)
