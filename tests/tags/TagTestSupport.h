#pragma once

#include "TestSupport.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tagtest {

// A small MP3 of a generated 440 Hz tone, encoded by lame, without any tag.
// Empty when lame is missing.
QByteArray toneMp3();
// Writes toneMp3() to dir/name and returns the path.
QString makeMp3(const QString &dir, const QString &name);

using testsupport::readFile;
using testsupport::writeFile;

// The audio part of an MP3: without an ID3v2 tag at the start and an ID3v1
// tag at the end.
QByteArray audioPart(const QByteArray &file);
QByteArray audioChecksum(const QString &path);

// The frame identifiers of the ID3v2.3/2.4 tag at the start, in file order.
QStringList frameIds(const QByteArray &file);

// Runs a tool; fails the current test when it does not exit with 0.
QString run(const QString &program, const QStringList &args);

// Files in dir whose names are not in keep (left-over temporary copies).
QStringList strayFiles(const QString &dir, const QStringList &keep);

} // namespace tagtest
