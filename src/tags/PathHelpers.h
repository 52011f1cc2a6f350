#pragma once

#include <QString>

namespace pelvanto {

// The text before the first NUL character (all of it when there is none).
QString CutAtNul(const QString &text);

// Parts of a path for SplitPath, combined with |.
enum PathPart : int {
    PathName = 1,      // file name without folder and extension
    PathExtension = 2, // extension without its dot
    PathFolder = 4,    // folder with its final "/"
};

// Builds a string from the selected parts of a path: the folder (up to and
// including the last "/"), the name (after the last "/", up to the last dot
// when that dot lies after it) and the extension (after that dot). With name
// and extension both selected they are joined by the dot, so a file without
// an extension gives its bare name: /music/Song.Live.mp3 gives Song.Live
// (name), mp3 (extension), Song.Live.mp3 (both) and /music/ (folder).
QString SplitPath(const QString &path, int parts);

} // namespace pelvanto
