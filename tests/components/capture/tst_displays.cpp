// The waveform and spectrum displays: what they draw and how often they repaint.
#include "TestSupport.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioVisualization.h"

#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace pelvanto;

namespace {

constexpr int kRate = 44100;

} // namespace

class TestDisplays : public QObject {
    Q_OBJECT
private slots:
    void waveformWantsItsWidthAndClears() {
        AudioDisplay d;
        d.resize(300, 80);
        QCOMPARE(d.WantedSamples(), 300);
        d.SetChannels(2);
        QCOMPARE(d.WantedSamples(), 600);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const int base = d.RepaintCount();
        // A burst of arrays between two event-loop turns costs one repaint.
        for (int i = 0; i < 50; ++i)
            d.SetSamples(testsupport::sineTone(kRate, 2, 300, 100.0 + i, 0.5));
        QTRY_COMPARE(d.RepaintCount(), base + 1);
        // The same samples again change nothing and repaint nothing.
        d.SetSamples(d.Samples());
        QTest::qWait(100);
        QCOMPARE(d.RepaintCount(), base + 1);
        QImage img = d.grab().toImage();
        QVERIFY(img.pixelColor(150, 10) != img.pixelColor(150, 40) ||
                img.pixelColor(10, 40) != img.pixelColor(10, 10));
        d.SetSamples({});
        QVERIFY(d.Samples().isEmpty());
        QTRY_COMPARE(d.RepaintCount(), base + 2);
    }

    void anUpdateLongAfterTheLastPaintIsAskedForAtOnce() {
        AudioDisplay d;
        d.resize(300, 80);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QTest::qWait(60);
        // Asked of the window straight away, so it joins the other widgets' paint pass.
        const int base = d.RepaintCount();
        d.SetSamples(testsupport::sineTone(kRate, 1, 300, 440.0, 0.5));
        QCOMPARE(d.RepaintCount(), base + 1);
        d.SetSamples(testsupport::sineTone(kRate, 1, 300, 880.0, 0.5));
        QCOMPARE(d.RepaintCount(), base + 1);
        // Soon after a paint, the next one waits for the end of the interval.
        d.SetMaxFrameRate(2);
        QTRY_VERIFY(d.grab().toImage().pixelColor(0, 0).isValid());
        QTest::qWait(50);
        d.SetSamples(testsupport::sineTone(kRate, 1, 300, 660.0, 0.5));
        QCOMPARE(d.RepaintCount(), base + 1);
        QTRY_COMPARE_WITH_TIMEOUT(d.RepaintCount(), base + 2, 2000);
    }

    void aDisplayThatIsNeverPaintedStillTakesNewArrays() {
        // A hidden or covered widget gets no paint for its update; it must not stop asking.
        AudioDisplay d;
        d.resize(300, 80);
        QTest::qWait(60);
        const int base = d.RepaintCount();
        d.SetSamples(testsupport::sineTone(kRate, 1, 300, 440.0, 0.5));
        QCOMPARE(d.RepaintCount(), base + 1);
        QTest::qWait(400);
        d.SetSamples(testsupport::sineTone(kRate, 1, 300, 880.0, 0.5));
        QCOMPARE(d.RepaintCount(), base + 2);
    }

    void waveformOfAFullScaleSquareFillsTheHeight() {
        AudioDisplay d;
        d.resize(200, 81);
        QVector<qint16> square(400);
        for (qsizetype i = 0; i < square.size(); ++i)
            square[i] = i % 2 == 0 ? qint16(32767) : qint16(-32768);
        d.SetSamples(square);
        const QImage img = d.grab().toImage();
        const QColor wave(96, 220, 120);
        for (int x : {0, 99, 199}) {
            QCOMPARE(img.pixelColor(x, 1), wave);
            QCOMPARE(img.pixelColor(x, 79), wave);
        }
        QVERIFY(img.pixelColor(100, 0) != wave); // one pixel of margin at the top
        for (int h : {1, 2, 3}) {                // squeezed flat by a layout: nothing drawn outside
            d.resize(200, h);
            QCOMPARE(d.grab().toImage().height(), h);
        }
    }

    // Every pixel is painted (the widget is opaque: a gap would show stale pixels) in one of
    // the display's colours; the tone's band and the meters stand where they belong.
    void spectrumPaintsEveryPixelInItsColours() {
        AudioVisualization v;
        v.resize(333, 97);
        v.SetFormat(kRate, 2);
        QVector<qint16> stereo = testsupport::sineTone(kRate, 2, 4096, 1000.0, 0.99);
        for (qsizetype i = 0; i < stereo.size(); i += 2)
            stereo[i] = static_cast<qint16>(stereo[i] / 100); // left -40 dB, right near full
        v.SetSamples(stereo);
        QPixmap canvas(v.size());
        canvas.fill(Qt::magenta); // shows through wherever nothing was painted
        v.render(&canvas);
        const QImage img = canvas.toImage().convertToFormat(QImage::Format_RGB32);
        const QRgb background = qRgb(16, 24, 32);
        const QRgb bar = qRgb(80, 160, 240);
        const QRgb meter = qRgb(32, 40, 48);
        const QRgb green = qRgb(96, 220, 120);
        const QRgb red = qRgb(240, 80, 64);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                QVERIFY2(c == background || c == bar || c == meter || c == green || c == red,
                         qPrintable(QStringLiteral("%1,%2: %3").arg(x).arg(y).arg(c, 0, 16)));
            }
        const int h = img.height();
        // The right meter (last 10 columns before a 2-pixel gap) is loud, the left one is not.
        QCOMPARE(img.pixel(img.width() - 6, h - 2), red);
        QCOMPARE(img.pixel(img.width() - 18, h - 2), green);
        QCOMPARE(img.pixel(img.width() - 18, 2), meter);
        QCOMPARE(img.pixel(img.width() - 6, 0), background);
        // The tone's band is a bar that reaches above the middle, the top band none.
        const QVector<float> bands = v.Bands();
        const auto loudest = std::max_element(bands.begin(), bands.end()) - bands.begin();
        const int spectrumWidth = img.width() - 2 * 12 - 4;
        const int x = (static_cast<int>(loudest) * spectrumWidth / bands.size() +
                       (static_cast<int>(loudest) + 1) * spectrumWidth / bands.size()) /
                      2;
        QCOMPARE(img.pixel(x, h / 2), bar);
        QCOMPARE(img.pixel(x, 0), background);
        QCOMPARE(img.pixel(spectrumWidth - 2, h / 2), background);
    }

    void spectrumFindsTheToneAndClears() {
        AudioVisualization v;
        QCOMPARE(v.WantedSamples(), 4096);
        v.SetFormat(kRate, 1);
        v.SetSamples(testsupport::sineTone(kRate, 1, 4096, 1000.0, 0.5));
        const QVector<float> spectrum = v.SpectrumDb();
        QCOMPARE(spectrum.size(), 4096 / 2 + 1);
        const auto top = std::max_element(spectrum.begin(), spectrum.end()) - spectrum.begin();
        const double binHz = kRate / 4096.0;
        QVERIFY(std::abs(top * binHz - 1000.0) <= binHz);
        QVERIFY(std::abs(spectrum[top] - (-6.0F)) < 1.5F); // half scale
        QCOMPARE(v.Levels().size(), 1);
        QVERIFY(std::abs(v.Levels()[0] - 16384) <= 1);
        const QVector<float> bands = v.Bands();
        const auto loudest = std::max_element(bands.begin(), bands.end()) - bands.begin();
        // 1 kHz sits in the band that spans it on the log scale from 40 Hz.
        const double lo =
            40.0 * std::pow((kRate / 2.0) / 40.0, static_cast<double>(loudest) / bands.size());
        const double hi =
            40.0 * std::pow((kRate / 2.0) / 40.0, static_cast<double>(loudest + 1) / bands.size());
        QVERIFY2(lo <= 1000.0 + binHz && hi >= 1000.0 - binHz,
                 qPrintable(QStringLiteral("%1..%2").arg(lo).arg(hi)));
        // Stereo levels per channel; fewer frames than wanted are zero-padded.
        v.SetFormat(kRate, 2);
        QVector<qint16> stereo = testsupport::sineTone(kRate, 2, 1000, 1000.0, 0.25);
        for (qsizetype i = 1; i < stereo.size(); i += 2)
            stereo[i] = static_cast<qint16>(stereo[i] * 2);
        v.SetSamples(stereo);
        QCOMPARE(v.Levels().size(), 2);
        QVERIFY(std::abs(v.Levels()[1] - 2 * v.Levels()[0]) <= 2);
        QCOMPARE(v.SpectrumDb().size(), 4096 / 2 + 1);
        v.SetSamples({});
        QVERIFY(v.Levels().isEmpty());
        const QVector<float> cleared = v.Bands();
        QVERIFY(std::all_of(cleared.begin(), cleared.end(), [](float b) { return b == 0.0F; }));
        v.SetWantedSamples(1024);
        QCOMPARE(v.WantedSamples(), 1024);
        v.SetSamples(testsupport::sineTone(kRate, 2, 8000, 5000.0, 0.5));
        QCOMPARE(v.SpectrumDb().size(), 513);
    }

    void spectrumRepaintsAtABoundedRate() {
        AudioVisualization v;
        v.resize(320, 120);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        const int base = v.RepaintCount();
        for (int i = 0; i < 40; ++i)
            v.SetSamples(testsupport::sineTone(kRate, 1, 4096, 200.0 + 10 * i, 0.5));
        QTRY_COMPARE(v.RepaintCount(), base + 1);
        const QVector<qint16> same = testsupport::sineTone(kRate, 1, 4096, 590.0, 0.5);
        v.SetSamples(same);
        QTest::qWait(100);
        QCOMPARE(v.RepaintCount(), base + 1);
    }
};

QTEST_MAIN(TestDisplays)
#include "tst_displays.moc"
