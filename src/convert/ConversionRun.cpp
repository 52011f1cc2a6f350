#include "ConversionRun.h"

#include "BlockReadAhead.h"
#include "ConversionNames.h"
#include "audiofile/AudioFile.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace pelvanto {

namespace {

using Kind = ConversionLogEntry::Kind;
using Outcome = ConversionStep::Outcome;

// The bar rests just above zero between formats.
constexpr double kRestingProgress = 0.001;

// A reader that stops this far short of the length its file declares met a cut-off or damaged
// file: a fifth of a second, or a hundredth of the length for long files (lengths estimated
// from a bit rate are that rough).
qint64 shortfallAllowed(int rate, qint64 length) {
    return qMax<qint64>(rate / 5, length / 100);
}

QString clockText(qint64 frames, int rate) {
    const qint64 seconds = rate > 0 ? frames / rate : 0;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ConversionRun::ConversionRun(AudioFile &reader, AudioFile &writer, QObject *parent)
    : QObject(parent), reader_(reader), writer_(writer) {
    qRegisterMetaType<ConversionLogEntry>();
}

void ConversionRun::cancel() {
    cancelled_.store(true);
}

void ConversionRun::log(Kind kind, const QString &message) {
    emit logged(ConversionLogEntry{kind, QTime::currentTime(), message});
}

void ConversionRun::setProgress(double percent) {
    const int permille = qRound(percent * 10);
    if (permille == shownPermille_)
        return;
    shownPermille_ = permille;
    emit progressChanged(percent);
}

QList<ConversionStep> ConversionRun::run(const ConversionRequest &request) {
    QList<ConversionStep> steps;
    input_ = request.input;
    inputUnreadable_ = false;
    const std::optional<QString> base = ConversionNames::outputBase(request.input);
    if (!base) {
        log(Kind::Error, QStringLiteral("Invalid input file name: ") + request.input);
        return steps;
    }
    const auto goingOn = [this] { return !cancelled_.load() && !inputUnreadable_; };
    if (request.wma && goingOn()) {
        writer_.SetWmaProfile(request.wmaProfile);
        steps << convert(QStringLiteral("WMA"),
                         ConversionNames::wmaOutput(*base, writer_.WmaProfileNumber()));
    }
    if (request.mp3 && goingOn()) {
        steps << convert(QStringLiteral("MP3"),
                         ConversionNames::mp3Output(*base, writer_.Mp3BitrateKbps()));
    }
    if (request.ogg && goingOn())
        steps << convert(QStringLiteral("Ogg"), ConversionNames::oggOutput(*base));
    log(Kind::Progress, QStringLiteral("Tasks is completed"));
    return steps;
}

void ConversionRun::fail(ConversionStep &step, const QString &reason) {
    step.outcome = Outcome::Failed;
    log(Kind::Error, QStringLiteral("Convert To %1 failed: %2").arg(step.format, reason));
}

void ConversionRun::discardOutput(ConversionStep &step, bool existedBefore, const QString &reason) {
    if (!existedBefore && QFileInfo::exists(step.output) && QFile::remove(step.output)) {
        fail(step,
             reason + QStringLiteral("; the unfinished output %1 was removed").arg(step.output));
        return;
    }
    fail(step, reason);
}

ConversionStep ConversionRun::convert(const QString &format, const QString &output) {
    ConversionStep step{format, output, Outcome::Failed};
    log(Kind::Progress, QStringLiteral("Start Convert To ") + format);
    setProgress(kRestingProgress);

    // song.ogg converted to Ogg Vorbis would be destroyed while it is read.
    if (ConversionNames::sameFile(output, input_)) {
        fail(step, QStringLiteral("the output %1 is the input file itself").arg(output));
        return step;
    }
    // The decoder says only that it cannot open a file; the system says why.
    QFile readable(input_);
    if (!readable.open(QIODevice::ReadOnly)) {
        inputUnreadable_ = true;
        fail(step, QStringLiteral("cannot read %1: %2").arg(input_, readable.errorString()));
        return step;
    }
    readable.close();
    if (reader_.OpenRead(input_, 0, 1) < 0) {
        // Every other format would fail the same way.
        inputUnreadable_ = true;
        fail(step, reader_.LastError());
        return step;
    }
    const bool existedBefore = QFileInfo::exists(output);
    if (writer_.CreateWrite(output, 0) < 0) {
        const QString reason = writer_.LastError();
        reader_.CloseFile();
        discardOutput(step, existedBefore, reason);
        return step;
    }

    const int rate = reader_.SampleRate();
    writer_.SetInputFormat(rate, reader_.ChannelCount());
    const int blockSize = rate * reader_.ChannelCount();
    const qint64 length = reader_.LengthSamples();
    const int elementsPerFrame = qMax(1, reader_.SamplesPerFrame());
    qint64 framesRead = 0;
    bool endReached = false;
    QString writeError;
    std::optional<BlockReadAhead> blocks(std::in_place, reader_, blockSize);
    for (;;) {
        const QVector<qint16> samples = blocks->next();
        if (samples.isEmpty()) {
            endReached = true;
            break;
        }
        if (!writer_.WriteBlock(samples)) {
            writeError = writer_.LastError();
            break;
        }
        framesRead += samples.size() / elementsPerFrame;
        if (length > 0)
            setProgress(static_cast<double>(qMin(framesRead, length)) * 100.0 /
                        static_cast<double>(length));
        if (cancelled_.load())
            break;
    }
    blocks.reset();
    if (writeError.isEmpty())
        setProgress(100);
    writer_.CloseFile();
    if (writeError.isEmpty() && writer_.FileStatus() < 0)
        writeError = writer_.LastError();
    reader_.CloseFile();
    setProgress(kRestingProgress);

    if (!writeError.isEmpty()) {
        // The writer has truncated or created the file: what is left of it is useless.
        discardOutput(step, false, writeError);
        return step;
    }
    if (!endReached) {
        step.outcome = Outcome::Cancelled;
        log(Kind::Progress, QStringLiteral("Convert To %1 cancelled; the partial output stays: %2")
                                .arg(format, output));
        return step;
    }
    if (length > 0 && framesRead < length - shortfallAllowed(rate, length)) {
        const QString read = QStringLiteral("the input ended after %1 of its %2")
                                 .arg(clockText(framesRead, rate), clockText(length, rate));
        if (framesRead == 0) {
            discardOutput(step, false, read);
            return step;
        }
        const QString incomplete = ConversionNames::incompleteOutput(output);
        if (ConversionNames::sameFile(incomplete, input_) ||
            (QFileInfo::exists(incomplete) && !QFile::remove(incomplete)) ||
            !QFile::rename(output, incomplete)) {
            discardOutput(step, false, read);
            return step;
        }
        step.output = incomplete;
        step.outcome = Outcome::InputEndedEarly;
        log(Kind::Error, QStringLiteral("Convert To %1 incomplete: %2 (cut off or damaged); what "
                                        "could be read is in %3")
                             .arg(format, read, incomplete));
        return step;
    }
    step.outcome = Outcome::Complete;
    log(Kind::Progress, QStringLiteral("complete Convert To ") + format);
    return step;
}

} // namespace pelvanto
