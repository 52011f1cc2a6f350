#pragma once

#include <QString>

namespace pelvanto {

// The file one recording writes. An existing file of the chosen name is left
// untouched until audio has reached the new one: the recording goes to a
// temporary name beside it and takes its place then. A start that fails
// before any audio leaves no file of its own behind.
class RecordingOutput {
public:
    RecordingOutput() = default;
    explicit RecordingOutput(const QString &target);

    // The name the recording is meant to have.
    QString target() const { return target_; }
    // Where the audio file is created: the target, or a free temporary name
    // beside it with the same extension when a file is there already.
    QString writePath() const { return writePath_; }

    // Audio has reached the file: it takes the target's place. True when it
    // is there (already, or now).
    bool commit();
    // Removes what this recording created; an earlier file at the target stays.
    void discard();

    enum class Outcome {
        Kept,            // the recording is at target()
        NothingRecorded, // no audio was written: no file of this recording is left
        Vanished,        // the file is gone (its folder was deleted or moved meanwhile)
    };
    // Ends the recording after `framesWritten` frames reached the file.
    Outcome finish(qint64 framesWritten, bool failed);

private:
    QString target_;
    QString writePath_;
    bool committed_ = false;
};

} // namespace pelvanto
