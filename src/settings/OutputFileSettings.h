#pragma once

#include <QString>

namespace pelvanto {

// The output-file keys of [set]: where recordings go and how they are named.
// The options window edits them; every recording start reads them afresh.
struct OutputFileSettings {
    QString folder;         // as stored; see effectiveFolder()
    QString prefix;         // as stored; a recording uses it unchanged
    bool dateTime = true;   // append "mmddyyhhmmss" to the prefix
    bool overwrite = false; // without date-time: replace an existing plain name

    static OutputFileSettings read(const QString &settingsFile);
    // Writes the four keys, each on its own; returns whether all reached the disk.
    bool write(const QString &settingsFile) const;

    // Empty or "0" stands for the program folder (for an installed copy, the
    // default recording folder in the user's music folder).
    static bool meansProgramFolder(const QString &folder);
    QString effectiveFolder() const;
    // The prefix the options window shows: "Recorded" for an empty or "0" one.
    static QString shownPrefix(const QString &prefix);

    // "outputformat", the main window's format list index: read at start-up, written at exit.
    // A value that is no index into a list of `listSize` entries gives 0, "WAV".
    static int readFormatIndex(const QString &settingsFile, int listSize);
    static bool writeFormatIndex(const QString &settingsFile, int index);
};

} // namespace pelvanto
