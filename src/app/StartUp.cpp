#include "StartUp.h"

#include "Form1.h"
#include "platform/MessageBox.h"
#include "platform/SingleInstance.h"

#include <QApplication>

namespace pelvanto {

int runPelvanto(QApplication &app) {
    SingleInstance instance;
    if (!instance.acquire()) {
        MessageBox::show(nullptr,
                         QStringLiteral("There is another copy of the application being executed!"),
                         QMessageBox::Critical);
        return 1;
    }
    Form1 mainWindow;
    mainWindow.show();
    return app.exec();
}

} // namespace pelvanto
