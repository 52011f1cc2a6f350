#include "PlayerDisplay.h"

#include <algorithm>
#include <cmath>

namespace pelvanto::playerdisplay {

namespace {

// Whole numbers the way the display rounds them: halves to the even neighbour.
qint64 roundEven(double v) {
    return static_cast<qint64>(std::nearbyint(v));
}

} // namespace

int toggledSmall(int height) {
    if (height == kHeightSmall)
        return kHeightNormal;
    if (height == kHeightNormal)
        return kHeightSmall;
    return height;
}

int toggledFold(int height) {
    if (height == kHeightUnfolded)
        return kHeightNormal;
    if (height == kHeightNormal)
        return kHeightUnfolded;
    return height;
}

QString positionText(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const qint64 minutes = roundEven(seconds) / 60;
    qint64 rest = roundEven(seconds - double(minutes * 60));
    if (rest < 0)
        rest = 0;
    return QStringLiteral("%1:%2")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(rest, 2, 10, QLatin1Char('0'));
}

int knobLeft(double position, double duration) {
    if (!(duration > 0) || !std::isfinite(position) || !std::isfinite(duration))
        return -1;
    const double p = std::clamp(position, 0.0, duration);
    return static_cast<int>(std::trunc(kKnobSpan * p / duration)) + kKnobStart;
}

double seekTarget(int left, double duration) {
    if (!(duration > 0))
        return 0;
    return duration * double(left - kKnobStart) / kKnobSpan;
}

int draggedLeft(int leftAtPress, int mouseDeltaPixels, double twipsPerPixel, int minLeft,
                int maxLeft) {
    const auto left = static_cast<int>(std::lround(leftAtPress + mouseDeltaPixels * twipsPerPixel));
    return std::clamp(left, minLeft, maxLeft);
}

int balanceValue(int left) {
    return left - 2500;
}

QString balanceLabel(int left, const QString &shown) {
    QString label = shown;
    if (left < 1335)
        label = QStringLiteral("Center");
    if (left < 1200)
        label = QStringLiteral("Left");
    if (left > 1620)
        label = QStringLiteral("Right");
    return label;
}

int rampedVolume(int volume, bool up) {
    return volume + (up ? kVolumeStep : -kVolumeStep);
}

int volumeSegments(int v, int shown) {
    if (v > -1000)
        return 6;
    if (v > -1500)
        return 5;
    if (v > -2000)
        return 4;
    if (v > -4000)
        return 3;
    if (v > -5000)
        return 2;
    if (v > -6000)
        return 1;
    if (v > -7000)
        return 0;
    return shown;
}

int scrolledTitleLeft(int left, int titleWidth, int displayWidth) {
    const int next = left - 50;
    return next < -titleWidth ? displayWidth : next;
}

QString caption(bool minimised, const QString &title) {
    return minimised ? QStringLiteral("Audio Player...") + title : QStringLiteral("Audio Player");
}

} // namespace pelvanto::playerdisplay
