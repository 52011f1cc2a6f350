#pragma once

#include <QVector>
#include <QtGlobal>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace pelvanto {

class AudioFile;

// Decodes the next blocks of an open reader on a thread of its own while the caller encodes the
// current one, so that decoding and encoding share the machine's cores. The reader must not be
// used elsewhere until this object is gone.
class BlockReadAhead {
public:
    // depth: blocks decoded ahead at most.
    BlockReadAhead(AudioFile &reader, int blockSize, int depth = 3);
    ~BlockReadAhead();
    BlockReadAhead(const BlockReadAhead &) = delete;
    BlockReadAhead &operator=(const BlockReadAhead &) = delete;

    // The next block, as ReadBlock gives it: empty at the end.
    QVector<qint16> next();

private:
    void decode();

    AudioFile &reader_;
    const int blockSize_;
    const std::size_t depth_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<QVector<qint16>> ready_;
    bool ended_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

} // namespace pelvanto
