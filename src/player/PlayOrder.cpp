#include "PlayOrder.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

namespace pelvanto::playorder {

int previous(int current, int count) {
    if (count <= 0)
        return -1;
    return current >= 1 && current < count ? current - 1 : count - 1;
}

int next(int current, int count) {
    if (count <= 0)
        return -1;
    return current < count - 1 ? std::max(current, -1) + 1 : 0;
}

Random systemRandom() {
    return [] { return QRandomGenerator::global()->generateDouble(); };
}

int afterEnd(PlayMode mode, bool repeatSong, int current, int count, const Random &random) {
    if (count <= 0)
        return -1;
    if (repeatSong && current >= 0 && current < count)
        return current;
    switch (mode) {
    case PlayMode::Random:
        return std::clamp(static_cast<int>(std::floor(count * random())), 0, count - 1);
    case PlayMode::Normal:
        return std::min(std::max(current, -1) + 1, count - 1);
    case PlayMode::None:
        break;
    }
    return -1;
}

} // namespace pelvanto::playorder
