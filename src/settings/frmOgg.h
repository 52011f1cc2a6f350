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
    void qualityClicked();
    void vbrClicked();
    void ok();

    AudioFile &m_file;
    FormatValues &m_values;
    DescriptionSink m_describe;

    QCheckBox *m_chVbr;
    QCheckBox *m_chQuality;
    QLabel *m_lblBitrate;
    QSlider *m_sldrBitrate;
    QGroupBox *m_frmVbr;
    QLabel *m_lblMin;
    QSlider *m_sldrMin;
    QLabel *m_lblMax;
    QSlider *m_sldrMax;
    QGroupBox *m_frmQuality;
    QSlider *m_sldrQuality;
};

} // namespace pelvanto
