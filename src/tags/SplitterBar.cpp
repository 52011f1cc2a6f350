#include "SplitterBar.h"

#include <QMouseEvent>

namespace pelvanto {

SplitterBar::SplitterBar(QWidget *parent) : QWidget(parent) {
    setCursor(Qt::SplitHCursor);
}

void SplitterBar::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        emit pressed();
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event) {
    emit moved(qRound(event->position().x()));
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        emit released(qRound(event->position().x()));
}

} // namespace pelvanto
