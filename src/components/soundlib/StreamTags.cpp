#include "soundlib/StreamTags.h"

#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

// TagLib parses the tag header, undoes unsynchronisation and decodes the text. The frames
// are walked here because TagLib's frame classes rewrite what v2.2/v2.3 tags store (genre
// references, TYER folded into TDRC, TDAT/TIME dropped), and callers want it as stored.

namespace pelvanto::sound {

namespace {

constexpr qint64 kHeadRead = 8192;   // one read covers a small tag and the first MPEG frames
constexpr qint64 kAudioHead = 4096;  // bytes kept from where the audio begins
constexpr qint64 kMaxTag = 64 << 20; // larger claims are read only this far
constexpr qint64 kMaxInflated = 16 << 20;
constexpr int kId3v1Size = 128;

using Bytes = QByteArrayView;

bool readFully(const ReadAt &readAt, qint64 offset, qint64 size, QByteArray &out) {
    out.resize(size);
    const qint64 got = size > 0 ? readAt(offset, out.data(), size) : 0;
    if (got < 0) {
        out.clear();
        return false;
    }
    out.resize(got);
    return true;
}

// --- text -------------------------------------------------------------------------------

bool isAscii(Bytes b) {
    return std::all_of(b.begin(), b.end(), [](char c) { return (c & 0x80) == 0; });
}

QByteArray latin1ToUtf8(Bytes b) {
    if (isAscii(b))
        return b.toByteArray();
    const TagLib::String s(TagLib::ByteVector(b.data(), static_cast<unsigned>(b.size())),
                           TagLib::String::Latin1);
    return QByteArray(s.toCString(true));
}

// Text of one string in the frame's encoding, as UTF-8. UTF-16 without a byte-order mark
// (which TagLib refuses) takes the byte order its zero bytes suggest.
QByteArray decodeString(Bytes b, int encoding) {
    if (b.isEmpty())
        return {};
    TagLib::String::Type type = TagLib::String::Latin1;
    switch (encoding) {
    case 1: {
        const auto b0 = static_cast<unsigned char>(b[0]);
        const auto b1 = b.size() > 1 ? static_cast<unsigned char>(b[1]) : 0;
        if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
            type = TagLib::String::UTF16;
        } else {
            int evenZeros = 0;
            int oddZeros = 0;
            for (qsizetype i = 0; i + 1 < b.size(); i += 2) {
                evenZeros += b[i] == 0;
                oddZeros += b[i + 1] == 0;
            }
            type = evenZeros > oddZeros ? TagLib::String::UTF16BE : TagLib::String::UTF16LE;
        }
        break;
    }
    case 2:
        type = TagLib::String::UTF16BE;
        break;
    case 3:
        if (isAscii(b))
            return b.toByteArray();
        type = TagLib::String::UTF8;
        break;
    default:
        return latin1ToUtf8(b);
    }
    if ((type != TagLib::String::UTF8) && b.size() % 2 != 0)
        b.chop(1);
    const TagLib::String s(TagLib::ByteVector(b.data(), static_cast<unsigned>(b.size())), type);
    return QByteArray(s.toCString(true));
}

bool wideEncoding(int encoding) {
    return encoding == 1 || encoding == 2;
}

// Splits text at its terminators (one NUL, or two on an even offset for UTF-16).
std::vector<Bytes> splitStrings(Bytes b, int encoding) {
    std::vector<Bytes> parts;
    qsizetype start = 0;
    if (wideEncoding(encoding)) {
        for (qsizetype i = 0; i + 1 < b.size(); i += 2) {
            if (b[i] == 0 && b[i + 1] == 0) {
                parts.push_back(b.sliced(start, i - start));
                start = i + 2;
            }
        }
    } else {
        for (qsizetype i = 0; i < b.size(); ++i) {
            if (b[i] == 0) {
                parts.push_back(b.sliced(start, i - start));
                start = i + 1;
            }
        }
    }
    if (start < b.size())
        parts.push_back(b.sliced(start));
    return parts;
}

// The first string and what follows its terminator.
std::pair<Bytes, Bytes> splitFirst(Bytes b, int encoding) {
    if (wideEncoding(encoding)) {
        for (qsizetype i = 0; i + 1 < b.size(); i += 2) {
            if (b[i] == 0 && b[i + 1] == 0)
                return {b.first(i), b.sliced(i + 2)};
        }
        return {b, Bytes()};
    }
    const qsizetype nul = b.indexOf('\0');
    if (nul < 0)
        return {b, Bytes()};
    return {b.first(nul), b.sliced(nul + 1)};
}

Bytes untilNul(Bytes b) {
    const qsizetype nul = b.indexOf('\0');
    return nul < 0 ? b : b.first(nul);
}

// --- frames -----------------------------------------------------------------------------

bool frameIdChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// ID3v2.2 frames under the names their ID3v2.3 successors have.
QByteArray v3Name(Bytes id) {
    static const std::array<std::pair<const char *, const char *>, 48> names = {{
        {"BUF", "RBUF"}, {"CNT", "PCNT"}, {"COM", "COMM"}, {"CRA", "AENC"}, {"ETC", "ETCO"},
        {"GEO", "GEOB"}, {"IPL", "IPLS"}, {"MCI", "MCDI"}, {"MLL", "MLLT"}, {"PIC", "APIC"},
        {"POP", "POPM"}, {"REV", "RVRB"}, {"SLT", "SYLT"}, {"STC", "SYTC"}, {"TAL", "TALB"},
        {"TBP", "TBPM"}, {"TCM", "TCOM"}, {"TCO", "TCON"}, {"TCR", "TCOP"}, {"TDA", "TDAT"},
        {"TDY", "TDLY"}, {"TEN", "TENC"}, {"TFT", "TFLT"}, {"TIM", "TIME"}, {"TKE", "TKEY"},
        {"TLA", "TLAN"}, {"TLE", "TLEN"}, {"TMT", "TMED"}, {"TOA", "TOPE"}, {"TOF", "TOFN"},
        {"TOL", "TOLY"}, {"TOR", "TORY"}, {"TOT", "TOAL"}, {"TP1", "TPE1"}, {"TP2", "TPE2"},
        {"TP3", "TPE3"}, {"TP4", "TPE4"}, {"TPA", "TPOS"}, {"TPB", "TPUB"}, {"TRC", "TSRC"},
        {"TRD", "TRDA"}, {"TRK", "TRCK"}, {"TSI", "TSIZ"}, {"TSS", "TSSE"}, {"TT1", "TIT1"},
        {"TT2", "TIT2"}, {"TT3", "TIT3"}, {"TXT", "TEXT"},
    }};
    static const std::array<std::pair<const char *, const char *>, 10> more = {{
        {"TXX", "TXXX"},
        {"UFI", "UFID"},
        {"ULT", "USLT"},
        {"WAF", "WOAF"},
        {"WAR", "WOAR"},
        {"WAS", "WOAS"},
        {"WCM", "WCOM"},
        {"WCP", "WCOP"},
        {"WPB", "WPUB"},
        {"WXX", "WXXX"},
    }};
    for (const auto &[v2, v3] : names)
        if (id == Bytes(v2))
            return v3;
    for (const auto &[v2, v3] : more)
        if (id == Bytes(v2))
            return v3;
    return id.toByteArray();
}

QByteArray textFrame(Bytes body) {
    QByteArray out(1, '\0');
    if (body.isEmpty())
        return out;
    const int encoding = static_cast<unsigned char>(body[0]);
    bool first = true;
    for (Bytes part : splitStrings(body.sliced(1), encoding)) {
        if (!first)
            out += '\0';
        out += decodeString(part, encoding);
        first = false;
    }
    return out;
}

QByteArray commentFrame(Bytes body) {
    if (body.size() < 4)
        return {};
    const int encoding = static_cast<unsigned char>(body[0]);
    QByteArray out(1, '\0');
    out += body.sliced(1, 3);
    const auto [description, rest] = splitFirst(body.sliced(4), encoding);
    out += decodeString(description, encoding);
    out += '\0';
    const QByteArray text = decodeString(splitFirst(rest, encoding).first, encoding);
    out += text.isEmpty() ? QByteArray(1, '\0') : text;
    return out;
}

QByteArray userUrlFrame(Bytes body) {
    if (body.isEmpty())
        return {};
    const int encoding = static_cast<unsigned char>(body[0]);
    const auto [description, rest] = splitFirst(body.sliced(1), encoding);
    QByteArray out(1, '\0');
    out += decodeString(description, encoding);
    out += '\0';
    const QByteArray url = latin1ToUtf8(untilNul(rest));
    out += url.isEmpty() ? QByteArray(1, '\0') : url;
    return out;
}

QByteArray fieldData(Bytes name, Bytes body) {
    if (name == "COMM" || name == "USLT")
        return commentFrame(body);
    if (name == "WXXX")
        return userUrlFrame(body);
    if (name.startsWith('W')) {
        const QByteArray url = latin1ToUtf8(untilNul(body));
        return url.isEmpty() ? QByteArray(1, '\0') : url;
    }
    if (name.startsWith('T') || name == "IPLS")
        return textFrame(body);
    return body.toByteArray();
}

quint32 bigEndian(Bytes b, int n) {
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = (v << 8) | static_cast<unsigned char>(b[i]);
    return v;
}

quint32 synchsafe(Bytes b) {
    quint32 v = 0;
    for (int i = 0; i < 4; ++i)
        v = (v << 7) | (static_cast<unsigned char>(b[i]) & 0x7F);
    return v;
}

TagLib::ByteVector vector(Bytes b) {
    return {b.data(), static_cast<unsigned>(b.size())};
}

QByteArray inflate(Bytes compressed, quint32 declaredSize) {
    if (declaredSize == 0 || declaredSize > kMaxInflated)
        return {};
    QByteArray out(static_cast<qsizetype>(declaredSize), Qt::Uninitialized);
    uLongf outSize = declaredSize;
    if (uncompress(reinterpret_cast<Bytef *>(out.data()), &outSize,
                   reinterpret_cast<const Bytef *>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK)
        return {};
    out.resize(static_cast<qsizetype>(outSize));
    return out;
}

class FrameWalker {
public:
    FrameWalker(int version, std::vector<TagField> &fields) : version_(version), fields_(fields) {}

    void walk(Bytes tag) {
        const qsizetype headerSize = version_ == 2 ? 6 : 10;
        qsizetype pos = 0;
        while (pos + headerSize <= tag.size()) {
            const Bytes header = tag.sliced(pos, headerSize);
            const Bytes id = header.first(version_ == 2 ? 3 : 4);
            if (!std::all_of(id.begin(), id.end(), frameIdChar))
                return; // padding or damage: no frames follow
            const qint64 size = frameSize(tag, pos, header);
            if (size < 0 || pos + headerSize + size > tag.size())
                return; // a frame that claims more than the tag holds ends the walk
            const Bytes body = tag.sliced(pos + headerSize, static_cast<qsizetype>(size));
            take(id, header, body);
            pos += headerSize + static_cast<qsizetype>(size);
        }
    }

private:
    qint64 frameSize(Bytes tag, qsizetype pos, Bytes header) const {
        if (version_ == 2)
            return bigEndian(header.sliced(3), 3);
        const Bytes raw = header.sliced(4, 4);
        const quint32 plain = bigEndian(raw, 4);
        if (version_ == 3)
            return plain;
        // Some writers put plain sizes in v2.4 tags: take the reading after which the next
        // frame (or the end, or padding) follows.
        if (std::any_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) != 0; }))
            return plain;
        const quint32 safe = synchsafe(raw);
        if (safe == plain || safe < 0x80 || followedWell(tag, pos + 10 + safe))
            return safe;
        return followedWell(tag, pos + 10 + plain) ? qint64(plain) : qint64(safe);
    }

    static bool followedWell(Bytes tag, qint64 next) {
        if (next == tag.size())
            return true;
        if (next > tag.size())
            return false;
        if (tag[next] == 0)
            return true;
        if (next + 4 > tag.size())
            return false;
        const Bytes id = tag.sliced(next, 4);
        return std::all_of(id.begin(), id.end(), frameIdChar);
    }

    void take(Bytes id, Bytes header, Bytes body) {
        QByteArray storage;
        if (version_ >= 3) {
            const auto flags = static_cast<unsigned char>(header[9]);
            const bool v4 = version_ == 4;
            const bool compressed = v4 ? (flags & 0x08) : (flags & 0x80);
            const bool encrypted = v4 ? (flags & 0x04) : (flags & 0x40);
            const bool grouped = v4 ? (flags & 0x40) : (flags & 0x20);
            const bool unsynchronised = v4 && (flags & 0x02);
            const bool lengthIndicator = v4 && (flags & 0x01);
            if (encrypted)
                return; // nothing readable without the key
            quint32 declared = 0;
            qsizetype skip = 0;
            if (!v4 && compressed) {
                if (body.size() < 4)
                    return;
                declared = bigEndian(body, 4);
                skip += 4;
            }
            if (grouped)
                skip += 1;
            if (lengthIndicator) {
                if (body.size() < skip + 4)
                    return;
                declared = synchsafe(body.sliced(skip, 4));
                skip += 4;
            }
            if (body.size() < skip)
                return;
            body = body.sliced(skip);
            if (unsynchronised) {
                const TagLib::ByteVector decoded = TagLib::ID3v2::SynchData::decode(vector(body));
                storage = QByteArray(decoded.data(), decoded.size());
                body = storage;
            }
            if (compressed) {
                storage = inflate(body, declared);
                if (storage.isEmpty())
                    return;
                body = storage;
            }
        }
        const QByteArray name = version_ == 2 ? v3Name(id) : id.toByteArray();
        QByteArray value = fieldData(name, body);
        if (value.isEmpty() && !body.isEmpty())
            return; // malformed beyond use
        fields_.push_back({TagId3v2, name, std::move(value)});
    }

    int version_;
    std::vector<TagField> &fields_;
};

// Frame bytes of a tag: after the header and any extended header, unsynchronised for v2.2
// and v2.3 (v2.4 marks it per frame).
Bytes frameArea(const TagLib::ID3v2::Header &header, Bytes body, QByteArray &storage) {
    if (header.majorVersion() < 4 && header.unsynchronisation()) {
        const TagLib::ByteVector decoded = TagLib::ID3v2::SynchData::decode(vector(body));
        storage = QByteArray(decoded.data(), decoded.size());
        body = storage;
    }
    if (header.extendedHeader() && header.majorVersion() >= 3) {
        if (body.size() < 4)
            return {};
        const qint64 extended =
            header.majorVersion() == 3 ? 4 + qint64(bigEndian(body, 4)) : qint64(synchsafe(body));
        if (extended > body.size())
            return {};
        body = body.sliced(static_cast<qsizetype>(extended));
    }
    return body;
}

void readId3v1(Bytes tag, std::vector<TagField> &fields) {
    if (tag.size() != kId3v1Size || !tag.startsWith("TAG"))
        return;
    const auto text = [&](const char *name, qsizetype at, qsizetype size) {
        fields.push_back({TagId3v1, name, latin1ToUtf8(untilNul(tag.sliced(at, size)))});
    };
    text("TITLE", 3, 30);
    text("ARTIST", 33, 30);
    text("ALBUM", 63, 30);
    text("YEAR", 93, 4);
    const bool hasTrack = tag[125] == 0 && tag[126] != 0;
    text("COMMENT", 97, hasTrack ? 28 : 30);
    if (hasTrack)
        fields.push_back(
            {TagId3v1, "TRACK", QByteArray::number(static_cast<unsigned char>(tag[126]))});
    fields.push_back({TagId3v1, "GENRE", QByteArray::number(static_cast<unsigned char>(tag[127]))});
}

} // namespace

StreamTags StreamTags::read(const ReadAt &readAt, qint64 fileSize) {
    StreamTags tags;
    if (fileSize <= 0)
        return tags;
    QByteArray head;
    if (!readFully(readAt, 0, std::min(kHeadRead, fileSize), head))
        return tags;

    const qint64 headerSize = TagLib::ID3v2::Header::size();
    if (head.size() >= headerSize && head.startsWith("ID3")) {
        const TagLib::ID3v2::Header header(vector(Bytes(head).first(headerSize)));
        const unsigned version = header.majorVersion();
        const auto sizeByte = [&](int i) { return static_cast<unsigned char>(head[i]); };
        const bool sane = version >= 2 && version <= 4 && sizeByte(4) != 0xFF &&
                          ((sizeByte(6) | sizeByte(7) | sizeByte(8) | sizeByte(9)) & 0x80) == 0;
        if (sane) {
            const qint64 end = header.completeTagSize();
            const qint64 wanted = std::min({end + kAudioHead, fileSize, kMaxTag});
            if (wanted > head.size()) {
                QByteArray more;
                if (readFully(readAt, head.size(), wanted - head.size(), more))
                    head += more;
            }
            const qint64 bodyEnd = std::min<qint64>(headerSize + header.tagSize(), head.size());
            QByteArray storage;
            const Bytes frames =
                frameArea(header, Bytes(head).sliced(headerSize, bodyEnd - headerSize), storage);
            if (version != 2 || !header.extendedHeader()) // v2.2 used the bit for compression
                FrameWalker(static_cast<int>(version), tags.fields_).walk(frames);
            tags.audioStart_ = std::min(end, fileSize);
        }
    }
    if (tags.audioStart_ < head.size())
        tags.audioHead_ = head.sliced(tags.audioStart_,
                                      std::min<qint64>(kAudioHead, head.size() - tags.audioStart_));

    if (fileSize >= kId3v1Size && fileSize - kId3v1Size >= tags.audioStart_) {
        QByteArray tail;
        if (fileSize <= head.size())
            tail = head.sliced(fileSize - kId3v1Size, kId3v1Size);
        else
            readFully(readAt, fileSize - kId3v1Size, kId3v1Size, tail);
        readId3v1(tail, tags.fields_);
    }
    return tags;
}

StreamTags StreamTags::fromBytes(QByteArrayView file) {
    return read(
        [file](qint64 offset, char *buffer, qint64 size) -> qint64 {
            if (offset >= file.size())
                return 0;
            const qint64 n = std::min(size, file.size() - offset);
            std::memcpy(buffer, file.data() + offset, static_cast<size_t>(n));
            return n;
        },
        file.size());
}

const TagField *StreamTags::find(int type, QByteArrayView name) const {
    for (const TagField &field : fields_) {
        if (field.type == type && field.name.size() == name.size() &&
            qstrnicmp(field.name.constData(), name.data(), static_cast<size_t>(name.size())) == 0)
            return &field;
    }
    return nullptr;
}

} // namespace pelvanto::sound
