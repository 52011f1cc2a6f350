// The command line: help and version print and end, anything else is refused.
#include "CommandLine.h"

#include <QtTest>

using pelvanto::CommandLine;
using Action = CommandLine::Action;

Q_DECLARE_METATYPE(CommandLine::Action)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<Action>("action");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("firstLine");

        const QString usage = CommandLine::usageLine();
        QTest::newRow("none") << QStringList{} << Action::Run << 0 << QString();
        QTest::newRow("--version")
            << QStringList{"--version"} << Action::PrintVersion << 0 << "Pelvanto 9.87";
        QTest::newRow("-v") << QStringList{"-v"} << Action::PrintVersion << 0 << "Pelvanto 9.87";
        QTest::newRow("--help") << QStringList{"--help"} << Action::PrintHelp << 0 << usage;
        QTest::newRow("-h") << QStringList{"-h"} << Action::PrintHelp << 0 << usage;
        QTest::newRow("help wins over version")
            << QStringList{"--version", "--help"} << Action::PrintHelp << 0 << usage;
        QTest::newRow("unknown option") << QStringList{"--record"} << Action::Refuse << 2
                                        << "pelvanto: unknown option '--record'";
        QTest::newRow("unknown after a known one")
            << QStringList{"--version", "-x"} << Action::Refuse << 2
            << "pelvanto: unknown option '-x'";
        QTest::newRow("a file name") << QStringList{"song.wav"} << Action::Refuse << 2
                                     << "pelvanto: unexpected argument 'song.wav'";
        QTest::newRow("Qt's own options are not taken either")
            << QStringList{"-platform", "offscreen"} << Action::Refuse << 2
            << "pelvanto: unknown option '-platform'";
        QTest::newRow("options are whole words") << QStringList{"--versions"} << Action::Refuse << 2
                                                 << "pelvanto: unknown option '--versions'";
        QTest::newRow("empty argument")
            << QStringList{""} << Action::Refuse << 2 << "pelvanto: unexpected argument ''";
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(Action, action);
        QFETCH(int, exitCode);
        QFETCH(QString, firstLine);
        const CommandLine c = CommandLine::parse(arguments, QStringLiteral("9.87"));
        QCOMPARE(c.action, action);
        QCOMPARE(c.exitCode, exitCode);
        QCOMPARE(c.text.section(QLatin1Char('\n'), 0, 0), firstLine);
        if (action == Action::Refuse) // the short usage line follows the mistake
            QCOMPARE(c.text, firstLine + '\n' + CommandLine::usageLine() + '\n');
        if (action != Action::Run)
            QVERIFY(c.text.endsWith('\n'));
    }

    void helpNamesEveryOptionItTakes() {
        const QString help = CommandLine::parse({"--help"}, "1.0").text;
        for (const char *option : {"-h, --help", "-v, --version"})
            QVERIFY2(help.contains(QLatin1String(option)), option);
        QVERIFY(help.contains(QLatin1String("Pelvanto 1.0")));
    }
};

QTEST_APPLESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
