// CPU of the audio player while it plays a 10-minute MP3 with its window shown, against
// `gst-launch-1.0 playbin` playing the same file to the same sound server in the same run.
// Both are measured over the same stretch of playback, after they have settled. Prints both
// shares of one core and the ratio (goal: at most 1.0). Needs a sound server (the test one of
// tools/services.sh will do) and, for a real screen, a display; offscreen works too.
#include "MPlay3.h"

#include "../CpuTime.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <cstdio>

using namespace pelvanto;

namespace {

constexpr int kSettleMs = 3000;
constexpr int kMeasureMs = 30000;

void runEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Share of one core the player takes while playing.
double playerShare(const QString &mp3) {
    MPlay3 window(nullptr,
                  [&mp3](QWidget *, const QString &, const QString &, bool) { return mp3; });
    window.show();
    window.openFile();
    if (!window.player().IsPlaying())
        return -1;
    runEvents(kSettleMs);
    const double cpu = benchcpu::selfSeconds();
    QElapsedTimer wall;
    wall.start();
    runEvents(kMeasureMs);
    const double share =
        (benchcpu::selfSeconds() - cpu) / (static_cast<double>(wall.elapsed()) / 1000);
    if (!window.player().IsPlaying())
        return -1;
    window.player().Stop();
    return share;
}

double gstreamerShare(const QString &mp3) {
    QProcess gst;
    gst.start(QStringLiteral("gst-launch-1.0"),
              {"-q", "playbin", "uri=" + QUrl::fromLocalFile(mp3).toString(),
               "audio-sink=pulsesink", "video-sink=fakesink"});
    if (!gst.waitForStarted())
        return -1;
    QThread::msleep(kSettleMs);
    const double cpu = benchcpu::processSeconds(gst.processId());
    QElapsedTimer wall;
    wall.start();
    QThread::msleep(kMeasureMs);
    const double after = benchcpu::processSeconds(gst.processId());
    const double seconds = static_cast<double>(wall.elapsed()) / 1000;
    const bool running = gst.state() == QProcess::Running;
    gst.terminate();
    gst.waitForFinished(5000);
    if (cpu < 0 || after < 0 || !running)
        return -1;
    return (after - cpu) / seconds;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString mp3 = dir.filePath(QStringLiteral("ten-minutes.mp3"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-v", "quiet", "-f", "lavfi", "-i",
                                            "sine=frequency=440:duration=600:sample_rate=44100",
                                            "-ac", "2", "-b:a", "192k", mp3});
    if (!ffmpeg.waitForFinished(300000) || ffmpeg.exitCode() != 0) {
        std::fprintf(stderr, "bench_player: ffmpeg is needed to make the MP3\n");
        return 1;
    }
    const double ours = playerShare(mp3);
    if (ours < 0) {
        std::fprintf(stderr, "bench_player: the player did not play (is a sound server up?)\n");
        return 1;
    }
    const double theirs = gstreamerShare(mp3);
    if (theirs <= 0) {
        std::fprintf(stderr, "bench_player: gst-launch-1.0 playbin did not play\n");
        return 1;
    }
    std::printf("playing a 10-minute MP3 for %d s: audio player %.2f%% of a core, "
                "gst-launch-1.0 playbin %.2f%%, ratio %.2f (goal <= 1.0)\n",
                kMeasureMs / 1000, ours * 100, theirs * 100, ours / theirs);
    return 0;
}
