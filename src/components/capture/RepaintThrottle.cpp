#include "capture/RepaintThrottle.h"

#include <QWidget>

#include <algorithm>

namespace pelvanto {

namespace {
// A paint asked for but not seen by then (a covered widget gets none) no longer holds back
// new requests.
constexpr qint64 kUnansweredMs = 250;
} // namespace

RepaintThrottle::RepaintThrottle(QWidget *widget) : widget_(widget) {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, widget, [this] { pass(); });
    sincePaint_.start();
}

void RepaintThrottle::setMaxFrameRate(int fps) {
    minIntervalMs_ = 1000 / std::clamp(fps, 1, 200);
}

void RepaintThrottle::request() {
    if (timer_.isActive() || (asked_.isValid() && asked_.elapsed() < kUnansweredMs))
        return;
    const qint64 wait = minIntervalMs_ - sincePaint_.elapsed();
    if (wait <= 0)
        pass();
    else
        timer_.start(static_cast<int>(wait));
}

void RepaintThrottle::painted() {
    sincePaint_.restart();
    asked_.invalidate();
}

void RepaintThrottle::pass() {
    ++requests_;
    asked_.start();
    widget_->update();
}

} // namespace pelvanto
