#include "SkinWidgets.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace pelvanto::skin {

QColor panelColor() {
    return {0x2a, 0x33, 0x3e};
}
QColor displayColor() {
    return {0x06, 0x12, 0x10};
}
QColor litColor() {
    return {0x6e, 0xf0, 0xb0};
}
QColor dimColor() {
    return {0x1d, 0x3b, 0x30};
}

namespace {

void drawGlyph(QPainter &p, const QRectF &r, Glyph glyph, const QColor &ink, const QString &text) {
    const double s = std::min(r.width(), r.height()) * 0.5;
    const QPointF c = r.center();
    p.setPen(QPen(ink, std::max(1.0, s / 5), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(ink);
    const auto triangle = [&](double x, double w, bool right) {
        QPolygonF t;
        if (right)
            t << QPointF(x, c.y() - s / 2) << QPointF(x + w, c.y()) << QPointF(x, c.y() + s / 2);
        else
            t << QPointF(x + w, c.y() - s / 2) << QPointF(x, c.y())
              << QPointF(x + w, c.y() + s / 2);
        p.drawPolygon(t);
    };
    const double h = s / 2;
    switch (glyph) {
    case Glyph::Play:
        triangle(c.x() - h * 0.8, s * 0.9, true);
        break;
    case Glyph::Pause:
        p.drawRect(QRectF(c.x() - h * 0.8, c.y() - h, h * 0.5, s));
        p.drawRect(QRectF(c.x() + h * 0.3, c.y() - h, h * 0.5, s));
        break;
    case Glyph::Stop:
        p.drawRect(QRectF(c.x() - h * 0.8, c.y() - h * 0.8, h * 1.6, h * 1.6));
        break;
    case Glyph::Next:
        triangle(c.x() - h, h * 1.4, true);
        p.drawRect(QRectF(c.x() + h * 0.5, c.y() - h, h * 0.3, s));
        break;
    case Glyph::Previous:
        triangle(c.x() - h * 0.4, h * 1.4, false);
        p.drawRect(QRectF(c.x() - h * 0.8, c.y() - h, h * 0.3, s));
        break;
    case Glyph::Eject: {
        QPolygonF t;
        t << QPointF(c.x() - h, c.y() + h * 0.1) << QPointF(c.x(), c.y() - h)
          << QPointF(c.x() + h, c.y() + h * 0.1);
        p.drawPolygon(t);
        p.drawRect(QRectF(c.x() - h, c.y() + h * 0.45, 2 * h, h * 0.35));
        break;
    }
    case Glyph::Close:
        p.drawLine(QPointF(c.x() - h, c.y() - h), QPointF(c.x() + h, c.y() + h));
        p.drawLine(QPointF(c.x() + h, c.y() - h), QPointF(c.x() - h, c.y() + h));
        break;
    case Glyph::Minimize:
        p.drawLine(QPointF(c.x() - h, c.y() + h * 0.7), QPointF(c.x() + h, c.y() + h * 0.7));
        break;
    case Glyph::Small:
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(c.x() - h, c.y() - h * 0.8, 2 * h, h * 1.6));
        p.drawLine(QPointF(c.x() - h, c.y() - h * 0.3), QPointF(c.x() + h, c.y() - h * 0.3));
        break;
    case Glyph::Up:
    case Glyph::Down: {
        const double d = glyph == Glyph::Up ? -1 : 1;
        QPolygonF t;
        t << QPointF(c.x() - h, c.y() - d * h * 0.5) << QPointF(c.x() + h, c.y() - d * h * 0.5)
          << QPointF(c.x(), c.y() + d * h * 0.6);
        p.drawPolygon(t);
        break;
    }
    case Glyph::Plus:
        p.drawLine(QPointF(c.x(), c.y() - h), QPointF(c.x(), c.y() + h));
        [[fallthrough]];
    case Glyph::Minus:
        p.drawLine(QPointF(c.x() - h, c.y()), QPointF(c.x() + h, c.y()));
        break;
    case Glyph::Shuffle:
        p.setBrush(Qt::NoBrush);
        p.drawLine(QPointF(c.x() - h, c.y() - h * 0.6), QPointF(c.x() + h, c.y() + h * 0.6));
        p.drawLine(QPointF(c.x() - h, c.y() + h * 0.6), QPointF(c.x() + h, c.y() - h * 0.6));
        break;
    case Glyph::Repeat:
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(c.x() - h, c.y() - h * 0.8, 2 * h, h * 1.6), 60 * 16, 300 * 16);
        break;
    case Glyph::Text: {
        QFont f = p.font();
        f.setPixelSize(std::max(8, static_cast<int>(r.height() * 0.55)));
        f.setBold(true);
        p.setFont(f);
        p.drawText(r, Qt::AlignCenter, text);
        break;
    }
    }
}

} // namespace

SkinButton::SkinButton(Glyph glyph, QWidget *parent) : QAbstractButton(parent), glyph_(glyph) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void SkinButton::enterEvent(QEnterEvent *event) {
    hover_ = true;
    update();
    emit hovered();
    QAbstractButton::enterEvent(event);
}

void SkinButton::leaveEvent(QEvent *event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SkinButton::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient face(r.topLeft(), r.bottomLeft());
    const bool lit = isDown() || isChecked();
    face.setColorAt(0, lit ? QColor(0x3d, 0x6b, 0x5a) : QColor(0x4a, 0x55, 0x63));
    face.setColorAt(1, lit ? QColor(0x1f, 0x3d, 0x33) : QColor(0x22, 0x28, 0x31));
    p.setPen(QPen(hover_ && isEnabled() ? litColor() : QColor(0x10, 0x14, 0x19), 1));
    p.setBrush(face);
    p.drawRoundedRect(r, r.height() / 5, r.height() / 5);
    QColor ink = isEnabled() ? QColor(0xe8, 0xee, 0xf2) : QColor(0x6a, 0x72, 0x7c);
    if (lit && isEnabled())
        ink = litColor();
    drawGlyph(p, r.adjusted(2, 2, -2, -2), glyph_, ink, text());
}

Knob::Knob(QWidget *parent) : QWidget(parent) {
    setCursor(Qt::SizeHorCursor);
}

void Knob::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0xf0, 0xf4, 0xf6));
    g.setColorAt(1, QColor(0x8a, 0x96, 0xa2));
    p.setPen(QColor(0x10, 0x14, 0x19));
    p.setBrush(g);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.drawRoundedRect(r, 3, 3);
    p.setPen(down_ ? litColor() : QColor(0x40, 0x48, 0x50));
    p.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.bottom() - 3));
}

void Knob::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    down_ = true;
    update();
    emit pressed(qRound(event->globalPosition().x()));
}

void Knob::mouseMoveEvent(QMouseEvent *event) {
    if (down_)
        emit moved(qRound(event->globalPosition().x()));
}

void Knob::mouseReleaseEvent(QMouseEvent *event) {
    if (!down_ || event->button() != Qt::LeftButton)
        return;
    down_ = false;
    update();
    emit released();
}

void Track::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0.5, height() / 2.0 - 2, width() - 1.0, 4);
    p.setPen(QColor(0x0c, 0x10, 0x14));
    p.setBrush(QColor(0x14, 0x1a, 0x20));
    p.drawRoundedRect(r, 2, 2);
}

void LevelIndicator::setLit(int segments) {
    segments = std::clamp(segments, 0, kSegments);
    if (segments == lit_)
        return;
    lit_ = segments;
    update();
}

void LevelIndicator::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const double gap = 1;
    const double h = (height() - gap * (kSegments - 1)) / kSegments;
    for (int i = 0; i < kSegments; ++i) {
        // Segment 0 at the bottom; the wider the higher.
        const double y = height() - (i + 1) * h - i * gap;
        const double w = width() * (0.4 + 0.6 * (i + 1) / kSegments);
        p.fillRect(QRectF(width() - w, y, w, h), i < lit_ ? litColor() : dimColor());
    }
}

void DisplayPanel::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x0a, 0x0d, 0x10), 1));
    p.setBrush(displayColor());
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
}

} // namespace pelvanto::skin
