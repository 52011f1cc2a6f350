// A recording that cannot go on (device gone, file cannot grow) is stopped
// through StopRecord: the file is closed and listed and the user is told.
#include "Form1TestUtil.h"

#include <QFileInfo>
#include <QScopeGuard>

#include <csignal>
#include <sys/resource.h>

using namespace pelvanto;
using namespace form1test;

namespace {
QString pactl(const QStringList &args) {
    return QString::fromUtf8(testsupport::runTool(QStringLiteral("pactl"), args).out).trimmed();
}
} // namespace

class TestForm1Failures : public QObject {
    Q_OBJECT
private slots:
    void init() { REQUIRE_PULSE(); }

    void deviceLossStopsAndLists() {
        REQUIRE_TOOL("pactl");
        REQUIRE_TOOL("ffprobe");
        const QString module =
            pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                   QStringLiteral("sink_name=form1_lost"),
                   QStringLiteral("sink_properties=device.description=Form1_Unplugged")});
        QVERIFY(!module.isEmpty());
        bool unloaded = false;
        auto cleanup = qScopeGuard([&] {
            if (!unloaded)
                pactl({QStringLiteral("unload-module"), module});
        });
        Environment env;
        env.plainNames();
        bool listedBeforeMessage = false;
        Form1 *formPtr = nullptr;
        env.onMessage = [&](const Message &) {
            listedBeforeMessage = formPtr != nullptr && !formPtr->isRecording() &&
                                  formPtr->recordedFiles().model().count() == 1;
        };
        Form1 form;
        formPtr = &form;
        QVERIFY(chooseDevice(form, QStringLiteral("form1_lost.monitor")));
        qint64 seen = 0;
        connect(form.audioRecord(), &AudioRecord::Timer, &form,
                [&seen](qint64 s, int, int) { seen = s; });
        form.StartRecord();
        QVERIFY(form.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(seen >= 66150, 20000); // 1.5 s
        pactl({QStringLiteral("unload-module"), module});
        unloaded = true;
        QTRY_VERIFY_WITH_TIMEOUT(!form.isRecording(), 10000);
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].icon, QMessageBox::Critical);
        QVERIFY2(env.messages[0].text.contains(QLatin1String("device")),
                 qPrintable(env.messages[0].text));
        QVERIFY(listedBeforeMessage);
        const QString path = env.path(QStringLiteral("rec/rec.WAV"));
        QCOMPARE(row(form, 0)[1], path);
        // Everything captured before the loss is in a well-formed file.
        const auto probe = testsupport::runTool(
            QStringLiteral("ffprobe"),
            {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path});
        QCOMPARE(probe.exitCode, 0);
        QVERIFY2(probe.out.trimmed().toDouble() >= 1.4, probe.out.constData());
    }

    void fileSizeLimitStopsAndLists() {
        REQUIRE_TOOL("ffprobe");
        Environment env;
        env.plainNames();
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));

        // The file may not grow past 300 kB: a full disk as the writer meets it.
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        rlimit limited = old;
        limited.rlim_cur = 300000;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &old);
            std::signal(SIGXFSZ, previous);
        });

        form.StartRecord(); // 44.1 kHz stereo WAV: 176 kB a second
        QVERIFY(form.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(!form.isRecording(), 20000);
        restore.dismiss();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(form.recordedFiles().model().count(), 1);
        const QString path = env.path(QStringLiteral("rec/rec.WAV"));
        QCOMPARE(row(form, 0)[1], path);
        QVERIFY(QFileInfo(path).size() <= 300000);
        // What was written before the limit is still a readable recording.
        const auto probe = testsupport::runTool(
            QStringLiteral("ffprobe"),
            {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path});
        QCOMPARE(probe.exitCode, 0);
        QVERIFY2(probe.out.trimmed().toDouble() >= 0.9, probe.out.constData());
    }
};

QTEST_MAIN(TestForm1Failures)
#include "tst_form1_failures.moc"
