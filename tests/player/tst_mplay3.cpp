// The audio player window: what only the window does — its layouts and timers, the knobs and
// the volume ramp on the real player, dialogs, the caption and the stored position.
#include "MPlay3.h"
#include "SinkMonitor.h"
#include "SkinWidgets.h"

#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

using namespace pelvanto;

class TestMPlay3 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void loadsFoldedWithItsControls();
    void smallWindowAndFold();
    void openPlayPauseAndTime();
    void knobsSeekAndBalance();
    void volumeRamp();
    void listsModesAndPosition();

private:
    QAbstractButton *buttonNamed(MPlay3 &w, const char *name) {
        return w.findChild<QAbstractButton *>(QString::fromLatin1(name));
    }
    QLabel *labelNamed(MPlay3 &w, const char *name) {
        return w.findChild<QLabel *>(QString::fromLatin1(name));
    }
    MPlay3::FileChooser answer(const QStringList &answers) {
        asked_.clear();
        return [this, answers](QWidget *, const QString &title, const QString &filter, bool save) {
            asked_ << QStringLiteral("%1|%2|%3").arg(title, filter).arg(save);
            return answers.value(int(asked_.size()) - 1);
        };
    }
    QTemporaryDir dir_;
    QStringList asked_;
};

void TestMPlay3::initTestCase() {
    REQUIRE_PULSE();
    QStandardPaths::setTestModeEnabled(true);
}

void TestMPlay3::loadsFoldedWithItsControls() {
    MPlay3 w;
    w.show();
    QCOMPARE(w.windowTitle(), QString("Audio Player"));
    QCOMPARE(w.heightTwips(), 1725);
    QCOMPARE(w.height(), w.tw(1725));
    QCOMPARE(labelNamed(w, "Label24")->text(),
             QString("Click \"play\" button to open an audio file"));
    for (const char *name : {"Image5", "Image6", "Image7", "Image8", "Image16"})
        QVERIFY2(!buttonNamed(w, name)->isEnabled(), name);
    for (const char *name :
         {"toptime", "toppic", "filebar", "listbar", "shuffleon", "repeaton", "pldown"})
        QVERIFY2(!w.findChild<QWidget *>(name)->isVisible(), name);
    QVERIFY(buttonNamed(w, "optres")->isChecked());
    const QList<std::pair<const char *, const char *>> tips{{"openfile", "Add Songs"},
                                                            {"Image3", "Add Song"},
                                                            {"play", "Play"},
                                                            {"pause", "Pause"},
                                                            {"stop", "Stop"},
                                                            {"next", "Next"},
                                                            {"previous", "Previous"},
                                                            {"shuffle", "Shuffle Songs"},
                                                            {"addfile", "Add Files"},
                                                            {"list", "Playlists"},
                                                            {"LOADLIST", "Load Playlist"},
                                                            {"savelist", "Save Playlist"},
                                                            {"Image1", "Exit"},
                                                            {"Image2", "Minimize"},
                                                            {"Image4", "Small Window"},
                                                            {"pluss", "Increase Vloume"},
                                                            {"minus", "Decrease Vloume"},
                                                            {"balance", "Balance"},
                                                            {"directory", "Add Directory"},
                                                            {"repeat", "Repeat Song"}};
    for (const auto &[name, tip] : tips)
        QCOMPARE(w.findChild<QWidget *>(name)->toolTip(), QString::fromUtf8(tip));
    // The display is readable: the time in a font of a usual size at least.
    QVERIFY(labelNamed(w, "Label20")->fontInfo().pixelSize() >= 14);
    QVERIFY(labelNamed(w, "Label24")->fontInfo().pixelSize() >= 11);
}

void TestMPlay3::smallWindowAndFold() {
    MPlay3 w;
    w.show();
    buttonNamed(w, "Image4")->click();
    QCOMPARE(w.heightTwips(), 230);
    QCOMPARE(w.height(), w.tw(230));
    QVERIFY(w.findChild<QWidget *>("toptime")->isVisible());
    QVERIFY(w.findChild<QWidget *>("toppic")->isVisible());
    QVERIFY(buttonNamed(w, "Image6")->isEnabled());
    buttonNamed(w, "Image4")->click();
    QCOMPARE(w.heightTwips(), 1725);
    QVERIFY(!buttonNamed(w, "Image6")->isEnabled());
    // Unfold: the fold button takes the place of plup, and the mouse over it switches.
    auto *pldown = w.findChild<skin::SkinButton *>("pldown");
    buttonNamed(w, "plup")->click();
    QVERIFY(pldown->isVisible());
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(pldown, &enter);
    QCOMPARE(w.heightTwips(), 5640);
    QVERIFY(buttonNamed(w, "plup")->isVisible());
    QVERIFY(w.findChild<QWidget *>("lstfavs")->isVisible());
    buttonNamed(w, "plup")->click();
    QApplication::sendEvent(pldown, &enter);
    QCOMPARE(w.heightTwips(), 1725);
    // The small window from the unfolded one is not a switch the button knows.
    buttonNamed(w, "plup")->click();
    QApplication::sendEvent(pldown, &enter);
    buttonNamed(w, "Image4")->click();
    QCOMPARE(w.heightTwips(), 5640);
}

void TestMPlay3::openPlayPauseAndTime() {
    const QString tone = sinkmonitor::encodedTone(dir_, "open.mp3", {440}, 4);
    MPlay3 w(nullptr, answer({QString(), tone}));
    w.show();
    buttonNamed(w, "play")->click(); // nothing selected: the open dialog, cancelled
    QCOMPARE(w.playList().count(), 0);
    QCOMPARE(labelNamed(w, "Label24")->text(), QString());
    buttonNamed(w, "Image3")->click();
    QVERIFY(asked_.last().startsWith("Open|All Supported Formats|*.mp3;*.cda;*.wma"));
    auto *list = w.findChild<QListWidget *>("lstfavs");
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QString("open.mp3"));
    QCOMPARE(labelNamed(w, "Label24")->text(), QString("open.mp3"));
    QVERIFY(w.player().IsPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(labelNamed(w, "Label20")->text(), QString("00:01"), 2500);
    buttonNamed(w, "pause")->click();
    QCOMPARE(labelNamed(w, "Labelpause")->text(), QString("Pause"));
    QVERIFY(w.player().IsPlaying());
    buttonNamed(w, "Image11")->click();
    QCOMPARE(labelNamed(w, "Labelpause")->text(), QString("Resume"));
    QVERIFY(!w.player().IsPlaying());
    buttonNamed(w, "Image7")->click(); // disabled in the normal layout
    QCOMPARE(labelNamed(w, "Labelpause")->text(), QString("Resume"));
    buttonNamed(w, "pause")->click();
    QVERIFY(w.player().IsPlaying());
    // The title scrolls left.
    const int left = labelNamed(w, "Label24")->x();
    QTest::qWait(350);
    QVERIFY(labelNamed(w, "Label24")->x() < left);
    // The caption follows the title while minimised.
    w.showMinimized();
    QTRY_COMPARE(w.windowTitle(), QString("Audio Player...open.mp3"));
    w.showNormal();
    QTRY_COMPARE(w.windowTitle(), QString("Audio Player"));
    buttonNamed(w, "stop")->click();
    QVERIFY(!w.player().IsPlaying());
    QCOMPARE(w.player().CurrentPosition(), 0.0);
}

void TestMPlay3::knobsSeekAndBalance() {
    const QString tone = sinkmonitor::encodedTone(dir_, "knob.wav", {440}, 5);
    MPlay3 w(nullptr, answer({tone}));
    w.show();
    buttonNamed(w, "openfile")->click();
    QVERIFY(w.player().IsPlaying());
    auto *islider = w.findChild<skin::Knob *>("islider");
    // Dragged far right: the knob stops at its limit, which seeks to 3420/3540 of the file.
    emit islider->pressed(100);
    emit islider->moved(100 + w.width() * 2);
    QCOMPARE(islider->x(), w.tw(3540));
    emit islider->released();
    QVERIFY(std::abs(w.player().CurrentPosition() - 5.0 * 3420 / 3540) < 0.3);
    QVERIFY(w.player().IsPlaying());

    auto *balance = w.findChild<skin::Knob *>("balance");
    auto *title = labelNamed(w, "Label24");
    emit balance->pressed(500);
    emit balance->moved(500 - w.width());
    QCOMPARE(balance->x(), w.tw(900));
    QCOMPARE(title->text(), QString("Left"));
    emit balance->released();
    QCOMPARE(w.player().Balance(), -1600);
    emit balance->pressed(0);
    emit balance->moved(w.width());
    QCOMPARE(title->text(), QString("Right"));
    QCOMPARE(w.player().Balance(), -760); // heard while the knob moves on the right
    emit balance->released();
    QCOMPARE(w.player().Balance(), -760);
    // Back to the centre by the mouse: 1320 twips, balance -1180.
    emit balance->pressed(0);
    emit balance->moved(-qRound((1740 - 1320) * w.logicalDpiX() / 1440.0));
    emit balance->released();
    QVERIFY(std::abs(w.player().Balance() + 1180) <= 15);
    QCOMPARE(title->text(), QString("Center"));
    w.player().Stop();
}

void TestMPlay3::volumeRamp() {
    MPlay3 w;
    w.show();
    auto *minus = buttonNamed(w, "minus");
    auto *level = w.findChild<skin::LevelIndicator *>("LVol");
    auto *indicator = labelNamed(w, "VolumInd");
    QCOMPARE(level->lit(), 6);
    QTest::mousePress(minus, Qt::LeftButton);
    QTRY_VERIFY(w.player().Volume() <= -1500);
    QCOMPARE(indicator->text(), QString("Min"));
    QTest::mouseRelease(minus, Qt::LeftButton);
    const int held = w.player().Volume();
    QCOMPARE(held % 130, 0);
    QCOMPARE(indicator->text(), QString());
    QTest::qWait(200);
    QCOMPARE(w.player().Volume(), held); // stops with the button
    QCOMPARE(level->lit(), held > -2000 ? 4 : 3);
    // Down to the bottom, where the player refuses to go further and the indicator is dark.
    QTest::mousePress(minus, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.player().Volume() < -9870, 8000);
    QTest::qWait(150);
    QTest::mouseRelease(minus, Qt::LeftButton);
    QCOMPARE(w.player().Volume(), -9880);
    QCOMPARE(MediaPlayer::levelForVolume(-9880), 0); // silent
    QCOMPARE(level->lit(), 0);
    auto *pluss = buttonNamed(w, "pluss");
    QTest::mousePress(pluss, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(w.player().Volume() > -130, 8000);
    QCOMPARE(indicator->text(), QString("Max"));
    QTest::qWait(150);
    QTest::mouseRelease(pluss, Qt::LeftButton);
    QCOMPARE(w.player().Volume(), 0);
    QCOMPARE(level->lit(), 6);
}

void TestMPlay3::listsModesAndPosition() {
    QTemporaryDir music;
    for (const char *name : {"b.wav", "a.wav", "c.txt"})
        QVERIFY(testsupport::writeFile(music.filePath(name), "x"));
    const QString listPath = dir_.filePath("saved.m3u");
    {
        MPlay3 w(nullptr, answer({music.path(), listPath, QString()}));
        w.show();
        w.move(150, 90);
        buttonNamed(w, "addfile")->click();
        QVERIFY(w.findChild<QWidget *>("filebar")->isVisible());
        buttonNamed(w, "directory")->click();
        QCOMPARE(w.playList().names(), QStringList({"a.wav", "b.wav"}));
        QCOMPARE(w.findChild<QListWidget *>("lstfavs")->count(), 2);
        buttonNamed(w, "savelist")->click();
        QVERIFY(asked_.last().startsWith("Save Playlist|Playlist(*.M3u)|"));
        QVERIFY(asked_.last().endsWith("|1"));
        QVERIFY(QFileInfo::exists(listPath));
        buttonNamed(w, "LOADLIST")->click(); // cancelled
        QCOMPARE(w.playList().count(), 2);
        buttonNamed(w, "shuffle")->click();
        QCOMPARE(w.transport().mode(), PlayMode::Random);
        QVERIFY(buttonNamed(w, "optrnd")->isChecked());
        QVERIFY(w.findChild<QWidget *>("shuffleon")->isVisible());
        buttonNamed(w, "shuffle")->click();
        QCOMPARE(w.transport().mode(), PlayMode::Normal);
        buttonNamed(w, "optnon")->click();
        QCOMPARE(w.transport().mode(), PlayMode::None);
        buttonNamed(w, "repeat")->click();
        QVERIFY(w.transport().repeatSong());
        QVERIFY(w.findChild<QWidget *>("repeaton")->isVisible());
        buttonNamed(w, "Image1")->click();
    }
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    QSettings stored(exe, exe);
    QCOMPARE(stored.value("Audio Player/MAINLEFT").toString(),
             QString::number(qRound(150 * 1440.0 / QWidget().logicalDpiX())));
    MPlay3 again(nullptr, answer({listPath}));
    QCOMPARE(again.pos(), QPoint(150, 90));
    buttonNamed(again, "LOADLIST")->click();
    QVERIFY(asked_.last().startsWith("Load Playlist|Playlist(*.M3u)|*.M3u"));
    QCOMPARE(again.playList().paths(),
             QStringList({music.filePath("a.wav"), music.filePath("b.wav")}));
}

QTEST_MAIN(TestMPlay3)
#include "tst_mplay3.moc"
