#include "ID3v2TagComponent.h"

#include "AudioFileAccess.h"

#include <QStringList>

#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>
#include <taglib/urllinkframe.h>

#include <memory>

namespace pelvanto {

namespace {

constexpr std::array<const char *, ID3v2TagComponent::FrameCount> kFrameIds = {
    "TRCK", "TIT2", "TPE1", "TALB", "TYER", "TCON", "COMM", "TCOM", "TOPE", "TCOP", "WXXX", "TENC"};
constexpr int kYear = 4;  // array slot of the year
constexpr int kGenre = 5; // of the genre
constexpr qint64 kHeaderSize = 10;

// Where the ID3v2 tag that starts at offset `at` ends, by its header.
struct TagSpan {
    bool present = false;
    qint64 end = 0; // may lie past the end of a truncated file
};

// The span of a tag whose header is at the start of bytes, found at offset at.
TagSpan headerSpan(const QByteArray &bytes, qint64 at) {
    if (bytes.size() < kHeaderSize)
        return {};
    const auto *h = reinterpret_cast<const unsigned char *>(bytes.constData());
    if (h[0] != 'I' || h[1] != 'D' || h[2] != '3' || h[3] < 2 || h[3] > 4 || h[4] == 0xFF)
        return {};
    if ((h[6] | h[7] | h[8] | h[9]) & 0x80)
        return {}; // not a sync-safe size: no tag header
    const qint64 size = (qint64(h[6]) << 21) | (qint64(h[7]) << 14) | (qint64(h[8]) << 7) | h[9];
    const bool footer = h[3] == 4 && (h[5] & 0x10);
    return {true, at + kHeaderSize + size + (footer ? kHeaderSize : 0)};
}

TagSpan locateTag(const AudioFileReader &file, qint64 at) {
    return headerSpan(file.readUpTo(at, kHeaderSize), at);
}

// The file's first bytes, as far as the tag at its start reaches.
QByteArray readTagBytes(const AudioFileReader &file, TagSpan &span) {
    // One read covers the usual small tag.
    QByteArray head = file.readUpTo(0, 16384);
    span = headerSpan(head, 0);
    if (!span.present)
        return {};
    if (span.end > head.size() && head.size() < file.size())
        head = file.readUpTo(0, span.end);
    head.truncate(static_cast<qsizetype>(std::min<qint64>(span.end, head.size())));
    return head;
}

// Some programs write UTF-16 text without its byte-order mark, which TagLib
// reads as empty. Such strings get a mark before parsing: big-endian when the
// first character has a zero high byte in front, else little-endian.
QByteArray withBom(const QByteArray &s) {
    if (s.size() < 2)
        return s;
    const auto b0 = static_cast<unsigned char>(s[0]);
    const auto b1 = static_cast<unsigned char>(s[1]);
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF))
        return s;
    return QByteArray(b0 == 0 && b1 != 0 ? "\xFE\xFF" : "\xFF\xFE", 2) + s;
}

QByteArray markUtf16Strings(const QByteArray &data) {
    QByteArray out;
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2) {
        if (data[i] == 0 && data[i + 1] == 0) {
            out += withBom(data.mid(start, i - start)) + QByteArray(2, 0);
            start = i + 2;
        }
    }
    return out + withBom(data.mid(start));
}

quint32 frameSize(const QByteArray &tag, qsizetype pos, bool syncSafe) {
    quint32 size = 0;
    for (int i = 0; i < 4; ++i)
        size = syncSafe ? (size << 7) | (static_cast<unsigned char>(tag[pos + i]) & 0x7F)
                        : (size << 8) | static_cast<unsigned char>(tag[pos + i]);
    return size;
}

QByteArray encodeSize(quint32 size, bool syncSafe) {
    QByteArray b(4, 0);
    for (int i = 3; i >= 0; --i) {
        b[i] = static_cast<char>(syncSafe ? size & 0x7F : size & 0xFF);
        size >>= syncSafe ? 7 : 8;
    }
    return b;
}

// Adds the missing marks to the text and comment frames of a whole tag
// (header included, its size consistent with the bytes). Tags of version
// 2.2, unsynchronised tags and frames with format flags stay as they are.
void markBomlessUtf16(QByteArray &tag) {
    const int version = tag.size() >= kHeaderSize ? tag[3] : 0;
    if ((version != 3 && version != 4) || (tag[5] & 0x80))
        return;
    const bool v4 = version == 4;
    qsizetype pos = kHeaderSize;
    if (tag[5] & 0x40) { // extended header
        if (pos + 4 > tag.size())
            return;
        const quint32 ext = frameSize(tag, pos, v4);
        pos += v4 ? ext : ext + 4;
    }
    const qsizetype end = tag.size();
    if (pos > end)
        return;
    QByteArray rebuilt = tag.left(pos);
    bool changed = false;
    while (pos + 10 <= end) {
        const QByteArray id = tag.mid(pos, 4);
        bool valid = true;
        for (const char c : id)
            valid = valid && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'));
        const quint32 size = frameSize(tag, pos + 4, v4);
        if (!valid || size > static_cast<quint64>(end - pos - 10))
            break;
        QByteArray data = tag.mid(pos + 10, size);
        const bool plain = tag[pos + 9] == 0; // no compression, encryption...
        const bool text = id.startsWith('T') || id == "COMM";
        if (plain && text && data.size() > 1 && data[0] == 1) {
            const qsizetype skip = id == "COMM" ? 4 : 1; // encoding, language
            const QByteArray marked = data.left(skip) + markUtf16Strings(data.mid(skip));
            if (marked != data && marked.size() < (1 << 27)) {
                data = marked;
                changed = true;
            }
        }
        rebuilt +=
            id + encodeSize(static_cast<quint32>(data.size()), v4) + tag.mid(pos + 8, 2) + data;
        pos += 10 + size;
    }
    if (!changed)
        return;
    rebuilt += tag.mid(pos); // padding
    const auto body = static_cast<quint32>(rebuilt.size() - kHeaderSize);
    rebuilt[5] = static_cast<char>(rebuilt[5] & ~0x10); // the footer is not carried over
    rebuilt.replace(6, 4, encodeSize(body, true));
    tag = rebuilt;
}

// TagLib reads the extended header of a version 2.3 tag with the sizing of
// 2.4 (sync-safe, counting its own size bytes), lands inside it and finds no
// frames. A 2.3 tag is therefore handed over without unsynchronisation (which
// in 2.3 covers the extended header too) and without its extended header; the
// CRC it may carry describes the frames as they are, so nothing is lost.
void dropVersion3ExtendedHeader(QByteArray &tag) {
    if (tag.size() < kHeaderSize || tag[3] != 3)
        return;
    if (tag[5] & 0x80) {
        QByteArray decoded = tag.left(kHeaderSize);
        decoded.reserve(tag.size());
        for (qsizetype i = kHeaderSize; i < tag.size(); ++i) {
            decoded += tag[i];
            if (static_cast<unsigned char>(tag[i]) == 0xFF && i + 1 < tag.size() && tag[i + 1] == 0)
                ++i;
        }
        decoded[5] = static_cast<char>(decoded[5] & ~0x80);
        tag = decoded;
    }
    if (tag[5] & 0x40) {
        if (tag.size() < kHeaderSize + 4)
            return;
        const qint64 extended = 4 + qint64(frameSize(tag, kHeaderSize, false));
        if (extended > tag.size() - kHeaderSize)
            return; // damaged: left as it is, which reads as no frames
        tag.remove(kHeaderSize, static_cast<qsizetype>(extended));
        tag[5] = static_cast<char>(tag[5] & ~0x40);
    }
    tag.replace(6, 4, encodeSize(static_cast<quint32>(tag.size() - kHeaderSize), true));
}

// A TagLib file over bytes in memory, so the tag is parsed from one read.
class MemoryFile : public TagLib::File {
public:
    explicit MemoryFile(TagLib::IOStream *stream) : TagLib::File(stream) {}
    TagLib::Tag *tag() const override { return nullptr; }
    TagLib::AudioProperties *audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

// The parsed tag of a file, or an empty one.
struct ParsedTag {
    std::unique_ptr<TagLib::ByteVectorStream> stream;
    std::unique_ptr<MemoryFile> file;
    std::unique_ptr<TagLib::ID3v2::Tag> tag;
};

// Parses the tag in data, the file's bytes from its start up to span.end or
// fewer when the file is cut short; without a tag, an empty one.
ParsedTag parseTag(QByteArray data, const TagSpan &span) {
    ParsedTag parsed;
    if (!span.present || data.size() < kHeaderSize) {
        parsed.tag = std::make_unique<TagLib::ID3v2::Tag>();
        return parsed;
    }
    if (span.end > data.size()) {
        // Truncated: make the header claim only what is there, without footer.
        const qint64 size = std::max<qint64>(0, data.size() - kHeaderSize);
        data[5] = static_cast<char>(data[5] & ~0x10);
        data[6] = static_cast<char>((size >> 21) & 0x7F);
        data[7] = static_cast<char>((size >> 14) & 0x7F);
        data[8] = static_cast<char>((size >> 7) & 0x7F);
        data[9] = static_cast<char>(size & 0x7F);
    }
    if (data.size() > kHeaderSize) {
        // The tag without a footer goes through the repair; TagLib needs no footer.
        const qint64 claimed = kHeaderSize + frameSize(data, 6, true);
        data.truncate(static_cast<qsizetype>(std::min<qint64>(claimed, data.size())));
        data[5] = static_cast<char>(data[5] & ~0x10);
        dropVersion3ExtendedHeader(data);
        markBomlessUtf16(data);
    }
    parsed.stream = std::make_unique<TagLib::ByteVectorStream>(
        TagLib::ByteVector(data.constData(), static_cast<unsigned int>(data.size())));
    parsed.file = std::make_unique<MemoryFile>(parsed.stream.get());
    parsed.tag = std::make_unique<TagLib::ID3v2::Tag>(parsed.file.get(), 0);
    return parsed;
}

QString toQString(const TagLib::String &s) {
    const TagLib::ByteVector utf8 = s.data(TagLib::String::UTF8);
    return QString::fromUtf8(utf8.data(), utf8.size());
}

TagLib::String toTagString(const QString &s) {
    const QByteArray utf8 = s.toUtf8();
    return {TagLib::ByteVector(utf8.constData(), static_cast<unsigned int>(utf8.size())),
            TagLib::String::UTF8};
}

bool isLatin1(const QString &s) {
    for (const QChar c : s)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

TagLib::String::Type encodingFor(const QString &s) {
    return isLatin1(s) ? TagLib::String::Latin1 : TagLib::String::UTF16;
}

QString joinFields(const TagLib::StringList &fields) {
    QStringList parts;
    for (const auto &f : fields)
        parts << toQString(f);
    return parts.join(QStringLiteral(" / "));
}

// TagLib reads "(17)Rock" as "Rock" and "(17)" as "17": numbers with a known
// name show as that name, other numbers in their parenthesised form.
QString genreText(const TagLib::StringList &fields) {
    QStringList parts;
    QString prefix;
    for (const auto &f : fields) {
        const QString text = toQString(f);
        bool numeric = false;
        const int n = text.toInt(&numeric);
        if (numeric && n >= 0 && n <= 255 && !text.startsWith(QLatin1Char('+'))) {
            const QString name = toQString(TagLib::ID3v1::genre(n));
            if (!name.isEmpty())
                parts << name;
            else
                prefix += QLatin1Char('(') + text + QLatin1Char(')');
            continue;
        }
        parts << prefix + text;
        prefix.clear();
    }
    if (!prefix.isEmpty())
        parts << prefix;
    return parts.join(QStringLiteral(" / "));
}

// The year of a recording time such as 2001-05-03 (what TagLib makes of
// TYER with TDAT); any other text as it is.
QString yearText(const QString &time) {
    if (time.size() > 4 && time.at(4) == QLatin1Char('-')) {
        bool numeric = false;
        (void)time.left(4).toInt(&numeric);
        if (numeric)
            return time.left(4);
    }
    return time;
}

TagLib::ID3v2::CommentsFrame *plainComment(const TagLib::ID3v2::Tag &tag) {
    for (auto *frame : tag.frameList("COMM"))
        if (auto *c = dynamic_cast<TagLib::ID3v2::CommentsFrame *>(frame))
            if (c->description().isEmpty())
                return c;
    return nullptr;
}

TagLib::ID3v2::UserUrlLinkFrame *plainUrl(const TagLib::ID3v2::Tag &tag) {
    for (auto *frame : tag.frameList("WXXX"))
        if (auto *u = dynamic_cast<TagLib::ID3v2::UserUrlLinkFrame *>(frame))
            if (u->description().isEmpty())
                return u;
    return nullptr;
}

QString readField(const TagLib::ID3v2::Tag &tag, int slot) {
    const TagLib::ByteVector id(kFrameIds[static_cast<size_t>(slot)]);
    if (id == "COMM") {
        const auto *c = plainComment(tag);
        return c ? toQString(c->text()) : QString();
    }
    if (id == "WXXX") {
        const auto *u = plainUrl(tag);
        return u ? toQString(u->url()) : QString();
    }
    // TagLib holds the year of a v2.3 tag in its v2.4 frame.
    const auto &frames = tag.frameList(slot == kYear ? TagLib::ByteVector("TDRC") : id);
    if (frames.isEmpty())
        return {};
    const auto *text = dynamic_cast<const TagLib::ID3v2::TextIdentificationFrame *>(frames.front());
    if (!text)
        return {};
    if (slot == kGenre)
        return genreText(text->fieldList());
    const QString value = joinFields(text->fieldList());
    return slot == kYear ? yearText(value) : value;
}

void removeFrames(TagLib::ID3v2::Tag &tag, const TagLib::ByteVector &id) {
    // Copy: removing changes the list being walked.
    const TagLib::ID3v2::FrameList frames = tag.frameList(id);
    for (auto *frame : frames)
        tag.removeFrame(frame, true);
}

void writeField(TagLib::ID3v2::Tag &tag, int slot, const QString &value) {
    const TagLib::ByteVector id(kFrameIds[static_cast<size_t>(slot)]);
    if (id == "COMM") {
        while (auto *c = plainComment(tag))
            tag.removeFrame(c, true);
        if (!value.isEmpty()) {
            auto *c = new TagLib::ID3v2::CommentsFrame(encodingFor(value));
            c->setLanguage("eng");
            c->setText(toTagString(value));
            tag.addFrame(c);
        }
        return;
    }
    if (id == "WXXX") {
        while (auto *u = plainUrl(tag))
            tag.removeFrame(u, true);
        if (!value.isEmpty()) {
            auto *u = new TagLib::ID3v2::UserUrlLinkFrame(encodingFor(value));
            u->setUrl(toTagString(value));
            tag.addFrame(u);
        }
        return;
    }
    if (slot == kYear) {
        // A full recording time with the same year is kept: written as 2.3
        // it becomes TYER with TDAT and TIME. Anything else is replaced by
        // TYER holding the value exactly, which TagLib's own conversion would
        // cut to four characters.
        const auto &times = tag.frameList("TDRC");
        if (value.size() == 4 && !times.isEmpty() &&
            toQString(times.front()->toString()).left(4) == value && times.size() == 1)
            return;
        removeFrames(tag, "TDRC");
        removeFrames(tag, "TYER");
    } else {
        removeFrames(tag, id);
    }
    if (value.isEmpty())
        return;
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(id, encodingFor(value));
    frame->setText(toTagString(value));
    tag.addFrame(frame);
}

} // namespace

const char *ID3v2TagComponent::FrameId(qint16 index) {
    if (index < 1 || index > FrameCount)
        return nullptr;
    return kFrameIds[static_cast<size_t>(index - 1)];
}

bool ID3v2TagComponent::Load(const QString &path) {
    try {
        tagFound_ = false;
        AudioFileReader file;
        if (!file.open(path))
            return false;
        TagSpan span;
        const ParsedTag parsed = parseTag(readTagBytes(file, span), span);
        tagFound_ = span.present;
        for (int slot = 0; slot < FrameCount; ++slot) {
            values_[static_cast<size_t>(slot)] = readField(*parsed.tag, slot);
            known_[static_cast<size_t>(slot)] = true;
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool ID3v2TagComponent::GetFrameText(qint16 index, QString &value) const {
    if (index < 1 || index > FrameCount)
        return false;
    value = values_[static_cast<size_t>(index - 1)];
    return true;
}

bool ID3v2TagComponent::SetFrameText(qint16 index, const QString &value) {
    if (index < 1 || index > FrameCount)
        return false;
    values_[static_cast<size_t>(index - 1)] = value;
    known_[static_cast<size_t>(index - 1)] = true;
    return true;
}

bool ID3v2TagComponent::Save(const QString &path, bool keepOtherFrames) {
    try {
        AudioFileReader file;
        if (!file.open(path))
            return false;
        TagSpan span;
        QByteArray bytes = readTagBytes(file, span);
        if (span.present && span.end > file.size())
            return false; // a tag claiming more than the file: nothing safe to keep
        ParsedTag parsed = parseTag(keepOtherFrames ? std::move(bytes) : QByteArray(), span);
        for (int slot = 0; slot < FrameCount; ++slot)
            if (known_[static_cast<size_t>(slot)])
                writeField(*parsed.tag, slot, values_[static_cast<size_t>(slot)]);
        const TagLib::ByteVector rendered = parsed.tag->render(TagLib::ID3v2::v3);
        if (rendered.size() < kHeaderSize)
            return false;
        const QByteArray head(rendered.data(), static_cast<qsizetype>(rendered.size()));
        return ReplaceAudioFile(path, file, head, span.present ? span.end : 0, file.size());
    } catch (...) {
        return false;
    }
}

bool ID3v2TagComponent::Remove(const QString &path, bool allTags) {
    try {
        AudioFileReader file;
        if (!file.open(path))
            return false;
        qint64 end = 0;
        for (TagSpan span = locateTag(file, 0); span.present; span = locateTag(file, end)) {
            if (span.end > file.size())
                return false; // a tag claiming more than the file: leave it alone
            end = span.end;
            if (!allTags)
                break;
        }
        if (end == 0)
            return true;
        return ReplaceAudioFile(path, file, {}, end, file.size());
    } catch (...) {
        return false;
    }
}

} // namespace pelvanto
