// Playing listed files inside the main window, heard back from the null
// sink's monitor; pause, resume and seek positions; the list operations.
#include "Form1TestUtil.h"
#include "PlaybackController.h"
#include "audiofile/AudioFile.h"

#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QSlider>

using namespace pelvanto;
using namespace form1test;

namespace {

constexpr int kRate = 44100;

// A stereo WAV tone written by the audio-file component.
QString makeTone(const Environment &env, const QString &name, double seconds, double hz) {
    QString path = env.path(name);
    AudioFile file;
    file.SetPcmFormat(kRate, 2, 16);
    if (file.CreateWrite(path, 0) < 0)
        return {};
    file.WriteBlock(testsupport::sineTone(kRate, 2, static_cast<int>(seconds * kRate), hz, 0.5));
    file.CloseFile();
    return path;
}

RecordedItem item(const QString &number, const QString &path) {
    return RecordedItem{number, path, QStringLiteral("0.1MB"), QStringLiteral("0:01.000"),
                        QStringLiteral("1/1/20 1:00 PM")};
}

// Captures what the default output (rec_sink) plays.
struct Listener {
    AudioRecord rec;
    QVector<qint16> all;
    Listener() {
        const int n = rec.DeviceCount();
        for (int i = 0; i < n; ++i) {
            rec.SetCurrentDevice(i);
            if (rec.DeviceId() == QLatin1String("rec_sink.monitor"))
                break;
        }
        rec.SetFormat(kRate, 1);
        rec.SetBlockSize(4410);
        QObject::connect(&rec, &AudioRecord::EndArrayRecord, &rec,
                         [this](int) { all += rec.GetRecordedBlock(); });
    }
};

} // namespace

class TestForm1Playback : public QObject {
    Q_OBJECT
private slots:
    void playIsHeardAndEnds() {
        REQUIRE_PULSE();
        Environment env;
        Form1 form;
        form.show();
        const QString path = makeTone(env, QStringLiteral("tone.wav"), 1.5, 1000.0);
        QVERIFY(!path.isEmpty());
        form.recordedFiles().append(item(QStringLiteral("1"), path));
        form.recordedFiles().select(0);

        Listener ear;
        QVERIFY(ear.rec.RecordStart() > 0);
        QTest::mouseClick(child<QPushButton>(&form, "cmdPlay"), Qt::LeftButton);
        QVERIFY(form.playback()->isPlaying());
        QCOMPARE(child<QLabel>(&form, "Panel1")->text(), path);
        QVERIFY(!child<QLabel>(&form, "Panel2")->text().isEmpty());
        auto *slider = child<QSlider>(&form, "slPosition");
        int highest = 0;
        connect(slider, &QSlider::valueChanged, &form,
                [&highest](int v) { highest = std::max(highest, v); });
        // The end of the file stops playback by itself.
        QTRY_VERIFY_WITH_TIMEOUT(form.playback()->isStopped(), 15000);
        QVERIFY(highest > 500 && highest <= 1000);
        QCOMPARE(slider->value(), 0);
        QVERIFY(elapsedMs(child<QLabel>(&form, "Label1")->text()) >= 1000);
        QTest::qWait(300);
        ear.rec.RecordStop();
        QCoreApplication::processEvents();
        // The tone came out of the sound server.
        QVERIFY(peak(ear.all) > 8000);
        QVERIFY2(std::abs(toneHz(ear.all, kRate) - 1000.0) < 10.0,
                 qPrintable(QString::number(toneHz(ear.all, kRate))));
    }

    void pauseResumeAndSeek() {
        REQUIRE_PULSE();
        Environment env;
        Form1 form;
        const QString path = makeTone(env, QStringLiteral("long.wav"), 6.0, 440.0);
        form.recordedFiles().append(item(QStringLiteral("1"), path));
        form.recordedFiles().select(0);
        auto *label = child<QLabel>(&form, "Label1");
        auto *slider = child<QSlider>(&form, "slPosition");
        PlaybackController *pb = form.playback();

        form.menus().playAudio->trigger();
        QVERIFY(pb->isPlaying());
        QCOMPARE(pb->length(), qint64(6) * kRate);
        QTRY_VERIFY_WITH_TIMEOUT(elapsedMs(label->text()) >= 700, 10000);

        // Pause: the position is what was heard, not what was read ahead.
        form.menus().pausePlay->trigger();
        QVERIFY(pb->isPaused());
        const qint64 pausedAt = pb->offset();
        QVERIFY2(pausedAt >= kRate * 7 / 10 && pausedAt < kRate * 2,
                 qPrintable(QString::number(pausedAt)));
        QTest::qWait(400);
        QCOMPARE(pb->offset(), pausedAt);

        qint64 firstAfterResume = -1;
        auto watch = connect(pb, &PlaybackController::progress, &form,
                             [&firstAfterResume](const QString &e, int) {
                                 if (firstAfterResume < 0)
                                     firstAfterResume = elapsedMs(e);
                             });
        QTest::mouseClick(child<QPushButton>(&form, "cmdPause"), Qt::LeftButton);
        QVERIFY(!pb->isPaused());
        QTRY_VERIFY_WITH_TIMEOUT(firstAfterResume >= 0, 5000);
        QObject::disconnect(watch);
        const qint64 pausedMs = pausedAt * 1000 / kRate;
        QVERIFY2(firstAfterResume >= pausedMs && firstAfterResume < pausedMs + 600,
                 qPrintable(
                     QStringLiteral("%1 after pausing at %2").arg(firstAfterResume).arg(pausedMs)));

        // While the slider is held it stays where the mouse put it.
        slider->setSliderDown(true);
        QVERIFY(pb->isDragging());
        slider->setValue(500);
        QTest::qWait(400);
        QCOMPARE(slider->value(), 500);
        slider->setSliderDown(false);
        QVERIFY(!pb->isDragging());
        QCOMPARE(pb->offset(), qint64(3 * kRate));
        QTRY_VERIFY_WITH_TIMEOUT(elapsedMs(label->text()) >= 3000, 5000);
        QVERIFY(elapsedMs(label->text()) < 4000);
        QTRY_VERIFY_WITH_TIMEOUT(slider->value() > 500, 5000);

        // Seeking while paused moves the resume point; the pause stays.
        form.pauseOrResume();
        QVERIFY(pb->isPaused());
        slider->setSliderDown(true);
        slider->setValue(900);
        slider->setSliderDown(false);
        QVERIFY(pb->isPaused());
        QCOMPARE(pb->offset(), qint64(std::llround(6.0 * kRate * 0.9)));
        form.pauseOrResume();
        QTRY_VERIFY_WITH_TIMEOUT(pb->isStopped(), 5000); // the last 0.6 s, then the end

        // Stop from the menu and the stop button.
        form.recordedFiles().select(0);
        form.playSelected();
        QVERIFY(pb->isPlaying());
        form.menus().stopPlay->trigger();
        QVERIFY(pb->isStopped());
        form.playSelected();
        form.stopRecordingOrPlayback();
        QVERIFY(pb->isStopped());
    }

    // A click on the slider's track (not on its handle) seeks to that point, pressed and
    // released like a short drag of the handle.
    void clickOnTrackSeeks_data() {
        QTest::addColumn<double>("fraction");
        QTest::newRow("three quarters") << 0.75;
        QTest::newRow("middle") << 0.5;
    }
    void clickOnTrackSeeks() {
        REQUIRE_PULSE();
        QFETCH(double, fraction);
        Environment env;
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QString path = makeTone(env, QStringLiteral("seek.wav"), 8.0, 440.0);
        form.recordedFiles().append(item(QStringLiteral("1"), path));
        form.recordedFiles().select(0);
        auto *slider = child<QSlider>(&form, "slPosition");
        PlaybackController *pb = form.playback();
        form.playSelected();
        QVERIFY(pb->isPlaying());
        QCOMPARE(slider->value(), 0);

        const QPoint at(static_cast<int>(slider->width() * fraction), slider->height() / 2);
        QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, at);
        QVERIFY(!pb->isDragging());
        // Where the click landed, give or take the handle's own width.
        const double reached =
            static_cast<double>(pb->offset()) / static_cast<double>(pb->length());
        QVERIFY2(std::abs(reached - fraction) < 0.05, qPrintable(QString::number(reached)));
        QTRY_VERIFY_WITH_TIMEOUT(elapsedMs(child<QLabel>(&form, "Label1")->text()) >=
                                     static_cast<qint64>(8000 * (fraction - 0.05)),
                                 5000);
        form.stopRecordingOrPlayback();
    }

    void missingFileDoesNothing() {
        REQUIRE_PULSE();
        Environment env;
        Form1 form;
        const QString path = makeTone(env, QStringLiteral("gone.wav"), 0.5, 440.0);
        form.recordedFiles().append(item(QStringLiteral("1"), path));
        QFile::remove(path);
        form.recordedFiles().select(0);
        auto *list = form.recordedFiles().view();
        emit list->itemDoubleClicked(list->topLevelItem(0), 1);
        QVERIFY(form.playback()->isStopped());
        // Nothing selected: nothing plays either.
        form.recordedFiles().view()->setCurrentItem(nullptr);
        form.playSelected();
        QVERIFY(form.playback()->isStopped());
        QVERIFY(env.messages.isEmpty());
    }

    void renameRemoveDelete() {
        Environment env;
        Form1 form;
        QStringList paths;
        for (int i = 1; i <= 4; ++i) {
            paths << makeTone(env, QStringLiteral("f%1.wav").arg(i), 0.2, 440.0);
            form.recordedFiles().append(item(QString::number(i), paths.last()));
        }

        // Remove item 2 of 4: the file stays, the rest is renumbered.
        form.recordedFiles().select(1);
        form.menus().remove->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 3);
        QCOMPARE(row(form, 0)[0], QStringLiteral("1"));
        QCOMPARE(row(form, 1)[0], QStringLiteral("2"));
        QCOMPARE(row(form, 1)[1], paths[2]);
        QCOMPARE(row(form, 2)[0], QStringLiteral("3"));
        QVERIFY(QFileInfo::exists(paths[1]));
        // Without a selection nothing is removed.
        form.menus().remove->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 3);

        // Rename: the input box offers the old path; the answer is trimmed.
        QString prompt;
        QString offered;
        const QString renamed = env.path(QStringLiteral("renamed.wav"));
        UserDialogs::setInputResponder([&](const QString &p, const QString &initial) {
            prompt = p;
            offered = initial;
            return std::optional<QString>(QStringLiteral("  ") + renamed + QStringLiteral(" "));
        });
        form.recordedFiles().select(0);
        form.menus().rename->trigger();
        QCOMPARE(prompt, QStringLiteral("Old audio file name is: ") + paths[0] +
                             QStringLiteral("\n\nPlease enter new Audio file name:"));
        QCOMPARE(offered, paths[0]);
        QCOMPARE(row(form, 0)[1], renamed);
        QVERIFY(QFileInfo::exists(renamed));
        QVERIFY(!QFileInfo::exists(paths[0]));
        QCOMPARE(env.messages.last().text, QStringLiteral("Rename audio file is  succeeded!"));

        // Cancel and an empty answer change nothing.
        const int shown = static_cast<int>(env.messages.size());
        UserDialogs::setInputResponder(
            [](const QString &, const QString &) { return std::nullopt; });
        form.recordedFiles().select(0);
        form.menus().rename->trigger();
        UserDialogs::setInputResponder([](const QString &, const QString &) {
            return std::optional<QString>(QStringLiteral("   "));
        });
        form.menus().rename->trigger();
        QCOMPARE(row(form, 0)[1], renamed);
        QCOMPARE(env.messages.size(), shown);

        // A target that exists is not overwritten, and no message is shown.
        UserDialogs::setInputResponder(
            [&](const QString &, const QString &) { return std::optional<QString>(paths[2]); });
        form.recordedFiles().select(0);
        form.menus().rename->trigger();
        QCOMPARE(row(form, 0)[1], renamed);
        QVERIFY(QFileInfo::exists(renamed));
        QCOMPARE(env.messages.size(), shown);

        // A file gone from the disk is reported.
        QFile::remove(paths[3]);
        form.recordedFiles().select(2);
        form.menus().rename->trigger();
        QCOMPARE(env.messages.last().text, paths[3] + QStringLiteral(" is not exist!"));
        QCOMPARE(env.messages.last().icon, QMessageBox::Critical);

        // Delete asks first; Cancel keeps everything.
        env.answer = QMessageBox::Cancel;
        form.recordedFiles().select(1);
        form.menus().deleteFile->trigger();
        QCOMPARE(env.messages.last().text,
                 QStringLiteral("Do you want to delete the selected audio file now?"));
        QCOMPARE(env.messages.last().icon, QMessageBox::Warning);
        QCOMPARE(form.recordedFiles().model().count(), 3);
        env.answer = QMessageBox::Ok;
        form.recordedFiles().select(1);
        form.menus().deleteFile->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 2);
        QVERIFY(!QFileInfo::exists(paths[2]));
        // A file that is already gone still loses its row.
        form.recordedFiles().select(1);
        form.menus().deleteFile->trigger();
        QCOMPARE(form.recordedFiles().model().count(), 1);
        QCOMPARE(row(form, 0), (QStringList{"1", renamed, "0.1MB", "0:01.000", "1/1/20 1:00 PM"}));
    }

    void renameAndDeleteStopPlaybackFirst() {
        REQUIRE_PULSE();
        Environment env;
        Form1 form;
        const QString a = makeTone(env, QStringLiteral("a.wav"), 5.0, 440.0);
        const QString b = makeTone(env, QStringLiteral("b.wav"), 5.0, 440.0);
        form.recordedFiles().append(item(QStringLiteral("1"), a));
        form.recordedFiles().append(item(QStringLiteral("2"), b));
        form.recordedFiles().select(0);
        form.playSelected();
        QVERIFY(form.playback()->isPlaying());
        const QString moved = env.path(QStringLiteral("moved.wav"));
        UserDialogs::setInputResponder(
            [&](const QString &, const QString &) { return std::optional<QString>(moved); });
        form.menus().rename->trigger();
        QVERIFY(form.playback()->isStopped());
        QCOMPARE(row(form, 0)[1], moved);

        form.recordedFiles().select(1);
        form.playSelected();
        QVERIFY(form.playback()->isPlaying());
        form.recordedFiles().select(1);
        form.menus().deleteFile->trigger();
        QVERIFY(form.playback()->isStopped());
        QVERIFY(!QFileInfo::exists(b));
        QCOMPARE(form.recordedFiles().model().count(), 1);
    }

    void editMenuPopsUpOnTheList() {
        Environment env;
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.recordedFiles().append(item(QStringLiteral("1"), env.path(QStringLiteral("x.wav"))));
        QMenu *edit = form.menus().edit;
        QStringList entries;
        for (QAction *a : edit->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(entries, (QStringList{"Play Selected File", "-", "Rename", "Remove Selected Item",
                                       "Delete Selected File"}));
        QWidget *viewport = form.recordedFiles().view()->viewport();
        const QRect first = form.recordedFiles().view()->visualItemRect(
            form.recordedFiles().view()->topLevelItem(0));
        QTimer::singleShot(200, edit, [edit] { edit->close(); });
        QTest::mousePress(viewport, Qt::RightButton, {}, first.center());
        QTRY_VERIFY_WITH_TIMEOUT(edit->isVisible(), 2000);
        QCOMPARE(form.recordedFiles().selectedIndex(), 0);
        QTRY_VERIFY(!edit->isVisible());
    }
};

QTEST_MAIN(TestForm1Playback)
#include "tst_form1_playback.moc"
