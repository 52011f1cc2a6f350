#include "RecordingProject.h"
#include "TestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using pelvanto::RecordedItem;
namespace project = pelvanto::RecordingProject;

class TestRecordingProject : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    static QList<RecordedItem> sample() {
        return {
            {"1", "/home/ana/Rec/rec120306140709.MP3", "1.23MB", "0:42.480", "03/12/2006 14:07"},
            {"2", "/home/ana/Rec/Müller – Probe ♪.WAV", "0,5MB", "75:03.250", "3.12.06 14:50"},
            {"3", "/tmp/.WAV", "0MB", "0:00.000", ""},
        };
    }

private slots:
    void layoutIsTabsAndCrLf() {
        const QString p = path(QStringLiteral("a.rpf"));
        QVERIFY(project::save(p, sample().mid(0, 1)));
        QCOMPARE(testsupport::readFile(p),
                 QByteArray("1\t/home/ana/Rec/rec120306140709.MP3\t1.23MB\t0:42.480\t"
                            "03/12/2006 14:07\r\n"));
    }

    void roundTripGivesIdenticalTexts() {
        const QString p = path(QStringLiteral("round trip.rpf"));
        QVERIFY(project::save(p, sample()));
        const auto loaded = project::load(p);
        QVERIFY(loaded);
        QCOMPARE(*loaded, sample());
        // Text is UTF-8.
        QVERIFY(testsupport::readFile(p).contains(QStringLiteral("Müller – Probe ♪").toUtf8()));
    }

    void emptyListWritesEmptyFileAndReplacesOldOne() {
        const QString p = path(QStringLiteral("empty"));
        QVERIFY(testsupport::writeFile(p, "old content\r\n"));
        QVERIFY(project::save(p, {}));
        QCOMPARE(testsupport::readFile(p), QByteArray());
        QVERIFY(project::load(p)->isEmpty());
        // No extension is added to the chosen name.
        QVERIFY(!QFile::exists(p + ".rpf"));
    }

    void openingTwiceListsTwice() {
        const QString p = path(QStringLiteral("twice.rpf"));
        QVERIFY(project::save(p, sample()));
        pelvanto::RecordedFiles list;
        list.append({"1", "/kept.WAV", "1MB", "0:01.000", "t"});
        // Several files chosen at once are each appended; missing ones are passed over.
        QCOMPARE(project::appendProjects(list, {p, QString(), path("missing.rpf"), p}), 6);
        QCOMPARE(list.count(), 7);
        QCOMPARE(list.items()[0].path, QStringLiteral("/kept.WAV"));
        // Loaded rows keep their stored numbers, repeated as they are.
        QCOMPARE(list.items()[4].number, QStringLiteral("1"));
        QCOMPARE(list.items()[4], sample()[0]);
        QCOMPARE(list.items()[6], sample()[2]);
    }

    void lineEndsAndExtraFields() {
        const auto items = project::parse("1\ta\tb\tc\td\textra\tmore\n"
                                          "2\te\tf\tg\th\r"
                                          "3\ti\tj\tk\tl");
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0], (RecordedItem{"1", "a", "b", "c", "d"}));
        QCOMPARE(items[1], (RecordedItem{"2", "e", "f", "g", "h"}));
        QCOMPARE(items[2], (RecordedItem{"3", "i", "j", "k", "l"}));
    }

    void badLinesLoadWhatTheyCan() {
        // Junk and missing paths load as they stand.
        static const char raw[] = "1\t/a.WAV\t1MB\t0:01.000\tmonday\r\n"
                                  "3\t\t2MB\t0:02.000\ttuesday\r\n"       // no path
                                  "\x01\xff\xfe\0junk\tpath\0x\t\t\t\r\n" // binary junk
                                  "5\t/e.WAV\t5MB\t0:05.000\tfriday\textra\r\n";
        const auto items = project::parse(QByteArray(raw, sizeof raw - 1));
        QCOMPARE(items.size(), 4);
        QCOMPARE(items[0].path, QStringLiteral("/a.WAV"));
        QCOMPARE(items[1], (RecordedItem{"3", "", "2MB", "0:02.000", "tuesday"}));
        QCOMPARE(items[2].size, QString());
        QCOMPARE(items[3], (RecordedItem{"5", "/e.WAV", "5MB", "0:05.000", "friday"}));
    }

    // A line of fewer than five fields is the project's last: its row keeps the fields it has
    // and nothing after it is read. A line of five (the last one empty) or more goes on.
    void shortLineEndsTheProject_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QStringList>("row");
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("one field") << QByteArray("2") << QStringList{"2", "", "", "", ""} << false;
        QTest::newRow("two fields")
            << QByteArray("2\t/b.WAV") << QStringList{"2", "/b.WAV", "", "", ""} << false;
        QTest::newRow("three fields")
            << QByteArray("2\t/b.WAV\t2MB") << QStringList{"2", "/b.WAV", "2MB", "", ""} << false;
        QTest::newRow("four fields") << QByteArray("2\t/b.WAV\t2MB\t0:02.000")
                                     << QStringList{"2", "/b.WAV", "2MB", "0:02.000", ""} << false;
        QTest::newRow("five, the last empty")
            << QByteArray("2\t/b.WAV\t2MB\t0:02.000\t")
            << QStringList{"2", "/b.WAV", "2MB", "0:02.000", ""} << true;
        QTest::newRow("five fields")
            << QByteArray("2\t/b.WAV\t2MB\t0:02.000\tmonday")
            << QStringList{"2", "/b.WAV", "2MB", "0:02.000", "monday"} << true;
        QTest::newRow("six fields")
            << QByteArray("2\t/b.WAV\t2MB\t0:02.000\tmonday\tx")
            << QStringList{"2", "/b.WAV", "2MB", "0:02.000", "monday"} << true;
    }
    void shortLineEndsTheProject() {
        QFETCH(QByteArray, line);
        QFETCH(QStringList, row);
        QFETCH(bool, goesOn);
        const QByteArray text = "1\t/a.WAV\t1MB\t0:01.000\tsunday\r\n" + line +
                                "\r\n3\t/c.WAV\t3MB\t0:03.000\ttuesday\r\n";
        const RecordedItem expected{row[0], row[1], row[2], row[3], row[4]};
        const auto items = project::parse(text);
        QCOMPARE(items.size(), goesOn ? 3 : 2);
        QCOMPARE(items[0], (RecordedItem{"1", "/a.WAV", "1MB", "0:01.000", "sunday"}));
        QCOMPARE(items[1], expected);

        // The same from a file opened into a list that has rows already.
        const QString p = path(QStringLiteral("short.rpf"));
        QVERIFY(testsupport::writeFile(p, text));
        pelvanto::RecordedFiles list;
        list.append({"1", "/kept.WAV", "1MB", "0:01.000", "t"});
        QCOMPARE(project::appendProjects(list, {p}), goesOn ? 3 : 2);
        QCOMPARE(list.items().last(), goesOn ? items[2] : expected);
    }

    void blankLineEndsTheProject() {
        const auto blank =
            project::parse("1\t/a\t1MB\t0:01.000\tx\r\n\r\n2\t/b\t1MB\t0:01.000\ty\r\n");
        QCOMPARE(blank.size(), 1);
    }

    void unreadableFileAndUnwritablePath() {
        QVERIFY(!project::load(path(QStringLiteral("does-not-exist.rpf"))));
        QVERIFY(!project::save(path(QStringLiteral("no/folder/x.rpf")), sample()));
        QVERIFY(!QFile::exists(path(QStringLiteral("no"))));
    }

    void folderInTheWayIsNotReplaced() {
        const QString p = path(QStringLiteral("taken.rpf"));
        QVERIFY(QDir().mkpath(p + QStringLiteral("/inside")));
        QVERIFY(!project::save(p, sample()));
        QVERIFY(QFileInfo(p + QStringLiteral("/inside")).isDir());
        QVERIFY(!project::load(p) || project::load(p)->isEmpty());
    }

    void tabInPathSplitsTheField() {
        const QString p = path(QStringLiteral("tab.rpf"));
        QVERIFY(project::save(p, {{"1", "/a\tb.WAV", "1MB", "0:01.000", "t"}}));
        const auto loaded = project::load(p);
        QCOMPARE(loaded->size(), 1);
        QCOMPARE(loaded->at(0).path, QStringLiteral("/a"));
        QCOMPARE(loaded->at(0).size, QStringLiteral("b.WAV"));
    }
};

QTEST_GUILESS_MAIN(TestRecordingProject)
#include "tst_recordingproject.moc"
