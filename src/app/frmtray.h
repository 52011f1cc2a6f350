#pragma once

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>

class QMenu;
class QWidget;

namespace pelvanto {

// The tray host: the notification-area icon with its menu. It knows no main
// window logic; the main window connects the signals below and asks
// available() whether minimising may hide it.
class frmtray : public QObject { // NOLINT(readability-identifier-naming): the form's name
    Q_OBJECT
public:
    // Adds the icon at once when the desktop has a tray.
    explicit frmtray(QObject *parent = nullptr);
    ~frmtray() override;
    frmtray(const frmtray &) = delete;
    frmtray &operator=(const frmtray &) = delete;

    // Whether the desktop has a notification area. Without one the main
    // window must stay on the screen when minimised: nothing could restore it.
    bool available() const;

    // The window that a left click and the "Pelvanto" entry bring back.
    void setMainWindow(QWidget *window);
    // Shows the main window in normal state, raised and active.
    void restoreMainWindow();

    // Takes the icon out of the notification area (at exit).
    void removeIcon();

    QSystemTrayIcon *trayIcon() const { return icon_; }
    QMenu *menu() const { return menu_; }

    // The record-dot image of the icon, drawn at the sizes trays ask for.
    static QIcon makeIcon();

signals:
    void webRequested();      // "Pelvanto On the Web"
    void helpRequested();     // "Help"
    void restoreRequested();  // "Pelvanto" and a left click on the icon
    void settingsRequested(); // "Settings": the recording options window
    void recordRequested();   // "Record Now": StartRecord
    void stopRequested();     // "Stop Record": StopRecord when a recording runs
    void exitRequested();     // "Exit": exitsystem

private:
    void activated(QSystemTrayIcon::ActivationReason reason);

    QMenu *menu_ = nullptr;
    QSystemTrayIcon *icon_ = nullptr;
    QPointer<QWidget> mainWindow_;
};

} // namespace pelvanto
