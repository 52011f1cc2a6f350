#include "StartFailure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <sys/statvfs.h>
#include <unistd.h>

namespace pelvanto {

namespace {

StartFailure failure(const QString &reason, const QString &sentence) {
    return StartFailure{reason, QStringLiteral("The recording could not start: ") + sentence};
}

QString chooseFolder() {
    return QStringLiteral(" Choose another folder in Output File.");
}

bool diskFull(const QString &folder) {
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return false;
    return fs.f_bavail == 0 || fs.f_favail == 0;
}

} // namespace

StartFailure StartFailure::fileNotCreated(const QString &path, const QString &detail) {
    const QFileInfo file(path);
    const QString folder = file.absolutePath();
    const QFileInfo folderInfo(folder);
    if (!folderInfo.exists())
        return failure(QStringLiteral("folder missing"),
                       QStringLiteral("the output folder %1 does not exist.").arg(folder) +
                           chooseFolder());
    if (!folderInfo.isDir())
        return failure(QStringLiteral("not a folder"),
                       QStringLiteral("the output folder %1 is a file, not a folder.").arg(folder) +
                           chooseFolder());
    if (QFile::encodeName(file.fileName()).size() > NAME_MAX ||
        QFile::encodeName(path).size() >= PATH_MAX)
        return failure(QStringLiteral("name too long"),
                       QStringLiteral("the file name %1 is too long for the file system. Choose a "
                                      "shorter file name in Output File.")
                           .arg(file.fileName()));
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0) {
        const bool readOnly = errno == EROFS;
        return failure(readOnly ? QStringLiteral("folder read-only")
                                : QStringLiteral("folder not writable"),
                       QStringLiteral("the output folder %1 cannot be written to (%2).")
                               .arg(folder, readOnly ? QStringLiteral("it is read-only")
                                                     : QStringLiteral("no permission")) +
                           chooseFolder());
    }
    if (diskFull(folder))
        return failure(QStringLiteral("disk full"),
                       QStringLiteral("the disk that holds %1 is full.").arg(folder));
    return failure(QStringLiteral("cannot create file"),
                   QStringLiteral("%1 could not be created (%2).").arg(path, detail));
}

StartFailure StartFailure::recorderRefused(bool serverAnswers, bool anyDevice,
                                           const QString &detail) {
    if (!serverAnswers)
        return failure(QStringLiteral("no sound server"),
                       QStringLiteral("no sound server answers. Pelvanto records through a "
                                      "PulseAudio or PipeWire server; start one and try again."));
    if (!anyDevice)
        return failure(QStringLiteral("no recording device"),
                       QStringLiteral("the sound server lists no recording device."));
    return failure(QStringLiteral("recording device unavailable"),
                   QStringLiteral("the recording device did not start (%1).").arg(detail));
}

StartFailure StartFailure::audioNotWritten(const QString &path, const QString &detail) {
    const QString folder = QFileInfo(path).absolutePath();
    if (diskFull(folder))
        return failure(QStringLiteral("disk full"),
                       QStringLiteral("the disk that holds %1 is full.").arg(folder));
    return failure(QStringLiteral("cannot write file"),
                   QStringLiteral("%1 could not be written (%2).").arg(path, detail));
}

StartFailure StartFailure::closing() {
    return failure(QStringLiteral("program closing"), QStringLiteral("the program is closing."));
}

StartFailure StartFailure::noDevice(bool serverAnswers) {
    if (!serverAnswers)
        return StartFailure{
            QStringLiteral("no sound server"),
            QStringLiteral("No sound server answers, so there is nothing to record from. Pelvanto "
                           "records through a PulseAudio or PipeWire server: most likely none is "
                           "running. Start one (or log in to a desktop that runs one) and start "
                           "Pelvanto again.")};
    return StartFailure{
        QStringLiteral("no recording device"),
        QStringLiteral("The sound server lists no recording device, so there is nothing to record "
                       "from. Connect a microphone or sound card, check that PulseAudio or "
                       "PipeWire sees it, and start Pelvanto again.")};
}

} // namespace pelvanto
