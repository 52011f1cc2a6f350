#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

// Pieces the option windows share.
//
// Control arrays get object names of the form name_index ("slVolume_0", "Option1_2") so that
// array names that end in a digit stay distinct from their elements.
namespace pelvanto {

// Layout sizes are kept in twips (1440 per inch) and converted once here.
int twipsToPixels(const QWidget *widget, int twips);

QString arrayName(const char *name, int index);

// Where a format window puts the component's new format description (the recording options
// window's text box for the format).
using DescriptionSink = std::function<void(const QString &description)>;

// An up-down control bound to a text box. A new value (arrows or setValue) is written into the
// text box; a number typed into the text box (or put there by the window) moves the value too,
// limited to the range, so that what the text shows is what gets applied. Typed text itself is
// left as typed.
class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget *parent = nullptr);

    int value() const { return m_value; }
    // Limited to the range; emits valueChanged when the value changes.
    void setValue(int value);
    void setRange(int minimum, int maximum);
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setSingleStep(int step) { m_step = step; }
    int singleStep() const { return m_step; }
    void setBuddy(QLineEdit *buddy);
    QLineEdit *buddy() const { return m_buddy; }

    // One arrow click: steps > 0 up, < 0 down.
    void stepBy(int steps);

signals:
    void valueChanged(int value);

private:
    void takeBuddyText(const QString &text);

    int m_value = 0;
    int m_min = 0;
    int m_max = 100;
    int m_step = 1;
    QLineEdit *m_buddy = nullptr;
    bool m_takingText = false;
    QToolButton *m_up;
    QToolButton *m_down;
};

} // namespace pelvanto
