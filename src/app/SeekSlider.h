#pragma once

#include <QSlider>

namespace pelvanto {

// The playback position slider. A click on its track takes the handle to
// that point, as if it had been dragged there: sliderPressed(), the new
// value, and sliderReleased() when the button comes up. Dragging the handle
// works as in any slider.
class SeekSlider : public QSlider {
public:
    explicit SeekSlider(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int valueAt(const QPoint &point) const;
    bool onHandle(const QPoint &point) const;

    bool trackPressed_ = false;
};

} // namespace pelvanto
