#pragma once

#include "OptionWidgets.h"

#include <QDialog>
#include <QList>

#include <functional>

class QPushButton;
class QRadioButton;

namespace pelvanto {

class AudioFile;
struct FormatValues;

// "Set WAV Format": a sample rate and mono or stereo, then one of the ways to set the WAV format
// on the audio-file component. Only OK stores (the PCM parameters).
class frmWAV : public QDialog {
    Q_OBJECT
public:
    // Returns the chosen sample file, empty when the user cancelled.
    using SampleChooser = std::function<QString(QWidget *parent)>;

    frmWAV(AudioFile &file, FormatValues &values, DescriptionSink describe,
           QWidget *parent = nullptr);

    // Replaces the open-file dialog of "Like Sample" (tests, other front ends).
    void setSampleChooser(SampleChooser chooser) { sampleChooser_ = std::move(chooser); }

private:
    void saveAndApplyPcm();
    void applyPcm();
    void applyCompressed(bool gsm);
    void applyDsp();
    void chooseFromMenu();
    void takeFormatFromSample();
    void showDescription();

    AudioFile &audioFile_;
    FormatValues &values_;
    DescriptionSink describe_;
    SampleChooser sampleChooser_;
    QList<QRadioButton *> rateButtons_;
};

} // namespace pelvanto
