// System-wide hotkeys against a real X server, with xdotool as the keyboard
// and other X clients holding the focus or the keys.
#include "MessageLog.h"
#include "platform/GlobalHotkeys.h"

#include "TestSupport.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QtGui/qguiapplication_platform.h>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

using pelvanto::GlobalHotkeys;
using Registration = pelvanto::GlobalHotkeys::Registration;

namespace {

// Another X client: tests/components/platform_x11/x11helper.cpp.
class Helper {
public:
    explicit Helper(const QString &mode) {
        m_process.start(qEnvironmentVariable("PELVANTO_TEST_TOOLS") + "/x11helper", {mode});
    }
    ~Helper() { quit(); }
    Helper(const Helper &) = delete;
    Helper &operator=(const Helper &) = delete;

    QByteArray line() {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(10000))
                return {};
        }
        return m_process.readLine().trimmed();
    }
    // Ends the helper the ordinary way, as a program quits.
    bool quit() {
        if (m_process.state() == QProcess::NotRunning)
            return true;
        m_process.write("quit\n");
        m_process.closeWriteChannel();
        return m_process.waitForFinished(10000) && m_process.exitCode() == 0;
    }

private:
    QProcess m_process;
};

bool xdotool(const QStringList &args) {
    return testsupport::runTool("xdotool", args, 20000).exitCode == 0;
}

xcb_connection_t *connection() {
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// The modifier state the server reports right now (includes the lock keys).
uint16_t modifierState() {
    xcb_connection_t *c = connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_query_pointer_reply_t *reply =
        xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr);
    const uint16_t mask = reply ? reply->mask : 0;
    std::free(reply);
    return mask;
}

using testsupport::MessageLog;

} // namespace

class TestGlobalHotkeys : public QObject {
    Q_OBJECT

private slots:
    void init() {
        REQUIRE_X11();
        REQUIRE_TOOL("xdotool");
        QVERIFY(connection() != nullptr);
    }

    void hotkeysReachUsWhileAnotherProgramHasTheFocus() {
        Helper other("window");
        const QByteArray said = other.line();
        QVERIFY2(said.startsWith("window "), said.constData());
        const QString window = QString::fromLatin1(said.mid(7));
        QVERIFY(xdotool({"windowfocus", "--sync", window}));
        QCOMPARE(testsupport::runTool("xdotool", {"getwindowfocus"}).out.trimmed(),
                 window.toLatin1());

        MessageLog log;
        GlobalHotkeys hotkeys;
        QVERIFY(hotkeys.available());
        QVERIFY(hotkeys.registerHotkeys());
        QVERIFY(hotkeys.isRegistered(GlobalHotkeys::RecordId));
        QVERIFY(hotkeys.isRegistered(GlobalHotkeys::StopId));
        QSignalSpy pressed(&hotkeys, &GlobalHotkeys::hotkeyPressed);

        QVERIFY(xdotool({"key", "ctrl+r"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::RecordId);

        // Keys that are not exactly Ctrl+R / Ctrl+S stay with the focused
        // program: had one of them reached us, it would arrive before Ctrl+S.
        QVERIFY(xdotool({"key", "r", "ctrl+alt+r", "ctrl+shift+s", "ctrl+t"}));
        QVERIFY(xdotool({"key", "ctrl+s"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::StopId);

        // The focus never moved to us.
        QCOMPARE(testsupport::runTool("xdotool", {"getwindowfocus"}).out.trimmed(),
                 window.toLatin1());
        QCOMPARE(hotkeys.reportConflicts(), 0);
        QVERIFY(log.texts().isEmpty());
    }

    void keyHeldByAnotherProgramIsReportedOnceAndTheOtherStillWorks() {
        auto holder = std::make_unique<Helper>("grab-s");
        QCOMPARE(holder->line(), QByteArray("grab-s ok"));

        MessageLog log;
        GlobalHotkeys hotkeys;
        QVERIFY(!hotkeys.registerHotkeys());
        QCOMPARE(hotkeys.registration(GlobalHotkeys::RecordId), Registration::Registered);
        QCOMPARE(hotkeys.registration(GlobalHotkeys::StopId), Registration::HeldElsewhere);

        QCOMPARE(hotkeys.reportConflicts(), 1);
        QCOMPARE(hotkeys.reportConflicts(), 0);
        QCOMPARE(log.texts(),
                 QStringList{"Can not register the hotkeys CTRL+S ... this key is already "
                             "registered by some other running applications."});
        QCOMPARE(log.messages.value(0).icon, QMessageBox::Critical);

        // Ctrl+S goes to its holder; Ctrl+R is still ours.
        QSignalSpy pressed(&hotkeys, &GlobalHotkeys::hotkeyPressed);
        QVERIFY(xdotool({"key", "ctrl+s"}));
        QCOMPARE(holder->line(), QByteArray("key s"));
        QVERIFY(xdotool({"key", "ctrl+r"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::RecordId);

        // Once the holder is gone, a retry gets the key; nothing more is shown.
        QVERIFY(holder->quit());
        holder.reset();
        QVERIFY(hotkeys.registerHotkeys());
        QVERIFY(xdotool({"key", "ctrl+s"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::StopId);
        QCOMPARE(hotkeys.reportConflicts(), 0);
        QCOMPARE(log.texts().size(), 1);
    }

    void ctrlRHeldElsewhereGivesItsOwnMessage() {
        // A second copy of the program holds both keys.
        auto first = std::make_unique<Helper>("hotkeys");
        QCOMPARE(first->line(), QByteArray("R:registered S:registered"));

        MessageLog log;
        {
            GlobalHotkeys hotkeys;
            QVERIFY(!hotkeys.registerHotkeys());
            QCOMPARE(hotkeys.registration(GlobalHotkeys::RecordId), Registration::HeldElsewhere);
            QCOMPARE(hotkeys.registration(GlobalHotkeys::StopId), Registration::HeldElsewhere);
            QCOMPARE(hotkeys.reportConflicts(), 2);
            QCOMPARE(hotkeys.reportConflicts(), 0);
        }
        QCOMPARE(log.texts().size(), 2);
        QCOMPARE(log.texts().at(0), GlobalHotkeys::conflictMessage(GlobalHotkeys::RecordId));
        QCOMPARE(log.texts().at(0),
                 QStringLiteral("Can not register the hotkeys CTRL+R ...this key is already "
                                "registered by some other running applications."));
        QCOMPARE(log.texts().at(1), GlobalHotkeys::conflictMessage(GlobalHotkeys::StopId));

        // Our failed attempt must not have taken anything from the holder.
        QVERIFY(xdotool({"key", "ctrl+r"}));
        QCOMPARE(first->line(), QByteArray("pressed 0"));
        QVERIFY(first->quit());
    }

    void exitReleasesBothKeysForTheNextStart() {
        auto ours = std::make_unique<GlobalHotkeys>();
        QVERIFY(ours->registerHotkeys());
        {
            Helper second("hotkeys");
            QCOMPARE(second.line(), QByteArray("R:held S:held"));
        }
        ours.reset();
        Helper next("hotkeys");
        QCOMPARE(next.line(), QByteArray("R:registered S:registered"));
        QVERIFY(xdotool({"key", "ctrl+s"}));
        QCOMPARE(next.line(), QByteArray("pressed 2"));
        QVERIFY(next.quit());

        // And after the helper ended, this process can take them again.
        GlobalHotkeys again;
        QVERIFY(again.registerHotkeys());
        again.unregisterHotkeys();
        QCOMPARE(again.registration(GlobalHotkeys::RecordId), Registration::NotTried);
        Helper after("hotkeys");
        QCOMPARE(after.line(), QByteArray("R:registered S:registered"));
    }

    void aNewKeyboardLayoutKeepsTheHotkeysOnTheirLetters() {
        REQUIRE_TOOL("setxkbmap");
        // Whatever happens, give the shared X server its US layout back.
        struct UsLayout {
            ~UsLayout() { testsupport::runTool("setxkbmap", {"us"}); }
        } usLayout;
        QVERIFY(testsupport::runTool("setxkbmap", {"us"}).exitCode == 0);

        GlobalHotkeys hotkeys;
        QVERIFY(hotkeys.registerHotkeys());
        QSignalSpy pressed(&hotkeys, &GlobalHotkeys::hotkeyPressed);

        // Dvorak puts R and S on other keys, and P where R was.
        QSignalSpy changed(&hotkeys, &GlobalHotkeys::keyboardChanged);
        QVERIFY(testsupport::runTool("setxkbmap", {"us", "-variant", "dvorak"}).exitCode == 0);
        QVERIFY(changed.wait(10000));
        QCoreApplication::processEvents(); // the grabs are renewed after the notice
        QVERIFY(hotkeys.isRegistered(GlobalHotkeys::RecordId));
        QVERIFY(xdotool({"key", "ctrl+r"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::RecordId);

        // Ctrl on the key that used to be R is Ctrl+P now: not ours.
        QVERIFY(xdotool({"key", "ctrl+p", "ctrl+s"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::StopId);
        QVERIFY(hotkeys.isRegistered(GlobalHotkeys::StopId));

        // A layout without Latin letters has no R or S to grab; the keys come
        // back with a layout that has them, and nobody was told of a conflict.
        MessageLog log;
        changed.clear();
        QVERIFY(testsupport::runTool("setxkbmap", {"ru"}).exitCode == 0);
        QVERIFY(changed.wait(10000));
        QCoreApplication::processEvents();
        QCOMPARE(hotkeys.registration(GlobalHotkeys::RecordId), Registration::Failed);
        QCOMPARE(hotkeys.registration(GlobalHotkeys::StopId), Registration::Failed);
        changed.clear();
        QVERIFY(testsupport::runTool("setxkbmap", {"us"}).exitCode == 0);
        QVERIFY(changed.wait(10000));
        QCoreApplication::processEvents();
        QVERIFY(hotkeys.isRegistered(GlobalHotkeys::RecordId));
        QVERIFY(hotkeys.isRegistered(GlobalHotkeys::StopId));
        QVERIFY(xdotool({"key", "ctrl+s"}));
        QVERIFY(pressed.wait(10000));
        QCOMPARE(pressed.takeFirst().at(0).toInt(), GlobalHotkeys::StopId);
        QCOMPARE(hotkeys.reportConflicts(), 0);
        QVERIFY(log.texts().isEmpty());
    }

    void lockKeysDoNotHideTheHotkeys() {
        GlobalHotkeys hotkeys;
        QVERIFY(hotkeys.registerHotkeys());
        QSignalSpy pressed(&hotkeys, &GlobalHotkeys::hotkeyPressed);
        // Whatever happens, leave the shared X server with both locks off.
        struct LocksOff {
            ~LocksOff() {
                const uint16_t state = modifierState();
                if (state & XCB_MOD_MASK_LOCK)
                    xdotool({"key", "Caps_Lock"});
                if (state & XCB_MOD_MASK_2)
                    xdotool({"key", "Num_Lock"});
            }
        } locksOff;
        const uint16_t before = modifierState();
        QCOMPARE(before & (XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), 0);

        struct Case {
            QStringList toggles;
            uint16_t mask;
        };
        const QList<Case> cases{{{"Caps_Lock"}, XCB_MOD_MASK_LOCK},
                                {{"Num_Lock"}, XCB_MOD_MASK_2},
                                {{"Caps_Lock", "Num_Lock"}, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}};
        for (const Case &c : cases) {
            QStringList on{"key"};
            on += c.toggles;
            QVERIFY(xdotool(on));
            QCOMPARE(modifierState() & (XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), c.mask);
            QVERIFY(xdotool({"key", "ctrl+r"}));
            QVERIFY(pressed.wait(10000));
            QVERIFY(xdotool({"key", "ctrl+s"}));
            QTRY_COMPARE_WITH_TIMEOUT(pressed.count(), 2, 10000);
            QCOMPARE(pressed.at(0).at(0).toInt(), GlobalHotkeys::RecordId);
            QCOMPARE(pressed.at(1).at(0).toInt(), GlobalHotkeys::StopId);
            pressed.clear();
            QVERIFY(xdotool(on)); // toggle back off
            QCOMPARE(modifierState() & (XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2), 0);
        }
    }
};

int main(int argc, char *argv[]) {
    // Without the test X server the cases skip instead of failing to connect.
    if (testsupport::x11Display().isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestGlobalHotkeys test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_globalhotkeys.moc"
