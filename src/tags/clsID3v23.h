#pragma once

#include <QString>

#include <memory>

namespace pelvanto {

class ID3v2TagComponent;

// Twelve text fields of the ID3v2 tag at the start of an MP3 file, read from
// any ID3v2 version and written as ID3v2.3 through ID3v2TagComponent. Values
// are held and handed over unchanged: no trimming, no length limit. Frames
// of the file's tag other than the twelve are kept on save.
class clsID3v23 {
public:
    clsID3v23();
    ~clsID3v23();
    clsID3v23(const clsID3v23 &) = delete;
    clsID3v23 &operator=(const clsID3v23 &) = delete;

    QString filename() const { return filename_; }
    void setFilename(const QString &path) { filename_ = path; }

    // True when the file has an ID3v2 tag; its fields are then loaded. A file
    // without one empties all twelve; a failure leaves them as they were.
    bool ReadTag();
    // Writes all twelve values (empty ones remove their frame).
    bool SaveTag();
    // Removes the ID3v2 tag; true also when the file has none.
    bool RemoveTag();
    bool HasTag();

    QString tagTrack() const { return track_; }
    void setTagTrack(const QString &v) { track_ = v; }
    QString tagTitle() const { return title_; }
    void setTagTitle(const QString &v) { title_ = v; }
    QString tagArtist() const { return artist_; }
    void setTagArtist(const QString &v) { artist_ = v; }
    QString tagAlbum() const { return album_; }
    void setTagAlbum(const QString &v) { album_ = v; }
    QString tagYear() const { return year_; }
    void setTagYear(const QString &v) { year_ = v; }
    QString tagGenre() const { return genre_; }
    void setTagGenre(const QString &v) { genre_ = v; }
    // The genre without a leading "(number)" reference: (17)Rock gives Rock.
    QString tagTrimmedGenre() const;
    QString tagComments() const { return comments_; }
    void setTagComments(const QString &v) { comments_ = v; }
    QString tagComposer() const { return composer_; }
    void setTagComposer(const QString &v) { composer_ = v; }
    QString tagOrigArtist() const { return origArtist_; }
    void setTagOrigArtist(const QString &v) { origArtist_ = v; }
    QString tagCopyright() const { return copyright_; }
    void setTagCopyright(const QString &v) { copyright_ = v; }
    QString tagURL() const { return url_; }
    void setTagURL(const QString &v) { url_ = v; }
    QString tagEncodedBy() const { return encodedBy_; }
    void setTagEncodedBy(const QString &v) { encodedBy_ = v; }

private:
    QString *field(qint16 index);
    ID3v2TagComponent &freshComponent();

    QString filename_;
    QString track_, title_, artist_, album_, year_, genre_, comments_, composer_, origArtist_,
        copyright_, url_, encodedBy_;
    std::unique_ptr<ID3v2TagComponent> component_;
};

} // namespace pelvanto
