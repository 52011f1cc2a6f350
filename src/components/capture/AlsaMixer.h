#pragma once

#include "capture/MixerBackend.h"

namespace pelvanto::alsamixer {

// Capture switches and levels of an ALSA card's mixer ("hw:<card>"). Levels are scaled to
// 0..65535. An unreachable card has no controls.
QVector<CardControl> controls(const QString &card);
QVariant value(const QString &card, int index);
bool setValue(const QString &card, int index, const QVariant &value);

} // namespace pelvanto::alsamixer
