#pragma once

#include <QLabel>
#include <QPixmap>
#include <QRawFont>

#include <array>

namespace pelvanto {

// The elapsed-time label. Its text changes many times a second while recording or playing;
// text made only of digits, ':' and '.' is drawn from glyphs looked up once per font, so those
// repaints shape no text, over the label's background and frame drawn once per size and style
// (a skin's rounded border is the dearest part of the label to draw). Any other text is
// painted as by QLabel.
class ElapsedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElapsedLabel(const QString &text, QWidget *parent = nullptr);

    // Whether the current text is drawn from the cached glyphs (for tests).
    bool drawsFromGlyphCache();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    static constexpr int kCharCount = 12; // "0123456789:."
    bool prepare();
    // What Qt draws below a label's text: the style's background, then the frame.
    void drawBackground(QPainter *painter);
    const QPixmap &chrome();

    QRawFont raw_;
    QFont rawFor_;
    bool usable_ = false;
    std::array<quint32, kCharCount> glyphs_{};
    std::array<qreal, kCharCount> advances_{};
    QPixmap chrome_;       // background and frame at the current size and style
    int chromeFrame_ = -1; // frameStyle() it was drawn with
};

} // namespace pelvanto
