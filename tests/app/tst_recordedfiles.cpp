#include "RecordedFiles.h"
#include "RecordingText.h"
#include "platform/LocaleDateTime.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

using pelvanto::RecordedFiles;
using pelvanto::RecordedItem;

class TestRecordedFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }
    static void writeBytes(const QString &path, qint64 size) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(f.resize(size));
    }
    static RecordedItem row(const QString &number, const QString &path) {
        return RecordedItem{number, path, QStringLiteral("1MB"), QStringLiteral("0:01.000"),
                            QStringLiteral("then")};
    }

private slots:
    void elapsedText_data() {
        QTest::addColumn<qint64>("ms");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0:00.000";
        QTest::newRow("five seconds") << qint64(5042) << "0:05.042";
        QTest::newRow("a minute less a milli") << qint64(59999) << "0:59.999";
        QTest::newRow("one minute") << qint64(60000) << "1:00.000";
        QTest::newRow("not wrapped at an hour") << qint64(75 * 60000 + 3250) << "75:03.250";
        QTest::newRow("seventy-five minutes") << qint64(75 * 60000) << "75:00.000";
        QTest::newRow("days") << qint64(1000LL * 60 * 60 * 24 * 3) << "4320:00.000";
        QTest::newRow("negative") << qint64(-20) << "0:00.000";
    }
    void elapsedText() {
        QFETCH(qint64, ms);
        QFETCH(QString, text);
        QCOMPARE(pelvanto::elapsedText(ms), text);
    }

    void sizeText_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("c");
        QTest::addColumn<QString>("german");
        QTest::newRow("empty") << qint64(0) << "0MB"
                               << "0MB";
        QTest::newRow("tiny rounds to 0") << qint64(5000) << "0MB"
                                          << "0MB";
        QTest::newRow("one hundredth") << qint64(10486) << "0.01MB"
                                       << "0,01MB";
        QTest::newRow("1.23") << qint64(1289748) << "1.23MB"
                              << "1,23MB";
        QTest::newRow("trailing zero dropped") << qint64(1048576 * 5 / 2) << "2.5MB"
                                               << "2,5MB";
        QTest::newRow("whole") << qint64(1048576) * 3 << "3MB"
                               << "3MB";
        QTest::newRow("rounds up to whole") << qint64(1048576) * 3 - 100 << "3MB"
                                            << "3MB";
        QTest::newRow("no group separator") << qint64(1048576) * 1234 + 524288 << "1234.5MB"
                                            << "1234,5MB";
        QTest::newRow("beyond 4 GiB") << qint64(5) * 1024 * 1048576 << "5120MB"
                                      << "5120MB";
    }
    void sizeText() {
        QFETCH(qint64, bytes);
        QFETCH(QString, c);
        QFETCH(QString, german);
        QCOMPARE(pelvanto::sizeText(bytes, QLocale::c()), c);
        QCOMPARE(pelvanto::sizeText(bytes, QLocale(QLocale::German, QLocale::Germany)), german);
    }

    // "Record Time" is the user's date and time to the second: two recordings made within
    // one minute never look alike. The time zone is left out.
    void recordTimeHasSeconds_data() {
        QTest::addColumn<QString>("locale");
        for (const char *name :
             {"en_US", "en_GB", "de_DE", "fi_FI", "ja_JP", "ko_KR", "fa_IR", "C"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void recordTimeHasSeconds() {
        QFETCH(QString, locale);
        const QLocale l(locale);
        const QDateTime first(QDate(2006, 12, 3), QTime(14, 7, 9));
        const QDateTime second = first.addSecs(40);
        const QString text = pelvanto::recordTimeText(first, l);
        QVERIFY2(text != pelvanto::recordTimeText(second, l), qPrintable(text));
        QVERIFY2(text.contains(l.toString(first.date(), QLocale::ShortFormat)), qPrintable(text));
        const QString zone = first.timeZoneAbbreviation();
        QVERIFY2(zone.isEmpty() || !text.contains(zone), qPrintable(text));
        // The text reads back as the same time of day.
        const QString format = l.dateFormat(QLocale::ShortFormat) + QLatin1Char(' ') +
                               pelvanto::timeFormatWithSeconds(l);
        QCOMPARE(l.toDateTime(text, format).time(), first.time());
    }

    void finishedRecordingRow() {
        RecordedFiles list;
        list.append(row(QStringLiteral("1"), path(QStringLiteral("a.WAV"))));
        writeBytes(path(QStringLiteral("rec.MP3")), 1289748);
        const QDateTime start(QDate(2006, 12, 3), QTime(14, 7, 9));
        const QLocale locale = QLocale::c();
        const RecordedItem item = list.finishedRecording(path(QStringLiteral("rec.MP3")),
                                                         QStringLiteral("0:42.480"), start, locale);
        QCOMPARE(item.number, QStringLiteral("2"));
        QCOMPARE(item.path, path(QStringLiteral("rec.MP3")));
        QCOMPARE(item.size, QStringLiteral("1.23MB"));
        QCOMPARE(item.duration, QStringLiteral("0:42.480"));
        QCOMPARE(item.recordTime, pelvanto::recordTimeText(start, locale));
        // A file that vanished before it was measured lists as 0MB.
        QCOMPARE(list.finishedRecording(path(QStringLiteral("none")), {}, start, locale).size,
                 QStringLiteral("0MB"));
        QCOMPARE(RecordedFiles::columnTitles(),
                 QStringList({"NO.", "File Name", "Size", "Duration", "Record Time"}));
    }

    void removeRenumbers() {
        RecordedFiles list;
        for (int i = 1; i <= 4; ++i)
            list.append(row(QString::number(i), path(QStringLiteral("f%1").arg(i))));
        QVERIFY(list.remove(1));
        QCOMPARE(list.count(), 3);
        QStringList numbers, paths;
        for (const auto &item : list.items()) {
            numbers << item.number;
            paths << item.path;
        }
        QCOMPARE(numbers, QStringList({"1", "2", "3"}));
        QCOMPARE(paths, QStringList({path("f1"), path("f3"), path("f4")}));
        QVERIFY(!list.remove(-1));
        QVERIFY(!list.remove(3));
        QCOMPARE(list.count(), 3);
    }

    void loadedRowsKeepTheirNumbers() {
        RecordedFiles list;
        list.append(row(QStringLiteral("1"), QStringLiteral("x")));
        list.appendLoaded({row(QStringLiteral("1"), QStringLiteral("y")),
                           row(QStringLiteral("7"), QStringLiteral("z"))});
        QCOMPARE(list.items()[1].number, QStringLiteral("1"));
        QCOMPARE(list.items()[2].number, QStringLiteral("7"));
        // The next recording is numbered from the count, not the stored texts.
        QCOMPARE(list.finishedRecording(QStringLiteral("n"), {}, QDateTime()).number,
                 QStringLiteral("4"));
        list.clear();
        QCOMPARE(list.count(), 0);
    }

    void playableNeedsAnExistingFile() {
        RecordedFiles list;
        writeBytes(path(QStringLiteral("p.WAV")), 10);
        list.append(row(QStringLiteral("1"), path(QStringLiteral("p.WAV"))));
        list.append(row(QStringLiteral("2"), QString()));
        list.append(row(QStringLiteral("3"), path(QStringLiteral("deleted.WAV"))));
        list.append(row(QStringLiteral("4"), dir.path())); // a folder is no recording
        QVERIFY(list.playable(0));
        QVERIFY(!list.playable(1));
        QVERIFY(!list.playable(2));
        QVERIFY(!list.playable(3));
        QVERIFY(!list.playable(4));
        QVERIFY(!list.playable(-1));
    }

    void renameMessagesAndRules() {
        RecordedFiles list;
        const QString old = path(QStringLiteral("old.WAV"));
        writeBytes(old, 100);
        list.append(row(QStringLiteral("1"), old));
        list.append(row(QStringLiteral("2"), path(QStringLiteral("missing.WAV"))));

        const auto missing = list.renameCheck(1);
        QVERIFY(missing);
        QCOMPARE(missing->text, path(QStringLiteral("missing.WAV")) + " is not exist!");
        QCOMPARE(missing->icon, pelvanto::MessageIcon::Critical);
        QVERIFY(!list.renameCheck(0));
        QCOMPARE(RecordedFiles::renamePrompt(old),
                 "Old audio file name is: " + old + "\n\nPlease enter new Audio file name:");

        // Blank answers (and Cancel, which gives an empty text) change nothing.
        auto r = list.rename(0, QStringLiteral("   "));
        QVERIFY(!r.renamed);
        QVERIFY(!r.message);
        QCOMPARE(list.items()[0].path, old);

        // The answer is trimmed and taken as a whole path.
        const QString renamed = path(QStringLiteral("new name.WAV"));
        r = list.rename(0, "  " + renamed + "  ");
        QVERIFY(r.renamed);
        QVERIFY(r.message);
        QCOMPARE(r.message->text, QStringLiteral("Rename audio file is  succeeded!"));
        QCOMPARE(r.message->icon, pelvanto::MessageIcon::Information);
        QCOMPARE(list.items()[0].path, renamed);
        QVERIFY(QFile::exists(renamed));
        QVERIFY(!QFile::exists(old));

        // An existing target is never replaced: silent end, nothing changed.
        const QString other = path(QStringLiteral("other.WAV"));
        writeBytes(other, 7);
        r = list.rename(0, other);
        QVERIFY(!r.renamed);
        QVERIFY(!r.message);
        QCOMPARE(list.items()[0].path, renamed);
        QCOMPARE(QFileInfo(other).size(), qint64(7));
        QCOMPARE(QFileInfo(renamed).size(), qint64(100));

        // A target in a folder that does not exist fails silently too.
        r = list.rename(0, path(QStringLiteral("no/such/folder/x.WAV")));
        QVERIFY(!r.renamed);
        QVERIFY(!r.message);
        QCOMPARE(list.items()[0].path, renamed);
    }

    // A name without a folder, or a relative one, stays in the recording's own folder,
    // wherever the program was started from.
    void renameToRelativeNameStaysInItsFolder_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("result");
        QTest::newRow("bare name") << "take two.WAV"
                                   << "take two.WAV";
        QTest::newRow("bare name with blanks") << "  take two.WAV  "
                                               << "take two.WAV";
        QTest::newRow("relative folder") << "sub/take.WAV"
                                         << "sub/take.WAV";
    }
    void renameToRelativeNameStaysInItsFolder() {
        QFETCH(QString, answer);
        QFETCH(QString, result);
        QTemporaryDir elsewhere;
        const QString startedFrom = QDir::currentPath();
        QVERIFY(QDir::setCurrent(elsewhere.path()));
        auto back = qScopeGuard([&] { QDir::setCurrent(startedFrom); });
        QDir(dir.path()).mkpath(QStringLiteral("sub"));
        const QString old = path(QStringLiteral("old.WAV"));
        writeBytes(old, 100);
        RecordedFiles list;
        list.append(row(QStringLiteral("1"), old));
        const auto r = list.rename(0, answer);
        QVERIFY(r.renamed);
        QCOMPARE(list.items()[0].path, path(result));
        QCOMPARE(QFileInfo(path(result)).size(), qint64(100));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
        QFile::remove(path(result));
    }

    void deleteRemovesFileAndRow() {
        RecordedFiles list;
        const QString a = path(QStringLiteral("del_a.WAV"));
        const QString b = path(QStringLiteral("del_b.WAV"));
        writeBytes(a, 1);
        writeBytes(b, 1);
        list.append(row(QStringLiteral("1"), a));
        list.append(row(QStringLiteral("2"), path(QStringLiteral("already-gone.WAV"))));
        list.append(row(QStringLiteral("3"), b));
        QCOMPARE(RecordedFiles::deleteQuestion(),
                 QStringLiteral("Do you want to delete the selected audio file now?"));
        QVERIFY(list.deleteFile(0));
        QVERIFY(!QFile::exists(a));
        // A file that cannot be deleted still loses its row.
        QVERIFY(list.deleteFile(0));
        QCOMPARE(list.count(), 1);
        QCOMPARE(list.items()[0].number, QStringLiteral("1"));
        QCOMPARE(list.items()[0].path, b);
        QVERIFY(QFile::exists(b));
        QVERIFY(!list.deleteFile(5));
    }
};

QTEST_GUILESS_MAIN(TestRecordedFiles)
#include "tst_recordedfiles.moc"
