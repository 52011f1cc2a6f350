// The conversion run against real inputs made by ffmpeg, checked by ffprobe/ffmpeg: formats,
// names, cancelling and every kind of bad input.
#include "AudioCheck.h"
#include "ConversionNames.h"
#include "ConversionRun.h"
#include "ConvertTestSupport.h"
#include "TestSupport.h"
#include "audiofile/AudioFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include <functional>

using namespace pelvanto;
using namespace converttest;
using Outcome = ConversionStep::Outcome;
using Kind = ConversionLogEntry::Kind;

Q_DECLARE_METATYPE(ConversionStep::Outcome)

namespace {

// The window's writer settings at load.
void windowDefaults(AudioFile &writer) {
    writer.SetOggFormat(44100, 2, 128, 0, 0, -1);
    writer.SetMp3Format(44100, 128, 2);
    writer.SetWmaProfile(39);
}

struct Result {
    QList<ConversionStep> steps;
    QList<ConversionLogEntry> log;

    QStringList messages() const {
        QStringList list;
        for (const auto &e : log)
            list << e.message;
        return list;
    }
    int count(Kind kind) const {
        return static_cast<int>(std::count_if(log.begin(), log.end(),
                                              [kind](const auto &e) { return e.kind == kind; }));
    }
    bool saysComplete() const {
        return std::any_of(log.begin(), log.end(),
                           [](const auto &e) { return e.message.startsWith("complete"); });
    }
};

Result convert(const ConversionRequest &request,
               const std::function<void(AudioFile &)> &setup = windowDefaults,
               const std::function<void(ConversionRun &, double)> &onProgress = {}) {
    AudioFile reader;
    AudioFile writer;
    setup(writer);
    ConversionRun run(reader, writer);
    Result result;
    QObject::connect(&run, &ConversionRun::logged,
                     [&](const ConversionLogEntry &e) { result.log << e; });
    if (onProgress) {
        QObject::connect(&run, &ConversionRun::progressChanged,
                         [&](double percent) { onProgress(run, percent); });
    }
    result.steps = run.run(request);
    return result;
}

ConversionRequest everyFormat(const QString &input) {
    ConversionRequest r;
    r.input = input;
    r.wma = r.mp3 = r.ogg = true;
    r.wmaProfile = 39;
    return r;
}

// Length of a file as ffmpeg decodes it, in seconds.
double decodedSeconds(const QString &path) {
    const auto p = audiocheck::probe(path);
    bool ok = false;
    const QVector<qint16> mono = audiocheck::decodeMono(path, {}, &ok);
    return ok && p.rate > 0 ? static_cast<double>(mono.size()) / p.rate : -1;
}

QStringList filesIn(const QString &folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

class TestConversionRun : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        REQUIRE_TOOL("ffmpeg");
        REQUIRE_TOOL("ffprobe");
        QVERIFY(m_dir.isValid());
        // Lets the "nobody" of the permission tests reach the fixtures.
        QVERIFY(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                        QFile::ExeOwner | QFile::ReadOther |
                                                        QFile::ExeOther));
    }

    void convertsEveryInputToEveryFormat_data() {
        QTest::addColumn<QString>("ext");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QStringList>("codecArgs");
        for (const InputKind &k : inputKinds()) {
            QTest::newRow(k.ext) << QString::fromLatin1(k.ext) << k.rate << k.channels
                                 << k.codecArgs;
        }
    }
    void convertsEveryInputToEveryFormat() {
        QFETCH(QString, ext);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(QStringList, codecArgs);
        const QString folder = subfolder(ext);
        const QString input = folder + "/tone.in." + ext;
        QVERIFY(makeTone(input, rate, channels, codecArgs, 3.0));
        const double inputSeconds = decodedSeconds(input);
        QVERIFY(inputSeconds > 2.5);

        const Result r = convert(everyFormat(input));
        QCOMPARE(r.messages(), QStringList({"Start Convert To WMA", "complete Convert To WMA",
                                            "Start Convert To MP3", "complete Convert To MP3",
                                            "Start Convert To Ogg", "complete Convert To Ogg",
                                            "Tasks is completed"}));
        QCOMPARE(r.count(Kind::Error), 0);

        struct Expected {
            QString name;
            QString codec;
            qint64 bitrate;
        };
        const QList<Expected> outputs = {{"tone_39.wma", "wmav2", 128000},
                                         {"tone_128kbps.mp3", "mp3", 128000},
                                         {"tone.ogg", "vorbis", 128000}};
        QCOMPARE(r.steps.size(), outputs.size());
        for (qsizetype i = 0; i < outputs.size(); ++i) {
            const Expected &e = outputs[i];
            const QString path = folder + '/' + e.name;
            QCOMPARE(r.steps[i].output, path);
            QCOMPARE(r.steps[i].outcome, Outcome::Complete);
            const auto p = audiocheck::probe(path);
            QVERIFY2(p.ok, qPrintable(path));
            QCOMPARE(p.codec, e.codec);
            QCOMPARE(p.rate, 44100);
            QCOMPARE(p.channels, 2);
            QCOMPARE(p.bitrate, e.bitrate);
            QVERIFY2(std::abs(p.duration - inputSeconds) <= 0.05,
                     qPrintable(QStringLiteral("%1: %2 s from an input of %3 s")
                                    .arg(e.name)
                                    .arg(p.duration)
                                    .arg(inputSeconds)));
            const QVector<qint16> mono = audiocheck::decodeMono(path);
            const double tone = audiocheck::toneFrequency(mono, 44100);
            QVERIFY2(std::abs(tone - kTone) < kTone * 0.01, qPrintable(QString::number(tone)));
        }
    }

    void mp3NameCarriesTheEncodedBitrate_data() {
        QTest::addColumn<std::function<void(AudioFile &)>>("setup");
        QTest::addColumn<QString>("name");
        QTest::addColumn<qint64>("bitrate"); // 0: variable, not compared

        using Setup = std::function<void(AudioFile &)>;
        QTest::newRow("320 kbit/s") << Setup([](AudioFile &w) { w.SetMp3Format(44100, 320, 2); })
                                    << "in_320kbps.mp3" << qint64{320000};
        // MPEG-2 layer III tops out at 160 kbit/s: the name follows what is encoded.
        QTest::newRow("320 asked at 22050 Hz")
            << Setup([](AudioFile &w) { w.SetMp3Format(22050, 320, 2); }) << "in_160kbps.mp3"
            << qint64{160000};
        QTest::newRow("ABR 192") << Setup([](AudioFile &w) {
            Mp3EncoderSettings s;
            s.SetVbrMode(4);
            s.SetAbrBitrate(192);
            w.SetMp3Encoder(s);
        }) << "in_192kbps.mp3" << qint64{0};
        QTest::newRow("VBR") << Setup([](AudioFile &w) {
            Mp3EncoderSettings s;
            s.SetVbrMode(0);
            w.SetMp3Encoder(s);
        }) << "in_vbr.mp3" << qint64{0};
    }
    void mp3NameCarriesTheEncodedBitrate() {
        QFETCH(std::function<void(AudioFile &)>, setup);
        QFETCH(QString, name);
        QFETCH(qint64, bitrate);
        const QString folder = subfolder(QTest::currentDataTag());
        QVERIFY(makeTone(folder + "/in.wav", 44100, 2, {}, 1.0));
        ConversionRequest request;
        request.input = folder + "/in.wav";
        request.mp3 = true;
        const Result r = convert(request, setup);
        QCOMPARE(r.steps.size(), 1);
        QCOMPARE(r.steps[0].output, folder + '/' + name);
        QCOMPARE(r.steps[0].outcome, Outcome::Complete);
        const auto p = audiocheck::probe(folder + '/' + name);
        QCOMPARE(p.codec, QStringLiteral("mp3"));
        if (bitrate > 0)
            QCOMPARE(p.bitrate, bitrate);
    }

    void namesOutputsBesideTheInput_data() {
        QTest::addColumn<QString>("create"); // file made in the folder, empty for none
        QTest::addColumn<QString>("typed");  // relative to the folder
        QTest::addColumn<QString>("base");   // empty: "Invalid input file name"
        const auto row = [](const char *tag, const char *create, const char *typed,
                            const char *base) {
            QTest::newRow(tag) << QString(create) << QString(typed) << QString(base);
        };
        row("first dot ends the base", "song.live.mp3", "song.live.mp3", "song");
        row("dots in the folder name", "a.b/c.wav", "a.b/c.wav", "a.b/c");
        row("no dot", "song", "song", "");
        row("missing", "", "nothing.mp3", "");
        row("a folder", "folder.mp3/x.wav", "folder.mp3", "");
        row("empty text", "", "", "");
    }
    void namesOutputsBesideTheInput() {
        QFETCH(QString, create);
        QFETCH(QString, typed);
        QFETCH(QString, base);
        const QString folder = subfolder(QTest::currentDataTag());
        if (!create.isEmpty()) {
            QVERIFY(QDir(folder).mkpath(QFileInfo(create).path()));
            QVERIFY(testsupport::writeFile(folder + '/' + create, "x"));
        }
        const QString typedPath = typed.isEmpty() ? QString() : folder + '/' + typed;
        const std::optional<QString> got = ConversionNames::outputBase(typedPath);
        if (base.isEmpty()) {
            QVERIFY(!got);
            // The run refuses it too, with the window's message.
            const Result r = convert(everyFormat(typedPath));
            QCOMPARE(r.messages(), QStringList{"Invalid input file name: " + typedPath});
            QCOMPARE(r.log.first().kind, Kind::Error);
            return;
        }
        QVERIFY(got);
        QCOMPARE(*got, folder + '/' + base);
        QCOMPARE(ConversionNames::mp3Output(*got, 128), folder + '/' + base + "_128kbps.mp3");
        QCOMPARE(ConversionNames::oggOutput(*got), folder + '/' + base + ".ogg");
        QCOMPARE(ConversionNames::wmaOutput(*got, 24), folder + '/' + base + "_24.wma");
    }

    void relativeInputNamesOutputsInItsFolder() {
        const QString folder = subfolder("relative");
        QVERIFY(testsupport::writeFile(folder + "/song.mp3", "x"));
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(folder));
        const std::optional<QString> got = ConversionNames::outputBase("song.mp3");
        QVERIFY(QDir::setCurrent(before));
        QVERIFY(got);
        QCOMPARE(*got, QFileInfo(folder).canonicalFilePath() + "/song");
    }

    // On a case-insensitive file system a typed SONG.MP3 reaches song.mp3: the output is named
    // after the file as the folder stores it.
    void storedNameFollowsTheFolder_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listing");
        QTest::addColumn<QString>("sameAs"); // the listed name that is the same file
        QTest::addColumn<QString>("expected");
        QTest::newRow("listed as typed")
            << "Song.mp3" << QStringList{"song.mp3", "Song.mp3"} << "song.mp3"
            << "Song.mp3";
        QTest::newRow("other letter case")
            << "SONG.MP3" << QStringList{"a.wav", "song.mp3"} << "song.mp3"
            << "song.mp3";
        QTest::newRow("same letters, another file") << "SONG.MP3" << QStringList{"song.mp3"} << ""
                                                    << "SONG.MP3";
        QTest::newRow("not listed") << "x.wav" << QStringList{"y.wav"} << ""
                                    << "x.wav";
    }
    void storedNameFollowsTheFolder() {
        QFETCH(QString, typed);
        QFETCH(QStringList, listing);
        QFETCH(QString, sameAs);
        QFETCH(QString, expected);
        QCOMPARE(ConversionNames::storedName(
                     typed, listing, [&](const QString &listed) { return listed == sameAs; }),
                 expected);
    }

    void refusesToWriteOverTheInput_data() {
        QTest::addColumn<bool>("throughLink");
        QTest::newRow("song.ogg to Ogg Vorbis") << false;
        QTest::newRow("output name is a link to the input") << true;
    }
    void refusesToWriteOverTheInput() {
        QFETCH(bool, throughLink);
        const QString folder = subfolder(QTest::currentDataTag());
        const QString input = folder + (throughLink ? "/song.wav" : "/song.ogg");
        QVERIFY(makeTone(input, 44100, 2,
                         throughLink ? QStringList{} : QStringList{"-c:a", "libvorbis"}, 2.0));
        if (throughLink)
            QVERIFY(QFile::link(input, folder + "/song.ogg"));
        const QByteArray original = testsupport::readFile(input);
        ConversionRequest request;
        request.input = input;
        request.mp3 = request.ogg = true;
        const Result r = convert(request);

        QCOMPARE(testsupport::readFile(input), original);
        QCOMPARE(r.steps.size(), 2);
        QCOMPARE(r.steps[0].outcome, Outcome::Complete); // MP3 is not affected
        QCOMPARE(r.steps[1].outcome, Outcome::Failed);
        QCOMPARE(r.count(Kind::Error), 1);
        QVERIFY(r.messages().contains("Convert To Ogg failed: the output " + folder +
                                      "/song.ogg is the input file itself"));
        QVERIFY(!r.messages().contains("complete Convert To Ogg"));
    }

    void overwritesAnOlderOutput() {
        const QString folder = subfolder("overwrite");
        QVERIFY(makeTone(folder + "/a.wav", 44100, 2, {}, 1.0));
        QVERIFY(testsupport::writeFile(folder + "/a.ogg", QByteArray(100000, 'x')));
        ConversionRequest request;
        request.input = folder + "/a.wav";
        request.ogg = true;
        const Result r = convert(request);
        QCOMPARE(r.steps.value(0).outcome, Outcome::Complete);
        QCOMPARE(audiocheck::probe(folder + "/a.ogg").codec, QStringLiteral("vorbis"));
    }

    void cancelDuringTheFirstFormat() {
        const QString folder = subfolder("cancel");
        const QString input = folder + "/long.wav";
        QVERIFY(makeTone(input, 44100, 2, {}, 20.0));
        const Result r =
            convert(everyFormat(input), windowDefaults, [](ConversionRun &run, double p) {
                if (p >= 25)
                    run.cancel();
            });
        QCOMPARE(r.steps.size(), 1);
        QCOMPARE(r.steps[0].outcome, Outcome::Cancelled);
        QCOMPARE(r.messages(), QStringList({"Start Convert To WMA",
                                            "Convert To WMA cancelled; the partial output stays: " +
                                                folder + "/long_39.wma",
                                            "Tasks is completed"}));
        // A playable partial file, and nothing of the other formats.
        QCOMPARE(filesIn(folder), QStringList({"long.wav", "long_39.wma"}));
        const auto p = audiocheck::probe(folder + "/long_39.wma");
        QCOMPARE(p.codec, QStringLiteral("wmav2"));
        QVERIFY2(p.duration >= 4.0 && p.duration <= 8.0, qPrintable(QString::number(p.duration)));
    }

    void badInput_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QList<Outcome>>("outcomes");
        QTest::addColumn<QString>("error"); // part of each error line
        QTest::addColumn<QStringList>("leftOver");

        const QList<Outcome> none;
        const QList<Outcome> failed{Outcome::Failed};
        const QList<Outcome> cutOff{Outcome::InputEndedEarly, Outcome::InputEndedEarly,
                                    Outcome::InputEndedEarly};
        const QStringList incomplete{"in (incomplete).ogg", "in_128kbps (incomplete).mp3",
                                     "in_39 (incomplete).wma"};
        QTest::newRow("missing") << "missing" << none
                                 << "Invalid input file name: " << QStringList{};
        QTest::newRow("not audio") << "text" << failed << "not an audio file" << QStringList{};
        QTest::newRow("unreadable") << "unreadable" << failed << "cannot read " << QStringList{};
        QTest::newRow("truncated wav")
            << "cut wav" << cutOff << "the input ended after 0:02 of " << incomplete;
        QTest::newRow("truncated mp3")
            << "cut mp3" << cutOff << "the input ended after 0:02 of " << incomplete;
        QTest::newRow("header only") << "header" << failed << "cannot open " << QStringList{};
    }
    void badInput() {
        QFETCH(QString, kind);
        QFETCH(QList<Outcome>, outcomes);
        QFETCH(QString, error);
        QFETCH(QStringList, leftOver);
        const QString folder = subfolder(QTest::currentDataTag());
        QString input = folder + "/in.wav";
        if (kind == "text") {
            input = folder + "/in.mp3";
            QVERIFY(testsupport::writeFile(input, "These are notes, not sound.\n"));
        } else if (kind == "unreadable") {
            QVERIFY(makeTone(input, 44100, 2, {}, 1.0));
            QVERIFY(QFile::setPermissions(input, QFileDevice::Permissions()));
        } else if (kind == "cut wav" || kind == "cut mp3" || kind == "header") {
            if (kind == "cut mp3") {
                input = folder + "/in.mp3";
            }
            QVERIFY(makeTone(input, 44100, 2,
                             kind == "cut mp3" ? QStringList{"-c:a", "libmp3lame"} : QStringList{},
                             4.0));
            const QByteArray whole = testsupport::readFile(input);
            const qsizetype keep = kind == "header" ? 44 : whole.size() * 5 / 8;
            QVERIFY(testsupport::writeFile(input, whole.left(keep)));
        } else {
            input = folder + "/missing.wav";
        }

        Result r;
        {
            std::optional<AsOrdinaryUser> user;
            if (kind == "unreadable")
                user.emplace();
            r = convert(everyFormat(input));
        }
        QCOMPARE(r.steps.size(), outcomes.size());
        for (qsizetype i = 0; i < outcomes.size(); ++i)
            QCOMPARE(r.steps[i].outcome, outcomes[i]);
        QVERIFY(!r.saysComplete());
        QVERIFY(r.count(Kind::Error) >= 1);
        QCOMPARE(r.count(Kind::Error), qMax<qsizetype>(1, outcomes.size()));
        for (const auto &e : r.log) {
            if (e.kind == Kind::Error)
                QVERIFY2(e.message.contains(error), qPrintable(e.message));
        }
        QStringList expected = leftOver;
        if (kind != "missing")
            expected << QFileInfo(input).fileName();
        expected.sort();
        QCOMPARE(filesIn(folder), expected);
        for (const QString &name : leftOver) {
            // What could be read: about 2.5 s of the 4 s.
            const auto p = audiocheck::probe(folder + '/' + name);
            QVERIFY2(p.ok && p.duration > 2.0 && p.duration < 3.0,
                     qPrintable(name + ": " + QString::number(p.duration)));
        }
    }

    void readOnlyOutputFolder() {
        const QString folder = subfolder("read-only");
        QVERIFY(makeTone(folder + "/in.wav", 44100, 2, {}, 1.0));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther));
        Result r;
        {
            const AsOrdinaryUser user;
            r = convert(everyFormat(folder + "/in.wav"));
        }
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        // Every format is tried and says why it failed.
        QCOMPARE(r.steps.size(), 3);
        for (const auto &s : r.steps)
            QCOMPARE(s.outcome, Outcome::Failed);
        QCOMPARE(r.count(Kind::Error), 3);
        QVERIFY(!r.saysComplete());
        for (const auto &e : r.log) {
            if (e.kind == Kind::Error)
                QVERIFY2(e.message.contains("Permission denied"), qPrintable(e.message));
        }
        QCOMPARE(filesIn(folder), QStringList{"in.wav"});
    }

    // The kernel refuses writes past the file size limit mid-file, as it does on a full disk.
    void diskFillsUpMidFile() {
        const QString folder = subfolder("full");
        QVERIFY(makeTone(folder + "/in.wav", 44100, 2, {}, 10.0));
        struct rlimit before {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &before), 0);
        struct rlimit small = before;
        small.rlim_cur = 48 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const Result r = convert(everyFormat(folder + "/in.wav"));
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &before), 0);

        QCOMPARE(r.steps.size(), 3);
        for (const auto &s : r.steps)
            QCOMPARE(s.outcome, Outcome::Failed);
        QCOMPARE(r.count(Kind::Error), 3);
        QVERIFY(!r.saysComplete());
        for (const auto &e : r.log) {
            if (e.kind == Kind::Error) {
                QVERIFY2(e.message.contains("File too large") &&
                             e.message.contains("the unfinished output"),
                         qPrintable(e.message));
            }
        }
        QCOMPARE(filesIn(folder), QStringList{"in.wav"});
    }

private:
    QString subfolder(const QString &name) {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                        QFile::ReadOther | QFile::ExeOther);
        return path;
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestConversionRun)
#include "tst_conversionrun.moc"
