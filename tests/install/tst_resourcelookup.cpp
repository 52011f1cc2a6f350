// Where a copy of the program keeps the user's files and finds its own
// read-only ones, for a portable copy and an installed one. A probe built
// from the same code is copied into each layout and reports what it finds.
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using Places = QMap<QString, QString>;

class TestResourceLookup : public QObject {
    Q_OBJECT

    // $T: the test's root folder; $H: the fresh home inside it.
    static QString expand(QString text, const QString &root) {
        text.replace(QLatin1String("$H"), root + QStringLiteral("/home"));
        text.replace(QLatin1String("$T"), root);
        return text;
    }

    static bool makeFile(const QString &path, const QByteArray &content = "x") {
        return QDir().mkpath(QFileInfo(path).absolutePath()) &&
               testsupport::writeFile(path, content);
    }

    // Copies the probe to `where` (relative to root) and runs it in a fresh
    // home whose standard data folder is $T/sys.
    static Places runProbe(const QString &root, const QString &where,
                           const QStringList &args = {}) {
        const QString probe = root + QLatin1Char('/') + where + QStringLiteral("/placesprobe");
        if (!QFileInfo::exists(probe) &&
            (!QDir().mkpath(QFileInfo(probe).absolutePath()) ||
             !QFile::copy(qEnvironmentVariable("PELVANTO_TEST_TOOLS") + "/placesprobe", probe)))
            return {};
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_MUSIC_DIR"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), root + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_DATA_DIRS"), root + QStringLiteral("/sys"));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(probe, args);
        if (!p.waitForFinished(20000) || p.exitCode() != 0)
            return {};
        Places places;
        for (const QByteArray &line : p.readAllStandardOutput().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                places.insert(QString::fromLocal8Bit(line.left(eq)),
                              QString::fromLocal8Bit(line.mid(eq + 1)));
        }
        return places;
    }

private slots:
    void places_data() {
        QTest::addColumn<QString>("probeFolder");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<Places>("expected");

        const QStringList shared{
            "usr/share/pelvanto/help/index.html", "usr/share/pelvanto/skins/frmmain.skn",
            "usr/share/pelvanto/defaults/settings.dat", "usr/share/pelvanto/icons/pelvanto-48.png"};
        const QString config = QStringLiteral("$H/.config/Pelvanto/Pelvanto");

        QTest::newRow("portable copy keeps everything in its own folder")
            << "app"
            << QStringList{"app/help/index.html", "app/skins/frmmain.skn",
                           "app/defaults/settings.dat", "sys/pelvanto/help/index.html"}
            << Places{{"program", "$T/app"},
                      {"userconfig", "0"},
                      {"recordings", "$T/app"},
                      {"help", "$T/app/help/index.html"},
                      {"skin", "$T/app/skins/frmmain.skn"},
                      {"defaults", "$T/app/defaults/settings.dat"},
                      {"icon", ""}};
        QTest::newRow("installed copy: user's folders, shared resources")
            << "usr/bin" << shared
            << Places{{"program", config},
                      {"userconfig", "1"},
                      {"recordings", "$H/Music/Pelvanto"},
                      {"help", "$T/usr/share/pelvanto/help/index.html"},
                      {"skin", "$T/usr/share/pelvanto/skins/frmmain.skn"},
                      {"defaults", "$T/usr/share/pelvanto/defaults/settings.dat"},
                      {"icon", "$T/usr/share/pelvanto/icons/pelvanto-48.png"}};
        QTest::newRow("a user's own skin wins over the shipped one")
            << "usr/bin"
            << (QStringList(shared) << "home/.config/Pelvanto/Pelvanto/skins/frmmain.skn")
            << Places{{"skin", config + "/skins/frmmain.skn"},
                      {"help", "$T/usr/share/pelvanto/help/index.html"}};
        QTest::newRow("standard data folders come after the one beside the program")
            << "usr/bin"
            << QStringList{"usr/share/pelvanto/help/index.html", "sys/pelvanto/help/index.html",
                           "sys/pelvanto/skins/frmmain.skn"}
            << Places{{"help", "$T/usr/share/pelvanto/help/index.html"},
                      {"skin", "$T/sys/pelvanto/skins/frmmain.skn"},
                      {"defaults", ""}};
        QTest::newRow("a bare copy finds what is installed in the standard folders")
            << "app" << QStringList{"sys/pelvanto/help/index.html"}
            << Places{{"program", "$T/app"}, {"help", "$T/sys/pelvanto/help/index.html"}};
        QTest::newRow("nothing shipped anywhere")
            << "app" << QStringList{}
            << Places{{"help", ""}, {"skin", ""}, {"defaults", ""}, {"icon", ""}};
        QTest::newRow("recordings follow the user's own music folder")
            << "usr/bin" << (QStringList(shared) << "home/.config/user-dirs.dirs")
            << Places{{"recordings", "$H/Tunes/Pelvanto"}};
    }
    void places() {
        QFETCH(QString, probeFolder);
        QFETCH(QStringList, files);
        QFETCH(Places, expected);
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath("home"));
        for (const QString &f : files) {
            const QByteArray content = f.endsWith("user-dirs.dirs")
                                           ? QByteArray("XDG_MUSIC_DIR=\"$HOME/Tunes\"\n")
                                           : QByteArray("x");
            QVERIFY2(makeFile(root.filePath(f), content), qPrintable(f));
        }
        const Places seen = runProbe(root.path(), probeFolder);
        QVERIFY2(!seen.isEmpty(), "the probe did not run");
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            const QString want = expand(it.value(), root.path());
            QCOMPARE(seen.value(it.key()), want);
        }
        // The folders the user's files go to exist once they are named.
        QVERIFY(QFileInfo(seen.value("program")).isDir());
        QVERIFY(QFileInfo(seen.value("recordings")).isDir());
    }

    void firstStartCopiesTheShippedSettingsOnce() {
        QTemporaryDir root;
        const QByteArray shipped = "[other]\r\nnotch=0\r\n";
        QVERIFY(makeFile(root.filePath("usr/share/pelvanto/defaults/settings.dat"), shipped));
        const QString settings = root.filePath("home/.config/Pelvanto/Pelvanto/settings.dat");

        Places first = runProbe(root.path(), "usr/bin", {"first-start"});
        QCOMPARE(first.value("installed"), QStringLiteral("1"));
        QCOMPARE(testsupport::readFile(settings), shipped);

        // From then on the file is the user's.
        QVERIFY(testsupport::writeFile(settings, "[other]\r\nnotch=1\r\n"));
        Places second = runProbe(root.path(), "usr/bin", {"first-start"});
        QCOMPARE(second.value("installed"), QStringLiteral("0"));
        QCOMPARE(testsupport::readFile(settings), QByteArray("[other]\r\nnotch=1\r\n"));
    }

    void portableFirstStartWritesBesideTheProgram() {
        QTemporaryDir root;
        QVERIFY(makeFile(root.filePath("app/defaults/settings.dat"), "[set]\r\n"));
        Places first = runProbe(root.path(), "app", {"first-start"});
        QCOMPARE(first.value("installed"), QStringLiteral("1"));
        QCOMPARE(testsupport::readFile(root.filePath("app/settings.dat")), QByteArray("[set]\r\n"));
        QVERIFY(!QFileInfo::exists(root.filePath("home/.config/Pelvanto")));
    }
};

QTEST_GUILESS_MAIN(TestResourceLookup)
#include "tst_resourcelookup.moc"
