#include "CommandLine.h"
#include "StartUp.h"
#include "platform/ApplicationIcon.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    // Read before QApplication exists: help and version need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const auto command = pelvanto::CommandLine::parse(arguments, QStringLiteral(PELVANTO_VERSION));
    if (command.action != pelvanto::CommandLine::Action::Run) {
        std::FILE *stream =
            command.action == pelvanto::CommandLine::Action::Refuse ? stderr : stdout;
        std::fputs(command.text.toLocal8Bit().constData(), stream);
        return command.exitCode;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelvanto"));
    QApplication::setOrganizationName(QStringLiteral("Pelvanto"));
    QApplication::setApplicationVersion(QStringLiteral(PELVANTO_VERSION));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(pelvanto::kDesktopId));
    QApplication::setWindowIcon(pelvanto::applicationIcon());
    return pelvanto::runPelvanto(app);
}
