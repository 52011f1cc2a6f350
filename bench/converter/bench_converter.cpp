// Converts one 10-minute 44.1 kHz stereo MP3 to WMA, MP3 and Ogg Vorbis through the converter's
// run, against ffmpeg doing the same three conversions with the same codecs and settings, in one
// run, and prints the time ratio. Goal: ours <= 1.0 x ffmpeg.
// BENCH_REPEATS (default 1) repeats both sides alternately and keeps the best time of each;
// BENCH_SECONDS changes the input length; BENCH_SPLIT=1 also times each format on its own;
// BENCH_OURS_ONLY=1 runs the converter alone, once (for a profiler).
#include "ConversionRun.h"
#include "audiofile/AudioFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <utility>

using pelvanto::AudioFile;
using pelvanto::ConversionRequest;
using pelvanto::ConversionRun;
using pelvanto::ConversionStep;

namespace {

constexpr double kGoal = 1.0;

bool tool(const QStringList &args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(QStringLiteral("ffmpeg"), args);
    return p.waitForStarted() && p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit &&
           p.exitCode() == 0;
}

// A chord that moves, with a little noise: something the encoders have to work at.
bool makeInput(const QString &path, int seconds) {
    const QString chord =
        QStringLiteral("aevalsrc=exprs='0.2*sin(2*PI*220*t)*(0.6+0.4*sin(0.3*t))"
                       "+0.15*sin(2*PI*554.37*t*(1+0.01*sin(0.7*t)))"
                       "+0.1*sin(2*PI*1318.5*t)*(0.6+0.4*sin(0.5*t+1))"
                       "|0.16*sin(2*PI*220*t)+0.15*sin(2*PI*659.25*t)':s=44100:d=%1")
            .arg(seconds);
    const QString noise = QStringLiteral("anoisesrc=d=%1:c=pink:r=44100:a=0.02").arg(seconds);
    return tool({"-v",
                 "error",
                 "-nostdin",
                 "-y",
                 "-f",
                 "lavfi",
                 "-i",
                 chord,
                 "-f",
                 "lavfi",
                 "-i",
                 noise,
                 "-filter_complex",
                 "[0][1]amix=inputs=2:normalize=0",
                 "-ac",
                 "2",
                 "-c:a",
                 "libmp3lame",
                 "-b:a",
                 "192k",
                 path});
}

// The converter window's writer settings at load.
void windowDefaults(AudioFile &writer) {
    writer.SetHighQualityResampling(true);
    writer.SetOggFormat(44100, 2, 128, 0, 0, -1);
    writer.SetMp3Format(44100, 128, 2);
    writer.SetWmaProfile(39);
}

struct Format {
    const char *name;
    const char *extension; // of ffmpeg's output
    QStringList ffmpegCodec;
};

// The same codec and settings as the writer's: wmav2 at 128 kbit/s, LAME 128 kbit/s CBR at its
// default quality 3, Vorbis managed to an average of 128 kbit/s; 44.1 kHz stereo throughout.
// (Given only -b:a, ffmpeg switches Vorbis bit-rate management off and lands well below the
// bit rate asked for; a maximum far above the average keeps management on without limiting it,
// as the writer's nominal-only mode does.)
const QList<Format> &formats() {
    static const QList<Format> list = {
        {"WMA", "wma", {"-c:a", "wmav2", "-b:a", "128k"}},
        {"MP3", "mp3", {"-c:a", "libmp3lame", "-b:a", "128k", "-compression_level", "3"}},
        {"Ogg", "ogg", {"-c:a", "libvorbis", "-b:a", "128k", "-maxrate", "1000k"}},
    };
    return list;
}

struct Times {
    double wall = -1;
    double cpu = -1; // user + system, of this process or of the tools it ran
};

double cpuSeconds(int who) {
    struct rusage u {};
    getrusage(who, &u);
    const auto seconds = [](const timeval &t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

Times timed(const std::function<bool()> &run, int who) {
    QElapsedTimer t;
    const double cpu = cpuSeconds(who);
    t.start();
    if (!run())
        return {};
    return {static_cast<double>(t.nsecsElapsed()) / 1e9, cpuSeconds(who) - cpu};
}

// Ours and theirs alternate, so that a busy spell of the shared machine hits both alike; the best
// of each is kept.
std::pair<Times, Times> compare(int repeats, const std::function<bool()> &ours,
                                const std::function<bool()> &theirs) {
    Times a;
    Times b;
    const auto keepBest = [](Times &best, const Times &t) {
        best.wall = best.wall < 0 ? t.wall : std::min(best.wall, t.wall);
        best.cpu = best.cpu < 0 ? t.cpu : std::min(best.cpu, t.cpu);
    };
    for (int i = 0; i < repeats; ++i) {
        const Times x = timed(ours, RUSAGE_SELF);
        const Times y = timed(theirs, RUSAGE_CHILDREN);
        if (x.wall < 0 || y.wall < 0)
            return {};
        keepBest(a, x);
        keepBest(b, y);
    }
    return {a, b};
}

bool convert(const QString &input, bool wma, bool mp3, bool ogg) {
    AudioFile reader;
    AudioFile writer;
    reader.SetHighQualityResampling(true);
    windowDefaults(writer);
    ConversionRun run(reader, writer);
    ConversionRequest request;
    request.input = input;
    request.wma = wma;
    request.mp3 = mp3;
    request.ogg = ogg;
    request.wmaProfile = 39;
    const QList<ConversionStep> steps = run.run(request);
    for (const ConversionStep &s : steps) {
        if (s.outcome != ConversionStep::Outcome::Complete)
            return false;
    }
    return steps.size() == int{wma} + int{mp3} + int{ogg};
}

bool ffmpeg(const QString &input, const QString &outputBase, const QList<Format> &which) {
    for (const Format &f : which) {
        QStringList args{"-v", "error", "-nostdin", "-y", "-i", input, "-ar", "44100", "-ac", "2"};
        args += f.ffmpegCodec;
        args << outputBase + "." + QString::fromLatin1(f.extension);
        if (!tool(args))
            return false;
    }
    return true;
}

void report(const QString &what, std::pair<Times, Times> times) {
    const auto [ours, theirs] = times;
    if (ours.wall < 0 || theirs.wall < 0) {
        std::printf("%-20s failed\n", qPrintable(what));
        return;
    }
    const double wall = ours.wall / theirs.wall;
    const double cpu = ours.cpu / theirs.cpu;
    std::printf("%-20s wall: ours %7.2f s  ffmpeg %7.2f s  ratio %.3f %s\n"
                "%-20s cpu:  ours %7.2f s  ffmpeg %7.2f s  ratio %.3f %s\n",
                qPrintable(what), ours.wall, theirs.wall, wall,
                wall <= kGoal ? "ok" : "OVER GOAL (1.0)", "", ours.cpu, theirs.cpu, cpu,
                cpu <= kGoal ? "ok" : "OVER GOAL (1.0)");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int repeats = qMax(1, qEnvironmentVariableIntValue("BENCH_REPEATS"));
    const int seconds = qEnvironmentVariableIsSet("BENCH_SECONDS")
                            ? qMax(1, qEnvironmentVariableIntValue("BENCH_SECONDS"))
                            : 600;
    QTemporaryDir dir;
    const QString input = dir.filePath(QStringLiteral("input.mp3"));
    std::printf("converter benchmark: %d s MP3 (44.1 kHz stereo) to WMA, MP3 and Ogg Vorbis, "
                "best of %d\n",
                seconds, repeats);
    if (!makeInput(input, seconds)) {
        std::printf("cannot make the input with ffmpeg\n");
        return 1;
    }
    if (qEnvironmentVariableIntValue("BENCH_OURS_ONLY") == 1) {
        // For a profiler: the converter alone, once.
        const Times t = timed([&] { return convert(input, true, true, true); }, RUSAGE_SELF);
        std::printf("ours: wall %.2f s, cpu %.2f s\n", t.wall, t.cpu);
        return t.wall < 0 ? 1 : 0;
    }
    const QString theirs = dir.filePath(QStringLiteral("ffmpeg"));
    report(QStringLiteral("all three formats"),
           compare(
               repeats, [&] { return convert(input, true, true, true); },
               [&] { return ffmpeg(input, theirs, formats()); }));
    if (qEnvironmentVariableIntValue("BENCH_SPLIT") == 1) {
        for (const Format &f : formats()) {
            const QString name = QString::fromLatin1(f.name);
            report(name + QStringLiteral(" alone"),
                   compare(
                       repeats,
                       [&] { return convert(input, name == "WMA", name == "MP3", name == "Ogg"); },
                       [&] { return ffmpeg(input, theirs, {f}); }));
        }
    }
    return 0;
}
