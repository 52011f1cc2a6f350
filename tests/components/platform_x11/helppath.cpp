// Prints where the program would find its help, as seen from wherever this
// executable has been copied to.
#include "platform/HelpOpener.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    std::printf("%s\n", pelvanto::HelpOpener::indexPath().toLocal8Bit().constData());
    return 0;
}
