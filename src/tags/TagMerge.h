#pragma once

#include "TagItem.h"

#include <vector>

namespace pelvanto {

// The edit fields for one file: its texts as stored; a genre number beyond the list selects
// nothing. A tag the file lacks leaves hasV1 / hasV2 false and its fields empty.
EditorFields SingleFields(const TagItem &item);

// The edit fields for several checked files, merged tag by tag over the files that carry
// the tag, in list order: the first supplies every value, each later one blanks what it does
// not share. Texts compare without regard to letter case, except the ID3v2 track; the ID3v1
// track compares by number. The ID3v1 track shows only when above 0; a genre number the
// files do not share selects nothing.
EditorFields MergedFields(const std::vector<const TagItem *> &items);

} // namespace pelvanto
