#include "TagPreview.h"
#include "TestSupport.h"
#include "clsFMOD.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace pelvanto;

class TestTagPreview : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString song_;

private slots:
    void initTestCase() {
        REQUIRE_PULSE();
        REQUIRE_TOOL("ffmpeg");
        song_ = dir_.filePath(QStringLiteral("three minutes.mp3"));
        QCOMPARE(testsupport::runTool("ffmpeg",
                                      {"-v", "error", "-f", "lavfi", "-i",
                                       "sine=frequency=440:duration=180", "-b:a", "32k", song_})
                     .exitCode,
                 0);
    }

    void commandsWithNothingLoadedDoNothing() {
        clsFMOD fmod;
        QVERIFY(fmod.Init(44100, 16));
        TagPreview preview(fmod, true);
        for (const char *word : {"forward", "back", "jump", "pause"}) {
            preview.Playback(QString::fromLatin1(word));
            QVERIFY(!fmod.StreamIsLoaded());
        }
    }

    void jumpForwardBackAndStop() {
        clsFMOD fmod;
        QVERIFY(fmod.Init(44100, 16));
        TagPreview preview(fmod, true);
        preview.Playback(song_);
        QVERIFY(fmod.StreamIsLoaded());
        QVERIFY(fmod.StreamIsPlaying());
        preview.Playback(QStringLiteral("jump"));
        QVERIFY2(fmod.StreamSongPos() >= 90000 && fmod.StreamSongPos() < 91000,
                 qPrintable(QString::number(fmod.StreamSongPos())));
        preview.Playback(QStringLiteral("pause"));
        QVERIFY(!fmod.StreamIsPlaying());
        const qint32 paused = fmod.StreamSongPos();
        preview.Playback(QStringLiteral("forward"));
        QVERIFY(qAbs(fmod.StreamSongPos() - (paused + 5000)) < 100);
        preview.Playback(QStringLiteral("back"));
        preview.Playback(QStringLiteral("back"));
        QVERIFY(qAbs(fmod.StreamSongPos() - (paused - 5000)) < 100);
        preview.Playback(QString());
        QVERIFY(!fmod.StreamIsLoaded());
        // A file that cannot be played leaves nothing loaded.
        preview.Playback(dir_.filePath(QStringLiteral("missing.mp3")));
        QVERIFY(!fmod.StreamIsLoaded());
    }

    void notReadyDoesNothing() {
        clsFMOD fmod;
        TagPreview preview(fmod, false);
        preview.Playback(song_);
        QVERIFY(!fmod.StreamIsLoaded());
    }
};

QTEST_GUILESS_MAIN(TestTagPreview)
#include "tst_tagpreview.moc"
