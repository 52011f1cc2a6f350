// A staged install (DESTDIR) of the whole program: its layout, the desktop
// entry and metadata checked by the desktop's own validators, the command
// line, and the installed copy started as a user would, with a fresh home.
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
const QString kAppId = QStringLiteral("org.pelvanto.Pelvanto");

// key=value lines of a desktop entry's main group.
QMap<QString, QString> desktopEntry(const QString &path) {
    QMap<QString, QString> keys;
    const QList<QByteArray> lines = testsupport::readFile(path).split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            keys.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return keys;
}

bool waitFor(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(100);
    }
    return true;
}

// Share of a picture's pixels that have exactly one colour.
double shareOf(const QImage &image, QRgb colour) {
    qint64 hits = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            hits += (image.pixel(x, y) & 0xffffff) == (colour & 0xffffff) ? 1 : 0;
    return image.isNull() ? 0.0 : static_cast<double>(hits) / (image.width() * image.height());
}
} // namespace

class TestInstalled : public QObject {
    Q_OBJECT

    QTemporaryDir stage_;

    QString installed(const QString &relative) const {
        return stage_.path() + QStringLiteral("/usr/") + relative;
    }
    QString program() const { return installed(QStringLiteral("bin/pelvanto")); }

private slots:
    void initTestCase() {
        QVERIFY(stage_.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), stage_.path());
        const auto r = testsupport::runTool(
            QStringLiteral(PELVANTO_CMAKE),
            {"--install", QStringLiteral(PELVANTO_BUILD_DIR), "--prefix", "/usr"}, env, 180000);
        QVERIFY2(r.exitCode == 0, r.err.constData());
    }

    void layout_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("iconSize"); // 0: not an icon
        for (const char *p :
             {"bin/pelvanto", "share/pelvanto/help/index.html", "share/pelvanto/help/help.css",
              "share/pelvanto/skins/frmmain.skn", "share/pelvanto/defaults/settings.dat",
              "share/pelvanto/icons/pelvanto.svg",
              "share/applications/org.pelvanto.Pelvanto.desktop",
              "share/metainfo/org.pelvanto.Pelvanto.metainfo.xml",
              "share/icons/hicolor/scalable/apps/org.pelvanto.Pelvanto.svg"})
            QTest::newRow(p) << QString::fromLatin1(p) << 0;
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString theme =
                QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(kAppId);
            QTest::newRow(qPrintable(theme)) << theme << size;
            const QString own = QStringLiteral("share/pelvanto/icons/pelvanto-%1.png").arg(size);
            QTest::newRow(qPrintable(own)) << own << size;
        }
    }
    void layout() {
        QFETCH(QString, path);
        QFETCH(int, iconSize);
        const QFileInfo info(installed(path));
        QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
        if (path.startsWith(QLatin1String("bin/")))
            QVERIFY(info.isExecutable());
        if (iconSize > 0) {
            const QImage icon(info.filePath());
            QCOMPARE(icon.size(), QSize(iconSize, iconSize));
            QVERIFY(icon.hasAlphaChannel());
        }
    }

    void onlyTheProgramGoesIntoBin() {
        QCOMPARE(QDir(installed("bin")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{"pelvanto"});
    }

    void validators_data() {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("desktop-file-validate")
            << "desktop-file-validate"
            << QStringList{installed("share/applications/" + kAppId + ".desktop")};
        QTest::newRow("appstreamcli")
            << "appstreamcli"
            << QStringList{"validate", "--no-net",
                           installed("share/metainfo/" + kAppId + ".metainfo.xml")};
    }
    void validators() {
        QFETCH(QString, tool);
        QFETCH(QStringList, args);
        if (!testsupport::hasTool(tool))
            QSKIP("validator not installed");
        const auto r = testsupport::runTool(tool, args, QProcessEnvironment::systemEnvironment());
        QVERIFY2(r.exitCode == 0, (r.out + r.err).constData());
    }

    void desktopEntryStartsTheInstalledProgram() {
        const auto entry = desktopEntry(installed("share/applications/" + kAppId + ".desktop"));
        QCOMPARE(entry.value("Name"), QStringLiteral("Pelvanto"));
        QVERIFY(!entry.value("Comment").isEmpty());
        // Started from the menu by name, through PATH: bin/pelvanto of the same prefix.
        QCOMPARE(entry.value("Exec"), QStringLiteral("pelvanto"));
        QVERIFY(QFileInfo(installed("bin/" + entry.value("Exec"))).isExecutable());
        QCOMPARE(entry.value("Icon"), kAppId);
        QVERIFY(
            QFileInfo::exists(installed("share/icons/hicolor/scalable/apps/" + kAppId + ".svg")));
        const QStringList categories = entry.value("Categories").split(';', Qt::SkipEmptyParts);
        QCOMPARE(categories, (QStringList{"AudioVideo", "Audio", "Recorder"}));
    }

    void metadataNamesThisRelease() {
        QFile file(installed("share/metainfo/" + kAppId + ".metainfo.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString launchable;
        QString release;
        QStringList captions;
        int screenshots = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("launchable"))
                launchable = xml.readElementText();
            else if (xml.name() == QLatin1String("release"))
                release = xml.attributes().value("version").toString();
            else if (xml.name() == QLatin1String("screenshot"))
                ++screenshots;
            else if (xml.name() == QLatin1String("caption"))
                captions << xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(launchable, kAppId + ".desktop");
        QCOMPARE(release, QStringLiteral(PELVANTO_VERSION));
        QVERIFY(screenshots >= 1);
        QCOMPARE(captions.size(), screenshots);
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("--version") << QStringList{"--version"} << 0
                                   << QByteArray("Pelvanto " PELVANTO_VERSION "\n") << QByteArray();
        QTest::newRow("--help") << QStringList{"--help"} << 0
                                << QByteArray("Usage: pelvanto [--help] [--version]\n")
                                << QByteArray();
        QTest::newRow("unknown option") << QStringList{"--minimized"} << 2 << QByteArray()
                                        << QByteArray("pelvanto: unknown option '--minimized'\n"
                                                      "Usage: pelvanto [--help] [--version]\n");
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        // No display at all: a window system connection would end the program here.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const auto r = testsupport::runTool(program(), args, env, 20000);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.out.startsWith(out), r.out.constData());
        QCOMPARE(r.err, err);
    }

    void startsAsAUserWouldFromTheMenu() {
        REQUIRE_X11();
        REQUIRE_PULSE();
        REQUIRE_TOOL("xdotool");
        REQUIRE_TOOL("xprop");
        QTemporaryDir home;
        const QString runtime = home.filePath("runtime");
        const QString tools = home.filePath("tools");
        QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(tools) &&
                QDir().mkpath(home.filePath("nodata")));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        // The desktop's opener, writing down what it is asked to open.
        const QString opened = home.filePath("opened.txt");
        QVERIFY(testsupport::writeFile(tools + "/xdg-open",
                                       "#!/bin/sh\necho \"$@\" >>'" + opened.toUtf8() + "'\n"));
        QFile::setPermissions(tools + "/xdg-open",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_MUSIC_DIR",
                                 "QT_QPA_PLATFORM", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION"})
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", home.path());
        // The staged copy must find its files beside itself, not in this machine's /usr/share.
        env.insert("XDG_DATA_DIRS", home.filePath("nodata"));
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("DISPLAY", testsupport::x11Display());
        env.insert("PATH", tools + ":" + env.value("PATH"));

        QProcess pelvanto;
        pelvanto.setProcessEnvironment(env);
        pelvanto.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        pelvanto.start(program(), {});
        QVERIFY(pelvanto.waitForStarted(10000));
        auto stop = qScopeGuard([&pelvanto] {
            pelvanto.terminate();
            if (!pelvanto.waitForFinished(5000)) {
                pelvanto.kill();
                pelvanto.waitForFinished();
            }
        });

        QByteArray window;
        QVERIFY2(waitFor(
                     [&] {
                         const auto r = testsupport::runTool(
                             "xdotool", {"search", "--onlyvisible", "--name", "^Pelvanto v"});
                         window = r.out.split('\n').value(0).trimmed();
                         return !window.isEmpty();
                     },
                     30000),
                 "the main window did not show");
        QTest::qWait(500); // first paint

        // The default settings landed in the user's folder.
        const QString settings = home.filePath(".config/Pelvanto/Pelvanto/settings.dat");
        QCOMPARE(testsupport::readFile(settings),
                 testsupport::readFile(installed("share/pelvanto/defaults/settings.dat")));

        // The shipped skin styles the window: its background and the elapsed-time digits.
        const QImage shot =
            QGuiApplication::primaryScreen()->grabWindow(window.toULongLong()).toImage();
        QVERIFY(!shot.isNull());
        QVERIFY2(shareOf(shot, qRgb(0x2b, 0x30, 0x38)) > 0.1, "no skin background");
        QVERIFY2(shareOf(shot, qRgb(0x14, 0x17, 0x1c)) > 0.001, "no skinned elapsed-time label");

        // The window carries the program's icon in its sizes.
        const auto icon = testsupport::runTool("xprop", {"-id", window, "_NET_WM_ICON"});
        for (const char *size : {"Icon (16 x 16)", "Icon (48 x 48)", "Icon (128 x 128)"})
            QVERIFY2(icon.out.contains(size), size);

        // Help opens the installed page.
        testsupport::runTool("xdotool", {"windowfocus", "--sync", window});
        testsupport::runTool("xdotool", {"key", "--clearmodifiers", "alt+h"});
        QTest::qWait(300);
        testsupport::runTool("xdotool", {"key", "--clearmodifiers", "Return"});
        QVERIFY2(waitFor([&] { return QFileInfo(opened).size() > 0; }, 10000), "help not opened");
        const QString help = installed("share/pelvanto/help/index.html");
        QCOMPARE(QString::fromUtf8(testsupport::readFile(opened)).trimmed(),
                 QUrl::fromLocalFile(help).toString());

        // A recording with the hotkeys lands in the user's music folder, not a hidden one.
        const QDir music(home.filePath("Music/Pelvanto"));
        testsupport::runTool("xdotool", {"key", "--clearmodifiers", "ctrl+r"});
        QVERIFY2(waitFor([&] { return !music.entryList(QDir::Files).isEmpty(); }, 10000),
                 "no recording in ~/Music/Pelvanto");
        QTest::qWait(1000);
        testsupport::runTool("xdotool", {"key", "--clearmodifiers", "ctrl+s"});
        const QStringList files = music.entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY2(files.first().startsWith("Recorded") && files.first().endsWith(".WAV"),
                 qPrintable(files.first()));
        QVERIFY(
            waitFor([&] { return QFileInfo(music.filePath(files.first())).size() > 44100; }, 5000));
    }
};

int main(int argc, char *argv[]) {
    // Without the test X server the checks that need no screen still run.
    if (testsupport::x11Display().isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    TestInstalled test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_installed.moc"
