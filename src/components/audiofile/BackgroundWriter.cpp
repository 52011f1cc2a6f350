#include "audiofile/BackgroundWriter.h"

#include <pthread.h>

namespace pelvanto {

BackgroundWriter::BackgroundWriter(std::unique_ptr<BlockSink> sink, std::function<void()> changed)
    : sink_(std::move(sink)), changed_(std::move(changed)) {
    thread_ = std::thread([this] { run(); });
    pthread_setname_np(thread_.native_handle(), "audio writer");
}

BackgroundWriter::~BackgroundWriter() {
    finish();
    thread_.join();
}

void BackgroundWriter::write(QVector<qint16> samples) {
    {
        std::lock_guard lock(mutex_);
        if (finishAsked_)
            return;
        queue_.push_back(std::move(samples));
        ++state_.pending;
    }
    wake_.notify_one();
}

void BackgroundWriter::finish() {
    {
        std::lock_guard lock(mutex_);
        finishAsked_ = true;
    }
    wake_.notify_one();
}

void BackgroundWriter::wait() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [this] { return state_.finished; });
}

BackgroundWriter::State BackgroundWriter::state() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return !queue_.empty() || finishAsked_; });
        if (queue_.empty())
            break; // finish asked and everything written
        QVector<qint16> block = std::move(queue_.front());
        queue_.pop_front();
        const bool skip = state_.failed;
        lock.unlock();
        // The file cannot take more after a failure: what follows is let go unwritten.
        QString error;
        const bool ok = skip || sink_->write(block, &error);
        block = {};
        lock.lock();
        --state_.pending;
        if (!ok) {
            state_.failed = true;
            state_.error = error;
            lock.unlock();
            changed_();
            lock.lock();
        }
    }
    lock.unlock();
    QString error;
    const bool ok = sink_->finish(&error);
    sink_.reset();
    lock.lock();
    if (!ok && !state_.failed) {
        state_.failed = true;
        state_.error = error;
    }
    state_.finished = true;
    lock.unlock();
    done_.notify_all();
    changed_();
}

} // namespace pelvanto
