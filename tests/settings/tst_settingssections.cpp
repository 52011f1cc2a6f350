// The settings section types without a window: which key each value goes under, the option
// windows' fall-backs, and the ranges that keep what is stored and what is applied the same.
#include "FilterSettings.h"
#include "FormatValues.h"
#include "SettingsKeys.h"
#include "SettingsTestUtil.h"
#include "audiofile/AudioFile.h"

#include <QtTest>

using namespace pelvanto;
using namespace settingstest;
namespace s = keys::section;

class TestSettingsSections : public QObject {
    Q_OBJECT

private slots:
    // Every value goes under its own key: distinct values written, each key read back.
    void eachValueUnderItsKey_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *section, const char *key, const char *expected) {
            QTest::addRow("%s/%s", section, key)
                << QString::fromLatin1(section) << QString::fromLatin1(key)
                << QString::fromLatin1(expected);
        };
        row(s::Mp3, keys::Mp3Frequency, "22050");
        row(s::Mp3, keys::Mp3Bitrate, "96");
        row(s::Mp3, keys::Mp3Channels, "1");
        row(s::Wav, keys::WavFreq, "16000");
        row(s::Wav, keys::WavChannel, "2");
        row(s::Vox, keys::VoxFreq, "6000");
        row(s::Ogg, keys::OggBitrate, "160");
        row(s::Ogg, keys::OggMinBitrate, "112");
        row(s::Ogg, keys::OggMaxBitrate, "256");
        row(s::Ogg, keys::OggQuality, "450");
        row(s::Ogg, keys::OggVbrEnabled, "1");
        row(s::Ogg, keys::OggQualityEnabled, "0");
        row(s::Raw, keys::RawFreq, "11025");
        row(s::Raw, keys::RawChannel, "1");
        row(s::Raw, keys::RawCompr, "3");
        row(s::G726, keys::G726Freq, "8000");
        row(s::G726, keys::G726Bits, "5");
    }
    void eachValueUnderItsKey() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        ProgramFolderScope folder;
        FormatValues values;
        values.mp3 = {22050, 96, 1};
        values.wav = {16000, 2};
        values.vox = {6000};
        values.ogg = {160, 112, 256, 450, 1, 0};
        values.raw = {11025, 1, 3};
        values.g726 = {8000, 5};
        const QString file = pelvanto::Inifun::settingsFile();
        QVERIFY(values.mp3.write(file));
        QVERIFY(values.wav.write(file));
        QVERIFY(values.vox.write(file));
        QVERIFY(values.ogg.write(file));
        QVERIFY(values.raw.write(file));
        QVERIFY(values.g726.write(file));
        QCOMPARE(get(section.toLatin1().constData(), key.toLatin1().constData()), expected);

        FormatValues back;
        back.read(file);
        QCOMPARE(back.mp3, values.mp3);
        QCOMPARE(back.wav, values.wav);
        QCOMPARE(back.vox, values.vox);
        QCOMPARE(back.ogg, values.ogg);
        QCOMPARE(back.raw, values.raw);
        QCOMPARE(back.g726, values.g726);
    }

    void filterValuesUnderTheirKeys_data() { addFilterKeyRows(); }
    void filterValuesUnderTheirKeys() {
        QFETCH(QString, switches);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        ProgramFolderScope folder;
        const auto on = [&](int i) { return switches[i] == QLatin1Char('1'); };
        const auto text = [](int i) { return QString::fromLatin1(kFilterTexts[i][1]); };
        FilterSettings filters;
        filters.notch = {on(0), text(0)};
        filters.highPass = {on(1), text(1)};
        filters.lowPass = {on(2), text(2)};
        filters.autoGain = on(3);
        filters.lowLevel = text(3);
        filters.highLevel = text(4);
        filters.attackTime = text(5);
        QVERIFY(filters.write(pelvanto::Inifun::settingsFile()));
        QCOMPARE(get(s::Other, key.toLatin1().constData()), expected);
        QCOMPARE(FilterSettings::read(pelvanto::Inifun::settingsFile()), filters);
    }

    // A number outside the window's range is brought into it; other texts stay as they are.
    void withinRange_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QString>("expected");
        const FilterSettings::Range notch = FilterSettings::kNotchRange;
        const FilterSettings::Range pass = FilterSettings::kPassRange;
        const FilterSettings::Range level = FilterSettings::kLevelRange;
        const FilterSettings::Range attack = FilterSettings::kAttackRange;
        QTest::newRow("notch below") << "30" << notch.minimum << notch.maximum << "40";
        QTest::newRow("notch above") << "250" << notch.minimum << notch.maximum << "200";
        QTest::newRow("notch inside") << "60" << notch.minimum << notch.maximum << "60";
        QTest::newRow("notch at a bound") << "200" << notch.minimum << notch.maximum << "200";
        QTest::newRow("high-pass above") << "50000" << pass.minimum << pass.maximum << "44100";
        QTest::newRow("fraction inside") << "250.5" << pass.minimum << pass.maximum << "250.5";
        QTest::newRow("exponent") << "1e9" << pass.minimum << pass.maximum << "44100";
        QTest::newRow("level below") << "-120" << level.minimum << level.maximum << "-90";
        QTest::newRow("level above") << "5" << level.minimum << level.maximum << "0";
        QTest::newRow("attack below") << "10" << attack.minimum << attack.maximum << "50";
        QTest::newRow("empty") << "" << notch.minimum << notch.maximum << "";
        QTest::newRow("word") << "loud" << level.minimum << level.maximum << "loud";
    }
    void withinRange() {
        QFETCH(QString, text);
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(QString, expected);
        QCOMPARE(FilterSettings::withinRange(text, {minimum, maximum}), expected);
    }

    // --- the format windows' fall-backs ---------------------------------------------------

    void wavFallbacks_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("shownRate");
        QTest::addColumn<int>("shownChannels");
        QTest::newRow("offered") << 48000 << 1 << 48000 << 1;
        QTest::newRow("12000 not offered") << 12000 << 2 << 44100 << 2;
        QTest::newRow("three channels") << 11025 << 3 << 11025 << 2;
        QTest::newRow("nothing stored") << 0 << 0 << 44100 << 2;
    }
    void wavFallbacks() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, shownRate);
        QFETCH(int, shownChannels);
        const WavSettings shown = WavSettings{rate, static_cast<qint16>(channels)}.fittedToWindow();
        QCOMPARE(shown, (WavSettings{shownRate, static_cast<qint16>(shownChannels)}));
    }

    void telephonyFallbacks_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("voxRate");
        QTest::addColumn<int>("rawRate");
        QTest::newRow("48000 everywhere") << 48000 << 48000 << 48000;
        QTest::newRow("6000 only on ten buttons") << 6000 << 44100 << 6000;
        QTest::newRow("12000 only on ten buttons") << 12000 << 44100 << 12000;
        QTest::newRow("not offered") << 7000 << 44100 << 44100;
        QTest::newRow("negative") << -8000 << 44100 << 44100;
    }
    void telephonyFallbacks() {
        QFETCH(int, rate);
        QFETCH(int, voxRate);
        QFETCH(int, rawRate);
        QCOMPARE(VoxSettings{rate}.fittedToWindow().frequency, voxRate);
        QCOMPARE(RawSettings({rate, 1, 2}).fittedToWindow(), (RawSettings{rawRate, 1, 2}));
        QCOMPARE(G726Settings({rate, 3}).fittedToWindow(), (G726Settings{rawRate, 3}));
    }

    void rawAndG726Choices() {
        QCOMPARE(RawSettings({8000, 0, 0}).fittedToWindow(), (RawSettings{8000, 2, 1}));
        QCOMPARE(RawSettings({8000, 2, 4}).fittedToWindow(), (RawSettings{8000, 2, 1}));
        QCOMPARE(G726Settings({8000, 6}).fittedToWindow(), (G726Settings{8000, 4}));
        QCOMPARE(G726Settings({8000, 1}).fittedToWindow(), (G726Settings{8000, 4}));
        QCOMPARE(G726Settings({8000, 2}).fittedToWindow(), (G726Settings{8000, 2}));
    }

    void oggWindowFallbacks_data() {
        QTest::addColumn<QString>("nominal");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("quality");
        QTest::addColumn<int>("shownNominal");
        QTest::addColumn<int>("shownMinimum");
        QTest::addColumn<int>("shownQuality");
        QTest::newRow("offered") << "192"
                                 << "112"
                                 << "450" << 192 << 112 << 450;
        QTest::newRow("nominal kept, minimum 128") << "100"
                                                   << "100"
                                                   << "" << 100 << 128 << 300;
        QTest::newRow("minimum far out") << ""
                                         << "9999"
                                         << "-20" << 160 << 128 << 0;
        QTest::newRow("no nominal at all") << "-5"
                                           << "word"
                                           << "2000" << 128 << 128 << 1000;
    }
    void oggWindowFallbacks() {
        QFETCH(QString, nominal);
        QFETCH(QString, minimum);
        QFETCH(QString, quality);
        QFETCH(int, shownNominal);
        QFETCH(int, shownMinimum);
        QFETCH(int, shownQuality);
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggBitrate, nominal);
        put(s::Ogg, keys::OggMinBitrate, minimum);
        put(s::Ogg, keys::OggQuality, quality);
        put(s::Ogg, keys::OggVbrEnabled, QStringLiteral("1.0"));
        put(s::Ogg, keys::OggQualityEnabled, QStringLiteral("2"));
        OggSettings current;
        current.bitrate = 160;
        const OggSettings shown =
            OggSettings::readForWindow(pelvanto::Inifun::settingsFile(), current);
        QCOMPARE(int(shown.bitrate), shownNominal);
        QCOMPARE(int(shown.minBitrate), shownMinimum);
        QCOMPARE(int(shown.maxBitrate), 128);
        QCOMPARE(int(shown.quality), shownQuality);
        QCOMPARE(shown.vbr, qint16(1));
        QCOMPARE(shown.qualityMode, qint16(0));
    }

    void mp3WindowKeepsWhatIsStored() {
        ProgramFolderScope folder;
        QCOMPARE(Mp3Settings::readForWindow(pelvanto::Inifun::settingsFile()),
                 (Mp3Settings{44100, 128, 2}));
        put(s::Mp3, keys::Mp3Bitrate, QStringLiteral("40"));
        put(s::Mp3, keys::Mp3Frequency, QStringLiteral("fast"));
        put(s::Mp3, keys::Mp3Channels, QStringLiteral("1"));
        QCOMPARE(Mp3Settings::readForWindow(pelvanto::Inifun::settingsFile()),
                 (Mp3Settings{44100, 40, 1}));
    }

    // --- Ogg bounds -------------------------------------------------------------------------

    void oggBoundsForTheEncoder_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("applied");
        QTest::newRow("no bound") << 0 << 0;
        QTest::newRow("negative is no bound") << -5 << -5;
        QTest::newRow("inside") << 128 << 128;
        QTest::newRow("lowest") << 45 << 45;
        QTest::newRow("below") << 8 << 45;
        QTest::newRow("highest") << 500 << 500;
        QTest::newRow("above") << 9999 << 500;
    }
    void oggBoundsForTheEncoder() {
        QFETCH(int, stored);
        QFETCH(int, applied);
        QCOMPARE(OggSettings::boundForEncoder(stored), applied);
    }

    // The range is the encoder's own: it takes those nominal rates at 44100 Hz stereo and
    // refuses the next ones out.
    void oggRangeIsTheEncoders() {
        AudioFile file;
        const auto possible = [&](int nominal) {
            file.SetOggFormat(44100, 2, nominal, 0, 0, -1);
            return !file.FormatDescription().isEmpty();
        };
        QVERIFY(possible(OggSettings::kEncoderLowest));
        QVERIFY(possible(OggSettings::kEncoderHighest));
        QVERIFY(!possible(OggSettings::kEncoderLowest - 1));
        QVERIFY(!possible(OggSettings::kEncoderHighest + 1));
    }
};

QTEST_GUILESS_MAIN(TestSettingsSections)
#include "tst_settingssections.moc"
