#include "Form4.h"
#include "Inifun.h"
#include "TestSupport.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using pelvanto::Form4;
using pelvanto::Inifun::ReadIni;
using pelvanto::Inifun::WriteIni;

class TestForm4 : public QObject {
    Q_OBJECT

    QTemporaryDir program;
    QString settings() const { return program.filePath(QStringLiteral("settings.dat")); }
    QString readSet(const char *key) const {
        return ReadIni(settings(), QStringLiteral("set"), QString::fromLatin1(key));
    }
    void writeSet(const char *key, const QString &value) {
        QVERIFY(WriteIni(settings(), QStringLiteral("set"), QString::fromLatin1(key), value));
    }

    template <typename W> static W *child(QWidget &w, const char *name) {
        auto *c = w.findChild<W *>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

    struct Answered {
        QString text;
        QMessageBox::Icon icon;
    };
    QList<Answered> messages;

private slots:
    void initTestCase() {
        pelvanto::setProgramFolderOverride(program.path());
        pelvanto::MessageBox::setResponder(
            [this](const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons) {
                messages.append({text, icon});
                return QMessageBox::Ok;
            });
    }
    void cleanupTestCase() {
        pelvanto::MessageBox::setResponder({});
        pelvanto::setProgramFolderOverride({});
    }
    void init() {
        QFile::remove(settings());
        messages.clear();
    }

    void controlsAndCaptions() {
        Form4 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Output Files"));
        QCOMPARE(child<QGroupBox>(form, "Frame1")->title(),
                 QStringLiteral("Save Recording Sound Files to"));
        QCOMPARE(child<QGroupBox>(form, "Frame2")->title(),
                 QStringLiteral("If same as an existed file"));
        QCOMPARE(child<QLabel>(form, "SkinLabel1")->text(), QStringLiteral("Output Folder"));
        QCOMPARE(child<QLabel>(form, "SkinLabel2")->text(), QStringLiteral("File Name"));
        QCOMPARE(child<QLabel>(form, "SkinLabel3")->text(), QStringLiteral("+"));
        QCOMPARE(child<QCheckBox>(form, "Check1")->text(), QStringLiteral("Date + Time"));
        QCOMPARE(child<QRadioButton>(form, "Option1")->text(),
                 QStringLiteral("Add number after filename"));
        QCOMPARE(child<QRadioButton>(form, "Option2")->text(),
                 QStringLiteral("Overwrite the existed file"));
        QCOMPARE(child<QPushButton>(form, "Command1")->text(), QStringLiteral("OK"));
        QCOMPARE(child<QPushButton>(form, "Command2")->text(), QStringLiteral("Cancel"));
        QCOMPARE(child<QPushButton>(form, "Command3")->text(), QStringLiteral("Reload"));
        QCOMPARE(child<QPushButton>(form, "Command4")->text(), QStringLiteral("Browse..."));
    }

    void defaultsWithoutSetSection() {
        WriteIni(settings(), QStringLiteral("mp3"), QStringLiteral("MP3Bitrate"),
                 QStringLiteral("128"));
        Form4 form;
        QCOMPARE(child<QLineEdit>(form, "Text2")->text(), program.path());
        QCOMPARE(child<QLineEdit>(form, "Text1")->text(), QStringLiteral("Recorded"));
        QVERIFY(child<QCheckBox>(form, "Check1")->isChecked());
        QVERIFY(child<QRadioButton>(form, "Option1")->isChecked());
        QVERIFY(!child<QRadioButton>(form, "Option2")->isChecked());
    }

    void loadShowsStoredValues() {
        writeSet("outputfolder", QStringLiteral("/home/ana/My Recordings"));
        writeSet("filename", QStringLiteral("take"));
        writeSet("datetime", QStringLiteral("0"));
        writeSet("existedfile", QStringLiteral("1"));
        {
            Form4 form;
            QCOMPARE(child<QLineEdit>(form, "Text2")->text(),
                     QStringLiteral("/home/ana/My Recordings"));
            QCOMPARE(child<QLineEdit>(form, "Text1")->text(), QStringLiteral("take"));
            QVERIFY(!child<QCheckBox>(form, "Check1")->isChecked());
            QVERIFY(child<QRadioButton>(form, "Option2")->isChecked());
        }
        // "0" stands for the program folder and for "no prefix"; words are not numbers.
        writeSet("outputfolder", QStringLiteral("0"));
        writeSet("filename", QStringLiteral("0"));
        writeSet("datetime", QStringLiteral("on"));
        writeSet("existedfile", QStringLiteral("yes"));
        Form4 form;
        QCOMPARE(child<QLineEdit>(form, "Text2")->text(), program.path());
        QCOMPARE(child<QLineEdit>(form, "Text1")->text(), QStringLiteral("Recorded"));
        QVERIFY(child<QCheckBox>(form, "Check1")->isChecked());
        QVERIFY(child<QRadioButton>(form, "Option1")->isChecked());
    }

    void okWritesTheFourKeysTrimmed() {
        Form4 form;
        child<QLineEdit>(form, "Text2")->setText(QStringLiteral("  /data/rec  "));
        child<QLineEdit>(form, "Text1")->setText(QStringLiteral("  my take "));
        child<QCheckBox>(form, "Check1")->setChecked(false);
        child<QRadioButton>(form, "Option2")->setChecked(true);
        form.show();
        QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(!form.isVisible());
        QVERIFY(messages.isEmpty());
        QCOMPARE(readSet("outputfolder"), QStringLiteral("/data/rec"));
        QCOMPARE(readSet("filename"), QStringLiteral("my take"));
        QCOMPARE(readSet("datetime"), QStringLiteral("0"));
        QCOMPARE(readSet("existedfile"), QStringLiteral("1"));
        QCOMPARE(testsupport::readFile(settings()),
                 QByteArray("[set]\r\noutputfolder=/data/rec\r\nfilename=my take\r\n"
                            "datetime=0\r\nexistedfile=1\r\n"));
    }

    void blankFolderStoredEmpty() {
        Form4 form;
        child<QLineEdit>(form, "Text2")->setText(QStringLiteral("   "));
        child<QRadioButton>(form, "Option1")->setChecked(true);
        form.saveAndClose();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(readSet("outputfolder"), QString());
        QVERIFY(testsupport::readFile(settings()).contains("outputfolder=\r\n"));
        QCOMPARE(readSet("filename"), QStringLiteral("Recorded"));
        QCOMPARE(readSet("datetime"), QStringLiteral("1"));
        QCOMPARE(readSet("existedfile"), QStringLiteral("0"));
    }

    void blankNameIsRefused() {
        writeSet("filename", QStringLiteral("keep"));
        Form4 form;
        form.show();
        child<QLineEdit>(form, "Text1")->setText(QStringLiteral("    "));
        child<QLineEdit>(form, "Text2")->setText(QStringLiteral("/elsewhere"));
        QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages[0].text, QStringLiteral("Please enter audio file name."));
        QCOMPARE(messages[0].icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
        QCOMPARE(readSet("filename"), QStringLiteral("keep"));
        QCOMPARE(readSet("outputfolder"), QString());
    }

    // A folder or name that settings.dat cannot hold whole (too long to read back, or split by
    // a line break) is refused with a message; nothing is written. The longest storable folder
    // reads back whole.
    void unstorableValuesAreRefused_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says");
        const QString deep = QStringLiteral("/srv/") + QString(123, QLatin1Char('d'));
        QTest::newRow("folder of 128") << deep << "take"
                                       << "128 characters";
        QTest::newRow("folder of 300")
            << QStringLiteral("/srv/") + QString(295, QLatin1Char('e')) << "take"
            << "300 characters";
        QTest::newRow("folder with LF") << "/srv/a\nfilename=forged"
                                        << "take"
                                        << "line break";
        QTest::newRow("folder with CR") << "/srv/a\rb"
                                        << "take"
                                        << "line break";
        QTest::newRow("name of 128")
            << "/srv" << QString(128, QLatin1Char('n')) << "128 characters";
        QTest::newRow("name with LF") << "/srv"
                                      << "a\nb"
                                      << "line break";
    }
    void unstorableValuesAreRefused() {
        QFETCH(QString, folder);
        QFETCH(QString, name);
        QFETCH(QString, says);
        writeSet("outputfolder", QStringLiteral("/kept"));
        writeSet("filename", QStringLiteral("kept"));
        const QByteArray before = testsupport::readFile(settings());
        Form4 form;
        form.show();
        child<QLineEdit>(form, "Text2")->setText(folder);
        child<QLineEdit>(form, "Text1")->setText(name);
        QTest::mouseClick(child<QPushButton>(form, "Command1"), Qt::LeftButton);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].text.contains(says), qPrintable(messages[0].text));
        QCOMPARE(messages[0].icon, QMessageBox::Critical);
        QVERIFY(form.isVisible());
        QCOMPARE(testsupport::readFile(settings()), before);
    }

    void longestStorableFolderReadsBackWhole() {
        const QString folder = QStringLiteral("/srv/") + QString(122, QLatin1Char('f'));
        QCOMPARE(folder.size(), 127);
        Form4 form;
        child<QLineEdit>(form, "Text2")->setText(folder);
        form.saveAndClose();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(messages.isEmpty());
        QCOMPARE(readSet("outputfolder"), folder);
    }

    void cancelAndReloadStoreNothing() {
        Form4 form;
        form.show();
        child<QLineEdit>(form, "Text1")->setText(QStringLiteral("changed"));
        QTest::mouseClick(child<QPushButton>(form, "Command3"), Qt::LeftButton);
        QVERIFY(form.isVisible());
        QCOMPARE(child<QLineEdit>(form, "Text1")->text(), QStringLiteral("changed"));
        QTest::mouseClick(child<QPushButton>(form, "Command2"), Qt::LeftButton);
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(!form.isVisible());
        QVERIFY(!QFile::exists(settings()));
    }

    void browseFillsFolderAndCancelKeepsIt() {
        QString answer = QStringLiteral("/media/usb/recordings");
        QStringList titles, starts;
        Form4 form(nullptr, [&](QWidget *parent, const QString &title, const QString &start) {
            titles << title;
            starts << start;
            [&] { QVERIFY(parent != nullptr); }();
            return answer;
        });
        QTest::mouseClick(child<QPushButton>(form, "Command4"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(form, "Text2")->text(), QStringLiteral("/media/usb/recordings"));
        QCOMPARE(titles, QStringList{QStringLiteral("Pelvanto")});
        // The picker opens at the folder shown when it exists.
        QCOMPARE(starts[0], program.path());

        answer.clear(); // the user cancels
        QTest::mouseClick(child<QPushButton>(form, "Command4"), Qt::LeftButton);
        QCOMPARE(child<QLineEdit>(form, "Text2")->text(), QStringLiteral("/media/usb/recordings"));
        QCOMPARE(titles.size(), 2);
        form.saveAndClose();
        QCOMPARE(readSet("outputfolder"), QStringLiteral("/media/usb/recordings"));
    }
};

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
