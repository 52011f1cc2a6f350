#include "RecordedFiles.h"

#include "RecordingText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pelvanto {

QStringList RecordedFiles::columnTitles() {
    return {QStringLiteral("NO."), QStringLiteral("File Name"), QStringLiteral("Size"),
            QStringLiteral("Duration"), QStringLiteral("Record Time")};
}

RecordedItem RecordedFiles::finishedRecording(const QString &path, const QString &duration,
                                              const QDateTime &startTime,
                                              const QLocale &locale) const {
    RecordedItem item;
    item.number = QString::number(count() + 1);
    item.path = path;
    item.size = sizeText(QFileInfo(path).size(), locale);
    item.duration = duration;
    item.recordTime = recordTimeText(startTime, locale);
    return item;
}

bool RecordedFiles::playable(int index) const {
    if (!isValidIndex(index))
        return false;
    const QString &path = items_[index].path;
    return !path.isEmpty() && QFileInfo(path).isFile();
}

bool RecordedFiles::remove(int index) {
    if (!isValidIndex(index))
        return false;
    items_.removeAt(index);
    renumber();
    return true;
}

void RecordedFiles::renumber() {
    for (int i = 0; i < count(); ++i)
        items_[i].number = QString::number(i + 1);
}

std::optional<ListMessage> RecordedFiles::renameCheck(int index) const {
    if (!isValidIndex(index))
        return std::nullopt;
    const QString &path = items_[index].path;
    if (path.isEmpty() || !QFileInfo::exists(path))
        return ListMessage{path + QStringLiteral(" is not exist!"), MessageIcon::Critical};
    return std::nullopt;
}

QString RecordedFiles::renamePrompt(const QString &oldPath) {
    return QStringLiteral("Old audio file name is: ") + oldPath +
           QStringLiteral("\n\nPlease enter new Audio file name:");
}

RecordedFiles::RenameResult RecordedFiles::rename(int index, const QString &answer) {
    RenameResult result;
    QString target = answer.trimmed();
    if (!isValidIndex(index) || target.isEmpty())
        return result;
    // A bare name (or any relative one) stays with the recording, not in
    // whatever folder the program was started from.
    if (QFileInfo(target).isRelative())
        target = QFileInfo(items_[index].path).dir().filePath(target);
    // QFile::rename refuses an existing target, so nothing is overwritten; a
    // refused or impossible rename ends without a message.
    if (!QFile::rename(items_[index].path, target))
        return result;
    if (QFileInfo::exists(target)) {
        items_[index].path = target;
        result.renamed = true;
        result.message = ListMessage{QStringLiteral("Rename audio file is  succeeded!"),
                                     MessageIcon::Information};
    } else {
        result.message =
            ListMessage{QStringLiteral("Rename audio file is  Faild!"), MessageIcon::Information};
    }
    return result;
}

QString RecordedFiles::deleteQuestion() {
    return QStringLiteral("Do you want to delete the selected audio file now?");
}

bool RecordedFiles::deleteFile(int index) {
    if (!isValidIndex(index))
        return false;
    const QString path = items_[index].path;
    if (!path.isEmpty())
        QFile::remove(path);
    return remove(index);
}

} // namespace pelvanto
