#include "capture/PulseConnection.h"

#include <pulse/timeval.h>

namespace pelvanto {

namespace {

void contextStateChanged(pa_context *, void *userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(userdata), 0);
}

struct Deadline {
    pa_threaded_mainloop *loop;
    bool expired = false;
};

void deadlinePassed(pa_mainloop_api *, pa_time_event *, const struct timeval *, void *userdata) {
    auto *d = static_cast<Deadline *>(userdata);
    d->expired = true;
    pa_threaded_mainloop_signal(d->loop, 0);
}

bool contextGood(pa_context *c) {
    return PA_CONTEXT_IS_GOOD(pa_context_get_state(c));
}

} // namespace

PulseConnection::PulseConnection(const char *clientName, int timeoutMs) {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_) {
        error_ = QStringLiteral("cannot create the sound server main loop");
        return;
    }
    pa_proplist *props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Pelvanto");
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "audio-input-microphone");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), clientName, props);
    pa_proplist_free(props);
    if (!context_) {
        error_ = QStringLiteral("cannot create a sound server context");
        return;
    }
    pa_context_set_state_callback(context_, contextStateChanged, loop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        error_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
        return;
    }
    if (pa_threaded_mainloop_start(loop_) < 0) {
        error_ = QStringLiteral("cannot start the sound server main loop");
        return;
    }
    started_ = true;
    Lock lock(*this);
    waitUntil(
        [this] {
            return pa_context_get_state(context_) != PA_CONTEXT_CONNECTING &&
                   pa_context_get_state(context_) != PA_CONTEXT_AUTHORIZING &&
                   pa_context_get_state(context_) != PA_CONTEXT_SETTING_NAME &&
                   pa_context_get_state(context_) != PA_CONTEXT_UNCONNECTED;
        },
        timeoutMs);
    if (pa_context_get_state(context_) != PA_CONTEXT_READY)
        error_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
}

PulseConnection::~PulseConnection() {
    if (started_)
        pa_threaded_mainloop_stop(loop_);
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

std::shared_ptr<PulseConnection> PulseConnection::open(const char *clientName) {
    auto c = std::make_shared<PulseConnection>(clientName);
    if (!c->readyUnlocked())
        return nullptr;
    return c;
}

bool PulseConnection::ready() const {
    return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::readyUnlocked() const {
    if (!started_)
        return false;
    Lock lock(*this);
    return ready();
}

QString PulseConnection::lastServerError() const {
    return QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
}

bool PulseConnection::await(pa_operation *op) {
    if (!op)
        return false;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING && contextGood(context_))
        pa_threaded_mainloop_wait(loop_);
    const bool done = pa_operation_get_state(op) == PA_OPERATION_DONE;
    if (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_operation_cancel(op);
    pa_operation_unref(op);
    return done;
}

bool PulseConnection::waitUntil(const std::function<bool()> &done, int timeoutMs) {
    Deadline deadline{loop_};
    pa_mainloop_api *api = pa_threaded_mainloop_get_api(loop_);
    struct timeval tv {};
    pa_timeval_add(pa_gettimeofday(&tv), static_cast<pa_usec_t>(timeoutMs) * PA_USEC_PER_MSEC);
    pa_time_event *timer = api->time_new(api, &tv, deadlinePassed, &deadline);
    bool ok = done();
    while (!ok && !deadline.expired && contextGood(context_)) {
        pa_threaded_mainloop_wait(loop_);
        ok = done();
    }
    api->time_free(timer);
    return ok;
}

} // namespace pelvanto
