// What the main window applies from settings.dat at start-up: per-format keys to the audio file,
// filter and gain keys to the recorder.
#include "FormatValues.h"
#include "ScriptedMixer.h"
#include "SettingsKeys.h"
#include "SettingsTestUtil.h"
#include "StoredSettings.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioRecord.h"

#include <QtTest>

using namespace pelvanto;
using namespace settingstest;
using namespace testsupport;
namespace s = keys::section;

class TestStoredSettings : public QObject {
    Q_OBJECT

private:
    static std::unique_ptr<AudioRecord> scriptedRecorder() {
        auto state = std::make_shared<ScriptedMixer::State>();
        state->devices = {stereoDevice(QStringLiteral("mic"), 1)};
        state->defaultSource = QStringLiteral("mic");
        return std::make_unique<AudioRecord>(std::make_unique<ScriptedMixer>(state));
    }

    // Output format of a created file of the given extension.
    static void createdFormat(AudioFile &file, const QString &dir, const QString &ext, int *rate,
                              int *channels) {
        QCOMPARE(file.CreateWrite(dir + QStringLiteral("/probe.") + ext), 0);
        *rate = file.SampleRate();
        *channels = file.ChannelCount();
        file.CloseFile();
    }

private slots:
    void missingFileGivesZeroValuesAndWorkingFormats() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        values.mp3.bitrate = 77;
        StoredSettings::applyFormats(file, values);
        // Absent keys do not convert: the values stay as they were.
        QCOMPARE(values.mp3.bitrate, qint16(77));
        QCOMPARE(values.mp3.frequency, 0);
        QCOMPARE(values.wav.frequency, 0);
        QCOMPARE(values.ogg.qualityMode, qint16(0));
        QCOMPARE(values.g726.bits, qint16(0));
        // Zeros reach the component, which keeps every format writable.
        for (const char *ext : {"wav", "mp3", "ogg", "vox", "raw", "g726"}) {
            int rate = 0;
            int channels = 0;
            createdFormat(file, folder.path(), QString::fromLatin1(ext), &rate, &channels);
            QVERIFY2(rate > 0 && channels > 0, ext);
        }
    }

    void storedValuesReachEveryFormat() {
        ProgramFolderScope folder;
        put(s::Mp3, keys::Mp3Frequency, QStringLiteral("22050"));
        put(s::Mp3, keys::Mp3Bitrate, QStringLiteral("64"));
        put(s::Mp3, keys::Mp3Channels, QStringLiteral("1"));
        put(s::Wav, keys::WavFreq, QStringLiteral("16000"));
        put(s::Wav, keys::WavChannel, QStringLiteral("1"));
        put(s::Vox, keys::VoxFreq, QStringLiteral("8000"));
        put(s::Raw, keys::RawFreq, QStringLiteral("11025"));
        put(s::Raw, keys::RawChannel, QStringLiteral("1"));
        put(s::Raw, keys::RawCompr, QStringLiteral("3"));
        put(s::G726, keys::G726Freq, QStringLiteral("8000"));
        put(s::G726, keys::G726Bits, QStringLiteral("3"));
        AudioFile file;
        FormatValues values;
        StoredSettings::applyFormats(file, values);
        QCOMPARE(values.mp3.frequency, 22050);
        QCOMPARE(values.mp3.bitrate, qint16(64));
        QCOMPARE(values.raw.coding, qint16(3));
        QCOMPARE(file.Mp3Encoder().Bitrate(), qint16(64));

        int rate = 0;
        int channels = 0;
        createdFormat(file, folder.path(), QStringLiteral("MP3"), &rate, &channels);
        QCOMPARE(rate, 22050);
        QCOMPARE(channels, 1);
        createdFormat(file, folder.path(), QStringLiteral("WAV"), &rate, &channels);
        QCOMPARE(rate, 16000);
        QCOMPARE(channels, 1);
        createdFormat(file, folder.path(), QStringLiteral("VOX"), &rate, &channels);
        QCOMPARE(rate, 8000);
        createdFormat(file, folder.path(), QStringLiteral("Raw"), &rate, &channels);
        QCOMPARE(rate, 11025);
        QCOMPARE(channels, 1);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("u-law")));
        createdFormat(file, folder.path(), QStringLiteral("G726"), &rate, &channels);
        QCOMPARE(rate, 8000);
        QVERIFY(file.FormatDescription().contains(QStringLiteral("3-bit")));
    }

    void valuesThatDoNotConvertStayUnchanged() {
        ProgramFolderScope folder;
        put(s::Mp3, keys::Mp3Bitrate, QStringLiteral("fast"));
        put(s::Mp3, keys::Mp3Channels, QStringLiteral("70000")); // beyond 16 bits
        put(s::Mp3, keys::Mp3Frequency, QStringLiteral("-48000"));
        put(s::Wav, keys::WavFreq, QStringLiteral("22050.5")); // rounds half to even
        put(s::G726, keys::G726Bits, QStringLiteral(" 5 "));
        AudioFile file;
        FormatValues values;
        StoredSettings::applyFormats(file, values);
        QCOMPARE(values.mp3.bitrate, qint16(0));
        QCOMPARE(values.mp3.channels, qint16(0));
        QCOMPARE(values.mp3.frequency, -48000);
        QCOMPARE(values.wav.frequency, 22050);
        QCOMPARE(values.g726.bits, qint16(5));
        // A negative rate is refused by the component, which keeps a writable format.
        int rate = 0;
        int channels = 0;
        createdFormat(file, folder.path(), QStringLiteral("mp3"), &rate, &channels);
        QCOMPARE(rate, 44100);
    }

    void oggQualityWinsOverVariableBitRate_data() {
        QTest::addColumn<QString>("vbr");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both on") << "1"
                                 << "1"
                                 << "Ogg Vorbis quality 4.50, 44100 Hz, stereo";
        QTest::newRow("quality only") << "0"
                                      << "1"
                                      << "Ogg Vorbis quality 4.50, 44100 Hz, stereo";
        QTest::newRow("vbr only") << "1"
                                  << "0"
                                  << "Ogg Vorbis 160 kbit/s nominal, managed 128-192 kbit/s, "
                                     "44100 Hz, stereo";
        QTest::newRow("neither") << "0"
                                 << "0"
                                 << "Ogg Vorbis 160 kbit/s nominal, 44100 Hz, stereo";
        // Flags other than 1 are off; a word does not convert and leaves the flag off.
        QTest::newRow("flag 2") << "2"
                                << "2"
                                << "Ogg Vorbis 160 kbit/s nominal, 44100 Hz, stereo";
        QTest::newRow("word") << "yes"
                              << "yes"
                              << "Ogg Vorbis 160 kbit/s nominal, 44100 Hz, stereo";
    }
    void oggQualityWinsOverVariableBitRate() {
        QFETCH(QString, vbr);
        QFETCH(QString, quality);
        QFETCH(QString, expected);
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggBitrate, QStringLiteral("160"));
        put(s::Ogg, keys::OggMinBitrate, QStringLiteral("128"));
        put(s::Ogg, keys::OggMaxBitrate, QStringLiteral("192"));
        put(s::Ogg, keys::OggQuality, QStringLiteral("450"));
        put(s::Ogg, keys::OggVbrEnabled, vbr);
        put(s::Ogg, keys::OggQualityEnabled, quality);
        AudioFile file;
        FormatValues values;
        StoredSettings::applyFormats(file, values);
        QCOMPARE(file.CreateWrite(folder.file(QStringLiteral("probe.ogg"))), 0);
        QCOMPARE(file.FormatDescription(), expected);
        file.CloseFile();
    }

    // Stored bounds beyond what the encoder can produce are brought into its range before
    // they reach it: a minimum of 9999 kbit/s would pad the stream to 10 Mbit/s.
    void oggBoundsBroughtIntoTheEncodersRange_data() {
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<QString>("managed");
        QTest::newRow("minimum far above") << "9999"
                                           << "0"
                                           << "managed 500-any";
        QTest::newRow("both far out") << "9999"
                                      << "30000"
                                      << "managed 500-500";
        QTest::newRow("maximum below") << "0"
                                       << "8"
                                       << "managed any-45";
        QTest::newRow("inside") << "112"
                                << "256"
                                << "managed 112-256";
    }
    void oggBoundsBroughtIntoTheEncodersRange() {
        QFETCH(QString, minimum);
        QFETCH(QString, maximum);
        QFETCH(QString, managed);
        REQUIRE_TOOL("ffprobe");
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggBitrate, QStringLiteral("128"));
        put(s::Ogg, keys::OggMinBitrate, minimum);
        put(s::Ogg, keys::OggMaxBitrate, maximum);
        put(s::Ogg, keys::OggVbrEnabled, QStringLiteral("1"));
        AudioFile file;
        FormatValues values;
        StoredSettings::applyFormats(file, values);
        const QString path = folder.file(QStringLiteral("bounded.ogg"));
        QCOMPARE(file.CreateWrite(path), 0);
        QVERIFY2(file.FormatDescription().contains(managed), qPrintable(file.FormatDescription()));
        QVERIFY(file.WriteBlock(noise(44100 * 2 * 2, 7)));
        file.CloseFile();
        const Probe written = probe(path);
        QVERIFY(written.ok);
        QVERIFY2(written.bitrate <= 520000, qPrintable(QString::number(written.bitrate)));
    }

    void filtersFromStoredSwitches() {
        ProgramFolderScope folder;
        put(s::Other, keys::Notch, QStringLiteral("2"));
        put(s::Other, keys::NotchText, QStringLiteral("60"));
        put(s::Other, keys::HighPass, QStringLiteral("on")); // not a number: on
        put(s::Other, keys::HighPassText, QStringLiteral("250.5"));
        // lowpass absent: on, frequency left as it was
        put(s::Other, keys::AutoGain, QStringLiteral("1"));
        put(s::Other, keys::LowLevel, QStringLiteral("-40"));
        put(s::Other, keys::HighLevel, QStringLiteral("loud")); // not applied
        put(s::Other, keys::AttackTime, QStringLiteral("150"));
        auto rec = scriptedRecorder();
        rec->SetNotchEnabled(true);
        rec->SetLowPassFrequency(3000.0F);
        const qint32 highBefore = rec->AutoGainHighLevel();
        StoredSettings::applyFilters(*rec);
        QVERIFY(!rec->NotchEnabled());
        QVERIFY(rec->HighPassEnabled());
        QCOMPARE(rec->HighPassFrequency(), 250.5F);
        QVERIFY(rec->LowPassEnabled());
        QCOMPARE(rec->LowPassFrequency(), 3000.0F);
        QVERIFY(rec->AutoGainEnabled());
        QCOMPARE(rec->AutoGainLowLevel(), -40);
        QCOMPARE(rec->AutoGainHighLevel(), highBefore);
        QCOMPARE(rec->AutoGainAttackTime(), 150);
    }

    void switchedOffFiltersKeepTheirFrequencies() {
        ProgramFolderScope folder;
        for (const char *key : {keys::Notch, keys::HighPass, keys::LowPass, keys::AutoGain})
            put(s::Other, key, QStringLiteral("0"));
        put(s::Other, keys::NotchText, QStringLiteral("60"));
        put(s::Other, keys::LowLevel, QStringLiteral("-60"));
        auto rec = scriptedRecorder();
        for (auto setter : {&AudioRecord::SetNotchEnabled, &AudioRecord::SetHighPassEnabled,
                            &AudioRecord::SetLowPassEnabled, &AudioRecord::SetAutoGainEnabled})
            ((*rec).*setter)(true);
        const float notchBefore = rec->NotchFrequency();
        const qint32 lowBefore = rec->AutoGainLowLevel();
        StoredSettings::applyFilters(*rec);
        QVERIFY(!rec->NotchEnabled());
        QVERIFY(!rec->HighPassEnabled());
        QVERIFY(!rec->LowPassEnabled());
        QVERIFY(!rec->AutoGainEnabled());
        QCOMPARE(rec->NotchFrequency(), notchBefore);
        QCOMPARE(rec->AutoGainLowLevel(), lowBefore);
    }

    void missingFileSwitchesEverythingOn() {
        ProgramFolderScope folder;
        auto rec = scriptedRecorder();
        StoredSettings::applyFilters(*rec);
        QVERIFY(rec->NotchEnabled());
        QVERIFY(rec->HighPassEnabled());
        QVERIFY(rec->LowPassEnabled());
        QVERIFY(rec->AutoGainEnabled());
    }
};

QTEST_MAIN(TestStoredSettings)
#include "tst_storedsettings.moc"
