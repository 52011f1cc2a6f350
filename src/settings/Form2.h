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
    int shownColumns() const { return m_shown; }

    // The format windows, each modal over this one.
    void openMp3();
    void openWav();
    void openVox();
    void openOgg();
    void openRaw();
    void openG726();

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
    void loadFilters();

    void volumeChanged(int line);
    void balanceChanged(int line);
    void selectClicked(int line);
    void advancedClicked(int line);
    void filterToggled();
    void ok();

    AudioRecord &m_record;
    AudioFile &m_file;
    FormatValues &m_values;

    QTabWidget *m_tabs = nullptr;
    QFrame *m_frame14 = nullptr;
    QVector<Column> m_columns;
    int m_shown = 0;

    QLineEdit *m_txtMp3 = nullptr;
    QLineEdit *m_txtWav = nullptr;
    QLineEdit *m_txtVox = nullptr;
    QLineEdit *m_txtOgg = nullptr;
    QLineEdit *m_txtRaw = nullptr;
    QLineEdit *m_txtG726 = nullptr;

    QCheckBox *m_chNotch = nullptr;
    QLineEdit *m_txtNotch = nullptr;
    UpDown *m_udNotch = nullptr;
    QCheckBox *m_chHighPass = nullptr;
    QLineEdit *m_txtHighPass = nullptr;
    UpDown *m_udHighPass = nullptr;
    QCheckBox *m_chLowPass = nullptr;
    QLineEdit *m_txtLowPass = nullptr;
    UpDown *m_udLowPass = nullptr;
    QCheckBox *m_chAutoGain = nullptr;
    QLineEdit *m_txtLow = nullptr;
    UpDown *m_udLow = nullptr;
    QLineEdit *m_txtHigh = nullptr;
    UpDown *m_udHigh = nullptr;
    QLineEdit *m_txtAttack = nullptr;
    UpDown *m_udAttack = nullptr;
};

} // namespace pelvanto
