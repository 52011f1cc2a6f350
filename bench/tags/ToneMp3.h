#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QString>

// A tenth of a second of a square tone as a small mono MP3, encoded by lame in dir; empty when
// lame is missing.
inline QByteArray benchToneMp3(const QString &dir) {
    QByteArray raw;
    for (int i = 0; i < 4410; ++i) {
        const auto s = static_cast<qint16>((i % 100 < 50) ? 8000 : -8000);
        raw.append(reinterpret_cast<const char *>(&s), 2);
    }
    QFile in(dir + "/tone.raw");
    if (!in.open(QIODevice::WriteOnly) || in.write(raw) != raw.size())
        return {};
    in.close();
    QProcess lame;
    lame.start("lame", {"--quiet", "-r", "-s", "44.1", "--bitwidth", "16", "--signed",
                        "--little-endian", "-m", "m", dir + "/tone.raw", dir + "/tone.mp3"});
    if (!lame.waitForFinished(60000) || lame.exitCode() != 0)
        return {};
    QFile out(dir + "/tone.mp3");
    return out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
}
