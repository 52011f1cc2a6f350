#pragma once

#include "TagItem.h"

namespace pelvanto {

// The three "Multiple file options".
struct SaveOptions {
    bool keepOriginal = true;    // empty fields keep the file's own value
    bool trackFromIndex = false; // track = position among the checked files
    bool titleFromName = false;  // title grabbed from the file name
};

// Writes the edit fields into files: one file (single save), or each checked file in list
// order with the multiple-file options (multiple save). Each file is changed as a whole or
// not at all: a file that cannot be written (read-only, vanished, a full disk) is left as it
// was, its record too, and the result is false.
class TagSaveRun {
public:
    TagSaveRun(const EditorFields &fields, const SaveOptions &options);

    bool saveSingle(TagItem &record);
    // The next checked file of a multiple save; counts it for the file index whether or not
    // it can be written.
    bool saveNextChecked(TagItem &record);
    int fileIndex() const { return fileIndex_; }

    // The ID3v1 track stored for a track text or a file index: numbers past 255 do not fit
    // the track byte. A typed track is held at 255, as the track box does; a file index past
    // 255 stores no track (0) rather than a wrong one.
    static std::uint8_t TrackFromText(const QString &text);
    static std::uint8_t TrackFromIndex(int index);

private:
    bool save(TagItem &record, bool multiple);
    bool saveV1(const QString &path, TagItem &record, bool multiple) const;
    bool saveV2(const QString &path, TagItem &record, bool multiple) const;

    EditorFields fields_;
    SaveOptions options_;
    int fileIndex_ = 0;
};

} // namespace pelvanto
