#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace pelvanto {

// Where the converter writes: every output lies beside the input and is named from the input's
// folder and its file name up to the first dot (song.live.mp3 gives the base song).
class ConversionNames {
public:
    // The output base of a typed input path; nothing when no file of that name exists or its
    // name has no dot.
    static std::optional<QString> outputBase(const QString &typedPath);

    // kbps is the bit rate the MP3 encoder will use; 0 for the quality-driven variable modes,
    // which have none to put in a name.
    static QString mp3Output(const QString &base, int kbps);
    static QString oggOutput(const QString &base);
    static QString wmaOutput(const QString &base, int profile);
    // Where a conversion that could not read its whole input leaves its output.
    static QString incompleteOutput(const QString &output);

    // The name under which a folder stores the file reached by a typed name: the typed name when
    // the folder lists it so, otherwise the one listed name that differs only in letter case and
    // is the same file (a case-insensitive file system), otherwise the typed name.
    static QString storedName(const QString &typedName, const QStringList &listing,
                              const std::function<bool(const QString &listed)> &sameFile);

    // Whether two paths reach the same file (through links or letter case too).
    static bool sameFile(const QString &a, const QString &b);
};

} // namespace pelvanto
