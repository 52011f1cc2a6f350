#pragma once

#include "OptionWidgets.h"
#include "audiofile/Mp3EncoderSettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSlider;

namespace pelvanto {

class AudioFile;
struct FormatValues;

// "MP3 Advanced Option": every control writes one property of an encoder-settings object at
// once; OK stores bit rate, sample rate and channel count and hands the object to the audio-file
// component. The other encoder settings are not stored and start from the library's defaults at
// every opening.
class frmMP3 : public QDialog {
    Q_OBJECT
public:
    frmMP3(AudioFile &file, FormatValues &values, DescriptionSink describe,
           QWidget *parent = nullptr);

    // The encoder settings as the controls have set them so far.
    const Mp3EncoderSettings &settings() const { return m_settings; }

    // Bit rate of a slider position (0 to 14), and the position of a bit rate (-1 if none).
    static int bitrateAt(int position);
    static int positionOf(int kbps);

private:
    void build();
    void load();
    void bitrateMoved(int position);
    void frequencyChosen(int index);
    void channelsChosen(int index);
    void codingChosen(int index);
    void highpassClicked();
    void lowpassClicked();
    void ok();

    AudioFile &m_file;
    FormatValues &m_values;
    DescriptionSink m_describe;
    Mp3EncoderSettings m_settings;

    // General
    QSlider *m_slider1 = nullptr;
    QLabel *m_label1 = nullptr;
    QSlider *m_slider2 = nullptr;
    QComboBox *m_combo3 = nullptr;
    QComboBox *m_combo5 = nullptr;
    // Filtering
    QCheckBox *m_chHFilt = nullptr;
    QLineEdit *m_tHFiltF = nullptr;
    UpDown *m_udHFiltF = nullptr;
    QLabel *m_label11 = nullptr;
    QLineEdit *m_tHFiltW = nullptr;
    UpDown *m_udHFiltW = nullptr;
    QCheckBox *m_chLFilt = nullptr;
    QLineEdit *m_tLFiltF = nullptr;
    UpDown *m_udLFiltF = nullptr;
    QLabel *m_label13 = nullptr;
    QLineEdit *m_tLFiltW = nullptr;
    UpDown *m_udLFiltW = nullptr;
    // VBR
    QComboBox *m_combo1 = nullptr;
    QLabel *m_label15 = nullptr;
    QLineEdit *m_tVbrQ = nullptr;
    UpDown *m_udVbrQ = nullptr;
    QLabel *m_label9 = nullptr;
    QLineEdit *m_tABR = nullptr;
    UpDown *m_udABR = nullptr;
    QGroupBox *m_frame6 = nullptr;
    QSlider *m_slider3 = nullptr;
    QLabel *m_label8 = nullptr;
    QGroupBox *m_frame3 = nullptr;
    QCheckBox *m_check[8] = {};
    // Expert
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo4 = nullptr;
};

} // namespace pelvanto
