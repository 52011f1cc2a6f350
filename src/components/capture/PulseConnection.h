#pragma once

#include <QString>

#include <pulse/pulseaudio.h>

#include <functional>
#include <memory>

namespace pelvanto {

// One client connection to the sound server on libpulse's threaded main loop. Everything that
// touches the context or its streams runs with the loop locked (Lock) or in a loop callback.
class PulseConnection {
public:
    // Connects (or fails) before returning; never starts a server of its own.
    explicit PulseConnection(const char *clientName, int timeoutMs = 5000);
    ~PulseConnection();
    PulseConnection(const PulseConnection &) = delete;
    PulseConnection &operator=(const PulseConnection &) = delete;

    static std::shared_ptr<PulseConnection> open(const char *clientName);

    bool ready() const; // call with the loop locked
    bool readyUnlocked() const;
    QString error() const { return error_; }
    QString lastServerError() const; // with the loop locked

    pa_context *context() const { return context_; }
    pa_threaded_mainloop *loop() const { return loop_; }

    // Waits (loop locked) until the operation ends or the connection fails; unrefs it.
    bool await(pa_operation *op);
    // Waits (loop locked) until done() is true, the connection fails or the time is up.
    bool waitUntil(const std::function<bool()> &done, int timeoutMs);
    void signal() { pa_threaded_mainloop_signal(loop_, 0); }

    class Lock {
    public:
        explicit Lock(const PulseConnection &c) : loop_(c.loop_) {
            pa_threaded_mainloop_lock(loop_);
        }
        ~Lock() { pa_threaded_mainloop_unlock(loop_); }
        Lock(const Lock &) = delete;
        Lock &operator=(const Lock &) = delete;

    private:
        pa_threaded_mainloop *loop_;
    };

private:
    pa_threaded_mainloop *loop_ = nullptr;
    pa_context *context_ = nullptr;
    QString error_;
    bool started_ = false;
};

} // namespace pelvanto
