// A first start gets the shipped settings.dat, and with it a fresh install
// records what it hears: an 8 kHz tone comes through at its own level.
#include "../app/Form1TestUtil.h"
#include "DefaultSettings.h"

#include <QFileInfo>
#include <QProcess>

#include <cmath>

using namespace pelvanto;
using namespace form1test;

namespace {
const QString kToneSource = QStringLiteral("tone8k_mic");

QString pactl(const QStringList &args) {
    return QString::fromUtf8(testsupport::runTool(QStringLiteral("pactl"), args).out).trimmed();
}

// RMS level in dB (full scale 32768) of the middle four fifths.
double rmsDb(const QVector<qint16> &s) {
    const qsizetype from = s.size() / 10;
    const qsizetype to = s.size() - from;
    double sum = 0;
    for (qsizetype i = from; i < to; ++i)
        sum += static_cast<double>(s[i]) * s[i];
    const double n = static_cast<double>(std::max<qsizetype>(1, to - from));
    return 10.0 * std::log10(std::max(sum / n, 1e-12) / (32768.0 * 32768.0));
}

QVector<qint16> samplesOf(const QByteArray &bytes) {
    QVector<qint16> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.constData(), static_cast<size_t>(out.size()) * 2);
    return out;
}
} // namespace

class TestFreshInstall : public QObject {
    Q_OBJECT

    QTemporaryDir data_; // stands in for the standard data folders
    QStringList modules_;
    QProcess keepAlive_;

    QString shippedDefaults() const {
        return qEnvironmentVariable("PELVANTO_TEST_TOOLS") + "/defaults/settings.dat";
    }
    QString sharedDefaults() const { return data_.filePath("pelvanto/defaults/settings.dat"); }

    // The tone as the server delivers it, read straight from the source.
    double sourceLevelDb() {
        QProcess rec;
        rec.start(QStringLiteral("parec"), {"-d", kToneSource, "--raw", "--format=s16le",
                                            "--rate=44100", "--channels=2", "--latency-msec=20"});
        if (!rec.waitForStarted(5000))
            return 0;
        QByteArray bytes;
        const qsizetype wanted = 44100LL * 4; // one second of stereo frames
        while (bytes.size() < wanted && rec.waitForReadyRead(5000))
            bytes += rec.readAllStandardOutput();
        rec.kill();
        rec.waitForFinished();
        return bytes.size() < wanted ? 0 : rmsDb(samplesOf(bytes.left(wanted)));
    }

private slots:
    void initTestCase() {
        QVERIFY(data_.isValid());
        // Only our data folder: an installed copy on this machine must not answer.
        qputenv("XDG_DATA_DIRS", data_.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", data_.filePath("home-data").toLocal8Bit());
    }

    void cleanupTestCase() {
        if (keepAlive_.state() != QProcess::NotRunning) {
            keepAlive_.kill();
            keepAlive_.waitForFinished();
        }
        for (auto it = modules_.crbegin(); it != modules_.crend(); ++it)
            pactl({QStringLiteral("unload-module"), *it});
    }

    void installIfMissing_data() {
        QTest::addColumn<QByteArray>("existing"); // "<none>": no file yet
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<bool>("copied");
        QTest::newRow("fresh folder") << QByteArray("<none>") << true << "" << true;
        QTest::newRow("folder not made yet") << QByteArray("<none>") << true << "deeper" << true;
        QTest::newRow("the user's file stays")
            << QByteArray("[set]\r\nfilename=Mine\r\n") << true << "" << false;
        QTest::newRow("an empty file is the user's too") << QByteArray() << true << "" << false;
        QTest::newRow("nothing shipped") << QByteArray("<none>") << false << "" << false;
    }
    void installIfMissing() {
        QFETCH(QByteArray, existing);
        QFETCH(bool, shipped);
        QFETCH(QString, subfolder);
        QFETCH(bool, copied);
        QTemporaryDir folder;
        const QString settings =
            QDir::cleanPath(folder.path() + '/' + subfolder + QStringLiteral("/settings.dat"));
        if (existing != "<none>")
            QVERIFY(testsupport::writeFile(settings, existing));
        QFile::remove(sharedDefaults());
        if (shipped) {
            QVERIFY(QDir().mkpath(QFileInfo(sharedDefaults()).absolutePath()));
            QVERIFY(QFile::copy(shippedDefaults(), sharedDefaults()));
        }
        setProgramFolderOverride(folder.path());
        QCOMPARE(DefaultSettings::installIfMissing(settings), copied);
        setProgramFolderOverride({});
        if (copied)
            QCOMPARE(testsupport::readFile(settings), testsupport::readFile(shippedDefaults()));
        else if (existing != "<none>")
            QCOMPARE(testsupport::readFile(settings), existing);
        else
            QVERIFY(!QFileInfo::exists(settings));
    }

    void shippedDefaultsRecordUnfiltered() {
        // What the INI rules would switch on for a missing key is off in the shipped file.
        for (const char *key : {"notch", "highpass", "lowpass", "autogain"})
            QCOMPARE(Inifun::ReadIni(shippedDefaults(), "other", key), QStringLiteral("0"));
        QCOMPARE(Inifun::ReadIni(shippedDefaults(), "set", "filename"), QStringLiteral("Recorded"));
    }

    void toneLevel_data() {
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<double>("minLossDb");
        QTest::addColumn<double>("maxLossDb");
        QTest::newRow("first start with the shipped settings") << true << -0.5 << 0.5;
        // A file without the filter keys still counts them as on, at 50/400/4000 Hz.
        QTest::newRow("a file without the filter keys") << false << 10.0 << 200.0;
    }
    void toneLevel() {
        QFETCH(bool, shipped);
        QFETCH(double, minLossDb);
        QFETCH(double, maxLossDb);
        REQUIRE_PULSE();
        REQUIRE_TOOL("pactl");
        REQUIRE_TOOL("parec");
        REQUIRE_TOOL("ffmpeg");
        if (modules_.isEmpty()) {
            modules_ << pactl({"load-module", "module-null-sink", "sink_name=tone8k", "rate=44100",
                               "channels=2"});
            modules_ << pactl({"load-module", "module-sine", "sink=tone8k", "frequency=8000"});
            modules_ << pactl({"load-module", "module-remap-source", "master=tone8k.monitor",
                               "source_name=" + kToneSource});
            for (const QString &m : std::as_const(modules_))
                QVERIFY2(!m.isEmpty(), "could not load a server module");
            // Smooth delivery from the monitor, as with the test microphone.
            keepAlive_.setStandardOutputFile(QProcess::nullDevice());
            keepAlive_.start(QStringLiteral("parec"),
                             {"--latency-msec=10", "-d", "tone8k.monitor", "--raw"});
            QVERIFY(keepAlive_.waitForStarted(5000));
        }
        const double sourceDb = sourceLevelDb();
        QVERIFY2(sourceDb < -1.0 && sourceDb > -40.0, qPrintable(QString::number(sourceDb)));

        Environment env;
        QFile::remove(sharedDefaults());
        if (shipped) {
            QVERIFY(QDir().mkpath(QFileInfo(sharedDefaults()).absolutePath()));
            QVERIFY(QFile::copy(shippedDefaults(), sharedDefaults()));
            QVERIFY(DefaultSettings::installIfMissing(Inifun::settingsFile()));
        } else {
            env.set("wav", "Freq", QStringLiteral("44100"));
            env.set("wav", "Channel", QStringLiteral("2"));
        }
        Form1 form;
        QVERIFY(chooseDevice(form, kToneSource));
        QVERIFY(recordMs(form, 2000));
        const QString path = row(form, 0).value(1);
        QVERIFY2(QFileInfo(path).size() > 100000, qPrintable(path));
        if (shipped) // the shipped name, in the program folder of a portable copy
            QVERIFY2(path.startsWith(env.path("Recorded")) && path.endsWith(".WAV"),
                     qPrintable(path));

        const auto decoded = testsupport::runTool(
            QStringLiteral("ffmpeg"), {"-v", "error", "-nostdin", "-i", path, "-f", "s16le", "-"});
        QCOMPARE(decoded.exitCode, 0);
        const double lossDb = sourceDb - rmsDb(samplesOf(decoded.out));
        qInfo("source %.2f dB, recorded %.2f dB lower", sourceDb, lossDb);
        QVERIFY2(
            lossDb >= minLossDb && lossDb <= maxLossDb,
            qPrintable(
                QStringLiteral("source %1 dB, recorded %2 dB lower").arg(sourceDb).arg(lossDb)));
    }
};

QTEST_MAIN(TestFreshInstall)
#include "tst_freshinstall.moc"
