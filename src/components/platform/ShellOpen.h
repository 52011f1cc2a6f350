#pragma once

#include <QString>
#include <QUrl>

namespace pelvanto {

// Opens a web address or a document in the desktop's default program.
// Only http and https addresses and existing, non-executable local files are
// opened; anything else (other schemes, missing files, folders, programs) is
// refused, so text from a file or a tag can never start a program.
class ShellOpen {
public:
    // Returns whether the text was handed to the desktop. Callers usually
    // ignore the result: a missing browser is not the program's error.
    static bool open(const QString &text);

    // What open() would hand to the desktop, or an invalid URL when refused.
    static QUrl target(const QString &text);
};

} // namespace pelvanto
