#include "MusicFixtures.h"

#include <QtEndian>

#include <cmath>

namespace musicfixtures {

namespace {

void putText(QByteArray &out, const char *text, int width) {
    QByteArray field(text);
    field.resize(width, '\0');
    out += field;
}

void putBe16(QByteArray &out, int value) {
    out += char((value >> 8) & 0xff);
    out += char(value & 0xff);
}

void putLe16(QByteArray &out, int value) {
    out += char(value & 0xff);
    out += char((value >> 8) & 0xff);
}

void putLe32(QByteArray &out, qint64 value) {
    for (int i = 0; i < 4; ++i)
        out += char((value >> (8 * i)) & 0xff);
}

void putBe32(QByteArray &out, qint64 value) {
    for (int i = 3; i >= 0; --i)
        out += char((value >> (8 * i)) & 0xff);
}

// One signed 8-bit cycle of a square wave and of a sawtooth.
QByteArray squareCycle(int length) {
    QByteArray data;
    for (int i = 0; i < length; ++i)
        data += char(i < length / 2 ? 100 : -100);
    return data;
}

QByteArray sawCycle(int length) {
    QByteArray data;
    for (int i = 0; i < length; ++i)
        data += char(-100 + 200 * i / length);
    return data;
}

// A ProTracker cell: sample number, Amiga period, effect and parameter.
void putModCell(QByteArray &out, int sample, int period, int effect, int parameter) {
    out += char((sample & 0xf0) | ((period >> 8) & 0x0f));
    out += char(period & 0xff);
    out += char(((sample & 0x0f) << 4) | (effect & 0x0f));
    out += char(parameter & 0xff);
}

} // namespace

QByteArray modFile() {
    QByteArray out;
    putText(out, ModFacts::kName, 20);
    const QByteArray samples[2] = {squareCycle(64), sawCycle(64)};
    const char *sampleNames[2] = {"square", "saw"};
    for (int i = 0; i < 31; ++i) {
        if (i < 2) {
            putText(out, sampleNames[i], 22);
            putBe16(out, samples[i].size() / 2); // length in words
            out += char(0);                      // finetune
            out += char(64);                     // volume
            putBe16(out, 0);                     // loop start
            putBe16(out, samples[i].size() / 2); // loop length: the whole cycle
        } else {
            putText(out, "", 22);
            putBe16(out, 0);
            out += char(0);
            out += char(0);
            putBe16(out, 0);
            putBe16(out, 1);
        }
    }
    out += char(ModFacts::kOrders);
    out += char(127);
    QByteArray orders(128, '\0');
    orders[1] = 1; // 0, 1, 0
    out += orders;
    out += "M.K.";
    for (int pattern = 0; pattern < ModFacts::kPatterns; ++pattern) {
        for (int row = 0; row < 64; ++row) {
            const bool first = row == 0;
            const bool beat = row % 16 == 0;
            // Speed and tempo on the first row; a note on every beat so the song never rests.
            putModCell(out, beat ? 1 : 0, beat ? (pattern ? 320 : 428) : 0, first ? 0xf : 0,
                       first ? ModFacts::kSpeed : 0);
            putModCell(out, beat ? 2 : 0, beat ? 214 : 0, first ? 0xf : 0,
                       first ? ModFacts::kBpm : 0);
            putModCell(out, beat ? 1 : 0, beat ? 285 : 0, 0, 0);
            putModCell(out, 0, 0, 0, 0);
        }
    }
    out += samples[0];
    out += samples[1];
    return out;
}

QByteArray xmFile() {
    QByteArray out;
    out += "Extended Module: ";
    putText(out, XmFacts::kName, 20);
    out += char(0x1a);
    putText(out, "Pelvanto", 20);
    putLe16(out, 0x0104);
    putLe32(out, 276); // header size, counted from this field
    putLe16(out, XmFacts::kOrders);
    putLe16(out, 0); // restart position
    putLe16(out, XmFacts::kChannels);
    putLe16(out, XmFacts::kPatterns);
    putLe16(out, XmFacts::kInstruments);
    putLe16(out, 1); // linear frequencies
    putLe16(out, XmFacts::kSpeed);
    putLe16(out, XmFacts::kBpm);
    QByteArray orders(256, '\0');
    for (int i = 0; i < XmFacts::kOrders; ++i)
        orders[i] = char(XmFacts::kOrderList[i]);
    out += orders;

    for (int pattern = 0; pattern < XmFacts::kPatterns; ++pattern) {
        const int rows = XmFacts::kPatternRows[pattern];
        QByteArray cells;
        for (int row = 0; row < rows; ++row) {
            for (int channel = 0; channel < XmFacts::kChannels; ++channel) {
                const bool beat = row % 8 == 0;
                // Unpacked cell: note (49 = C-4), instrument, volume, effect, parameter.
                cells += char(beat ? 49 + 12 * channel + 4 * pattern : 0);
                cells += char(beat ? channel + 1 : 0);
                cells += char(0);
                cells += char(0);
                cells += char(0);
            }
        }
        putLe32(out, 9); // pattern header length
        out += char(0);  // packing type
        putLe16(out, rows);
        putLe16(out, cells.size());
        out += cells;
    }

    const QByteArray samples[2] = {squareCycle(32), sawCycle(64)};
    const char *names[2] = {"Square lead", "Saw bass"};
    for (int instrument = 0; instrument < XmFacts::kInstruments; ++instrument) {
        QByteArray header;
        putLe32(header, 263);
        putText(header, names[instrument], 22);
        header += char(0);                        // type
        putLe16(header, 1);                       // samples
        putLe32(header, 40);                      // sample header size
        header += QByteArray(96 + 48 + 48, '\0'); // key map, envelopes
        header += QByteArray(8, '\0');            // envelope point counts, sustain, loops
        header += QByteArray(2, '\0');            // envelope types
        header += QByteArray(4, '\0');            // vibrato
        putLe16(header, 0);                       // fade-out
        header.resize(263, '\0');
        out += header;

        const QByteArray &data = samples[instrument];
        putLe32(out, data.size());
        putLe32(out, 0);           // loop start
        putLe32(out, data.size()); // loop length
        out += char(64);           // volume
        out += char(0);            // finetune
        out += char(1);            // forward loop, 8-bit
        out += char(128);          // panning
        out += char(0);            // relative note
        out += char(0);
        putText(out, names[instrument], 22);
        // Sample data is stored as differences.
        char previous = 0;
        for (char value : data) {
            out += char(value - previous);
            previous = value;
        }
    }
    return out;
}

QByteArray midiFile() {
    auto track = [](const QByteArray &events) {
        QByteArray chunk("MTrk");
        putBe32(chunk, events.size());
        return chunk + events;
    };
    const int quarter = 480;
    QByteArray conductor;
    conductor += QByteArray::fromHex("00ff03");
    conductor += char(qstrlen(MidiFacts::kName));
    conductor += MidiFacts::kName;
    conductor += QByteArray::fromHex("00ff510307a120");   // 500000 us a quarter: 120 BPM
    conductor += QByteArray::fromHex("8f00ff510303d090"); // at tick 1920: 250000 us, 240 BPM
    conductor += QByteArray::fromHex("8f00ff2f00");       // end at tick 3840

    QByteArray music;
    music += QByteArray::fromHex("00c000");   // channel 0: piano
    music += QByteArray::fromHex("00c130");   // channel 1: strings
    music += QByteArray::fromHex("00913464"); // long string note under everything
    const int notes[8] = {60, 64, 67, 72, 60, 64, 67, 72};
    for (int i = 0; i < 8; ++i) {
        music += char(0);
        music += char(0x90);
        music += char(notes[i]);
        music += char(100);
        // Delta of one quarter note (480 = 0x83 0x60), then note off by velocity 0.
        music += QByteArray::fromHex("8360");
        music += char(0x90);
        music += char(notes[i]);
        music += char(0);
    }
    music += QByteArray::fromHex("00813400"); // strings off at the end
    music += QByteArray::fromHex("00ff2f00");

    QByteArray out("MThd");
    putBe32(out, 6);
    putBe16(out, 1);
    putBe16(out, 2);
    putBe16(out, quarter);
    return out + track(conductor) + track(music);
}

qint16 cdToneSample(double frequency, qint64 frame) {
    return static_cast<qint16>(
        std::lround(0.5 * 32767.0 * std::sin(2.0 * M_PI * frequency * double(frame) / 44100.0)));
}

QByteArray cdImageData(const QVector<CdTrackTone> &tracks, bool bigEndian) {
    QByteArray out;
    for (const CdTrackTone &tone : tracks) {
        const qint64 frames = qint64(tone.seconds) * 44100;
        for (qint64 frame = 0; frame < frames; ++frame) {
            const qint16 sample = cdToneSample(tone.frequency, frame);
            for (int channel = 0; channel < 2; ++channel) {
                if (bigEndian)
                    putBe16(out, sample);
                else
                    putLe16(out, sample);
            }
        }
    }
    return out;
}

QByteArray cueSheet(const QString &dataFileName, const QVector<CdTrackTone> &tracks,
                    bool bigEndian) {
    QByteArray out =
        "FILE \"" + dataFileName.toUtf8() + "\" " + (bigEndian ? "MOTOROLA" : "BINARY") + "\r\n";
    int startSeconds = 0;
    for (int i = 0; i < tracks.size(); ++i) {
        out += QStringLiteral("  TRACK %1 AUDIO\r\n    INDEX 01 %2:%3:00\r\n")
                   .arg(i + 1, 2, 10, QLatin1Char('0'))
                   .arg(startSeconds / 60, 2, 10, QLatin1Char('0'))
                   .arg(startSeconds % 60, 2, 10, QLatin1Char('0'))
                   .toUtf8();
        startSeconds += tracks[i].seconds;
    }
    return out;
}

} // namespace musicfixtures
