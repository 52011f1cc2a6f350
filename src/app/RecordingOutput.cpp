#include "RecordingOutput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace pelvanto {

namespace {

bool taken(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// ".rec.WAV-2.WAV" beside "rec.WAV": hidden, and the encoder still follows the extension.
QString temporaryBeside(const QString &target) {
    const QFileInfo info(target);
    const QString suffix = info.suffix();
    for (int n = 1;; ++n) {
        QString candidate = info.dir().filePath(QLatin1Char('.') + info.fileName() +
                                                QLatin1Char('-') + QString::number(n));
        if (!suffix.isEmpty())
            candidate += QLatin1Char('.') + suffix;
        if (!taken(candidate))
            return candidate;
    }
}

} // namespace

RecordingOutput::RecordingOutput(const QString &target)
    : target_(target), writePath_(taken(target) ? temporaryBeside(target) : target) {}

bool RecordingOutput::commit() {
    // Asked on every timer tick while recording: once there, no more file-system calls.
    if (committed_)
        return true;
    if (writePath_ == target_)
        return committed_ = QFileInfo(target_).isFile();
    // rename() replaces the earlier file in one step; the open file goes on
    // growing under its new name.
    if (std::rename(QFile::encodeName(writePath_).constData(),
                    QFile::encodeName(target_).constData()) != 0)
        return false;
    committed_ = true;
    return true;
}

void RecordingOutput::discard() {
    if (writePath_.isEmpty() || committed_)
        return;
    QFile::remove(writePath_);
}

RecordingOutput::Outcome RecordingOutput::finish(qint64 framesWritten, bool failed) {
    const bool replacing = writePath_ != target_ && !committed_;
    if (framesWritten == 0 && (failed || replacing)) {
        discard();
        return Outcome::NothingRecorded;
    }
    if (!commit() || !QFileInfo(target_).isFile())
        return Outcome::Vanished;
    return Outcome::Kept;
}

} // namespace pelvanto
