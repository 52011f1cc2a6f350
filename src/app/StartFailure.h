#pragma once

#include <QString>

namespace pelvanto {

// Why a recording could not begin: a few words for status texts and the
// schedule ("folder missing") and a sentence for the user.
struct StartFailure {
    QString reason;
    QString message;

    // No file could be created at `path`; `detail` is the audio-file
    // component's own account. The folder and the disk are examined to say why.
    static StartFailure fileNotCreated(const QString &path, const QString &detail);
    // The recorder did not start. `serverAnswers`: whether a sound server is
    // there at all; `anyDevice`: whether it lists a recording device.
    static StartFailure recorderRefused(bool serverAnswers, bool anyDevice, const QString &detail);
    // The first audio could not be written (`detail`: why, as the writer says).
    static StartFailure audioNotWritten(const QString &path, const QString &detail);
    // The program is on its way out.
    static StartFailure closing();
    // No recording device at all, for the notice at start-up.
    static StartFailure noDevice(bool serverAnswers);
};

} // namespace pelvanto
