#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <vector>

namespace pelvanto::sound {

// Kinds of tag a stream can carry.
enum TagType : int { TagId3v1 = 1, TagId3v2 = 2 };

// One field of a stream's tags. `value` is field data in one of these layouts (all text UTF-8,
// whatever the tag stored; QByteArray keeps a NUL after the last byte):
// - ID3v1 "TITLE", "ARTIST", "ALBUM", "YEAR", "COMMENT": the text up to its first NUL;
//   "TRACK" (only when the tag has a track number) and "GENRE": the number in decimal.
// - ID3v2 text frames (T…, TXXX, IPLS): a NUL, then the frame's strings separated by NULs.
// - "COMM", "USLT": a NUL, the three language bytes, the description, a NUL, the text; an
//   empty text is written as one more NUL, so that the text is always what follows the last
//   NUL once one trailing NUL is dropped.
// - "WXXX": a NUL, the description, a NUL, the address (or a NUL when it is empty).
// - other W… frames: the address, or a single NUL when it is empty.
// - every other frame: its body as stored (after unsynchronisation and decompression).
struct TagField {
    int type = 0;
    QByteArray name;
    QByteArray value;
};

// Reads `size` bytes at `offset` into `buffer`; returns the number read (fewer at the end of
// the file), -1 on an error.
using ReadAt = std::function<qint64(qint64 offset, char *buffer, qint64 size)>;

// The ID3v2 tag at the start of a file and the ID3v1 tag at its end, read with two or three
// reads and kept as raw-enough field data: frame text comes back as stored (a genre "(17)"
// stays "(17)", a year "1999-2000" stays whole), decoded by each frame's encoding byte.
class StreamTags {
public:
    // Parses the tags of a file of `fileSize` bytes. Damaged tags give the fields read
    // before the damage; nothing a file holds can make this fail or read out of bounds.
    static StreamTags read(const ReadAt &readAt, qint64 fileSize);
    static StreamTags fromBytes(QByteArrayView file);

    const std::vector<TagField> &fields() const { return fields_; }
    // The first field of the type whose name matches (ASCII letter case ignored).
    const TagField *find(int type, QByteArrayView name) const;

    // Where the audio begins: the first byte after a leading ID3v2 tag (0 without one).
    qint64 audioStart() const { return audioStart_; }
    // The first bytes from audioStart() on, as far as the reads for the tag reached.
    const QByteArray &audioHead() const { return audioHead_; }

private:
    std::vector<TagField> fields_;
    qint64 audioStart_ = 0;
    QByteArray audioHead_;
};

} // namespace pelvanto::sound
