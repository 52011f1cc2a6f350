#pragma once

#include <QString>

namespace pelvanto {

class clsFMOD;

// Plays the selected file of the tag editor so the user can tell which song it is.
class TagPreview {
public:
    // ready: whether the sound library started; when not, every command does nothing.
    TagPreview(clsFMOD &fmod, bool ready) : fmod_(fmod), ready_(ready) {}

    // "pause", "forward", "back" and "jump" act on the loaded stream; anything else (a
    // command word while nothing is loaded too) unloads it and plays the file it names, if
    // any. A file that cannot be played leaves nothing loaded.
    void Playback(const QString &sFile);
    bool ready() const { return ready_; }
    static bool IsCommand(const QString &word);

private:
    clsFMOD &fmod_;
    bool ready_;
};

} // namespace pelvanto
