#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QtTest>

namespace testsupport {

// The private PulseAudio server of the test services, or empty when it is not there or does
// not answer.
QString pulseServer();
// The Xvfb display of the test services, or empty when it is not there or does not answer.
QString x11Display();

// Whether the test command started the test services (PELVANTO_TEST_SERVICES=1): then a
// service that cannot be reached fails the test instead of skipping it.
bool servicesStarted();

// What a test that needs a service does: go on, skip, or fail with the reason.
struct ServiceCheck {
    enum Outcome { Available, Skip, Fail };
    Outcome outcome = Available;
    QByteArray reason;
};
// The test needs the PulseAudio server. A test run under CTest must carry the `pulse` label.
ServiceCheck checkPulse();
// The test needs the X server. Under CTest a test without the `x11` label skips: the case runs
// in the x11-labelled build of the same test.
ServiceCheck checkX11();
// The test needs an outside program. tools/run-tests.sh installs every one the tests use, so
// there a missing one fails too.
ServiceCheck checkTool(const QString &program);

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

#define REQUIRE_SERVICE(check)                                                                     \
    do {                                                                                           \
        const testsupport::ServiceCheck serviceCheck_ = (check);                                   \
        if (serviceCheck_.outcome == testsupport::ServiceCheck::Fail)                              \
            QFAIL(serviceCheck_.reason.constData());                                               \
        if (serviceCheck_.outcome == testsupport::ServiceCheck::Skip)                              \
            QSKIP(serviceCheck_.reason.constData());                                               \
    } while (false)

#define REQUIRE_PULSE() REQUIRE_SERVICE(testsupport::checkPulse())
#define REQUIRE_X11() REQUIRE_SERVICE(testsupport::checkX11())

#define REQUIRE_TOOL(program) REQUIRE_SERVICE(testsupport::checkTool(QStringLiteral(program)))
