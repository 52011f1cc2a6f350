// What a format window sets is what the next recording uses: drive the window, press OK, record
// from the test server's 440 Hz microphone as the main window does, and let ffprobe, ffmpeg and
// sox tell what was written.
#include "FormatValues.h"
#include "SettingsTestUtil.h"
#include "TelephonyWindows.h"
#include "audiofile/AudioFile.h"
#include "audiofile/WavFormatDialog.h"
#include "capture/AudioRecord.h"
#include "frmMP3.h"
#include "frmOgg.h"
#include "frmWAV.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

using namespace pelvanto;
using namespace settingstest;

namespace {

constexpr double kTone = 440.0;

template <typename T> T *child(QWidget *w, const char *name) {
    T *c = w->findChild<T *>(QLatin1String(name));
    if (c == nullptr)
        qWarning("no control %s", name);
    return c;
}

// Records about `seconds` of audio into `path` the way the main window does: the recorder takes
// its format from the file, and each finished block goes unchanged to WriteBlock.
qint64 record(AudioFile &file, const QString &path, double seconds) {
    AudioRecord rec;
    if (rec.DeviceCount() < 1 || file.CreateWrite(path) != 0)
        return -1;
    const int rate = file.SampleRate();
    const int channels = file.ChannelCount();
    rec.SetFormat(rate, channels);
    rec.SetBlockSize(rate / 4);
    qint64 frames = 0;
    bool failed = false;
    QObject context;
    QObject::connect(&rec, &AudioRecord::EndArrayRecord, &context, [&](int) {
        const QVector<qint16> block = rec.GetRecordedBlock();
        if (!file.WriteBlock(block))
            failed = true;
        frames += block.size() / channels;
    });
    if (rec.RecordStart() < 0)
        return -1;
    const auto wanted = static_cast<qint64>(seconds * rate);
    QElapsedTimer guard; // a hang guard only
    guard.start();
    while (frames < wanted && guard.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    rec.RecordStop();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    file.CloseFile();
    return failed ? -1 : frames;
}

// Frequency of the recorded tone, decoded by an outside tool to mono 16-bit at `rate`.
double decodedTone(const QString &program, const QStringList &args, int rate) {
    const auto out = testsupport::runTool(program, args);
    if (out.exitCode != 0 || out.out.size() < 4000)
        return 0;
    const auto *s = reinterpret_cast<const qint16 *>(out.out.constData());
    const qsizetype n = out.out.size() / 2;
    // Rising zero crossings, leaving out the first and last tenth.
    qsizetype first = -1;
    qsizetype last = -1;
    int crossings = 0;
    for (qsizetype i = n / 10 + 1; i < n - n / 10; ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (first < 0)
                first = i;
            else
                ++crossings;
            last = i;
        }
    }
    return crossings > 0 ? crossings * static_cast<double>(rate) / static_cast<double>(last - first)
                         : 0;
}

double ffmpegTone(const QString &path, int rate, const QStringList &inputArgs = {}) {
    QStringList args = {"-v", "error"};
    args += inputArgs;
    args += {"-i", path, "-ac", "1", "-ar", QString::number(rate), "-f", "s16le", "-"};
    return decodedTone(QStringLiteral("ffmpeg"), args, rate);
}

double soxTone(const QString &path, const QStringList &inputArgs, int rate) {
    QStringList args = inputArgs;
    args += {path, "-t", "raw", "-e", "signed", "-b", "16", "-c", "1", "-"};
    return decodedTone(QStringLiteral("sox"), args, rate);
}

} // namespace

class TestFormatRecording : public QObject {
    Q_OBJECT

private slots:
    void init() {
        REQUIRE_PULSE();
        REQUIRE_TOOL("ffprobe");
    }

    void mp3Window() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmMP3 w(file, values, {});
            auto *rates = child<QComboBox>(&w, "Combo5");
            rates->setCurrentIndex(rates->findText(QStringLiteral("22050")));
            child<QComboBox>(&w, "Combo3")->setCurrentIndex(4); // Mono
            child<QSlider>(&w, "Slider1")->setValue(frmMP3::positionOf(64));
            child<QPushButton>(&w, "Command1")->click();
        }
        const QString path = folder.file(QStringLiteral("take.MP3"));
        const qint64 frames = record(file, path, 2.0);
        QVERIFY(frames >= 44100);
        const Probe p = probe(path);
        QVERIFY(p.ok);
        QCOMPARE(p.codec, QStringLiteral("mp3"));
        QCOMPARE(p.rate, 22050);
        QCOMPARE(p.channels, 1);
        QCOMPARE(p.bitrate, qint64(64000));
        QVERIFY(qAbs(p.duration - frames / 22050.0) < 0.15);
        QVERIFY(qAbs(ffmpegTone(path, 22050) - kTone) < 3);
    }

    void oggWindow_data() {
        QTest::addColumn<bool>("quality");
        QTest::newRow("nominal 192") << false;
        QTest::newRow("quality mode") << true;
    }
    void oggWindow() {
        QFETCH(bool, quality);
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmOgg w(file, values, {});
            child<QSlider>(&w, "sldrBitrate")->setValue(4); // 192
            if (quality) {
                child<QCheckBox>(&w, "chQuality")->setChecked(true);
                child<QSlider>(&w, "sldrQuality")->setValue(100);
            }
            child<QPushButton>(&w, "cmdOk")->click();
        }
        const QString path = folder.file(QStringLiteral("take.OGG"));
        const qint64 frames = record(file, path, 2.0);
        QVERIFY(frames >= 88200);
        const Probe p = probe(path);
        QVERIFY(p.ok);
        QCOMPARE(p.codec, QStringLiteral("vorbis"));
        QCOMPARE(p.rate, 44100);
        QCOMPARE(p.channels, 2);
        // The nominal bit rate in the Vorbis header: 192 asked, or the quality mode's own
        // (quality 1 is far below 192 kbit/s).
        if (quality)
            QVERIFY(p.bitrate > 0 && p.bitrate < 150000);
        else
            QCOMPARE(p.bitrate, qint64(192000));
        QVERIFY(qAbs(ffmpegTone(path, 44100) - kTone) < 3);
    }

    void wavWindowPcm() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmWAV w(file, values, {});
            child<QRadioButton>(&w, "F2")->click(); // 16000
            child<QRadioButton>(&w, "P1")->click(); // mono
            child<QPushButton>(&w, "Command1")->click();
        }
        const QString path = folder.file(QStringLiteral("take.WAV"));
        const qint64 frames = record(file, path, 2.0);
        QVERIFY(frames >= 32000);
        const Probe p = probe(path);
        QCOMPARE(p.codec, QStringLiteral("pcm_s16le"));
        QCOMPARE(p.rate, 16000);
        QCOMPARE(p.channels, 1);
        QCOMPARE(p.bitsPerSample, 16);
        QCOMPARE(qRound64(p.duration * 16000), frames); // every recorded frame is in the file
        QVERIFY(qAbs(ffmpegTone(path, 16000) - kTone) < 3);
    }

    void wavWindowAdpcm() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmWAV w(file, values, {});
            child<QRadioButton>(&w, "F6")->click(); // 22050
            child<QRadioButton>(&w, "P2")->click();
            child<QPushButton>(&w, "cmdADPCM")->click();
        }
        const QString path = folder.file(QStringLiteral("take.wav"));
        QVERIFY(record(file, path, 2.0) >= 44100);
        const Probe p = probe(path);
        QCOMPARE(p.codec, QStringLiteral("adpcm_ima_wav"));
        QCOMPARE(p.rate, 22050);
        QCOMPARE(p.channels, 2);
        QVERIFY(qAbs(ffmpegTone(path, 22050) - kTone) < 3);
    }

    void wavWindowLikeSample() {
        REQUIRE_TOOL("sox");
        ProgramFolderScope folder;
        QString sample = folder.file(QStringLiteral("sample.wav"));
        QCOMPARE(testsupport::runTool(QStringLiteral("sox"),
                                      {"-n", "-r", "11025", "-c", "1", "-e", "a-law", sample,
                                       "synth", "0.1", "sine", "1000"})
                     .exitCode,
                 0);
        AudioFile file;
        FormatValues values;
        {
            frmWAV w(file, values, {});
            w.setSampleChooser([&](QWidget *) { return sample; });
            child<QPushButton>(&w, "cmdSample")->click();
            child<QPushButton>(&w, "Command2")->click(); // the format is taken already
        }
        const QString path = folder.file(QStringLiteral("take.wav"));
        QVERIFY(record(file, path, 2.0) >= 22050);
        const Probe p = probe(path);
        QCOMPARE(p.codec, QStringLiteral("pcm_alaw"));
        QCOMPARE(p.rate, 11025);
        QCOMPARE(p.channels, 1);
    }

    void wavWindowFromMenu() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        QString description;
        {
            // The chooser the main window installs: Microsoft ADPCM, 11025 Hz mono.
            file.SetWavFormatChooser(WavFormatDialog::chooserFor(nullptr));
            frmWAV w(file, values, [&](const QString &d) { description = d; });
            QTimer::singleShot(0, [] {
                auto *chooser = qobject_cast<QDialog *>(QApplication::activeModalWidget());
                QVERIFY(chooser != nullptr &&
                        chooser->objectName() == QLatin1String("WavFormatDialog"));
                auto *codec = chooser->findChild<QComboBox *>(QStringLiteral("codec"));
                codec->setCurrentIndex(codec->findText(QStringLiteral("Microsoft ADPCM")));
                auto *attributes = chooser->findChild<QComboBox *>(QStringLiteral("attributes"));
                attributes->setCurrentIndex(attributes->findText(QStringLiteral("11025 Hz, mono")));
                chooser->accept();
            });
            child<QPushButton>(&w, "cmdMenu")->click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
        }
        QVERIFY(description.contains(QStringLiteral("11025 Hz, mono")));
        const QString path = folder.file(QStringLiteral("take.wav"));
        QVERIFY(record(file, path, 2.0) >= 22050);
        const Probe p = probe(path);
        QCOMPARE(p.codec, QStringLiteral("adpcm_ms"));
        QCOMPARE(p.rate, 11025);
        QCOMPARE(p.channels, 1);
        QVERIFY(qAbs(ffmpegTone(path, 11025) - kTone) < 3);
    }

    void voxWindow() {
        REQUIRE_TOOL("sox");
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmVOX w(file, values, {});
            child<QRadioButton>(&w, "F1")->click(); // 8000
            child<QPushButton>(&w, "cmdOK")->click();
        }
        const QString path = folder.file(QStringLiteral("take.VOX"));
        const qint64 frames = record(file, path, 2.0);
        QVERIFY(frames >= 16000);
        // Dialogic ADPCM: four bits a sample, no header.
        QVERIFY(qAbs(QFileInfo(path).size() - frames / 2) <= 1);
        QVERIFY(qAbs(soxTone(path, {"-t", "vox", "-r", "8000", "-c", "1"}, 8000) - kTone) < 3);
    }

    void rawWindow() {
        REQUIRE_TOOL("sox");
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmRAW w(file, values, {});
            child<QRadioButton>(&w, "F5")->click(); // 11025
            child<QRadioButton>(&w, "P1")->click(); // mono
            child<QRadioButton>(&w, "C2")->click(); // A-law
            child<QPushButton>(&w, "cmdOK")->click();
        }
        const QString path = folder.file(QStringLiteral("take.Raw"));
        const qint64 frames = record(file, path, 2.0);
        QVERIFY(frames >= 22050);
        QCOMPARE(QFileInfo(path).size(), frames);
        QVERIFY(qAbs(soxTone(path, {"-t", "al", "-r", "11025", "-c", "1"}, 11025) - kTone) < 3);
        QVERIFY(qAbs(ffmpegTone(path, 11025, {"-f", "alaw", "-ar", "11025", "-ac", "1"}) - kTone) <
                3);
    }

    void g726Window() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        {
            frmG726 w(file, values, {});
            child<QRadioButton>(&w, "F1")->click();        // 8000
            child<QRadioButton>(&w, "Option1_1")->click(); // 3 bits
            child<QPushButton>(&w, "cmdOK")->click();
        }
        const QString path = folder.file(QStringLiteral("take.G726"));
        QVERIFY(record(file, path, 2.0) >= 16000);
        const Probe p = probe(path);
        QVERIFY(p.ok);
        QVERIFY2(p.codec.startsWith(QStringLiteral("adpcm_g726")), qPrintable(p.codec));
        QCOMPARE(p.rate, 8000);
        QCOMPARE(p.channels, 1);
        QCOMPARE(p.bitrate, qint64(24000));
        QVERIFY(qAbs(ffmpegTone(path, 8000) - kTone) < 5);
    }
};

QTEST_MAIN(TestFormatRecording)
#include "tst_formatrecording.moc"
