// The elapsed-time label draws digit text from cached glyphs; it must look like a label.
#include "ElapsedLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QtTest>

using namespace pelvanto;

namespace {

const char *kSheet = R"(QLabel#Label1 { font-family: "DejaVu Sans Mono", monospace; font-size: 20pt;
    color: #7fe08a; background-color: #14171c; border: 1px solid #3d444f; border-radius: 3px;
    padding: 2px 8px; }
    QLabel#Label1:disabled { background-color: #402020; })";

struct Ink {
    QRect box;
    int pixels = 0;
    int ofColour = 0;
};

// Pixels of the text colour's hue inside the frame (the frame and background excluded).
Ink inkOf(QWidget &w, const QColor &colour) {
    const QImage img = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor back = img.pixelColor(img.width() / 2, 2);
    Ink ink;
    for (int y = 2; y < img.height() - 2; ++y)
        for (int x = 2; x < img.width() - 2; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c == back)
                continue;
            ink.box |= QRect(x, y, 1, 1);
            ++ink.pixels;
            if (c.green() > c.red() && c.green() > c.blue() && colour.green() > colour.red())
                ++ink.ofColour;
        }
    return ink;
}

// Equal but for rounding: the frame is drawn into a cache first, so the anti-aliased corners
// are blended twice.
bool alike(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
           std::abs(qBlue(a) - qBlue(b)) <= 2;
}

// Pixels that differ between the two labels as the window shows them, outside their text (and
// a margin around it).
int chromeDifferences(QWidget &a, QWidget &b, const QRect &text) {
    const QImage window = a.window()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage x = window.copy(a.geometry());
    const QImage y = window.copy(b.geometry());
    if (x.size() != y.size())
        return -1;
    const QRect skip = text.adjusted(-3, -3, 3, 3);
    int differ = 0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c)
            if (!skip.contains(c, r) && !alike(x.pixel(c, r), y.pixel(c, r)))
                ++differ;
    return differ;
}

} // namespace

class TestElapsedLabel : public QObject {
    Q_OBJECT
private slots:
    void digitTextComesFromTheCacheOtherTextDoesNot() {
        ElapsedLabel l(QStringLiteral("0:00.000"));
        QVERIFY(l.drawsFromGlyphCache());
        l.setText(QStringLiteral("75:03.250"));
        QVERIFY(l.drawsFromGlyphCache());
        for (const char *other : {"", "Paused", "1:00 ", "-0:01.000"}) {
            l.setText(QString::fromLatin1(other));
            QVERIFY2(!l.drawsFromGlyphCache(), other);
        }
    }

    void looksLikeAPlainLabelUnderTheSkin() {
        QWidget window;
        window.setStyleSheet(QString::fromLatin1(kSheet));
        auto *layout = new QHBoxLayout(&window);
        auto *ours = new ElapsedLabel(QStringLiteral("12:34.567"), &window);
        auto *plain = new QLabel(QStringLiteral("12:34.567"), &window);
        for (QLabel *l : {static_cast<QLabel *>(ours), plain}) {
            l->setObjectName(QStringLiteral("Label1"));
            l->setAlignment(Qt::AlignCenter);
            l->setFixedSize(240, 60);
            layout->addWidget(l);
        }
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(ours->drawsFromGlyphCache());
        const Ink a = inkOf(*ours, QColor(0x7f, 0xe0, 0x8a));
        const Ink b = inkOf(*plain, QColor(0x7f, 0xe0, 0x8a));
        QVERIFY(b.pixels > 100);
        // Same place, same size, same amount of ink, in the skin's colour.
        QVERIFY2((a.box.topLeft() - b.box.topLeft()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                                .arg(a.box.left())
                                .arg(a.box.top())
                                .arg(b.box.left())
                                .arg(b.box.top())));
        QVERIFY(std::abs(a.box.width() - b.box.width()) <= 4);
        QVERIFY(std::abs(a.box.height() - b.box.height()) <= 4);
        QVERIFY2(std::abs(a.pixels - b.pixels) <= b.pixels / 7,
                 qPrintable(QStringLiteral("%1 vs %2").arg(a.pixels).arg(b.pixels)));
        QVERIFY(a.ofColour > a.pixels / 2);
        // Background, rounded border and frame as the plain label has them, also after the
        // size or the state changes what the skin draws.
        QCOMPARE(chromeDifferences(*ours, *plain, a.box | b.box), 0);
        for (QLabel *l : {static_cast<QLabel *>(ours), plain})
            l->setFixedSize(200, 50);
        QTRY_COMPARE(ours->size(), QSize(200, 50));
        QCOMPARE(chromeDifferences(*ours, *plain, inkOf(*plain, Qt::green).box), 0);
        for (QLabel *l : {static_cast<QLabel *>(ours), plain})
            l->setEnabled(false);
        const QImage disabled = ours->grab().toImage();
        QCOMPARE(disabled.pixelColor(disabled.width() / 2, 2), QColor(0x40, 0x20, 0x20));
        QCOMPARE(chromeDifferences(*ours, *plain, inkOf(*plain, Qt::green).box), 0);
        for (QLabel *l : {static_cast<QLabel *>(ours), plain})
            l->setEnabled(true);
        // A new font is taken up at once.
        ours->setStyleSheet(QStringLiteral("font-size: 10pt;"));
        QVERIFY(ours->drawsFromGlyphCache());
        QVERIFY(inkOf(*ours, QColor(0x7f, 0xe0, 0x8a)).box.height() < a.box.height() * 3 / 4);
    }
};

QTEST_MAIN(TestElapsedLabel)
#include "tst_elapsedlabel.moc"
