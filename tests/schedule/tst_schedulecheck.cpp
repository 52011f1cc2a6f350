#include "FakeRecording.h"
#include "ScheduleCheck.h"

#include <QtTest>

using pelvanto::ScheduleCheck;
using pelvanto::ScheduleItem;

class TestScheduleCheck : public QObject {
    Q_OBJECT

    static QDateTime at(int h, int m, int s, int ms = 0) {
        return QDateTime(QDate(2026, 12, 8), QTime(h, m, s, ms));
    }
    static ScheduleItem row(const QDateTime &start, const QDateTime &stop) {
        return ScheduleItem{start.toString("yyyy-MM-dd HH:mm:ss"),
                            stop.toString("yyyy-MM-dd HH:mm:ss"), QString(),
                            QStringLiteral("Waiting"), QString()};
    }
    // Ticks once a second (plus a little drift) from `from` to `to`.
    static void run(ScheduleCheck &check, ManualClock &clock, QList<ScheduleItem> &rows,
                    const QDateTime &from, const QDateTime &to) {
        for (QDateTime t = from; t <= to; t = t.addSecs(1)) {
            clock.now = t.addMSecs(30);
            check.tick(rows);
        }
    }

private slots:
    void startsAndStopsAtTheExactSecond() {
        FakeRecording rec;
        ManualClock clock{at(9, 59, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(10, 0, 0), at(10, 0, 30))};

        run(check, clock, rows, at(9, 59, 1), at(9, 59, 59));
        QVERIFY(rec.calls.isEmpty());
        QCOMPARE(rows[0].status, QStringLiteral("Waiting"));

        run(check, clock, rows, at(10, 0, 0), at(10, 0, 0));
        QCOMPARE(rec.calls, QStringList{"start"});
        QCOMPARE(rows[0].status, QStringLiteral("Done"));
        QVERIFY(check.running());
        QCOMPARE(check.pendingStop(), at(10, 0, 30));

        run(check, clock, rows, at(10, 0, 1), at(10, 0, 29));
        QCOMPARE(rec.calls, QStringList{"start"});
        run(check, clock, rows, at(10, 0, 30), at(10, 5, 0));
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
        QVERIFY(!check.running());
    }

    void nothingPastAtStartFires() {
        FakeRecording rec;
        ManualClock clock{at(12, 0, 0, 500)};
        ScheduleCheck check(rec, clock.fn());
        // Due this very second, a minute ago, and running since an hour: none fires.
        QList<ScheduleItem> rows{row(at(12, 0, 0), at(12, 30, 0)), row(at(11, 59, 0), at(13, 0, 0)),
                                 row(at(11, 0, 0), at(13, 0, 0))};
        run(check, clock, rows, at(12, 0, 1), at(12, 10, 0));
        QVERIFY(rec.calls.isEmpty());
        for (const auto &r : rows)
            QCOMPARE(r.status, QStringLiteral("Waiting"));
    }

    void twoRowsAtOneTimeStartOnlyTheFirst() {
        FakeRecording rec;
        ManualClock clock{at(7, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(8, 0, 0), at(8, 0, 10)), row(at(8, 0, 0), at(8, 20, 0))};
        run(check, clock, rows, at(7, 59, 59), at(8, 30, 0));
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
        QCOMPARE(rows[0].status, QStringLiteral("Done"));
        QCOMPARE(rows[1].status, QStringLiteral("Waiting"));
    }

    void overlappingRowIsSkippedForGood() {
        FakeRecording rec;
        ManualClock clock{at(7, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(8, 0, 0), at(8, 10, 0)), row(at(8, 5, 0), at(8, 15, 0)),
                                 row(at(8, 10, 0), at(8, 12, 0))};
        run(check, clock, rows, at(7, 59, 0), at(8, 20, 0));
        // The third row starts in the second the first one stops.
        QCOMPARE(rec.calls, (QStringList{"start", "stop", "start", "stop"}));
        QCOMPARE(rows[0].status, QStringLiteral("Done"));
        QCOMPARE(rows[1].status, QStringLiteral("Waiting"));
        QCOMPARE(rows[2].status, QStringLiteral("Done"));
    }

    void lateTicksMissNothing() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 5), at(9, 0, 20))};
        clock.now = at(9, 0, 4, 990);
        check.tick(rows);
        clock.now = at(9, 0, 6, 10); // the second 9:00:05 never saw a tick
        check.tick(rows);
        QCOMPARE(rec.calls, QStringList{"start"});
        QCOMPARE(rows[0].status, QStringLiteral("Done"));
        clock.now = at(9, 0, 19, 900);
        check.tick(rows);
        QCOMPARE(rec.calls, QStringList{"start"});
        clock.now = at(9, 0, 23); // nor did 9:00:20
        check.tick(rows);
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
        // Ticking twice in one second does not act twice.
        rows.append(row(at(9, 0, 24), at(9, 0, 40)));
        clock.now = at(9, 0, 24, 100);
        check.tick(rows);
        clock.now = at(9, 0, 24, 900);
        check.tick(rows);
        QCOMPARE(rec.calls, (QStringList{"start", "stop", "start"}));
    }

    void lateTickOverAStopAndAnOverlappingStart() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 1), at(9, 0, 10)), row(at(9, 0, 8), at(9, 0, 30)),
                                 row(at(9, 0, 11), at(9, 0, 30))};
        clock.now = at(9, 0, 1);
        check.tick(rows);
        clock.now = at(9, 0, 7);
        check.tick(rows);
        // One late tick covers the first row's stop, the second row's start
        // (due while the first ran) and the third row's start (after the stop).
        clock.now = at(9, 0, 12);
        check.tick(rows);
        QCOMPARE(rec.calls, (QStringList{"start", "stop", "start"}));
        QCOMPARE(rows[1].status, QStringLiteral("Waiting"));
        QCOMPARE(rows[2].status, QStringLiteral("Done"));
    }

    void missedWholeWindowIsLeftAlone() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 10, 0), at(9, 20, 0)), row(at(9, 15, 0), at(10, 0, 0))};
        clock.now = at(9, 30, 0); // suspended through the first row entirely
        check.tick(rows);
        // The second row is still under way: it starts late and stops on time.
        QCOMPARE(rec.calls, QStringList{"start"});
        QCOMPARE(rows[0].status, QStringLiteral("Waiting"));
        QCOMPARE(rows[1].status, QStringLiteral("Done"));
        QCOMPARE(check.pendingStop(), at(10, 0, 0));
    }

    void stopComesEvenWhenRowsAreGone() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 1), at(9, 0, 5))};
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 2));
        rows.clear();
        run(check, clock, rows, at(9, 0, 3), at(9, 0, 6));
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
    }

    // The schedule stops only the recording it started: a recording the user
    // stopped, or stopped and started again by hand, is not the schedule's.
    void onlyItsOwnRecordingIsStopped_data() {
        QTest::addColumn<bool>("restartByHand");
        QTest::newRow("stopped by hand") << false;
        QTest::newRow("stopped and restarted by hand") << true;
    }
    void onlyItsOwnRecordingIsStopped() {
        QFETCH(bool, restartByHand);
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 1), at(9, 0, 9)), row(at(9, 0, 15), at(9, 0, 20))};
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 2));
        rec.stopByHand();
        if (restartByHand)
            rec.startByHand();
        run(check, clock, rows, at(9, 0, 3), at(9, 0, 12));
        // The first row's stop time passes without a call: nothing of the schedule runs.
        QCOMPARE(rec.calls, QStringList{"start"});
        QCOMPARE(rec.recording, restartByHand);
        QVERIFY(!check.running());
        run(check, clock, rows, at(9, 0, 13), at(9, 0, 30));
        QCOMPARE(rec.calls, (QStringList{"start", "start", "stop"}));
        QCOMPARE(rows[1].status, QStringLiteral("Done"));
    }

    // Rows without a readable start or stop time never start and block nothing.
    void unreadableTimesAreSkipped() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{
            {"garbage", "2026-12-08 09:00:10", "", "Waiting", ""},
            {"2026-12-08 09:00:03", "not a time", "", "Waiting", ""},
            {"2026-12-08 09:00:03", "", "", "Waiting", ""},
            {"2026-12-08 09:00:04", "2026-12-08 09:00:06", "", "Waiting", ""},
        };
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 30));
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
        QCOMPARE(rows[1].status, QStringLiteral("Waiting"));
        QCOMPARE(rows[2].status, QStringLiteral("Waiting"));
        QCOMPARE(rows[3].status, QStringLiteral("Done"));
        QVERIFY(!check.running());
    }

    // A row whose recording could not begin says why, and the schedule goes on.
    void failedStartIsMarkedAndLaterRowsRun_data() {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("status");
        QTest::newRow("folder missing") << "folder missing"
                                        << "Failed: folder missing";
        QTest::newRow("no reason known") << ""
                                         << "Failed";
    }
    void failedStartIsMarkedAndLaterRowsRun() {
        QFETCH(QString, reason);
        QFETCH(QString, status);
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<int> reported;
        check.rowStarted = [&](int i) { reported << i; };
        QList<ScheduleItem> rows{row(at(9, 0, 2), at(9, 0, 20)), row(at(9, 0, 5), at(9, 0, 8))};
        rec.refuse = true;
        rec.failure = reason;
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 3));
        QCOMPARE(rows[0].status, status);
        QVERIFY(!check.running());
        QCOMPARE(reported, (QList<int>{0, 0}));
        rec.refuse = false;
        run(check, clock, rows, at(9, 0, 4), at(9, 0, 30));
        // The failed row's stop time stops nothing; the next row runs in full.
        QCOMPARE(rec.calls, (QStringList{"start", "start", "stop"}));
        QCOMPARE(rows[1].status, QStringLiteral("Done"));
    }

    void statusIsNotConsulted() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 2), at(9, 0, 4))};
        rows[0].status = QStringLiteral("Done");
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 5));
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
    }

    void clockSetBackDoesNotRepeatTheSameTick() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 2), at(9, 0, 4))};
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 2));
        clock.now = at(8, 0, 0);
        check.tick(rows);
        QCOMPARE(rec.calls, QStringList{"start"});
        QCOMPARE(check.lastCheck(), at(8, 0, 0));
        // The stop time has passed as far as the machine knew; it comes again
        // when the clock reaches it.
        run(check, clock, rows, at(8, 0, 1), at(8, 0, 3));
        QCOMPARE(rec.calls, QStringList{"start"});
    }

    void tickInsideTheCallsActsOnce() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(9, 0, 1), at(9, 0, 3)), row(at(9, 0, 1), at(9, 0, 9))};
        int nested = 0;
        rec.duringCall = [&] {
            ++nested;
            check.tick(rows); // pending events run a further tick
        };
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 5));
        QCOMPARE(rec.calls, (QStringList{"start", "stop"}));
        QCOMPARE(nested, 2);
        QCOMPARE(rows[1].status, QStringLiteral("Waiting"));
    }

    void rowStartedReportsTheRowBeforeRecording() {
        FakeRecording rec;
        ManualClock clock{at(9, 0, 0)};
        ScheduleCheck check(rec, clock.fn());
        QList<ScheduleItem> rows{row(at(8, 0, 0), at(8, 1, 0)), row(at(9, 0, 1), at(9, 0, 3))};
        QList<int> reported;
        check.rowStarted = [&](int i) {
            reported << i;
            QVERIFY(rec.calls.isEmpty());
            QCOMPARE(rows[i].status, QStringLiteral("Done"));
        };
        run(check, clock, rows, at(9, 0, 1), at(9, 0, 1));
        QCOMPARE(reported, QList<int>{1});
    }
};

QTEST_GUILESS_MAIN(TestScheduleCheck)
#include "tst_schedulecheck.moc"
