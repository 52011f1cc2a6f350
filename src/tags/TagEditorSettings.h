#pragma once

#include <QString>

#include <array>
#include <memory>

class QSettings;

namespace pelvanto {

// The tag editor's per-user settings: the three multiple-file options, the splitter
// position (twips from the window's left edge) and the folder on display.
struct TagEditorSettings {
    std::array<bool, 3> options{true, false, false};
    int folderWidth = 3600;
    QString folder;

    // Reads the stored values over the defaults. A value that is not a number stops the
    // reading there: it and the values after it keep their defaults.
    static TagEditorSettings Load(QSettings &store);
    void Save(QSettings &store) const;
    // The user's store of these settings.
    static std::unique_ptr<QSettings> UserStore();
};

} // namespace pelvanto
