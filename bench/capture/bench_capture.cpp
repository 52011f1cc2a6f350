// CPU and memory cost of recording: a capture at 44.1 kHz stereo with all filters, the gain
// control and both displays fed as the main window feeds them, next to `parec` capturing the
// same source. Run with a sound server (tools/services.sh):
//   bench_capture [seconds=60] [device=<default source>]
#include "capture/AudioDisplay.h"
#include "capture/AudioRecord.h"
#include "capture/AudioVisualization.h"
#include "capture/SampleTools.h"

#include "../CpuTime.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTimer>

#include <cstdio>

using namespace pelvanto;

namespace {

double rssMb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return -1;
}

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(5, atoi(argv[1])) : 60;
    const QString device = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    AudioRecord rec;
    if (rec.DeviceCount() < 1) {
        std::printf("bench_capture: no sound server or no capture device; nothing measured\n");
        return 0;
    }
    if (!device.isEmpty())
        for (int i = 0; i < rec.DeviceCount(); ++i) {
            rec.SetCurrentDevice(i);
            if (rec.DeviceId() == device)
                break;
        }
    const int rate = 44100;
    const int channels = 2;
    rec.SetFormat(rate, channels);
    rec.SetBlockSize(static_cast<int>(rec.MsToSamples(1000)));
    rec.SetNotchEnabled(true);
    rec.SetNotchFrequency(50);
    rec.SetHighPassEnabled(true);
    rec.SetHighPassFrequency(100);
    rec.SetLowPassEnabled(true);
    rec.SetLowPassFrequency(15000);
    rec.SetAutoGainEnabled(true);
    rec.SetAutoGainLowLevel(-30);
    rec.SetAutoGainHighLevel(-10);
    rec.SetAutoGainAttackTime(100);

    AudioDisplay wave;
    wave.resize(400, 80);
    wave.SetChannels(channels);
    AudioVisualization av;
    av.resize(400, 120);
    av.SetWantedSamples(4096);
    wave.show();
    av.show();

    qint64 frames = 0;
    qint64 blocks = 0;
    qint64 timers = 0;
    QObject::connect(&rec, &AudioRecord::EndArrayRecord, &rec, [&](int) {
        frames += rec.GetRecordedBlock().size() / channels;
        ++blocks;
    });
    QObject::connect(&rec, &AudioRecord::Timer, &rec, [&](qint64, int, int) {
        ++timers;
        QVector<qint16> spectrum = rec.GetLatestSamples(av.WantedSamples() * channels);
        av.SetFormat(rate, 1);
        av.SetSamples(SampleTools::MakeMonoFromStereo(spectrum));
        wave.SetSamples(rec.GetLatestSamples(wave.WantedSamples()));
    });

    QProcess parec;
    QStringList args{QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                     QStringLiteral("--latency-msec=20")};
    if (!rec.DeviceId().isEmpty())
        args << QStringLiteral("-d") << rec.DeviceId();
    parec.setStandardOutputFile(QProcess::nullDevice());
    parec.start(QStringLiteral("parec"), args);
    const bool haveParec = parec.waitForStarted();

    if (rec.RecordStart() < 0) {
        std::printf("bench_capture: cannot record: %s\n", qPrintable(rec.LastError()));
        return 1;
    }
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = benchcpu::selfSeconds();
    double rssWarm = -1;
    QTimer::singleShot(5000, &app, [&] { rssWarm = rssMb(); });
    QTimer::singleShot(seconds * 1000, &app, [&] { app.quit(); });
    app.exec();
    rec.RecordStop();
    QCoreApplication::processEvents();
    const double cpu = benchcpu::selfSeconds() - cpu0;
    const double elapsed = static_cast<double>(wall.elapsed()) / 1000.0;
    const double rssEnd = rssMb();
    double parecCpu = -1;
    if (haveParec) {
        parecCpu = benchcpu::processSeconds(parec.processId());
        parec.terminate();
        parec.waitForFinished();
    }

    std::printf("capture benchmark: %d s at %d Hz, %d channels, notch+high-pass+low-pass+gain "
                "control, waveform+spectrum displays\n",
                seconds, rate, channels);
    std::printf("  device                 %s\n", qPrintable(rec.DeviceName()));
    std::printf("  frames captured        %lld in %lld blocks (%.3f s of audio in %.3f s)\n",
                static_cast<long long>(frames), static_cast<long long>(blocks),
                static_cast<double>(frames) / rate, elapsed);
    std::printf("  timer events           %lld (%.1f per second)\n", static_cast<long long>(timers),
                static_cast<double>(timers) / elapsed);
    std::printf("  display repaints       waveform %d, spectrum %d\n", wave.RepaintCount(),
                av.RepaintCount());
    std::printf("  CPU                    %.2f s = %.2f %% of one core (goal <= 3 %%)\n", cpu,
                100.0 * cpu / elapsed);
    if (parecCpu >= 0)
        std::printf("  parec, same source     %.2f s = %.2f %% of one core; ratio %.1fx\n",
                    parecCpu, 100.0 * parecCpu / elapsed, parecCpu > 0 ? cpu / parecCpu : 0.0);
    std::printf("  memory (RSS)           %.1f MB after 5 s, %.1f MB at the end: growth %.1f MB "
                "(goal < 5 MB)\n",
                rssWarm, rssEnd, rssEnd - rssWarm);
    return 0;
}
