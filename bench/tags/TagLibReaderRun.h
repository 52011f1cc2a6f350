#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs a plain TagLib folder reader of bench/tags or bench/tageditor on `folder`: its time in ms
// and, through `files`, how many files it read; -1 when it failed. The reader prints
// "MS FILES ..." on one line.
inline double taglibReaderMs(const QString &reader, const QString &folder, long &files) {
    QProcess p;
    p.start(reader, {folder});
    if (!p.waitForFinished(600000) || p.exitCode() != 0)
        return -1;
    const QList<QByteArray> parts = p.readAllStandardOutput().trimmed().split(' ');
    if (parts.size() < 3)
        return -1;
    files = parts[1].toLong();
    return parts[0].toDouble();
}
