#include "TestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace testsupport {

QString pulseServer() {
    return qEnvironmentVariable("PELVANTO_TEST_PULSE_SERVER");
}

QString x11Display() {
    return qEnvironmentVariable("PELVANTO_TEST_DISPLAY");
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
