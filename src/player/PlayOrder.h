#pragma once

#include <functional>

namespace pelvanto {

// What follows an entry: the next one, a random one, or nothing.
enum class PlayMode { Normal, Random, None };

// Which entry previous, next and the end of a track lead to. Indexes count from 0; -1 means
// no entry (an empty list, or stop).
namespace playorder {

// The first entry before the first wraps round to the last; nothing selected counts as the first.
int previous(int current, int count);
// The last entry wraps round to the first; nothing selected counts as before the first.
int next(int current, int count);

// A number in [0, 1).
using Random = std::function<double()>;
Random systemRandom();

// At the end of a track: the same entry again when the song repeats; else by mode — the next
// entry, staying on the last one (normal), any entry (random), or stop (none).
int afterEnd(PlayMode mode, bool repeatSong, int current, int count, const Random &random);

} // namespace playorder
} // namespace pelvanto
