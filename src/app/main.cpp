#include "StartUp.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelvanto"));
    QApplication::setOrganizationName(QStringLiteral("Pelvanto"));
    return pelvanto::runPelvanto(app);
}
