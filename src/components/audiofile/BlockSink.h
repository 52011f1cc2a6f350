#pragma once

#include <QString>
#include <QVector>

#include <functional>
#include <memory>

namespace pelvanto {

// Where the blocks of a file go when the audio file writes them on a thread of its own: the
// encoder and the file, or something put in front of them. Called on that thread only.
class BlockSink {
public:
    virtual ~BlockSink() = default;
    // Encodes and appends interleaved samples; false, with the reason, when it cannot.
    virtual bool write(const QVector<qint16> &samples, QString *error) = 0;
    // Writes out what the encoder still holds and completes the file.
    virtual bool finish(QString *error) = 0;
};

// Puts something in front of a file's own sink (a slow or failing disk in tests).
using BlockSinkWrapper = std::function<std::unique_ptr<BlockSink>(std::unique_ptr<BlockSink>)>;

} // namespace pelvanto
