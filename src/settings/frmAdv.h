#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QSlider;

namespace pelvanto {

class AudioRecord;

// The extra mixer controls of the recorder's current line, one at a time: a check box for
// switches, a slider for levels. Every change goes to the recorder at once.
class frmAdv : public QDialog {
    Q_OBJECT
public:
    explicit frmAdv(AudioRecord &record, QWidget *parent = nullptr);

private:
    void showControl(int index);
    void changeSwitch(bool checked);
    void changeLevel(int value);
    void showValue(const QVariant &value);

    AudioRecord &recorder_;
    QComboBox *controlList_;
    QCheckBox *switchBox_;
    QSlider *levelSlider_;
};

} // namespace pelvanto
