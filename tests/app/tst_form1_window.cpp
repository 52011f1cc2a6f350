// The window's life: the tray's entries, minimising, the schedule entry and
// the refusal of a second running copy.
#include "Form1TestUtil.h"
#include "Form5.h"
#include "ScheduleFile.h"
#include "StartUp.h"
#include "frmtray.h"
#include "platform/GlobalHotkeys.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QPushButton>

using namespace pelvanto;
using namespace form1test;

class TestForm1Window : public QObject {
    Q_OBJECT
private slots:
    void trayMenuReachesTheWindow() {
        REQUIRE_PULSE();
        Environment env;
        env.plainNames();
        frmtray tray;
        Form1 form(&tray);
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        // "Stop Record" with nothing recording does nothing.
        emit tray.stopRequested();
        QCOMPARE(form.recordedFiles().model().count(), 0);
        emit tray.recordRequested();
        QVERIFY(form.isRecording());
        qint64 seen = 0;
        connect(form.audioRecord(), &AudioRecord::Timer, &form,
                [&seen](qint64 s, int, int) { seen = s; });
        QTRY_VERIFY_WITH_TIMEOUT(seen >= 4410, 20000);
        emit tray.stopRequested();
        QVERIFY(!form.isRecording());
        QCOMPARE(form.recordedFiles().model().count(), 1);
        // "Exit" goes through exitsystem: the list is offered for saving.
        env.answer = QMessageBox::Cancel;
        emit tray.exitRequested();
        QVERIFY(form.hasExited());
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].text,
                 QStringLiteral("Do you need to save the recording project file?"));
        QVERIFY(!tray.trayIcon()->isVisible());
    }

    void hotkeysRecordSplitAndStop() {
        REQUIRE_X11();
        REQUIRE_PULSE();
        REQUIRE_TOOL("xdotool");
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("system-wide keys need the X11 platform");
        Environment env;
        env.plainNames(QStringLiteral("key"), false);
        env.answer = QMessageBox::Cancel;
        auto key = [](const char *k) {
            return testsupport::runTool(QStringLiteral("xdotool"),
                                        {QStringLiteral("key"), QString::fromLatin1(k)})
                       .exitCode == 0;
        };
        {
            Form1 form;
            QVERIFY(env.messages.isEmpty()); // both keys were free
            QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
            qint64 seen = 0;
            connect(form.audioRecord(), &AudioRecord::Timer, &form,
                    [&seen](qint64 s, int, int) { seen = s; });
            QVERIFY(key("ctrl+s")); // nothing records: nothing happens
            QTest::qWait(200);
            QCOMPARE(form.recordedFiles().model().count(), 0);
            QVERIFY(key("ctrl+r"));
            QTRY_VERIFY_WITH_TIMEOUT(form.isRecording(), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(seen >= 4410, 20000);
            QVERIFY(key("ctrl+r")); // the current file ends, the next begins
            QTRY_COMPARE_WITH_TIMEOUT(form.recordedFiles().model().count(), 1, 5000);
            QVERIFY(form.isRecording());
            QVERIFY(key("ctrl+s"));
            QTRY_VERIFY_WITH_TIMEOUT(!form.isRecording(), 5000);
            QCOMPARE(form.recordedFiles().model().count(), 2);
            form.exitsystem();
        }
        // Exit released both keys: another program (or copy) can take them.
        GlobalHotkeys other;
        QVERIFY(other.registerHotkeys());
    }

    void minimisingHidesOnlyWithATray() {
        Environment env;
        {
            Form1 alone; // no tray host: nothing could bring it back
            alone.show();
            QVERIFY(QTest::qWaitForWindowExposed(&alone));
            alone.showMinimized();
            QTest::qWait(50);
            QVERIFY(alone.isVisible());
        }
        frmtray tray;
        Form1 form(&tray);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.showMinimized();
        QTest::qWait(50);
        QCOMPARE(form.isVisible(), !tray.available() ? true : false);
        if (tray.available()) {
            emit tray.restoreRequested();
            tray.restoreMainWindow();
            QTRY_VERIFY(form.isVisible());
            QVERIFY(!form.isMinimized());
        }
    }

    void scheduledRecordingRunsByItself() {
        REQUIRE_PULSE();
        REQUIRE_TOOL("ffmpeg");
        Environment env;
        env.plainNames(QStringLiteral("sched"));
        env.answer = QMessageBox::Cancel;
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        Form5 schedule(form, &form); // the real clock and its one-second check
        const QDateTime now = QDateTime::currentDateTime();
        schedule.addItem({schedulefile::dateTimeText(now.addSecs(2)),
                          schedulefile::dateTimeText(now.addSecs(5)), QString(),
                          QString::fromLatin1(schedulefile::kWaiting), QStringLiteral("news")});

        QTRY_VERIFY_WITH_TIMEOUT(form.isRecording(), 6000);
        QCOMPARE(schedule.items()[0].status, QString::fromLatin1(schedulefile::kDone));
        QTRY_VERIFY_WITH_TIMEOUT(!form.isRecording(), 8000);
        QCOMPARE(form.recordedFiles().model().count(), 1);

        // Start and stop fall on whole seconds three apart; each is taken at the
        // first tick after it, so the recording holds about three seconds of the tone.
        const QString file = row(form, 0).value(1);
        QCOMPARE(file, env.path(QStringLiteral("rec/sched.WAV")));
        const QVector<qint16> decoded = decode(file);
        const double seconds = decoded.size() / 8000.0;
        QVERIFY2(seconds > 1.9 && seconds < 4.1, qPrintable(QString::number(seconds)));
        QVERIFY(std::abs(toneHz(decoded, 8000) - 440.0) < 3.0);
        form.exitsystem();
    }

    void scheduleEntryOpensTheScheduleWindow() {
        Environment env;
        Form1 form;
        QVERIFY(!form.menus().schedule->isEnabled());
        Form5 schedule(form, &form);
        form.setScheduleWindow(&schedule);
        QVERIFY(form.menus().schedule->isEnabled());
        QVERIFY(!schedule.isVisible());
        QTimer::singleShot(0, &form, [&schedule] {
            QVERIFY(schedule.isVisible());
            schedule.reject();
        });
        QTest::mouseClick(child<QPushButton>(&form, "Command2"), Qt::LeftButton);
        QVERIFY(!schedule.isVisible());
    }

    void secondCopyRefusesToStart() {
        Environment env;
        SingleInstance first;
        if (!first.acquire()) {
            // The test services give the tests a runtime folder, and its lock, of their own.
            QVERIFY2(!testsupport::servicesStarted(), "the lock of the test session is taken");
            QSKIP("another copy of the program runs in this session");
        }
        auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
        QCOMPARE(runPelvanto(*app), 1);
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].text,
                 QStringLiteral("There is another copy of the application being executed!"));
        QCOMPARE(env.messages[0].icon, QMessageBox::Critical);
        // Nothing else was brought up.
        for (QWidget *w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible() || w->objectName() != QLatin1String("Form1"),
                     qPrintable(w->objectName()));
    }
};

QTEST_MAIN(TestForm1Window)
#include "tst_form1_window.moc"
