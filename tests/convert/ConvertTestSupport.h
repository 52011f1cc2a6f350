#pragma once

// Shared pieces of the converter tests: inputs made by ffmpeg, and file access as an ordinary
// user when the tests run as root.

#include "TestSupport.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <sys/fsuid.h>
#include <unistd.h>

namespace converttest {

constexpr double kTone = 660.0;

struct InputKind {
    const char *ext;
    int rate;
    int channels;
    QStringList codecArgs;
};

inline QList<InputKind> inputKinds() {
    return {
        {"wav", 44100, 2, {"-c:a", "pcm_s16le"}},
        {"mp3", 22050, 1, {"-c:a", "libmp3lame", "-b:a", "64k"}},
        {"ogg", 48000, 2, {"-c:a", "libvorbis", "-q:a", "4"}},
        {"wma", 32000, 2, {"-c:a", "wmav2", "-b:a", "64k"}},
        {"flac", 16000, 1, {"-c:a", "flac"}},
    };
}

// A tone of `seconds` encoded by ffmpeg; false when ffmpeg failed.
inline bool makeTone(const QString &path, int rate, int channels, const QStringList &codecArgs,
                     double seconds) {
    QStringList args{"-v",
                     "error",
                     "-nostdin",
                     "-y",
                     "-f",
                     "lavfi",
                     "-i",
                     QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                         .arg(kTone)
                         .arg(rate)
                         .arg(seconds),
                     "-ac",
                     QString::number(channels)};
    args += codecArgs;
    args << path;
    return testsupport::runTool(QStringLiteral("ffmpeg"), args).exitCode == 0 &&
           QFile::exists(path);
}

// Root passes every permission check: while this lives, file access from this thread is made
// as nobody, so that read-only folders and unreadable files fail as they do for a user.
class AsOrdinaryUser {
public:
    AsOrdinaryUser() : m_root(::geteuid() == 0) {
        if (m_root) {
            ::setfsgid(65534);
            ::setfsuid(65534);
        }
    }
    ~AsOrdinaryUser() {
        if (m_root) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    AsOrdinaryUser(const AsOrdinaryUser &) = delete;
    AsOrdinaryUser &operator=(const AsOrdinaryUser &) = delete;

private:
    bool m_root;
};

} // namespace converttest
