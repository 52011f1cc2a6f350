#pragma once

#include "PlayList.h"
#include "PlayOrder.h"

#include <QObject>
#include <QSet>
#include <QString>

namespace pelvanto {

class MediaPlayer;

// The audio player's transport over its play list: opening and playing entries, previous and
// next, the end of a track by play mode, pause with its caption, stop. An entry that cannot
// be played is skipped: the title says so and, in the normal and random modes, the next entry
// plays — until every entry has failed in a row, then it stops.
class PlayerTransport : public QObject {
    Q_OBJECT
public:
    static inline const QString kPauseCaption = QStringLiteral("Pause");
    static inline const QString kResumeCaption = QStringLiteral("Resume");

    PlayerTransport(MediaPlayer &player, PlayList &list, QObject *parent = nullptr);

    PlayList &list() { return list_; }
    MediaPlayer &player() { return player_; }
    PlayMode mode() const { return mode_; }
    void setMode(PlayMode mode) { mode_ = mode; }
    bool repeatSong() const { return repeatSong_; }
    void setRepeatSong(bool on) { repeatSong_ = on; }
    void setRandom(playorder::Random random) { random_ = std::move(random); }
    QString title() const { return title_; }

    // A file chosen in a dialog: appended and played; an empty choice does nothing.
    bool openFile(const QString &path);
    // Plays entry `index` (selecting it); false when it cannot be played.
    bool playEntry(int index);
    // The play button: the current entry, false when there is none (the caller opens a file).
    bool playCurrent();
    void previous();
    void next();
    // The pause button: pauses when the caption reads "Pause", otherwise plays; the new
    // caption. Nothing happens with an empty list.
    QString togglePause(const QString &caption);
    void stop();

signals:
    void titleChanged(const QString &title);
    void currentChanged(int index);

private:
    void endOfTrack();
    bool start(int index);
    void setTitle(const QString &title);
    void skipFrom(int failed);

    MediaPlayer &player_;
    PlayList &list_;
    PlayMode mode_ = PlayMode::Normal;
    bool repeatSong_ = false;
    playorder::Random random_ = playorder::systemRandom();
    QString title_;
    QSet<int> failedInARow_;
};

} // namespace pelvanto
