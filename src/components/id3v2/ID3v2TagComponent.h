#pragma once

#include <QString>

#include <array>

namespace pelvanto {

// The ID3v2 tag at the start of an MP3 file, seen as the twelve text fields
// the tag editor works with. Frame indexes 1 to 12 address them:
//   1 TRCK track, 2 TIT2 title, 3 TPE1 artist, 4 TALB album, 5 TYER year,
//   6 TCON genre, 7 COMM comment, 8 TCOM composer, 9 TOPE original artist,
//   10 TCOP copyright, 11 WXXX URL, 12 TENC encoded by.
// Tags of versions 2.2, 2.3 and 2.4 are read; tags are always written as
// ID3v2.3, with text that needs more than Latin-1 in UTF-16. Each operation
// returns false on failure and leaves the file as it was.
class ID3v2TagComponent {
public:
    static constexpr qint16 FrameCount = 12;
    // The four-character frame identifier of a frame index, or nullptr.
    static const char *FrameId(qint16 index);

    // Reads the tag of the file, if it has one. False when the file cannot be
    // read (missing, unreadable, not a regular file).
    bool Load(const QString &path);
    // After a successful Load: whether the file starts with an ID3v2 tag.
    bool TagFound() const { return tagFound_; }
    // The text of a field, empty when absent. False for an index outside 1..12.
    bool GetFrameText(qint16 index, QString &value) const;
    // Sets a field for the next Save. An empty value removes the frame.
    bool SetFrameText(qint16 index, const QString &value);
    // Writes the fields that were loaded or set as the file's ID3v2.3 tag,
    // replacing the frames that hold them. With keepOtherFrames, the other
    // frames of the file's existing tag (pictures, lyrics...) are kept;
    // without it, the new tag holds only the twelve fields. The audio data
    // and an ID3v1 tag at the end are copied unchanged.
    bool Save(const QString &path, bool keepOtherFrames);
    // Removes the ID3v2 tag from the start of the file; with allTags, also
    // the further tags that some programs stack behind the first. A file
    // without a tag is left alone and counts as success.
    bool Remove(const QString &path, bool allTags);

private:
    bool tagFound_ = false;
    std::array<QString, FrameCount> values_;
    // Which fields Save writes: the loaded ones and the ones set since.
    std::array<bool, FrameCount> known_{};
};

} // namespace pelvanto
