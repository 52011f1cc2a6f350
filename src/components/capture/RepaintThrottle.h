#pragma once

#include <QElapsedTimer>
#include <QTimer>

class QWidget;

namespace pelvanto {

// Bounds how often a display repaints. A request is passed on at once when the last paint is
// older than the minimum interval, so it joins the window's other updates in one paint pass;
// otherwise it waits for the interval to end. Requests until the next paint count as one.
class RepaintThrottle {
public:
    explicit RepaintThrottle(QWidget *widget);

    void setMaxFrameRate(int fps);
    void request();
    // Called from the widget's paintEvent.
    void painted();
    // Repaints asked of the widget so far.
    int requests() const { return requests_; }

private:
    void pass();

    QWidget *widget_;
    QTimer timer_;
    QElapsedTimer sincePaint_;
    QElapsedTimer asked_; // valid from a request passed on until the paint that follows
    int minIntervalMs_ = 33;
    int requests_ = 0;
};

} // namespace pelvanto
