#include "CommandLine.h"

namespace pelvanto {

namespace {
// Exit code of a command-line mistake, as with other command-line programs.
constexpr int kUsageError = 2;

bool isHelp(const QString &a) {
    return a == QLatin1String("--help") || a == QLatin1String("-h");
}

bool isVersion(const QString &a) {
    return a == QLatin1String("--version") || a == QLatin1String("-v");
}

QString helpText(const QString &version) {
    return CommandLine::usageLine() + QLatin1Char('\n') +
           QStringLiteral(
               "Pelvanto %1, a sound recorder: records a microphone, a line input or what\n"
               "other programs play into WAV, MP3, Ogg Vorbis, VOX, RAW or G.726 files.\n"
               "\n"
               "Options:\n"
               "  -h, --help     print this help and exit\n"
               "  -v, --version  print the version and exit\n"
               "\n"
               "Everything else is set in the program's windows. Settings are kept in\n"
               "settings.dat in the program folder: the program's own folder for a portable\n"
               "copy, ~/.config/Pelvanto/Pelvanto for an installed one.\n")
               .arg(version);
}
} // namespace

QString CommandLine::usageLine() {
    return QStringLiteral("Usage: pelvanto [--help] [--version]");
}

CommandLine CommandLine::parse(const QStringList &arguments, const QString &version) {
    CommandLine result;
    bool help = false;
    bool showVersion = false;
    for (const QString &a : arguments) {
        if (isHelp(a)) {
            help = true;
        } else if (isVersion(a)) {
            showVersion = true;
        } else {
            // The first mistake is reported; nothing starts.
            const QString what = a.startsWith(QLatin1Char('-'))
                                     ? QStringLiteral("unknown option '%1'")
                                     : QStringLiteral("unexpected argument '%1'");
            result.action = Action::Refuse;
            result.text = QStringLiteral("pelvanto: ") + what.arg(a) + QLatin1Char('\n') +
                          usageLine() + QLatin1Char('\n');
            result.exitCode = kUsageError;
            return result;
        }
    }
    if (help) {
        result.action = Action::PrintHelp;
        result.text = helpText(version);
    } else if (showVersion) {
        result.action = Action::PrintVersion;
        result.text = QStringLiteral("Pelvanto %1\n").arg(version);
    }
    return result;
}

} // namespace pelvanto
