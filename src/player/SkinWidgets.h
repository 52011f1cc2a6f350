#pragma once

#include <QAbstractButton>
#include <QWidget>

// The audio player's skin: buttons, knobs and the level indicator draw themselves, so the
// window looks the same on every desktop style.
namespace pelvanto::skin {

enum class Glyph {
    Play,
    Pause,
    Stop,
    Next,
    Previous,
    Eject,
    Close,
    Minimize,
    Small,
    Shuffle,
    Repeat,
    Plus,
    Minus,
    Up,
    Down,
    Text
};

// Colours of the skin.
QColor panelColor();
QColor displayColor();
QColor litColor();
QColor dimColor();

// An image button: a glyph or a short text on a rounded face that lights up under the mouse.
// Checkable buttons stay lit while checked.
class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    SkinButton(Glyph glyph, QWidget *parent);
    Glyph glyph() const { return glyph_; }

signals:
    void hovered(); // the mouse came over the button

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Glyph glyph_;
    bool hover_ = false;
};

// A knob dragged along a track; reports the mouse in screen pixels.
class Knob : public QWidget {
    Q_OBJECT
public:
    explicit Knob(QWidget *parent);

signals:
    void pressed(int globalX);
    void moved(int globalX);
    void released();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool down_ = false;
};

// The groove a knob runs in.
class Track : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *event) override;
};

// Six segments lit from the bottom up.
class LevelIndicator : public QWidget {
public:
    static constexpr int kSegments = 6;
    using QWidget::QWidget;
    int lit() const { return lit_; }
    void setLit(int segments);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int lit_ = kSegments;
};

// The dark display panel behind the time and the title.
class DisplayPanel : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace pelvanto::skin
