#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

namespace testsupport {

namespace {

// Whether something accepts connections on a local socket.
bool socketAnswers(const QByteArray &path) {
    sockaddr_un address{};
    if (path.isEmpty() || static_cast<size_t>(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool answered =
        ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(fd);
    return answered;
}

// The labels CTest runs the test under (pelvanto_add_test passes them); empty when run by hand.
QStringList ctestLabels() {
    return qEnvironmentVariable("PELVANTO_TEST_LABELS").split(QLatin1Char(','), Qt::SkipEmptyParts);
}

bool underCTest() {
    return qEnvironmentVariableIsSet("PELVANTO_TEST_LABELS");
}

ServiceCheck missing(const char *what) {
    if (servicesStarted())
        return {ServiceCheck::Fail, QByteArray("the test command started its services, but ") +
                                        what + " does not answer"};
    return {ServiceCheck::Skip,
            QByteArray("no ") + what + " (run the tests through tools/run-tests.sh)"};
}

} // namespace

QString pulseServer() {
    const QString server = qEnvironmentVariable("PELVANTO_TEST_PULSE_SERVER");
    if (!server.startsWith(QLatin1String("unix:")) ||
        !socketAnswers(QFile::encodeName(server.mid(5))))
        return {};
    return server;
}

QString x11Display() {
    const QString display = qEnvironmentVariable("PELVANTO_TEST_DISPLAY");
    // ":N" or ":N.S" on this machine: the server listens on /tmp/.X11-unix/XN.
    if (!display.startsWith(QLatin1Char(':')))
        return {};
    const QString number = display.mid(1).section(QLatin1Char('.'), 0, 0);
    if (!socketAnswers(QFile::encodeName(QStringLiteral("/tmp/.X11-unix/X") + number)))
        return {};
    return display;
}

bool servicesStarted() {
    return qEnvironmentVariable("PELVANTO_TEST_SERVICES") == QLatin1String("1");
}

ServiceCheck checkPulse() {
    if (underCTest() && !ctestLabels().contains(QLatin1String("pulse")))
        return {ServiceCheck::Fail, "this test uses the PulseAudio server but is not labelled "
                                    "pulse (PULSE in its pelvanto_add_test)"};
    if (pulseServer().isEmpty())
        return missing("the test PulseAudio server");
    return {};
}

ServiceCheck checkX11() {
    if (underCTest() && !ctestLabels().contains(QLatin1String("x11")))
        return {ServiceCheck::Skip, "runs in the x11-labelled build of this test"};
    if (x11Display().isEmpty())
        return missing("the test X server");
    return {};
}

QByteArray readFile(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

bool hasTool(const QString &program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

ServiceCheck checkTool(const QString &program) {
    if (hasTool(program))
        return {};
    if (servicesStarted())
        return {ServiceCheck::Fail, program.toUtf8() + " is missing although the test command "
                                                       "installs it (tools/setup.sh)"};
    return {ServiceCheck::Skip, program.toUtf8() + " is not installed"};
}

ToolResult runTool(const QString &program, const QStringList &args, int timeoutMs) {
    return runTool(program, args, QProcessEnvironment::systemEnvironment(), timeoutMs);
}

ToolResult runTool(const QString &program, const QStringList &args,
                   const QProcessEnvironment &environment, int timeoutMs) {
    ToolResult result;
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return result;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return result;
    }
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    result.out = p.readAllStandardOutput();
    result.err = p.readAllStandardError();
    return result;
}

QVector<qint16> sineTone(int rate, int channels, int frames, double frequency, double amplitude) {
    QVector<qint16> samples(static_cast<qsizetype>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * 32767.0 * std::sin(2.0 * M_PI * frequency * i / rate);
        for (int c = 0; c < channels; ++c)
            samples[static_cast<qsizetype>(i) * channels + c] = static_cast<qint16>(std::lround(v));
    }
    return samples;
}

} // namespace testsupport
