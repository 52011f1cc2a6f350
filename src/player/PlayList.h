#pragma once

#include <QString>
#include <QStringList>

namespace pelvanto {

// The audio player's play list: full paths and the names shown, kept index-parallel, and the
// current entry. Entries are only ever appended.
class PlayList {
public:
    // The part of a path after its last separator; a bare name as it is.
    static QString StripPath(const QString &path);
    // Rows of an audio CD end in "cda" ("…/Track07.cda"): they play the disc, not a file.
    static bool isCdTrack(const QString &path);
    // The track number of a CD row ("Track07.cda" is 7); 0 when the name carries none.
    static int cdTrackNumber(const QString &path);
    // The row of a CD track: a name under the drive's path.
    static QString cdTrackPath(const QString &drivePath, int track);

    // An empty path adds nothing (a cancelled file dialog); false then.
    bool append(const QString &path);
    void appendAll(const QStringList &paths);
    int count() const { return static_cast<int>(paths_.size()); }
    bool isEmpty() const { return paths_.isEmpty(); }
    QString path(int index) const { return paths_.value(index); }
    QString name(int index) const { return names_.value(index); }
    const QStringList &paths() const { return paths_; }
    const QStringList &names() const { return names_; }

    // -1 when no entry is current.
    int current() const { return current_; }
    // Out of range selects nothing.
    void select(int index);

private:
    QStringList paths_;
    QStringList names_;
    int current_ = -1;
};

} // namespace pelvanto
