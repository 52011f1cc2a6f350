#include "MainMenus.h"

#include <QMenu>
#include <QMenuBar>

namespace pelvanto {

namespace {
QAction *add(QMenu *menu, const char *text, const char *name) {
    QAction *action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}
QMenu *menu(QMenuBar *bar, const char *title, const char *name) {
    QMenu *m = bar->addMenu(QString::fromLatin1(title));
    m->setObjectName(QString::fromLatin1(name));
    return m;
}
} // namespace

MainMenus MainMenus::build(QMenuBar *bar) {
    MainMenus m;
    m.file = menu(bar, "File(&F)", "mnuFile");
    m.newProject = add(m.file, "New Recording Project", "mnuNewProject");
    m.openProject = add(m.file, "Open Recording Project", "mnuOpenProject");
    m.saveProject = add(m.file, "Save Recording Project", "mnuSaveProject");
    m.file->addSeparator();
    m.exit = add(m.file, "Exit", "mnuExit");

    m.edit = menu(bar, "Edit(&E)", "mnuEdit");
    m.playSelected = add(m.edit, "Play Selected File", "mnuPlaySelected");
    m.edit->addSeparator();
    m.rename = add(m.edit, "Rename", "mnuRename");
    m.remove = add(m.edit, "Remove Selected Item", "mnuRemove");
    m.deleteFile = add(m.edit, "Delete Selected File", "mnuDelete");

    m.action = menu(bar, "Action(&A)", "mnuAction");
    m.record = add(m.action, "Record", "mnuRecord");
    m.stop = add(m.action, "Stop", "mnuStop");
    m.action->addSeparator();
    m.playAudio = add(m.action, "Play Audio", "mnuPlayAudio");
    m.pausePlay = add(m.action, "Pause Play", "mnuPausePlay");
    m.stopPlay = add(m.action, "Stop Play", "mnuStopPlay");
    m.audioPlayer = add(m.action, "Audio Player", "mnuAudioPlayer");
    m.audioConverter = add(m.action, "Audio Converter", "mnuAudioConverter");
    m.editId3 = add(m.action, "Edit ID3", "mnuEditId3");

    m.option = menu(bar, "Option(&O)", "mnuOption");
    m.outputFile = add(m.option, "Output File", "mnuOutputFile");
    m.formatSettings = add(m.option, "Format Settings", "mnuFormatSettings");
    m.schedule = add(m.option, "Schedule", "mnuSchedule");
    m.recordControl = add(m.option, "Record Control", "mnuRecordControl");

    m.help = menu(bar, "Help(&H)", "mnuHelp");
    m.helpContents = add(m.help, "Help", "mnuHelpContents");
    m.homePage = add(m.help, "Pelvanto Home Page", "mnuHomePage");
    m.support = add(m.help, "Technical Support", "mnuSupport");
    m.about = add(m.help, "About", "mnuAbout");
    return m;
}

} // namespace pelvanto
