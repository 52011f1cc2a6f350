#include "SeekSlider.h"

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace pelvanto {

SeekSlider::SeekSlider(Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent) {}

bool SeekSlider::onHandle(const QPoint &point) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()
        ->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this)
        .contains(point);
}

int SeekSlider::valueAt(const QPoint &point) const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre goes to the point, so the track's usable length is
    // the groove less one handle.
    int position = 0;
    int span = 0;
    if (orientation() == Qt::Horizontal) {
        position = point.x() - groove.x() - handle.width() / 2;
        span = groove.width() - handle.width();
    } else {
        position = point.y() - groove.y() - handle.height() / 2;
        span = groove.height() - handle.height();
    }
    return QStyle::sliderValueFromPosition(minimum(), maximum(), position, std::max(span, 1),
                                           option.upsideDown);
}

void SeekSlider::mousePressEvent(QMouseEvent *event) {
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || event->buttons() != Qt::LeftButton ||
        minimum() == maximum() || onHandle(point)) {
        QSlider::mousePressEvent(event);
        return;
    }
    event->accept();
    trackPressed_ = true;
    setSliderDown(true);
    setSliderPosition(valueAt(point));
}

void SeekSlider::mouseMoveEvent(QMouseEvent *event) {
    if (!trackPressed_) {
        QSlider::mouseMoveEvent(event);
        return;
    }
    event->accept();
    setSliderPosition(valueAt(event->position().toPoint()));
}

void SeekSlider::mouseReleaseEvent(QMouseEvent *event) {
    if (!trackPressed_ || event->button() != Qt::LeftButton) {
        QSlider::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    trackPressed_ = false;
    setSliderPosition(valueAt(event->position().toPoint()));
    setSliderDown(false);
}

} // namespace pelvanto
