#pragma once

#include <QString>

namespace pelvanto {

// A working copy of a file beside it, for a change made in several steps (the ID3v1 and
// the ID3v2 tag): the steps change the copy, and commit renames it over the file in one
// step. Without a commit the copy is removed and the file is exactly as it was.
class StagedTagFile {
public:
    StagedTagFile() = default;
    ~StagedTagFile();
    StagedTagFile(const StagedTagFile &) = delete;
    StagedTagFile &operator=(const StagedTagFile &) = delete;

    // Makes the copy. False when the file is missing, not a regular file, read-only (nobody
    // may write it), or the copy cannot be written (a full disk).
    bool begin(const QString &path);
    QString workPath() const { return work_; }
    bool commit();

private:
    void discard();

    QString target_;
    QString work_;
};

} // namespace pelvanto
