#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"
#include "platform/SingleInstance.h"
#include "platform/Skin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

#include <csignal>

class TestPlatform : public QObject {
    Q_OBJECT

    QString lockholder() const {
        return qEnvironmentVariable("PELVANTO_TEST_TOOLS") + QStringLiteral("/lockholder");
    }

    // Starts a lock holder and returns what it said.
    QByteArray startHolder(QProcess &p, const QString &lockPath) {
        p.start(lockholder(), {lockPath});
        if (!p.waitForStarted(5000) || !p.waitForReadyRead(5000))
            return {};
        return p.readLine().trimmed();
    }

    QTemporaryDir noData_;

private slots:
    void initTestCase() {
        // A copy installed on this machine must not stand in for a missing skin.
        qputenv("XDG_DATA_DIRS", noData_.path().toLocal8Bit());
        qputenv("XDG_DATA_HOME", noData_.path().toLocal8Bit());
    }

    void programFolderDefaultsToWritableExecutableFolder() {
        pelvanto::setProgramFolderOverride(QString());
        QCOMPARE(pelvanto::programFolder(), QCoreApplication::applicationDirPath());
        QVERIFY(!pelvanto::programFolder().endsWith('/'));
    }

    void programFolderOverride() {
        QTemporaryDir dir;
        pelvanto::setProgramFolderOverride(dir.path() + "//");
        QCOMPARE(pelvanto::programFolder(), dir.path());
        QCOMPARE(pelvanto::programFile("schedule.dat"), dir.path() + "/schedule.dat");
        pelvanto::setProgramFolderOverride(QString());
    }

    void secondCopyIsRefused() {
        QTemporaryDir dir;
        const QString lock = dir.filePath("pelvanto.lock");
        pelvanto::SingleInstance first(lock);
        QVERIFY(first.acquire());

        QProcess second;
        QCOMPARE(startHolder(second, lock), QByteArray("refused"));
        second.write("\n");
        QVERIFY(second.waitForFinished(5000));
        QCOMPARE(second.exitCode(), 1);
    }

    void lockOfCrashedCopyIsTakenOver() {
        QTemporaryDir dir;
        const QString lock = dir.filePath("pelvanto.lock");
        QProcess crashed;
        QCOMPARE(startHolder(crashed, lock), QByteArray("held"));
        ::kill(static_cast<pid_t>(crashed.processId()), SIGKILL);
        QVERIFY(crashed.waitForFinished(5000));
        QVERIFY(QFile::exists(lock)); // left behind by the crash

        pelvanto::SingleInstance next(lock);
        QVERIFY(next.acquire());

        // And a copy that ended normally leaves nothing behind.
        pelvanto::SingleInstance *scoped = new pelvanto::SingleInstance(dir.filePath("b.lock"));
        QVERIFY(scoped->acquire());
        delete scoped;
        QVERIFY(!QFile::exists(dir.filePath("b.lock")));
    }

    void skinIsAppliedWhenPresent() {
        QTemporaryDir dir;
        pelvanto::setProgramFolderOverride(dir.path());
        QWidget window;
        QVERIFY(!pelvanto::Skin::applyTo(&window));
        QVERIFY(window.styleSheet().isEmpty());

        QVERIFY(QDir(dir.path()).mkpath("skins"));
        QFile skin(dir.filePath("skins/frmmain.skn"));
        QVERIFY(skin.open(QIODevice::WriteOnly));
        skin.write("QWidget { background: #123456; }");
        skin.close();
        QVERIFY(pelvanto::Skin::applyTo(&window));
        QCOMPARE(window.styleSheet(), QStringLiteral("QWidget { background: #123456; }"));
        pelvanto::setProgramFolderOverride(QString());
    }

    void shippedSkinIsInstalledNextToTheProgram() {
        const QString tools = qEnvironmentVariable("PELVANTO_TEST_TOOLS");
        QFile skin(tools + "/skins/frmmain.skn");
        QVERIFY2(skin.open(QIODevice::ReadOnly), qPrintable(skin.fileName()));
        QWidget window;
        window.setStyleSheet(QString::fromUtf8(skin.readAll()));
        window.ensurePolished(); // a broken sheet only warns; it must at least load
        QVERIFY(!window.styleSheet().isEmpty());
    }

    void messageBoxCarriesTheApplicationTitle() {
        QString seen;
        pelvanto::MessageBox::setResponder(
            [&](const QString &text, QMessageBox::Icon, QMessageBox::StandardButtons) {
                seen = text;
                return QMessageBox::Ok;
            });
        QCOMPARE(pelvanto::MessageBox::show(nullptr, "hello"), QMessageBox::Ok);
        QCOMPARE(seen, QStringLiteral("hello"));
        pelvanto::MessageBox::setResponder({});
        QCOMPARE(QString::fromLatin1(pelvanto::kAppTitle), QStringLiteral("Pelvanto"));
    }
};

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
