#include "audiofile/AudioFile.h"

#include "audiofile/BackgroundWriter.h"
#include "audiofile/Detail.h"

extern "C" {
#include <libavutil/log.h>
}

#include <QFile>
#include <QFileInfo>

#include <csignal>

namespace pelvanto {

using namespace audiofile_detail;

namespace {

constexpr int kDefaultRate = 44100;
constexpr int kDefaultChannels = 2;
constexpr int kDefaultKbps = 128;

// FileStatus values.
constexpr int kStatusOk = 0;
constexpr int kStatusCannotOpen = -1;
constexpr int kStatusUnknownFormat = -2;
constexpr int kStatusWriteFailed = -3;

bool commonRate(int rate) {
    switch (rate) {
    case 6000:
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000:
    case 32000:
    case 44100:
    case 48000:
        return true;
    default:
        return false;
    }
}

int rateOr(int rate, int fallback) {
    return commonRate(rate) ? rate : fallback;
}

int channelsOr(int channels) {
    return channels == 1 || channels == 2 ? channels : kDefaultChannels;
}

void prepareProcess() {
    // Past the file size limit a write must fail with EFBIG and stop the recording cleanly
    // instead of the signal ending the program.
    static const bool once = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        // Damaged input is reported through FileStatus and short reads, not console noise.
        av_log_set_level(AV_LOG_FATAL);
        return true;
    }();
    Q_UNUSED(once);
}

// The file's own sink for background writing: the writer, encoding on the writing thread.
class WriterSink final : public BlockSink {
public:
    WriterSink(Writer &writer, std::atomic<qint64> &framesWritten)
        : writer_(writer), framesWritten_(framesWritten) {}

    bool write(const QVector<qint16> &samples, QString *error) override {
        const bool ok = writer_.writeInput(samples.constData(), samples.size(), error);
        framesWritten_ = writer_.framesWritten();
        return ok;
    }

    bool finish(QString *error) override {
        const bool ok = writer_.finish(error);
        framesWritten_ = writer_.framesWritten();
        return ok;
    }

private:
    Writer &writer_;
    std::atomic<qint64> &framesWritten_;
};

QString writeFailure(const QString &error) {
    return QStringLiteral("writing the file failed: %1").arg(error);
}

} // namespace

AudioFile::AudioFile(QObject *parent)
    : QObject(parent), m_formats(std::make_unique<FormatState>()) {
    prepareProcess();
}

AudioFile::~AudioFile() {
    CloseFile();
}

void AudioFile::noteRequest(Family family, bool possible) {
    m_subject = Subject::Setting;
    m_family = family;
    m_requestPossible = possible;
}

void AudioFile::resetFile() {
    CloseFile();
    m_lastError.clear();
    m_fileStatus = kStatusOk;
}

// --- files ----------------------------------------------------------------------------------

int AudioFile::CreateWrite(const QString &path, int /*flags*/) {
    resetFile();
    const QString ext = QFileInfo(path).suffix().toLower();
    std::unique_ptr<Writer> writer;
    Family family = Family::Wav;
    if (ext == QLatin1String("wav")) {
        writer = makeWavWriter(m_formats->wav);
    } else if (ext == QLatin1String("mp3")) {
        family = Family::Mp3;
        writer = makeMp3Writer(m_formats->mp3);
    } else if (ext == QLatin1String("ogg")) {
        family = Family::Ogg;
        writer = makeOggWriter(m_formats->ogg);
    } else if (ext == QLatin1String("vox")) {
        family = Family::Vox;
        writer = makeVoxWriter(m_formats->vox);
    } else if (ext == QLatin1String("raw")) {
        family = Family::Raw;
        writer = makeRawWriter(m_formats->raw);
    } else if (ext == QLatin1String("g726")) {
        family = Family::G726;
        writer = makeG726Writer(m_formats->g726);
    } else if (ext == QLatin1String("wma")) {
        family = Family::Wma;
        writer = makeWmaWriter(m_formats->wmaProfile);
    }
    if (!writer) {
        m_fileStatus = kStatusUnknownFormat;
        m_lastError = QStringLiteral("no encoder for the extension \"%1\"").arg(ext);
        return m_fileStatus;
    }
    QString error;
    if (!writer->open(path, &error)) {
        writer->close(&error);
        m_fileStatus = kStatusCannotOpen;
        m_lastError = QStringLiteral("cannot create %1: %2").arg(path, error);
        return m_fileStatus;
    }
    writer->setInput(m_inputRate, m_inputChannels, m_highQualityResampling);
    m_writer = std::move(writer);
    m_family = family;
    m_subject = Subject::Writer;
    if (m_backgroundWriting) {
        m_queuedFramesWritten = 0;
        std::unique_ptr<BlockSink> sink =
            std::make_unique<WriterSink>(*m_writer, m_queuedFramesWritten);
        if (m_sinkWrapper)
            sink = m_sinkWrapper(std::move(sink));
        const int generation = ++m_writeGeneration;
        m_failureAnnounced = false;
        m_finishAnnounced = false;
        m_queue = std::make_unique<BackgroundWriter>(std::move(sink), [this, generation] {
            QMetaObject::invokeMethod(
                this, [this, generation] { takeQueueNews(generation); }, Qt::QueuedConnection);
        });
    }
    return m_fileStatus;
}

int AudioFile::OpenRead(const QString &path, int /*flags*/, int /*mode*/) {
    resetFile();
    const QString ext = QFileInfo(path).suffix().toLower();
    QString error;
    std::unique_ptr<Reader> reader;
    if (!QFileInfo(path).isFile()) {
        error = QStringLiteral("no such file");
    } else if (ext == QLatin1String("vox")) {
        reader = openVoxReader(path, m_formats->vox, &error);
    } else if (ext == QLatin1String("raw")) {
        reader = openRawReader(path, m_formats->raw, &error);
    } else {
        QFile probe(path);
        if (probe.open(QIODevice::ReadOnly) && probe.read(4) == "OggS") {
            QString vorbisError;
            reader = openVorbisReader(path, &vorbisError);
        }
        if (!reader)
            reader = openFfmpegReader(path, &error);
        if (!reader && ext == QLatin1String("g726"))
            reader = openHeaderlessG726Reader(path, m_formats->g726, &error);
    }
    if (!reader) {
        m_fileStatus = kStatusCannotOpen;
        m_lastError = QStringLiteral("cannot open %1: %2").arg(path, error);
        return m_fileStatus;
    }
    m_reader = std::move(reader);
    m_subject = Subject::Reader;
    return m_fileStatus;
}

int AudioFile::FileStatus() const {
    if (m_fileStatus == kStatusOk && queueFailed(nullptr))
        return kStatusWriteFailed;
    return m_fileStatus;
}

bool AudioFile::queueFailed(QString *error) const {
    if (!m_queue)
        return false;
    const BackgroundWriter::State state = m_queue->state();
    if (error != nullptr)
        *error = state.error;
    return state.failed;
}

bool AudioFile::WriteBlock(const QVector<qint16> &samples) {
    if (!m_writer) {
        m_lastError = QStringLiteral("no file is open for writing");
        return false;
    }
    if (m_fileStatus == kStatusWriteFailed)
        return false;
    if (samples.isEmpty())
        return true;
    QString error;
    if (m_queue) {
        if (queueFailed(&error)) {
            m_fileStatus = kStatusWriteFailed;
            m_lastError = writeFailure(error);
            return false;
        }
        m_queue->write(samples);
        return true;
    }
    if (!m_writer->writeInput(samples.constData(), samples.size(), &error)) {
        m_fileStatus = kStatusWriteFailed;
        m_lastError = writeFailure(error);
        return false;
    }
    return true;
}

QVector<qint16> AudioFile::ReadBlock(int n) {
    QVector<qint16> out;
    if (!m_reader || n <= 0)
        return out;
    const int channels = m_reader->channels();
    const qint64 frames = qMax(1, n / channels);
    out.resize(static_cast<qsizetype>(frames * channels));
    const qint64 got = m_reader->read(out.data(), frames);
    out.resize(static_cast<qsizetype>(got * channels));
    return out;
}

qint64 AudioFile::SeekTo(qint64 position, int /*mode*/) {
    if (!m_reader)
        return -1;
    return m_reader->seek(position);
}

void AudioFile::CloseFile() {
    m_reader.reset();
    if (m_queue) {
        m_queue->finish();
        m_queue->wait();
        const BackgroundWriter::State state = m_queue->state();
        m_queue.reset();
        ++m_writeGeneration; // news of this file still on their way are old now
        if (state.failed) {
            if (m_fileStatus == kStatusOk)
                m_fileStatus = kStatusWriteFailed;
            m_lastError = writeFailure(state.error);
        }
        m_writer.reset();
    } else if (m_writer) {
        QString error;
        if (!m_writer->finish(&error)) {
            if (m_fileStatus == kStatusOk)
                m_fileStatus = kStatusWriteFailed;
            m_lastError = QStringLiteral("finishing the file failed: %1").arg(error);
        }
        m_writer.reset();
    }
    if (m_subject != Subject::Setting) {
        m_subject = Subject::Setting;
        m_requestPossible = true;
    }
}

// --- properties of the open file ------------------------------------------------------------

int AudioFile::SampleRate() const {
    if (m_reader)
        return m_reader->rate();
    if (m_writer)
        return m_writer->rate();
    switch (m_family) {
    case Family::Wav:
        return m_formats->wav.rate;
    case Family::Mp3:
        return m_formats->mp3.rate;
    case Family::Ogg:
        return m_formats->ogg.rate;
    case Family::Vox:
        return m_formats->vox.rate;
    case Family::Raw:
        return m_formats->raw.rate;
    case Family::G726:
        return m_formats->g726.rate;
    case Family::Wma:
        return WmaProfiles().at(m_formats->wmaProfile - 1).rate;
    }
    return kDefaultRate;
}

int AudioFile::ChannelCount() const {
    if (m_reader)
        return m_reader->channels();
    if (m_writer)
        return m_writer->channels();
    switch (m_family) {
    case Family::Wav:
        return m_formats->wav.channels;
    case Family::Mp3:
        return m_formats->mp3.channels;
    case Family::Ogg:
        return m_formats->ogg.channels;
    case Family::Vox:
    case Family::G726:
        return 1;
    case Family::Raw:
        return m_formats->raw.channels;
    case Family::Wma:
        return WmaProfiles().at(m_formats->wmaProfile - 1).channels;
    }
    return kDefaultChannels;
}

qint64 AudioFile::LengthSamples() const {
    if (m_reader)
        return m_reader->length();
    if (m_queue)
        return m_queuedFramesWritten;
    if (m_writer)
        return m_writer->framesWritten();
    return 0;
}

int AudioFile::SamplesPerFrame() const {
    return ChannelCount();
}

QString AudioFile::describeFamily(Family family) const {
    switch (family) {
    case Family::Wav:
        return describeWav(m_formats->wav);
    case Family::Mp3:
        return describeMp3(m_formats->mp3);
    case Family::Ogg:
        return describeOgg(m_formats->ogg);
    case Family::Vox:
        return describeVox(m_formats->vox);
    case Family::Raw:
        return describeRaw(m_formats->raw);
    case Family::G726:
        return describeG726(m_formats->g726);
    case Family::Wma:
        return describeWma(m_formats->wmaProfile);
    }
    return {};
}

QString AudioFile::FormatDescription() const {
    if (m_subject == Subject::Reader && m_reader)
        return m_reader->description();
    if (m_subject == Subject::Writer && m_writer)
        return m_writer->description();
    return m_requestPossible ? describeFamily(m_family) : QString();
}

QString AudioFile::LastError() const {
    QString error;
    if (m_fileStatus == kStatusOk && queueFailed(&error))
        return writeFailure(error);
    return m_lastError;
}

// --- background writing ---------------------------------------------------------------------

void AudioFile::SetBackgroundWriting(bool on) {
    m_backgroundWriting = on;
}

void AudioFile::SetBlockSinkWrapper(BlockSinkWrapper wrapper) {
    m_sinkWrapper = std::move(wrapper);
}

int AudioFile::PendingBlocks() const {
    return m_queue ? m_queue->state().pending : 0;
}

void AudioFile::FinishWriting() {
    if (m_queue)
        m_queue->finish();
}

bool AudioFile::WritingFinished() const {
    return !m_queue || m_queue->state().finished;
}

void AudioFile::takeQueueNews(int generation) {
    if (generation != m_writeGeneration || !m_queue)
        return;
    const BackgroundWriter::State state = m_queue->state();
    if (state.failed && !m_failureAnnounced) {
        m_failureAnnounced = true;
        if (m_fileStatus == kStatusOk)
            m_fileStatus = kStatusWriteFailed;
        m_lastError = writeFailure(state.error);
        emit WriteFailed(m_lastError);
    }
    if (state.finished && !m_finishAnnounced) {
        m_finishAnnounced = true;
        emit WriteFinished();
    }
}

// --- WAV ------------------------------------------------------------------------------------

bool AudioFile::SetWavFormat(const WavFormat &format) {
    const bool ok = wavFormatWritable(format);
    if (ok)
        m_formats->wav = format;
    noteRequest(Family::Wav, ok);
    return ok;
}

WavFormat AudioFile::CurrentWavFormat() const {
    return m_formats->wav;
}

void AudioFile::SetPcmFormat(int rate, int channels, int bits) {
    WavFormat f;
    f.codec = bits == 8 ? WavCodec::Pcm8 : bits == 24 ? WavCodec::Pcm24 : WavCodec::Pcm16;
    f.rate = rateOr(rate, kDefaultRate);
    f.channels = channelsOr(channels);
    SetWavFormat(f);
}

void AudioFile::SetAdpcmFormat(int rate, int channels) {
    SetWavFormat({WavCodec::ImaAdpcm, rate, channels});
}

void AudioFile::SetGsmFormat(int rate) {
    SetWavFormat({WavCodec::Gsm610, rate, 1});
}

void AudioFile::SetDspFormat() {
    // The telephony format every player knows: 8 kHz mono CCITT u-law.
    SetWavFormat({WavCodec::MuLaw, 8000, 1});
}

QList<WavFormat> AudioFile::WritableWavFormats() {
    static const int rates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    static const WavCodec codecs[] = {WavCodec::Pcm16,   WavCodec::Pcm8,     WavCodec::Pcm24,
                                      WavCodec::Float32, WavCodec::ImaAdpcm, WavCodec::MsAdpcm,
                                      WavCodec::Gsm610,  WavCodec::ALaw,     WavCodec::MuLaw};
    QList<WavFormat> list;
    for (WavCodec codec : codecs) {
        for (int rate : rates) {
            for (int channels = 1; channels <= 2; ++channels) {
                const WavFormat f{codec, rate, channels};
                if (wavFormatWritable(f))
                    list.append(f);
            }
        }
    }
    return list;
}

QString AudioFile::DescribeWavFormat(const WavFormat &format) {
    return describeWav(format);
}

void AudioFile::SetWavFormatChooser(WavFormatChooser chooser) {
    m_chooser = std::move(chooser);
}

bool AudioFile::ChooseWavFormat() {
    const QList<WavFormat> offered = WritableWavFormats();
    const std::optional<WavFormat> choice =
        m_chooser ? m_chooser(offered, m_formats->wav) : std::nullopt;
    if (!choice) {
        noteRequest(Family::Wav, true);
        return false;
    }
    return SetWavFormat(*choice);
}

bool AudioFile::SetFormatLikeFile(const QString &path) {
    QString error;
    const std::optional<WavFormat> f = wavFormatOfFile(path, &error);
    if (!f) {
        m_lastError = QStringLiteral("cannot take the format of %1: %2").arg(path, error);
        noteRequest(Family::Wav, false);
        return false;
    }
    return SetWavFormat(*f);
}

// --- MP3 ------------------------------------------------------------------------------------

void AudioFile::SetMp3Format(int rate, int kbps, int channels) {
    Mp3Format &f = m_formats->mp3;
    f.rate = mp3RateValid(rate) ? rate : kDefaultRate;
    f.encoder.SetOutputFrequency(f.rate);
    f.encoder.SetBitrate(static_cast<qint16>(kbps >= 8 && kbps <= 320 ? kbps : kDefaultKbps));
    f.channels = channelsOr(channels);
    noteRequest(Family::Mp3, !describeMp3(f).isEmpty());
}

void AudioFile::SetMp3Encoder(const Mp3EncoderSettings &settings) {
    Mp3Format candidate = m_formats->mp3;
    candidate.encoder = settings;
    if (!mp3RateValid(settings.OutputFrequency()))
        candidate.encoder.SetOutputFrequency(static_cast<qint32>(candidate.rate));
    if (settings.Bitrate() < 8 || settings.Bitrate() > 320)
        candidate.encoder.SetBitrate(kDefaultKbps);
    candidate.rate = candidate.encoder.OutputFrequency();
    const bool ok = !describeMp3(candidate).isEmpty();
    if (ok)
        m_formats->mp3 = candidate;
    noteRequest(Family::Mp3, ok);
}

Mp3EncoderSettings AudioFile::Mp3Encoder() const {
    return m_formats->mp3.encoder;
}

int AudioFile::Mp3Channels() const {
    return m_formats->mp3.channels;
}

int AudioFile::Mp3BitrateKbps() const {
    return mp3BitrateKbps(m_formats->mp3);
}

// --- Ogg Vorbis -----------------------------------------------------------------------------

void AudioFile::SetOggFormat(int rate, int channels, int nominal, int minimum, int maximum,
                             int quality) {
    OggFormat f;
    f.rate = rate >= 8000 && rate <= 192000 ? rate : kDefaultRate;
    f.channels = channelsOr(channels);
    f.nominal = nominal > 0 ? nominal : kDefaultKbps;
    f.minimum = qMax(0, minimum);
    f.maximum = qMax(0, maximum);
    f.quality = quality >= 0 ? qMin(quality, 1000) : -1;
    const bool ok = oggFormatPossible(f);
    if (ok)
        m_formats->ogg = f;
    noteRequest(Family::Ogg, ok);
}

// --- telephony --------------------------------------------------------------------------------

void AudioFile::SetVoxFormat(int rate) {
    m_formats->vox.rate = rateOr(rate, kDefaultRate);
    noteRequest(Family::Vox, true);
}

void AudioFile::SetRawFormat(int coding, int rate, int channels, int /*bits*/) {
    RawFormat &f = m_formats->raw;
    f.coding = coding == RawALaw || coding == RawMuLaw ? coding : RawPcm16;
    f.rate = rateOr(rate, kDefaultRate);
    f.channels = channelsOr(channels);
    noteRequest(Family::Raw, true);
}

void AudioFile::SetG726Format(int rate, int bits) {
    G726Format &f = m_formats->g726;
    f.rate = rateOr(rate, kDefaultRate);
    f.bits = bits >= 2 && bits <= 5 ? bits : 4;
    noteRequest(Family::G726, true);
}

// --- WMA ------------------------------------------------------------------------------------

void AudioFile::SetWmaProfile(int profile) {
    const bool ok = profile >= 1 && profile <= WmaProfiles().size();
    if (ok)
        m_formats->wmaProfile = profile;
    noteRequest(Family::Wma, ok);
}

int AudioFile::WmaProfileNumber() const {
    return m_formats->wmaProfile;
}

// --- conversion -----------------------------------------------------------------------------

void AudioFile::SetInputFormat(int rate, int channels) {
    m_inputRate = rate > 0 && rate <= 768000 ? rate : 0;
    m_inputChannels = channels > 0 && channels <= 64 ? channels : 0;
    if (m_writer && !m_queue)
        m_writer->setInput(m_inputRate, m_inputChannels, m_highQualityResampling);
}

void AudioFile::SetHighQualityResampling(bool on) {
    m_highQualityResampling = on;
    if (m_writer && !m_queue)
        m_writer->setInput(m_inputRate, m_inputChannels, on);
}

} // namespace pelvanto
