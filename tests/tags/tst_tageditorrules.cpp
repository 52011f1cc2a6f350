#include "SplitterRules.h"
#include "TagEditorSettings.h"
#include "TagMerge.h"
#include "TagSaveRun.h"
#include "TagText.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace pelvanto;

namespace {

TagItem v1Item(const QString &track, const QString &title, std::uint8_t genre) {
    TagItem item;
    item.hasV1 = true;
    item.v1[V1Track] = track;
    item.v1[V1Title] = title;
    item.v1[V1Artist] = QStringLiteral("Artist");
    item.v1Genre = genre;
    return item;
}

TagItem v2Item(const QString &track, const QString &title, const QString &genre) {
    TagItem item;
    item.hasV2 = true;
    item.v2[V2Track] = track;
    item.v2[V2Title] = title;
    item.v2[V2Composer] = QStringLiteral("Composer");
    item.v2Genre = genre;
    return item;
}

} // namespace

class TestTagEditorRules : public QObject {
    Q_OBJECT

private slots:
    void grabTitle_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");
        QTest::newRow("example") << "/m/Some Artist - the_best%20of (live).mp3"
                                 << "The Best Of (Live)";
        QTest::newRow("no dash") << "/m/Intro.mp3"
                                 << "";
        QTest::newRow("dash only in folder") << "/a-b/Intro.mp3"
                                             << "";
        QTest::newRow("last dash wins") << "/m/A - B - c d.mp3"
                                        << "C D";
        QTest::newRow("underscore and %20") << "/m/x-a_b%20c.mp3"
                                            << "A B C";
        QTest::newRow("after bracket") << "/m/x-x(y).mp3"
                                       << "X(Y)";
        QTest::newRow("after dot and brace") << "/m/x- mr.big {live}.mp3"
                                             << "Mr.Big {Live}";
        QTest::newRow("nothing after dash") << "/m/Artist -.mp3"
                                            << "";
    }
    void grabTitle() {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(GrabTitle(path), title);
    }

    void properCaseOfGenres_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("shown");
        QTest::newRow("indie") << "indie"
                               << "Indie";
        QTest::newRow("JPop") << "JPop"
                              << "Jpop";
        QTest::newRow("Hip-Hop") << "Hip-Hop"
                                 << "Hip-hop";
        QTest::newRow("power Ballad") << "power Ballad"
                                      << "Power Ballad";
        QTest::newRow("Rock & Roll") << "Rock & Roll"
                                     << "Rock & Roll";
    }
    void properCaseOfGenres() {
        QFETCH(QString, name);
        QFETCH(QString, shown);
        QCOMPARE(ProperCase(name), shown);
    }

    void leadingNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("value");
        QTest::newRow("plain") << "7" << qint64(7);
        QTest::newRow("leading zero") << "01" << qint64(1);
        QTest::newRow("blanks and tail") << "  12/20" << qint64(12);
        QTest::newRow("letters") << "abc" << qint64(0);
        QTest::newRow("empty") << "" << qint64(0);
        QTest::newRow("long") << "12345678901 x" << qint64(12345678901);
    }
    void leadingNumber() {
        QFETCH(QString, text);
        QFETCH(qint64, value);
        QCOMPARE(LeadingNumber(text), value);
    }

    void id3v1TrackLimits() {
        QCOMPARE(TagSaveRun::TrackFromText(QStringLiteral("300")), std::uint8_t(255));
        QCOMPARE(TagSaveRun::TrackFromText(QStringLiteral(" 12 ")), std::uint8_t(12));
        QCOMPARE(TagSaveRun::TrackFromText(QStringLiteral("")), std::uint8_t(0));
        QCOMPARE(TagSaveRun::TrackFromIndex(255), std::uint8_t(255));
        QCOMPARE(TagSaveRun::TrackFromIndex(256), std::uint8_t(0));
    }

    void singleFill() {
        TagItem item = v1Item(QStringLiteral("3"), QStringLiteral("T"), 255);
        EditorFields f = SingleFields(item);
        QVERIFY(f.hasV1);
        QVERIFY(!f.hasV2);
        QCOMPARE(f.v1[V1Track], QStringLiteral("3"));
        QCOMPARE(f.v1Genre, -1); // no genre selects nothing
        item.v1Genre = 17;
        QCOMPARE(SingleFields(item).v1Genre, 17);
    }

    void mergeKeepsFirstCase() {
        const TagItem a = v1Item(QStringLiteral("1"), QStringLiteral("Song"), 17);
        const TagItem b = v1Item(QStringLiteral("01"), QStringLiteral("song"), 17);
        const TagItem c =
            v2Item(QStringLiteral("1"), QStringLiteral("Song"), QStringLiteral("Pop"));
        const TagItem d =
            v2Item(QStringLiteral("01"), QStringLiteral("song"), QStringLiteral("pop"));
        TagItem ab = a, cd = b;
        ab.hasV2 = true;
        ab.v2 = c.v2;
        ab.v2Genre = c.v2Genre;
        cd.hasV2 = true;
        cd.v2 = d.v2;
        cd.v2Genre = d.v2Genre;
        const EditorFields f = MergedFields({&ab, &cd});
        QCOMPARE(f.v1[V1Title], QStringLiteral("Song"));
        QCOMPARE(f.v1[V1Track], QStringLiteral("1")); // 1 and 01 are the same number
        QCOMPARE(f.v1Genre, 17);
        QCOMPARE(f.v2[V2Title], QStringLiteral("Song"));
        QCOMPARE(f.v2[V2Track], QString()); // the ID3v2 track compares as text
        QCOMPARE(f.v2Genre, QStringLiteral("Pop"));
        QCOMPARE(f.v2[V2Composer], QStringLiteral("Composer"));
    }

    void mergeBlanksDifferences() {
        TagItem a = v1Item(QStringLiteral("0"), QStringLiteral("One"), 17);
        TagItem b = v1Item(QStringLiteral("0"), QStringLiteral("Two"), 13);
        TagItem c = v1Item(QStringLiteral("0"), QStringLiteral("One"), 17);
        const EditorFields f = MergedFields({&a, &b, &c});
        QCOMPARE(f.v1[V1Title], QString());
        QCOMPARE(f.v1[V1Artist], QStringLiteral("Artist"));
        QCOMPARE(f.v1Genre, -1);
        QCOMPARE(f.v1[V1Track], QString()); // a shared track 0 shows as nothing
    }

    void mergeWithOneId3v2File() {
        const TagItem a = v1Item(QStringLiteral("1"), QStringLiteral("A"), 1);
        TagItem b = v1Item(QStringLiteral("2"), QStringLiteral("B"), 1);
        b.hasV2 = true;
        b.v2[V2Title] = QStringLiteral("Only");
        b.v2[V2Track] = QStringLiteral("02");
        b.v2Genre = QStringLiteral("Ska");
        const TagItem none;
        const EditorFields f = MergedFields({&a, &b, &none});
        QVERIFY(f.hasV1 && f.hasV2);
        QCOMPARE(f.v2[V2Title], QStringLiteral("Only"));
        QCOMPARE(f.v2[V2Track], QStringLiteral("02"));
        QCOMPARE(f.v2Genre, QStringLiteral("Ska"));
        QVERIFY(!MergedFields({&none, &none}).hasV1);
    }

    void settingsDefaultsAndRoundTrip() {
        QTemporaryDir dir;
        QSettings store(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        TagEditorSettings s = TagEditorSettings::Load(store);
        QCOMPARE(s.options, (std::array<bool, 3>{true, false, false}));
        QCOMPARE(s.folderWidth, 3600);
        QCOMPARE(s.folder, QString());
        s.options = {false, true, true};
        s.folderWidth = 4100;
        s.folder = QStringLiteral("/music/ä b");
        s.Save(store);
        store.sync();
        QSettings again(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        QCOMPARE(again.value(QStringLiteral("Settings/opt1")).toString(), QStringLiteral("1"));
        QCOMPARE(again.value(QStringLiteral("Settings/folderwidth")).toString(),
                 QStringLiteral("4100"));
        const TagEditorSettings back = TagEditorSettings::Load(again);
        QCOMPARE(back.options, s.options);
        QCOMPARE(back.folderWidth, 4100);
        QCOMPARE(back.folder, s.folder);
    }

    void settingsStopAtNonNumber() {
        QTemporaryDir dir;
        QSettings store(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
        store.setValue(QStringLiteral("Settings/opt0"), QStringLiteral("0"));
        store.setValue(QStringLiteral("Settings/opt1"), QStringLiteral("yes"));
        store.setValue(QStringLiteral("Settings/opt2"), QStringLiteral("1"));
        store.setValue(QStringLiteral("Settings/folder"), QStringLiteral("/x"));
        const TagEditorSettings s = TagEditorSettings::Load(store);
        QCOMPARE(s.options, (std::array<bool, 3>{false, false, false}));
        QCOMPARE(s.folderWidth, 3600);
        QCOMPARE(s.folder, QString());
    }

    void splitterLimits_data() {
        QTest::addColumn<int>("t");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<int>("dropped");
        QTest::newRow("far left") << 100 << false << 2410;
        QTest::newRow("at low limit") << 2500 << false << 2410;
        QTest::newRow("inside") << 4000 << true << 3910;
        QTest::newRow("at high limit") << 5500 << false << 5410;
        QTest::newRow("far right") << 9000 << false << 5410;
    }
    void splitterLimits() {
        QFETCH(int, t);
        QFETCH(bool, moves);
        QFETCH(int, dropped);
        QCOMPARE(splitter::MoveAllowed(t), moves);
        QCOMPARE(splitter::DropLeft(t), dropped);
    }

    void splitterLayout() {
        // A narrow window: the tab strip spans it and the tree ends above the strip.
        splitter::Layout l = splitter::LayoutFor(3690, 12000, 9000, 4000);
        QCOMPARE(l.list.left(), 3810);
        QCOMPARE(l.list.width(), 12000 - 3810 - 120);
        QCOMPARE(l.tabs.left(), 120);
        QCOMPARE(l.tabs.width(), 12000 - 240);
        QCOMPARE(l.tree.bottom() + 1, l.tabs.top() - 240);
        QCOMPARE(l.frameLeft, 600);
        // A wide one: the strip sits under the list and the tree runs down the window.
        l = splitter::LayoutFor(3690, 14000, 9000, 4000);
        QCOMPARE(l.tabs.left(), l.list.left());
        QCOMPARE(l.tabs.width(), l.list.width());
        QCOMPARE(l.tree.bottom() + 1, 9000 - 120);
    }
};

QTEST_GUILESS_MAIN(TestTagEditorRules)
#include "tst_tageditorrules.moc"
