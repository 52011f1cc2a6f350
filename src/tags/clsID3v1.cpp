#include "clsID3v1.h"

#include "PathHelpers.h"
#include "id3v2/AudioFileAccess.h"

#include <algorithm>
#include <cstring>

namespace pelvanto {

namespace {

constexpr qint64 kTagSize = 128;
constexpr qint64 kRecordSize = 125;

const char kGenreTable[] =
    "Blues|Classic Rock|Country|Dance|Disco|Funk|Grunge|Hip-Hop|Jazz|Metal|New Age|Oldies|Other|"
    "Pop|R&B|Rap|Reggae|Rock|Techno|Industrial|Alternative|Ska|Death Metal|Pranks|Soundtrack|"
    "Euro-Techno|Ambient|Trip Hop|Vocal|Jazz+Funk|Fusion|Trance|Classical|Instrumental|Acid|"
    "House|Game|Sound Clip|Gospel|Noise|Alt. Rock|Bass|Soul|Punk|Space|Meditative|"
    "Instrumental Pop|Instrumental Rock|Ethnic|Gothic|Darkwave|Techno-Industrial|Electronic|"
    "Pop-Folk|Eurodance|Dream|Southern Rock|Comedy|Cult|Gangsta Rap|Top 40|Christian Rap|"
    "Pop/Punk|Jungle|Native American|Cabaret|New Wave|Phychedelic|Rave|Showtunes|Trailer|Lo-Fi|"
    "Tribal|Acid Punk|Acid Jazz|Polka|Retro|Musical|Rock & Roll|Hard Rock|Folk|Folk/Rock|"
    "National Folk|Swing|Fast-Fusion|Bebob|Latin|Revival|Celtic|Blue Grass|Avantegarde|"
    "Gothic Rock|Progressive Rock|Psychedelic Rock|Symphonic Rock|Slow Rock|Big Band|Chorus|"
    "Easy Listening|Acoustic|Humour|Speech|Chanson|Opera|Chamber Music|Sonata|Symphony|"
    "Booty Bass|Primus|Porn Groove|Satire|Slow Jam|Club|Tango|Samba|Folklore|Ballad|"
    "power Ballad|Rhythmic Soul|Freestyle|Duet|Punk Rock|Drum Solo|A Capella|Euro-House|"
    "Dance Hall|Goa|Drum & Bass|Club-House|Hardcore|Terror|indie|Brit Pop|Negerpunk|"
    "Polsk Punk|Beat|Christian Gangsta Rap|Heavy Metal|Black Metal|Crossover|"
    "Comteporary Christian|Christian Rock|Merengue|Salsa|Trash Metal|Anime|JPop|Synth Pop";

QString trimSpaces(const QString &s) {
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && s.at(begin) == QLatin1Char(' '))
        ++begin;
    while (end > begin && s.at(end - 1) == QLatin1Char(' '))
        --end;
    return s.mid(begin, end - begin);
}

// Tags written by other programs pad with NULs, ours with spaces; neither
// padding is part of the text.
QString cleanText(const QString &raw) {
    return trimSpaces(CutAtNul(trimSpaces(raw)));
}

template <size_t N> QString readText(const std::array<char, N> &field) {
    return cleanText(QString::fromLatin1(field.data(), static_cast<qsizetype>(N)));
}

template <size_t N> void writeText(std::array<char, N> &field, const QString &value) {
    const QByteArray bytes = value.left(static_cast<qsizetype>(N)).toLatin1();
    field.fill(' ');
    std::memcpy(field.data(), bytes.constData(), std::min<size_t>(N, bytes.size()));
}

} // namespace

clsID3v1::clsID3v1() : genres_(QString::fromLatin1(kGenreTable).split(QLatin1Char('|'))) {}

QString clsID3v1::ReturnGenre(int genre) const {
    return genre >= 0 && genre < genres_.size() ? genres_.at(genre) : QString();
}

QString clsID3v1::tagTitle() const {
    return readText(title_);
}
void clsID3v1::setTagTitle(const QString &value) {
    writeText(title_, value);
}
QString clsID3v1::tagArtist() const {
    return readText(artist_);
}
void clsID3v1::setTagArtist(const QString &value) {
    writeText(artist_, value);
}
QString clsID3v1::tagAlbum() const {
    return readText(album_);
}
void clsID3v1::setTagAlbum(const QString &value) {
    writeText(album_, value);
}
QString clsID3v1::tagYear() const {
    return readText(year_);
}
void clsID3v1::setTagYear(const QString &value) {
    writeText(year_, value);
}

QString clsID3v1::tagComments() const {
    QString raw = QString::fromLatin1(comment_.data(), static_cast<qsizetype>(comment_.size()));
    if (zero_ != 0) {
        raw += QChar(zero_);
        raw += QChar(track_);
    }
    return cleanText(raw);
}

bool clsID3v1::setTagComments(const QString &value) {
    if (value.size() <= 28) {
        writeText(comment_, value);
        return true;
    }
    const QChar c29 = value.at(28);
    // A 29-character comment leaves a 0 track byte so that it reads back whole.
    const QChar c30 = value.size() > 29 ? value.at(29) : QChar(0);
    if (c29.unicode() > 0xFF || c30.unicode() > 0xFF)
        return false;
    writeText(comment_, value);
    zero_ = static_cast<std::uint8_t>(c29.unicode());
    track_ = static_cast<std::uint8_t>(c30.unicode());
    return true;
}

std::uint8_t clsID3v1::tagTrack() const {
    return zero_ != 0 ? 0 : track_;
}

void clsID3v1::setTagTrack(std::uint8_t value) {
    zero_ = 0;
    track_ = value;
}

QByteArray clsID3v1::record() const {
    QByteArray r;
    r.reserve(static_cast<qsizetype>(kRecordSize));
    r.append(title_.data(), 30).append(artist_.data(), 30).append(album_.data(), 30);
    r.append(year_.data(), 4).append(comment_.data(), 28);
    r.append(static_cast<char>(zero_)).append(static_cast<char>(track_));
    r.append(static_cast<char>(genre_));
    return r;
}

void clsID3v1::setRecord(const char *bytes) {
    std::memcpy(title_.data(), bytes, 30);
    std::memcpy(artist_.data(), bytes + 30, 30);
    std::memcpy(album_.data(), bytes + 60, 30);
    std::memcpy(year_.data(), bytes + 90, 4);
    std::memcpy(comment_.data(), bytes + 94, 28);
    zero_ = static_cast<std::uint8_t>(bytes[122]);
    track_ = static_cast<std::uint8_t>(bytes[123]);
    genre_ = static_cast<std::uint8_t>(bytes[124]);
}

clsID3v1::Probe clsID3v1::probe(AudioFileReader &file, bool writable, char *last128) const {
    char own[kTagSize];
    char *tail = last128 ? last128 : own;
    if (!file.open(filename_, writable) || file.size() < kTagSize ||
        !file.readAt(file.size() - kTagSize, tail, kTagSize))
        return Probe::Failed;
    return std::memcmp(tail, "TAG", 3) == 0 ? Probe::Tag : Probe::NoTag;
}

bool clsID3v1::ReadTag() {
    AudioFileReader file;
    char tail[kTagSize];
    switch (probe(file, false, tail)) {
    case Probe::Failed:
        return false;
    case Probe::Tag:
        setRecord(tail + 3);
        return true;
    case Probe::NoTag:
        title_.fill(' ');
        artist_.fill(' ');
        album_.fill(' ');
        year_.fill(' ');
        comment_.fill(' ');
        zero_ = 0;
        track_ = 0;
        genre_ = NoGenre;
        return false;
    }
    return false;
}

bool clsID3v1::SaveTag() {
    AudioFileReader file;
    const Probe found = probe(file, true);
    if (found == Probe::Failed)
        return false;
    const QByteArray r = record();
    if (found == Probe::Tag)
        return file.writeAt(file.size() - kRecordSize, r.constData(), kRecordSize);
    const qint64 length = file.size();
    const QByteArray tag = QByteArrayLiteral("TAG") + r;
    if (file.writeAt(length, tag.constData(), kTagSize))
        return true;
    // A tag only partly appended (disk full) is cut off again.
    (void)file.truncate(length);
    return false;
}

bool clsID3v1::RemoveTag() {
    AudioFileReader file;
    switch (probe(file, false)) {
    case Probe::Failed:
        return false;
    case Probe::NoTag:
        return true;
    case Probe::Tag:
        return ReplaceAudioFile(filename_, file, {}, 0, file.size() - kTagSize);
    }
    return false;
}

bool clsID3v1::HasTag() const {
    AudioFileReader file;
    return probe(file, false) == Probe::Tag;
}

} // namespace pelvanto
