// Holds the single-copy lock at the path given, as a second copy of the
// program would: prints "held" or "refused", then waits for a line on stdin.
#include "platform/SingleInstance.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    pelvanto::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const bool held = instance.acquire();
    std::printf("%s\n", held ? "held" : "refused");
    std::fflush(stdout);
    std::string line;
    std::getline(std::cin, line);
    return held ? 0 : 1;
}
