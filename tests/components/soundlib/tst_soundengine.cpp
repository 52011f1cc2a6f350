// The mixer's voices on generated sources, and the engine's calls, failures and events on the
// silent output (no sound server needed).
#include "SoundTestUtil.h"
#include "TestSupport.h"
#include "soundlib/SoundEngine.h"
#include "soundlib/StreamSource.h"
#include "soundlib/StreamTags.h"
#include "soundlib/Voice.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <samplerate.h>

using namespace pelvanto::sound;
using soundtest::ToneSource;

namespace {

constexpr int kRate = 44100;

std::vector<float> mixOf(Voice &voice, int frames, Voice::Result *result = nullptr) {
    std::vector<float> mix(static_cast<size_t>(frames) * 2, 0.0F);
    const Voice::Result r = voice.mixInto(mix.data(), frames);
    if (result != nullptr)
        *result = r;
    return mix;
}

} // namespace

class TestSoundEngine : public QObject {
    Q_OBJECT
private slots:
    void init();
    void panVolumeAndSurround_data();
    void panVolumeAndSurround();
    void fullStereoKeepsBothSidesOfAStereoSound();
    void pausedVoiceHoldsItsPlace();
    void frequencyChangesPitchAndPace_data();
    void frequencyChangesPitchAndPace();
    void voiceReportsEndAndFailure();
    void setUpCallsOnlyBeforeInit_data();
    void setUpCallsOnlyBeforeInit();
    void callsBeforeInitFail();
    void badArgumentsAreRefused_data();
    void badArgumentsAreRefused();
    void mp3sOpenWithoutTheirDecoder_data();
    void mp3sOpenWithoutTheirDecoder();
    void unopenableFilesFailClearly_data();
    void unopenableFilesFailClearly();
    void streamPlaysToItsEndAndFreesTheChannel();
    void channelsRunOutAndStopAll();
    void seekMovesAPlayingStream();
    void closedStreamStopsItsChannel();

private:
    QTemporaryDir dir_;
    QString shortWav_;
};

void TestSoundEngine::init() {
    shortWav_ = dir_.filePath(QStringLiteral("short.wav"));
    if (!QFileInfo::exists(shortWav_))
        QVERIFY(soundtest::writeWav(shortWav_, kRate, 2,
                                    testsupport::sineTone(kRate, 2, kRate * 3 / 10, 440)));
}

void TestSoundEngine::panVolumeAndSurround_data() {
    QTest::addColumn<int>("pan");
    QTest::addColumn<int>("volume");
    QTest::addColumn<bool>("surround");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");
    // A mono sound of level 0.5.
    QTest::newRow("centre") << 128 << 255 << false << 0.5F * 127 / 127.5F << 0.5F;
    QTest::newRow("hard left") << 0 << 255 << false << 0.5F << 0.0F;
    QTest::newRow("hard right") << 255 << 255 << false << 0.0F << 0.5F;
    QTest::newRow("a quarter right") << 192 << 255 << false << 0.5F * 63 / 127.5F << 0.5F;
    QTest::newRow("full stereo") << kFullStereoPan << 255 << false << 0.5F << 0.5F;
    QTest::newRow("half volume") << kFullStereoPan << 51 << false << 0.1F << 0.1F;
    QTest::newRow("silent") << 128 << 0 << false << 0.0F << 0.0F;
    QTest::newRow("surround inverts the right side")
        << kFullStereoPan << 255 << true << 0.5F << -0.5F;
}

void TestSoundEngine::panVolumeAndSurround() {
    QFETCH(int, pan);
    QFETCH(int, volume);
    QFETCH(bool, surround);
    QFETCH(float, left);
    QFETCH(float, right);
    ToneSource source(kRate, 1, kRate, 0.5F, 0.5F);
    Voice voice(kRate, SRC_SINC_FASTEST);
    voice.start(&source);
    voice.pan = pan;
    voice.volume = volume;
    voice.surround = surround;
    const std::vector<float> mix = mixOf(voice, 256);
    QVERIFY(std::abs(mix[200] - left) < 1e-5F);
    QVERIFY(std::abs(mix[201] - right) < 1e-5F);
    QVERIFY(std::abs(voice.levelLeft() - std::abs(left)) < 1e-5F);
    QVERIFY(std::abs(voice.levelRight() - std::abs(right)) < 1e-5F);
}

void TestSoundEngine::fullStereoKeepsBothSidesOfAStereoSound() {
    ToneSource source(kRate, 2, kRate, 0.25F, -0.75F);
    Voice voice(kRate, SRC_SINC_FASTEST);
    voice.start(&source);
    voice.pan = kFullStereoPan;
    std::vector<float> mix(512 * 2, 0.1F); // voices add to what is already mixed
    voice.mixInto(mix.data(), 512);
    QCOMPARE(mix[100], 0.35F);
    QCOMPARE(mix[101], -0.65F);
}

void TestSoundEngine::pausedVoiceHoldsItsPlace() {
    ToneSource source(kRate, 1, kRate, 0.5F, 0.5F);
    Voice voice(kRate, SRC_SINC_FASTEST);
    voice.start(&source);
    mixOf(voice, 4410);
    QCOMPARE(voice.positionMs(), 100);
    voice.paused = true;
    const std::vector<float> mix = mixOf(voice, 4410);
    QVERIFY(std::all_of(mix.begin(), mix.end(), [](float v) { return v == 0.0F; }));
    QCOMPARE(voice.positionMs(), 100);
    QCOMPARE(voice.levelLeft(), 0.0F);
    voice.paused = false;
    mixOf(voice, 4410);
    QCOMPARE(voice.positionMs(), 200);
}

void TestSoundEngine::frequencyChangesPitchAndPace_data() {
    QTest::addColumn<int>("sourceRate");
    QTest::addColumn<int>("frequency");
    QTest::addColumn<double>("heardHz");
    QTest::newRow("own rate") << kRate << kRate << 1000.0;
    QTest::newRow("double speed") << kRate << 2 * kRate << 2000.0;
    QTest::newRow("half speed") << kRate << kRate / 2 << 500.0;
    QTest::newRow("lower rate source at its own rate") << 22050 << 22050 << 1000.0;
    QTest::newRow("48 kHz source") << 48000 << 48000 << 1000.0;
}

void TestSoundEngine::frequencyChangesPitchAndPace() {
    QFETCH(int, sourceRate);
    QFETCH(int, frequency);
    QFETCH(double, heardHz);
    ToneSource source(sourceRate, 1, sourceRate * 4, 0, 0, 1000.0);
    Voice voice(kRate, SRC_SINC_FASTEST);
    voice.start(&source);
    voice.setFrequency(frequency);
    voice.pan = kFullStereoPan;
    std::vector<float> all;
    for (int i = 0; i < 20; ++i) {
        const std::vector<float> mix = mixOf(voice, 2205);
        all.insert(all.end(), mix.begin(), mix.end());
    }
    std::vector<float> settled(all.begin() + 4410 * 2, all.end());
    QVERIFY2(std::abs(soundtest::toneHz(settled, 2, 0, kRate) - heardHz) < heardHz * 0.005,
             qPrintable(QString::number(soundtest::toneHz(settled, 2, 0, kRate))));
    // One second was mixed: the source moved on by `frequency` of its frames.
    const double expectedMs = 1000.0 * frequency / sourceRate;
    QVERIFY2(std::abs(voice.positionMs() - expectedMs) < 30,
             qPrintable(QString::number(voice.positionMs())));
}

void TestSoundEngine::voiceReportsEndAndFailure() {
    ToneSource ending(kRate, 1, 1000, 0.5F, 0.5F);
    Voice voice(kRate, SRC_SINC_FASTEST);
    voice.start(&ending);
    Voice::Result result = Voice::Result::Playing;
    const std::vector<float> mix = mixOf(voice, 1500, &result);
    QCOMPARE(result, Voice::Result::Ended);
    QVERIFY(mix[999 * 2] != 0.0F);
    QCOMPARE(mix[1000 * 2], 0.0F);

    ToneSource failing(kRate, 1, kRate, 0.5F, 0.5F);
    failing.failFrom(500);
    voice.start(&failing);
    mixOf(voice, 3000, &result);
    QCOMPARE(result, Voice::Result::Failed);
}

void TestSoundEngine::setUpCallsOnlyBeforeInit_data() {
    QTest::addColumn<int>("which");
    QTest::newRow("output") << 0;
    QTest::newRow("mixer") << 1;
    QTest::newRow("buffer") << 2;
    QTest::newRow("driver") << 3;
    QTest::newRow("init again") << 4;
}

void TestSoundEngine::setUpCallsOnlyBeforeInit() {
    QFETCH(int, which);
    SoundEngine engine;
    const auto call = [&] {
        switch (which) {
        case 0:
            return engine.setOutput(OutputNoSound);
        case 1:
            return engine.setMixer(MixerLinear);
        case 2:
            return engine.setBufferSize(200);
        case 3:
            return engine.setDriver(0);
        default:
            return engine.init(kRate, 4, 0);
        }
    };
    QVERIFY(engine.setOutput(OutputNoSound));
    if (which != 4)
        QVERIFY(call());
    QVERIFY(engine.init(kRate, 4, kInitGlobalFocus | kInitAccurateVuLevels));
    QVERIFY(!call());
    QCOMPARE(engine.lastError(), int(SoundError::Busy));
    engine.close();
    QVERIFY(call()); // allowed again once closed
}

void TestSoundEngine::callsBeforeInitFail() {
    SoundEngine engine;
    QVERIFY(!engine.setPaused(1, true));
    QCOMPARE(engine.lastError(), int(SoundError::Uninitialized));
    QVERIFY(!engine.stopSound(kAllChannels));
    QCOMPARE(engine.channelsPlaying(), 0);
    // Streams open for their tags and length without any output.
    const int stream = engine.streamOpen(shortWav_, kStreamDefaultMode);
    QVERIFY(stream > 0);
    QCOMPARE(engine.streamGetLengthMs(stream), 300);
    QCOMPARE(engine.streamPlay(kFreeChannel, stream), -1);
    QCOMPARE(engine.lastError(), int(SoundError::Uninitialized));
    QVERIFY(engine.streamClose(stream));
}

void TestSoundEngine::badArgumentsAreRefused_data() {
    QTest::addColumn<int>("which");
    for (int i = 0; i < 12; ++i)
        QTest::newRow(qPrintable(QString::number(i))) << i;
}

void TestSoundEngine::badArgumentsAreRefused() {
    QFETCH(int, which);
    SoundEngine engine;
    QVERIFY(engine.setOutput(OutputNoSound));
    if (which >= 5)
        QVERIFY(engine.init(kRate, 2, 0));
    const int stream = engine.streamOpen(shortWav_, kStreamDefaultMode);
    bool ok = true;
    switch (which) {
    case 0:
        ok = engine.setOutput(7);
        break;
    case 1:
        ok = engine.setBufferSize(5);
        break;
    case 2:
        ok = engine.setDriver(1); // the silent output has one device
        break;
    case 3:
        ok = engine.init(1000, 4, 0);
        break;
    case 4:
        ok = engine.init(kRate, 4, 0x100);
        break;
    case 5:
        ok = engine.setVolume(kAllChannels, 256);
        break;
    case 6:
        ok = engine.setPan(kAllChannels, 300);
        break;
    case 7:
        ok = engine.setPaused(12345, true);
        break;
    case 8:
        ok = engine.streamPlay(5, stream) > 0; // channel index past the two
        break;
    case 9:
        ok = engine.streamSetTime(stream, 60000); // past the end
        break;
    case 10:
        ok = engine.streamOpen(shortWav_, 0x40) != 0;
        break;
    default: {
        const char *value = nullptr;
        int length = 0;
        ok = engine.streamFindTagField(stream, TagId3v2, "TIT2", &value, &length);
        break;
    }
    }
    QVERIFY(!ok);
    QCOMPARE(engine.lastError(), int(SoundError::InvalidParam));
}

void TestSoundEngine::mp3sOpenWithoutTheirDecoder_data() {
    QTest::addColumn<QByteArray>("before");
    const QByteArray tag("ID3\3\0\0\0\0\0\x10TIT2\0\0\0\x06\0\0\0Title", 26);
    QTest::newRow("frames right after the tag") << tag;
    QTest::newRow("zero padding past the tag") << tag + QByteArray(700, '\0');
    QTest::newRow("a second tag") << tag + tag;
    QTest::newRow("junk before the first frame") << tag + QByteArray(300, 'j');
}

// A folder of MP3s is opened for its tags: their decoders wait until they are played.
void TestSoundEngine::mp3sOpenWithoutTheirDecoder() {
    QFETCH(QByteArray, before);
    REQUIRE_TOOL("lame");
    const QString mp3 = dir_.filePath(QStringLiteral("plain.mp3"));
    if (!QFileInfo::exists(mp3))
        QCOMPARE(testsupport::runTool("lame", {"--quiet", shortWav_, mp3}).exitCode, 0);
    const QString path = dir_.filePath(QStringLiteral("variant.mp3"));
    QVERIFY(testsupport::writeFile(path, before + testsupport::readFile(mp3)));
    SoundError error = SoundError::None;
    const auto source = StreamSource::open(path, &error);
    QVERIFY(source);
    QVERIFY(!source->prepared());
    QVERIFY(source->tags().find(TagId3v2, "TIT2") != nullptr);
    QVERIFY(source->prepare(&error));
    QCOMPARE(source->sampleRate(), kRate);
    QVERIFY(std::abs(source->lengthMs() - 300) < 30);
}

void TestSoundEngine::unopenableFilesFailClearly_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << "missing.mp3" << QByteArray() << int(SoundError::FileNotFound);
    QTest::newRow("directory") << "dir.mp3" << QByteArray() << int(SoundError::FileBad);
    QTest::newRow("pipe") << "fifo.mp3" << QByteArray() << int(SoundError::FileBad);
    QTest::newRow("empty") << "empty.mp3" << QByteArray("") << int(SoundError::FileFormat);
    QByteArray garbage(5000, '\0');
    for (int i = 0; i < garbage.size(); ++i)
        garbage[i] = char((i * 7919) % 251);
    QTest::newRow("garbage") << "garbage.mp3" << garbage << int(SoundError::FileFormat);
    QTest::newRow("text") << "notes.wav" << QByteArray("just some words\n")
                          << int(SoundError::FileFormat);
    QTest::newRow("truncated WAV header")
        << "cut.wav" << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) << int(SoundError::FileFormat);
}

void TestSoundEngine::unopenableFilesFailClearly() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, error);
    const QString path = dir_.filePath(name);
    QVERIFY(soundtest::makeBadInput(path, content));
    SoundEngine engine;
    QCOMPARE(engine.streamOpen(path, kStreamDefaultMode), 0);
    QCOMPARE(engine.lastError(), error);
}

void TestSoundEngine::streamPlaysToItsEndAndFreesTheChannel() {
    SoundEngine engine;
    QVERIFY(engine.setOutput(OutputNoSound));
    QVERIFY(engine.init(kRate, 4, 0));
    QSignalSpy ended(&engine, &SoundEngine::channelEnded);
    const int stream = engine.streamOpen(shortWav_, kStreamDefaultMode);
    const int channel = engine.streamPlay(kFreeChannel, stream);
    QVERIFY(channel > 0);
    QVERIFY(engine.isPlaying(channel));
    QCOMPARE(engine.getFrequency(channel), kRate);
    QCOMPARE(engine.channelsPlaying(), 1);
    QVERIFY(ended.wait(5000));
    QCOMPARE(ended.first().first().toInt(), channel);
    QCOMPARE(engine.channelsPlaying(), 0);
    QVERIFY(!engine.isPlaying(channel));
    QCOMPARE(engine.lastError(), int(SoundError::InvalidParam));
    QCOMPARE(engine.streamGetTime(stream), 300);
    // Played again from where it stands: the end, so it ends at once on a new channel.
    const int again = engine.streamPlay(kFreeChannel, stream);
    QVERIFY(again > 0 && again != channel);
    QVERIFY(ended.wait(5000));
}

void TestSoundEngine::channelsRunOutAndStopAll() {
    SoundEngine engine;
    QVERIFY(engine.setOutput(OutputNoSound));
    QVERIFY(engine.init(kRate, 2, 0));
    const int a = engine.streamOpen(shortWav_, kStreamDefaultMode);
    const int b = engine.streamOpen(shortWav_, kStreamDefaultMode);
    const int c = engine.streamOpen(shortWav_, kStreamDefaultMode);
    QVERIFY(engine.streamPlay(kFreeChannel, a) > 0);
    QVERIFY(engine.streamPlay(kFreeChannel, b) > 0);
    QCOMPARE(engine.streamPlay(kFreeChannel, c), -1);
    QCOMPARE(engine.lastError(), int(SoundError::ChannelAlloc));
    QVERIFY(engine.setPaused(kAllChannels, true));
    QCOMPARE(engine.channelsPlaying(), 0);
    QVERIFY(engine.stopSound(kAllChannels));
    QVERIFY(engine.streamPlay(kFreeChannel, c) > 0);
    QCOMPARE(engine.channelsPlaying(), 1);
}

void TestSoundEngine::seekMovesAPlayingStream() {
    const QString path = dir_.filePath(QStringLiteral("long.wav"));
    QVERIFY(soundtest::writeWav(path, kRate, 1, testsupport::sineTone(kRate, 1, kRate * 10, 440)));
    SoundEngine engine;
    QVERIFY(engine.setOutput(OutputNoSound));
    QVERIFY(engine.init(kRate, 2, 0));
    const int stream = engine.streamOpen(path, kStreamDefaultMode | kStreamAccurateSeek);
    const int channel = engine.streamPlay(kFreeChannel, stream);
    QVERIFY(engine.setPaused(channel, true));
    QVERIFY(engine.streamSetTime(stream, 7000));
    QCOMPARE(engine.streamGetTime(stream), 7000);
    QVERIFY(engine.setPaused(channel, false));
    QTest::qWait(300);
    const qint64 at = engine.streamGetTime(stream);
    QVERIFY2(at > 7000 && at < 8000, qPrintable(QString::number(at)));
}

void TestSoundEngine::closedStreamStopsItsChannel() {
    SoundEngine engine;
    QVERIFY(engine.setOutput(OutputNoSound));
    QVERIFY(engine.init(kRate, 2, 0));
    const int stream = engine.streamOpen(shortWav_, kStreamDefaultMode);
    const int channel = engine.streamPlay(kFreeChannel, stream);
    QVERIFY(engine.streamClose(stream));
    QVERIFY(!engine.getPaused(channel));
    QCOMPARE(engine.lastError(), int(SoundError::InvalidParam));
    QCOMPARE(engine.streamGetTime(stream), 0);
    QCOMPARE(engine.channelsPlaying(), 0);
}

QTEST_GUILESS_MAIN(TestSoundEngine)
#include "tst_soundengine.moc"
