#pragma once

#include <QString>

namespace pelvanto::sound {

// Failure codes of the sound library. Every failing call leaves one of these as the engine's
// last error; the numbers are part of the contract (callers map them to texts and back).
enum class SoundError : int {
    None = 0,
    Busy = 1,          // a set-up call after initialisation
    Uninitialized = 2, // a call that needs initialisation before it
    Init = 3,          // the output device could not be started
    Allocated = 4,     // the output device is in use
    Play = 5,          // playing failed
    OutputFormat = 6,  // the device cannot take 16-bit stereo
    CooperativeLevel = 7,
    CreateBuffer = 8,
    FileNotFound = 9,
    FileFormat = 10, // not a file this library reads
    FileBad = 11,    // a file that could not be read or decoded
    Memory = 12,
    Version = 13,
    InvalidParam = 14,
    NoEax = 15,
    ChannelAlloc = 16, // no free channel
    Record = 17,
    MediaPlayer = 18,
    CdDevice = 19, // the CD drive or disc image could not be opened
};

// The message for a code; "Unknown error" for any number outside the table.
QString errorText(int code);

} // namespace pelvanto::sound
