#pragma once

#include <QString>

namespace pelvanto {

// How the sound library wrapper tells the user about a failure. The windows install one that
// shows message boxes; without one the wrapper stays silent.
class FModNotifier {
public:
    virtual ~FModNotifier() = default;
    // A failed library call: an error box with the library's message.
    virtual void showError(const QString &text) = 0;
    // A file that could not be played: a warning box.
    virtual void showWarning(const QString &text) = 0;
};

} // namespace pelvanto
