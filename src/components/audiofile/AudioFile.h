#pragma once

#include "audiofile/BlockSink.h"
#include "audiofile/Mp3EncoderSettings.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace pelvanto {

// Codecs the WAV writer can produce.
enum class WavCodec { Pcm8, Pcm16, Pcm24, Float32, ImaAdpcm, MsAdpcm, Gsm610, ALaw, MuLaw };

struct WavFormat {
    WavCodec codec = WavCodec::Pcm16;
    int rate = 44100;
    int channels = 2;
    bool operator==(const WavFormat &) const = default;
};

// Sample coding of headerless RAW files (the values of SetRawFormat).
enum RawCoding { RawPcm16 = 1, RawALaw = 2, RawMuLaw = 3 };

// Answers ChooseWavFormat: gets every format the writer offers and the current one, returns the
// choice or nothing when the user cancelled. The main window installs WavFormatDialog's.
using WavFormatChooser = std::function<std::optional<WavFormat>(const QList<WavFormat> &offered,
                                                                const WavFormat &current)>;

struct WmaProfile {
    int bitrateKbps;
    int rate;
    int channels;
};

class BackgroundWriter;

namespace audiofile_detail {
class Writer;
class Reader;
struct FormatState;
} // namespace audiofile_detail

// Writes recordings and conversions in every output format and decodes audio files.
// Failures never throw: they show as a negative FileStatus, a false WriteBlock with LastError,
// or an empty FormatDescription. Used from one thread; with background writing the encoder and
// the file run on a thread of the component's own.
class AudioFile : public QObject {
    Q_OBJECT
public:
    explicit AudioFile(QObject *parent = nullptr);
    ~AudioFile() override;

    // --- files --------------------------------------------------------------------------
    // Creates an output file; the extension (any letter case) picks the encoder: wav, mp3, vox,
    // raw, g726, ogg, wma. Returns FileStatus.
    int CreateWrite(const QString &path, int flags = 0);
    // Opens a file for decoding. Headerless files (.vox, .raw) are read with the current
    // settings of their format. Returns FileStatus.
    int OpenRead(const QString &path, int flags = 0, int mode = 1);
    // 0 when the last create/open succeeded, negative when it failed (or a write failed since).
    int FileStatus() const;
    // Encodes and appends interleaved samples of the input format. Returns false when the
    // data could not be written (disk full, size limit, removed folder…); LastError tells why.
    bool WriteBlock(const QVector<qint16> &samples);
    // Decodes the next n interleaved elements (whole sample frames): fewer at the end,
    // empty after it.
    QVector<qint16> ReadBlock(int n);
    // Moves the reader to a sample frame; returns the frame reached (-1 without a reader).
    qint64 SeekTo(qint64 position, int mode = 3);
    // Finishes the open file (writes trailers and headers).
    void CloseFile();

    // Of the open file, or of the output format after CreateWrite.
    int SampleRate() const;
    int ChannelCount() const;
    // Sample frames of the open file (0 when unknown); frames written so far for a writer.
    qint64 LengthSamples() const;
    // Elements per sample frame of ReadBlock's output.
    int SamplesPerFrame() const;
    // One line describing the current format; empty when the requested format is not possible.
    QString FormatDescription() const;
    // Human-readable reason of the last failure.
    QString LastError() const;

    // --- writing on a thread of its own (recordings) ---------------------------------------
    // For files created from now on: WriteBlock queues the block and returns at once (false
    // only once a write has failed), a thread of the component encodes and writes the blocks in
    // order and never drops one. A failure shows in FileStatus, LastError and WriteFailed.
    // CloseFile writes whatever is still queued before it completes the file. The input format
    // (SetInputFormat) is taken at CreateWrite.
    void SetBackgroundWriting(bool on);
    // Blocks queued and not written yet.
    int PendingBlocks() const;
    // Completes the file behind the queued blocks without waiting for the disk; WriteFinished
    // follows, after which CloseFile returns at once. Without background writing it completes
    // the file at once.
    void FinishWriting();
    bool WritingFinished() const;
    // Puts something in front of the encoder and file of background writing.
    void SetBlockSinkWrapper(BlockSinkWrapper wrapper);

    // --- WAV ------------------------------------------------------------------------------
    void SetPcmFormat(int rate, int channels, int bits = 16);
    void SetAdpcmFormat(int rate, int channels);
    void SetGsmFormat(int rate);
    // 8 kHz mono telephony format: CCITT µ-law WAV.
    void SetDspFormat();
    // Lets the user pick any WAV codec, rate and channel count we can write, through the
    // installed chooser. Returns true when a format was chosen; false without a chooser.
    bool ChooseWavFormat();
    // Takes the codec, rate and channel count of an existing WAV file; refuses formats we
    // cannot write (empty description, format unchanged). Returns true when taken.
    bool SetFormatLikeFile(const QString &path);
    // Sets any writable WAV format directly (what the chooser hands back).
    bool SetWavFormat(const WavFormat &format);
    WavFormat CurrentWavFormat() const;
    // Every WAV format ChooseWavFormat offers.
    static QList<WavFormat> WritableWavFormats();
    static QString DescribeWavFormat(const WavFormat &format);
    // Installs what ChooseWavFormat asks (a dialog, a test's answer); an empty function removes it.
    void SetWavFormatChooser(WavFormatChooser chooser);

    // --- MP3 ------------------------------------------------------------------------------
    void SetMp3Format(int rate, int kbps, int channels);
    void SetMp3Encoder(const Mp3EncoderSettings &settings);
    Mp3EncoderSettings Mp3Encoder() const;
    int Mp3Channels() const;
    // The bit rate the encoder settles on for the current MP3 settings (the constant rate, or
    // the mean in ABR mode); 0 for the quality-driven variable modes and refused settings.
    int Mp3BitrateKbps() const;

    // --- Ogg Vorbis -------------------------------------------------------------------------
    // quality in hundredths (0..1000) selects quality mode; -1 selects the bit-rate modes:
    // nominal alone, or managed between minimum and maximum when either is non-zero.
    void SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum, int quality);

    // --- telephony formats --------------------------------------------------------------
    void SetVoxFormat(int rate);
    void SetRawFormat(int coding, int rate, int channels, int bits = 16);
    // G.726 with 2 to 5 bits per sample, mono, written as WAV (format tag 0x0045).
    void SetG726Format(int rate, int bits);

    // --- WMA ------------------------------------------------------------------------------
    // Profile numbers 1 to 51 of WmaProfiles(); others leave the profile unchanged and give
    // an empty description.
    void SetWmaProfile(int profile);
    int WmaProfileNumber() const;
    static const QList<WmaProfile> &WmaProfiles();

    // --- conversion ----------------------------------------------------------------------
    // Format of the samples WriteBlock will be given; the writer resamples and remixes them to
    // its output format. (0, 0) means "the output format".
    void SetInputFormat(int rate, int channels);
    // Uses the slower, better resampler filter for SetInputFormat conversions.
    void SetHighQualityResampling(bool on);

signals:
    // Background writing: a block or the completion of the file failed; LastError tells why.
    void WriteFailed(const QString &reason);
    // Background writing: FinishWriting's work is done (or failed).
    void WriteFinished();

private:
    enum class Family { Wav, Mp3, Ogg, Vox, Raw, G726, Wma };
    enum class Subject { Setting, Writer, Reader };
    void noteRequest(Family family, bool possible);
    QString describeFamily(Family family) const;
    void resetFile();
    void takeQueueNews(int generation);
    bool queueFailed(QString *error) const;

    std::unique_ptr<audiofile_detail::FormatState> m_formats;
    std::unique_ptr<audiofile_detail::Writer> m_writer;
    std::unique_ptr<audiofile_detail::Reader> m_reader;
    Subject m_subject = Subject::Setting;
    Family m_family = Family::Wav;
    bool m_requestPossible = true;
    int m_fileStatus = 0;
    QString m_lastError;
    int m_inputRate = 0;
    int m_inputChannels = 0;
    bool m_highQualityResampling = false;
    bool m_backgroundWriting = false;
    BlockSinkWrapper m_sinkWrapper;
    std::unique_ptr<BackgroundWriter> m_queue;
    std::atomic<qint64> m_queuedFramesWritten{0};
    int m_writeGeneration = 0;
    bool m_failureAnnounced = false;
    bool m_finishAnnounced = false;
    WavFormatChooser m_chooser;
};

} // namespace pelvanto
