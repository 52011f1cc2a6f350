#pragma once

#include "clsFile.h"

#include <QString>
#include <QStringList>

#include <set>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace pelvanto {

// Collects the files of a folder (optionally with all its subfolders) that
// match one or more wildcard patterns. Results of successive Find calls
// accumulate until Clear. Entries are numbered from 1.
class clsFind {
public:
    using const_iterator = std::vector<clsFile>::const_iterator;

    void Clear() { files_.clear(); }
    // The entry at position 1..Count; throws std::out_of_range otherwise.
    const clsFile &Item(int index) const;
    int Count() const { return static_cast<int>(files_.size()); }
    // Removes the entry at 1..Count (later ones move up); throws std::out_of_range otherwise.
    void Remove(int index);
    const_iterator begin() const { return files_.begin(); }
    const_iterator end() const { return files_.end(); }

    // Appends the files of folder that match the patterns, separated
    // by ";" ("*.mp3;*.mp2"; "*" and "?" as wildcards, letter case ignored).
    // When recursive, the files of every subfolder come first, depth first.
    // A folder that cannot be read adds nothing. Returns Count afterwards.
    int Find(const QString &folder, const QString &patterns, bool recursive);

private:
    void findIn(const QString &folder, const QStringList &patterns, bool recursive,
                std::set<std::pair<dev_t, ino_t>> &visited);

    std::vector<clsFile> files_;
};

} // namespace pelvanto
