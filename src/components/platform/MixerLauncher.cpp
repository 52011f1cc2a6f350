#include "MixerLauncher.h"

#include <QProcess>

#include <utility>

namespace pelvanto {

QList<MixerCommand> MixerLauncher::knownMixers() {
    return {
        // Tab 2 of pavucontrol is "Recording": the streams programs record.
        {QStringLiteral("pavucontrol"), {QStringLiteral("--tab=2")}},
        {QStringLiteral("pavucontrol-qt"), {}},
        {QStringLiteral("gnome-control-center"), {QStringLiteral("sound")}},
        {QStringLiteral("kcmshell6"), {QStringLiteral("kcm_pulseaudio")}},
        {QStringLiteral("kcmshell5"), {QStringLiteral("kcm_pulseaudio")}},
        {QStringLiteral("mate-volume-control"), {}},
    };
}

MixerLauncher::MixerLauncher(QList<MixerCommand> mixers) : mixers_(std::move(mixers)) {}

int MixerLauncher::launch() const {
    for (qsizetype i = 0; i < mixers_.size(); ++i) {
        const MixerCommand &mixer = mixers_.at(i);
        if (mixer.program.isEmpty())
            continue;
        if (QProcess::startDetached(mixer.program, mixer.arguments))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace pelvanto
