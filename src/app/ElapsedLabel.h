#pragma once

#include <QLabel>
#include <QRawFont>

#include <array>

namespace pelvanto {

// The elapsed-time label. Its text changes twenty times a second while recording or playing;
// text made only of digits, ':' and '.' is drawn from glyphs looked up once per font, so those
// repaints shape no text. Any other text is painted as by QLabel.
class ElapsedLabel : public QLabel {
    Q_OBJECT
public:
    explicit ElapsedLabel(const QString &text, QWidget *parent = nullptr);

    // Whether the current text is drawn from the cached glyphs (for tests).
    bool drawsFromGlyphCache();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    static constexpr int kCharCount = 12; // "0123456789:."
    bool prepare();

    QRawFont raw_;
    QFont rawFor_;
    bool usable_ = false;
    std::array<quint32, kCharCount> glyphs_{};
    std::array<qreal, kCharCount> advances_{};
};

} // namespace pelvanto
