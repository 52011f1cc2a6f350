// The tray host. Registered twice: under Xvfb with trayer as the notification
// area (real clicks through xdotool), and offscreen, where there is no tray.
#include "frmtray.h"

#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

using pelvanto::frmtray;

namespace {

bool onX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool xdotool(const QStringList &args) {
    return testsupport::runTool("xdotool", args, 20000).exitCode == 0;
}

// Where the X server shows the tray icon's window, in screen coordinates.
QRect embeddedIconPlace() {
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qstrcmp(w->metaObject()->className(), "QSystemTrayIconSys") != 0 || !w->isVisible())
            continue;
        const QByteArray out =
            testsupport::runTool("xdotool", {"getwindowgeometry", "--shell",
                                             QString::number(static_cast<qulonglong>(w->winId()))})
                .out;
        QMap<QByteArray, int> values;
        for (const QByteArray &line : out.split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values.insert(line.left(eq), line.mid(eq + 1).toInt());
        }
        const QRect place(values.value("X"), values.value("Y"), values.value("WIDTH"),
                          values.value("HEIGHT"));
        // Not yet embedded: the icon still sits at the origin of the screen.
        if (place.topLeft() != QPoint(0, 0))
            return place;
    }
    return {};
}

struct Entry {
    QString text; // empty for a separator
    const char *signal;
};

} // namespace

class TestFrmtray : public QObject {
    Q_OBJECT

    static QList<Entry> expectedMenu() {
        return {{"Pelvanto On the Web", SIGNAL(webRequested())},
                {"Help", SIGNAL(helpRequested())},
                {{}, nullptr},
                {"Pelvanto", SIGNAL(restoreRequested())},
                {{}, nullptr},
                {"Settings", SIGNAL(settingsRequested())},
                {{}, nullptr},
                {"Record Now", SIGNAL(recordRequested())},
                {"Stop Record", SIGNAL(stopRequested())},
                {{}, nullptr},
                {"Exit", SIGNAL(exitRequested())}};
    }

private slots:
    void menuEntriesInOrderEachWithItsAction() {
        frmtray tray;
        const QList<QAction *> actions = tray.menu()->actions();
        const QList<Entry> expected = expectedMenu();
        QCOMPARE(actions.size(), expected.size());

        QList<std::shared_ptr<QSignalSpy>> spies;
        for (const Entry &e : expected) {
            if (e.signal)
                spies.append(std::make_shared<QSignalSpy>(&tray, e.signal));
        }
        int entry = 0;
        for (qsizetype i = 0; i < actions.size(); ++i) {
            QAction *action = actions.at(i);
            QCOMPARE(action->isSeparator(), expected.at(i).text.isEmpty());
            if (action->isSeparator())
                continue;
            QCOMPARE(action->text(), expected.at(i).text);
            QVERIFY(action->isEnabled());
            action->trigger();
            // Exactly this entry's signal fired, once.
            for (int s = 0; s < spies.size(); ++s)
                QCOMPARE(spies.at(s)->count(), s <= entry ? 1 : 0);
            ++entry;
        }
        QCOMPARE(entry, 7);
    }

    void pelvantoEntryRestoresTheMainWindow() {
        QWidget main;
        main.setWindowTitle("main");
        main.showMinimized();
        main.hide(); // as the main window does when minimised to the tray
        frmtray tray;
        tray.setMainWindow(&main);
        tray.menu()->actions().at(3)->trigger();
        QVERIFY(main.isVisible());
        QVERIFY(!main.isMinimized());

        // A main window that is gone is not touched.
        auto *gone = new QWidget;
        tray.setMainWindow(gone);
        delete gone;
        QSignalSpy restored(&tray, &frmtray::restoreRequested);
        tray.restoreMainWindow();
        QCOMPARE(restored.count(), 1);
    }

    void iconCarriesTitleAndImage() {
        frmtray tray;
        QCOMPARE(tray.trayIcon()->toolTip(), QStringLiteral("Pelvanto"));
        QVERIFY(tray.trayIcon()->contextMenu() == tray.menu());
        const QImage image = frmtray::makeIcon().pixmap(22, 22).toImage();
        QVERIFY(!image.isNull());
        // A red dot on a transparent ground.
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
        const QColor centre = image.pixelColor(12, 12);
        QVERIFY(centre.red() > 150 && centre.green() < 100 && centre.blue() < 100);
    }

    void withoutATrayTheProgramRuns() {
        if (onX11())
            QSKIP("the X server of the tests has a tray");
        frmtray tray;
        QVERIFY(!tray.available());
        QWidget main;
        tray.setMainWindow(&main);
        tray.restoreMainWindow();
        QVERIFY(main.isVisible());
        tray.removeIcon();
        QVERIFY(!tray.trayIcon()->isVisible());
    }

    void leftClickOnTheIconRestoresTheMainWindow() {
        REQUIRE_X11();
        QVERIFY2(onX11(), "the test X server answers, but the test runs on another platform");
        REQUIRE_TOOL("xdotool");
        REQUIRE_TOOL("trayer");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 20000);

        QWidget main;
        main.setWindowTitle("main");
        main.resize(300, 200);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        main.hide();

        frmtray tray;
        QVERIFY(tray.available());
        tray.setMainWindow(&main);
        QVERIFY(tray.trayIcon()->isVisible());
        // The tray embeds the icon and gives it a place on the screen. Qt's
        // own geometry() of an embedded icon is relative to the embedder, so
        // ask the X server where the icon's window really is.
        QRect place;
        QTRY_VERIFY_WITH_TIMEOUT(!(place = embeddedIconPlace()).isEmpty(), 20000);
        QCOMPARE(tray.trayIcon()->geometry().size(), place.size());
        QVERIFY(QGuiApplication::primaryScreen()->geometry().contains(place));

        QSignalSpy restored(&tray, &frmtray::restoreRequested);
        const QPoint centre = place.center();
        QVERIFY(xdotool(
            {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"}));
        QVERIFY(restored.wait(10000));
        QVERIFY(main.isVisible());
        QVERIFY(!main.isMinimized());

        // The right button opens the menu and restores nothing.
        main.hide();
        QVERIFY(xdotool({"click", "3"}));
        QTRY_VERIFY_WITH_TIMEOUT(tray.menu()->isVisible(), 10000);
        QCOMPARE(restored.count(), 1);
        QVERIFY(!main.isVisible());
        tray.menu()->hide();

        // At exit the icon leaves the notification area.
        tray.removeIcon();
        QVERIFY(!tray.trayIcon()->isVisible());
        QVERIFY(tray.trayIcon()->geometry().isEmpty());
    }
};

int main(int argc, char *argv[]) {
    // Without the test X server the tray cases run offscreen instead.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && testsupport::x11Display().isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestFrmtray test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_frmtray.moc"
