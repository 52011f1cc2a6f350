#pragma once

#include "soundlib/SoundError.h"
#include "soundlib/SoundSource.h"
#include "soundlib/StreamTags.h"

#include <QString>
#include <QVector>

#include <memory>

namespace pelvanto {
class AudioFile;
}

namespace pelvanto::sound {

// A sound file played as a stream through the audio-file component's decoders. Opening reads
// the file's tags and checks that it looks like sound; the decoder is opened only when the
// sound is needed (prepare), so that opening a folder of files for their tags stays cheap.
class StreamSource : public SoundSource {
public:
    ~StreamSource() override;

    // Null (and *error set) when the file cannot be opened or is not sound a stream can play:
    // missing, not a regular file, empty, or of no format the decoders read. Tracker modules
    // and MIDI files are left to the music loader.
    static std::unique_ptr<StreamSource> open(const QString &path, SoundError *error);

    const QString &path() const { return path_; }
    qint64 fileSize() const { return fileSize_; }
    const StreamTags &tags() const { return tags_; }

    // Opens the decoder unless it is open; false (and *error) when the file cannot be decoded.
    bool prepare(SoundError *error);
    bool prepared() const { return decoder_ != nullptr; }

    // SoundSource; valid once prepared. Seeks are sample-accurate in every format.
    int sampleRate() const override;
    int channels() const override;
    qint64 read(float *interleaved, qint64 frames) override;
    qint64 lengthMs() const override;
    qint64 positionMs() const override;
    bool seekMs(qint64 ms) override;

private:
    StreamSource() = default;

    QString path_;
    qint64 fileSize_ = 0;
    StreamTags tags_;
    std::unique_ptr<AudioFile> decoder_;
    QVector<qint16> block_; // decoded frames not yet handed out
    qsizetype blockAt_ = 0; // first element not handed out
    qint64 position_ = 0;   // frames handed out
};

} // namespace pelvanto::sound
