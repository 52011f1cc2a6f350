#pragma once

#include "Form1.h"
#include "Inifun.h"
#include "PlaybackController.h"
#include "RecordedFilesView.h"
#include "RecordingSession.h"
#include "TestSupport.h"
#include "UserDialogs.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioRecord.h"
#include "platform/MessageBox.h"
#include "platform/ProgramFolder.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <vector>

namespace form1test {

struct Message {
    QString text;
    QMessageBox::Icon icon;
};

// A program folder of its own, message boxes answered and recorded, dialogs
// answered by the test.
struct Environment {
    QTemporaryDir dir;
    QList<Message> messages;
    QMessageBox::StandardButton answer = QMessageBox::Ok;
    std::function<void(const Message &)> onMessage;

    Environment() {
        pelvanto::setProgramFolderOverride(dir.path());
        pelvanto::MessageBox::setResponder(
            [this](const QString &text, QMessageBox::Icon icon, QMessageBox::StandardButtons) {
                messages.append({text, icon});
                if (onMessage)
                    onMessage(messages.last());
                return answer;
            });
    }
    ~Environment() {
        pelvanto::MessageBox::setResponder({});
        pelvanto::UserDialogs::setOpenResponder({});
        pelvanto::UserDialogs::setSaveResponder({});
        pelvanto::UserDialogs::setInputResponder({});
        pelvanto::setProgramFolderOverride({});
    }
    QString path(const QString &name) const { return dir.filePath(name); }
    void set(const char *section, const char *key, const QString &value) const {
        pelvanto::Inifun::WriteIni(pelvanto::Inifun::settingsFile(), QString::fromLatin1(section),
                                   QString::fromLatin1(key), value);
    }
    // Recordings go to rec/ as rec.EXT, replacing an earlier one of that name.
    void plainNames(const QString &prefix = QStringLiteral("rec"), bool overwrite = true) const {
        QDir(dir.path()).mkpath(QStringLiteral("rec"));
        set("set", "outputfolder", path(QStringLiteral("rec")));
        set("set", "filename", prefix);
        set("set", "datetime", QStringLiteral("0"));
        set("set", "existedfile", overwrite ? QStringLiteral("1") : QStringLiteral("0"));
    }
    // Every format with a usable stored setting.
    void formats() const {
        set("mp3", "MP3Frequency", QStringLiteral("44100"));
        set("mp3", "MP3Bitrate", QStringLiteral("128"));
        set("mp3", "MP3Channels", QStringLiteral("2"));
        set("wav", "Freq", QStringLiteral("44100"));
        set("wav", "Channel", QStringLiteral("2"));
        set("vox", "voxFreq", QStringLiteral("8000"));
        set("ogg", "QualityEnabled", QStringLiteral("1"));
        set("ogg", "Quality", QStringLiteral("300"));
        set("raw", "rawFreq", QStringLiteral("16000"));
        set("raw", "rawChannel", QStringLiteral("1"));
        set("raw", "rawCompr", QStringLiteral("1"));
        set("g726", "gFreq", QStringLiteral("8000"));
        set("g726", "gbit", QStringLiteral("4"));
        // No filters: the tone must come through unchanged.
        for (const char *k : {"notch", "highpass", "lowpass", "autogain"})
            set("other", k, QStringLiteral("0"));
    }
};

template <typename T> T *child(QObject *parent, const char *name) {
    return parent->findChild<T *>(QString::fromLatin1(name));
}

// Makes the server's source `id` the recorder's device through DeviceCombo.
inline bool chooseDevice(pelvanto::Form1 &form, const QString &id) {
    auto *combo = child<QComboBox>(&form, "DeviceCombo");
    pelvanto::AudioRecord *rec = form.audioRecord();
    rec->DeviceCount();
    for (int i = 0; i < combo->count(); ++i) {
        rec->SetCurrentDevice(combo->itemData(i).toInt());
        if (rec->DeviceId() == id) {
            combo->setCurrentIndex(i);
            form.chooseDevice();
            return true;
        }
    }
    return false;
}

// Records at least `ms` of audio, counted in frames at the recording's rate, and stops.
inline bool recordMs(pelvanto::Form1 &form, qint64 ms) {
    qint64 seen = 0;
    auto conn = QObject::connect(form.audioRecord(), &pelvanto::AudioRecord::Timer, &form,
                                 [&seen](qint64 samples, int, int) { seen = samples; });
    form.StartRecord();
    bool ok = form.isRecording();
    const qint64 frames = form.audioRecord()->MsToSamples(ms);
    if (ok) {
        QElapsedTimer guard;
        guard.start();
        while (seen < frames && guard.elapsed() < 30000)
            QTest::qWait(20);
        ok = seen >= frames;
        form.StopRecord();
    }
    QObject::disconnect(conn);
    return ok;
}

inline QStringList row(const pelvanto::Form1 &form, int index) {
    QTreeWidgetItem *item = form.recordedFiles().view()->topLevelItem(index);
    QStringList out;
    if (item != nullptr)
        for (int c = 0; c < 5; ++c)
            out << item->text(c);
    return out;
}

// "m:ss.mmm" back to milliseconds (-1 when malformed).
inline qint64 elapsedMs(const QString &text) {
    static const QRegularExpression re(QStringLiteral("^(\\d+):(\\d\\d)\\.(\\d\\d\\d)$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return -1;
    return m.captured(1).toLongLong() * 60000 + m.captured(2).toLongLong() * 1000 +
           m.captured(3).toLongLong();
}

// Mono 16-bit samples of a file decoded by ffmpeg.
inline QVector<qint16> decode(const QString &path, const QStringList &inputArgs = {}) {
    QStringList args{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-nostdin")};
    args += inputArgs;
    args << QStringLiteral("-i") << path << QStringLiteral("-ac") << QStringLiteral("1")
         << QStringLiteral("-ar") << QStringLiteral("8000") << QStringLiteral("-f")
         << QStringLiteral("s16le") << QStringLiteral("-");
    const auto r = testsupport::runTool(QStringLiteral("ffmpeg"), args);
    QVector<qint16> out(r.out.size() / 2);
    std::memcpy(out.data(), r.out.constData(), static_cast<size_t>(out.size()) * 2);
    return out;
}

// Frequency of a tone from its rising zero crossings, skipping the first tenth.
// The tone's pitch from the median period between rising zero crossings (placed between
// samples), so that a gap of silence from a late output block does not bend it.
inline double toneHz(const QVector<qint16> &s, int rate) {
    std::vector<double> periods;
    double previous = -1;
    for (qsizetype i = std::max<qsizetype>(1, s.size() / 10); i < s.size(); ++i) {
        if (s[i - 1] < 0 && s[i] >= 0) {
            const double at = static_cast<double>(i - 1) +
                              static_cast<double>(s[i - 1]) / static_cast<double>(s[i - 1] - s[i]);
            if (previous >= 0)
                periods.push_back(at - previous);
            previous = at;
        }
    }
    if (periods.size() < 2)
        return 0;
    std::nth_element(periods.begin(),
                     periods.begin() + static_cast<std::ptrdiff_t>(periods.size() / 2),
                     periods.end());
    return static_cast<double>(rate) / periods[periods.size() / 2];
}

inline int peak(const QVector<qint16> &s) {
    int p = 0;
    for (qint16 v : s)
        p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

} // namespace form1test
