#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace pelvanto {

// Positions of the ID3v1 texts, in the order of the editor's ID3v1 boxes.
enum Id3v1Text : int { V1Track, V1Title, V1Artist, V1Album, V1Year, V1Comment, V1TextCount };
// Positions of the ID3v2 texts, in the order of the editor's ID3v2 boxes.
enum Id3v2Text : int {
    V2Track,
    V2Title,
    V2Artist,
    V2Album,
    V2Year,
    V2Comment,
    V2Composer,
    V2OrigArtist,
    V2Copyright,
    V2URL,
    V2EncodedBy,
    V2TextCount
};

// What the tag editor knows of one MP3 file of the folder on display.
struct TagItem {
    std::array<QString, V1TextCount> v1;
    std::uint8_t v1Genre = 0;
    std::array<QString, V2TextCount> v2;
    QString v2Genre;
    bool hasV1 = false;
    bool hasV2 = false;
    QString fileName;
};

// The edit fields of the window: whether each tag is ticked, its texts and its genre.
struct EditorFields {
    bool hasV1 = false;
    std::array<QString, V1TextCount> v1;
    int v1Genre = -1; // list position; -1 selects nothing
    bool hasV2 = false;
    std::array<QString, V2TextCount> v2;
    QString v2Genre;
};

} // namespace pelvanto
