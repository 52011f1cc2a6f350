#include "MusicFixtures.h"
#include "TestSupport.h"

#include "soundlib/cd/CdDrive.h"

#include <QDir>
#include <QTemporaryDir>

#include <cmath>
#include <sys/stat.h>

using namespace pelvanto::sound;
using namespace musicfixtures;

namespace {

const QVector<CdTrackTone> kTones{{440.0, 3}, {880.0, 2}};
constexpr qint64 kRate = 44100;

QVector<float> renderAll(SoundSource &source, qint64 maxFrames, qint64 chunk = 1000) {
    QVector<float> out;
    QVector<float> buffer(chunk * 2);
    while (out.size() / 2 < maxFrames) {
        const qint64 got = source.read(buffer.data(), chunk);
        if (got <= 0)
            break;
        out.append(QVector<float>(buffer.constBegin(), buffer.constBegin() + got * 2));
    }
    return out;
}

// Frequency of the left channel from its rising zero crossings.
double frequency(const QVector<float> &stereo) {
    int crossings = 0;
    for (qsizetype i = 2; i < stereo.size(); i += 2)
        crossings += stereo[i - 2] < 0 && stereo[i] >= 0 ? 1 : 0;
    return crossings * double(kRate) / (double(stereo.size()) / 2);
}

} // namespace

class TestCdAudio : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString cueSheet_;

    QString writeImage(const QString &name, bool bigEndian) {
        const QString data = dir_.filePath(name + QStringLiteral(".bin"));
        QString cue = dir_.filePath(name + QStringLiteral(".cue"));
        if (!testsupport::writeFile(data, cdImageData(kTones, bigEndian)) ||
            !testsupport::writeFile(
                cue, musicfixtures::cueSheet(QFileInfo(data).fileName(), kTones, bigEndian)))
            return {};
        return cue;
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        cueSheet_ = writeImage(QStringLiteral("my disc"), false);
        QVERIFY(!cueSheet_.isEmpty());
        // The image names its data file relative to itself, wherever we are.
        QVERIFY(QDir::setCurrent(QDir::rootPath()));
    }

    void cleanup() { CdDrive::resetDriveList(); }

    void imageTableOfContents() {
        auto drive = CdDrive::openPath(cueSheet_);
        QVERIFY(drive);
        QVERIFY(drive->isImage());
        QCOMPARE(drive->trackCount(), 2);
        QCOMPARE(drive->firstTrack(), 1);
        QCOMPARE(drive->trackLengthMs(1), 3000);
        QCOMPARE(drive->trackLengthMs(2), 2000);
        QCOMPARE(drive->trackLengthMs(0), -1);
        QCOMPARE(drive->trackLengthMs(3), -1);
        QVERIFY(drive->isAudioTrack(2));
        QVERIFY(!drive->openTrack(0));
        QVERIFY(!drive->openTrack(3));
        // An image has no tray; it stays usable.
        QVERIFY(!drive->eject());
        QCOMPARE(drive->trackCount(), 2);
    }

    void tracksPlayTheirTones_data() {
        QTest::addColumn<bool>("bigEndian");
        QTest::addColumn<int>("track");
        QTest::newRow("little-endian, track 1") << false << 1;
        QTest::newRow("little-endian, track 2") << false << 2;
        QTest::newRow("big-endian, track 2") << true << 2;
    }
    void tracksPlayTheirTones() {
        QFETCH(bool, bigEndian);
        QFETCH(int, track);
        const QString cue = bigEndian ? writeImage(QStringLiteral("motorola"), true) : cueSheet_;
        auto drive = CdDrive::openPath(cue);
        QVERIFY(drive);
        auto source = drive->openTrack(track);
        QVERIFY(source);
        drive.reset(); // the track plays on its own
        QCOMPARE(source->track(), track);
        QCOMPARE(source->sampleRate(), int(kRate));
        QCOMPARE(source->channels(), 2);
        const CdTrackTone tone = kTones[track - 1];
        QCOMPARE(source->lengthMs(), tone.seconds * 1000);
        const QVector<float> pcm = renderAll(*source, kRate * 10, 999);
        QCOMPARE(pcm.size() / 2, tone.seconds * kRate);
        QVERIFY(qAbs(frequency(pcm) - tone.frequency) < 2.0);
        for (int frame = 0; frame < 2000; ++frame) {
            QCOMPARE(pcm[qsizetype(2) * frame], cdToneSample(tone.frequency, frame) / 32768.0f);
            QCOMPARE(pcm[qsizetype(2) * frame + 1], pcm[qsizetype(2) * frame]);
        }
        QCOMPARE(source->positionMs(), tone.seconds * 1000);
        float buffer[20];
        QCOMPARE(source->read(buffer, 10), 0);
    }

    void seekLandsOnTheSample() {
        auto drive = CdDrive::openPath(cueSheet_);
        QVERIFY(drive);
        auto source = drive->openTrack(1);
        QVERIFY(source);
        QVector<float> buffer(qsizetype(2) * 700);
        QCOMPARE(source->read(buffer.data(), 700), 700);
        for (qint64 ms : {1500, 20, 2999, 0}) {
            QVERIFY(source->seekMs(ms));
            QCOMPARE(source->positionMs(), ms);
            const qint64 frame = (ms * kRate + 999) / 1000; // first frame at or after ms
            const qint64 expected = std::min<qint64>(700, 3 * kRate - frame);
            QCOMPARE(source->read(buffer.data(), 700), expected);
            for (qint64 i = 0; i < expected; ++i)
                QCOMPARE(buffer[2 * i], cdToneSample(440.0, frame + i) / 32768.0f);
        }
        QVERIFY(source->seekMs(3000));
        QCOMPARE(source->read(buffer.data(), 10), 0);
        QVERIFY(!source->seekMs(3001));
        QVERIFY(!source->seekMs(-1));
        QCOMPARE(source->positionMs(), 3000);
    }

    void drivesByNumber() {
        CdDrive::setDriveList({cueSheet_, dir_.filePath(QStringLiteral("missing.cue"))});
        QCOMPARE(CdDrive::driveList().size(), 2);
        auto drive = CdDrive::open(0);
        QVERIFY(drive);
        QCOMPARE(drive->path(), cueSheet_);
        QCOMPARE(drive->trackCount(), 2);
        QVERIFY(!CdDrive::open(1));
        QVERIFY(!CdDrive::open(2));
        QVERIFY(!CdDrive::open(-1));
        CdDrive::resetDriveList();
        // The machine's own drives (none on a build machine) are block devices.
        for (const QString &device : CdDrive::driveList()) {
            struct stat info {};
            QCOMPARE(::stat(QFile::encodeName(device).constData(), &info), 0);
            QVERIFY(S_ISBLK(info.st_mode));
        }
    }

    void badImagesFailCleanly_data() {
        QTest::addColumn<QString>("cueName");
        QTest::addColumn<QByteArray>("cue");
        QTest::addColumn<QString>("data"); // "file", "fifo", "folder" or "none"
        const QByteArray track("  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n");
        const QByteArray binary = "FILE \"disc.bin\" BINARY\n" + track;
        QTest::newRow("empty") << "disc.cue" << QByteArray() << "file";
        QTest::newRow("garbage") << "disc.cue"
                                 << QByteArray("\x01\xff\x7fTRACK\0FILE", 15).repeated(40)
                                 << "file";
        QTest::newRow("no FILE line") << "disc.cue" << track << "file";
        QTest::newRow("WAVE data") << "disc.cue"
                                   << "FILE \"disc.bin\" WAVE\n" + track << "file";
        QTest::newRow("no data file") << "disc.cue" << binary << "none";
        QTest::newRow("data file is a folder") << "disc.cue" << binary << "folder";
        QTest::newRow("data file is a FIFO") << "disc.cue" << binary << "fifo";
        QTest::newRow("not named .cue") << "disc.txt" << binary << "file";
        QTest::newRow("track beyond the data")
            << "disc.cue" << binary + "  TRACK 02 AUDIO\n    INDEX 01 59:00:00\n"
            << "file";
    }
    void badImagesFailCleanly() {
        QFETCH(QString, cueName);
        QFETCH(QByteArray, cue);
        QFETCH(QString, data);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString dataPath = dir.filePath(QFileInfo(cueName).completeBaseName() + ".bin");
        if (data == QLatin1String("file"))
            QVERIFY(testsupport::writeFile(dataPath, cdImageData(kTones)));
        else if (data == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(dataPath).constData(), 0600), 0);
        else if (data == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).mkdir(QFileInfo(dataPath).fileName()));
        const QString path = dir.filePath(cueName);
        QVERIFY(testsupport::writeFile(path, cue));
        auto drive = CdDrive::openPath(path);
        if (!drive)
            return;
        // What libcdio takes plays within the data there is, or not at all.
        for (int track = drive->firstTrack(); track < drive->firstTrack() + drive->trackCount();
             ++track) {
            auto source = drive->openTrack(track);
            if (!source)
                continue;
            const QVector<float> pcm = renderAll(*source, kRate * 10);
            QVERIFY(pcm.size() / 2 <= 5 * kRate);
        }
    }

    void badPathsFailCleanly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fifo = dir.filePath(QStringLiteral("pipe.cue"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &path :
             {fifo, dir.path(), dir.filePath(QStringLiteral("none.cue")), QString()})
            QVERIFY(!CdDrive::openPath(path));
    }

    // The data file may end before the tracks the sheet lists: those are then short or gone.
    void truncatedDataFile() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray data = cdImageData(kTones);
        QVERIFY(testsupport::writeFile(dir.filePath("disc.bin"), data.left(2352 * 100 + 1000)));
        const QString cue = dir.filePath(QStringLiteral("disc.cue"));
        QVERIFY(testsupport::writeFile(cue, musicfixtures::cueSheet("disc.bin", kTones)));
        auto drive = CdDrive::openPath(cue);
        if (!drive)
            return;
        for (int track = drive->firstTrack(); track < drive->firstTrack() + drive->trackCount();
             ++track) {
            auto source = drive->openTrack(track);
            if (!source)
                continue;
            const QVector<float> pcm = renderAll(*source, kRate * 10);
            QVERIFY(pcm.size() / 2 <= qint64(drive->trackLengthMs(track)) * kRate / 1000 + 588);
        }
    }
};

QTEST_GUILESS_MAIN(TestCdAudio)
#include "tst_cdaudio.moc"
