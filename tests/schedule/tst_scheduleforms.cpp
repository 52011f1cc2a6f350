#include "FakeRecording.h"
#include "Form5.h"
#include "Form6.h"
#include "TestSupport.h"
#include "platform/LocaleDateTime.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using pelvanto::Form5;
using pelvanto::Form6;
using pelvanto::ScheduleItem;

class TestScheduleForms : public QObject {
    Q_OBJECT

    QTemporaryDir program;
    QString schedule() const { return program.filePath(QStringLiteral("schedule.dat")); }
    template <typename W> static W *child(QWidget &w, const char *name) {
        auto *c = w.findChild<W *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }
    static QDateTime at(int h, int m, int s) {
        return QDateTime(QDate(2026, 12, 8), QTime(h, m, s));
    }
    static QStringList rowTexts(QTreeWidget *view, int row) {
        QStringList texts;
        for (int c = 0; c < 5; ++c)
            texts << view->topLevelItem(row)->text(c);
        return texts;
    }

    QStringList messages;

private slots:
    void initTestCase() {
        pelvanto::setProgramFolderOverride(program.path());
        pelvanto::MessageBox::setResponder(
            [this](const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons) {
                messages << text + (icon == QMessageBox::Critical ? " [critical]" : " [other]");
                return QMessageBox::Ok;
            });
    }
    void cleanupTestCase() {
        pelvanto::MessageBox::setResponder({});
        pelvanto::setProgramFolderOverride({});
    }
    void init() {
        QFile::remove(schedule());
        messages.clear();
    }

    void loadCreatesFileAndShowsRows() {
        FakeRecording rec;
        {
            Form5 form(rec);
            QVERIFY(QFile::exists(schedule()));
            QCOMPARE(form.windowTitle(), QStringLiteral("Schedule"));
            auto *view = child<QTreeWidget>(form, "ListView1");
            QCOMPARE(view->topLevelItemCount(), 0);
            QStringList headers;
            for (int c = 0; c < view->columnCount(); ++c)
                headers << view->headerItem()->text(c);
            QCOMPARE(headers,
                     (QStringList{"Start time", "Stop time", "File", "Status", "Comment"}));
            QCOMPARE(child<QPushButton>(form, "Command1")->text(), QStringLiteral("Add"));
            QCOMPARE(child<QPushButton>(form, "Command2")->text(), QStringLiteral("Remove"));
            QCOMPARE(child<QPushButton>(form, "Command3")->text(), QStringLiteral("Clear"));
            QCOMPARE(child<QPushButton>(form, "Command4")->text(), QStringLiteral("OK"));
            // The check runs while the window is hidden.
            auto *timer = child<QTimer>(form, "Timer1");
            QVERIFY(timer->isActive());
            QCOMPARE(timer->interval(), 1000);
            QVERIFY(!form.isVisible());
        }
        QCOMPARE(testsupport::readFile(schedule()), QByteArray());

        QVERIFY(testsupport::writeFile(
            schedule(), "2026-12-08 10:00:00\t2026-12-08 11:00:00\tx\tWaiting\tnews\tsixth\r\n"
                        "broken line\n"));
        Form5 form(rec);
        auto *view = child<QTreeWidget>(form, "ListView1");
        QCOMPARE(view->topLevelItemCount(), 2);
        QCOMPARE(rowTexts(view, 0),
                 (QStringList{pelvanto::localeDateTimeText(at(10, 0, 0)),
                              pelvanto::localeDateTimeText(at(11, 0, 0)), "x", "Waiting", "news"}));
        QCOMPARE(rowTexts(view, 1), (QStringList{"broken line", "", "", "", ""}));
        QCOMPARE(form.items()[0].start, QStringLiteral("2026-12-08 10:00:00"));
        // Once the list changes, every line is written with exactly five fields.
        form.addItem({"2030-01-01 00:00:00", "2030-01-01 01:00:00", "", "Waiting", ""});
        form.saveAndHide();
        QCOMPARE(testsupport::readFile(schedule()),
                 QByteArray("2026-12-08 10:00:00\t2026-12-08 11:00:00\tx\tWaiting\tnews\r\n"
                            "broken line\t\t\t\t\r\n"
                            "2030-01-01 00:00:00\t2030-01-01 01:00:00\t\tWaiting\t\r\n"));
    }

    void removeClearAndSave() {
        QVERIFY(testsupport::writeFile(
            schedule(), "a\t\t\tWaiting\t1\r\nb\t\t\tWaiting\t2\r\nc\t\t\tWaiting\t3\r\n"));
        FakeRecording rec;
        Form5 form(rec);
        form.show();
        auto *view = child<QTreeWidget>(form, "ListView1");
        // Without a selection Remove does nothing.
        view->clearSelection();
        view->setCurrentItem(nullptr);
        QTest::mouseClick(child<QPushButton>(form, "Command2"), Qt::LeftButton);
        QCOMPARE(form.items().size(), 3);
        view->setCurrentItem(view->topLevelItem(1));
        QTest::mouseClick(child<QPushButton>(form, "Command2"), Qt::LeftButton);
        QCOMPARE(form.items().size(), 2);
        QCOMPARE(view->topLevelItemCount(), 2);
        QCOMPARE(view->topLevelItem(1)->text(0), QStringLiteral("c"));
        // Edits reach the file only through OK or closing.
        QCOMPARE(testsupport::readFile(schedule()),
                 QByteArray("a\t\t\tWaiting\t1\r\nb\t\t\tWaiting\t2\r\nc\t\t\tWaiting\t3\r\n"));
        // A reader that opened the file before the save still reads the whole old schedule:
        // the save replaces the file, it does not rewrite it in place.
        QFile reader(schedule());
        QVERIFY(reader.open(QIODevice::ReadOnly));
        QVERIFY(form.close());
        QVERIFY(!form.isVisible());
        QCOMPARE(testsupport::readFile(schedule()),
                 QByteArray("a\t\t\tWaiting\t1\r\nc\t\t\tWaiting\t3\r\n"));
        QCOMPARE(reader.readAll(),
                 QByteArray("a\t\t\tWaiting\t1\r\nb\t\t\tWaiting\t2\r\nc\t\t\tWaiting\t3\r\n"));

        form.show();
        QTest::mouseClick(child<QPushButton>(form, "Command3"), Qt::LeftButton);
        QCOMPARE(view->topLevelItemCount(), 0);
        QTest::mouseClick(child<QPushButton>(form, "Command4"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QCOMPARE(testsupport::readFile(schedule()), QByteArray());
    }

    void addThroughSchedulerAndRecordAtTheTime() {
        ManualClock clock{at(9, 0, 0)};
        FakeRecording rec;
        Form5 form(rec, nullptr, clock.fn());
        form.show();
        QTimer::singleShot(0, this, [&] {
            auto *f6 = qobject_cast<Form6 *>(QApplication::activeModalWidget());
            QVERIFY(f6);
            QCOMPARE(f6->windowTitle(), QStringLiteral("Scheduler"));
            child<QTimeEdit>(*f6, "DTPicker2")->setTime(QTime(9, 0, 2));
            child<QTimeEdit>(*f6, "DTPicker4")->setTime(QTime(9, 0, 5));
            child<QLineEdit>(*f6, "Text1")->setText(QStringLiteral("morning\tshow"));
            QTest::mouseClick(child<QPushButton>(*f6, "Command1"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(form.items().size(), 1);
        QCOMPARE(form.items()[0], (ScheduleItem{"2026-12-08 09:00:02", "2026-12-08 09:00:05", "",
                                                "Waiting", "morning show"}));
        auto *view = child<QTreeWidget>(form, "ListView1");
        QCOMPARE(view->topLevelItem(0)->text(3), QStringLiteral("Waiting"));

        for (int s = 1; s <= 6; ++s) {
            clock.now = at(9, 0, s);
            form.checkSchedule();
            if (s == 2) {
                QCOMPARE(rec.calls, QStringList{"start"});
                QCOMPARE(view->topLevelItem(0)->text(3), QStringLiteral("Done"));
            }
        }
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
        form.saveAndHide();
        QCOMPARE(testsupport::readFile(schedule()),
                 QByteArray("2026-12-08 09:00:02\t2026-12-08 09:00:05\t\tDone\t"
                            "morning show\r\n"));
    }

    void cancelledSchedulerAddsNothing() {
        FakeRecording rec;
        Form5 form(rec);
        QTimer::singleShot(0, this, [&] {
            auto *f6 = qobject_cast<Form6 *>(QApplication::activeModalWidget());
            QVERIFY(f6);
            QTest::mouseClick(child<QPushButton>(*f6, "Command2"), Qt::LeftButton);
        });
        form.addScheduledRecording();
        QVERIFY(form.items().isEmpty());
    }

    void schedulerStartsAtNowAndRefusesStopNotAfterStart() {
        ManualClock clock{QDateTime(QDate(2027, 2, 14), QTime(22, 33, 44, 555))};
        Form6 form(nullptr, clock.fn());
        QCOMPARE(child<QDateEdit>(form, "DTPicker1")->date(), QDate(2027, 2, 14));
        QCOMPARE(child<QDateEdit>(form, "DTPicker3")->date(), QDate(2027, 2, 14));
        QCOMPARE(child<QTimeEdit>(form, "DTPicker2")->time(), QTime(22, 33, 44));
        QCOMPARE(child<QTimeEdit>(form, "DTPicker4")->time(), QTime(22, 33, 44));
        auto *clockLabel = child<QLabel>(form, "SkinLabel1");
        QVERIFY(clockLabel->text().contains(QStringLiteral("22:33:44")));
        clock.now = clock.now.addSecs(1);
        form.showClock();
        QVERIFY(clockLabel->text().contains(QStringLiteral("22:33:45")));
        QCOMPARE(child<QTimer>(form, "Timer1")->interval(), 1000);

        form.show();
        // Start equal to stop.
        QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(messages, QStringList{"Time is error [critical]"});
        QVERIFY(form.isVisible());
        // Stop before start, across midnight the wrong way.
        child<QDateEdit>(form, "DTPicker3")->setDate(QDate(2027, 2, 13));
        child<QTimeEdit>(form, "DTPicker4")->setTime(QTime(23, 59, 59));
        form.confirm();
        QCOMPARE(messages.size(), 2);
        QVERIFY(form.isVisible());
        // One second later is enough, also across midnight.
        child<QDateEdit>(form, "DTPicker1")->setDate(QDate(2027, 2, 14));
        child<QTimeEdit>(form, "DTPicker2")->setTime(QTime(23, 59, 59));
        child<QDateEdit>(form, "DTPicker3")->setDate(QDate(2027, 2, 15));
        child<QTimeEdit>(form, "DTPicker4")->setTime(QTime(0, 0, 0));
        form.confirm();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.item(),
                 (ScheduleItem{"2027-02-14 23:59:59", "2027-02-15 00:00:00", "", "Waiting", ""}));
    }

    // The list shows the user's date and time; the file keeps its fixed form.
    void listShowsLocaleTimes_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("start");
        QTest::newRow("en_US") << "en_US"
                               << "12/8/26 10:00:05 AM";
        QTest::newRow("de_DE") << "de_DE"
                               << "08.12.26 10:00:05";
    }
    void listShowsLocaleTimes() {
        QFETCH(QString, locale);
        QFETCH(QString, start);
        const QLocale previous;
        QLocale::setDefault(QLocale(locale));
        auto restore = qScopeGuard([&] { QLocale::setDefault(previous); });
        const QByteArray stored = "2026-12-08 10:00:05\t2026-12-08 11:30:00\t\tWaiting\t\r\n"
                                  "tomorrow\tlater\t\tWaiting\t\r\n";
        QVERIFY(testsupport::writeFile(schedule(), stored));
        FakeRecording rec;
        Form5 form(rec);
        auto *view = child<QTreeWidget>(form, "ListView1");
        QCOMPARE(view->topLevelItem(0)->text(0), start);
        QCOMPARE(view->topLevelItem(0)->text(1), pelvanto::localeDateTimeText(at(11, 30, 0)));
        // Text that is no date-time is shown as it is stored.
        QCOMPARE(view->topLevelItem(1)->text(0), QStringLiteral("tomorrow"));
        form.clearAll();
        form.addItem({"2026-12-08 10:00:05", "2026-12-08 11:30:00", "", "Waiting", ""});
        form.saveAndHide();
        QCOMPARE(testsupport::readFile(schedule()),
                 QByteArray("2026-12-08 10:00:05\t2026-12-08 11:30:00\t\tWaiting\t\r\n"));
    }

    // An unchanged list never rewrites the file: text that is not UTF-8 and
    // extra fields stay exactly as they are.
    void unchangedListLeavesTheFileAlone() {
        const QByteArray stored = "2031-01-01 10:00:00\t2031-01-01 11:00:00\t\tWaiting\tcaf\xe9\r\n"
                                  "a\tb\tc\td\te\tsixth\n";
        QVERIFY(testsupport::writeFile(schedule(), stored));
        FakeRecording rec;
        {
            Form5 form(rec);
            form.saveAndHide();
            QVERIFY(form.close());
            QCOMPARE(testsupport::readFile(schedule()), stored);
        }
        QCOMPARE(testsupport::readFile(schedule()), stored);
        QVERIFY(messages.isEmpty());
    }

    // A file that could not be read whole is never replaced by what was read of it.
    void unreadableFileIsNeverReplaced() {
        {
            QFile big(schedule());
            QVERIFY(big.open(QIODevice::WriteOnly));
            QVERIFY(big.write("2031-01-01 10:00:00\t2031-01-01 11:00:00\t\tWaiting\tkeep\r\n") > 0);
            QVERIFY(big.resize(qint64{65} * 1024 * 1024)); // sparse, past what a schedule may be
        }
        const qint64 size = QFileInfo(schedule()).size();
        FakeRecording rec;
        {
            Form5 form(rec);
            QVERIFY(form.items().isEmpty());
            form.addItem({"2031-02-01 10:00:00", "2031-02-01 11:00:00", "", "Waiting", ""});
            form.saveAndHide();
            QCOMPARE(messages.size(), 1);
            QVERIFY(messages[0].contains(QLatin1String("could not be read")));
        }
        QCOMPARE(QFileInfo(schedule()).size(), size);
        QVERIFY(testsupport::readFile(schedule()).startsWith("2031-01-01 10:00:00"));
    }

    // A device or a pipe in place of schedule.dat is never replaced by a regular file.
    void nonRegularTargetsAreRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("character device") << "device";
    }
    void nonRegularTargetsAreRefused() {
        QFETCH(QString, kind);
        const QString path = program.filePath(QStringLiteral("special.dat"));
        QFile::remove(path);
        const QByteArray native = QFile::encodeName(path);
        if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        else if (::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        auto cleanup = qScopeGuard([&] { QFile::remove(path); });
        struct stat before {};
        QCOMPARE(::lstat(native.constData(), &before), 0);
        FakeRecording rec;
        {
            Form5 form(rec, nullptr, {}, path);
            form.addItem({"2031-02-01 10:00:00", "2031-02-01 11:00:00", "", "Waiting", ""});
            form.saveAndHide();
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages[0].contains(QLatin1String("not a regular file")),
                     qPrintable(messages[0]));
        }
        struct stat after {};
        QCOMPARE(::lstat(native.constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_rdev, before.st_rdev);
    }

    void unloadSavesTheList() {
        FakeRecording rec;
        {
            Form5 form(rec);
            form.addItem({"2030-01-01 00:00:00", "2030-01-01 01:00:00", "", "Waiting", "new year"});
        }
        QCOMPARE(testsupport::readFile(schedule()),
                 QByteArray("2030-01-01 00:00:00\t2030-01-01 01:00:00\t\tWaiting\tnew year\r\n"));
    }
};

QTEST_MAIN(TestScheduleForms)
#include "tst_scheduleforms.moc"
