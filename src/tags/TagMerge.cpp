#include "TagMerge.h"

#include "TagText.h"
#include "clsID3v1.h"

namespace pelvanto {

namespace {

int genrePosition(std::uint8_t genre) {
    return genre < clsID3v1::GenreCount ? genre : -1;
}

bool sameText(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

EditorFields SingleFields(const TagItem &item) {
    EditorFields f;
    f.hasV1 = item.hasV1;
    if (item.hasV1) {
        f.v1 = item.v1;
        f.v1Genre = genrePosition(item.v1Genre);
    }
    f.hasV2 = item.hasV2;
    if (item.hasV2) {
        f.v2 = item.v2;
        f.v2Genre = item.v2Genre;
    }
    return f;
}

EditorFields MergedFields(const std::vector<const TagItem *> &items) {
    EditorFields f;
    for (const TagItem *item : items) {
        if (!item->hasV1)
            continue;
        if (!f.hasV1) {
            f.hasV1 = true;
            f.v1 = item->v1;
            f.v1Genre = item->v1Genre;
            continue;
        }
        if (LeadingNumber(f.v1[V1Track]) != LeadingNumber(item->v1[V1Track]))
            f.v1[V1Track].clear();
        for (int k = V1Title; k < V1TextCount; ++k)
            if (!sameText(f.v1[k], item->v1[k]))
                f.v1[k].clear();
        if (f.v1Genre != item->v1Genre)
            f.v1Genre = -1;
    }
    if (f.hasV1) {
        if (LeadingNumber(f.v1[V1Track]) <= 0)
            f.v1[V1Track].clear();
        if (f.v1Genre >= 0)
            f.v1Genre = genrePosition(static_cast<std::uint8_t>(f.v1Genre));
    }
    for (const TagItem *item : items) {
        if (!item->hasV2)
            continue;
        if (!f.hasV2) {
            f.hasV2 = true;
            f.v2 = item->v2;
            f.v2Genre = item->v2Genre;
            continue;
        }
        if (f.v2[V2Track] != item->v2[V2Track])
            f.v2[V2Track].clear();
        for (int k = V2Title; k < V2TextCount; ++k)
            if (!sameText(f.v2[k], item->v2[k]))
                f.v2[k].clear();
        if (!sameText(f.v2Genre, item->v2Genre))
            f.v2Genre.clear();
    }
    return f;
}

} // namespace pelvanto
