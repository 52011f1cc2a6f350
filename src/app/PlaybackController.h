#pragma once

#include <QObject>
#include <QString>

namespace pelvanto {

class AudioDisplay;
class AudioFile;
class AudioPlayer;
class AudioVisualization;

// Plays one listed file inside the main window: the audio file decodes, the
// player sounds it, 200 ms at a time. Keeps the position for pause, resume and
// the position slider (0..1000).
class PlaybackController : public QObject {
    Q_OBJECT
public:
    static constexpr int kSliderRange = 1000;

    PlaybackController(AudioPlayer &player, AudioFile &file, QObject *parent = nullptr);

    void setDisplays(AudioVisualization *visualization, AudioDisplay *display);

    // Opens and starts the file; false (silently) when it cannot be read, is
    // empty or the player refuses to start.
    bool play(const QString &path);
    // Stops and closes the file; nothing happens when stopped.
    void stop();
    // Pause, or resume from where the pause was made. Ignored when stopped.
    void pauseResume();
    // The slider was taken with the mouse: its value is not moved until release.
    void beginDrag();
    // The slider was released at `value`: playback goes on from that point.
    void endDrag(int value);

    bool isPlaying() const { return playing_; }
    bool isStopped() const { return stopped_; }
    bool isPaused() const { return paused_; }
    bool isDragging() const { return dragging_; }
    qint64 length() const { return length_; }
    qint64 offset() const { return offset_; }
    QString path() const { return path_; }
    QString formatDescription() const { return description_; }

signals:
    // Elapsed text and slider value (-1: leave the slider, it is being dragged).
    void progress(const QString &elapsed, int slider);
    // Playback ended (stop, end of the file).
    void stoppedPlaying();

private:
    void feed();
    void onTimer(qint64 currentSamples);

    AudioPlayer &player_;
    AudioFile &file_;
    AudioVisualization *av_ = nullptr;
    AudioDisplay *display_ = nullptr;
    bool playing_ = false;
    bool stopped_ = true;
    bool paused_ = false;
    bool dragging_ = false;
    qint64 length_ = 0;
    qint64 offset_ = 0;
    qint64 block_ = 0;
    int rate_ = 44100;
    int channels_ = 2;
    QString path_;
    QString description_;
};

} // namespace pelvanto
