#include "Inifun.h"
#include "OutputPath.h"
#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using pelvanto::OutputFileSettings;
using pelvanto::OutputPathBuilder;
using pelvanto::Inifun::WriteIni;

class TestOutputPath : public QObject {
    Q_OBJECT

    QTemporaryDir dir;     // the output folder
    QTemporaryDir program; // the program folder
    QString settings() const { return program.filePath(QStringLiteral("settings.dat")); }
    QString out(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }

    static void touch(const QString &path) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    void writeSet(const char *key, const QString &value) {
        QVERIFY(WriteIni(settings(), QStringLiteral("set"), QString::fromLatin1(key), value));
    }
    static QDateTime at(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
    }

private slots:
    void initTestCase() { pelvanto::setProgramFolderOverride(program.path()); }
    void cleanupTestCase() { pelvanto::setProgramFolderOverride({}); }
    void init() {
        QFile::remove(settings());
        QDir d(dir.path());
        for (const QString &f : d.entryList(QDir::Files | QDir::Hidden | QDir::System))
            QVERIFY(d.remove(f));
    }

    void dateTimeNameFromSettings() {
        writeSet("outputfolder", dir.path());
        writeSet("filename", QStringLiteral("rec"));
        writeSet("datetime", QStringLiteral("1"));
        const QDateTime start = at(2006, 12, 3, 14, 7, 9, 400);
        // The start time is read first, the name's time after it.
        QList<QDateTime> ticks{start, start.addMSecs(700)};
        OutputPathBuilder builder([&ticks] { return ticks.takeFirst(); });
        const auto plan = builder.plan(settings(), QStringLiteral("MP3"), 0);
        QCOMPARE(plan.path, out(QStringLiteral("rec120306140710.MP3")));
        QCOMPARE(plan.startTime, start);
    }

    void stampIsTwentyFourHourWithTwoDigitYear() {
        QCOMPARE(OutputPathBuilder::dateTimeStamp(at(2009, 1, 2, 3, 4, 5)),
                 QStringLiteral("010209030405"));
        QCOMPARE(OutputPathBuilder::dateTimeStamp(at(2010, 11, 30, 23, 59, 58)),
                 QStringLiteral("113010235958"));
        QCOMPARE(OutputPathBuilder::dateTimeStamp(at(2000, 7, 7, 0, 0, 0)),
                 QStringLiteral("070700000000"));
    }

    void absentKeysMeanProgramFolderNoPrefixAndDateTime() {
        const QDateTime t = at(2012, 5, 6, 7, 8, 9);
        OutputPathBuilder builder([t] { return QDateTime(t); });
        QCOMPARE(builder.plan(settings(), QStringLiteral("WAV"), 3).path,
                 program.path() + QStringLiteral("/050612070809.WAV"));
        // "0" for the folder and a datetime that is not a number behave the same.
        writeSet("outputfolder", QStringLiteral("0"));
        writeSet("datetime", QStringLiteral("yes"));
        QCOMPARE(builder.plan(settings(), QStringLiteral("WAV"), 3).path,
                 program.path() + QStringLiteral("/050612070809.WAV"));
        writeSet("datetime", QStringLiteral("2")); // a number other than 1 is off
        QCOMPARE(builder.plan(settings(), QStringLiteral("WAV"), 3).path,
                 program.path() + QStringLiteral("/Recorded.WAV"));
    }

    void plainNameAndNumbering() {
        OutputFileSettings s;
        s.folder = dir.path();
        s.prefix = QStringLiteral("rec");
        s.dateTime = false;
        const QDateTime t = at(2006, 12, 3, 14, 7, 9);
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 4, t),
                 out(QStringLiteral("rec.WAV")));
        touch(out(QStringLiteral("rec.WAV")));
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 4, t),
                 out(QStringLiteral("rec_5.WAV")));
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 0, t),
                 out(QStringLiteral("rec_1.WAV")));
        // Another format's extension is another name.
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("MP3"), 4, t),
                 out(QStringLiteral("rec.MP3")));
    }

    void numberedNameNeverReplacesAFile() {
        OutputFileSettings s;
        s.folder = dir.path();
        s.prefix = QStringLiteral("rec");
        s.dateTime = false;
        touch(out(QStringLiteral("rec.WAV")));
        touch(out(QStringLiteral("rec_5.WAV")));
        touch(out(QStringLiteral("rec_6.WAV")));
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 4, QDateTime()),
                 out(QStringLiteral("rec_7.WAV")));
        // A dangling link is a name in use too.
        QVERIFY(QFile::link(out(QStringLiteral("gone")), out(QStringLiteral("rec_7.WAV"))));
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 4, QDateTime()),
                 out(QStringLiteral("rec_8.WAV")));
    }

    void overwriteChoiceKeepsThePlainName() {
        writeSet("outputfolder", dir.path());
        writeSet("filename", QStringLiteral("rec"));
        writeSet("datetime", QStringLiteral("0"));
        writeSet("existedfile", QStringLiteral("1"));
        touch(out(QStringLiteral("rec.WAV")));
        OutputPathBuilder builder([] { return QDateTime::currentDateTime(); });
        QCOMPARE(builder.plan(settings(), QStringLiteral("WAV"), 4).path,
                 out(QStringLiteral("rec.WAV")));
        // "existedfile" that is not a number counts as "add a number".
        writeSet("existedfile", QStringLiteral("overwrite"));
        QCOMPARE(builder.plan(settings(), QStringLiteral("WAV"), 4).path,
                 out(QStringLiteral("rec_5.WAV")));
        writeSet("existedfile", QStringLiteral("0"));
        QCOMPARE(builder.plan(settings(), QStringLiteral("WAV"), 4).path,
                 out(QStringLiteral("rec_5.WAV")));
    }

    void sameSecondTwiceGetsANumber() {
        OutputFileSettings s;
        s.folder = dir.path();
        s.prefix = QStringLiteral("rec");
        s.dateTime = true;
        s.overwrite = true; // concerns only the plain name
        const QDateTime t = at(2006, 12, 3, 14, 7, 9);
        const QString first = OutputPathBuilder::buildPath(s, QStringLiteral("OGG"), 0, t);
        QCOMPARE(first, out(QStringLiteral("rec120306140709.OGG")));
        touch(first);
        const QString second = OutputPathBuilder::buildPath(s, QStringLiteral("OGG"), 1, t);
        QCOMPARE(second, out(QStringLiteral("rec120306140709_2.OGG")));
        touch(second);
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("OGG"), 2, t),
                 out(QStringLiteral("rec120306140709_3.OGG")));
    }

    // Without a prefix and without the date and time a recording would be named
    // by its extension alone, a hidden file: it is named "Recorded" instead.
    void emptyPrefixNamesRecorded_data() {
        QTest::addColumn<bool>("dateTime");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("numbered") << false << false << "Recorded.WAV"
                                  << "Recorded_3.WAV";
        QTest::newRow("overwrite") << false << true << "Recorded.WAV"
                                   << "Recorded.WAV";
        QTest::newRow("date and time") << true << false << "120306140709.WAV"
                                       << "120306140709_2.WAV";
    }
    void emptyPrefixNamesRecorded() {
        QFETCH(bool, dateTime);
        QFETCH(bool, overwrite);
        QFETCH(QString, first);
        QFETCH(QString, second);
        OutputFileSettings s;
        s.folder = dir.path();
        s.dateTime = dateTime;
        s.overwrite = overwrite;
        const QDateTime t = at(2006, 12, 3, 14, 7, 9);
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 0, t), out(first));
        touch(out(first));
        auto cleanup = qScopeGuard([&] { QFile::remove(out(first)); });
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("WAV"), 2, t), out(second));
    }

    void extensionCase() {
        OutputFileSettings s;
        s.folder = dir.path();
        s.dateTime = false;
        s.prefix = QStringLiteral("take");
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("Raw"), 0, QDateTime()),
                 out(QStringLiteral("take.Raw")));
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("G726"), 0, QDateTime()),
                 out(QStringLiteral("take.G726")));
        // A differently cased file is another file on this system.
        touch(out(QStringLiteral("take.raw")));
        QCOMPARE(OutputPathBuilder::buildPath(s, QStringLiteral("Raw"), 0, QDateTime()),
                 out(QStringLiteral("take.Raw")));
    }

    void folderWithBlanksAndTrailingSeparator() {
        WriteIni(settings(), QStringLiteral("set"), QStringLiteral("outputfolder"),
                 QStringLiteral("  ") + dir.path() + QStringLiteral("/  "));
        WriteIni(settings(), QStringLiteral("set"), QStringLiteral("filename"),
                 QStringLiteral("My Take"));
        WriteIni(settings(), QStringLiteral("set"), QStringLiteral("datetime"),
                 QStringLiteral("0"));
        OutputPathBuilder builder([] { return QDateTime::currentDateTime(); });
        QCOMPARE(builder.plan(settings(), QStringLiteral("MP3"), 0).path,
                 out(QStringLiteral("My Take.MP3")));
    }
};

QTEST_GUILESS_MAIN(TestOutputPath)
#include "tst_outputpath.moc"
