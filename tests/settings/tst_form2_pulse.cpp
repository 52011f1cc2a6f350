// The mixer tab's line 0 against the test PulseAudio server: what the sliders and the select box
// do reaches the server at once and shows in the next recording.
#include "Form2.h"
#include "FormatValues.h"
#include "OptionWidgets.h"
#include "SettingsTestUtil.h"
#include "audiofile/AudioFile.h"
#include "capture/AudioRecord.h"
#include "frmAdv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>

using namespace pelvanto;
using namespace settingstest;

namespace {

template <typename T> T *child(QWidget *w, const QString &name) {
    T *c = w->findChild<T *>(name);
    if (c == nullptr)
        qWarning("no control %s", qPrintable(name));
    return c;
}

QString pactl(const QStringList &args) {
    return QString::fromUtf8(testsupport::runTool(QStringLiteral("pactl"), args).out);
}

// The server's per-channel volumes of a source, in its own units (65536 = 100 %).
QList<int> serverVolumes(const QString &source) {
    QList<int> v;
    const QString text = pactl({"get-source-volume", source});
    static const QRegularExpression re(QStringLiteral(":\\s*(\\d+)\\s*/"));
    for (auto it = re.globalMatch(text); it.hasNext();)
        v << it.next().captured(1).toInt();
    return v;
}

bool serverMuted(const QString &source) {
    return pactl({"get-source-mute", source}).contains(QStringLiteral("yes"));
}

// Peak of ~1 s recorded from the current device.
int recordedPeak(AudioRecord &rec) {
    rec.SetFormat(44100, 2);
    rec.SetBlockSize(11025);
    QVector<qint16> all;
    QObject context;
    QObject::connect(&rec, &AudioRecord::EndArrayRecord, &context,
                     [&](int) { all += rec.GetRecordedBlock(); });
    if (rec.RecordStart() < 0)
        return -1;
    QElapsedTimer guard; // a hang guard only
    guard.start();
    while (all.size() < 88200 && guard.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    rec.RecordStop();
    QCoreApplication::processEvents();
    int peak = 0;
    // Leave out the first quarter second: the change may take a moment on the server.
    for (qsizetype i = 22050; i < all.size(); ++i)
        peak = std::max(peak, std::abs(static_cast<int>(all[i])));
    return peak;
}

} // namespace

class TestForm2Pulse : public QObject {
    Q_OBJECT

    const QString mic = QStringLiteral("sine_mic");

    void resetServer() {
        pactl({"set-source-volume", mic, "65536", "65536"});
        pactl({"set-source-mute", mic, "0"});
    }

private slots:
    void init() {
        REQUIRE_PULSE();
        REQUIRE_TOOL("pactl");
        resetServer();
    }
    void cleanup() {
        if (!testsupport::pulseServer().isEmpty())
            resetServer();
    }

    void lineZeroVolumeAndBalance() {
        ProgramFolderScope folder;
        AudioRecord rec;
        AudioFile file;
        FormatValues values;
        QVERIFY(rec.DeviceCount() >= 1);
        QCOMPARE(rec.DeviceId(), mic);
        Form2 w(rec, file, values);
        QVERIFY(w.shownColumns() >= 1);
        rec.SetCurrentSource(0);
        QCOMPARE(child<QLabel>(&w, arrayName("Label", 0))->text(), rec.SourceName());
        auto *volume = child<QSlider>(&w, arrayName("slVolume", 0));
        QVERIFY(volume->isEnabled());
        QCOMPARE(volume->value(), 0); // full volume, at the top

        volume->setValue(65535 - 32768);
        const QList<int> half = serverVolumes(mic);
        QCOMPARE(half.size(), 2);
        QVERIFY(qAbs(half[0] - 32768) < 200);
        QVERIFY(qAbs(half[1] - 32768) < 200);
        rec.SetCurrentSource(0);
        QCOMPARE(volume->value(), 65535 - rec.SourceVolume());

        auto *balance = child<QSlider>(&w, arrayName("slBalance", 0));
        QVERIFY(balance->isEnabled());
        balance->setValue(25); // towards the left
        const QList<int> left = serverVolumes(mic);
        QVERIFY(left[0] > left[1]);
        QVERIFY(qAbs(left[1] - left[0] / 2) < 300);
        QCOMPARE(balance->value(), rec.SourceBalance());
    }

    void selectAllMutesTheRecording() {
        ProgramFolderScope folder;
        AudioRecord rec;
        AudioFile file;
        FormatValues values;
        QVERIFY(rec.DeviceCount() >= 1);
        Form2 w(rec, file, values);
        auto *select = child<QCheckBox>(&w, arrayName("chSelect", 0));
        QVERIFY(select->isChecked());
        QVERIFY(recordedPeak(rec) > 8000);

        select->click();
        QVERIFY(serverMuted(mic));
        QVERIFY(!select->isChecked());
        QCOMPARE(recordedPeak(rec), 0);

        select->click();
        QVERIFY(!serverMuted(mic));
        QVERIFY(select->isChecked());
    }

    void advancedChannelLevel() {
        ProgramFolderScope folder;
        AudioRecord rec;
        QVERIFY(rec.DeviceCount() >= 1);
        rec.SetCurrentSource(0);
        frmAdv w(rec);
        auto *list = child<QComboBox>(&w, QStringLiteral("Combo1"));
        // The first channel level is the left channel's.
        const int left = list->findText(QStringLiteral("Volume "), Qt::MatchStartsWith);
        QVERIFY(left >= 0);
        list->setCurrentIndex(left);
        auto *slider = child<QSlider>(&w, QStringLiteral("Slider1"));
        QVERIFY(!slider->isHidden());
        QCOMPARE(slider->value(), 65535);
        slider->setValue(16384);
        const QList<int> v = serverVolumes(mic);
        QVERIFY(qAbs(v[0] - 16384) < 200);
        QCOMPARE(v[1], 65536);
        QCOMPARE(slider->value(), rec.AdvancedControlValue(left).toInt());
        // The mute switch of the line, as a check box.
        list->setCurrentIndex(list->findText(QStringLiteral("Mute")));
        auto *mute = child<QCheckBox>(&w, QStringLiteral("Check1"));
        QVERIFY(!mute->isChecked());
        mute->click();
        QVERIFY(serverMuted(mic));
    }
};

QTEST_MAIN(TestForm2Pulse)
#include "tst_form2_pulse.moc"
