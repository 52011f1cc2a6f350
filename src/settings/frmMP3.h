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
// once; OK stores bit rate, sample rate and channel count and hands the object, with the bit rate
// and sample rate the window shows, to the audio-file component. The other encoder settings are
// not stored and start from the library's defaults at every opening.
class frmMP3 : public QDialog {
    Q_OBJECT
public:
    frmMP3(AudioFile &file, FormatValues &values, DescriptionSink describe,
           QWidget *parent = nullptr);

    // The encoder settings as the controls have set them so far.
    const Mp3EncoderSettings &settings() const { return encoder_; }

    // Bit rate of a slider position (0 to 14), and the position of a bit rate (-1 if none).
    static int bitrateAt(int position);
    static int positionOf(int kbps);

private:
    void build();
    void load();
    void chooseBitrate(int position);
    void chooseFrequency(int index);
    void chooseChannels(int index);
    void chooseCodingMethod(int index);
    void switchHighpass();
    void switchLowpass();
    void saveAndApply();

    AudioFile &audioFile_;
    FormatValues &values_;
    DescriptionSink describe_;
    Mp3EncoderSettings encoder_;

    // General
    QSlider *bitrateSlider_ = nullptr;
    QLabel *bitrateLabel_ = nullptr;
    QSlider *qualitySlider_ = nullptr;
    QComboBox *channelsCombo_ = nullptr;
    QComboBox *frequencyCombo_ = nullptr;
    // Filtering
    QCheckBox *highpassBox_ = nullptr;
    QLineEdit *highpassEdit_ = nullptr;
    UpDown *highpassUpDown_ = nullptr;
    QLabel *highpassWidthLabel_ = nullptr;
    QLineEdit *highpassWidthEdit_ = nullptr;
    UpDown *highpassWidthUpDown_ = nullptr;
    QCheckBox *lowpassBox_ = nullptr;
    QLineEdit *lowpassEdit_ = nullptr;
    UpDown *lowpassUpDown_ = nullptr;
    QLabel *lowpassWidthLabel_ = nullptr;
    QLineEdit *lowpassWidthEdit_ = nullptr;
    UpDown *lowpassWidthUpDown_ = nullptr;
    // VBR
    QComboBox *codingCombo_ = nullptr;
    QLabel *vbrQualityLabel_ = nullptr;
    QLineEdit *vbrQualityEdit_ = nullptr;
    UpDown *vbrQualityUpDown_ = nullptr;
    QLabel *abrLabel_ = nullptr;
    QLineEdit *abrEdit_ = nullptr;
    UpDown *abrUpDown_ = nullptr;
    QGroupBox *maxVbrFrame_ = nullptr;
    QSlider *maxVbrSlider_ = nullptr;
    QLabel *maxVbrLabel_ = nullptr;
    QGroupBox *vbrAdvancedFrame_ = nullptr;
    QCheckBox *writeVbrHeaderBox_ = nullptr;
    QCheckBox *strictMinimumBox_ = nullptr;
    // Expert
    QComboBox *athCombo_ = nullptr;
    QComboBox *deemphasisCombo_ = nullptr;
    QCheckBox *crcBox_ = nullptr;
    QCheckBox *differentBlockTypesBox_ = nullptr;
    QCheckBox *bitReservoirBox_ = nullptr;
    QCheckBox *shortBlocksBox_ = nullptr;
    QCheckBox *isoComplianceBox_ = nullptr;
};

} // namespace pelvanto
