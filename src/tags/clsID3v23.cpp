#include "clsID3v23.h"

#include "TagText.h"
#include "id3v2/ID3v2TagComponent.h"

#include <array>

namespace pelvanto {

namespace {
// The order in which fields are fetched and handed over, by frame index.
constexpr std::array<qint16, 12> kFieldOrder = {4, 3, 7, 8, 10, 12, 6, 9, 2, 1, 11, 5};
} // namespace

clsID3v23::clsID3v23() = default;
clsID3v23::~clsID3v23() = default;

QString *clsID3v23::field(qint16 index) {
    switch (index) {
    case 1:
        return &track_;
    case 2:
        return &title_;
    case 3:
        return &artist_;
    case 4:
        return &album_;
    case 5:
        return &year_;
    case 6:
        return &genre_;
    case 7:
        return &comments_;
    case 8:
        return &composer_;
    case 9:
        return &origArtist_;
    case 10:
        return &copyright_;
    case 11:
        return &url_;
    case 12:
        return &encodedBy_;
    default:
        return nullptr;
    }
}

ID3v2TagComponent &clsID3v23::freshComponent() {
    component_ = std::make_unique<ID3v2TagComponent>();
    return *component_;
}

QString clsID3v23::tagTrimmedGenre() const {
    return WithoutGenreReference(genre_);
}

bool clsID3v23::ReadTag() {
    ID3v2TagComponent &tag = freshComponent();
    if (!tag.Load(filename_))
        return false;
    if (!tag.TagFound()) {
        for (qint16 index : kFieldOrder)
            field(index)->clear();
        return false;
    }
    for (qint16 index : kFieldOrder)
        if (!tag.GetFrameText(index, *field(index)))
            return false;
    return true;
}

bool clsID3v23::SaveTag() {
    ID3v2TagComponent &tag = freshComponent();
    for (qint16 index : kFieldOrder)
        if (!tag.SetFrameText(index, *field(index)))
            return false;
    return tag.Save(filename_, true);
}

bool clsID3v23::RemoveTag() {
    return freshComponent().Remove(filename_, true);
}

bool clsID3v23::HasTag() {
    ID3v2TagComponent &tag = freshComponent();
    return tag.Load(filename_) && tag.TagFound();
}

} // namespace pelvanto
