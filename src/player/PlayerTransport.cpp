#include "PlayerTransport.h"

#include "mediaplayer/MediaPlayer.h"

#include <QTimer>

namespace pelvanto {

PlayerTransport::PlayerTransport(MediaPlayer &player, PlayList &list, QObject *parent)
    : QObject(parent), player_(player), list_(list) {
    connect(&player_, &MediaPlayer::EndOfStream, this, &PlayerTransport::endOfTrack);
}

void PlayerTransport::setTitle(const QString &title) {
    title_ = title;
    emit titleChanged(title);
}

bool PlayerTransport::start(int index) {
    list_.select(index);
    emit currentChanged(list_.current());
    if (list_.current() < 0)
        return false;
    const QString path = list_.path(index);
    const bool cd = PlayList::isCdTrack(path);
    QString name = MediaPlayer::kCdAudio;
    if (cd && PlayList::cdTrackNumber(path) > 0)
        name += QString::number(PlayList::cdTrackNumber(path));
    if (player_.setFileName(cd ? name : path)) {
        failedInARow_.clear();
        return true;
    }
    setTitle(tr("Cannot play %1: %2").arg(list_.name(index), player_.ErrorText()));
    // Later, so that a list of bad files neither recurses nor blocks the window.
    QTimer::singleShot(0, this, [this, index] { skipFrom(index); });
    return false;
}

void PlayerTransport::skipFrom(int failed) {
    failedInARow_.insert(failed);
    const int count = list_.count();
    if (mode_ == PlayMode::None || failedInARow_.size() >= count || list_.current() != failed)
        return;
    int index = playorder::next(failed, count);
    if (mode_ == PlayMode::Random) {
        // Among the entries that have not just failed.
        QList<int> left;
        for (int i = 0; i < count; ++i)
            if (!failedInARow_.contains(i))
                left << i;
        index = left[std::min<qsizetype>(left.size() - 1, qsizetype(random_() * left.size()))];
    } else {
        while (failedInARow_.contains(index))
            index = playorder::next(index, count);
    }
    if (start(index))
        setTitle(list_.name(index));
}

bool PlayerTransport::openFile(const QString &path) {
    if (!list_.append(path))
        return false;
    const int index = list_.count() - 1;
    failedInARow_.clear();
    if (!start(index))
        return false;
    if (!PlayList::isCdTrack(path))
        setTitle(list_.name(index));
    return true;
}

bool PlayerTransport::playEntry(int index) {
    failedInARow_.clear();
    if (!start(index))
        return false;
    if (!PlayList::isCdTrack(list_.path(index)))
        setTitle(list_.name(index));
    return true;
}

bool PlayerTransport::playCurrent() {
    if (list_.current() < 0)
        return false;
    playEntry(list_.current());
    return true;
}

void PlayerTransport::previous() {
    if (!list_.isEmpty())
        playEntry(playorder::previous(list_.current(), list_.count()));
}

void PlayerTransport::next() {
    if (!list_.isEmpty())
        playEntry(playorder::next(list_.current(), list_.count()));
}

QString PlayerTransport::togglePause(const QString &caption) {
    if (list_.isEmpty())
        return caption;
    if (caption == kPauseCaption) {
        player_.Pause();
        return kResumeCaption;
    }
    player_.Play();
    return kPauseCaption;
}

void PlayerTransport::stop() {
    player_.Stop();
    player_.setCurrentPosition(0);
}

void PlayerTransport::endOfTrack() {
    const int index =
        playorder::afterEnd(mode_, repeatSong_, list_.current(), list_.count(), random_);
    if (index < 0) {
        player_.Stop();
        return;
    }
    failedInARow_.clear();
    if (!start(index) || repeatSong_)
        return;
    // Normal mode shows what the player opened; a random pick shows the entry's name, so the
    // title never names a song that is not playing.
    if (mode_ == PlayMode::Normal)
        setTitle(player_.FileName());
    else if (!PlayList::isCdTrack(list_.path(index)))
        setTitle(list_.name(index));
}

} // namespace pelvanto
