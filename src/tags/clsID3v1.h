#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace pelvanto {

class AudioFileReader;

// The 128-byte ID3v1 tag at the end of an MP3 file, in the ID3v1.1 layout
// (28-character comment, zero byte, track), read as ID3v1.0 (30-character
// comment) when the zero byte is not 0. Text is ISO-8859-1; characters
// outside it are stored as '?'. One file at a time, named by filename; no
// file stays open between calls.
class clsID3v1 {
public:
    static constexpr int GenreCount = 148;
    static constexpr std::uint8_t NoGenre = 255;

    clsID3v1();

    QString filename() const { return filename_; }
    void setFilename(const QString &path) { filename_ = path; }

    // Loads the tag. True when the file ends in one; without a tag the fields
    // are reset to blanks, track 0, genre 255, and the result is false. On a
    // failure (missing or unreadable file, shorter than 128 bytes, not a
    // regular file) the fields keep what they held and the result is false.
    bool ReadTag();

    QString tagTitle() const;
    void setTagTitle(const QString &value);
    QString tagArtist() const;
    void setTagArtist(const QString &value);
    QString tagAlbum() const;
    void setTagAlbum(const QString &value);
    QString tagYear() const;
    void setTagYear(const QString &value);
    // 28 characters, or 30 when the zero byte is not 0 (ID3v1.0).
    QString tagComments() const;
    // Up to 28 characters keep the zero byte and track; a longer value puts
    // its 29th and 30th characters into them, replacing the track. False, with
    // nothing changed, when one of those two has no ISO-8859-1 code.
    bool setTagComments(const QString &value);
    // 0 when the tag is ID3v1.0; setting it makes the tag ID3v1.1.
    std::uint8_t tagTrack() const;
    void setTagTrack(std::uint8_t value);
    std::uint8_t tagGenre() const { return genre_; }
    void setTagGenre(std::uint8_t value) { genre_ = value; }
    // The name of the current genre number, empty beyond the table.
    QString tagStrGenre() const { return ReturnGenre(genre_); }

    // The name of a genre number, empty beyond the table.
    QString ReturnGenre(int genre) const;

    // Writes the fields over the file's tag, or appends a tag when there is
    // none. False when the file cannot be written; the file is then as before.
    bool SaveTag();
    // Cuts the tag off the file through a copy renamed over it. True also
    // when there is no tag to remove.
    bool RemoveTag();
    // Whether the file ends in a tag.
    bool HasTag() const;

    // The record as it is stored from offset 3 of the tag (125 bytes).
    QByteArray record() const;

private:
    enum class Probe { Failed, NoTag, Tag };
    // Opens the file and looks at its last 128 bytes (copied to last128 when given).
    Probe probe(AudioFileReader &file, bool writable, char *last128 = nullptr) const;
    void setRecord(const char *bytes);

    QString filename_;
    std::array<char, 30> title_{};
    std::array<char, 30> artist_{};
    std::array<char, 30> album_{};
    std::array<char, 4> year_{};
    std::array<char, 28> comment_{};
    std::uint8_t zero_ = 0;
    std::uint8_t track_ = 0;
    std::uint8_t genre_ = 0;
    QStringList genres_;
};

} // namespace pelvanto
