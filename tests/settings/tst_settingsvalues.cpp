#include "SettingsValues.h"

#include <QtTest>

using namespace pelvanto::settingsvalue;

class TestSettingsValues : public QObject {
    Q_OBJECT
private slots:
    void flags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("on");
        QTest::newRow("one") << "1" << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("two") << "2" << false;
        QTest::newRow("one with blanks") << " 1 " << true;
        QTest::newRow("one as decimal") << "1.0" << true;
        QTest::newRow("minus one") << "-1" << false;
        QTest::newRow("absent") << "" << true;
        QTest::newRow("word") << "yes" << true;
        QTest::newRow("number then word") << "1x" << true;
    }
    void flags() {
        QFETCH(QString, text);
        QFETCH(bool, on);
        QCOMPARE(flagIsOn(text), on);
    }

    void integerConversions() {
        QCOMPARE(toInt16("128"), std::optional<qint16>(128));
        QCOMPARE(toInt16(" -5 "), std::optional<qint16>(-5));
        QCOMPARE(toInt16("32767"), std::optional<qint16>(32767));
        QCOMPARE(toInt16("32768"), std::nullopt);
        QCOMPARE(toInt16("2.5"), std::optional<qint16>(2)); // halves go to even
        QCOMPARE(toInt16("3.5"), std::optional<qint16>(4));
        QCOMPARE(toInt16("abc"), std::nullopt);
        QCOMPARE(toInt16(""), std::nullopt);
        QCOMPARE(toInt16("12abc"), std::nullopt);
        QCOMPARE(toInt32("44100"), std::optional<qint32>(44100));
        QCOMPARE(toInt32("2147483648"), std::nullopt);
        QCOMPARE(toInt32("nan"), std::nullopt);
        QCOMPARE(toSingle("50.5"), std::optional<float>(50.5f));
        QCOMPARE(toSingle("1e40"), std::nullopt);
        QCOMPARE(toSingle("Hz"), std::nullopt);
    }

    void outputFormatIndexUsesLeadingNumber() {
        QCOMPARE(outputFormatIndex("3"), 3);
        QCOMPARE(outputFormatIndex(" 5 "), 5);
        QCOMPARE(outputFormatIndex("4abc"), 4);
        QCOMPARE(outputFormatIndex(""), 0);
        QCOMPARE(outputFormatIndex("MP3"), 0);
        QCOMPARE(outputFormatIndex("6"), 0);
        QCOMPARE(outputFormatIndex("-1"), 0);
        QCOMPARE(leadingNumber("12.5kHz"), 12.5);
    }

    void pickAllowedFallsBack() {
        const QList<int> rates{8000, 11025, 44100};
        QCOMPARE(pickAllowed("11025", rates, 44100), 11025);
        QCOMPARE(pickAllowed("12345", rates, 44100), 44100);
        QCOMPARE(pickAllowed("", rates, 44100), 44100);
        QCOMPARE(pickAllowed("-8000", rates, 44100), 44100);
        QCOMPARE(pickAllowed("fast", rates, 44100), 44100);
    }
};

QTEST_GUILESS_MAIN(TestSettingsValues)
#include "tst_settingsvalues.moc"
