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

    int value() const { return value_; }
    // Limited to the range; emits valueChanged when the value changes.
    void setValue(int value);
    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setSingleStep(int step) { step_ = step; }
    int singleStep() const { return step_; }
    void setBuddy(QLineEdit *buddy);
    QLineEdit *buddy() const { return buddy_; }

    // One arrow click: steps > 0 up, < 0 down.
    void stepBy(int steps);

signals:
    void valueChanged(int value);

private:
    void takeBuddyText(const QString &text);

    int value_ = 0;
    int minimum_ = 0;
    int maximum_ = 100;
    int step_ = 1;
    QLineEdit *buddy_ = nullptr;
    bool takingText_ = false;
    QToolButton *upButton_;
    QToolButton *downButton_;
};

} // namespace pelvanto
