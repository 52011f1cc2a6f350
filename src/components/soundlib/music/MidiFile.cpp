#include "soundlib/music/MidiFile.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace pelvanto::sound {

namespace {

constexpr qint64 kDefaultMicrosPerQuarter = 500000;

quint32 bigEndian32(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (quint32(u[0]) << 24) | (quint32(u[1]) << 16) | (quint32(u[2]) << 8) | u[3];
}

quint16 bigEndian16(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return quint16((u[0] << 8) | u[1]);
}

quint32 littleEndian32(const char *p) {
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return (quint32(u[3]) << 24) | (quint32(u[2]) << 16) | (quint32(u[1]) << 8) | u[0];
}

// The SMF inside a RIFF "RMID" file, or the data itself.
std::optional<QByteArray> unwrapRmid(const QByteArray &data) {
    if (!data.startsWith("RIFF"))
        return data;
    if (data.size() < 12 || data.mid(8, 4) != "RMID")
        return std::nullopt;
    qint64 pos = 12;
    while (pos + 8 <= data.size()) {
        const qint64 size = littleEndian32(data.constData() + pos + 4);
        if (size > data.size() - pos - 8)
            return std::nullopt;
        if (data.mid(pos, 4) == "data")
            return data.mid(pos + 8, size);
        pos += 8 + size + (size & 1);
    }
    return std::nullopt;
}

// Reads one track's events. Bounds are checked on every byte, so a lying length or a
// truncated event refuses the file instead of reading past it.
class TrackReader {
public:
    TrackReader(const char *begin, const char *end) : pos_(begin), end_(end) {}

    bool atEnd() const { return pos_ >= end_; }

    bool byte(quint8 &out) {
        if (pos_ >= end_)
            return false;
        out = static_cast<quint8>(*pos_++);
        return true;
    }

    // A variable-length quantity of at most four bytes.
    bool varLength(qint64 &out) {
        out = 0;
        for (int i = 0; i < 4; ++i) {
            quint8 b = 0;
            if (!byte(b))
                return false;
            out = (out << 7) | (b & 0x7f);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

    bool bytes(qint64 count, const char *&out) {
        if (count < 0 || count > end_ - pos_)
            return false;
        out = pos_;
        pos_ += count;
        return true;
    }

private:
    const char *pos_;
    const char *end_;
};

} // namespace

bool MidiFile::looksLikeMidi(const QByteArray &data) {
    return data.startsWith("MThd") || (data.startsWith("RIFF") && data.mid(8, 4) == "RMID");
}

std::optional<MidiFile> MidiFile::parse(const QByteArray &data) {
    const auto smf = unwrapRmid(data);
    if (!smf || smf->size() < 14 || !smf->startsWith("MThd"))
        return std::nullopt;
    const char *base = smf->constData();
    const qint64 headerSize = bigEndian32(base + 4);
    if (headerSize < 6 || headerSize > smf->size() - 8)
        return std::nullopt;
    const int format = bigEndian16(base + 8);
    const int tracks = bigEndian16(base + 10);
    const int division = bigEndian16(base + 12);
    // SMPTE time (top bit set) is not something the synthesizer's player can follow.
    if (format > 2 || tracks == 0 || division == 0 || (division & 0x8000))
        return std::nullopt;

    MidiFile file;
    file.smf_ = *smf;
    file.ticksPerQuarter_ = division;
    QVector<TempoChange> tempos;
    bool haveName = false;

    qint64 pos = 8 + headerSize;
    int tracksRead = 0;
    while (tracksRead < tracks) {
        if (pos + 8 > smf->size())
            return std::nullopt;
        const qint64 chunkSize = bigEndian32(base + pos + 4);
        if (chunkSize > smf->size() - pos - 8)
            return std::nullopt;
        const bool isTrack = smf->mid(pos, 4) == "MTrk";
        const char *chunk = base + pos + 8;
        pos += 8 + chunkSize;
        if (!isTrack)
            continue; // unknown chunks are allowed and skipped
        ++tracksRead;

        TrackReader track(chunk, chunk + chunkSize);
        qint64 tick = 0;
        quint8 runningStatus = 0;
        while (!track.atEnd()) {
            qint64 delta = 0;
            quint8 status = 0;
            if (!track.varLength(delta) || !track.byte(status))
                return std::nullopt;
            tick += delta;
            const char *payload = nullptr;
            if (status == 0xff) {
                quint8 type = 0;
                qint64 length = 0;
                if (!track.byte(type) || !track.varLength(length) || !track.bytes(length, payload))
                    return std::nullopt;
                runningStatus = 0;
                if (type == 0x51 && length == 3) {
                    const auto *u = reinterpret_cast<const unsigned char *>(payload);
                    const qint64 micros = (qint64(u[0]) << 16) | (u[1] << 8) | u[2];
                    if (micros > 0)
                        tempos.append({tick, micros, 0.0});
                } else if (type == 0x03 && !haveName) {
                    file.name_ = QString::fromLatin1(payload, length).trimmed();
                    haveName = !file.name_.isEmpty();
                }
                if (type == 0x2f)
                    break;
                continue;
            }
            if (status == 0xf0 || status == 0xf7) {
                qint64 length = 0;
                if (!track.varLength(length) || !track.bytes(length, payload))
                    return std::nullopt;
                runningStatus = 0;
                continue;
            }
            if (status > 0xf0)
                return std::nullopt; // system common and real-time bytes do not belong in a file
            int dataBytes = 0;
            if (status & 0x80) {
                runningStatus = status;
            } else {
                if (!runningStatus)
                    return std::nullopt;
                dataBytes = 1; // the byte just read was the first data byte
                status = runningStatus;
            }
            const int kind = status & 0xf0;
            const int needed = (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
            if (!track.bytes(needed - dataBytes, payload))
                return std::nullopt;
            file.channelMask_ |= quint16(1u << (status & 0x0f));
        }
        file.lengthTicks_ = std::max(file.lengthTicks_, tick);
    }

    // The player applies tempo changes of every track; a later change at the same tick wins.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange &a, const TempoChange &b) { return a.tick < b.tick; });
    file.tempoMap_.append({0, kDefaultMicrosPerQuarter, 0.0});
    for (const TempoChange &change : tempos) {
        TempoChange &last = file.tempoMap_.last();
        if (change.tick == last.tick) {
            last.microsPerQuarter = change.microsPerQuarter;
            continue;
        }
        const double ms = last.msAtTick + double(change.tick - last.tick) *
                                              double(last.microsPerQuarter) / division / 1000.0;
        file.tempoMap_.append({change.tick, change.microsPerQuarter, ms});
    }
    return file;
}

const MidiFile::TempoChange &MidiFile::tempoAtTick(qint64 tick) const {
    auto next = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), tick,
                                 [](qint64 t, const TempoChange &c) { return t < c.tick; });
    return *(next - 1);
}

qint64 MidiFile::ticksToMs(qint64 tick) const {
    if (tempoMap_.isEmpty() || tick <= 0)
        return 0;
    const TempoChange &change = tempoAtTick(tick);
    return std::llround(change.msAtTick + double(tick - change.tick) *
                                              double(change.microsPerQuarter) / ticksPerQuarter_ /
                                              1000.0);
}

qint64 MidiFile::msToTicks(qint64 ms) const {
    if (tempoMap_.isEmpty() || ms <= 0)
        return 0;
    auto next = std::upper_bound(tempoMap_.begin(), tempoMap_.end(), double(ms),
                                 [](double m, const TempoChange &c) { return m < c.msAtTick; });
    const TempoChange &change = *(next - 1);
    return change.tick + std::llround((double(ms) - change.msAtTick) * 1000.0 * ticksPerQuarter_ /
                                      double(change.microsPerQuarter));
}

int MidiFile::bpmAt(qint64 tick) const {
    if (tempoMap_.isEmpty())
        return 0;
    return int(std::lround(60'000'000.0 /
                           double(tempoAtTick(std::max<qint64>(tick, 0)).microsPerQuarter)));
}

int MidiFile::channelsUsed() const {
    return std::popcount(channelMask_);
}

} // namespace pelvanto::sound
