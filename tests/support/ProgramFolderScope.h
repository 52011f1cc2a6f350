#pragma once

// Points the program folder (settings.dat, schedule.dat) at a fresh temporary folder for the
// life of the object. Needs pelvanto_components.

#include "platform/ProgramFolder.h"

#include <QTemporaryDir>

namespace testsupport {

class ProgramFolderScope {
public:
    ProgramFolderScope() { pelvanto::setProgramFolderOverride(dir_.path()); }
    ~ProgramFolderScope() { pelvanto::setProgramFolderOverride(QString()); }
    ProgramFolderScope(const ProgramFolderScope &) = delete;
    ProgramFolderScope &operator=(const ProgramFolderScope &) = delete;

    QString path() const { return dir_.path(); }
    QString file(const QString &name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

} // namespace testsupport
