#pragma once

#include <QString>

namespace pelvanto {

// The settings a first start begins with: the program ships a settings.dat
// with the filters and the gain control off, so a fresh install records what
// it hears instead of a telephone line.
class DefaultSettings {
public:
    // The shipped defaults (defaults/settings.dat among the program's
    // resources); empty when none is found.
    static QString shippedFile();

    // Puts a copy of the shipped defaults at `settingsFile` when no file is
    // there yet; an existing file, even an empty one, is the user's and stays.
    // Returns whether a copy was written.
    static bool installIfMissing(const QString &settingsFile);
};

} // namespace pelvanto
