#pragma once

#include <QString>
#include <QStringList>

namespace pelvanto {

// What the command line asks for. The program takes no arguments of its own
// beyond asking for its help or version, which need no display.
struct CommandLine {
    enum class Action { Run, PrintHelp, PrintVersion, Refuse };

    Action action = Action::Run;
    // What to print: to standard output for help and version, to standard
    // error when refused.
    QString text;
    int exitCode = 0;

    // `arguments` without the program's own name.
    static CommandLine parse(const QStringList &arguments, const QString &version);
    static QString usageLine();
};

} // namespace pelvanto
