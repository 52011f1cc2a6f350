#pragma once

// Shared pieces of the settings window tests: a private program folder with its settings.dat,
// and a look at recorded files through ffprobe.

#include "Inifun.h"
#include "ProgramFolderScope.h"
#include "SettingsKeys.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVector>
#include <QtTest>

namespace settingstest {

using testsupport::ProgramFolderScope;

inline void put(const char *section, const char *key, const QString &value) {
    pelvanto::Inifun::WriteIni(pelvanto::Inifun::settingsFile(), QString::fromLatin1(section),
                               QString::fromLatin1(key), value);
}

inline QString get(const char *section, const char *key) {
    return pelvanto::Inifun::ReadIni(pelvanto::Inifun::settingsFile(), QString::fromLatin1(section),
                                     QString::fromLatin1(key));
}

// Full-scale noise of `samples` interleaved values, the same for the same seed.
inline QVector<qint16> noise(qsizetype samples, quint32 seed) {
    QVector<qint16> values(samples);
    for (qint16 &sample : values) {
        seed = seed * 1664525U + 1013904223U;
        sample = static_cast<qint16>(seed >> 16);
    }
    return values;
}

// Data rows (columns "switches", "key", "expected") for the ten keys of section "other", each
// with a value no other key holds: the texts below and the four switches (notch, high-pass,
// low-pass, gain control) in two patterns, so that any two swapped switches differ once.
inline const char *const kFilterTexts[][2] = {
    {"txtNotchFreq", "70"},    {"txtHighPassFreq", "300"}, {"txtLowPassFreq", "5000"},
    {"txtAGCLowLevel", "-40"}, {"txtAGCHighLevel", "-10"}, {"txtAGCAttackTime", "120"}};
inline void addFilterKeyRows() {
    namespace keys = pelvanto::keys;
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    const char *const textKeys[] = {keys::NotchText, keys::HighPassText, keys::LowPassText,
                                    keys::LowLevel,  keys::HighLevel,    keys::AttackTime};
    const char *const switchKeys[] = {keys::Notch, keys::HighPass, keys::LowPass, keys::AutoGain};
    for (const char *pattern : {"1100", "1010"}) {
        const QString p = QString::fromLatin1(pattern);
        const auto row = [&](const char *key, const QString &expected) {
            QTest::addRow("%s %s", pattern, key) << p << QString::fromLatin1(key) << expected;
        };
        for (int i = 0; i < 4; ++i)
            row(switchKeys[i], p.mid(i, 1));
        for (int i = 0; i < 6; ++i)
            row(textKeys[i], QString::fromLatin1(kFilterTexts[i][1]));
    }
}

struct Probe {
    bool ok = false;
    QString codec;
    QString format;
    int rate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    double duration = 0;
    qint64 bitrate = 0;
};

// ffprobe's view of the first audio stream; inputArgs go before -i (headerless formats).
inline Probe probe(const QString &path, const QStringList &inputArgs = {}) {
    Probe p;
    QStringList args = {QStringLiteral("-v"), QStringLiteral("error")};
    args += inputArgs;
    args += {QStringLiteral("-show_streams"), QStringLiteral("-show_format"), QStringLiteral("-of"),
             QStringLiteral("json"),          QStringLiteral("-i"),           path};
    const auto result = testsupport::runTool(QStringLiteral("ffprobe"), args);
    if (result.exitCode != 0)
        return p;
    const QJsonObject root = QJsonDocument::fromJson(result.out).object();
    for (const auto &s : root.value(QStringLiteral("streams")).toArray()) {
        const QJsonObject stream = s.toObject();
        if (stream.value(QStringLiteral("codec_type")).toString() != QStringLiteral("audio"))
            continue;
        p.ok = true;
        p.codec = stream.value(QStringLiteral("codec_name")).toString();
        p.rate = stream.value(QStringLiteral("sample_rate")).toString().toInt();
        p.channels = stream.value(QStringLiteral("channels")).toInt();
        p.bitsPerSample = stream.value(QStringLiteral("bits_per_sample")).toInt();
        p.bitrate = stream.value(QStringLiteral("bit_rate")).toString().toLongLong();
        p.duration = stream.value(QStringLiteral("duration")).toString().toDouble();
        break;
    }
    const QJsonObject format = root.value(QStringLiteral("format")).toObject();
    p.format = format.value(QStringLiteral("format_name")).toString();
    if (p.duration <= 0)
        p.duration = format.value(QStringLiteral("duration")).toString().toDouble();
    if (p.bitrate <= 0)
        p.bitrate = format.value(QStringLiteral("bit_rate")).toString().toLongLong();
    return p;
}

} // namespace settingstest
