#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace pelvanto {

// One way to bring up the desktop's recording mixer.
struct MixerCommand {
    QString program;
    QStringList arguments;
};

// The "Record Control" entry: starts the desktop's recording mixer, trying
// the known mixers in order and stopping at the first that starts.
class MixerLauncher {
public:
    // PulseAudio's volume control on its recording tab first, then the mixers
    // of the common desktops.
    static QList<MixerCommand> knownMixers();

    explicit MixerLauncher(QList<MixerCommand> mixers = knownMixers());

    // Starts the first mixer that can be started, detached from this program.
    // Returns its index in the list, or -1 when none could be started.
    int launch() const;

    const QList<MixerCommand> &mixers() const { return mixers_; }

private:
    QList<MixerCommand> mixers_;
};

} // namespace pelvanto
