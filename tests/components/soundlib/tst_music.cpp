#include "MusicFixtures.h"
#include "TestSupport.h"

#include "soundlib/music/MidiFile.h"
#include "soundlib/music/MidiSource.h"
#include "soundlib/music/MusicSource.h"

#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <sys/stat.h>

using namespace pelvanto::sound;
using namespace musicfixtures;

namespace {

constexpr qint64 kRate = 44100;

qint64 msToFrames(qint64 ms) {
    return ms * kRate / 1000;
}

// Pulls up to `maxFrames` frames in reads of `chunk`; stops at the end of the song.
QVector<float> render(MusicSource &source, qint64 maxFrames, qint64 chunk = 4096) {
    QVector<float> out;
    QVector<float> buffer(chunk * 2);
    while (out.size() / 2 < maxFrames) {
        const qint64 got = source.read(buffer.data(), std::min(chunk, maxFrames - out.size() / 2));
        if (got <= 0)
            break;
        out.append(QVector<float>(buffer.constBegin(), buffer.constBegin() + got * 2));
    }
    return out;
}

double rms(const QVector<float> &samples, qsizetype from = 0, qsizetype to = -1) {
    if (to < 0)
        to = samples.size();
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += double(samples[i]) * samples[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0.0;
}

std::unique_ptr<MusicSource> openFixture(const QByteArray &data) {
    MusicOpenError error = MusicOpenError::LoadFailed;
    auto source = MusicModule::openData(data, int(kRate), &error);
    if (source && error != MusicOpenError::None)
        return nullptr;
    return source;
}

struct ModuleFacts {
    MusicType type;
    QString name;
    int channels, instruments, orders, patterns, samples, speed, bpm, rowMs, lengthMs;
    QVector<int> orderRows;
};

} // namespace

Q_DECLARE_METATYPE(ModuleFacts)

class TestMusic : public QObject {
    Q_OBJECT

private:
    void moduleData() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<ModuleFacts>("facts");
        QTest::newRow("MOD") << modFile()
                             << ModuleFacts{MusicType::Mod,         ModFacts::kName,
                                            ModFacts::kChannels,    0,
                                            ModFacts::kOrders,      ModFacts::kPatterns,
                                            ModFacts::kSampleSlots, ModFacts::kSpeed,
                                            ModFacts::kBpm,         ModFacts::kRowMs,
                                            ModFacts::kLengthMs,    {64, 64, 64}};
        QTest::newRow("XM") << xmFile() << ModuleFacts{MusicType::Xm,      XmFacts::kName,
                                                       XmFacts::kChannels, XmFacts::kInstruments,
                                                       XmFacts::kOrders,   XmFacts::kPatterns,
                                                       XmFacts::kSamples,  XmFacts::kSpeed,
                                                       XmFacts::kBpm,      XmFacts::kRowMs,
                                                       XmFacts::kLengthMs, {16, 32, 32, 16}};
    }

private slots:
    void moduleReadsBack_data() { moduleData(); }
    void moduleReadsBack() {
        QFETCH(QByteArray, data);
        QFETCH(ModuleFacts, facts);
        auto song = openFixture(data);
        QVERIFY(song);
        QCOMPARE(song->type(), facts.type);
        QCOMPARE(song->name(), facts.name);
        QCOMPARE(song->sampleRate(), int(kRate));
        QCOMPARE(song->channels(), 2);
        QCOMPARE(song->numChannels(), facts.channels);
        QCOMPARE(song->numInstruments(), facts.instruments);
        QCOMPARE(song->numOrders(), facts.orders);
        QCOMPARE(song->numPatterns(), facts.patterns);
        QCOMPARE(song->numSamples(), facts.samples);
        for (int order = 0; order < facts.orders; ++order)
            QCOMPARE(song->orderRows(order), facts.orderRows[order]);
        QCOMPARE(song->orderRows(facts.orders), -1);
        QCOMPARE(song->orderRows(-1), -1);
        QCOMPARE(song->patternRows(1), facts.orderRows[1]);
        QCOMPARE(song->patternRows(facts.patterns), -1);
        QVERIFY(qAbs(song->lengthMs() - facts.lengthMs) <= facts.rowMs);
        QCOMPARE(song->positionMs(), 0);
        QVERIFY(!song->looping());
        QVERIFY(!song->isFinished());
        QCOMPARE(song->masterVolume(), MusicSource::kFullVolume);
    }

    // The wrapper jumps into the middle of a song to read its tempo without playing it.
    void moduleTempoAtOrderWithoutPlaying_data() { moduleData(); }
    void moduleTempoAtOrderWithoutPlaying() {
        QFETCH(QByteArray, data);
        QFETCH(ModuleFacts, facts);
        auto song = openFixture(data);
        QVERIFY(song);
        QVERIFY(song->setOrder(1));
        QCOMPARE(song->currentOrder(), 1);
        QCOMPARE(song->currentRow(), 0);
        QCOMPARE(song->currentPattern(), 1);
        QCOMPARE(song->speed(), facts.speed);
        QCOMPARE(song->bpm(), facts.bpm);
        QVERIFY(qAbs(song->positionMs() - qint64(facts.orderRows[0]) * facts.rowMs) <= 1);
        QVERIFY(!song->setOrder(facts.orders));
        QVERIFY(!song->setOrder(-1));
        QCOMPARE(song->currentOrder(), 1);
    }

    void moduleRendersToItsEnd_data() { moduleData(); }
    void moduleRendersToItsEnd() {
        QFETCH(QByteArray, data);
        QFETCH(ModuleFacts, facts);
        auto song = openFixture(data);
        QVERIFY(song);
        const QVector<float> pcm = render(*song, msToFrames(qint64(facts.lengthMs) * 2));
        const qint64 frames = pcm.size() / 2;
        QVERIFY2(qAbs(frames - msToFrames(facts.lengthMs)) <= msToFrames(facts.rowMs),
                 qPrintable(QString::number(frames)));
        QVERIFY(song->isFinished());
        QVERIFY(rms(pcm) > 0.02);
        // Every second of the song sounds: no silent stretch in the middle.
        for (qint64 second = 0; second + 1 < facts.lengthMs / 1000; ++second)
            QVERIFY(rms(pcm, second * 2 * kRate, (second + 1) * 2 * kRate) > 0.01);
        float buffer[64];
        QCOMPARE(song->read(buffer, 32), 0);
        QVERIFY(song->isFinished());

        // A finished song plays again from the start once rewound.
        song->rewind();
        QVERIFY(!song->isFinished());
        QCOMPARE(song->positionMs(), 0);
        QCOMPARE(render(*song, msToFrames(qint64(facts.lengthMs) * 2)).size(), pcm.size());
    }

    void moduleOrderAndRowFollowTheSong_data() { moduleData(); }
    void moduleOrderAndRowFollowTheSong() {
        QFETCH(QByteArray, data);
        QFETCH(ModuleFacts, facts);
        auto song = openFixture(data);
        QVERIFY(song);
        // Half a row into every tenth row, compare with the order list.
        qint64 renderedFrames = 0;
        int totalRows = 0;
        for (int rows : facts.orderRows)
            totalRows += rows;
        for (int row = 0; row < totalRows; row += 10) {
            const qint64 target = msToFrames(qint64(row) * facts.rowMs + facts.rowMs / 2);
            renderedFrames += render(*song, target - renderedFrames, 512).size() / 2;
            QCOMPARE(renderedFrames, target);
            int order = 0;
            int rowInOrder = row;
            while (rowInOrder >= facts.orderRows[order])
                rowInOrder -= facts.orderRows[order++];
            QCOMPARE(song->currentOrder(), order);
            QCOMPARE(song->currentRow(), rowInOrder);
            QVERIFY(qAbs(song->positionMs() - (qint64(row) * facts.rowMs + facts.rowMs / 2)) <=
                    facts.rowMs);
        }
    }

    void moduleLoops_data() { moduleData(); }
    void moduleLoops() {
        QFETCH(QByteArray, data);
        QFETCH(ModuleFacts, facts);
        auto song = openFixture(data);
        QVERIFY(song);
        song->setLooping(true);
        QVERIFY(song->looping());
        const qint64 wanted = msToFrames(facts.lengthMs * 3 / 2);
        const QVector<float> pcm = render(*song, wanted);
        QCOMPARE(pcm.size() / 2, wanted);
        QVERIFY(!song->isFinished());
        QVERIFY(rms(pcm, msToFrames(facts.lengthMs) * 2) > 0.02); // the second time round sounds
        QVERIFY(song->positionMs() < facts.lengthMs);
        // Looping off again: the song ends at the end of the current pass.
        song->setLooping(false);
        const qint64 rest = render(*song, msToFrames(qint64(facts.lengthMs) * 2)).size() / 2;
        QVERIFY(qAbs(rest - msToFrames(facts.lengthMs / 2)) <= msToFrames(facts.rowMs));
        QVERIFY(song->isFinished());
    }

    void moduleVolumeAndPanSeparation() {
        auto song = openFixture(modFile());
        QVERIFY(song);
        const qint64 frames = msToFrames(1000);
        const QVector<float> full = render(*song, frames);
        song->rewind();
        song->setMasterVolume(128);
        const QVector<float> half = render(*song, frames);
        QVERIFY(qAbs(rms(half) / rms(full) - 0.5) < 0.01);
        song->rewind();
        song->setMasterVolume(-5);
        QCOMPARE(song->masterVolume(), 0);
        QCOMPARE(rms(render(*song, frames)), 0.0);
        song->setMasterVolume(1000);
        QCOMPARE(song->masterVolume(), MusicSource::kFullVolume);

        // Amiga channels are panned hard left and right; no separation leaves one mix in both.
        song->rewind();
        QVector<float> stereo = render(*song, frames);
        double difference = 0;
        for (qsizetype i = 0; i < stereo.size(); i += 2)
            difference += qAbs(stereo[i] - stereo[i + 1]);
        QVERIFY(difference / frames > 0.01);
        song->rewind();
        song->setPanSeparation(0.0);
        QCOMPARE(song->panSeparation(), 0.0);
        const QVector<float> mono = render(*song, frames);
        for (qsizetype i = 0; i < mono.size(); i += 2)
            QVERIFY(qAbs(mono[i] - mono[i + 1]) < 1e-4f);
        QVERIFY(rms(mono) > 0.02);
    }

    void moduleSeeks() {
        auto song = openFixture(xmFile());
        QVERIFY(song);
        QVERIFY(song->seekMs(XmFacts::kLengthMs / 2));
        QVERIFY(qAbs(song->positionMs() - XmFacts::kLengthMs / 2) <= XmFacts::kRowMs);
        const qint64 rest = render(*song, msToFrames(XmFacts::kLengthMs)).size() / 2;
        QVERIFY(qAbs(rest - msToFrames(XmFacts::kLengthMs / 2)) <= msToFrames(XmFacts::kRowMs));
        QVERIFY(song->isFinished());
        QVERIFY(!song->seekMs(XmFacts::kLengthMs + 1000));
        QVERIFY(!song->seekMs(-1));
        QVERIFY(song->seekMs(0));
        QVERIFY(!song->isFinished());
        QVERIFY(render(*song, 1000).size() == 2000);
    }

    void midiReadsBackAndRenders() {
        QVERIFY2(!MidiSource::soundFontPath().isEmpty(), "no General MIDI sound font installed");
        auto song = openFixture(midiFile());
        QVERIFY(song);
        QCOMPARE(song->type(), MusicType::Midi);
        QCOMPARE(song->name(), QString(MidiFacts::kName));
        QCOMPARE(song->numChannels(), MidiFacts::kChannels);
        QCOMPARE(song->lengthMs(), MidiFacts::kLengthMs);
        QCOMPARE(song->numOrders(), 0);
        QCOMPARE(song->bpm(), MidiFacts::kFirstBpm);

        const QVector<float> first = render(*song, msToFrames(2500), 1024);
        QCOMPARE(first.size() / 2, msToFrames(2500));
        QVERIFY(qAbs(song->positionMs() - 2500) <= 10);
        QCOMPARE(song->bpm(), MidiFacts::kSecondBpm);
        const QVector<float> rest = render(*song, msToFrames(5000), 1024);
        QVERIFY(song->isFinished());
        const qint64 total = (first.size() + rest.size()) / 2;
        QVERIFY2(qAbs(total - msToFrames(MidiFacts::kLengthMs)) <= msToFrames(10),
                 qPrintable(QString::number(total)));
        QCOMPARE(song->positionMs(), MidiFacts::kLengthMs);
        // Loud enough to be heard next to a stream, every half second of it.
        for (int half = 0; half < 5; ++half)
            QVERIFY(rms(first, half * kRate, (half + 1) * kRate) > 0.02);
        float peak = 0;
        for (float s : first + rest)
            peak = std::max(peak, std::abs(s));
        QVERIFY(peak <= 1.0f);
    }

    void midiSeeksAndLoops() {
        auto song = openFixture(midiFile());
        QVERIFY(song);
        QVERIFY(song->seekMs(2500));
        QVERIFY(qAbs(song->positionMs() - 2500) <= 10);
        const QVector<float> tail = render(*song, msToFrames(5000), 1024);
        QVERIFY(qAbs(tail.size() / 2 - msToFrames(500)) <= msToFrames(10));
        QVERIFY(rms(tail) > 0.02);
        QVERIFY(song->isFinished());
        QVERIFY(!song->seekMs(MidiFacts::kLengthMs + 1));

        song->rewind();
        QVERIFY(!song->isFinished());
        QCOMPARE(song->positionMs(), 0);
        song->setLooping(true);
        const QVector<float> looped = render(*song, msToFrames(4500), 1024);
        QCOMPARE(looped.size() / 2, msToFrames(4500));
        QVERIFY(!song->isFinished());
        QVERIFY(rms(looped, msToFrames(3100) * 2) > 0.02); // notes again after the loop
        QVERIFY(qAbs(song->positionMs() - 1500) <= 20);
    }

    void midiVolumeAndSeparation() {
        auto song = openFixture(midiFile());
        QVERIFY(song);
        const QVector<float> full = render(*song, msToFrames(1000));
        song->rewind();
        song->setMasterVolume(64);
        const QVector<float> quarter = render(*song, msToFrames(1000));
        // Reverb and chorus run on across a rewind, so two takes differ a little.
        QVERIFY(qAbs(rms(quarter) / rms(full) - 0.25) < 0.05);
        song->rewind();
        song->setMasterVolume(0);
        QCOMPARE(rms(render(*song, msToFrames(1000))), 0.0);
        song->rewind();
        song->setMasterVolume(MusicSource::kFullVolume);
        song->setPanSeparation(0);
        const QVector<float> mono = render(*song, msToFrames(1000));
        for (qsizetype i = 0; i < mono.size(); i += 2)
            QCOMPARE(mono[i], mono[i + 1]);
    }

    void midiTempoMap() {
        const auto file = MidiFile::parse(midiFile());
        QVERIFY(file);
        QCOMPARE(file->ticksPerQuarter(), 480);
        QCOMPARE(file->lengthTicks(), 3840);
        QCOMPARE(file->ticksToMs(960), 1000);
        QCOMPARE(file->ticksToMs(1920), MidiFacts::kTempoChangeMs);
        QCOMPARE(file->ticksToMs(2880), 2500);
        QCOMPARE(file->msToTicks(2500), 2880);
        QCOMPARE(file->msToTicks(500), 480);
        QCOMPARE(file->bpmAt(0), MidiFacts::kFirstBpm);
        QCOMPARE(file->bpmAt(1920), MidiFacts::kSecondBpm);

        // The same song inside a RIFF "RMID" wrapper.
        QByteArray rmid("RIFF");
        const QByteArray smf = midiFile();
        QByteArray body("RMIDdata");
        body += QByteArray(4, '\0');
        qToLittleEndian<quint32>(quint32(smf.size()), body.data() + 8);
        body += smf;
        rmid += QByteArray(4, '\0');
        qToLittleEndian<quint32>(quint32(body.size()), rmid.data() + 4);
        rmid += body;
        const auto wrapped = MidiFile::parse(rmid);
        QVERIFY(wrapped);
        QCOMPARE(wrapped->lengthMs(), MidiFacts::kLengthMs);
        QCOMPARE(wrapped->smf(), smf);
    }

    void badDataFailsCleanly_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<MusicOpenError>("expected");
        QByteArray garbage(4096, '\0');
        QRandomGenerator random(15);
        for (char &c : garbage)
            c = char(random.bounded(256));
        const QByteArray mod = modFile();
        const QByteArray xm = xmFile();
        const QByteArray midi = midiFile();
        QTest::newRow("empty") << QByteArray() << MusicOpenError::UnknownFormat;
        QTest::newRow("garbage") << garbage << MusicOpenError::UnknownFormat;
        QTest::newRow("text") << QByteArray("just some text\n").repeated(50)
                              << MusicOpenError::UnknownFormat;
        QTest::newRow("XM header cut") << xm.left(100) << MusicOpenError::LoadFailed;
        QTest::newRow("XM patterns cut") << xm.left(400) << MusicOpenError::LoadFailed;
        QTest::newRow("MOD orders cut") << mod.left(960) << MusicOpenError::UnknownFormat;
        QTest::newRow("MIDI header only") << midi.left(14) << MusicOpenError::LoadFailed;
        QTest::newRow("MIDI cut in a track")
            << midi.left(midi.size() - 20) << MusicOpenError::LoadFailed;
        QByteArray lying = midi;
        lying[21] = char(0x7f); // first track claims far more bytes than the file has
        QTest::newRow("MIDI track size lies") << lying << MusicOpenError::LoadFailed;
        QByteArray smpte = midi;
        smpte[12] = char(0xe7); // -25 frames a second
        smpte[13] = char(40);
        QTest::newRow("MIDI SMPTE time") << smpte << MusicOpenError::LoadFailed;
        QByteArray noTracks = midi.left(14);
        noTracks[11] = 0;
        QTest::newRow("MIDI without tracks") << noTracks << MusicOpenError::LoadFailed;
        QByteArray endless = midi.left(22);
        endless += QByteArray::fromHex("ffffffff"); // a delta longer than four bytes
        endless.replace(18, 4, QByteArray::fromHex("00000004"));
        QTest::newRow("MIDI endless delta") << endless << MusicOpenError::LoadFailed;
        QByteArray orphan = midi.left(18) + QByteArray::fromHex("00000002") +
                            QByteArray::fromHex("0040"); // data byte without a status
        orphan[11] = 1;
        QTest::newRow("MIDI running status without status") << orphan << MusicOpenError::LoadFailed;
        QTest::newRow("RMID without data")
            << QByteArray("RIFF\x04\0\0\0RMID", 12) << MusicOpenError::LoadFailed;
    }
    void badDataFailsCleanly() {
        QFETCH(QByteArray, data);
        QFETCH(MusicOpenError, expected);
        MusicOpenError error = MusicOpenError::None;
        auto song = MusicModule::openData(data, int(kRate), &error);
        QVERIFY(!song);
        QCOMPARE(error, expected);
    }

    void unreadablePathsFailCleanly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fifo = dir.filePath(QStringLiteral("song.mod"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &path :
             {fifo, dir.path(), dir.filePath(QStringLiteral("none.xm")), QString()}) {
            MusicOpenError error = MusicOpenError::None;
            QVERIFY(!MusicModule::open(path, int(kRate), &error));
            QCOMPARE(error, MusicOpenError::FileNotFound);
        }
        const QString file = dir.filePath(QStringLiteral("song.xm"));
        QVERIFY(testsupport::writeFile(file, xmFile()));
        MusicOpenError error = MusicOpenError::LoadFailed;
        auto song = MusicModule::open(file, int(kRate), &error);
        QVERIFY(song);
        QCOMPARE(error, MusicOpenError::None);
        QCOMPARE(song->type(), MusicType::Xm);
        QVERIFY(!MusicModule::open(file, 1000, &error));
    }

    // Damaged songs either refuse to open or play to an end: never a crash or a hang.
    void mangledSongsNeverHang() {
        QRandomGenerator random(4242);
        const QByteArray songs[3] = {modFile(), xmFile(), midiFile()};
        for (int round = 0; round < 60; ++round) {
            const QByteArray &original = songs[round % 3];
            QByteArray data = original;
            for (int flip = 0; flip < 8; ++flip)
                data[random.bounded(int(data.size()))] = char(random.bounded(256));
            if (round % 4 == 0)
                data.truncate(random.bounded(int(data.size())));
            auto song = MusicModule::openData(data, 22050);
            if (!song)
                continue;
            (void)song->name();
            for (int order = -1; order <= song->numOrders(); ++order)
                (void)song->orderRows(order);
            song->setLooping(false);
            render(*song, qint64(22050) * 30);
            song->setOrder(song->numOrders() / 2);
            render(*song, 4096);
        }
        for (int round = 0; round < 5000; ++round) {
            QByteArray data = songs[2];
            data[random.bounded(int(data.size()))] = char(random.bounded(256));
            if (const auto file = MidiFile::parse(data))
                (void)file->msToTicks(file->lengthMs());
        }
    }
};

QTEST_GUILESS_MAIN(TestMusic)
#include "tst_music.moc"
