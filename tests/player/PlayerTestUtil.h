#pragma once

#include "FModNotifier.h"
#include "SoundTestUtil.h"
#include "TestSupport.h"

#include <QStringList>
#include <QTemporaryDir>

namespace playertest {

// Keeps what the wrapper would have shown, as "error: text" and "warning: text".
class RecordingNotifier : public pelvanto::FModNotifier {
public:
    void showError(const QString &text) override { shown << QStringLiteral("error: ") + text; }
    void showWarning(const QString &text) override { shown << QStringLiteral("warning: ") + text; }
    QStringList shown;
};

// A mono 16-bit WAV tone.
inline QString toneWav(const QTemporaryDir &dir, const QString &name, double hz, double seconds,
                       int rate = 44100, int channels = 1) {
    const QString path = dir.filePath(name);
    const auto frames = static_cast<int>(seconds * rate);
    if (!soundtest::writeWav(path, rate, channels,
                             testsupport::sineTone(rate, channels, frames, hz)))
        return {};
    return path;
}

// Runs a command-line tool; false when it is missing or fails.
inline bool run(const QString &program, const QStringList &args) {
    return testsupport::runTool(program, args).exitCode == 0;
}

} // namespace playertest
