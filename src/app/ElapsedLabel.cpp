#include "ElapsedLabel.h"

#include <QEvent>
#include <QGlyphRun>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <cmath>

namespace pelvanto {

namespace {

const QString &cachedChars() {
    static const QString chars = QStringLiteral("0123456789:.");
    return chars;
}

} // namespace

ElapsedLabel::ElapsedLabel(const QString &text, QWidget *parent) : QLabel(text, parent) {
    // A time is never rich text: spares guessing the format on every change.
    setTextFormat(Qt::PlainText);
    // The background is painted by paintEvent, from the cache where it can be.
    setAttribute(Qt::WA_NoSystemBackground);
}

bool ElapsedLabel::prepare() {
    if (usable_ && rawFor_ == font())
        return true;
    rawFor_ = font();
    raw_ = QRawFont::fromFont(font());
    usable_ = false;
    if (!raw_.isValid())
        return false;
    const QList<quint32> glyphs = raw_.glyphIndexesForString(cachedChars());
    if (glyphs.size() != kCharCount || glyphs.contains(0U))
        return false; // a character the font lacks: leave it to QLabel's fallback fonts
    const QList<QPointF> advances = raw_.advancesForGlyphIndexes(glyphs);
    for (int i = 0; i < kCharCount; ++i) {
        glyphs_[static_cast<size_t>(i)] = glyphs[i];
        advances_[static_cast<size_t>(i)] = advances[i].x();
    }
    usable_ = true;
    return true;
}

bool ElapsedLabel::drawsFromGlyphCache() {
    const QString t = text();
    return prepare() && !t.isEmpty() &&
           std::all_of(t.begin(), t.end(), [](QChar c) { return cachedChars().contains(c); });
}

void ElapsedLabel::drawBackground(QPainter *painter) {
    if (autoFillBackground())
        painter->fillRect(rect(), palette().brush(backgroundRole()));
    if (testAttribute(Qt::WA_StyledBackground)) {
        QStyleOption option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_Widget, &option, painter, this);
    }
}

const QPixmap &ElapsedLabel::chrome() {
    const qreal ratio = devicePixelRatio();
    if (chrome_.isNull() || chrome_.deviceIndependentSize() != QSizeF(size()) ||
        chrome_.devicePixelRatio() != ratio || chromeFrame_ != frameStyle()) {
        QPixmap drawn(size() * ratio);
        drawn.setDevicePixelRatio(ratio);
        drawn.fill(Qt::transparent);
        QPainter p(&drawn);
        drawBackground(&p);
        drawFrame(&p);
        p.end();
        chrome_ = drawn;
        chromeFrame_ = frameStyle();
    }
    return chrome_;
}

void ElapsedLabel::paintEvent(QPaintEvent *event) {
    if (!drawsFromGlyphCache()) {
        {
            QPainter p(this);
            drawBackground(&p);
        }
        QLabel::paintEvent(event);
        return;
    }
    const QString t = text();
    QList<quint32> indexes;
    QList<QPointF> positions;
    indexes.reserve(t.size());
    positions.reserve(t.size());
    qreal x = 0;
    for (QChar c : t) {
        const auto k = static_cast<size_t>(cachedChars().indexOf(c));
        indexes << glyphs_[k];
        positions << QPointF(x, 0);
        x += advances_[k];
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(indexes);
    run.setPositions(positions);

    QPainter p(this);
    p.drawPixmap(0, 0, chrome());
    const int m = margin();
    const QRect area = contentsRect().adjusted(m, m, -m, -m);
    const qreal height = raw_.ascent() + raw_.descent();
    const QSize box(static_cast<int>(std::ceil(x)), static_cast<int>(std::ceil(height)));
    const QRect at = QStyle::alignedRect(
        layoutDirection(), QStyle::visualAlignment(layoutDirection(), alignment()), box, area);
    p.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, foregroundRole()));
    p.drawGlyphRun(QPointF(at.left(), at.top() + raw_.ascent()), run);
}

void ElapsedLabel::changeEvent(QEvent *event) {
    if (event->type() == QEvent::FontChange)
        usable_ = false;
    // Style, palette, enabled state, window activation: any of them may change the look.
    chrome_ = QPixmap();
    QLabel::changeEvent(event);
}

void ElapsedLabel::resizeEvent(QResizeEvent *event) {
    chrome_ = QPixmap();
    QLabel::resizeEvent(event);
}

// A skin may style the label under the mouse.
void ElapsedLabel::enterEvent(QEnterEvent *event) {
    chrome_ = QPixmap();
    QLabel::enterEvent(event);
}

void ElapsedLabel::leaveEvent(QEvent *event) {
    chrome_ = QPixmap();
    QLabel::leaveEvent(event);
}

} // namespace pelvanto
