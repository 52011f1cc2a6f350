#include "BlockReadAhead.h"

#include "audiofile/AudioFile.h"

namespace pelvanto {

BlockReadAhead::BlockReadAhead(AudioFile &reader, int blockSize, int depth)
    : reader_(reader), blockSize_(blockSize), depth_(static_cast<std::size_t>(qMax(1, depth))),
      thread_([this] { decode(); }) {}

BlockReadAhead::~BlockReadAhead() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BlockReadAhead::decode() {
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || ready_.size() < depth_; });
            if (stopping_)
                return;
        }
        QVector<qint16> block = reader_.ReadBlock(blockSize_);
        const bool last = block.isEmpty();
        {
            const std::lock_guard lock(mutex_);
            if (last)
                ended_ = true;
            else
                ready_.push_back(std::move(block));
        }
        changed_.notify_all();
        if (last)
            return;
    }
}

QVector<qint16> BlockReadAhead::next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !ready_.empty() || ended_; });
    if (ready_.empty())
        return {};
    QVector<qint16> block = std::move(ready_.front());
    ready_.pop_front();
    lock.unlock();
    changed_.notify_all();
    return block;
}

} // namespace pelvanto
