// Hotkeys without X11, opening links and documents, the recording mixer and
// the shipped help. Runs on the offscreen platform.
#include "platform/GlobalHotkeys.h"
#include "platform/HelpOpener.h"
#include "platform/MessageBox.h"
#include "platform/MixerLauncher.h"
#include "platform/ProgramFolder.h"
#include "platform/ShellOpen.h"
#include "platform/WebAddresses.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using pelvanto::GlobalHotkeys;
using pelvanto::MixerCommand;
using pelvanto::MixerLauncher;
using pelvanto::ShellOpen;

// Stands in for the desktop's browser and file opener.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened.append(url); }
};

class TestDesktopServices : public QObject {
    Q_OBJECT

    UrlCatcher m_catcher;
    QTemporaryDir m_dir;

    QString script(const QString &name, const QString &body, bool executable = true) {
        QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return {};
        f.write(("#!/bin/sh\n" + body + "\n").toUtf8());
        f.close();
        QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            perms |= QFile::ExeOwner;
        f.setPermissions(perms);
        return path;
    }

private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, &m_catcher, "open");
    }
    void cleanupTestCase() {
        for (const char *scheme : {"http", "https", "file"})
            QDesktopServices::unsetUrlHandler(scheme);
    }
    void init() { m_catcher.opened.clear(); }

    void noHotkeysWithoutX11() {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
        int messages = 0;
        pelvanto::MessageBox::setResponder(
            [&](const QString &, QMessageBox::Icon, QMessageBox::StandardButtons) {
                ++messages;
                return QMessageBox::Ok;
            });
        {
            GlobalHotkeys hotkeys;
            QSignalSpy pressed(&hotkeys, &GlobalHotkeys::hotkeyPressed);
            QVERIFY(!hotkeys.available());
            QVERIFY(!hotkeys.registerHotkeys());
            QCOMPARE(hotkeys.registration(GlobalHotkeys::RecordId),
                     GlobalHotkeys::Registration::Unavailable);
            QCOMPARE(hotkeys.registration(GlobalHotkeys::StopId),
                     GlobalHotkeys::Registration::Unavailable);
            QVERIFY(!hotkeys.isRegistered(GlobalHotkeys::RecordId));
            QCOMPARE(hotkeys.reportConflicts(), 0);
            hotkeys.unregisterHotkeys();
            QCoreApplication::processEvents();
            QCOMPARE(pressed.count(), 0);
        }
        pelvanto::MessageBox::setResponder({});
        QCOMPARE(messages, 0);
    }

    void webAddressesAreOpened() {
        QVERIFY(ShellOpen::open(pelvanto::kOnTheWebUrl));
        QVERIFY(ShellOpen::open(pelvanto::kSupportUrl));
        QVERIFY(ShellOpen::open("  http://example.org/a?b=c#d "));
        QCOMPARE(m_catcher.opened, (QList<QUrl>{QUrl("https://www.pelvanto.org/"),
                                                QUrl("https://www.pelvanto.org/support/"),
                                                QUrl("http://example.org/a?b=c#d")}));
        for (const QUrl &url : std::as_const(m_catcher.opened))
            QVERIFY(url.scheme().startsWith("http"));
    }

    void existingDocumentsAreOpened() {
        const QString doc = m_dir.filePath("notes file.txt");
        QFile f(doc);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(ShellOpen::open(doc));
        QVERIFY(ShellOpen::open(QUrl::fromLocalFile(doc).toString()));
        QCOMPARE(m_catcher.opened.size(), 2);
        QCOMPARE(m_catcher.opened.at(0).toLocalFile(), doc);
        QCOMPARE(m_catcher.opened.at(1).toLocalFile(), doc);
    }

    void everythingElseIsRefused() {
        const QString program = script("tool.sh", "exit 0");
        const QStringList refused{
            "",
            "   ",
            "www.pelvanto.org", // no scheme: could be anything
            "javascript:alert(1)",
            "ftp://example.org/file",
            "mailto:someone@example.org",
            "smb://server/share",
            "http://", // no host
            "https:///path",
            "file:///etc", // a folder
            m_dir.path(),  // a folder
            m_dir.filePath("missing.txt"),
            "relative/document.txt",
            program, // a program, not a document
            QUrl::fromLocalFile(program).toString(),
            QString("https://example.org/") + QChar(0) + "x",
            "-help",
            "$(touch /tmp/x)",
        };
        for (const QString &text : refused) {
            QVERIFY2(!ShellOpen::target(text).isValid(), qPrintable(text));
            QVERIFY2(!ShellOpen::open(text), qPrintable(text));
        }
        QVERIFY(m_catcher.opened.isEmpty());
    }

    void mixerLauncherStopsAtTheFirstThatStarts() {
        const QString log = m_dir.filePath("mixers.log");
        const QList<MixerCommand> mixers{
            {m_dir.filePath("not-installed"), {"--tab=2"}},
            {script("not-executable.sh", "echo wrong >> '" + log + "'", false), {}},
            {script("mixer-a.sh", "echo \"a $*\" >> '" + log + "'"), {"--tab=2", "two words"}},
            {script("mixer-b.sh", "echo b >> '" + log + "'"), {}},
        };
        const MixerLauncher launcher(mixers);
        QCOMPARE(launcher.launch(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QTRY_COMPARE_WITH_TIMEOUT(QFile(log).size(), qint64(strlen("a --tab=2 two words\n")),
                                  10000);
        QCOMPARE(f.readAll(), QByteArray("a --tab=2 two words\n"));
    }

    void mixerLauncherReportsWhenNoneStarts() {
        const MixerLauncher none({{m_dir.filePath("absent-mixer"), {}},
                                  {script("plain.txt", "exit 0", false), {}},
                                  {QString(), {}}});
        QCOMPARE(none.launch(), -1);
        QCOMPARE(MixerLauncher(QList<MixerCommand>{}).launch(), -1);
    }

    void knownMixersStartWithTheRecordingTab() {
        const QList<MixerCommand> known = MixerLauncher::knownMixers();
        QVERIFY(known.size() >= 3);
        QCOMPARE(known.first().program, QStringLiteral("pavucontrol"));
        QCOMPARE(known.first().arguments, QStringList{"--tab=2"});
        QCOMPARE(MixerLauncher().mixers().size(), known.size());
    }

    void helpIsShippedNextToTheProgram() {
        pelvanto::setProgramFolderOverride(QString());
        const QString tools = qEnvironmentVariable("PELVANTO_TEST_TOOLS");
        const QString index = HelpOpenerIndex();
        QCOMPARE(index, QDir(tools).absoluteFilePath("help/index.html"));
        QVERIFY(pelvanto::HelpOpener::open());
        QCOMPARE(m_catcher.opened, QList<QUrl>{QUrl::fromLocalFile(index)});
    }

    void helpInTheProgramFolderComesFirst() {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkpath("help"));
        QFile page(folder.filePath("help/index.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html></html>");
        page.close();
        pelvanto::setProgramFolderOverride(folder.path());
        QCOMPARE(HelpOpenerIndex(), QFileInfo(page).absoluteFilePath());
        pelvanto::setProgramFolderOverride(QString());
    }

    void helpLinksResolve() {
        const QString index = HelpOpenerIndex();
        QVERIFY(!index.isEmpty());
        const QDir helpDir = QFileInfo(index).absoluteDir();
        QFile f(index);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(f.readAll());
        QVERIFY(html.contains("<title>"));

        // Every anchor target that the page defines.
        QSet<QString> ids;
        const QRegularExpression idRe(QStringLiteral("\\bid=\"([^\"]+)\""));
        for (auto it = idRe.globalMatch(html); it.hasNext();)
            ids.insert(it.next().captured(1));

        int local = 0;
        const QRegularExpression linkRe(QStringLiteral("\\b(?:href|src)=\"([^\"]+)\""));
        for (auto it = linkRe.globalMatch(html); it.hasNext();) {
            const QString link = it.next().captured(1);
            const QUrl url(link);
            if (url.scheme() == "https" || url.scheme() == "http") {
                QVERIFY2(ShellOpen::target(link).isValid(), qPrintable(link));
                continue;
            }
            QVERIFY2(url.scheme().isEmpty(), qPrintable(link));
            ++local;
            const QString path = url.path();
            if (!path.isEmpty())
                QVERIFY2(QFileInfo(helpDir.filePath(path)).isFile(), qPrintable(link));
            if (url.hasFragment() && (path.isEmpty() || path == "index.html"))
                QVERIFY2(ids.contains(url.fragment()), qPrintable(link));
        }
        QVERIFY(local >= 10); // the stylesheet and the table of contents
    }

private:
    static QString HelpOpenerIndex() { return pelvanto::HelpOpener::indexPath(); }
};

QTEST_MAIN(TestDesktopServices)
#include "tst_desktopservices.moc"
