// The format windows: what they show for stored values, their enabling rules, and what OK stores
// and hands to the audio-file component (Cancel neither).
#include "FormatValues.h"
#include "MessageLog.h"
#include "OptionWidgets.h"
#include "SettingsKeys.h"
#include "SettingsTestUtil.h"
#include "TelephonyWindows.h"
#include "audiofile/AudioFile.h"
#include "frmMP3.h"
#include "frmOgg.h"
#include "frmWAV.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

using namespace pelvanto;
using namespace settingstest;
namespace s = keys::section;

namespace {

template <typename T> T *child(QWidget *w, const QString &name) {
    T *c = w->findChild<T *>(name);
    if (c == nullptr)
        qWarning("no control %s", qPrintable(name));
    return c;
}

// Collects what a window puts into the recording options window.
struct Described {
    QStringList texts;
    DescriptionSink sink() {
        return [this](const QString &d) { texts << d; };
    }
};

using Messages = testsupport::MessageLog;

} // namespace

class TestFormatWindows : public QObject {
    Q_OBJECT

private slots:
    // --- MP3 ----------------------------------------------------------------------------

    void mp3DefaultsWithoutStoredKeys() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        Described described;
        frmMP3 w(file, values, described.sink());
        QCOMPARE(w.windowTitle(), QStringLiteral("MP3 Advanced Option"));
        QCOMPARE(child<QSlider>(&w, "Slider1")->value(), 9);
        QCOMPARE(child<QLabel>(&w, "Label1")->text(), QStringLiteral("Current bitrate: 128 kbit"));
        QCOMPARE(child<QComboBox>(&w, "Combo5")->currentText(), QStringLiteral("44100"));
        QCOMPARE(child<QSlider>(&w, "Slider3")->value(), frmMP3::positionOf(320));
        QCOMPARE(child<QLabel>(&w, "Label8")->text(), QStringLiteral("Current bitrate: 320 kbit"));
        QCOMPARE(values.mp3.bitrate, qint16(128));
        QCOMPARE(values.mp3.frequency, 44100);
        QCOMPARE(values.mp3.channels, qint16(2));
        // The filters start off, at their design frequencies and widths.
        QVERIFY(!child<QCheckBox>(&w, "chHFilt")->isChecked());
        QCOMPARE(child<QLineEdit>(&w, "tHFiltF")->text(), QStringLiteral("30"));
        QCOMPARE(child<QLineEdit>(&w, "tHFiltW")->text(), QStringLiteral("5"));
        QVERIFY(!child<QLineEdit>(&w, "tHFiltF")->isEnabled());
        QCOMPARE(child<QLineEdit>(&w, "tLFiltF")->text(), QStringLiteral("15160"));
        QCOMPARE(child<QLineEdit>(&w, "tLFiltW")->text(), QStringLiteral("760"));

        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(get(s::Mp3, keys::Mp3Bitrate), QStringLiteral("128"));
        QCOMPARE(get(s::Mp3, keys::Mp3Frequency), QStringLiteral("44100"));
        QCOMPARE(get(s::Mp3, keys::Mp3Channels), QStringLiteral("2"));
        // With the filters cleared the encoder gets no filter of ours.
        QCOMPARE(file.Mp3Encoder().HighpassFreq(), -1);
        QCOMPARE(file.Mp3Encoder().LowpassFreq(), -1);
        QCOMPARE(described.texts, QStringList{file.FormatDescription()});
        QVERIFY(!described.texts.first().isEmpty());
    }

    void mp3StoredBitrateOutsideTheTableIsKept() {
        ProgramFolderScope folder;
        put(s::Mp3, keys::Mp3Bitrate, QStringLiteral("40"));
        AudioFile file;
        file.SetMp3Format(44100, 256, 2);
        FormatValues values;
        frmMP3 w(file, values, {});
        QCOMPARE(child<QSlider>(&w, "Slider1")->value(), 9);
        QCOMPARE(child<QLabel>(&w, "Label1")->text(), QStringLiteral("Current bitrate: 40 kbit"));
        QCOMPARE(values.mp3.bitrate, qint16(40));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Mp3, keys::Mp3Bitrate), QStringLiteral("40"));
        // The encoder gets the bit rate the label shows, as the next start would give it.
        QCOMPARE(file.Mp3Encoder().Bitrate(), qint16(40));
    }

    // OK without touching the slider applies the stored bit rate the window shows, and the
    // file written next is encoded at it.
    void mp3OkAppliesTheShownBitrate_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("kbps");
        QTest::newRow("320") << "320" << 320;
        QTest::newRow("64") << "64" << 64;
        QTest::newRow("nothing stored") << "" << 128;
    }
    void mp3OkAppliesTheShownBitrate() {
        QFETCH(QString, stored);
        QFETCH(int, kbps);
        REQUIRE_TOOL("ffprobe");
        ProgramFolderScope folder;
        if (!stored.isEmpty())
            put(s::Mp3, keys::Mp3Bitrate, stored);
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        QCOMPARE(child<QLabel>(&w, "Label1")->text(),
                 QStringLiteral("Current bitrate: %1 kbit").arg(kbps));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(int(file.Mp3Encoder().Bitrate()), kbps);

        const QString path = folder.file(QStringLiteral("shown.mp3"));
        QCOMPARE(file.CreateWrite(path), 0);
        QVERIFY(file.WriteBlock(noise(44100 * 2, 1)));
        file.CloseFile();
        QCOMPARE(probe(path).bitrate, qint64(kbps) * 1000);
    }

    void mp3StoredFrequencyAndChannels() {
        ProgramFolderScope folder;
        put(s::Mp3, keys::Mp3Frequency, QStringLiteral("22050"));
        put(s::Mp3, keys::Mp3Channels, QStringLiteral("1"));
        put(s::Mp3, keys::Mp3Bitrate, QStringLiteral("64"));
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        QCOMPARE(child<QComboBox>(&w, "Combo5")->currentText(), QStringLiteral("22050"));
        QCOMPARE(w.settings().OutputFrequency(), 22050);
        QCOMPARE(child<QSlider>(&w, "Slider1")->value(), frmMP3::positionOf(64));
        // A stored mono choice shows as "Mono".
        QCOMPARE(child<QComboBox>(&w, "Combo3")->currentText(), QStringLiteral("Mono"));
        QCOMPARE(values.mp3.channels, qint16(1));
    }

    void mp3StoredFrequencyNotInTheList() {
        ProgramFolderScope folder;
        put(s::Mp3, keys::Mp3Frequency, QStringLiteral("12345"));
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        QCOMPARE(child<QComboBox>(&w, "Combo5")->currentText(), QStringLiteral("44100"));
        QCOMPARE(w.settings().OutputFrequency(), 44100);
        child<QPushButton>(&w, "Command1")->click();
        // The component still gets a rate it can encode.
        QCOMPARE(file.Mp3Encoder().OutputFrequency(), 44100);
        QVERIFY(!file.FormatDescription().isEmpty());
    }

    void mp3BadStoredValuesFallBack() {
        ProgramFolderScope folder;
        put(s::Mp3, keys::Mp3Bitrate, QStringLiteral("-128"));
        put(s::Mp3, keys::Mp3Frequency, QStringLiteral("fast"));
        put(s::Mp3, keys::Mp3Channels, QStringLiteral("9"));
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        QCOMPARE(child<QSlider>(&w, "Slider1")->value(), 9);
        QCOMPARE(values.mp3.frequency, 44100);
        child<QPushButton>(&w, "Command1")->click();
        QVERIFY(!file.FormatDescription().isEmpty());
        QCOMPARE(file.Mp3Channels(), 2);
    }

    void mp3SlidersAndListsSetTheirProperties() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        child<QSlider>(&w, "Slider1")->setValue(3);
        QCOMPARE(w.settings().Bitrate(), qint16(32));
        QCOMPARE(values.mp3.bitrate, qint16(32));
        QCOMPARE(child<QLabel>(&w, "Label1")->text(), QStringLiteral("Current bitrate: 32 kbit"));
        QCOMPARE(child<QSlider>(&w, "Slider1")->toolTip(), QStringLiteral("32"));
        child<QSlider>(&w, "Slider2")->setValue(7);
        QCOMPARE(w.settings().EncoderQuality(), qint16(7));
        child<QSlider>(&w, "Slider3")->setValue(10);
        QCOMPARE(w.settings().MaxVbrBitrate(), 160);
        QCOMPARE(child<QLabel>(&w, "Label8")->text(), QStringLiteral("Current bitrate: 160 kbit"));
        child<QComboBox>(&w, "Combo5")->setCurrentIndex(8);
        QCOMPARE(w.settings().OutputFrequency(), 8000);
        QCOMPARE(values.mp3.frequency, 8000);
        child<QComboBox>(&w, "Combo3")->setCurrentIndex(3);
        QCOMPARE(w.settings().ChannelMode(), qint16(4));
        // Mono changes the channel count, not the encoder's channel mode.
        child<QComboBox>(&w, "Combo3")->setCurrentIndex(4);
        QCOMPARE(w.settings().ChannelMode(), qint16(4));
        QCOMPARE(values.mp3.channels, qint16(1));
        child<QComboBox>(&w, "Combo2")->setCurrentIndex(3);
        QCOMPARE(w.settings().AthControl(), qint16(3));
        child<QComboBox>(&w, "Combo4")->setCurrentIndex(2);
        QCOMPARE(w.settings().Deemphasis(), qint16(2));
        auto *crc = child<QCheckBox>(&w, "Check3");
        crc->setChecked(!crc->isChecked());
        QCOMPARE(w.settings().CrcChecksums(), crc->isChecked());
        auto *reservoir = child<QCheckBox>(&w, "Check5");
        reservoir->setChecked(!reservoir->isChecked());
        QCOMPARE(w.settings().BitReservoir(), reservoir->isChecked());

        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Mp3, keys::Mp3Channels), QStringLiteral("1"));
        QCOMPARE(get(s::Mp3, keys::Mp3Frequency), QStringLiteral("8000"));
        QCOMPARE(get(s::Mp3, keys::Mp3Bitrate), QStringLiteral("32"));
        QCOMPARE(file.Mp3Channels(), 1);
        QCOMPARE(file.Mp3Encoder(), w.settings());
    }

    void mp3CodingMethodEnablingRules() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        auto *combo = child<QComboBox>(&w, "Combo1");
        const QStringList vbrQuality = {"Label15", "tVbrQ", "udVbrQ"};
        const QStringList abr = {"Label9", "tABR", "udABR"};
        const QStringList shared = {"Frame3", "Frame6", "Label8", "Slider3", "Check1", "Check2"};
        const auto enabled = [&](const QStringList &names) {
            int on = 0;
            for (const QString &n : names)
                on += child<QWidget>(&w, n)->isEnabled() ? 1 : 0;
            return on == names.size() ? 1 : on == 0 ? 0 : -1;
        };
        combo->setCurrentIndex(0); // None
        QCOMPARE(w.settings().VbrMode(), qint16(-1));
        QCOMPARE(enabled(vbrQuality), 0);
        QCOMPARE(enabled(abr), 0);
        QCOMPARE(enabled(shared), 0);
        combo->setCurrentIndex(5); // ABR
        QCOMPARE(w.settings().VbrMode(), qint16(4));
        QCOMPARE(enabled(vbrQuality), 0);
        QCOMPARE(enabled(abr), 1);
        QCOMPARE(enabled(shared), 1);
        combo->setCurrentIndex(3); // New
        QCOMPARE(w.settings().VbrMode(), qint16(2));
        QCOMPARE(enabled(vbrQuality), 1);
        QCOMPARE(enabled(abr), 0);
        QCOMPARE(enabled(shared), 1);
        // Up-downs and their text boxes move together and set their property.
        auto *tVbrQ = child<QLineEdit>(&w, "tVbrQ");
        tVbrQ->setText(QStringLiteral("2"));
        QCOMPARE(w.settings().VbrQuality(), qint16(2));
        child<UpDown>(&w, "udVbrQ")->stepBy(1);
        QCOMPARE(tVbrQ->text(), QStringLiteral("3"));
        QCOMPARE(w.settings().VbrQuality(), qint16(3));
        child<UpDown>(&w, "udABR")->setValue(500);
        QCOMPARE(w.settings().AbrBitrate(), qint16(320));
    }

    void mp3FilterBoxes() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        frmMP3 w(file, values, {});
        auto *box = child<QCheckBox>(&w, "chHFilt");
        box->setChecked(true);
        QVERIFY(child<QLineEdit>(&w, "tHFiltF")->isEnabled());
        QVERIFY(child<QLabel>(&w, "Label11")->isEnabled());
        QCOMPARE(w.settings().HighpassFreq(), 30);
        child<QLineEdit>(&w, "tHFiltF")->setText(QStringLiteral("120"));
        QCOMPARE(w.settings().HighpassFreq(), 120);
        child<UpDown>(&w, "udHFiltW")->stepBy(2);
        QCOMPARE(w.settings().HighpassWidth(), 25);
        box->setChecked(false);
        QCOMPARE(w.settings().HighpassFreq(), -1);
        QVERIFY(!child<UpDown>(&w, "udHFiltW")->isEnabled());
        auto *low = child<QCheckBox>(&w, "chLFilt");
        low->setChecked(true);
        QCOMPARE(w.settings().LowpassFreq(), 15160);
        QVERIFY(child<QLabel>(&w, "Label13")->isEnabled());
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(file.Mp3Encoder().LowpassFreq(), 15160);
        QCOMPARE(file.Mp3Encoder().HighpassFreq(), -1);
    }

    void mp3CancelStoresAndAppliesNothing() {
        ProgramFolderScope folder;
        AudioFile file;
        file.SetMp3Format(32000, 96, 2);
        const Mp3EncoderSettings before = file.Mp3Encoder();
        FormatValues values;
        frmMP3 w(file, values, {});
        child<QSlider>(&w, "Slider1")->setValue(14);
        child<QPushButton>(&w, "Command2")->click();
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(Inifun::settingsFile()));
        QCOMPARE(file.Mp3Encoder(), before);
    }

    // --- Ogg ----------------------------------------------------------------------------

    void oggQualityWinsOverVbr() {
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggVbrEnabled, QStringLiteral("1"));
        put(s::Ogg, keys::OggQualityEnabled, QStringLiteral("1"));
        put(s::Ogg, keys::OggQuality, QStringLiteral("450"));
        AudioFile file;
        FormatValues values;
        Described described;
        frmOgg w(file, values, described.sink());
        QCOMPARE(w.windowTitle(), QStringLiteral("Ogg Vorbis Option"));
        QVERIFY(child<QCheckBox>(&w, "chVbr")->isChecked());
        QVERIFY(child<QCheckBox>(&w, "chQuality")->isChecked());
        QVERIFY(!child<QCheckBox>(&w, "chVbr")->isEnabled());
        QVERIFY(!child<QSlider>(&w, "sldrBitrate")->isEnabled());
        QVERIFY(!child<QGroupBox>(&w, "frmVbr")->isEnabled());
        QVERIFY(child<QSlider>(&w, "sldrQuality")->isEnabled());
        QCOMPARE(child<QSlider>(&w, "sldrQuality")->value(), 450);
        QCOMPARE(child<QSlider>(&w, "sldrQuality")->toolTip(), QStringLiteral("4.5"));
        child<QPushButton>(&w, "cmdOk")->click();
        QCOMPARE(described.texts,
                 QStringList{QStringLiteral("Ogg Vorbis quality 4.50, 44100 Hz, stereo")});
        QCOMPARE(get(s::Ogg, keys::OggQuality), QStringLiteral("450"));
        QCOMPARE(get(s::Ogg, keys::OggQualityEnabled), QStringLiteral("1"));
        QCOMPARE(get(s::Ogg, keys::OggVbrEnabled), QStringLiteral("1"));
    }

    void oggBitratesOutsideTheTable() {
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggBitrate, QStringLiteral("100"));
        put(s::Ogg, keys::OggMinBitrate, QStringLiteral("100"));
        put(s::Ogg, keys::OggMaxBitrate, QStringLiteral("256"));
        AudioFile file;
        FormatValues values;
        frmOgg w(file, values, {});
        QCOMPARE(child<QSlider>(&w, "sldrBitrate")->value(), 2);
        QCOMPARE(child<QLabel>(&w, "lblBitrate")->text(),
                 QStringLiteral("Current nominal Bitrate: 100 kbit"));
        QCOMPARE(child<QSlider>(&w, "sldrMinBitrate")->value(), 2);
        QCOMPARE(child<QLabel>(&w, "lblMinBitrate")->text(),
                 QStringLiteral("Current min oggBitrate: 128 kbit"));
        QCOMPARE(child<QSlider>(&w, "sldrMaxBitrate")->value(), 5);
        QCOMPARE(child<QLabel>(&w, "lblMaxBitrate")->text(),
                 QStringLiteral("Current max oggBitrate: 256 kbit"));
        // Neither box stored: VBR and quality controls are off.
        QVERIFY(!child<QGroupBox>(&w, "frmVbr")->isEnabled());
        QVERIFY(!child<QGroupBox>(&w, "frmQuality")->isEnabled());
        QVERIFY(child<QSlider>(&w, "sldrBitrate")->isEnabled());
        child<QPushButton>(&w, "cmdOk")->click();
        QCOMPARE(get(s::Ogg, keys::OggBitrate), QStringLiteral("100"));
        QCOMPARE(get(s::Ogg, keys::OggMinBitrate), QStringLiteral("128"));
        QCOMPARE(get(s::Ogg, keys::OggMaxBitrate), QStringLiteral("256"));
        QCOMPARE(get(s::Ogg, keys::OggQuality), QStringLiteral("300"));
        QCOMPARE(get(s::Ogg, keys::OggVbrEnabled), QStringLiteral("0"));
        QCOMPARE(file.FormatDescription(),
                 QStringLiteral("Ogg Vorbis 100 kbit/s nominal, 44100 Hz, stereo"));
    }

    void oggWithoutStoredBitrateShowsWhatItUses() {
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggBitrate, QStringLiteral("-5"));
        AudioFile file;
        FormatValues values; // nothing applied at start-up: nominal 0
        frmOgg w(file, values, {});
        QCOMPARE(child<QSlider>(&w, "sldrBitrate")->value(), 2);
        QCOMPARE(child<QLabel>(&w, "lblBitrate")->text(),
                 QStringLiteral("Current nominal Bitrate: 128 kbit"));
        child<QPushButton>(&w, "cmdOk")->click();
        QCOMPARE(get(s::Ogg, keys::OggBitrate), QStringLiteral("128"));
    }

    void oggSlidersBoxesAndCancel() {
        ProgramFolderScope folder;
        put(s::Ogg, keys::OggQuality, QStringLiteral("-20"));
        AudioFile file;
        FormatValues values;
        frmOgg w(file, values, {});
        QCOMPARE(values.ogg.quality, qint16(0));
        child<QCheckBox>(&w, "chVbr")->setChecked(true);
        QVERIFY(child<QGroupBox>(&w, "frmVbr")->isEnabled());
        QCOMPARE(values.ogg.vbr, qint16(1));
        child<QSlider>(&w, "sldrBitrate")->setValue(4);
        QCOMPARE(values.ogg.bitrate, qint16(192));
        QCOMPARE(child<QLabel>(&w, "lblBitrate")->text(),
                 QStringLiteral("Current nominal oggBitrate: 192 kbit"));
        child<QSlider>(&w, "sldrMinBitrate")->setValue(1);
        child<QSlider>(&w, "sldrMaxBitrate")->setValue(6);
        QCOMPARE(values.ogg.minBitrate, qint16(112));
        QCOMPARE(values.ogg.maxBitrate, qint16(320));
        child<QCheckBox>(&w, "chQuality")->setChecked(true);
        child<QSlider>(&w, "sldrQuality")->setValue(720);
        QCOMPARE(values.ogg.quality, qint16(720));
        QCOMPARE(child<QSlider>(&w, "sldrQuality")->toolTip(), QStringLiteral("7.2"));
        child<QCheckBox>(&w, "chQuality")->setChecked(false);
        // Back from quality mode, the VBR box decides the VBR frame again.
        QVERIFY(child<QGroupBox>(&w, "frmVbr")->isEnabled());
        child<QPushButton>(&w, "cmdCancel")->click();
        // The clicked values stay for the run; nothing is stored or applied.
        QCOMPARE(values.ogg.bitrate, qint16(192));
        QCOMPARE(get(s::Ogg, keys::OggBitrate), QString());
        QCOMPARE(get(s::Ogg, keys::OggQuality), QStringLiteral("-20"));
    }

    // --- WAV ----------------------------------------------------------------------------

    void wavStoredValues_data() {
        QTest::addColumn<QString>("freq");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("channelButton");
        QTest::addColumn<int>("channels");
        QTest::newRow("48000 mono") << "48000"
                                    << "1"
                                    << "F8" << 48000 << "P1" << 1;
        QTest::newRow("12000 not offered") << "12000"
                                           << "2"
                                           << "F7" << 44100 << "P2" << 2;
        QTest::newRow("3 channels") << "11025"
                                    << "3"
                                    << "F5" << 11025 << "P2" << 2;
        QTest::newRow("absent") << ""
                                << ""
                                << "F7" << 44100 << "P2" << 2;
        QTest::newRow("garbage") << "-8000"
                                 << "mono"
                                 << "F7" << 44100 << "P2" << 2;
    }
    void wavStoredValues() {
        QFETCH(QString, freq);
        QFETCH(QString, channel);
        QFETCH(QString, button);
        QFETCH(int, rate);
        QFETCH(QString, channelButton);
        QFETCH(int, channels);
        ProgramFolderScope folder;
        if (!freq.isEmpty())
            put(s::Wav, keys::WavFreq, freq);
        if (!channel.isEmpty())
            put(s::Wav, keys::WavChannel, channel);
        AudioFile file;
        FormatValues values;
        Described described;
        frmWAV w(file, values, described.sink());
        QCOMPARE(w.windowTitle(), QStringLiteral("Set WAV Format"));
        QVERIFY(child<QRadioButton>(&w, button)->isChecked());
        QVERIFY(child<QRadioButton>(&w, channelButton)->isChecked());
        QCOMPARE(values.wav.frequency, rate);
        QCOMPARE(values.wav.channels, qint16(channels));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Wav, keys::WavFreq), QString::number(rate));
        QCOMPARE(get(s::Wav, keys::WavChannel), QString::number(channels));
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::Pcm16, rate, channels}));
        QCOMPARE(described.texts, QStringList{file.FormatDescription()});
    }

    void wavCodecButtons() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        Messages messages;
        {
            Described described;
            frmWAV w(file, values, described.sink());
            child<QRadioButton>(&w, "F8")->click();
            // GSM is mono at a few rates only: 48000 is refused and the window stays.
            child<QPushButton>(&w, "cmdGSM")->click();
            QCOMPARE(messages.texts(), QStringList{QStringLiteral("Format Parametr not valid")});
            QVERIFY(described.texts.isEmpty());
            QCOMPARE(w.result(), int(QDialog::Rejected));
            QCOMPARE(file.CurrentWavFormat().codec, WavCodec::Pcm16);
            child<QRadioButton>(&w, "F1")->click();
            child<QPushButton>(&w, "cmdGSM")->click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::Gsm610, 8000, 1}));
            QCOMPARE(described.texts.size(), 1);
            QVERIFY(described.texts.first().contains(QStringLiteral("GSM")));
            QVERIFY(values.wavFormatChosen);
        }
        QVERIFY(!QFile::exists(Inifun::settingsFile())); // only OK stores
        {
            frmWAV w(file, values, {});
            child<QRadioButton>(&w, "F6")->click();
            child<QRadioButton>(&w, "P1")->click();
            child<QPushButton>(&w, "cmdADPCM")->click();
            QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::ImaAdpcm, 22050, 1}));
        }
        {
            frmWAV w(file, values, {});
            child<QPushButton>(&w, "cmdDSP")->click();
            QCOMPARE(w.result(), int(QDialog::Accepted));
            QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::MuLaw, 8000, 1}));
        }
        {
            // The PCM button applies without storing.
            frmWAV w(file, values, {});
            child<QPushButton>(&w, "cmdPCM")->click();
            QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::Pcm16, 22050, 1}));
            QVERIFY(!values.wavFormatChosen);
            QVERIFY(!QFile::exists(Inifun::settingsFile()));
        }
    }

    void wavFromMenu() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        int asked = 0;
        std::optional<WavFormat> answer = WavFormat{WavCodec::ALaw, 16000, 2};
        file.SetWavFormatChooser([&](const QList<WavFormat> &offered, const WavFormat &) {
            ++asked;
            return offered.contains(*answer) ? answer : std::nullopt;
        });
        Described described;
        {
            frmWAV w(file, values, described.sink());
            child<QPushButton>(&w, "cmdMenu")->click();
        }
        QCOMPARE(asked, 1);
        QCOMPARE(file.CurrentWavFormat(), *answer);
        QCOMPARE(described.texts, QStringList{file.FormatDescription()});
        // Cancelling the chooser keeps the format.
        answer.reset();
        file.SetWavFormatChooser([&](const QList<WavFormat> &, const WavFormat &) {
            ++asked;
            return std::optional<WavFormat>();
        });
        {
            frmWAV w(file, values, described.sink());
            child<QPushButton>(&w, "cmdMenu")->click();
        }
        QCOMPARE(asked, 2);
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::ALaw, 16000, 2}));
    }

    void wavLikeSample() {
        REQUIRE_TOOL("sox");
        ProgramFolderScope folder;
        const QString sample = folder.file(QStringLiteral("sample.wav"));
        const auto made = testsupport::runTool(
            QStringLiteral("sox"),
            {"-n", "-r", "22050", "-c", "1", "-e", "u-law", sample, "synth", "0.2", "sine", "440"});
        QCOMPARE(made.exitCode, 0);
        const QString notWav = folder.file(QStringLiteral("text.wav"));
        QFile f(notWav);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a sound file\n");
        f.close();

        AudioFile file;
        FormatValues values;
        Messages messages;
        Described described;
        frmWAV w(file, values, described.sink());
        QString chosen;
        w.setSampleChooser([&](QWidget *) { return chosen; });
        // Cancelled dialog: nothing happens.
        child<QPushButton>(&w, "cmdSample")->click();
        QVERIFY(described.texts.isEmpty());
        QCOMPARE(file.CurrentWavFormat(), WavFormat{});
        // A file that is no WAV: the format and its description stay.
        chosen = notWav;
        child<QPushButton>(&w, "cmdSample")->click();
        QVERIFY(described.texts.isEmpty());
        QCOMPARE(messages.texts().size(), 1);
        QCOMPARE(file.CurrentWavFormat(), WavFormat{});
        // A real sample: its format, and the window stays open.
        chosen = sample;
        child<QPushButton>(&w, "cmdSample")->click();
        QCOMPARE(file.CurrentWavFormat(), (WavFormat{WavCodec::MuLaw, 22050, 1}));
        QCOMPARE(described.texts, QStringList{file.FormatDescription()});
        QCOMPARE(w.result(), int(QDialog::Rejected));
        QVERIFY(!QFile::exists(Inifun::settingsFile()));
    }

    // --- VOX, RAW, G.726 ------------------------------------------------------------------

    void telephonyStoredRates_data() {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("rate");
        QTest::newRow("vox 48000") << "vox"
                                   << "48000"
                                   << "F8" << 48000;
        QTest::newRow("vox 6000 not offered") << "vox"
                                              << "6000"
                                              << "F7" << 44100;
        QTest::newRow("vox 12000 not offered") << "vox"
                                               << "12000"
                                               << "F7" << 44100;
        QTest::newRow("raw 6000") << "raw"
                                  << "6000"
                                  << "F9" << 6000;
        QTest::newRow("raw 12000") << "raw"
                                   << "12000"
                                   << "F10" << 12000;
        QTest::newRow("g726 6000") << "g726"
                                   << "6000"
                                   << "F9" << 6000;
        QTest::newRow("g726 negative") << "g726"
                                       << "-8000"
                                       << "F7" << 44100;
        QTest::newRow("raw word") << "raw"
                                  << "fast"
                                  << "F7" << 44100;
    }
    void telephonyStoredRates() {
        QFETCH(QString, window);
        QFETCH(QString, stored);
        QFETCH(QString, button);
        QFETCH(int, rate);
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        std::unique_ptr<RateFormatWindow> w;
        const qint32 *value = nullptr;
        if (window == QLatin1String("vox")) {
            put(s::Vox, keys::VoxFreq, stored);
            w = std::make_unique<frmVOX>(file, values, DescriptionSink());
            value = &values.vox.frequency;
            QVERIFY(w->findChild<QRadioButton *>(QStringLiteral("F9")) == nullptr);
        } else if (window == QLatin1String("raw")) {
            put(s::Raw, keys::RawFreq, stored);
            w = std::make_unique<frmRAW>(file, values, DescriptionSink());
            value = &values.raw.frequency;
        } else {
            put(s::G726, keys::G726Freq, stored);
            w = std::make_unique<frmG726>(file, values, DescriptionSink());
            value = &values.g726.frequency;
        }
        QVERIFY(child<QRadioButton>(w.get(), button)->isChecked());
        QCOMPARE(*value, rate);
    }

    void rawChoicesAndOk() {
        ProgramFolderScope folder;
        put(s::Raw, keys::RawCompr, QStringLiteral("0"));
        put(s::Raw, keys::RawChannel, QStringLiteral("1"));
        AudioFile file;
        FormatValues values;
        Described described;
        frmRAW w(file, values, described.sink());
        QCOMPARE(w.windowTitle(), QStringLiteral("Set RAW Format"));
        QVERIFY(child<QRadioButton>(&w, "C1")->isChecked());
        QCOMPARE(child<QRadioButton>(&w, "C1")->text(), QStringLiteral("16-bit PCM"));
        QCOMPARE(child<QRadioButton>(&w, "C2")->text(), QStringLiteral("8-bit A-Law "));
        QCOMPARE(values.raw.coding, qint16(1));
        QVERIFY(child<QRadioButton>(&w, "P1")->isChecked());
        child<QRadioButton>(&w, "C3")->click();
        child<QRadioButton>(&w, "F1")->click();
        child<QRadioButton>(&w, "P2")->click();
        child<QPushButton>(&w, "cmdOK")->click();
        QCOMPARE(get(s::Raw, keys::RawFreq), QStringLiteral("8000"));
        QCOMPARE(get(s::Raw, keys::RawChannel), QStringLiteral("2"));
        QCOMPARE(get(s::Raw, keys::RawCompr), QStringLiteral("3"));
        QCOMPARE(described.texts,
                 QStringList{QStringLiteral("RAW u-law 8-bit, 8000 Hz, stereo (no header)")});
    }

    void g726BitsAndCancel() {
        ProgramFolderScope folder;
        put(s::G726, keys::G726Bits, QStringLiteral("6"));
        AudioFile file;
        FormatValues values;
        Described described;
        {
            frmG726 w(file, values, described.sink());
            QCOMPARE(w.windowTitle(), QStringLiteral("Set CCUIT G.726 Format"));
            QVERIFY(child<QRadioButton>(&w, "Option1_2")->isChecked());
            QCOMPARE(child<QRadioButton>(&w, "Option1_2")->text(), QStringLiteral("4 bit "));
            QCOMPARE(values.g726.bits, qint16(4));
            child<QRadioButton>(&w, "Option1_0")->click();
            child<QPushButton>(&w, "cmdCancel")->click();
        }
        // Cancel: the click stays in the values, nothing stored or applied.
        QCOMPARE(values.g726.bits, qint16(2));
        QCOMPARE(get(s::G726, keys::G726Bits), QStringLiteral("6"));
        QVERIFY(described.texts.isEmpty());
        {
            frmG726 w(file, values, described.sink());
            child<QRadioButton>(&w, "Option1_3")->click();
            child<QRadioButton>(&w, "F5")->click();
            child<QPushButton>(&w, "cmdOK")->click();
        }
        QCOMPARE(get(s::G726, keys::G726Bits), QStringLiteral("5"));
        QCOMPARE(get(s::G726, keys::G726Freq), QStringLiteral("11025"));
        QCOMPARE(described.texts.size(), 1);
        QVERIFY(described.texts.first().contains(QStringLiteral("5-bit, 11025 Hz")));
    }

    void voxOk() {
        ProgramFolderScope folder;
        AudioFile file;
        FormatValues values;
        Described described;
        frmVOX w(file, values, described.sink());
        QCOMPARE(w.windowTitle(), QStringLiteral("Set VOX Format"));
        child<QRadioButton>(&w, "F2")->click();
        child<QPushButton>(&w, "cmdOK")->click();
        QCOMPARE(get(s::Vox, keys::VoxFreq), QStringLiteral("16000"));
        QCOMPARE(described.texts.size(), 1);
        QVERIFY(described.texts.first().contains(QStringLiteral("16000 Hz")));
    }
};

QTEST_MAIN(TestFormatWindows)
#include "tst_formatwindows.moc"
