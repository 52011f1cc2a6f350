#pragma once

#include <QDialog>
#include <QVector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace pelvanto {

class AudioFile;
class AudioRecord;
class UpDown;
struct FilterSettings;
struct FormatValues;

// "Formats And Filters Settings ": the mixer lines of the current input device (applied at
// once), the description of every output format with its own options window, and the input
// filters and gain control (stored and applied on OK).
//
// Control arrays are named name_index: Label_0 .. Label_7, slVolume_0, slBalance_0,
// chSelect_0, cmdAdvanced_0, Label3_0 ("Volume:"), Label2_0 ("Balance:").
class Form2 : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColumns = 8;
    static constexpr int kColumnTwips = 1260;

    Form2(AudioRecord &record, AudioFile &file, FormatValues &values, QWidget *parent = nullptr);

    // The number of mixer columns shown (0 with no input device).
    int shownColumns() const { return shownColumns_; }

    // The format windows, each modal over this one.
    void openMp3();
    void openWav();
    void openVox();
    void openOgg();
    void openRaw();
    void openG726();

public slots:
    // Cancel, Escape and the close box: the gain control the window switched off comes back.
    void reject() override;

private:
    struct Column {
        QWidget *box = nullptr;
        QLabel *name = nullptr;
        QSlider *volume = nullptr;
        QSlider *balance = nullptr;
        QCheckBox *select = nullptr;
        QPushButton *advanced = nullptr;
    };

    QWidget *buildMixerTab();
    QWidget *buildFormatsTab();
    void load();
    void loadMixer();
    void describeFormats();
    void showFilters(const FilterSettings &filters);
    FilterSettings shownFilters() const;

    void changeVolume(int line);
    void changeBalance(int line);
    void changeSelection(int line);
    void openAdvanced(int line);
    void enableFilterFields();
    void saveAndApply();

    AudioRecord &recorder_;
    AudioFile &audioFile_;
    FormatValues &values_;
    // The gain control was on when the window opened (it is off while the window shows).
    bool autoGainWasOn_ = false;

    QTabWidget *tabs_ = nullptr;
    QFrame *mixerFrame_ = nullptr;
    QVector<Column> columns_;
    int shownColumns_ = 0;

    QLineEdit *mp3Description_ = nullptr;
    QLineEdit *wavDescription_ = nullptr;
    QLineEdit *voxDescription_ = nullptr;
    QLineEdit *oggDescription_ = nullptr;
    QLineEdit *rawDescription_ = nullptr;
    QLineEdit *g726Description_ = nullptr;

    QCheckBox *notchBox_ = nullptr;
    QLineEdit *notchEdit_ = nullptr;
    UpDown *notchUpDown_ = nullptr;
    QCheckBox *highPassBox_ = nullptr;
    QLineEdit *highPassEdit_ = nullptr;
    UpDown *highPassUpDown_ = nullptr;
    QCheckBox *lowPassBox_ = nullptr;
    QLineEdit *lowPassEdit_ = nullptr;
    UpDown *lowPassUpDown_ = nullptr;
    QCheckBox *autoGainBox_ = nullptr;
    QLineEdit *lowLevelEdit_ = nullptr;
    UpDown *lowLevelUpDown_ = nullptr;
    QLineEdit *highLevelEdit_ = nullptr;
    UpDown *highLevelUpDown_ = nullptr;
    QLineEdit *attackTimeEdit_ = nullptr;
    UpDown *attackTimeUpDown_ = nullptr;
};

} // namespace pelvanto
