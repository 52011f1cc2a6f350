#include "Frmid3v.h"
#include "TagTestSupport.h"
#include "TestSupport.h"
#include "clsID3v1.h"
#include "clsID3v23.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include <sys/stat.h>

using namespace pelvanto;
using namespace tagtest;

namespace {

template <typename T> T *child(QObject *parent, const char *name) {
    T *found = parent->findChild<T *>(QString::fromLatin1(name));
    if (found == nullptr)
        qWarning("no child %s", name);
    return found;
}

bool waitForScan(Frmid3v &window) {
    QDeadlineTimer deadline(120000);
    while (window.scanning() && !deadline.hasExpired())
        QTest::qWait(5);
    return !window.scanning();
}

QString tagged(const QString &dir, const QString &name, const QString &title, int track) {
    const QString path = makeMp3(dir, name);
    clsID3v1 v1;
    v1.setFilename(path);
    v1.setTagTitle(title);
    v1.setTagTrack(static_cast<std::uint8_t>(track));
    v1.setTagGenre(17);
    v1.SaveTag();
    clsID3v23 v2;
    v2.setFilename(path);
    v2.setTagTitle(title);
    v2.setTagTrack(QString::number(track));
    v2.setTagGenre(QStringLiteral("(13)Pop"));
    v2.SaveTag();
    return path;
}

QTreeWidgetItem *rowNamed(QTreeWidget *list, const QString &name) {
    const auto found = list->findItems(name, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

// Clicks the toolbar button at a position (from 1, separators counted) of tbr_<tag>.
void clickToolbar(Frmid3v &window, int tag, int position) {
    auto *toolbar = child<QToolBar>(&window, tag == 0 ? "tbr_0" : "tbr_1");
    toolbar->actions().at(position - 1)->trigger();
}

} // namespace

class TestFrmid3v : public QObject {
    Q_OBJECT
    QTemporaryDir config_;

    std::unique_ptr<QSettings> store() {
        return std::make_unique<QSettings>(config_.filePath(QStringLiteral("tavimor.ini")),
                                           QSettings::IniFormat);
    }

private slots:
    void initTestCase() {
        REQUIRE_PULSE();
        REQUIRE_TOOL("lame");
        REQUIRE_TOOL("mid3v2");
        REQUIRE_TOOL("ffmpeg");
        QVERIFY(!toneMp3().isEmpty());
    }

    void opensWithDefaults() {
        Frmid3v window(nullptr, store());
        QCOMPARE(window.windowTitle(), QStringLiteral("ID3 Editor"));
        QVERIFY(child<QCheckBox>(&window, "chkOpt_0")->isChecked());
        QVERIFY(!child<QCheckBox>(&window, "chkOpt_1")->isChecked());
        QVERIFY(!child<QCheckBox>(&window, "chkOpt_2")->isChecked());
        QCOMPARE(window.splitterLeft(), 3600);
        auto *genres = child<QComboBox>(&window, "cmbv1");
        QCOMPARE(genres->count(), 148);
        QCOMPARE(genres->itemText(131), QStringLiteral("Indie"));
        QCOMPARE(genres->itemText(7), QStringLiteral("Hip-hop"));
        QCOMPARE(genres->itemText(146), QStringLiteral("Jpop"));
        QCOMPARE(child<QComboBox>(&window, "cmbv2")->count(), 148);
        for (const char *name :
             {"ftv", "lvw", "p", "tabs", "frm_0", "frm_1", "chkv1", "chkv2", "txtv1_5", "txtv2_10",
              "lblTitle", "prb", "menSelectMenu", "menPlaybackMenu", "menPlayback_4", "menJump"})
            QVERIFY2(window.findChild<QObject *>(QString::fromLatin1(name)), name);
    }

    void scanFillAndBatchSave() {
        QTemporaryDir dir;
        tagged(dir.path(), QStringLiteral("a - first_song.mp3"), QStringLiteral("Song"), 1);
        tagged(dir.path(), QStringLiteral("b.mp3"), QStringLiteral("song"), 1);
        const QString locked = tagged(dir.path(), QStringLiteral("c.mp3"), QStringLiteral("C"), 3);
        Frmid3v window(nullptr, store());
        window.show();
        window.UpdateFolder(dir.path());
        QVERIFY(waitForScan(window));
        auto *list = child<QTreeWidget>(&window, "lvw");
        QCOMPARE(list->topLevelItemCount(), 3);
        QTreeWidgetItem *first = rowNamed(list, QStringLiteral("a - first_song"));
        QTreeWidgetItem *second = rowNamed(list, QStringLiteral("b"));
        QTreeWidgetItem *third = rowNamed(list, QStringLiteral("c"));
        QVERIFY(first && second && third);
        QCOMPARE(first->text(1), QStringLiteral("ID3v1 ID3v2"));
        QVERIFY(!child<QProgressBar>(&window, "prb")->isVisible());
        // Column widths follow the longest text.
        QVERIFY(list->columnWidth(0) > list->fontMetrics().horizontalAdvance("a - first_song"));
        // A clicked row fills the fields; (13)Pop shows as Pop.
        list->setCurrentItem(first);
        QCOMPARE(child<QLineEdit>(&window, "txtv1_1")->text(), QStringLiteral("Song"));
        QCOMPARE(child<QComboBox>(&window, "cmbv2")->currentText(), QStringLiteral("Pop"));
        QCOMPARE(child<QComboBox>(&window, "cmbv1")->currentIndex(), 17);

        // Two checked rows merge.
        first->setCheckState(0, Qt::Checked);
        second->setCheckState(0, Qt::Checked);
        QCOMPARE(window.GetSelNum(), 2);
        QCOMPARE(child<QLineEdit>(&window, "txtv2_1")->text(), QStringLiteral("Song"));
        QCOMPARE(child<QLineEdit>(&window, "txtv1_0")->text(), QStringLiteral("1"));

        // The grabbed title of the selected row.
        child<QCheckBox>(&window, "chkOpt_2")->setChecked(true);
        QVERIFY(child<QLabel>(&window, "lblTitle")->text().endsWith("\nFirst Song"));
        child<QCheckBox>(&window, "chkOpt_2")->setChecked(false);
        QCOMPARE(child<QLabel>(&window, "lblTitle")->text(), QString());

        // The ID3v1 track box takes digits only and holds at 255.
        auto *track = child<QLineEdit>(&window, "txtv1_0");
        track->clear();
        QTest::keyClicks(track, "a3x00");
        QCOMPARE(track->text(), QStringLiteral("255"));

        // Copy from ID3v2 fills the ID3v1 boxes without shortening them.
        child<QLineEdit>(&window, "txtv2_3")->setText(QString(40, QLatin1Char('x')));
        clickToolbar(window, 0, 4);
        QCOMPARE(child<QLineEdit>(&window, "txtv1_3")->text(), QString(40, QLatin1Char('x')));
        QCOMPARE(child<QComboBox>(&window, "cmbv1")->currentIndex(), 13);

        // A batch with a read-only file: the others are written, its row is marked.
        third->setCheckState(0, Qt::Checked);
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0444) == 0);
        const QByteArray before = readFile(locked);
        child<QCheckBox>(&window, "chkOpt_1")->setChecked(true);
        child<QLineEdit>(&window, "txtv2_3")->setText(QStringLiteral("Album"));
        clickToolbar(window, 1, 2);
        QCOMPARE(readFile(locked), before);
        QVERIFY(third->text(1).contains(QStringLiteral("not saved")));
        QCOMPARE(second->text(1), QStringLiteral("ID3v1 ID3v2"));
        // The file index is the position among the checked rows in list order.
        const int index = list->indexOfTopLevelItem(second) + 1; // all three checked
        const QString raw = run("mid3v2", {"--list-raw", dir.filePath("b.mp3")});
        QVERIFY2(raw.contains("'Album'") && raw.contains(QStringLiteral("text=['%1']").arg(index)),
                 qPrintable(raw));
        const TagItem &record = window.tagItems()[size_t(second->data(0, Qt::UserRole).toInt())];
        QCOMPARE(record.v2[V2Album], QStringLiteral("Album"));
        QVERIFY(::chmod(QFile::encodeName(locked).constData(), 0644) == 0);
    }

    void splitterLimitsAndSettingsRoundTrip() {
        QTemporaryDir dir;
        {
            Frmid3v window(nullptr, store());
            window.show();
            auto *bar = child<QWidget>(&window, "p");
            QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, 5));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(-2000, 5));
            QCOMPARE(window.splitterLeft(), 2410);
            QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(2, 5));
            QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(2000, 5));
            QCOMPARE(window.splitterLeft(), 5410);
            child<QCheckBox>(&window, "chkOpt_0")->setChecked(false);
            child<QCheckBox>(&window, "chkOpt_2")->setChecked(true);
            window.UpdateFolder(dir.path());
            QVERIFY(waitForScan(window));
            window.accept();
        }
        auto settings = store();
        QCOMPARE(settings->value("Settings/folderwidth").toString(), QStringLiteral("5410"));
        QCOMPARE(settings->value("Settings/opt0").toString(), QStringLiteral("0"));
        QCOMPARE(settings->value("Settings/opt2").toString(), QStringLiteral("1"));
        Frmid3v again(nullptr, store());
        QCOMPARE(again.splitterLeft(), 5410);
        QVERIFY(!child<QCheckBox>(&again, "chkOpt_0")->isChecked());
        QVERIFY(child<QCheckBox>(&again, "chkOpt_2")->isChecked());
        settings->clear();
        settings->sync();
    }

    void closingStopsThePreview() {
        REQUIRE_TOOL("pactl");
        QTemporaryDir dir;
        const QString song = dir.filePath(QStringLiteral("long - song.mp3"));
        QCOMPARE(testsupport::runTool("ffmpeg", {"-v", "error", "-f", "lavfi", "-i",
                                                 "sine=frequency=440:duration=30", song})
                     .exitCode,
                 0);
        const auto streams = [] {
            return testsupport::runTool("pactl", {"list", "short", "sink-inputs"})

                .out.count('\n');
        };
        const auto before = streams();
        auto window = std::make_unique<Frmid3v>(nullptr, store());
        window->UpdateFolder(dir.path());
        QVERIFY(waitForScan(*window));
        child<QAction>(window.get(), "menPlayback_0")->trigger();
        QTRY_VERIFY(streams() > before);
        window->reject();
        window.reset();
        QTRY_COMPARE(streams(), before);
    }

    void largeFolderStaysResponsive() {
        QTemporaryDir dir;
        const QByteArray mp3 = toneMp3();
        for (int i = 0; i < 10000; ++i)
            QVERIFY(writeFile(dir.filePath(QStringLiteral("Artist - song %1.mp3").arg(i)), mp3));
        QTemporaryDir other;
        makeMp3(other.path(), QStringLiteral("other.mp3"));
        Frmid3v window(nullptr, store());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(200); // the window's first paint is not part of the scan
        auto *bar = child<QProgressBar>(&window, "prb");
        QElapsedTimer clock;
        qint64 last = 0;
        qint64 longest = 0;
        QSet<int> progress;
        QTimer tick;
        tick.setInterval(5);
        connect(&tick, &QTimer::timeout, this, [&] {
            const qint64 now = clock.elapsed();
            longest = std::max(longest, now - last);
            last = now;
            if (bar->isVisible())
                progress.insert(bar->value());
        });
        clock.start();
        tick.start();
        window.UpdateFolder(dir.path());
        window.UpdateFolder(other.path()); // refused: a scan runs
        QVERIFY(waitForScan(window));
        QTest::qWait(300); // the full list's first layout and paint count too
        tick.stop();
        auto *list = child<QTreeWidget>(&window, "lvw");
        QCOMPARE(list->topLevelItemCount(), 10000);
        QCOMPARE(window.tagItems().size(), size_t(10001));
        qInfo("longest event-loop stall while scanning 10,000 files: %lld ms; %lld distinct "
              "progress values",
              longest, qint64(progress.size()));
        QVERIFY2(longest < 100, qPrintable(QString::number(longest)));
        QVERIFY(progress.size() > 3);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        // Closing the window in the middle of a scan leaves no hourglass behind.
        window.UpdateFolder(other.path());
        window.UpdateFolder(dir.path());
        QVERIFY(window.scanning());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        window.reject();
        QVERIFY(!window.scanning());
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(TestFrmid3v)
#include "tst_frmid3v.moc"
