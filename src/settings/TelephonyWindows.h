#pragma once

#include "OptionWidgets.h"

#include <QDialog>
#include <QList>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace pelvanto {

class AudioFile;
struct FormatValues;

// The common pattern of the VOX, RAW and G.726 windows: sample-rate option buttons F1.. in the
// frame "Frequency (Hz)", kept in the program-wide values as they are clicked; "Ok" stores,
// applies and describes; "Cancel" stores and applies nothing.
class RateFormatWindow : public QDialog {
    Q_OBJECT
public:
    QRadioButton *rateButton(int rate) const;

protected:
    RateFormatWindow(AudioFile &file, FormatValues &values, DescriptionSink describe,
                     int rateButtons, QWidget *parent);

    virtual void chooseRate(qint32 rate) = 0;
    // Writes the keys and sets the format on the component.
    virtual void store() = 0;
    void saveAndApply();

    QGroupBox *addFrame(const char *name, const QString &caption);
    QRadioButton *addOption(QGroupBox *frame, const QString &objectName, const QString &caption);

    AudioFile &audioFile_;
    FormatValues &values_;
    DescriptionSink describe_;
    QList<QRadioButton *> rateButtons_;
    QPushButton *okButton_;
    QPushButton *cancelButton_;
};

// "Set VOX Format"
class frmVOX : public RateFormatWindow {
    Q_OBJECT
public:
    frmVOX(AudioFile &file, FormatValues &values, DescriptionSink describe,
           QWidget *parent = nullptr);

private:
    void chooseRate(qint32 rate) override;
    void store() override;
};

// "Set RAW Format"
class frmRAW : public RateFormatWindow {
    Q_OBJECT
public:
    frmRAW(AudioFile &file, FormatValues &values, DescriptionSink describe,
           QWidget *parent = nullptr);

private:
    void chooseRate(qint32 rate) override;
    void store() override;
};

// "Set CCUIT G.726 Format"
class frmG726 : public RateFormatWindow {
    Q_OBJECT
public:
    frmG726(AudioFile &file, FormatValues &values, DescriptionSink describe,
            QWidget *parent = nullptr);

private:
    void chooseRate(qint32 rate) override;
    void store() override;
};

} // namespace pelvanto
