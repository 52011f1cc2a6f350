#pragma once

#include "audiofile/BlockSink.h"

#include <QString>
#include <QVector>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace pelvanto {

// Writes blocks through a sink on a thread of its own, in the order they were queued, and
// never drops one: the queue grows while the disk is slow. Only wait() makes the caller wait
// for the disk.
class BackgroundWriter {
public:
    struct State {
        int pending = 0;       // queued, not written yet
        bool failed = false;   // a write or the finish failed; later blocks are not written
        QString error;         // why
        bool finished = false; // finish() is done
    };

    // `changed` runs on the writing thread after a failure and when finish() is done.
    BackgroundWriter(std::unique_ptr<BlockSink> sink, std::function<void()> changed);
    // Completes the file first when finish() was not asked for.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter &) = delete;
    BackgroundWriter &operator=(const BackgroundWriter &) = delete;

    void write(QVector<qint16> samples);
    // Completes the file behind every queued block.
    void finish();
    // Waits until finish() is done.
    void wait();
    State state() const;

private:
    void run();

    std::unique_ptr<BlockSink> sink_;
    std::function<void()> changed_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::deque<QVector<qint16>> queue_;
    bool finishAsked_ = false;
    State state_;
    std::thread thread_;
};

} // namespace pelvanto
