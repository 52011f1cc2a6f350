// Recording through the main window against the test sound server: names,
// list rows and what independent decoders find in the files.
#include "Form1TestUtil.h"
#include "RecordingText.h"
#include "platform/LocaleDateTime.h"

#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QStatusBar>

using namespace pelvanto;
using namespace form1test;

class TestForm1Recording : public QObject {
    Q_OBJECT
private slots:
    void init() { REQUIRE_PULSE(); }

    void startUpFillsTheLists() {
        Environment env;
        env.set("set", "outputformat", QStringLiteral("3"));
        Form1 form;
        QCOMPARE(form.windowTitle(), QStringLiteral("Pelvanto v3.10 "));
        auto *encoders = child<QComboBox>(&form, "cboEncoders");
        QStringList names;
        for (int i = 0; i < encoders->count(); ++i)
            names << encoders->itemText(i);
        QCOMPARE(names, (QStringList{"WAV", "MP3", "VOX", "Raw", "G726", "OGG"}));
        QCOMPARE(encoders->currentText(), QStringLiteral("Raw"));
        QVERIFY(child<QComboBox>(&form, "DeviceCombo")->count() >= 1);
        QVERIFY(child<QComboBox>(&form, "cmbSrcInput")->count() >= 1);
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        QCOMPARE(child<QLabel>(&form, "Label1")->text(), QStringLiteral("0:00.000"));
    }

    void eachFormat_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("ext");
        QTest::addColumn<QStringList>("decodeArgs");
        QTest::newRow("WAV") << 0 << "WAV" << QStringList{};
        QTest::newRow("MP3") << 1 << "MP3" << QStringList{};
        QTest::newRow("VOX") << 2 << "VOX" << QStringList{"sox"};
        QTest::newRow("Raw") << 3 << "Raw"
                             << QStringList{"-f", "s16le", "-ar", "16000", "-ac", "1"};
        QTest::newRow("G726") << 4 << "G726" << QStringList{};
        QTest::newRow("OGG") << 5 << "OGG" << QStringList{};
    }
    void eachFormat() {
        QFETCH(int, index);
        QFETCH(QString, ext);
        QFETCH(QStringList, decodeArgs);
        REQUIRE_TOOL("ffmpeg");
        Environment env;
        env.plainNames();
        env.formats();
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        child<QComboBox>(&form, "cboEncoders")->setCurrentIndex(index);
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);

        QVERIFY(recordMs(form, 2000));

        const QString path = env.path(QStringLiteral("rec/rec.") + ext);
        QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        QCOMPARE(form.recordedFiles().model().count(), 1);
        const QStringList r = row(form, 0);
        QCOMPARE(r[0], QStringLiteral("1"));
        QCOMPARE(r[1], path);
        QCOMPARE(r[2], sizeText(QFileInfo(path).size(), QLocale()));
        QVERIFY(r[2].endsWith(QLatin1String("MB")));
        const qint64 labelMs = elapsedMs(r[3]);
        QVERIFY2(labelMs >= 2000 && labelMs < 3000, qPrintable(r[3]));
        const QDateTime recorded =
            QLocale().toDateTime(r[4], QLocale().dateFormat(QLocale::ShortFormat) +
                                           QLatin1Char(' ') + timeFormatWithSeconds());
        QVERIFY2(recorded.isValid() && recorded >= before.addSecs(-60), qPrintable(r[4]));
        QCOMPARE(child<QLabel>(&form, "Panel1")->text(), path);
        QCOMPARE(child<QLabel>(&form, "Panel2")->text(), QStringLiteral("Done"));
        QVERIFY(child<QPushButton>(&form, "cmdrecord")->isEnabled());

        QVector<qint16> mono;
        if (decodeArgs == QStringList{"sox"}) {
            REQUIRE_TOOL("sox");
            const QString wav = env.path(QStringLiteral("vox.wav"));
            const auto res =
                testsupport::runTool(QStringLiteral("sox"), {"-t", "vox", "-r", "8000", path, wav});
            QCOMPARE(res.exitCode, 0);
            mono = decode(wav);
        } else {
            mono = decode(path, decodeArgs);
        }
        // The recording holds the tone for as long as the window said it ran.
        const double seconds = mono.size() / 8000.0;
        QVERIFY2(std::abs(seconds * 1000 - static_cast<double>(labelMs)) < 400,
                 qPrintable(QStringLiteral("%1 s in the file, %2 shown").arg(seconds).arg(r[3])));
        QVERIFY(peak(mono) > 3000);
        QVERIFY2(std::abs(toneHz(mono, 8000) - 440.0) < 6.0,
                 qPrintable(QString::number(toneHz(mono, 8000))));
    }

    void naming() {
        Environment env;
        env.plainNames(QStringLiteral("rec"), false);
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        auto *encoders = child<QComboBox>(&form, "cboEncoders");
        const qint64 shortRun = 200;

        // Date and time in the name, read from the clock at the start.
        env.set("set", "datetime", QStringLiteral("1"));
        form.setClock([] { return QDateTime(QDate(2006, 12, 3), QTime(14, 7, 9)); });
        encoders->setCurrentIndex(1);
        QVERIFY(recordMs(form, shortRun));
        QCOMPARE(row(form, 0)[1], env.path(QStringLiteral("rec/rec120306140709.MP3")));
        // The same second again: the first recording is kept.
        QVERIFY(recordMs(form, shortRun));
        QCOMPARE(row(form, 1)[1], env.path(QStringLiteral("rec/rec120306140709_2.MP3")));
        QVERIFY(QFileInfo(row(form, 0)[1]).size() > 0);

        // No date: an existing plain name gets the list count plus one.
        env.set("set", "datetime", QStringLiteral("0"));
        encoders->setCurrentIndex(0);
        QFile existing(env.path(QStringLiteral("rec/rec.WAV")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.write("keep me");
        existing.close();
        QVERIFY(recordMs(form, shortRun));
        QCOMPARE(row(form, 2)[1], env.path(QStringLiteral("rec/rec_3.WAV")));
        QVERIFY(existing.open(QIODevice::ReadOnly));
        QCOMPARE(existing.readAll(), QByteArray("keep me"));
        existing.close();

        // Overwriting chosen: the plain name is replaced.
        env.set("set", "existedfile", QStringLiteral("1"));
        QVERIFY(recordMs(form, shortRun));
        QCOMPARE(row(form, 3)[1], env.path(QStringLiteral("rec/rec.WAV")));
        QVERIFY(QFileInfo(existing.fileName()).size() > 1000);

        // The extension keeps the list's letter case; an empty prefix names the file "Recorded".
        env.set("set", "filename", QString());
        encoders->setCurrentIndex(4);
        QVERIFY(recordMs(form, shortRun));
        QCOMPARE(row(form, 4)[1], env.path(QStringLiteral("rec/Recorded.G726")));

        // No folder stored: the program folder.
        env.set("set", "outputfolder", QStringLiteral("0"));
        env.set("set", "filename", QStringLiteral("take"));
        encoders->setCurrentIndex(3);
        QVERIFY(recordMs(form, shortRun));
        QCOMPARE(row(form, 5)[1], env.path(QStringLiteral("take.Raw")));
        QCOMPARE(row(form, 5)[0], QStringLiteral("6"));
    }

    void startWhileRecordingSplits() {
        Environment env;
        env.plainNames(QStringLiteral("part"), false);
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        qint64 seen = 0;
        connect(form.audioRecord(), &AudioRecord::Timer, &form,
                [&seen](qint64 s, int, int) { seen = s; });
        form.StartRecord();
        QVERIFY(form.isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(seen >= 22050, 20000);
        form.StartRecord(); // Ctrl+R, the tray or the schedule while recording
        QVERIFY(form.isRecording());
        QCOMPARE(form.recordedFiles().model().count(), 1);
        QCOMPARE(row(form, 0)[1], env.path(QStringLiteral("rec/part.WAV")));
        seen = 0;
        QTRY_VERIFY_WITH_TIMEOUT(seen >= 22050, 20000);
        form.StopRecord();
        QCOMPARE(form.recordedFiles().model().count(), 2);
        QCOMPARE(row(form, 1)[1], env.path(QStringLiteral("rec/part_2.WAV")));
        // Stopping again, as the menu can, lists nothing.
        form.menus().stop->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 2);
        QVERIFY(env.messages.isEmpty());
    }

    void uncreatableFileLeavesWindowIdle() {
        Environment env;
        env.set("set", "outputfolder", env.path(QStringLiteral("missing/folder")));
        env.set("set", "filename", QStringLiteral("x"));
        Form1 form;
        form.StartRecord();
        QVERIFY(!form.isRecording());
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QVERIFY(child<QPushButton>(&form, "cmdrecord")->isEnabled());
        // The user is told why.
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].text.contains(QLatin1String("does not exist")));
    }

    void stopButtonClearsDisplays() {
        Environment env;
        env.plainNames();
        Form1 form;
        form.show();
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        qint64 seen = 0;
        connect(form.audioRecord(), &AudioRecord::Timer, &form,
                [&seen](qint64 s, int, int) { seen = s; });
        form.StartRecord();
        QVERIFY(!child<QPushButton>(&form, "Command1")->isEnabled());
        QVERIFY(!child<QPushButton>(&form, "cmdPlay")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(seen >= 8820, 20000);
        auto *display = child<AudioDisplay>(&form, "AudioDisplay1");
        QTRY_VERIFY_WITH_TIMEOUT(!display->Samples().isEmpty(), 5000);
        QTest::mouseClick(child<QPushButton>(&form, "Command3"), Qt::LeftButton);
        QVERIFY(!form.isRecording());
        QVERIFY(display->Samples().isEmpty());
        QCOMPARE(form.recordedFiles().model().count(), 1);
    }
};

QTEST_MAIN(TestForm1Recording)
#include "tst_form1_recording.moc"
