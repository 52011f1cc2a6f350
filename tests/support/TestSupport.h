#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace testsupport {

// The private PulseAudio server of the test services, or empty when absent.
QString pulseServer();
// The Xvfb display of the test services, or empty when absent.
QString x11Display();

// Whether a program is on the PATH.
bool hasTool(const QString &program);

struct ToolResult {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
// Runs a program to its end (bounded by timeoutMs) and returns what it printed.
ToolResult runTool(const QString &program, const QStringList &args, int timeoutMs = 60000);
// The same in an environment of the caller's making.
ToolResult runTool(const QString &program, const QStringList &args,
                   const QProcessEnvironment &environment, int timeoutMs = 60000);

// A file's bytes; "<missing>" when it cannot be read, so that a missing file never passes
// for an empty one.
QByteArray readFile(const QString &path);
// Replaces a file's content; false when it could not all be written.
bool writeFile(const QString &path, const QByteArray &data);

// A 16-bit interleaved sine tone.
QVector<qint16> sineTone(int rate, int channels, int frames, double frequency,
                         double amplitude = 0.5);

} // namespace testsupport

#define REQUIRE_PULSE()                                                                            \
    do {                                                                                           \
        if (testsupport::pulseServer().isEmpty())                                                  \
            QSKIP("no test PulseAudio server (run through tools/run-tests.sh)");                   \
    } while (false)

#define REQUIRE_X11()                                                                              \
    do {                                                                                           \
        if (testsupport::x11Display().isEmpty())                                                   \
            QSKIP("no test X server (run through tools/run-tests.sh)");                            \
    } while (false)

#define REQUIRE_TOOL(program)                                                                      \
    do {                                                                                           \
        if (!testsupport::hasTool(QStringLiteral(program)))                                        \
            QSKIP(program " is not installed");                                                    \
    } while (false)
