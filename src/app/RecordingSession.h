#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace pelvanto {

class AudioDisplay;
class AudioFile;
class AudioRecord;
class AudioVisualization;

// One recording at a time: creates the output file, starts the recorder in the
// file's format, queues every finished block to the encoder (which writes on a
// thread of the audio file's own, so a slow disk never holds up the window),
// shows the elapsed time and the live displays, and closes the file on stop. A
// write failure or a lost device asks the window to stop through failed().
class RecordingSession : public QObject {
    Q_OBJECT
public:
    RecordingSession(AudioRecord &recorder, AudioFile &file, QObject *parent = nullptr);

    void setDisplays(AudioVisualization *visualization, AudioDisplay *display);

    // Creates the file and starts capture. False when the file cannot be
    // created or the recorder refuses to start (the file is then closed), and
    // while a stop is still writing.
    bool start(const QString &path);
    // Stops capture, writes every block still owed and closes the file. While
    // the disk catches up, events other than user input keep running (the
    // window repaints). Nothing happens when no recording runs.
    void stop();

    bool isRecording() const { return recording_; }
    QString path() const { return path_; }
    // Elapsed time of the running (or last) recording, as Label1 shows it.
    QString elapsed() const { return elapsed_; }
    // Sample frames handed to the encoder in this recording.
    // Frames that reached the file (the writer may be a block behind while recording).
    qint64 framesWritten() const;
    // Why the file could not be completed when stop() found out only then; empty otherwise.
    QString writeFailure() const { return writeFailure_; }

signals:
    void elapsedChanged(const QString &text);
    // The recording cannot go on; the window must stop it and tell the user why.
    void failed(const QString &reason);

private:
    void onBlock();
    void onTimer(qint64 currentSamples);
    void onDeviceLost(const QString &reason);
    void onWriteFailed(const QString &reason);
    void writePending();
    void waitUntilWritten();

    AudioRecord &recorder_;
    AudioFile &file_;
    AudioVisualization *av_ = nullptr;
    AudioDisplay *display_ = nullptr;
    bool recording_ = false;
    bool stopping_ = false;
    bool failureReported_ = false;
    int channels_ = 2;
    int rate_ = 44100;
    QString path_;
    QString elapsed_;
    qint64 framesWritten_ = 0;
    QString writeFailure_;
};

} // namespace pelvanto
