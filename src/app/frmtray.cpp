#include "frmtray.h"

#include "platform/MessageBox.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>
#include <QWidget>

namespace pelvanto {

namespace {

QPixmap recordDot(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal margin = size / 8.0;
    const QRectF ring(margin, margin, size - 2 * margin, size - 2 * margin);
    // A light ring keeps the dot visible on dark and light panels alike.
    p.setPen(QPen(QColor(250, 250, 250, 230), qMax(1.0, size / 16.0)));
    QRadialGradient fill(ring.center() - QPointF(size / 10.0, size / 10.0), ring.width() / 1.6);
    fill.setColorAt(0.0, QColor(255, 110, 100));
    fill.setColorAt(0.55, QColor(220, 30, 30));
    fill.setColorAt(1.0, QColor(150, 10, 15));
    p.setBrush(fill);
    p.drawEllipse(ring);
    return pixmap;
}

} // namespace

QIcon frmtray::makeIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64})
        icon.addPixmap(recordDot(size));
    return icon;
}

frmtray::frmtray(QObject *parent) : QObject(parent) {
    menu_ = new QMenu(); // NOLINT(cppcoreguidelines-owning-memory): deleted in the destructor
    const auto add = [this](const char *text, void (frmtray::*signal)()) {
        QAction *action = menu_->addAction(QString::fromLatin1(text));
        connect(action, &QAction::triggered, this, signal);
    };
    add("Pelvanto On the Web", &frmtray::webRequested);
    add("Help", &frmtray::helpRequested);
    menu_->addSeparator();
    QAction *show = menu_->addAction(QStringLiteral("Pelvanto"));
    connect(show, &QAction::triggered, this, &frmtray::restoreMainWindow);
    menu_->addSeparator();
    add("Settings", &frmtray::settingsRequested);
    menu_->addSeparator();
    add("Record Now", &frmtray::recordRequested);
    add("Stop Record", &frmtray::stopRequested);
    menu_->addSeparator();
    add("Exit", &frmtray::exitRequested);

    icon_ = new QSystemTrayIcon(makeIcon(), this);
    icon_->setToolTip(QString::fromLatin1(kAppTitle));
    icon_->setContextMenu(menu_);
    connect(icon_, &QSystemTrayIcon::activated, this, &frmtray::activated);
    icon_->show();
}

frmtray::~frmtray() {
    removeIcon();
    delete menu_;
}

bool frmtray::available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void frmtray::setMainWindow(QWidget *window) {
    mainWindow_ = window;
}

void frmtray::restoreMainWindow() {
    if (mainWindow_) {
        mainWindow_->setWindowState((mainWindow_->windowState() & ~Qt::WindowMinimized) |
                                    Qt::WindowActive);
        mainWindow_->showNormal();
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
    emit restoreRequested();
}

void frmtray::removeIcon() {
    if (icon_)
        icon_->hide();
}

void frmtray::activated(QSystemTrayIcon::ActivationReason reason) {
    // The right button opens the context menu by itself.
    if (reason == QSystemTrayIcon::Trigger)
        restoreMainWindow();
}

} // namespace pelvanto
