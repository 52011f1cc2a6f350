// Starts that cannot begin, recordings that end without a file, and the way
// out of the program: nothing is lost or overwritten, and the user is told why.
#include "Form1TestUtil.h"
#include "Form5.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>

using namespace pelvanto;
using namespace form1test;

namespace {

QString pactl(const QStringList &args) {
    return QString::fromUtf8(testsupport::runTool(QStringLiteral("pactl"), args).out).trimmed();
}

QString panel(Form1 &form, const char *name) {
    return child<QLabel>(&form, name)->text();
}

// Every file in a folder, hidden ones included.
QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// A mount made for one test and undone at its end; needs root.
struct Mount {
    QString point;
    bool mounted = false;
    bool run(const QStringList &args) {
        return testsupport::runTool(QStringLiteral("mount"), args).exitCode == 0;
    }
    bool tmpfs(const QString &at, const QString &size) {
        point = at;
        mounted = run({"-t", "tmpfs", "-o", "size=" + size, "tmpfs", at});
        return mounted;
    }
    bool readOnly(const QString &at) {
        point = at;
        mounted = run({"--bind", at, at});
        return mounted && run({"-o", "remount,ro,bind", at});
    }
    ~Mount() {
        if (mounted)
            testsupport::runTool(QStringLiteral("umount"), {point});
    }
};

// A sound server that lists no recording device at all.
struct EmptyServer {
    QTemporaryDir dir;
    QProcess process;
    QString address() const { return QStringLiteral("unix:") + dir.filePath("native"); }
    bool start() {
        QDir(dir.path()).mkpath(QStringLiteral("run"));
        QFile::setPermissions(dir.filePath("run"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString script = dir.filePath(QStringLiteral("empty.pa"));
        testsupport::writeFile(script, ".fail\nload-module module-native-protocol-unix socket=" +
                                           QFile::encodeName(dir.filePath("native")) +
                                           " auth-anonymous=1\n");
        testsupport::writeFile(dir.filePath("client.conf"), "autospawn = no\nenable-memfd = no\n");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PULSE_RUNTIME_PATH"), dir.filePath("run"));
        env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), dir.filePath("client.conf"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("pulseaudio"),
                      {"-n", "-F", script, "--daemonize=no", "--exit-idle-time=-1",
                       "--use-pid-file=no", "--realtime=no", "--high-priority=no",
                       "--log-target=file:" + dir.filePath("pulse.log")});
        if (!process.waitForStarted())
            return false;
        for (int i = 0; i < 150; ++i) {
            if (QFileInfo::exists(dir.filePath("native")))
                return true;
            QTest::qWait(100);
        }
        return false;
    }
    ~EmptyServer() {
        if (process.state() != QProcess::NotRunning) {
            process.terminate();
            if (!process.waitForFinished(5000))
                process.kill();
            process.waitForFinished(5000);
        }
    }
};

// PULSE_SERVER for one test.
struct ServerOverride {
    QByteArray previous = qgetenv("PULSE_SERVER");
    explicit ServerOverride(const QString &address) { qputenv("PULSE_SERVER", address.toUtf8()); }
    ~ServerOverride() { qputenv("PULSE_SERVER", previous); }
};

} // namespace

class TestForm1StartFailures : public QObject {
    Q_OBJECT
private slots:
    void init() { REQUIRE_PULSE(); }

    // A start that cannot begin says why in a message and in the status panels, leaves no
    // file and lists nothing.
    void startThatCannotBeginSaysWhy_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("says");
        QTest::newRow("folder missing") << "missing"
                                        << "folder missing"
                                        << "does not exist";
        QTest::newRow("folder is a file") << "file"
                                          << "not a folder"
                                          << "is a file";
        QTest::newRow("name too long") << "long"
                                       << "name too long"
                                       << "too long";
        QTest::newRow("read-only folder") << "readonly"
                                          << "folder read-only"
                                          << "read-only";
    }
    void startThatCannotBeginSaysWhy() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QFETCH(QString, says);
        Environment env;
        env.plainNames();
        const QString folder = env.path(QStringLiteral("rec"));
        Mount mount;
        if (kind == QLatin1String("missing"))
            env.set("set", "outputfolder", env.path(QStringLiteral("rec/not/there")));
        if (kind == QLatin1String("file")) {
            QVERIFY(testsupport::writeFile(env.path(QStringLiteral("rec/plain")), "x"));
            env.set("set", "outputfolder", env.path(QStringLiteral("rec/plain")));
        }
        // 127 characters are storable, and 254 bytes with ".WAV" are more than a name may have.
        if (kind == QLatin1String("long"))
            env.set("set", "filename", QString(127, QChar(0xE9)));
        if (kind == QLatin1String("readonly") && !mount.readOnly(folder))
            QSKIP("a read-only bind mount needs root");
        const QStringList before = filesIn(folder);
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        form.StartRecord();
        QVERIFY(!form.isRecording());
        QCOMPARE(form.startFailure(), reason);
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].icon, QMessageBox::Critical);
        QVERIFY2(env.messages[0].text.contains(says), qPrintable(env.messages[0].text));
        QCOMPARE(panel(form, "Panel2"), QStringLiteral("Failed: ") + reason);
        QVERIFY(!panel(form, "Panel1").isEmpty());
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QCOMPARE(filesIn(folder), before);
        QVERIFY(child<QPushButton>(&form, "cmdrecord")->isEnabled());
    }

    // With "Overwrite the existed file", a start whose capture fails leaves the earlier
    // recording exactly as it was; the user is told why.
    void failedStartKeepsThePreviousTake() {
        REQUIRE_TOOL("pactl");
        const QString module = pactl({"load-module", "module-null-sink", "sink_name=form1_gone",
                                      "sink_properties=device.description=Form1_Gone"});
        QVERIFY(!module.isEmpty());
        bool unloaded = false;
        auto cleanup = qScopeGuard([&] {
            if (!unloaded)
                pactl({"unload-module", module});
        });
        Environment env;
        env.plainNames();
        const QString take = env.path(QStringLiteral("rec/rec.WAV"));
        const QByteArray earlier = "RIFF the earlier take, every byte of it";
        QVERIFY(testsupport::writeFile(take, earlier));
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("form1_gone.monitor")));
        pactl({"unload-module", module});
        unloaded = true;

        form.StartRecord();
        QVERIFY(!form.isRecording());
        QCOMPARE(testsupport::readFile(take), earlier);
        QCOMPARE(filesIn(env.path(QStringLiteral("rec"))), QStringList{"rec.WAV"});
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].text.startsWith(QLatin1String("The recording could not start")),
                 qPrintable(env.messages[0].text));
        QVERIFY(panel(form, "Panel2").startsWith(QLatin1String("Failed: ")));
    }

    // The earlier file is replaced once audio has reached the new one, and not before.
    void overwriteReplacesOnceAudioFlows() {
        REQUIRE_TOOL("ffprobe");
        Environment env;
        env.plainNames();
        const QString take = env.path(QStringLiteral("rec/rec.WAV"));
        const QByteArray earlier = "RIFF the earlier take";
        QVERIFY(testsupport::writeFile(take, earlier));
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        form.StartRecord();
        QVERIFY(form.isRecording());
        QCOMPARE(testsupport::readFile(take), earlier);
        QTRY_VERIFY_WITH_TIMEOUT(form.session()->framesWritten() > 0, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(testsupport::readFile(take) != earlier, 5000);
        QTest::qWait(300);
        form.StopRecord();
        QCOMPARE(filesIn(env.path(QStringLiteral("rec"))), QStringList{"rec.WAV"});
        QCOMPARE(row(form, 0)[1], take);
        const auto probe = testsupport::runTool(
            QStringLiteral("ffprobe"),
            {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", take});
        QCOMPARE(probe.exitCode, 0);
        QVERIFY2(probe.out.trimmed().toDouble() >= 1.0, probe.out.constData());
    }

    // On a full disk, repeated starts leave no empty files and list nothing. A start that
    // fails again while its message is still open (a hotkey, the schedule) adds no box.
    void fullDiskLeavesNoEmptyFiles() {
        Environment env;
        env.plainNames();
        env.set("set", "datetime", QStringLiteral("1"));
        const QString folder = env.path(QStringLiteral("rec"));
        Mount mount;
        if (!mount.tmpfs(folder, QStringLiteral("64k")))
            QSKIP("mounting a small tmpfs needs root");
        {
            QFile fill(folder + QStringLiteral("/fill"));
            QVERIFY(fill.open(QIODevice::WriteOnly));
            const QByteArray block(4096, 'x');
            while (fill.write(block) == block.size() && fill.flush()) {
            }
        }
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        QDateTime clock(QDate(2026, 12, 8), QTime(10, 0, 0));
        form.setClock([&clock] { return clock; });
        env.onMessage = [&](const Message &) {
            // Ctrl+R while the box is still open: that start fails the same way. (Bounded, so
            // that a program which stacks boxes fails here rather than nesting for ever.)
            if (env.messages.size() > 6)
                return;
            form.StartRecord();
            QTRY_VERIFY_WITH_TIMEOUT(!form.isRecording(), 10000);
        };
        for (int i = 0; i < 3; ++i) {
            clock = clock.addSecs(5);
            form.StartRecord();
            QTRY_VERIFY_WITH_TIMEOUT(!form.isRecording(), 10000);
        }
        env.onMessage = nullptr;
        QCOMPARE(filesIn(folder), QStringList{"fill"});
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QCOMPARE(env.messages.size(), 3);
        for (const Message &m : env.messages)
            QVERIFY2(m.text.contains(QLatin1String("full")), qPrintable(m.text));
        QCOMPARE(form.startFailure(), QStringLiteral("disk full"));
        QCOMPARE(panel(form, "Panel2"), QStringLiteral("Failed: disk full"));
    }

    // A folder deleted while recording takes the file with it: the user is told, and no
    // row claims a finished recording.
    void folderDeletedWhileRecording() {
        Environment env;
        env.plainNames();
        const QString folder = env.path(QStringLiteral("vanishing"));
        QVERIFY(QDir().mkpath(folder));
        env.set("set", "outputfolder", folder);
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        form.StartRecord();
        QVERIFY(form.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(form.session()->framesWritten() > 0, 10000);
        QVERIFY(QDir(folder).removeRecursively());
        form.StopRecord();
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].text.contains(QLatin1String("no longer exists")),
                 qPrintable(env.messages[0].text));
        QVERIFY(panel(form, "Panel2") != QLatin1String("Done"));
    }

    // Once exit has begun nothing starts a recording: a schedule row falling due while the
    // save prompt is open is marked failed, and the program ends with no recording running.
    void scheduleRowDueDuringExitPrompt() {
        Environment env;
        env.plainNames();
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        QVERIFY(recordMs(form, 300));
        QCOMPARE(form.recordedFiles().model().count(), 1);
        const QByteArray recorded = testsupport::readFile(env.path(QStringLiteral("rec/rec.WAV")));

        QDateTime now(QDate(2026, 12, 8), QTime(9, 0, 0));
        Form5 schedule(
            form, &form, [&now] { return now; }, env.path(QStringLiteral("sch.dat")));
        form.setScheduleWindow(&schedule);
        schedule.addItem({"2026-12-08 09:00:02", "2026-12-08 09:00:30", "", "Waiting", ""});
        bool startedDuringPrompt = false;
        env.answer = QMessageBox::Cancel;
        env.onMessage = [&](const Message &m) {
            if (!m.text.contains(QLatin1String("save the recording project")))
                return;
            now = now.addSecs(2);
            schedule.checkSchedule();
            startedDuringPrompt = form.isRecording();
        };
        form.exitsystem();
        QVERIFY(form.hasExited());
        QVERIFY(!startedDuringPrompt);
        QVERIFY(!form.isRecording());
        QCOMPARE(schedule.items()[0].status, QStringLiteral("Failed: program closing"));
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(form.recordedFiles().model().count(), 1);
        QCOMPARE(testsupport::readFile(env.path(QStringLiteral("rec/rec.WAV"))), recorded);
    }

    // A scheduled row whose recording cannot start says why in its status; the next row
    // runs as usual.
    void scheduledFailureIsMarkedAndNextRowRuns() {
        Environment env;
        env.plainNames();
        env.set("set", "outputfolder", env.path(QStringLiteral("later")));
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        QDateTime now(QDate(2026, 12, 8), QTime(9, 0, 0));
        Form5 schedule(
            form, &form, [&now] { return now; }, env.path(QStringLiteral("sch.dat")));
        schedule.addItem({"2026-12-08 09:00:01", "2026-12-08 09:00:04", "", "Waiting", ""});
        schedule.addItem({"2026-12-08 09:00:05", "2026-12-08 09:00:06", "", "Waiting", ""});
        now = now.addSecs(1);
        schedule.checkSchedule();
        QCOMPARE(schedule.items()[0].status, QStringLiteral("Failed: folder missing"));
        QVERIFY(!form.isRecording());
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("later"))));
        now = now.addSecs(4);
        schedule.checkSchedule();
        QVERIFY(form.isRecording());
        QCOMPARE(schedule.items()[1].status, QStringLiteral("Done"));
        QTest::qWait(1200);
        now = now.addSecs(1);
        schedule.checkSchedule();
        QVERIFY(!form.isRecording());
        QCOMPARE(form.recordedFiles().model().count(), 1);
    }

    // Without a sound server, or with one that lists no recording device, the window says
    // so with the likely cause, once at start and again when Record is pressed.
    void nothingToRecordFromIsExplained_data() {
        QTest::addColumn<bool>("serverRuns");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("says");
        QTest::newRow("no sound server") << false << "no sound server"
                                         << "PulseAudio or PipeWire";
        QTest::newRow("no recording device") << true << "no recording device"
                                             << "no recording device";
    }
    void nothingToRecordFromIsExplained() {
        QFETCH(bool, serverRuns);
        QFETCH(QString, reason);
        QFETCH(QString, says);
        EmptyServer server;
        if (serverRuns && !server.start())
            QFAIL("the empty sound server did not start");
        ServerOverride target(serverRuns ? server.address()
                                         : QStringLiteral("unix:/nonexistent/pelvanto/native"));
        Environment env;
        Form1 form;
        form.show();
        QTRY_COMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].text.contains(says), qPrintable(env.messages[0].text));
        QCOMPARE(panel(form, "Panel2"), reason);
        QVERIFY(!panel(form, "Panel1").isEmpty());
        QTest::qWait(100);
        QCOMPARE(env.messages.size(), 1);
        QTest::mouseClick(child<QPushButton>(&form, "cmdrecord"), Qt::LeftButton);
        QVERIFY(!form.isRecording());
        QCOMPARE(env.messages.size(), 2);
        QVERIFY2(env.messages[1].text.contains(reason == QLatin1String("no sound server")
                                                   ? QStringLiteral("no sound server")
                                                   : QStringLiteral("no recording device")),
                 qPrintable(env.messages[1].text));
        QCOMPARE(panel(form, "Panel2"), QStringLiteral("Failed: ") + reason);
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QCOMPARE(filesIn(env.dir.path()).filter(QStringLiteral("Recorded")), QStringList());
    }
};

QTEST_MAIN(TestForm1StartFailures)
#include "tst_form1_startfailures.moc"
