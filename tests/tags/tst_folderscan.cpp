#include "TagFolderScan.h"
#include "TagTestSupport.h"
#include "TestSupport.h"
#include "clsID3v1.h"
#include "clsID3v23.h"
#include "platform/LocaleDateTime.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace pelvanto;
using namespace tagtest;

namespace {

struct Scan {
    int total = -1;
    QList<ScanRow> rows;
    bool finished = false;
};

Scan scanFolder(FolderScanner &scanner, const QString &folder, const QLocale &locale) {
    Scan scan;
    const QList<QMetaObject::Connection> connections = {
        QObject::connect(&scanner, &FolderScanner::started, [&](int total) { scan.total = total; }),
        QObject::connect(&scanner, &FolderScanner::rowsReady,
                         [&](int first, const QList<ScanRow> &rows) {
                             if (first == scan.rows.size() + 1) // rows arrive in list order
                                 scan.rows += rows;
                         }),
        QObject::connect(&scanner, &FolderScanner::finished, [&] { scan.finished = true; })};
    if (scanner.start(folder, locale)) {
        QDeadlineTimer deadline(60000);
        while (!scan.finished && !deadline.hasExpired())
            QTest::qWait(10);
    }
    for (const auto &c : connections)
        QObject::disconnect(c);
    return scan;
}

const ScanRow *rowNamed(const Scan &scan, const QString &name) {
    for (const ScanRow &row : scan.rows)
        if (row.name == name)
            return &row;
    return nullptr;
}

} // namespace

class TestFolderScan : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        REQUIRE_TOOL("lame");
        REQUIRE_TOOL("mid3v2");
        QVERIFY(!toneMp3().isEmpty());
    }

    void rowsOfAFolder() {
        QTemporaryDir dir;
        const QString both = makeMp3(dir.path(), QStringLiteral("Both.Tags.mp3"));
        run(QStringLiteral("mid3v2"),
            {"-t", "Title 2", "-a", "Artist", "-g", "(13)Pop", "-T", "01", "-c", "Comment text",
             "--WXXX", "www.x.org", "--TCOM", "Comp", "-y", "2004-05-06", both});
        clsID3v1 v1;
        v1.setFilename(both);
        v1.setTagTitle(QStringLiteral("Title 1"));
        v1.setTagTrack(4);
        v1.setTagGenre(17);
        QVERIFY(v1.SaveTag());
        // Only a genre of 0 and nothing else: no ID3v1 as far as the list goes.
        const QString blues = makeMp3(dir.path(), QStringLiteral("blues.MP3"));
        v1.setFilename(blues);
        clsID3v1 empty;
        empty.setFilename(blues);
        empty.setTagGenre(0);
        QVERIFY(empty.SaveTag());
        makeMp3(dir.path(), QStringLiteral("plain.mp3"));
        writeFile(dir.filePath(QStringLiteral("broken.mp3")), QByteArray());
        writeFile(dir.filePath(QStringLiteral("notes.txt")), "x");
        QDir(dir.path()).mkdir(QStringLiteral("sub.mp3"));
        makeMp3(dir.path() + QStringLiteral("/sub.mp3"), QStringLiteral("deep.mp3"));

        FolderScanner scanner;
        const QLocale german(QLocale::German, QLocale::Germany);
        const Scan scan = scanFolder(scanner, dir.path(), german);
        QCOMPARE(scan.total, 4);
        QCOMPARE(scan.rows.size(), 4);

        const ScanRow *row = rowNamed(scan, QStringLiteral("Both.Tags"));
        QVERIFY(row);
        QCOMPARE(row->tags, QStringLiteral("ID3v1 ID3v2"));
        QCOMPARE(row->item.fileName, both);
        QCOMPARE(row->item.v1[V1Title], QStringLiteral("Title 1"));
        QCOMPARE(row->item.v1[V1Track], QStringLiteral("4"));
        QCOMPARE(row->item.v1Genre, std::uint8_t(17));
        QCOMPARE(row->item.v2[V2Title], QStringLiteral("Title 2"));
        QCOMPARE(row->item.v2[V2Track], QStringLiteral("01"));
        QCOMPARE(row->item.v2Genre, QStringLiteral("Pop"));
        QCOMPARE(row->item.v2[V2Comment], QStringLiteral("Comment text"));
        QCOMPARE(row->item.v2[V2URL], QStringLiteral("www.x.org"));
        QCOMPARE(row->item.v2[V2Composer], QStringLiteral("Comp"));
        // mid3v2 writes version 2.4, which keeps the year in the recording time.
        QCOMPARE(row->item.v2[V2Year], QStringLiteral("2004"));
        const QFileInfo info(both);
        QCOMPARE(row->size, german.toString(qRound64(double(info.size()) / 1024)) + " kB");
        QCOMPARE(row->date, localeDateTimeText(info.lastModified(), german));

        row = rowNamed(scan, QStringLiteral("blues"));
        QVERIFY(row);
        QCOMPARE(row->tags, QString());
        row = rowNamed(scan, QStringLiteral("plain"));
        QVERIFY(row);
        QCOMPARE(row->tags, QString());
        row = rowNamed(scan, QStringLiteral("broken"));
        QVERIFY(row);
        QCOMPARE(row->tags, QString());
        QCOMPARE(row->size, QStringLiteral("0 kB"));
    }

    void sizeColumn_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << qint64(0) << "0 kB";
        QTest::newRow("rounds down") << qint64(1535) << "1 kB";
        QTest::newRow("rounds up") << qint64(1536) << "2 kB";
        QTest::newRow("grouped") << qint64(5000) * 1024 << "5,000 kB";
        QTest::newRow("past 4 GiB") << qint64(5) * 1024 * 1024 * 1024 << "5,242,880 kB";
    }
    void sizeColumn() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(SizeColumnText(bytes, QLocale(QLocale::English, QLocale::UnitedStates)), text);
    }

    void tagsColumn() {
        QCOMPARE(TagsColumnText(true, true), QStringLiteral("ID3v1 ID3v2"));
        QCOMPARE(TagsColumnText(true, false), QStringLiteral("ID3v1 "));
        QCOMPARE(TagsColumnText(false, true), QStringLiteral("ID3v2"));
        QCOMPARE(TagsColumnText(false, false), QString());
    }

    void emptyAndMissingFolders() {
        QTemporaryDir dir;
        FolderScanner scanner;
        Scan scan = scanFolder(scanner, dir.path(), QLocale());
        QCOMPARE(scan.total, 0);
        QVERIFY(scan.rows.isEmpty());
        scan = scanFolder(scanner, dir.filePath(QStringLiteral("missing")), QLocale());
        QCOMPARE(scan.total, 0);
        QVERIFY(scan.finished);
    }

    void oneScanAtATime() {
        QTemporaryDir dir;
        for (int i = 0; i < 300; ++i)
            makeMp3(dir.path(), QStringLiteral("f%1.mp3").arg(i));
        FolderScanner scanner;
        QSignalSpy finished(&scanner, &FolderScanner::finished);
        QSignalSpy started(&scanner, &FolderScanner::started);
        QVERIFY(scanner.start(dir.path()));
        QVERIFY(scanner.isRunning());
        QVERIFY(!scanner.start(dir.path()));
        QVERIFY(finished.wait(60000));
        QCOMPARE(started.size(), 1);
        QVERIFY(!scanner.isRunning());
        // Cancelling drops what is still under way; the scanner takes a new scan at once.
        QVERIFY(scanner.start(dir.path()));
        scanner.cancel();
        QVERIFY(!scanner.isRunning());
        QVERIFY(scanner.start(dir.path()));
        QVERIFY(finished.wait(60000));
    }
};

QTEST_GUILESS_MAIN(TestFolderScan)
#include "tst_folderscan.moc"
