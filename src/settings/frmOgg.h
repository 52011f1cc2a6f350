#pragma once

#include "OptionWidgets.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QSlider;

namespace pelvanto {

class AudioFile;
struct FormatValues;

// "Ogg Vorbis Option": a nominal bit rate, a variable bit rate between a minimum and a maximum,
// or a quality instead of bit rates. The sliders and boxes change the program-wide values at
// once; OK stores and applies them.
class frmOgg : public QDialog {
    Q_OBJECT
public:
    frmOgg(AudioFile &file, FormatValues &values, DescriptionSink describe,
           QWidget *parent = nullptr);

    // The bit rate of a slider position (1 to 6), 0 for other positions.
    static int bitrateAt(int position);
    // The slider position of a bit rate, 0 when it is not offered.
    static int positionOf(int kbps);

private:
    void load();
    void switchQualityMode();
    void switchVbr();
    void saveAndApply();

    AudioFile &audioFile_;
    FormatValues &values_;
    DescriptionSink describe_;

    QCheckBox *vbrBox_;
    QCheckBox *qualityBox_;
    QLabel *bitrateLabel_;
    QSlider *bitrateSlider_;
    QGroupBox *vbrFrame_;
    QLabel *minLabel_;
    QSlider *minSlider_;
    QLabel *maxLabel_;
    QSlider *maxSlider_;
    QGroupBox *qualityFrame_;
    QSlider *qualitySlider_;
};

} // namespace pelvanto
