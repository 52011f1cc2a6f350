// Recording projects through the File menu, the exit routine, and the
// window's other entries.
#include "Form1TestUtil.h"
#include "RecordingProject.h"

#include <QFile>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>

#include <sys/stat.h>
#include <sys/sysmacros.h>

using namespace pelvanto;
using namespace form1test;

namespace {

RecordedItem item(int n, const QString &path) {
    return RecordedItem{QString::number(n), path, QStringLiteral("1,23MB"),
                        QStringLiteral("0:42.480"), QStringLiteral("12/3/06 2:07 PM")};
}

} // namespace

class TestForm1Project : public QObject {
    Q_OBJECT
private slots:
    void saveNewOpenRoundTrip() {
        Environment env;
        Form1 form;
        for (int i = 1; i <= 3; ++i)
            form.recordedFiles().append(item(i, QStringLiteral("/rec/take é %1.MP3").arg(i)));
        QString project = env.path(QStringLiteral("my project"));
        QString title;
        QString filter;
        UserDialogs::setSaveResponder([&](const QString &t, const QString &f) {
            title = t;
            filter = f;
            return project;
        });
        form.menus().saveProject->trigger();
        QCOMPARE(title, QStringLiteral("Save recording project file"));
        QVERIFY(filter.contains(QLatin1String("*.rpf")));
        // Exactly as chosen: no extension added. Tab-separated, CR LF.
        QByteArray expected;
        for (int i = 1; i <= 3; ++i)
            expected +=
                QStringLiteral("%1\t/rec/take é %1.MP3\t1,23MB\t0:42.480\t12/3/06 2:07 PM\r\n")
                    .arg(i)
                    .toUtf8();
        QCOMPARE(testsupport::readFile(project), expected);

        form.menus().newProject->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 0);
        QVERIFY(QFile::exists(project));

        UserDialogs::setOpenResponder([&](const QString &t, const QString &) {
            title = t;
            return QStringList{project};
        });
        form.menus().openProject->trigger();
        QCOMPARE(title, QStringLiteral("Select a recording project file"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(row(form, i), (QStringList{QString::number(i + 1),
                                                QStringLiteral("/rec/take é %1.MP3").arg(i + 1),
                                                "1,23MB", "0:42.480", "12/3/06 2:07 PM"}));
        // Opening again appends, numbers as stored.
        form.menus().openProject->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 6);
        QCOMPARE(row(form, 3)[0], QStringLiteral("1"));
        QCOMPARE(row(form, 5)[0], QStringLiteral("3"));

        // Cancelled dialogs change nothing.
        UserDialogs::setOpenResponder(
            [](const QString &, const QString &) { return QStringList{}; });
        UserDialogs::setSaveResponder([](const QString &, const QString &) { return QString(); });
        form.menus().openProject->trigger();
        form.menus().saveProject->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 6);
        QCOMPARE(testsupport::readFile(project), expected);
    }

    void emptyListSavesEmptyFile() {
        Environment env;
        Form1 form;
        QString project = env.path(QStringLiteral("empty.rpf"));
        QVERIFY(testsupport::writeFile(project, "old content\r\n"));
        UserDialogs::setSaveResponder([&](const QString &, const QString &) { return project; });
        env.answer = QMessageBox::Yes; // replace the old project
        form.menus().saveProject->trigger();
        QVERIFY(QFile::exists(project));
        QCOMPARE(testsupport::readFile(project), QByteArray());
    }

    // A save that would replace an existing file asks first; No goes back to the file
    // dialog and leaves the file as it was. A new name is not asked about.
    void saveAsksBeforeReplacing() {
        Environment env;
        Form1 form;
        form.recordedFiles().append(item(1, QStringLiteral("/x/a.OGG")));
        const QString take = env.path(QStringLiteral("take.WAV"));
        const QString fresh = env.path(QStringLiteral("fresh.rpf"));
        QVERIFY(testsupport::writeFile(take, "RIFF a recording"));
        QStringList answers{take, fresh};
        int dialogs = 0;
        UserDialogs::setSaveResponder([&](const QString &, const QString &) {
            ++dialogs;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        env.answer = QMessageBox::No;
        form.menus().saveProject->trigger();
        QCOMPARE(dialogs, 2);
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].text, take + " already exists.\nDo you want to replace it?");
        QCOMPARE(env.messages[0].icon, QMessageBox::Warning);
        QCOMPARE(testsupport::readFile(take), QByteArray("RIFF a recording"));
        QCOMPARE(testsupport::readFile(fresh),
                 QByteArray("1\t/x/a.OGG\t1,23MB\t0:42.480\t12/3/06 2:07 PM\r\n"));

        answers = QStringList{take};
        env.answer = QMessageBox::Yes;
        form.menus().saveProject->trigger();
        QCOMPARE(env.messages.size(), 2);
        QCOMPARE(testsupport::readFile(take), testsupport::readFile(fresh));
    }

    // A device or a pipe is never replaced by a project file.
    void saveRefusesNonRegularTargets_data() {
        QTest::addColumn<bool>("device");
        QTest::newRow("pipe") << false;
        QTest::newRow("character device") << true;
    }
    void saveRefusesNonRegularTargets() {
        QFETCH(bool, device);
        Environment env;
        Form1 form;
        form.recordedFiles().append(item(1, QStringLiteral("/x/a.OGG")));
        const QString target = env.path(QStringLiteral("special"));
        const QByteArray native = QFile::encodeName(target);
        if (!device)
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        else if (::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        struct stat before {};
        QCOMPARE(::lstat(native.constData(), &before), 0);
        QStringList answers{target};
        UserDialogs::setSaveResponder([&](const QString &, const QString &) {
            return answers.isEmpty() ? QString() : answers.takeFirst();
        });
        env.answer = QMessageBox::Yes;
        form.menus().saveProject->trigger();
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].text.contains(QLatin1String("not a regular file")),
                 qPrintable(env.messages[0].text));
        struct stat after {};
        QCOMPARE(::lstat(native.constData(), &after), 0);
        QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT);
        QCOMPARE(after.st_rdev, before.st_rdev);
    }

    void badLinesLoadWhatTheyCan() {
        Environment env;
        Form1 form;
        const QString good = env.path(QStringLiteral("a.rpf"));
        const QString bad = env.path(QStringLiteral("b.rpf"));
        QVERIFY(testsupport::writeFile(good, "7\t/x/one.WAV\t0MB\t0:01.000\tt1\textra\tmore\r\n"));
        QByteArray junk("1\t/x/two.WAV\t0,5MB\t0:02.000\tt2\r\n2\tonly a path\r\n");
        junk += QByteArray(5000, '\t');
        junk += "\n\n";
        junk += QByteArray("\xff\xfe\0garbage\r\n", 12);
        junk += "3\t/x/three.WAV\t1MB\t0:03.000\tt3";
        QVERIFY(testsupport::writeFile(bad, junk));
        UserDialogs::setOpenResponder([&](const QString &, const QString &) {
            return QStringList{good, env.path(QStringLiteral("missing.rpf")), bad, good};
        });
        form.menus().openProject->trigger();
        const auto &items = form.recordedFiles().model().items();
        QCOMPARE(row(form, 0), (QStringList{"7", "/x/one.WAV", "0MB", "0:01.000", "t1"}));
        QCOMPARE(row(form, 1), (QStringList{"1", "/x/two.WAV", "0,5MB", "0:02.000", "t2"}));
        // The short line keeps the fields it has.
        QCOMPARE(row(form, 2)[0], QStringLiteral("2"));
        QCOMPARE(row(form, 2)[1], QStringLiteral("only a path"));
        QCOMPARE(row(form, 2)[2], QString());
        // A short line ends that project; the next chosen file still loads.
        QCOMPARE(items.size(), 4);
        QCOMPARE(row(form, 3), row(form, 0));
        // Playing a row whose path names nothing does nothing.
        form.recordedFiles().select(2);
        form.playSelected();
        QVERIFY(form.playback()->isStopped());
    }

    void exitOffersToSaveAndStoresFormat() {
        REQUIRE_PULSE();
        Environment env;
        QString project = env.path(QStringLiteral("at-exit.rpf"));
        {
            Form1 form;
            auto *encoders = child<QComboBox>(&form, "cboEncoders");
            QVERIFY2(encoders->count() > 0, "no recording device: the format list stays empty");
            encoders->setCurrentIndex(5);
            form.recordedFiles().append(item(1, QStringLiteral("/x/a.OGG")));
            UserDialogs::setSaveResponder(
                [&](const QString &, const QString &) { return project; });
            bool exitedSignal = false;
            connect(&form, &Form1::exited, &form, [&] { exitedSignal = true; });
            form.close(); // the window's close goes through exitsystem
            QVERIFY(exitedSignal);
            QVERIFY(form.hasExited());
            QCOMPARE(env.messages.size(), 1);
            QCOMPARE(env.messages[0].text,
                     QStringLiteral("Do you need to save the recording project file?"));
            QCOMPARE(env.messages[0].icon, QMessageBox::Question);
            QCOMPARE(testsupport::readFile(project),
                     QByteArray("1\t/x/a.OGG\t1,23MB\t0:42.480\t12/3/06 2:07 PM\r\n"));
            QVERIFY(form.audioRecord() == nullptr);
            // Once only; and the window's buttons do nothing after it.
            form.exitsystem();
            form.StartRecord();
            form.playSelected();
            QCOMPARE(env.messages.size(), 1);
        }
        QCOMPARE(Inifun::ReadIni(Inifun::settingsFile(), QStringLiteral("set"),
                                 QStringLiteral("outputformat")),
                 QStringLiteral("5"));
        // The next start selects it again; an empty list asks nothing at exit.
        Form1 again;
        QCOMPARE(child<QComboBox>(&again, "cboEncoders")->currentText(), QStringLiteral("OGG"));
        env.answer = QMessageBox::Cancel;
        again.menus().exit->trigger();
        QCOMPARE(env.messages.size(), 1);
    }

    void exitWhileRecordingListsFirst() {
        REQUIRE_PULSE();
        Environment env;
        env.plainNames();
        Form1 form;
        QVERIFY(chooseDevice(form, QStringLiteral("sine_mic")));
        int listedAtPrompt = -1;
        env.answer = QMessageBox::Cancel;
        env.onMessage = [&](const Message &) {
            listedAtPrompt = form.recordedFiles().model().count();
        };
        qint64 seen = 0;
        connect(form.audioRecord(), &AudioRecord::Timer, &form,
                [&seen](qint64 s, int, int) { seen = s; });
        form.StartRecord();
        QTRY_VERIFY_WITH_TIMEOUT(seen >= 22050, 20000);
        QTest::mouseClick(child<QPushButton>(&form, "Command12"), Qt::LeftButton);
        QCOMPARE(listedAtPrompt, 1);
        QVERIFY(!form.isRecording());
        QVERIFY(QFile::exists(env.path(QStringLiteral("rec/rec.WAV"))));
    }

    void menusInOrder() {
        Environment env;
        Form1 form;
        QStringList titles;
        for (QAction *a : form.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles,
                 (QStringList{"File(&F)", "Edit(&E)", "Action(&A)", "Option(&O)", "Help(&H)"}));
        auto entries = [](QMenu *m) {
            QStringList out;
            for (QAction *a : m->actions())
                out << (a->isSeparator() ? QStringLiteral("-") : a->text());
            return out;
        };
        QCOMPARE(entries(form.menus().file),
                 (QStringList{"New Recording Project", "Open Recording Project",
                              "Save Recording Project", "-", "Exit"}));
        QCOMPARE(entries(form.menus().action),
                 (QStringList{"Record", "Stop", "-", "Play Audio", "Pause Play", "Stop Play",
                              "Audio Player", "Audio Converter", "Edit ID3"}));
        QCOMPARE(entries(form.menus().option),
                 (QStringList{"Output File", "Format Settings", "Schedule", "Record Control"}));
        QCOMPARE(entries(form.menus().help).first(), QStringLiteral("Help"));
        QCOMPARE(entries(form.menus().help).last(), QStringLiteral("About"));
        QVERIFY(form.menus().audioPlayer->isEnabled());
        QVERIFY(child<QPushButton>(&form, "Command4")->isEnabled());
        QVERIFY(form.menus().outputFile->isEnabled());
    }

    void aboutAndOutputFileWindows() {
        Environment env;
        Form1 form;
        // The About window: its Exit button closes it.
        QTimer::singleShot(0, &form, [] {
            QWidget *about = QApplication::activeModalWidget();
            QVERIFY(about != nullptr);
            QCOMPARE(about->objectName(), QStringLiteral("Form3"));
            QTest::mouseClick(child<QPushButton>(about, "Command1"), Qt::LeftButton);
        });
        form.menus().about->trigger();
        // The output file window: an empty name is refused, then OK stores the keys.
        env.set("set", "filename", QStringLiteral("0"));
        QTimer::singleShot(0, &form, [&env] {
            QWidget *w = QApplication::activeModalWidget();
            QVERIFY(w != nullptr);
            QCOMPARE(w->objectName(), QStringLiteral("Form4"));
            auto *name = child<QLineEdit>(w, "Text1");
            QCOMPARE(name->text(), QStringLiteral("Recorded"));
            name->setText(QStringLiteral("   "));
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
            QCOMPARE(env.messages.last().text, QStringLiteral("Please enter audio file name."));
            name->setText(QStringLiteral(" take "));
            QTest::mouseClick(child<QPushButton>(w, "Command1"), Qt::LeftButton);
        });
        QTest::mouseClick(child<QPushButton>(&form, "Command5"), Qt::LeftButton);
        QCOMPARE(Inifun::ReadIni(Inifun::settingsFile(), QStringLiteral("set"),
                                 QStringLiteral("filename")),
                 QStringLiteral("take"));
    }
};

QTEST_MAIN(TestForm1Project)
#include "tst_form1_project.moc"
