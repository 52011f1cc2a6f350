// Input filters, gain control and sample tools on generated samples.
#include "CaptureTestUtil.h"
#include "TestSupport.h"
#include "capture/Dsp.h"
#include "capture/SampleTools.h"

#include <QtTest>

using namespace pelvanto;
using namespace capturetest;

namespace {

constexpr int kRate = 44100;

// Runs a tone through the processing in chunks of odd sizes, as fragments arrive.
QVector<qint16> processTone(const InputSettings &s, double hz, double amplitude, int seconds,
                            int channels = 2) {
    QVector<qint16> tone = testsupport::sineTone(kRate, channels, kRate * seconds, hz, amplitude);
    InputProcessor p(kRate, channels, s);
    qsizetype at = 0;
    int chunk = 331;
    while (at < tone.size() / channels) {
        const qsizetype n = std::min<qsizetype>(chunk, tone.size() / channels - at);
        p.process(tone.data() + at * channels, n);
        at += n;
        chunk = chunk == 331 ? 1024 : 331;
    }
    return tone;
}

double gainAt(const InputSettings &s, double hz) {
    const QVector<qint16> out = processTone(s, hz, 0.5, 1);
    return toneAmplitude(out, 2, 1, kRate, hz, kRate / 2) / 0.5;
}

double db(double ratio) {
    return 20.0 * std::log10(std::max(ratio, 1e-9));
}

double peakDb(const QVector<qint16> &s, qsizetype from) {
    return 20.0 * std::log10(std::max(peakOf(s, from), 1) / 32768.0);
}

// A 1 kHz tone that steps from one amplitude to another after two seconds, through the gain
// control: the milliseconds from the step until the output stays within 1 dB of the level it
// settles at (5 ms windows), and that level.
struct Settling {
    double ms = -1;
    double settledDb = 0;
};
Settling settleAfterStep(const InputSettings &s, double before, double after, int afterMs) {
    constexpr int kWindow = kRate / 200;
    const int stepFrame = 2 * kRate;
    const int frames = stepFrame + kRate / 1000 * afterMs;
    QVector<qint16> tone = testsupport::sineTone(kRate, 1, frames, 1000.0, before);
    const QVector<qint16> loud = testsupport::sineTone(kRate, 1, frames, 1000.0, after);
    std::copy(loud.begin() + stepFrame, loud.end(), tone.begin() + stepFrame);
    InputProcessor p(kRate, 1, s);
    for (int at = 0; at < frames; at += 441)
        p.process(tone.data() + at, std::min(441, frames - at));
    QVector<double> levels;
    for (int at = stepFrame; at + kWindow <= frames; at += kWindow)
        levels << peakDb(tone.mid(at, kWindow), 0);
    Settling out;
    out.settledDb = levels.last();
    qsizetype first = levels.size();
    while (first > 0 && std::abs(levels[first - 1] - out.settledDb) <= 1.0)
        --first;
    out.ms = 1000.0 * static_cast<double>(first * kWindow) / kRate;
    return out;
}

} // namespace

class TestDsp : public QObject {
    Q_OBJECT
private slots:
    void nothingEnabledIsBitExact() {
        const auto tone = testsupport::sineTone(kRate, 2, 10000, 440.0, 0.99);
        InputSettings off;
        QVector<qint16> out = tone;
        InputProcessor p(kRate, 2, off);
        p.process(out.data(), 10000);
        QCOMPARE(out, tone);
    }

    void filterResponse_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("cutoff");
        QTest::addColumn<double>("probe");
        QTest::addColumn<double>("minDb");
        QTest::addColumn<double>("maxDb");
        QTest::newRow("notch centre") << "notch" << 50.0 << 50.0 << -200.0 << -40.0;
        QTest::newRow("notch passes octave up") << "notch" << 50.0 << 200.0 << -1.0 << 0.5;
        QTest::newRow("notch 1 kHz passes 3 kHz") << "notch" << 1000.0 << 3000.0 << -0.5 << 0.5;
        QTest::newRow("high-pass stops 2 octaves down")
            << "highpass" << 400.0 << 100.0 << -200.0 << -45.0;
        QTest::newRow("high-pass at cut-off is -3 dB")
            << "highpass" << 400.0 << 400.0 << -3.6 << -2.4;
        QTest::newRow("high-pass passes 4 kHz") << "highpass" << 400.0 << 4000.0 << -0.2 << 0.2;
        QTest::newRow("low-pass stops 12 kHz") << "lowpass" << 4000.0 << 12000.0 << -200.0 << -35.0;
        QTest::newRow("low-pass at cut-off is -3 dB")
            << "lowpass" << 4000.0 << 4000.0 << -3.6 << -2.4;
        QTest::newRow("low-pass passes 440 Hz") << "lowpass" << 4000.0 << 440.0 << -0.2 << 0.2;
        QTest::newRow("low-pass above the band passes")
            << "lowpass" << 44100.0 << 15000.0 << -0.1 << 0.1;
        QTest::newRow("high-pass above the band stays stable")
            << "highpass" << 44100.0 << 19900.0 << -6.0 << 0.5;
        QTest::newRow("zero frequency does nothing") << "highpass" << 0.0 << 440.0 << -0.01 << 0.01;
    }

    void filterResponse() {
        QFETCH(QString, kind);
        QFETCH(double, cutoff);
        QFETCH(double, probe);
        QFETCH(double, minDb);
        QFETCH(double, maxDb);
        InputSettings s;
        if (kind == QLatin1String("notch")) {
            s.notch = true;
            s.notchHz = static_cast<float>(cutoff);
        } else if (kind == QLatin1String("highpass")) {
            s.highPass = true;
            s.highPassHz = static_cast<float>(cutoff);
        } else {
            s.lowPass = true;
            s.lowPassHz = static_cast<float>(cutoff);
        }
        const double g = db(gainAt(s, probe));
        QVERIFY2(g >= minDb && g <= maxDb, qPrintable(QString::number(g)));
    }

    void allThreeInSeries() {
        InputSettings s;
        s.notch = s.highPass = s.lowPass = true;
        s.notchHz = 1000;
        s.highPassHz = 300;
        s.lowPassHz = 3000;
        QVERIFY(db(gainAt(s, 1000)) < -40);
        QVERIFY(db(gainAt(s, 50)) < -40);
        QVERIFY(db(gainAt(s, 15000)) < -40);
        QVERIFY(std::abs(db(gainAt(s, 2000))) < 1.5);
    }

    void everyChannelCountIsFilteredAlike() {
        InputSettings s;
        s.notch = s.highPass = s.lowPass = true;
        const QVector<qint16> mono = processTone(s, 440.0, 0.5, 1, 1);
        for (int channels : {2, 3}) {
            const QVector<qint16> many = processTone(s, 440.0, 0.5, 1, channels);
            for (qsizetype f = 0; f < mono.size(); ++f)
                for (int c = 0; c < channels; ++c)
                    QCOMPARE(many[f * channels + c], mono[f]);
        }
    }

    void switchingDuringAToneDoesNotClick() {
        QVector<qint16> tone = testsupport::sineTone(kRate, 2, kRate * 2, 440.0, 0.5);
        const int toneStep = largestStep(tone, 2, 0);
        InputSettings s;
        InputProcessor p(kRate, 2, s);
        const int chunk = 512;
        for (qsizetype at = 0; at + chunk <= tone.size() / 2; at += chunk) {
            if (at == 10 * chunk) {
                s.highPass = true;
                s.highPassHz = 2000;
                p.update(s);
            } else if (at == 60 * chunk) {
                s.notch = true;
                s.notchHz = 440;
                s.highPass = false;
                p.update(s);
            } else if (at == 110 * chunk) {
                s.notch = false;
                s.autoGain = true;
                p.update(s);
            } else if (at == 150 * chunk) {
                s.autoGain = false;
                p.update(s);
            }
            p.process(tone.data() + at * 2, chunk);
        }
        const int step = largestStep(tone, 2, 0);
        QVERIFY2(step <= toneStep + toneStep / 5,
                 qPrintable(QStringLiteral("%1 vs %2").arg(step).arg(toneStep)));
        // And the filter did act once faded in.
        QVERIFY(peakOf(tone.mid(40 * chunk * 2, 10 * chunk * 2)) < 0.5 * 32768 * 0.02);
    }

    void autoGainRaisesQuietSignal() {
        InputSettings s;
        s.autoGain = true;
        s.lowLevelDb = -20;
        s.highLevelDb = -10;
        s.attackMs = 100;
        const QVector<qint16> out = processTone(s, 440.0, 0.01, 6); // -40 dBFS
        const double level = peakDb(out, 2 * kRate * 5);
        QVERIFY2(level >= -21.0 && level <= -19.0, qPrintable(QString::number(level)));
    }

    void autoGainLimitsLoudSignal() {
        InputSettings s;
        s.autoGain = true;
        s.lowLevelDb = -30;
        s.highLevelDb = -10;
        s.attackMs = 50;
        const QVector<qint16> out = processTone(s, 1000.0, 0.95, 3);
        const double level = peakDb(out, 2 * kRate * 2);
        QVERIFY2(level >= -11.0 && level <= -9.0, qPrintable(QString::number(level)));
        // A faster attack turns it down sooner.
        s.attackMs = 200;
        const QVector<qint16> slow = processTone(s, 1000.0, 0.95, 1);
        s.attackMs = 50;
        const QVector<qint16> fast = processTone(s, 1000.0, 0.95, 1);
        const qsizetype at = 2 * kRate / 10;
        QVERIFY(peakOf(fast.mid(at, 2 * 441)) < peakOf(slow.mid(at, 2 * 441)));
    }

    // A step of the input level out of the window, 19.5 dB up or down from inside it: the cut
    // reaches the high level within a few attack times, the raise to the low level takes much
    // longer, so that a loud moment does not pump the following quiet part up at once.
    void autoGainCutsWithinAttackTimeAndRaisesSlower_data() {
        QTest::addColumn<int>("attackMs");
        QTest::newRow("50 ms") << 50;
        QTest::newRow("100 ms") << 100;
        QTest::newRow("200 ms") << 200;
    }

    void autoGainCutsWithinAttackTimeAndRaisesSlower() {
        QFETCH(int, attackMs);
        InputSettings s;
        s.autoGain = true;
        s.lowLevelDb = -30;
        s.highLevelDb = -10;
        s.attackMs = attackMs;
        const int tailMs = 40 * attackMs + 1000;
        const Settling cut = settleAfterStep(s, 0.1, 0.944, tailMs);     // -20 to -0.5 dBFS
        const Settling raise = settleAfterStep(s, 0.1, 0.01059, tailMs); // -20 to -39.5 dBFS
        const QString detail = QStringLiteral("cut %1 ms to %2 dB, raise %3 ms to %4 dB")
                                   .arg(cut.ms)
                                   .arg(cut.settledDb)
                                   .arg(raise.ms)
                                   .arg(raise.settledDb);
        QVERIFY2(std::abs(cut.settledDb + 10.0) <= 1.0, qPrintable(detail));
        QVERIFY2(std::abs(raise.settledDb + 30.0) <= 1.0, qPrintable(detail));
        QVERIFY2(cut.ms >= 0.5 * attackMs && cut.ms <= 4.0 * attackMs, qPrintable(detail));
        // The envelope lets go of the loud part over a few hundred milliseconds first.
        QVERIFY2(raise.ms >= 3.0 * cut.ms && raise.ms <= 40.0 * attackMs + 1000.0,
                 qPrintable(detail));
    }

    void autoGainLeavesLevelsInsideTheWindow() {
        InputSettings s;
        s.autoGain = true;
        s.lowLevelDb = -30;
        s.highLevelDb = -6;
        const QVector<qint16> out = processTone(s, 440.0, 0.1, 2); // -20 dBFS
        QVERIFY(std::abs(peakDb(out, 2 * kRate) + 20.0) < 0.2);
    }

    void autoGainKeepsSilenceSilent() {
        InputSettings s;
        s.autoGain = true;
        s.highPass = true;
        QVector<qint16> silence(2 * kRate * 2, 0);
        InputProcessor p(kRate, 2, s);
        p.process(silence.data(), kRate * 2);
        QCOMPARE(peakOf(silence), 0);
        // Full-scale square input never overflows.
        QVector<qint16> square(2 * 4410);
        for (qsizetype i = 0; i < square.size(); ++i)
            square[i] = (i / 100) % 2 ? qint16(32767) : qint16(-32768);
        InputSettings lp;
        lp.lowPass = true;
        lp.lowPassHz = 1000;
        InputProcessor q(kRate, 2, lp);
        q.process(square.data(), 4410);
        QVERIFY(peakOf(square) <= 32768);
    }

    void monoFromStereo() {
        QCOMPARE(SampleTools::MakeMonoFromStereo({}), QVector<qint16>());
        QCOMPARE(SampleTools::MakeMonoFromStereo({100, 200, -100, -201, 1, 2, 7}),
                 (QVector<qint16>{150, -151, 2}));
        QCOMPARE(SampleTools::MakeMonoFromStereo({32767, 32767, -32768, -32768, 32767, -32768}),
                 (QVector<qint16>{32767, -32768, -1}));
    }
};

QTEST_MAIN(TestDsp)
#include "tst_dsp.moc"
