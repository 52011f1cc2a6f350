#include "TagSaveRun.h"

#include "StagedTagFile.h"
#include "TagText.h"
#include "clsID3v1.h"
#include "clsID3v23.h"

#include <algorithm>

namespace pelvanto {

namespace {

// The ID3v2 track box: its text when it starts with a number above 0, else nothing.
QString v2Track(const QString &text) {
    return LeadingNumber(text) > 0 ? text : QString();
}

} // namespace

TagSaveRun::TagSaveRun(const EditorFields &fields, const SaveOptions &options)
    : fields_(fields), options_(options) {}

std::uint8_t TagSaveRun::TrackFromText(const QString &text) {
    return static_cast<std::uint8_t>(std::clamp<qint64>(LeadingNumber(text.trimmed()), 0, 255));
}

std::uint8_t TagSaveRun::TrackFromIndex(int index) {
    return static_cast<std::uint8_t>(index >= 0 && index <= 255 ? index : 0);
}

bool TagSaveRun::saveSingle(TagItem &record) {
    return save(record, false);
}

bool TagSaveRun::saveNextChecked(TagItem &record) {
    ++fileIndex_;
    return save(record, true);
}

bool TagSaveRun::save(TagItem &record, bool multiple) {
    StagedTagFile file;
    if (!file.begin(record.fileName))
        return false;
    TagItem updated = record;
    if (!saveV1(file.workPath(), updated, multiple) ||
        !saveV2(file.workPath(), updated, multiple) || !file.commit())
        return false;
    record = updated;
    return true;
}

bool TagSaveRun::saveV1(const QString &path, TagItem &record, bool multiple) const {
    clsID3v1 tag;
    tag.setFilename(path);
    if (!fields_.hasV1) {
        for (QString &text : record.v1)
            text.clear();
        record.v1Genre = 0;
        const bool had = record.hasV1;
        record.hasV1 = false;
        return !had || tag.RemoveTag();
    }
    const auto &box = fields_.v1;
    const auto setComment = [&tag](const QString &text) {
        // A 29th or 30th character without a Latin-1 code cannot go into the track bytes.
        if (!tag.setTagComments(text))
            (void)tag.setTagComments(text.left(28));
    };
    if (multiple && options_.keepOriginal) {
        (void)tag.ReadTag();
        if (!box[V1Track].trimmed().isEmpty())
            tag.setTagTrack(TrackFromText(box[V1Track]));
        if (!box[V1Title].trimmed().isEmpty())
            tag.setTagTitle(box[V1Title].trimmed());
        if (!box[V1Artist].trimmed().isEmpty())
            tag.setTagArtist(box[V1Artist].trimmed());
        if (!box[V1Album].trimmed().isEmpty())
            tag.setTagAlbum(box[V1Album].trimmed());
        if (!box[V1Year].trimmed().isEmpty())
            tag.setTagYear(box[V1Year].trimmed());
        if (!box[V1Comment].trimmed().isEmpty())
            setComment(box[V1Comment].trimmed());
        if (fields_.v1Genre >= 0)
            tag.setTagGenre(static_cast<std::uint8_t>(fields_.v1Genre));
    } else {
        tag.setTagTrack(TrackFromText(box[V1Track]));
        tag.setTagTitle(box[V1Title].trimmed());
        tag.setTagArtist(box[V1Artist].trimmed());
        tag.setTagAlbum(box[V1Album].trimmed());
        tag.setTagYear(box[V1Year].trimmed());
        setComment(box[V1Comment].trimmed());
        // No genre chosen is stored as the tag's own "none".
        tag.setTagGenre(fields_.v1Genre >= 0 && fields_.v1Genre <= 255
                            ? static_cast<std::uint8_t>(fields_.v1Genre)
                            : clsID3v1::NoGenre);
    }
    if (multiple && options_.trackFromIndex)
        tag.setTagTrack(TrackFromIndex(fileIndex_));
    if (multiple && options_.titleFromName)
        tag.setTagTitle(GrabTitle(record.fileName));
    if (!tag.SaveTag())
        return false;
    record.v1[V1Title] = tag.tagTitle();
    record.v1[V1Artist] = tag.tagArtist();
    record.v1[V1Album] = tag.tagAlbum();
    record.v1[V1Year] = tag.tagYear();
    record.v1[V1Comment] = tag.tagComments();
    record.v1Genre = tag.tagGenre();
    record.v1[V1Track] = QString::number(tag.tagTrack());
    record.hasV1 = true;
    return true;
}

bool TagSaveRun::saveV2(const QString &path, TagItem &record, bool multiple) const {
    clsID3v23 tag;
    tag.setFilename(path);
    if (!fields_.hasV2) {
        for (QString &text : record.v2)
            text.clear();
        record.v2Genre.clear();
        const bool had = record.hasV2;
        record.hasV2 = false;
        return !had || tag.RemoveTag();
    }
    const auto &box = fields_.v2;
    std::array<QString, V2TextCount> values;
    QString genre;
    if (multiple && options_.keepOriginal) {
        (void)tag.ReadTag();
        values = {tag.tagTrack(),     tag.tagTitle(),    tag.tagArtist(),   tag.tagAlbum(),
                  tag.tagYear(),      tag.tagComments(), tag.tagComposer(), tag.tagOrigArtist(),
                  tag.tagCopyright(), tag.tagURL(),      tag.tagEncodedBy()};
        genre = tag.tagGenre();
        if (!box[V2Track].trimmed().isEmpty())
            values[V2Track] = v2Track(box[V2Track]);
        for (int k = V2Title; k < V2TextCount; ++k)
            if (!box[k].trimmed().isEmpty())
                values[k] = box[k];
        if (!fields_.v2Genre.trimmed().isEmpty())
            genre = fields_.v2Genre;
    } else {
        values = box;
        values[V2Track] = v2Track(box[V2Track]);
        genre = fields_.v2Genre;
    }
    if (multiple && options_.trackFromIndex)
        values[V2Track] = QString::number(fileIndex_);
    if (multiple && options_.titleFromName)
        values[V2Title] = GrabTitle(record.fileName);
    tag.setTagTrack(values[V2Track]);
    tag.setTagTitle(values[V2Title]);
    tag.setTagArtist(values[V2Artist]);
    tag.setTagAlbum(values[V2Album]);
    tag.setTagYear(values[V2Year]);
    tag.setTagComments(values[V2Comment]);
    tag.setTagComposer(values[V2Composer]);
    tag.setTagOrigArtist(values[V2OrigArtist]);
    tag.setTagCopyright(values[V2Copyright]);
    tag.setTagURL(values[V2URL]);
    tag.setTagEncodedBy(values[V2EncodedBy]);
    tag.setTagGenre(genre);
    if (!tag.SaveTag())
        return false;
    record.v2 = values;
    record.v2Genre = WithoutGenreReference(genre);
    record.hasV2 = true;
    return true;
}

} // namespace pelvanto
