// Start-up: from creating the main window to its being shown, median of runs.
// Recording: CPU time of this process per second of MP3 recorded with both
// displays visible (share of one core), against a GStreamer pipeline capturing
// from the same source and encoding MP3 128 kbit/s CBR over the same seconds
// (gst-launch-1.0: pulsesrc ! audioconvert ! lamemp3enc), and lame's CPU time
// for the same audio. Needs the test sound server (tools/services.sh) for the
// recording part.
#include "Form1.h"
#include "Inifun.h"
#include "RecordedFilesView.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioRecord.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>

using namespace pelvanto;

namespace {

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds per thread name, from /proc (user + system).
QMap<QString, double> threadCpu() {
    QMap<QString, double> out;
    const double tick = static_cast<double>(sysconf(_SC_CLK_TCK));
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(tid + QStringLiteral("/stat")));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const qsizetype open = stat.indexOf('(');
        const qsizetype close = stat.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QString name = QString::fromUtf8(stat.mid(open + 1, close - open - 1));
        // Fields after the name: state is field 3, utime 14 and stime 15.
        const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
        if (fields.size() < 13)
            continue;
        out[name] += (fields[11].toDouble() + fields[12].toDouble()) / tick;
    }
    return out;
}

// CPU seconds of another process so far, all its threads, to the nanosecond (the scheduler's
// own count, not clock ticks); -1 when it is gone.
double processCpu(qint64 pid) {
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    if (!tasks.exists())
        return -1;
    double ns = 0;
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(tasks.filePath(tid + QStringLiteral("/schedstat")));
        if (f.open(QIODevice::ReadOnly))
            ns += f.readAll().split(' ').value(0).toDouble();
    }
    return ns / 1e9;
}

// The reference: GStreamer capturing from the same source and encoding MP3 128 kbit/s CBR,
// drawing nothing. Runs beside the recording, so both meet the same machine load.
class GstRecording {
public:
    bool start(const QString &device, const QString &mp3) {
        if (QStandardPaths::findExecutable(QStringLiteral("gst-launch-1.0")).isEmpty())
            return false;
        // The plugin registry is built on a first run: not part of the figure.
        QProcess inspect;
        inspect.setStandardOutputFile(QProcess::nullDevice());
        inspect.start(QStringLiteral("gst-inspect-1.0"), {QStringLiteral("lamemp3enc")});
        inspect.waitForFinished(60000);
        process_.setProgram(QStringLiteral("gst-launch-1.0"));
        process_.setArguments({"-q", "pulsesrc", "device=" + device, "!",
                               "audio/x-raw,format=S16LE,rate=44100,channels=2", "!",
                               "audioconvert", "!", "lamemp3enc", "target=bitrate", "bitrate=128",
                               "cbr=true", "!", "filesink", "location=" + mp3});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        return process_.waitForStarted();
    }
    double cpu() const { return processCpu(process_.processId()); }
    bool running() const { return process_.state() == QProcess::Running; }
    void stop() {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished();
        }
    }

private:
    QProcess process_;
};

void set(const char *section, const char *key, const QString &value) {
    Inifun::WriteIni(Inifun::settingsFile(), QString::fromLatin1(section), QString::fromLatin1(key),
                     value);
}

double startUpMs() {
    QElapsedTimer t;
    t.start();
    Form1 form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return -1;
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    form.exitsystem();
    return ms;
}

// Records `seconds` of MP3 with both displays visible and prints the CPU share.
bool measureRecording(const QTemporaryDir &dir, bool filters, qint64 seconds) {
    for (const char *k : {"notch", "highpass", "lowpass", "autogain"})
        set("other", k, filters ? QStringLiteral("1") : QStringLiteral("0"));
    Form1 form;
    form.resize(900, 700);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::printf("the window was not shown\n");
    auto *encoders = form.findChild<QComboBox *>(QStringLiteral("cboEncoders"));
    if (form.audioRecord() == nullptr || encoders == nullptr || encoders->count() == 0) {
        std::printf("recording: skipped (no recording device; start tools/services.sh)\n");
        return true;
    }
    encoders->setCurrentIndex(1);
    GstRecording gst;
    const bool withGst =
        gst.start(form.audioRecord()->DeviceId(), dir.filePath(QStringLiteral("gst.mp3")));
    qint64 seen = 0;
    qint64 until = 0;
    // The program's own event loop runs while we wait, as it does for a user; polling
    // with short sleeps would add wake-ups of the benchmark's own to the figure.
    QEventLoop loop;
    QObject::connect(form.audioRecord(), &AudioRecord::Timer, &form,
                     [&seen, &until, &loop](qint64 s, int, int) {
                         seen = s;
                         if (seen >= until)
                             loop.quit();
                     });
    form.StartRecord();
    if (!form.isRecording()) {
        std::printf("recording: the recorder did not start\n");
        return false;
    }
    // Settle, then measure over whole seconds of captured audio.
    until = 44100;
    if (seen < until)
        loop.exec();
    const qint64 from = seen;
    const double cpu0 = cpuSeconds(RUSAGE_SELF);
    const double gst0 = withGst ? gst.cpu() : -1;
    const QMap<QString, double> threads0 = threadCpu();
    QElapsedTimer wall;
    wall.start();
    until = from + seconds * 44100;
    loop.exec();
    const double cpu = cpuSeconds(RUSAGE_SELF) - cpu0;
    const double gstCpu = withGst && gst.running() ? gst.cpu() - gst0 : -1;
    const QMap<QString, double> threads1 = threadCpu();
    const double wallS = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    const double audioS = static_cast<double>(seen - from) / 44100.0;
    form.StopRecord();
    const QString mp3 = form.recordedFiles().model().items().last().path;
    std::printf(
        "recording MP3 128 kbit/s 44.1 kHz stereo, both displays visible, input filters "
        "and gain control %s:\n"
        "  %.2f s CPU for %.1f s of audio (%.1f s wall): %.2f %% of one core (goal <= 3 %%)\n",
        filters ? "on" : "off", cpu, audioS, wallS, 100.0 * cpu / wallS);

    QStringList perThread;
    for (auto it = threads1.cbegin(); it != threads1.cend(); ++it) {
        const double used = it.value() - threads0.value(it.key());
        if (used >= 0.005)
            perThread << QStringLiteral("%1 %2 %").arg(it.key()).arg(100.0 * used / wallS, 0, 'f',
                                                                     2);
    }
    std::printf("  by thread: %s\n", qPrintable(perThread.join(QStringLiteral(", "))));
    if (gstCpu > 0)
        std::printf("  GStreamer pulsesrc ! audioconvert ! lamemp3enc (CBR 128) over the same "
                    "seconds: %.2f s CPU; Pelvanto/GStreamer = %.2f (goal <= 0.75)\n",
                    gstCpu, cpu / gstCpu);
    else
        std::printf("  GStreamer: not measured (needs gst-launch-1.0 with the pulse and lame "
                    "plugins)\n");
    if (withGst)
        gst.stop();

    // lame encoding the same audio (decoded by ffmpeg to WAV first).
    const QString wav = dir.filePath(QStringLiteral("same.wav"));
    QProcess::execute(QStringLiteral("ffmpeg"),
                      {"-v", "error", "-y", "-i", mp3, "-t", QString::number(audioS), wav});
    const double child0 = cpuSeconds(RUSAGE_CHILDREN);
    const int rc =
        QProcess::execute(QStringLiteral("lame"),
                          {"--quiet", "-b", "128", wav, dir.filePath(QStringLiteral("lame.mp3"))});
    const double lameCpu = cpuSeconds(RUSAGE_CHILDREN) - child0;
    if (rc == 0 && lameCpu > 0)
        std::printf("  lame -b 128 on the same %.1f s: %.2f s CPU; Pelvanto/lame = %.2f "
                    "(capture, encoding and displays against encoding alone)\n",
                    audioS, lameCpu, cpu / lameCpu);
    else
        std::printf("  lame: not available\n");
    form.exitsystem();
    return true;
}

// From starting the program to its main window being mapped on the X server,
// as xdotool sees it (to within one xdotool run). -1 when it cannot be
// measured here.
double launchToShownMs() {
    const QString display =
        qEnvironmentVariable("PELVANTO_TEST_DISPLAY", qEnvironmentVariable("DISPLAY"));
    if (display.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        return -1;
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/pelvanto");
    if (!QFileInfo(program).isExecutable())
        return -1;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    QProcess app;
    app.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    app.start(program, {});
    if (!app.waitForStarted())
        return -1;
    // xdotool's own --sync polls twice a second: ask it again and again instead.
    bool found = false;
    double ms = -1;
    while (!found && t.elapsed() < 20000 && app.state() == QProcess::Running) {
        QProcess search;
        search.setProcessEnvironment(env);
        search.start(QStringLiteral("xdotool"),
                     {"search", "--onlyvisible", "--name", "^Pelvanto v3\\.10 $"});
        found = search.waitForFinished(5000) && search.exitCode() == 0;
        if (found)
            ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    }
    app.terminate();
    if (!app.waitForFinished(5000)) {
        app.kill();
        app.waitForFinished();
    }
    return found ? ms : -1;
}

} // namespace

int main(int argc, char *argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    setProgramFolderOverride(dir.path());
    MessageBox::setResponder([](const QString &, QMessageBox::Icon, QMessageBox::StandardButtons) {
        return QMessageBox::Cancel;
    });
    set("set", "outputfolder", dir.path());
    set("set", "filename", QStringLiteral("bench"));
    set("set", "datetime", QStringLiteral("0"));
    set("set", "existedfile", QStringLiteral("1"));
    set("set", "outputformat", QStringLiteral("1"));
    set("mp3", "MP3Frequency", QStringLiteral("44100"));
    set("mp3", "MP3Bitrate", QStringLiteral("128"));
    set("mp3", "MP3Channels", QStringLiteral("2"));

    QList<double> launches;
    for (int i = 0; i < 5; ++i) {
        const double ms = launchToShownMs();
        if (ms < 0)
            break;
        launches << ms;
    }
    if (launches.isEmpty()) {
        std::printf("launch to window shown: not measured (needs the test X server and xdotool)\n");
    } else {
        std::sort(launches.begin(), launches.end());
        std::printf("launch to window shown (X11): median %.1f ms (min %.1f, max %.1f) over %lld "
                    "runs\n",
                    launches[launches.size() / 2], launches.first(), launches.last(),
                    static_cast<long long>(launches.size()));
    }

    QList<double> starts;
    for (int i = 0; i < 7; ++i)
        starts << startUpMs();
    std::sort(starts.begin(), starts.end());
    std::printf("main window created and shown in process: median %.1f ms (min %.1f, max %.1f) "
                "over %lld runs\n",
                starts[starts.size() / 2], starts.first(), starts.last(),
                static_cast<long long>(starts.size()));

    // Seconds of audio each recording is measured over: bench_recorder [seconds=20].
    const qint64 seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 20;
    const bool ok = measureRecording(dir, true, seconds) && measureRecording(dir, false, seconds);
    return ok ? 0 : 1;
}
