#pragma once

class QAction;
class QMenu;
class QMenuBar;

namespace pelvanto {

// The main window's menus, in their order and with their captions. The window
// connects the actions; the Edit menu doubles as the list's pop-up menu.
struct MainMenus {
    QMenu *file = nullptr;
    QAction *newProject = nullptr;
    QAction *openProject = nullptr;
    QAction *saveProject = nullptr;
    QAction *exit = nullptr;

    QMenu *edit = nullptr;
    QAction *playSelected = nullptr;
    QAction *rename = nullptr;
    QAction *remove = nullptr;
    QAction *deleteFile = nullptr;

    QMenu *action = nullptr;
    QAction *record = nullptr;
    QAction *stop = nullptr;
    QAction *playAudio = nullptr;
    QAction *pausePlay = nullptr;
    QAction *stopPlay = nullptr;
    QAction *audioPlayer = nullptr;
    QAction *audioConverter = nullptr;
    QAction *editId3 = nullptr;

    QMenu *option = nullptr;
    QAction *outputFile = nullptr;
    QAction *formatSettings = nullptr;
    QAction *schedule = nullptr;
    QAction *recordControl = nullptr;

    QMenu *help = nullptr;
    QAction *helpContents = nullptr;
    QAction *homePage = nullptr;
    QAction *support = nullptr;
    QAction *about = nullptr;

    static MainMenus build(QMenuBar *bar);
};

} // namespace pelvanto
