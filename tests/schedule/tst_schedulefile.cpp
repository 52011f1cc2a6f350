#include "ScheduleFile.h"
#include "TestSupport.h"

#include <QFile>
#include <QLocale>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>

using pelvanto::ScheduleItem;
namespace sf = pelvanto::schedulefile;

class TestScheduleFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

private slots:
    void layoutAndRoundTrip() {
        const QList<ScheduleItem> items{
            {"2026-12-08 14:00:00", "2026-12-08 15:30:00", "", "Waiting", "Radio play"},
            {"2026-12-09 06:00:05", "2026-12-09 06:10:00", "", "Done", "Früh – Nachrichten"},
            {"", "", "", "", ""},
        };
        const QString p = path(QStringLiteral("schedule.dat"));
        QVERIFY(sf::save(p, items));
        QCOMPARE(testsupport::readFile(p),
                 QByteArray("2026-12-08 14:00:00\t2026-12-08 15:30:00\t\tWaiting\tRadio play\r\n") +
                     "2026-12-09 06:00:05\t2026-12-09 06:10:00\t\tDone\t" +
                     QStringLiteral("Früh – Nachrichten").toUtf8() + "\r\n\t\t\t\t\r\n");
        QCOMPARE(*sf::load(p), items);
    }

    void emptyListAndEmptyFile() {
        const QString p = path(QStringLiteral("empty.dat"));
        QVERIFY(testsupport::writeFile(p, "leftover\r\n"));
        QVERIFY(sf::save(p, {}));
        QCOMPARE(testsupport::readFile(p), QByteArray());
        QVERIFY(sf::load(p)->isEmpty());
    }

    // Another reader of schedule.dat (a second window, a backup) finds the old schedule or the
    // new one, never a file the save has emptied or half written.
    void readersNeverMeetATornSchedule() {
        auto schedule = [](int rows, const char *comment) {
            QList<ScheduleItem> items;
            for (int i = 0; i < rows; ++i)
                items.append({"2026-12-08 14:00:00", "2026-12-08 15:30:00", "", "Waiting",
                              QStringLiteral("%1 %2").arg(QLatin1String(comment)).arg(i)});
            return items;
        };
        const QList<ScheduleItem> longer = schedule(4000, "long");
        const QList<ScheduleItem> shorter = schedule(500, "short");
        const QByteArray longText = sf::serialize(longer);
        const QByteArray shortText = sf::serialize(shorter);
        const QString p = path(QStringLiteral("busy.dat"));
        QVERIFY(sf::save(p, shorter));

        // A reader that opened the file before a save goes on reading what it opened.
        QFile before(p);
        QVERIFY(before.open(QIODevice::ReadOnly));
        QVERIFY(before.read(10).size() == 10);
        QVERIFY(sf::save(p, longer));
        QCOMPARE(before.readAll(), shortText.mid(10));
        QCOMPARE(testsupport::readFile(p), longText);

        // Readers polling while saves alternate meet one whole schedule or the other.
        std::atomic<bool> saving{true};
        std::atomic<int> reads{0};
        std::atomic<int> torn{0};
        QThread *reader = QThread::create([&] {
            while (saving) {
                const QByteArray seen = testsupport::readFile(p);
                if (seen != longText && seen != shortText)
                    ++torn;
                ++reads;
            }
        });
        int saves = 0;
        int saved = 0;
        int readsDuring = 0;
        {
            reader->start();
            const auto stop = qScopeGuard([&] {
                saving = false;
                reader->wait();
                delete reader;
            });
            while (reads == 0)
                QThread::yieldCurrentThread();
            // At least 100 saves, and on a busy machine more until the reader looked often.
            const int readsBefore = reads;
            while (saves < 100 || (reads - readsBefore < 50 && saves < 5000)) {
                saved += sf::save(p, saves % 2 == 0 ? longer : shorter) ? 1 : 0;
                ++saves;
            }
            readsDuring = reads - readsBefore;
        }
        QCOMPARE(saved, saves);
        QVERIFY(readsDuring >= 50);
        QCOMPARE(torn.load(), 0);
    }

    void ensureExistsCreatesOnlyWhenMissing() {
        const QString p = path(QStringLiteral("new.dat"));
        QVERIFY(sf::ensureExists(p));
        QCOMPARE(testsupport::readFile(p), QByteArray());
        QVERIFY(testsupport::writeFile(p, "a\tb\tc\td\te\r\n"));
        QVERIFY(sf::ensureExists(p));
        QCOMPARE(testsupport::readFile(p), QByteArray("a\tb\tc\td\te\r\n"));
        QVERIFY(!sf::ensureExists(path(QStringLiteral("no/folder/schedule.dat"))));
        QVERIFY(!sf::load(path(QStringLiteral("no/folder/schedule.dat"))));
    }

    void extraAndMissingFields() {
        const QString p = path(QStringLiteral("hand.dat"));
        QVERIFY(testsupport::writeFile(
            p, "2026-01-01 10:00:00\t2026-01-01 11:00:00\tf\tWaiting\tc\tsixth\tseventh\r\n"
               "2026-01-02 10:00:00\t2026-01-02 11:00:00\n"
               "only start\r"
               "\r\n"
               "last line without end"));
        const auto items = *sf::load(p);
        QCOMPARE(items.size(), 5);
        QCOMPARE(items[0],
                 (ScheduleItem{"2026-01-01 10:00:00", "2026-01-01 11:00:00", "f", "Waiting", "c"}));
        QCOMPARE(items[1],
                 (ScheduleItem{"2026-01-02 10:00:00", "2026-01-02 11:00:00", "", "", ""}));
        QCOMPARE(items[2], (ScheduleItem{"only start", "", "", "", ""}));
        QCOMPARE(items[3], ScheduleItem{});
        QCOMPARE(items[4].start, QStringLiteral("last line without end"));
        QVERIFY(sf::save(p, items));
        QCOMPARE(testsupport::readFile(p),
                 QByteArray("2026-01-01 10:00:00\t2026-01-01 11:00:00\tf\tWaiting\tc\r\n"
                            "2026-01-02 10:00:00\t2026-01-02 11:00:00\t\t\t\r\n"
                            "only start\t\t\t\t\r\n"
                            "\t\t\t\t\r\n"
                            "last line without end\t\t\t\t\r\n"));
    }

    void binaryJunkLoadsWithoutHarm() {
        static const char raw[] = "\xff\xfe\0\x01\t\x80\x80\t\t\t\r\n\0\0\0";
        const auto items = sf::parse(QByteArray(raw, sizeof raw - 1));
        QCOMPARE(items.size(), 2);
        QVERIFY(!sf::parseDateTime(items[0].start));
        QVERIFY(!sf::parseDateTime(items[1].start));
    }

    void dateTimeTextIsFixedAndLocaleFree() {
        const QDateTime t(QDate(2026, 3, 4), QTime(5, 6, 7));
        const QLocale saved;
        for (const QLocale &l : {QLocale(QLocale::English, QLocale::UnitedStates),
                                 QLocale(QLocale::German, QLocale::Germany),
                                 QLocale(QLocale::Arabic, QLocale::Egypt)}) {
            QLocale::setDefault(l);
            QCOMPARE(sf::dateTimeText(t), QStringLiteral("2026-03-04 05:06:07"));
            QCOMPARE(sf::parseDateTime(QStringLiteral("2026-03-04 05:06:07")), t);
        }
        QLocale::setDefault(saved);
        QCOMPARE(sf::parseDateTime(QStringLiteral("  2026-03-04 05:06:07 ")), t);
    }

    void junkDatesDoNotConvert_data() {
        QTest::addColumn<QString>("text");
        for (const char *t :
             {"", "0", "tomorrow", "2026-13-01 10:00:00", "2026-02-30 10:00:00",
              "2026-01-01 25:00:00", "2026-01-01 10:00", "12/3/2006 2:07:09 PM",
              "2026-01-01T10:00:00", "2026-01-01 10:00:00 extra", "99999-01-01 10:00:00"})
            QTest::newRow(t) << QString::fromLatin1(t);
    }
    void junkDatesDoNotConvert() {
        QFETCH(QString, text);
        QVERIFY(!sf::parseDateTime(text));
    }
};

QTEST_GUILESS_MAIN(TestScheduleFile)
#include "tst_schedulefile.moc"
