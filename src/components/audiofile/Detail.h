#pragma once

// Inner pieces of the audio-file component: the per-format settings, the writer and reader
// interfaces and their factories.

#include "audiofile/AudioFile.h"

#include <QString>

#include <cstdint>
#include <memory>

struct SwrContext;

namespace pelvanto::audiofile_detail {

struct Mp3Format {
    int rate = 44100;
    int channels = 2;
    Mp3EncoderSettings encoder;
};

struct OggFormat {
    int rate = 44100;
    int channels = 2;
    int nominal = 128;
    int minimum = 0;
    int maximum = 0;
    int quality = -1; // hundredths; -1 for the bit-rate modes
};

struct VoxFormat {
    int rate = 44100;
};

struct RawFormat {
    int coding = RawPcm16;
    int rate = 44100;
    int channels = 2;
};

struct G726Format {
    int rate = 44100;
    int bits = 4;
};

struct FormatState {
    WavFormat wav;
    Mp3Format mp3;
    OggFormat ogg;
    VoxFormat vox;
    RawFormat raw;
    G726Format g726;
    int wmaProfile = 39;
};

// Checks and descriptions ---------------------------------------------------------------
bool wavFormatWritable(const WavFormat &f);
QString describeWav(const WavFormat &f);
// Whether LAME takes the rate; the bit rate actually used for (rate, kbps).
bool mp3RateValid(int rate);
QString describeMp3(const Mp3Format &f);
// The constant or ABR mean bit rate LAME settles on; 0 for the VBR modes and refused settings.
int mp3BitrateKbps(const Mp3Format &f);
// Tries the Ogg settings on the encoder; true when libvorbisenc accepts them.
bool oggFormatPossible(const OggFormat &f);
QString describeOgg(const OggFormat &f);
QString describeVox(const VoxFormat &f);
QString describeRaw(const RawFormat &f);
QString describeG726(const G726Format &f);
QString describeWma(int profile);
QString channelText(int channels);

// Writers ---------------------------------------------------------------------------------
// Takes interleaved 16-bit frames in its output format.
class Writer {
public:
    virtual ~Writer();
    virtual bool open(const QString &path, QString *error) = 0;
    virtual bool write(const qint16 *frames, qint64 count, QString *error) = 0;
    virtual bool close(QString *error) = 0;
    virtual QString description() const = 0;
    int rate() const { return m_rate; }
    int channels() const { return m_channels; }
    qint64 framesWritten() const { return m_framesWritten; }

    // Converts the input format (set by setInput) into the output format first.
    bool writeInput(const qint16 *samples, qint64 elements, QString *error);
    bool finish(QString *error);
    void setInput(int rate, int channels, bool highQuality);

protected:
    Writer(int rate, int channels) : m_rate(rate), m_channels(channels) {}
    int m_rate;
    int m_channels;
    qint64 m_framesWritten = 0;

private:
    bool flushConverter(QString *error);
    int m_inRate = 0;
    int m_inChannels = 0;
    bool m_highQuality = false;
    SwrContext *m_swr = nullptr;
    QVector<qint16> m_partial; // an incomplete input frame carried to the next block
    QVector<qint16> m_converted;
};

std::unique_ptr<Writer> makeWavWriter(const WavFormat &f);
std::unique_ptr<Writer> makeVoxWriter(const VoxFormat &f);
std::unique_ptr<Writer> makeRawWriter(const RawFormat &f);
std::unique_ptr<Writer> makeMp3Writer(const Mp3Format &f);
std::unique_ptr<Writer> makeOggWriter(const OggFormat &f);
std::unique_ptr<Writer> makeG726Writer(const G726Format &f);
std::unique_ptr<Writer> makeWmaWriter(int profile);

// Readers ---------------------------------------------------------------------------------
class Reader {
public:
    virtual ~Reader();
    // Reads up to maxFrames interleaved frames; returns the count (0 at the end).
    virtual qint64 read(qint16 *out, qint64 maxFrames) = 0;
    // Moves to a frame; returns the frame reached.
    virtual qint64 seek(qint64 frame) = 0;
    int rate() const { return m_rate; }
    int channels() const { return m_channels; }
    qint64 length() const { return m_length; }
    QString description() const { return m_description; }

protected:
    int m_rate = 0;
    int m_channels = 0;
    qint64 m_length = 0;
    QString m_description;
};

std::unique_ptr<Reader> openFfmpegReader(const QString &path, QString *error);
// Headerless VOX and RAW, read with the given settings.
std::unique_ptr<Reader> openVoxReader(const QString &path, const VoxFormat &f, QString *error);
std::unique_ptr<Reader> openRawReader(const QString &path, const RawFormat &f, QString *error);
// The WAV format of an existing file, when it is one we can write.
std::optional<WavFormat> wavFormatOfFile(const QString &path, QString *error);

// Text of a failed system call (errno).
QString systemError();

} // namespace pelvanto::audiofile_detail

namespace pelvanto::audiofile_detail {
// G.726 codes without a header (from other programs), read with the given settings.
std::unique_ptr<Reader> openHeaderlessG726Reader(const QString &path, const G726Format &f,
                                                 QString *error);
} // namespace pelvanto::audiofile_detail

namespace pelvanto::audiofile_detail {
// Single-stream, seekable Ogg Vorbis files (null otherwise: use the FFmpeg reader).
std::unique_ptr<Reader> openVorbisReader(const QString &path, QString *error);
} // namespace pelvanto::audiofile_detail
