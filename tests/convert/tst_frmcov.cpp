// What only the converter window does: its controls at load, the message for a bad input, the
// file chooser, the option windows configuring its own writer, and a run that keeps the window
// answering and stops at Cancel.
#include "ConvertTestSupport.h"
#include "Form1.h"
#include "Inifun.h"
#include "frmcov.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

using namespace pelvanto;

namespace {

template <typename T> T *child(QWidget *parent, const char *name) {
    T *w = parent->findChild<T *>(QLatin1String(name));
    if (w == nullptr)
        qFatal("no control %s", name);
    return w;
}

QStringList logMessages(QWidget *window) {
    auto *view = child<QTreeWidget>(window, "viewEvent");
    QStringList list;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        list << view->topLevelItem(i)->text(2);
    return list;
}

// Clicks OK of the option window that opens next, after `change` has worked on it.
void answerOptionWindow(const char *name, const char *okButton,
                        const std::function<void(QWidget *)> &change) {
    QTimer::singleShot(0, [=] {
        QWidget *w = QApplication::activeModalWidget();
        QVERIFY(w != nullptr);
        QCOMPARE(w->objectName(), QLatin1String(name));
        change(w);
        QTest::mouseClick(child<QPushButton>(w, okButton), Qt::LeftButton);
    });
}

} // namespace

class TestFrmcov : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        REQUIRE_TOOL("ffmpeg");
        QVERIFY(m_dir.isValid());
        setProgramFolderOverride(m_dir.path());
        MessageBox::setResponder(
            [this](const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons) {
                m_messages << text;
                m_icons << icon;
                return QMessageBox::Ok;
            });
    }

    void opensWithItsWritersFormats() {
        frmcov window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Audio Converter"));
        QCOMPARE(child<QPushButton>(&window, "cmdConvert")->text(), QStringLiteral("Convert Now!"));
        // The profile shown is the one described and the one a run uses.
        QCOMPARE(child<QLineEdit>(&window, "txtWMAProfile")->text(), QStringLiteral("39"));
        QVERIFY(child<QLineEdit>(&window, "txtWMAFormatString")->text().contains("profile 39"));
        QVERIFY(child<QLineEdit>(&window, "txtMP3FormatString")->text().contains("128 kbit/s"));
        QVERIFY(child<QLineEdit>(&window, "txtOGGFormatString")->text().contains("128 kbit/s"));
        auto *header = child<QTreeWidget>(&window, "viewEvent")->headerItem();
        QCOMPARE(QStringList({header->text(0), header->text(1), header->text(2)}),
                 QStringList({"Res", "Time", "Operation"}));
        QVERIFY(logMessages(&window).isEmpty());
    }

    void refusesAMissingInputOrANameWithoutDot() {
        QVERIFY(testsupport::writeFile(m_dir.filePath("nodot"), "x"));
        for (const QString &typed : {m_dir.filePath("missing.wav"), m_dir.filePath("nodot")}) {
            frmcov window;
            child<QLineEdit>(&window, "txtInputFile")->setText(typed);
            child<QCheckBox>(&window, "chMP3")->setChecked(true);
            m_messages.clear();
            QTest::mouseClick(child<QPushButton>(&window, "cmdConvert"), Qt::LeftButton);
            QCOMPARE(m_messages, QStringList{"Invalid input file name: " + typed});
            QCOMPARE(m_icons.last(), QMessageBox::Critical);
            QVERIFY(!window.converting());
            QVERIFY(logMessages(&window).isEmpty());
        }
    }

    void chooserFillsTheInput() {
        QString title;
        QString filter;
        QString answer = "/music/a.wav";
        frmcov window(nullptr, [&](QWidget *, const QString &t, const QString &f) {
            title = t;
            filter = f;
            return answer;
        });
        auto *input = child<QLineEdit>(&window, "txtInputFile");
        QTest::mouseClick(child<QPushButton>(&window, "cmdOpenFile"), Qt::LeftButton);
        QCOMPARE(input->text(), answer);
        QCOMPARE(title, QStringLiteral("Open an Audio file"));
        QCOMPARE(filter, QStringLiteral("Wav files (*.wav);;MP3 files (*.mp3);;Ogg Vorbis files "
                                        "(*.ogg);;WMA files (*.wma)"));
        answer.clear(); // cancelled
        QTest::mouseClick(child<QPushButton>(&window, "cmdOpenFile"), Qt::LeftButton);
        QCOMPARE(input->text(), QStringLiteral("/music/a.wav"));
    }

    void optionWindowsConfigureTheConvertersWriter() {
        frmcov window;
        answerOptionWindow("frmMP3", "Command1", [](QWidget *w) {
            child<QSlider>(w, "Slider1")->setValue(14); // 320 kbit/s
        });
        window.openMp3Options();
        QCOMPARE(window.outputFile().Mp3BitrateKbps(), 320);
        QVERIFY(child<QLineEdit>(&window, "txtMP3FormatString")->text().contains("320 kbit/s"));

        answerOptionWindow("frmOgg", "cmdOk",
                           [](QWidget *w) { child<QCheckBox>(w, "chQuality")->setChecked(true); });
        window.openOggOptions();
        QVERIFY(child<QLineEdit>(&window, "txtOGGFormatString")->text().contains("quality"));

        auto *profile = child<QLineEdit>(&window, "txtWMAProfile");
        profile->setText("40");
        QVERIFY(child<QLineEdit>(&window, "txtWMAFormatString")->text().contains("profile 40"));
        QCOMPARE(logMessages(&window),
                 QStringList({"Set MP3 Format parameters ", "Set Ogg Vorbis Format parameters ",
                              "Set WMA Format parameters "}));
    }

    void answersWhileConvertingAndCancels() {
        const QString folder = m_dir.filePath("run");
        QVERIFY(QDir().mkpath(folder));
        const QString input = folder + "/long.wav";
        QVERIFY(converttest::makeTone(input, 44100, 2, {}, 60.0));
        frmcov window;
        window.show();
        child<QLineEdit>(&window, "txtInputFile")->setText(input);
        for (const char *box : {"chWMA", "chMP3", "chOGG"})
            child<QCheckBox>(&window, box)->setChecked(true);
        auto *convert = child<QPushButton>(&window, "cmdConvert");
        auto *progress = child<QProgressBar>(&window, "ProgressConvert");
        QSignalSpy finished(&window, &frmcov::conversionFinished);

        QTest::mouseClick(convert, Qt::LeftButton);
        QCOMPARE(convert->text(), QStringLiteral("Cancel"));
        QVERIFY(!child<QCheckBox>(&window, "chMP3")->isEnabled());
        // The bar moves while this thread keeps running the window's events.
        QTRY_VERIFY_WITH_TIMEOUT(progress->value() >= 5, 60000);
        QVERIFY(window.converting());
        QTest::mouseClick(convert, Qt::LeftButton);
        QCOMPARE(convert->text(), QStringLiteral("Convert"));
        QCOMPARE(progress->value(), 0);
        QVERIFY(finished.wait(30000));
        QCOMPARE(convert->text(), QStringLiteral("Convert Now"));
        QVERIFY(child<QCheckBox>(&window, "chMP3")->isEnabled());

        QCOMPARE(logMessages(&window),
                 QStringList({"Start Convert To WMA",
                              "Convert To WMA cancelled; the partial output stays: " + folder +
                                  "/long_39.wma",
                              "Tasks is completed"}));
        auto *view = child<QTreeWidget>(&window, "viewEvent");
        const QRegularExpression clock("^\\d\\d:\\d\\d:\\d\\d$");
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = view->topLevelItem(i);
            QVERIFY(item->text(0).isEmpty());
            QVERIFY(!item->icon(0).isNull());
            QVERIFY2(clock.match(item->text(1)).hasMatch(), qPrintable(item->text(1)));
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
                 QStringList({"long.wav", "long_39.wma"}));
    }

    void mainWindowOpensItModally() {
        Form1 main(nullptr);
        QStringList opened;
        const auto closeConverter = [&] {
            QTimer::singleShot(0, [&] {
                QWidget *w = QApplication::activeModalWidget();
                QVERIFY(w != nullptr);
                opened << w->objectName();
                w->close();
            });
        };
        auto *button = child<QPushButton>(&main, "Command14");
        QVERIFY(button->isEnabled());
        closeConverter();
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(main.menus().audioConverter->isEnabled());
        closeConverter();
        main.menus().audioConverter->trigger();
        QCOMPARE(opened, QStringList({"frmcov", "frmcov"}));
    }

    void closingWhileConvertingStopsTheRun() {
        const QString folder = m_dir.filePath("close");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(converttest::makeTone(folder + "/long.wav", 44100, 2, {}, 60.0));
        frmcov window;
        window.show();
        child<QLineEdit>(&window, "txtInputFile")->setText(folder + "/long.wav");
        child<QCheckBox>(&window, "chOGG")->setChecked(true);
        child<QCheckBox>(&window, "chMP3")->setChecked(true);
        QTest::mouseClick(child<QPushButton>(&window, "cmdConvert"), Qt::LeftButton);
        QTRY_VERIFY(child<QProgressBar>(&window, "ProgressConvert")->value() >= 1);
        window.close();
        QVERIFY(!window.converting());
        QVERIFY(!window.isVisible());
        QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name),
                 QStringList({"long.wav", "long_128kbps.mp3"}));
    }

    void cleanupTestCase() {
        MessageBox::setResponder({});
        setProgramFolderOverride(QString());
    }

private:
    QTemporaryDir m_dir;
    QStringList m_messages;
    QList<QMessageBox::Icon> m_icons;
};

QTEST_MAIN(TestFrmcov)
#include "tst_frmcov.moc"
