// Mixer lines, ports and card controls against a scripted server: ports and ALSA card
// controls do not exist on the test machine.
#include "ScriptedMixer.h"
#include "capture/AlsaMixer.h"
#include "capture/AudioRecord.h"
#include "capture/MixerBackend.h"

#include <QtTest>

using namespace pelvanto;

namespace {

using ScriptedServer = testsupport::ScriptedMixer::State;

SourceDevice stereoCard() {
    SourceDevice d;
    d.name = QStringLiteral("alsa_input.pci-0000_00_1f.3.analog-stereo");
    d.description = QStringLiteral("Built-in Audio Analog Stereo");
    d.channelNames = {QStringLiteral("Front Left"), QStringLiteral("Front Right")};
    d.channelSides = {-1, 1};
    d.volumes = {65536, 65536};
    d.ports = {
        {QStringLiteral("analog-input-mic"), QStringLiteral("Microphone"), true},
        {QStringLiteral("analog-input-linein"), QStringLiteral("Line In"), true},
        {QStringLiteral("analog-input-headset-mic"), QStringLiteral("Headset Microphone"), false}};
    d.activePort = QStringLiteral("analog-input-mic");
    d.alsaCard = QStringLiteral("0");
    return d;
}

SourceDevice monoUsb() {
    SourceDevice d;
    d.name = QStringLiteral("alsa_input.usb-mic.mono");
    d.description = QStringLiteral("USB Microphone Mono");
    d.channelNames = {QStringLiteral("Mono")};
    d.channelSides = {0};
    d.volumes = {32768};
    return d;
}

ScriptedServer server() {
    ScriptedServer s;
    s.devices = {monoUsb(), stereoCard()};
    s.defaultSource = stereoCard().name;
    s.maxVolume = 65536 * 3 / 2;
    s.cards[QStringLiteral("0")] = {{{QStringLiteral("Mic Boost Capture Switch"), true, 0, 1},
                                     {QStringLiteral("Capture Capture Volume"), false, 0, 65535}},
                                    {QVariant(false), QVariant(qint32(65535))}};
    // The card takes levels in steps of 1/63 of the range, as many capture levels do.
    s.cardLevelSteps = 63;
    s.captureRefusal = QStringLiteral("Access denied");
    return s;
}

std::unique_ptr<AudioRecord> recorder(ScriptedServer *s) {
    return std::make_unique<AudioRecord>(std::make_unique<testsupport::ScriptedMixer>(s));
}

} // namespace

class TestMixer : public QObject {
    Q_OBJECT
private slots:
    void devicesFollowTheServer() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        QCOMPARE(r->DeviceCount(), 2);
        QCOMPARE(r->CurrentDevice(), 1); // the default source
        QCOMPARE(r->DeviceName(), QStringLiteral("Built-in Audio Analog Stereo"));
        // Plugged in later: listed at the next enumeration, the current device kept by name.
        SourceDevice usb2 = monoUsb();
        usb2.name = QStringLiteral("alsa_input.usb-other");
        s.devices.prepend(usb2);
        QCOMPARE(r->DeviceCount(), 3);
        QCOMPARE(r->CurrentDevice(), 2);
        QCOMPARE(r->DeviceId(), stereoCard().name);
        // The main window's probe loop: 0 .. DeviceCount inclusive.
        int usable = 0;
        for (int i = 0; i <= 3; ++i) {
            r->SetCurrentDevice(i);
            usable += r->DeviceUsable() ? 1 : 0;
        }
        QCOMPARE(usable, 3);
        r->SetCurrentDevice(-1);
        QVERIFY(!r->DeviceUsable());
        QCOMPARE(r->SourceCount(), -1);
        QVERIFY(r->SourceName().isEmpty());
    }

    void portsAreLinesOneUpAndExclusive() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        QCOMPARE(r->SourceCount(), 3);
        QStringList names;
        for (int i = 0; i <= r->SourceCount(); ++i) {
            r->SetCurrentSource(i);
            names << r->SourceName();
            QVERIFY(r->SourceSelectable());
        }
        QCOMPARE(names, (QStringList{QStringLiteral("Built-in Audio Analog Stereo"),
                                     QStringLiteral("Microphone"), QStringLiteral("Line In"),
                                     QStringLiteral("Headset Microphone (unplugged)")}));
        auto selected = [&] {
            QVector<bool> out;
            for (int i = 1; i <= 3; ++i) {
                r->SetCurrentSource(i);
                out << r->SourceSelected();
            }
            return out;
        };
        QCOMPARE(selected(), (QVector<bool>{true, false, false}));
        r->SetCurrentSource(2);
        r->SetSourceSelected(true);
        QCOMPARE(selected(), (QVector<bool>{false, true, false}));
        QCOMPARE(s.devices[1].activePort, QStringLiteral("analog-input-linein"));
        // Clearing the only active port leaves it active: one input always feeds the device.
        r->SetCurrentSource(2);
        r->SetSourceSelected(false);
        QCOMPARE(selected(), (QVector<bool>{false, true, false}));
        // Ports carry no level of their own; the line as a whole does.
        r->SetCurrentSource(1);
        QVERIFY(!r->SourceHasVolume());
        QVERIFY(!r->SourceHasBalance());
        QVERIFY(r->LastAdvancedControl() < 0);
        r->SetSourceVolume(1000);
        QCOMPARE(s.devices[1].volumes, (QVector<quint32>{65536, 65536}));
        r->SetCurrentSource(4); // past the last port
        QVERIFY(!r->SourceSelectable());
        QVERIFY(!r->SourceSelected());
    }

    void lineZeroSelectedMeansNotMuted() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        r->SetCurrentSource(0);
        QVERIFY(r->SourceSelected());
        r->SetSourceSelected(false);
        QVERIFY(s.devices[1].muted);
        QVERIFY(!r->SourceSelected());
        QCOMPARE(r->AdvancedControlValue(0), QVariant(true));
        r->SetAdvancedControlValue(0, QVariant(false));
        QVERIFY(r->SourceSelected());
    }

    void volumeAndBalanceAreWhatTheServerTook() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        r->SetCurrentSource(0);
        QCOMPARE(r->SourceVolume(), 65535);
        r->SetSourceVolume(0);
        QCOMPARE(r->SourceVolume(), 0);
        r->SetSourceVolume(65535);
        r->SetSourceBalance(0);
        QCOMPARE(s.devices[1].volumes, (QVector<quint32>{65536, 0}));
        QCOMPARE(r->SourceBalance(), 0);
        r->SetSourceVolume(32768); // the balance stays
        QCOMPARE(s.devices[1].volumes, (QVector<quint32>{32769, 0}));
        QCOMPARE(r->SourceBalance(), 0);
        r->SetSourceBalance(75);
        QCOMPARE(r->SourceBalance(), 75);
        QCOMPARE(r->SourceVolume(), 32768);
        // A device that takes less than asked shows what it took.
        s.maxVolume = 20000;
        r->SetSourceVolume(60000);
        QCOMPARE(r->SourceVolume(), (20000 * 65535 + 32768) / 65536);
        QCOMPARE(r->SourceBalance(), 50); // both channels ended at the device's limit
        // Mono: a level but no balance.
        r->SetCurrentDevice(0);
        r->SetCurrentSource(0);
        QVERIFY(r->SourceHasVolume());
        QVERIFY(!r->SourceHasBalance());
        QCOMPARE(r->SourceBalance(), 50);
        r->SetSourceBalance(0);
        QCOMPARE(s.devices[0].volumes, (QVector<quint32>{32768}));
        QCOMPARE(r->SourceCount(), 0);
    }

    void advancedControlsIncludeTheCard() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        r->SetCurrentSource(0);
        QCOMPARE(r->LastAdvancedControl(), 4);
        QStringList names;
        for (int i = 0; i <= r->LastAdvancedControl(); ++i)
            names << r->AdvancedControlName(i);
        QCOMPARE(names, (QStringList{QStringLiteral("Mute"), QStringLiteral("Volume Front Left"),
                                     QStringLiteral("Volume Front Right"),
                                     QStringLiteral("Mic Boost Capture Switch"),
                                     QStringLiteral("Capture Capture Volume")}));
        QCOMPARE(r->AdvancedControlValue(3).typeId(), QMetaType::Bool);
        QCOMPARE(r->AdvancedControlValue(4).typeId(), QMetaType::Int);
        r->SetAdvancedControlValue(3, QVariant(true));
        QCOMPARE(r->AdvancedControlValue(3), QVariant(true));
        // Levels read back as the card stepped them.
        r->SetAdvancedControlValue(4, QVariant(qint32(30000)));
        QCOMPARE(r->AdvancedControlValue(4).toInt(), qint32(std::lround(29 * 65535.0 / 63)));
        r->SetAdvancedControlValue(4, QVariant(qint32(-5)));
        QCOMPARE(r->AdvancedControlValue(4).toInt(), 0);
        // A channel level moves only that channel.
        r->SetAdvancedControlValue(2, QVariant(qint32(16384)));
        QCOMPARE(s.devices[1].volumes, (QVector<quint32>{65536, 16384}));
        QVERIFY(r->SourceBalance() < 50);
        // Out of range and empty values change nothing.
        r->SetAdvancedControlValue(5, QVariant(true));
        r->SetAdvancedControlValue(1, QVariant());
        QVERIFY(!r->AdvancedControlValue(5).isValid());
        QVERIFY(r->AdvancedControlName(-1).isEmpty());
        QCOMPARE(s.devices[1].volumes, (QVector<quint32>{65536, 16384}));
        // A device without a card has only its own controls.
        r->SetCurrentDevice(0);
        QCOMPARE(r->LastAdvancedControl(), 1);
    }

    void refusedCaptureIsReported() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        QSignalSpy blocks(r.get(), &AudioRecord::EndArrayRecord);
        QVERIFY(r->RecordStart() < 0);
        QVERIFY(r->RecordStatus() < 0);
        QVERIFY(r->LastError().contains(QStringLiteral("Access denied")));
        r->RecordStop();
        QVERIFY(r->RecordStatus() < 0);
        QCOMPARE(blocks.count(), 0);
        // A device that vanished from the server is simply gone.
        s.devices.clear();
        QCOMPARE(r->DeviceCount(), 0);
        QVERIFY(!r->DeviceUsable());
        QVERIFY(r->RecordStart() < 0);
    }

    void unreachableCardHasNoControls() {
        // No sound card here: every card is unreachable, and that is not an error.
        for (const QString &card : {QStringLiteral("97"), QStringLiteral("x"), QString()}) {
            QVERIFY(alsamixer::controls(card).isEmpty());
            QVERIFY(!alsamixer::value(card, 0).isValid());
            QVERIFY(!alsamixer::setValue(card, 0, QVariant(true)));
        }
    }

    void formatAndConversions() {
        ScriptedServer s = server();
        auto r = recorder(&s);
        r->SetFormat(8000, 1);
        QCOMPARE(r->SampleRate(), 8000);
        QCOMPARE(r->ChannelCount(), 1);
        QCOMPARE(r->MsToSamples(1000), 8000);
        QCOMPARE(r->SamplesToMs(12000), 1500);
        QCOMPARE(r->MsToSamples(3LL * 3600 * 1000 * 24),
                 8000LL * 3600 * 24 * 3); // days, no overflow
        r->SetFormat(0, 2);               // refused
        r->SetFormat(8000, 3);
        QCOMPARE(r->SampleRate(), 8000);
        QCOMPARE(r->ChannelCount(), 1);
        r->SetBlockSize(0);
        QVERIFY(r->BlockSize() > 0);
        r->SetNotchFrequency(60.0F);
        r->SetHighPassFrequency(300.0F);
        r->SetLowPassFrequency(3400.0F);
        QCOMPARE(r->NotchFrequency(), 60.0F);
        QCOMPARE(r->HighPassFrequency(), 300.0F);
        QCOMPARE(r->LowPassFrequency(), 3400.0F);
        r->SetAutoGainAttackTime(0);
        QVERIFY(r->AutoGainAttackTime() >= 1);
    }
};

QTEST_MAIN(TestMixer)
#include "tst_mixer.moc"
