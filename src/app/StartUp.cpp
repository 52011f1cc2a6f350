#include "StartUp.h"

#include "DefaultSettings.h"
#include "Form1.h"
#include "Form5.h"
#include "Inifun.h"
#include "frmtray.h"
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
    // Before the main window reads it: a first start gets the shipped settings.
    DefaultSettings::installIfMissing(Inifun::settingsFile());
    // Closing the last window must not end the program behind exitsystem's back.
    QApplication::setQuitOnLastWindowClosed(false);

    frmtray tray;
    Form1 mainWindow(&tray);
    // The schedule runs hidden from the start; its timer starts and stops recordings.
    Form5 schedule(mainWindow, &mainWindow);
    mainWindow.setScheduleWindow(&schedule);
    QObject::connect(&mainWindow, &Form1::exited, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    mainWindow.show();
    return app.exec();
}

} // namespace pelvanto
