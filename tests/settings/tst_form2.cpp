// The recording options window and the advanced properties window against a scripted mixer:
// mixer columns, enabling rules, filters and gain control, format rows and their windows.
#include "Form2.h"
#include "FormatValues.h"
#include "OptionWidgets.h"
#include "ScriptedMixer.h"
#include "SettingsKeys.h"
#include "SettingsTestUtil.h"
#include "StoredSettings.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioRecord.h"
#include "frmAdv.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <QtTest>

using namespace pelvanto;
using namespace settingstest;
using namespace testsupport;
namespace s = keys::section;

namespace {

template <typename T> T *child(QWidget *w, const QString &name) {
    T *c = w->findChild<T *>(name);
    if (c == nullptr)
        qWarning("no control %s", qPrintable(name));
    return c;
}

struct Rig {
    std::shared_ptr<ScriptedMixer::State> state = std::make_shared<ScriptedMixer::State>();
    std::unique_ptr<AudioRecord> record;
    AudioFile file;
    FormatValues values;

    explicit Rig(int ports, bool withDevice = true) {
        if (withDevice) {
            state->devices = {stereoDevice(QStringLiteral("card"), ports)};
            state->defaultSource = QStringLiteral("card");
        }
        record = std::make_unique<AudioRecord>(std::make_unique<ScriptedMixer>(state));
        values.mp3.bitrate = 128;
        values.mp3.frequency = 44100;
        values.mp3.channels = 2;
        values.wav.frequency = 22050;
        values.wav.channels = 1;
        values.vox.frequency = 8000;
        values.ogg.bitrate = 160;
        values.raw.frequency = 8000;
        values.raw.channels = 1;
        values.raw.coding = 2;
        values.g726.frequency = 8000;
        values.g726.bits = 3;
    }
    SourceDevice &device() { return state->devices.first(); }
};

// Runs `act` on the next modal window that opens, once the event loop is back.
void onNextModal(const std::function<void(QWidget *)> &act) {
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal != nullptr);
        act(modal);
    });
}

} // namespace

class TestForm2 : public QObject {
    Q_OBJECT

private slots:
    void twelveSourcesShowEightColumns() {
        ProgramFolderScope folder;
        Rig rig(12);
        Form2 w(*rig.record, rig.file, rig.values);
        QCOMPARE(w.windowTitle(), QStringLiteral("Formats And Filters Settings "));
        QCOMPARE(w.shownColumns(), 8);
        for (int i = 0; i < 8; ++i)
            QVERIFY(!child<QWidget>(&w, arrayName("Label", i))->isHidden());
        QCOMPARE(child<QLabel>(&w, arrayName("Label", 7))->text(), QStringLiteral("Jack 7"));
        QCOMPARE(child<QFrame>(&w, QStringLiteral("Frame14"))->width(),
                 twipsToPixels(&w, 8 * 1260));
    }

    void twoSourcesShowThreeColumns() {
        ProgramFolderScope folder;
        Rig rig(2);
        Form2 w(*rig.record, rig.file, rig.values);
        QCOMPARE(w.shownColumns(), 3);
        QCOMPARE(child<QFrame>(&w, QStringLiteral("Frame14"))->width(), twipsToPixels(&w, 3780));
        QVERIFY(child<QLabel>(&w, arrayName("Label", 3))->parentWidget()->isHidden());
        QCOMPARE(child<QLabel>(&w, arrayName("Label", 0))->text(), QStringLiteral("card input"));
        QCOMPARE(child<QCheckBox>(&w, arrayName("chSelect", 0))->text(),
                 QStringLiteral("Select All"));
        QCOMPARE(child<QCheckBox>(&w, arrayName("chSelect", 1))->text(), QStringLiteral("Select"));
        // The whole line has volume, balance and advanced controls; a port has none.
        QVERIFY(child<QSlider>(&w, arrayName("slVolume", 0))->isEnabled());
        QVERIFY(child<QSlider>(&w, arrayName("slBalance", 0))->isEnabled());
        QVERIFY(!child<QPushButton>(&w, arrayName("cmdAdvanced", 0))->isHidden());
        QVERIFY(!child<QSlider>(&w, arrayName("slVolume", 1))->isEnabled());
        QVERIFY(!child<QSlider>(&w, arrayName("slBalance", 1))->isEnabled());
        QVERIFY(child<QPushButton>(&w, arrayName("cmdAdvanced", 1))->isHidden());
        // Selection: the line is not muted, port 1 is the active port.
        QVERIFY(child<QCheckBox>(&w, arrayName("chSelect", 0))->isChecked());
        QVERIFY(child<QCheckBox>(&w, arrayName("chSelect", 1))->isChecked());
        QVERIFY(!child<QCheckBox>(&w, arrayName("chSelect", 2))->isChecked());
        // Full volume shows at the top: slider value 0.
        QCOMPARE(child<QSlider>(&w, arrayName("slVolume", 0))->value(), 0);
        QCOMPARE(child<QSlider>(&w, arrayName("slBalance", 0))->value(), 50);
    }

    void selectingOnePortClearsTheOthers() {
        ProgramFolderScope folder;
        Rig rig(3);
        rig.record->DeviceCount();
        rig.record->SetCurrentSource(2);
        Form2 w(*rig.record, rig.file, rig.values);
        QCOMPARE(rig.record->CurrentSource(), 2);
        child<QCheckBox>(&w, arrayName("chSelect", 3))->click();
        QCOMPARE(rig.device().activePort, QStringLiteral("port3"));
        QVERIFY(!child<QCheckBox>(&w, arrayName("chSelect", 1))->isChecked());
        QVERIFY(child<QCheckBox>(&w, arrayName("chSelect", 3))->isChecked());
        QCOMPARE(rig.record->CurrentSource(), 2); // put back
        // Clearing the only active port cannot leave none: the box shows it is still on.
        child<QCheckBox>(&w, arrayName("chSelect", 3))->click();
        QVERIFY(child<QCheckBox>(&w, arrayName("chSelect", 3))->isChecked());
        // "Select All" clears: the line is muted.
        child<QCheckBox>(&w, arrayName("chSelect", 0))->click();
        QVERIFY(rig.device().muted);
        QVERIFY(!child<QCheckBox>(&w, arrayName("chSelect", 0))->isChecked());
    }

    void slidersShowWhatTheMixerAccepted() {
        ProgramFolderScope folder;
        Rig rig(1);
        rig.state->volumeGranularity = 4096;
        Form2 w(*rig.record, rig.file, rig.values);
        auto *volume = child<QSlider>(&w, arrayName("slVolume", 0));
        volume->setValue(65535 - 30000);
        const int accepted = rig.device().volumes.first();
        QCOMPARE(accepted % 4096, 0);
        rig.record->SetCurrentSource(0);
        QCOMPARE(volume->value(), 65535 - rig.record->SourceVolume());
        QVERIFY(volume->value() != 65535 - 30000); // rounded by the mixer
        QVERIFY(qAbs(rig.record->SourceVolume() - 30000) < 4096);
        auto *balance = child<QSlider>(&w, arrayName("slBalance", 0));
        balance->setValue(75);
        QVERIFY(rig.device().volumes[0] < rig.device().volumes[1]);
        QCOMPARE(balance->value(), rig.record->SourceBalance());
        QVERIFY(balance->value() > 60 && balance->value() < 90); // rounded too
    }

    void noDeviceStillShowsFormatsAndFilters() {
        ProgramFolderScope folder;
        put(s::Other, keys::Notch, QStringLiteral("0"));
        put(s::Other, keys::NotchText, QStringLiteral("60"));
        Rig rig(0, false);
        Form2 w(*rig.record, rig.file, rig.values);
        QCOMPARE(w.shownColumns(), 0);
        QVERIFY(child<QLabel>(&w, arrayName("Label", 0))->parentWidget()->isHidden());
        QVERIFY(!child<QLineEdit>(&w, "txtMP3")->text().isEmpty());
        QCOMPARE(child<QLineEdit>(&w, "txtNotchFreq")->text(), QStringLiteral("60"));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Other, keys::NotchText), QStringLiteral("60"));
    }

    void formatRowsShowTheProgramValues() {
        ProgramFolderScope folder;
        Rig rig(1);
        Form2 w(*rig.record, rig.file, rig.values);
        QCOMPARE(child<QLineEdit>(&w, "txtWAV")->text(),
                 AudioFile::DescribeWavFormat({WavCodec::Pcm16, 22050, 1}));
        QCOMPARE(child<QLineEdit>(&w, "txtRAW")->text(),
                 QStringLiteral("RAW A-law 8-bit, 8000 Hz, mono (no header)"));
        QCOMPARE(child<QLineEdit>(&w, "txtOGG")->text(),
                 QStringLiteral("Ogg Vorbis 160 kbit/s nominal, 44100 Hz, stereo"));
        QVERIFY(child<QLineEdit>(&w, "txtG726")->text().contains(QStringLiteral("3-bit")));
        QVERIFY(child<QLineEdit>(&w, "txtVOX")->text().contains(QStringLiteral("8000 Hz")));
        QVERIFY(child<QLineEdit>(&w, "txtMP3")->text().contains(QStringLiteral("128")));
        for (const char *b : {"cmdMP3", "cmdWAV", "cmdVOX", "cmdOgg", "cmdRAW", "cmdG726"})
            QCOMPARE(child<QPushButton>(&w, QLatin1String(b))->text(), QStringLiteral("..."));
    }

    void formatWindowOkUpdatesItsRow() {
        ProgramFolderScope folder;
        Rig rig(1);
        Form2 w(*rig.record, rig.file, rig.values);
        QString opened;
        onNextModal([&](QWidget *modal) {
            opened = modal->objectName();
            QCOMPARE(modal->parentWidget(), &w);
            modal->findChild<QRadioButton *>(QStringLiteral("F2"))->click();
            modal->findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
        });
        child<QPushButton>(&w, "cmdVOX")->click();
        QCOMPARE(opened, QStringLiteral("frmVOX"));
        QCOMPARE(rig.values.vox.frequency, 16000);
        QVERIFY(child<QLineEdit>(&w, "txtVOX")->text().contains(QStringLiteral("16000 Hz")));

        // Cancel leaves the row as it was.
        const QString wav = child<QLineEdit>(&w, "txtWAV")->text();
        onNextModal([](QWidget *modal) {
            modal->findChild<QRadioButton *>(QStringLiteral("F8"))->click();
            modal->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
        });
        child<QPushButton>(&w, "cmdWAV")->click();
        QCOMPARE(child<QLineEdit>(&w, "txtWAV")->text(), wav);
        QCOMPARE(rig.values.wav.frequency, 48000); // the click stays for the run

        // A WAV codec chosen in the window survives the next opening of this window.
        onNextModal([](QWidget *modal) {
            modal->findChild<QRadioButton *>(QStringLiteral("F1"))->click();
            modal->findChild<QPushButton *>(QStringLiteral("cmdGSM"))->click();
        });
        child<QPushButton>(&w, "cmdWAV")->click();
        const QString gsm = child<QLineEdit>(&w, "txtWAV")->text();
        QVERIFY(gsm.contains(QStringLiteral("GSM")));
        Form2 again(*rig.record, rig.file, rig.values);
        QCOMPARE(child<QLineEdit>(&again, "txtWAV")->text(), gsm);
        QCOMPARE(rig.file.CurrentWavFormat().codec, WavCodec::Gsm610);
    }

    void storedNotchOffKeepsItsText() {
        ProgramFolderScope folder;
        put(s::Other, keys::Notch, QStringLiteral("0"));
        put(s::Other, keys::NotchText, QStringLiteral("60"));
        Rig rig(1);
        rig.record->SetNotchEnabled(true);
        Form2 w(*rig.record, rig.file, rig.values);
        auto *box = child<QCheckBox>(&w, "chFilter");
        auto *text = child<QLineEdit>(&w, "txtNotchFreq");
        QVERIFY(!box->isChecked());
        QCOMPARE(text->text(), QStringLiteral("60"));
        QVERIFY(!text->isEnabled());
        QVERIFY(!child<UpDown>(&w, "udNotchFreq")->isEnabled());
        // Absent switches count as on.
        QVERIFY(child<QCheckBox>(&w, "chFilter1")->isChecked());
        QVERIFY(child<QLineEdit>(&w, "txtHighPassFreq")->isEnabled());
        QCOMPARE(child<QLineEdit>(&w, "txtHighPassFreq")->text(), QString());
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Other, keys::Notch), QStringLiteral("0"));
        QCOMPARE(get(s::Other, keys::NotchText), QStringLiteral("60"));
        QCOMPARE(get(s::Other, keys::HighPass), QStringLiteral("1"));
        QCOMPARE(get(s::Other, keys::HighPassText), QString());
        QVERIFY(!rig.record->NotchEnabled());
        QVERIFY(rig.record->HighPassEnabled());
    }

    void okStoresTextsAndAppliesValues() {
        ProgramFolderScope folder;
        put(s::Other, keys::LowPassText, QStringLiteral("3000"));
        put(s::Other, keys::AutoGain, QStringLiteral("1"));
        put(s::Other, keys::LowLevel, QStringLiteral("-50"));
        put(s::Other, keys::HighLevel, QStringLiteral("-12"));
        put(s::Other, keys::AttackTime, QStringLiteral("120"));
        Rig rig(1);
        Form2 w(*rig.record, rig.file, rig.values);
        child<QLineEdit>(&w, "txtNotchFreq")->setText(QStringLiteral("120"));
        // Typed above the up-down's range: stored and applied at the top of the range.
        child<QLineEdit>(&w, "txtHighPassFreq")->setText(QStringLiteral("50000"));
        child<UpDown>(&w, "udAGCAttackTime")->stepBy(3);
        QCOMPARE(child<QLineEdit>(&w, "txtAGCAttackTime")->text(), QStringLiteral("123"));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Other, keys::NotchText), QStringLiteral("120"));
        QCOMPARE(get(s::Other, keys::HighPassText), QStringLiteral("44100"));
        QCOMPARE(get(s::Other, keys::AttackTime), QStringLiteral("123"));
        QCOMPARE(rig.record->NotchFrequency(), 120.0F);
        QCOMPARE(rig.record->HighPassFrequency(), 44100.0F);
        QCOMPARE(rig.record->LowPassFrequency(), 3000.0F);
        QVERIFY(rig.record->AutoGainEnabled());
        QCOMPARE(rig.record->AutoGainLowLevel(), -50);
        QCOMPARE(rig.record->AutoGainHighLevel(), -12);
        QCOMPARE(rig.record->AutoGainAttackTime(), 123);
    }

    void gainControlOffWhileTheWindowShows() {
        ProgramFolderScope folder;
        put(s::Other, keys::AutoGain, QStringLiteral("1"));
        Rig rig(1);
        rig.record->SetAutoGainEnabled(true);
        rig.record->SetAutoGainLowLevel(-44);
        rig.record->SetAutoGainAttackTime(77);
        {
            Form2 w(*rig.record, rig.file, rig.values);
            QVERIFY(!rig.record->AutoGainEnabled());
            // The up-downs start from the recorder's values; the attack time shows as text.
            QCOMPARE(child<UpDown>(&w, "udAGCLowLevel")->value(), -44);
            QCOMPARE(child<QLineEdit>(&w, "txtAGCAttackTime")->text(), QString());
            QVERIFY(child<QCheckBox>(&w, "chAutoGainControl")->isChecked());
            child<QPushButton>(&w, "Command2")->click();
        }
        QVERIFY(!QFile::exists(Inifun::settingsFile()) || get(s::Other, keys::LowLevel).isEmpty());
        {
            Form2 w(*rig.record, rig.file, rig.values);
            auto *box = child<QCheckBox>(&w, "chAutoGainControl");
            box->setChecked(false);
            QVERIFY(!child<QLineEdit>(&w, "txtAGCLowLevel")->isEnabled());
            box->setChecked(true);
            QVERIFY(child<UpDown>(&w, "udAGCHighLevel")->isEnabled());
            child<QPushButton>(&w, "Command1")->click();
        }
        QVERIFY(rig.record->AutoGainEnabled());
        QCOMPARE(rig.record->AutoGainLowLevel(), -44);
        QCOMPARE(rig.record->AutoGainAttackTime(), 77);
    }

    // Leaving without OK gives back the gain control the window switched off; OK applies the
    // box whatever was on before.
    void gainControlAfterTheWindow_data() {
        QTest::addColumn<bool>("onBefore");
        QTest::addColumn<QString>("leave"); // "cancel", "escape", "close", "ok on", "ok off"
        QTest::addColumn<bool>("onAfter");
        QTest::newRow("on, Cancel") << true << "cancel" << true;
        QTest::newRow("on, Escape") << true << "escape" << true;
        QTest::newRow("on, close box") << true << "close" << true;
        QTest::newRow("off, Cancel") << false << "cancel" << false;
        QTest::newRow("on, OK with the box cleared") << true << "ok off" << false;
        QTest::newRow("off, OK with the box checked") << false << "ok on" << true;
    }
    void gainControlAfterTheWindow() {
        QFETCH(bool, onBefore);
        QFETCH(QString, leave);
        QFETCH(bool, onAfter);
        ProgramFolderScope folder;
        Rig rig(1);
        rig.record->SetAutoGainEnabled(onBefore);
        Form2 w(*rig.record, rig.file, rig.values);
        w.show();
        QVERIFY(!rig.record->AutoGainEnabled());
        if (leave == QLatin1String("cancel")) {
            child<QPushButton>(&w, "Command2")->click();
        } else if (leave == QLatin1String("escape")) {
            QTest::keyClick(&w, Qt::Key_Escape);
        } else if (leave == QLatin1String("close")) {
            w.close();
        } else {
            child<QCheckBox>(&w, "chAutoGainControl")
                ->setChecked(leave.endsWith(QLatin1String("on")));
            child<QPushButton>(&w, "Command1")->click();
        }
        QVERIFY(w.isHidden());
        QCOMPARE(rig.record->AutoGainEnabled(), onAfter);
    }

    // OK writes each of the ten keys under its own name: every control holds a value no other
    // one holds (the switches in two patterns, so that any two of them differ once).
    void okWritesEachKeyUnderItsName_data() { addFilterKeyRows(); }
    void okWritesEachKeyUnderItsName() {
        QFETCH(QString, switches);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        ProgramFolderScope folder;
        Rig rig(1);
        Form2 w(*rig.record, rig.file, rig.values);
        const char *boxes[] = {"chFilter", "chFilter1", "chFilter2", "chAutoGainControl"};
        for (int i = 0; i < 4; ++i)
            child<QCheckBox>(&w, QLatin1String(boxes[i]))
                ->setChecked(switches[i] == QLatin1Char('1'));
        for (const auto &text : kFilterTexts)
            child<QLineEdit>(&w, QLatin1String(text[0]))->setText(QString::fromLatin1(text[1]));
        child<QPushButton>(&w, "Command1")->click();
        QCOMPARE(get(s::Other, key.toLatin1().constData()), expected);
    }

    // A value typed outside its up-down's range is stored as it is applied, and the next start
    // applies it the same.
    void typedOutsideTheRangeStoredAsApplied_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("notch below") << "txtNotchFreq" << keys::NotchText << "30"
                                     << "40";
        QTest::newRow("notch above") << "txtNotchFreq" << keys::NotchText << "400"
                                     << "200";
        QTest::newRow("high-pass above") << "txtHighPassFreq" << keys::HighPassText << "50000"
                                         << "44100";
        QTest::newRow("low-pass below") << "txtLowPassFreq" << keys::LowPassText << "20"
                                        << "100";
        QTest::newRow("low level below") << "txtAGCLowLevel" << keys::LowLevel << "-120"
                                         << "-90";
        QTest::newRow("high level above") << "txtAGCHighLevel" << keys::HighLevel << "6"
                                          << "0";
        QTest::newRow("attack below") << "txtAGCAttackTime" << keys::AttackTime << "10"
                                      << "50";
        QTest::newRow("inside") << "txtNotchFreq" << keys::NotchText << "60"
                                << "60";
    }
    void typedOutsideTheRangeStoredAsApplied() {
        QFETCH(QString, field);
        QFETCH(QString, key);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        ProgramFolderScope folder;
        put(s::Other, keys::AutoGain, QStringLiteral("1"));
        Rig rig(1);
        {
            Form2 w(*rig.record, rig.file, rig.values);
            child<QLineEdit>(&w, field)->setText(typed);
            child<QPushButton>(&w, "Command1")->click();
        }
        QCOMPARE(get(s::Other, key.toLatin1().constData()), stored);
        // The next start applies what the window applied.
        Rig next(1);
        StoredSettings::applyFilters(*next.record);
        const auto applied = [](AudioRecord &r) {
            return QList<double>{r.NotchFrequency(),
                                 r.HighPassFrequency(),
                                 r.LowPassFrequency(),
                                 double(r.AutoGainLowLevel()),
                                 double(r.AutoGainHighLevel()),
                                 double(r.AutoGainAttackTime())};
        };
        QCOMPARE(applied(*next.record), applied(*rig.record));
        QVERIFY(applied(*rig.record).contains(stored.toDouble()));
        // The window shows the stored value when it opens again.
        Form2 again(*rig.record, rig.file, rig.values);
        QCOMPARE(child<QLineEdit>(&again, field)->text(), stored);
    }

    // --- advanced properties ---------------------------------------------------------------

    void advancedWindowSwapsSwitchAndSlider() {
        ProgramFolderScope folder;
        Rig rig(1);
        rig.device().alsaCard = QStringLiteral("0");
        ScriptedCard card;
        card.controls = {{QStringLiteral("Mic Boost"), true, 0, 1},
                         {QStringLiteral("Capture Level"), false, -20, 100}};
        card.values = {QVariant(false), QVariant(qint32(-15))};
        rig.state->cards.insert(QStringLiteral("0"), card);
        rig.record->DeviceCount();
        rig.record->SetCurrentSource(0);

        frmAdv w(*rig.record);
        QCOMPARE(w.windowTitle(), QStringLiteral("card input: Advanced Properties"));
        auto *list = child<QComboBox>(&w, "Combo1");
        QCOMPARE(list->count(), rig.record->LastAdvancedControl() + 1);
        QCOMPARE(list->itemText(list->count() - 1), QStringLiteral("Capture Level"));
        auto *check = child<QCheckBox>(&w, "Check1");
        auto *slider = child<QSlider>(&w, "Slider1");
        // Entry 0 is the line's mute switch.
        QVERIFY(!check->isHidden());
        QVERIFY(slider->isHidden());
        QCOMPARE(w.width(), twipsToPixels(&w, 3750));
        QVERIFY(!check->isChecked());
        check->click();
        QVERIFY(rig.device().muted);
        QVERIFY(check->isChecked());

        list->setCurrentIndex(list->count() - 1);
        QVERIFY(check->isHidden());
        QVERIFY(!slider->isHidden());
        QCOMPARE(w.width(), twipsToPixels(&w, 5520));
        QCOMPARE(slider->value(), 15); // a negative level shows as its size
        // The mixer limits the level; the slider shows what it took.
        slider->setValue(5000);
        QCOMPARE(rig.state->cards[QStringLiteral("0")].values[1].toInt(), 100);
        QCOMPARE(slider->value(), 100);

        list->setCurrentIndex(list->count() - 2);
        QCOMPARE(w.width(), twipsToPixels(&w, 3750));
        check->click();
        QCOMPARE(rig.state->cards[QStringLiteral("0")].values[0].toBool(), true);
    }

    void advancedButtonOpensTheLinesWindow() {
        ProgramFolderScope folder;
        Rig rig(2);
        Form2 w(*rig.record, rig.file, rig.values);
        QString title;
        onNextModal([&](QWidget *modal) {
            title = modal->windowTitle();
            modal->close();
        });
        child<QPushButton>(&w, arrayName("cmdAdvanced", 0))->click();
        QCOMPARE(title, QStringLiteral("card input: Advanced Properties"));
        QCOMPARE(rig.record->CurrentSource(), 0);
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
