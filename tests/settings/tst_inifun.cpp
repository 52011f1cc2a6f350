#include "Inifun.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using pelvanto::Inifun::ReadIni;
using pelvanto::Inifun::WriteIni;

class TestInifun : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("settings.dat")); }

    void writeRaw(const QByteArray &data) {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    QByteArray readRaw() {
        QFile f(path());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

private slots:
    void init() {
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(path());
    }

    void missingFileReadsEmpty() {
        QCOMPARE(ReadIni(path(), "set", "outputformat"), QString());
        QCOMPARE(ReadIni(dir.filePath("nowhere/settings.dat"), "set", "x"), QString());
        QVERIFY(!QFile::exists(path()));
    }

    void firstWriteCreatesFileAndSection() {
        QVERIFY(WriteIni(path(), "mp3", "MP3Bitrate", "128"));
        QCOMPARE(readRaw(), QByteArray("[mp3]\r\nMP3Bitrate=128\r\n"));
        QVERIFY(WriteIni(path(), "mp3", "MP3Channels", "2"));
        QVERIFY(WriteIni(path(), "set", "outputformat", "3"));
        QCOMPARE(
            readRaw(),
            QByteArray("[mp3]\r\nMP3Bitrate=128\r\nMP3Channels=2\r\n[set]\r\noutputformat=3\r\n"));
        QCOMPARE(ReadIni(path(), "mp3", "MP3Channels"), QStringLiteral("2"));
    }

    void namesIgnoreCaseAndBlanks() {
        writeRaw("[ SET ]\r\n  OutputFolder =  /home/me/My Recordings  \r\n");
        QCOMPARE(ReadIni(path(), "set", "outputfolder"), QStringLiteral("/home/me/My Recordings"));
        QCOMPARE(ReadIni(path(), "Set", "OUTPUTFOLDER"), QStringLiteral("/home/me/My Recordings"));
        // A write to a differently spelt key replaces the value in place.
        QVERIFY(WriteIni(path(), "set", "outputfolder", "/tmp"));
        QCOMPARE(readRaw(), QByteArray("[ SET ]\r\nOutputFolder=/tmp\r\n"));
    }

    void longValuesAreCut() {
        const QString v200(200, QLatin1Char('x'));
        writeRaw("[set]\nfilename=" + v200.toLatin1() + "\n");
        QCOMPARE(ReadIni(path(), "set", "filename"), v200.left(127));

        QVERIFY(WriteIni(path(), "set", "filename", QString(200, QLatin1Char('y'))));
        QVERIFY(readRaw().contains("filename=" + QByteArray(128, 'y') + "\n"));
        QVERIFY(!readRaw().contains(QByteArray(129, 'y')));
        QCOMPARE(ReadIni(path(), "set", "filename"), QString(127, QLatin1Char('y')));

        // A blank that lands at the end of the cut is trimmed too.
        writeRaw("[set]\nfilename=" + QByteArray(126, 'z') + " tail\n");
        QCOMPARE(ReadIni(path(), "set", "filename"), QString(126, QLatin1Char('z')));
    }

    void valueStopsAtNul() {
        QVERIFY(WriteIni(path(), "set", "filename", QStringLiteral("abc") + QChar(0) + "def"));
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("abc"));
        writeRaw(QByteArray("[set]\nfilename=ab\0cd\n", 21));
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("ab"));
    }

    void quotedValueReadsWithoutQuotes() {
        writeRaw("[set]\nfilename=\" padded \"\n");
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("padded"));
    }

    void writeKeepsEveryOtherLine() {
        const QByteArray before = "; Pelvanto settings\r\n"
                                  "[set]\r\n"
                                  "outputformat=1\r\n"
                                  "   ; a comment inside\r\n"
                                  "line without equals\r\n"
                                  "filename=Show\r\n"
                                  "\r\n"
                                  "[other]\n"
                                  "notch=0\n"
                                  "unknown=keep me";
        writeRaw(before);
        QVERIFY(WriteIni(path(), "set", "filename", "Interview"));
        QByteArray expected = before;
        expected.replace("filename=Show", "filename=Interview");
        QCOMPARE(readRaw(), expected);

        // A new key goes after the last key of its section.
        QVERIFY(WriteIni(path(), "set", "datetime", "0"));
        expected.replace("filename=Interview\r\n", "filename=Interview\r\ndatetime=0\r\n");
        QCOMPARE(readRaw(), expected);

        // A file without a final newline gets one before the appended key.
        QVERIFY(WriteIni(path(), "other", "lowpass", "1"));
        expected.append("\r\nlowpass=1\r\n");
        QCOMPARE(readRaw(), expected);
        QCOMPARE(ReadIni(path(), "other", "unknown"), QStringLiteral("keep me"));
    }

    // Files written by other editors: a byte-order mark, CR-only line ends. Every key reads,
    // and a write changes its key in place instead of adding a second [set].
    void foreignLayoutsRead_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF[set]\r\nfilename=Show\r\n"
                                                       "datetime=1\r\n")
                                         << QByteArray("\xEF\xBB\xBF[set]\r\nfilename=Talk\r\n"
                                                       "datetime=1\r\nexistedfile=1\r\n");
        QTest::newRow("CR only") << QByteArray("[set]\rfilename=Show\rdatetime=1\r")
                                 << QByteArray("[set]\rfilename=Talk\rdatetime=1\rexistedfile=1\r");
        QTest::newRow("CR only, no final end")
            << QByteArray("[set]\rfilename=Show\rdatetime=1")
            << QByteArray("[set]\rfilename=Talk\rdatetime=1\rexistedfile=1\r");
        QTest::newRow("byte-order mark, CR only")
            << QByteArray("\xEF\xBB\xBF[set]\rfilename=Show\rdatetime=1\r")
            << QByteArray("\xEF\xBB\xBF[set]\rfilename=Talk\rdatetime=1\rexistedfile=1\r");
    }
    void foreignLayoutsRead() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        writeRaw(before);
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("Show"));
        QCOMPARE(ReadIni(path(), "set", "datetime"), QStringLiteral("1"));
        QVERIFY(WriteIni(path(), "set", "filename", "Talk"));
        QVERIFY(WriteIni(path(), "set", "existedfile", "1"));
        QCOMPARE(readRaw(), after);
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("Talk"));
        QCOMPARE(ReadIni(path(), "set", "existedfile"), QStringLiteral("1"));
    }

    // A value with a line break would split its line and could forge a key: it is refused
    // and the file stays as it was.
    void lineBreaksAreNeverWritten_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("LF") << QStringLiteral("/srv/a\nfilename=forged");
        QTest::newRow("CR") << QStringLiteral("/srv/a\rfilename=forged");
        QTest::newRow("CR LF") << QStringLiteral("/srv/a\r\n[mp3]\r\nMP3Bitrate=8");
        QTest::newRow("trailing LF") << QStringLiteral("/srv/a\n");
    }
    void lineBreaksAreNeverWritten() {
        QFETCH(QString, value);
        const QByteArray before = "[set]\r\noutputfolder=/srv/old\r\nfilename=Show\r\n";
        writeRaw(before);
        QVERIFY(!WriteIni(path(), "set", "outputfolder", value));
        QCOMPARE(readRaw(), before);
        QVERIFY(!WriteIni(path(), "set", "newkey", value));
        QCOMPARE(readRaw(), before);
        QFile::remove(path());
        QVERIFY(!WriteIni(path(), "set", "outputfolder", value));
        QVERIFY(!QFile::exists(path()));
    }

    void duplicateSectionsAndKeysUseTheFirst() {
        writeRaw("[set]\nfilename=first\nfilename=second\n[mp3]\nx=1\n[set]\nfilename=third\n"
                 "prefix=late\n");
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("first"));
        QCOMPARE(ReadIni(path(), "set", "prefix"), QString());
        QVERIFY(WriteIni(path(), "set", "filename", "new"));
        QCOMPARE(readRaw(), QByteArray("[set]\nfilename=new\nfilename=second\n[mp3]\nx=1\n[set]\n"
                                       "filename=third\nprefix=late\n"));
    }

    void binaryJunkNeverCrashesAndSurvivesWrites() {
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(static_cast<char>((i * 7919 + 13) & 0xff));
        writeRaw(junk);
        QCOMPARE(ReadIni(path(), "set", "filename"), QString());
        QVERIFY(WriteIni(path(), "set", "filename", "ok"));
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("ok"));
        QVERIFY(readRaw().startsWith(junk));
    }

    void largeFileIsRead() {
        QByteArray big = "[other]\n";
        for (int i = 0; i < 60000; ++i)
            big += "key" + QByteArray::number(i) + "=value\n";
        big += "[set]\nfilename=end\n";
        writeRaw(big);
        QCOMPARE(ReadIni(path(), "set", "filename"), QStringLiteral("end"));
        QCOMPARE(ReadIni(path(), "other", "key59999"), QStringLiteral("value"));
    }

    void unwritablePlacesFailQuietly() {
        QVERIFY(!WriteIni(dir.filePath("missing/settings.dat"), "set", "x", "1"));
        QVERIFY(!QDir(dir.filePath("missing")).exists());

        writeRaw("[set]\nfilename=kept\n");
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup));
        QVERIFY(!WriteIni(path(), "set", "filename", "changed"));
        QCOMPARE(readRaw(), QByteArray("[set]\nfilename=kept\n"));
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);

        // A folder where the file should be is left alone.
        QVERIFY(QDir(dir.path()).mkpath("asdir/settings.dat"));
        QVERIFY(!WriteIni(dir.filePath("asdir/settings.dat"), "set", "x", "1"));
        QCOMPARE(ReadIni(dir.filePath("asdir/settings.dat"), "set", "x"), QString());
    }

    void writeLeavesNoTemporaryFiles() {
        for (int i = 0; i < 5; ++i)
            QVERIFY(WriteIni(path(), "set", "n", QString::number(i)));
        const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        QCOMPARE(files, QStringList{QStringLiteral("settings.dat")});
    }

    void settingsFileLivesInProgramFolder() {
        pelvanto::setProgramFolderOverride(dir.path() + "/");
        QCOMPARE(pelvanto::Inifun::settingsFile(), dir.path() + "/settings.dat");
        pelvanto::setProgramFolderOverride(QString());
    }
};

QTEST_GUILESS_MAIN(TestInifun)
#include "tst_inifun.moc"
