#pragma once

#include "FormatValues.h"
#include "MainMenus.h"
#include "OutputPath.h"
#include "RecordingOutput.h"
#include "platform/RecordingControl.h"

#include <QDateTime>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>

#include <functional>
#include <memory>

class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace pelvanto {

class AudioDisplay;
class AudioFile;
class AudioPlayer;
class AudioRecord;
class AudioVisualization;
class GlobalHotkeys;
class PlaybackController;
class ProjectActions;
class RecordedFilesView;
class RecordingSession;
class SampleTools;
class frmtray;
struct StartFailure;

// The main window: device, source and format choice, recording, the
// recorded-files list with playback, projects, and the entries that open the
// other windows. Every way out of the program goes through exitsystem().
class Form1 : public QMainWindow, public RecordingControl {
    Q_OBJECT
public:
    // `tray` may be null (no tray host): minimising then keeps the window.
    explicit Form1(frmtray *tray = nullptr, QWidget *parent = nullptr);
    ~Form1() override;
    Form1(const Form1 &) = delete;
    Form1 &operator=(const Form1 &) = delete;

    void StartRecord() override;
    void StopRecord() override;
    bool isRecording() const override { return flgRecord_; }
    QString startFailure() const override { return startFailure_; }
    quint64 recordingNumber() const override { return recordingNumber_; }
    bool flgRecord() const { return flgRecord_; }

    // The components the option windows configure; null after exitsystem().
    AudioRecord *audioRecord() const { return AudioRecord_.get(); }
    AudioFile *audioFile() const { return AudioFile_.get(); }
    FormatValues &formatValues() { return formatValues_; }

    // Stops what runs, offers to save the list, stores the format, releases
    // everything and ends the program. Runs once.
    void exitsystem();
    bool hasExited() const { return exited_; }

    // The schedule window (kept hidden for the program's life).
    void setScheduleWindow(QDialog *form5);

    // For tests: the clock that names date-time recordings.
    void setClock(OutputPathBuilder::Clock clock);
    RecordedFilesView &recordedFiles() const { return *list_; }
    PlaybackController *playback() const { return playback_.get(); }
    RecordingSession *session() const { return session_.get(); }
    const MainMenus &menus() const { return menus_; }

public slots:
    void cmdrecord_Click();
    void cmdStop_Click();
    void cmdPlay_Click();
    void cmdPause_Click();
    void DeviceCombo_Click();
    void cmbSrcInput_Click();
    void Command2_Click();  // Schedule
    void Command5_Click();  // Output File
    void Command6_Click();  // Format Settings
    void Command10_Click(); // Help
    void Command11_Click(); // About
    void Command12_Click(); // Close
    void mnuRename_Click();
    void mnuRemove_Click();
    void mnuDelete_Click();
    void mnuRecordControl_Click();

signals:
    // exitsystem() has finished: the program ends.
    void exited();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWindow();
    void connectActions();
    void Form_Load();
    void fixElapsedLabelSize();
    void fillDevices();
    void fillSources();
    void fillEncoders();
    void applyStoredSettings();
    void registerHotkeys();
    void stopPlayback();
    void playSelected();
    void onRecordingFailed(const QString &reason);
    // StopRecord, and the end of a recording that cannot go on (`failure` says why).
    void finishRecording(const QString &failure);
    void reportStartFailure(const QString &path, const StartFailure &failure);
    void reportNoDevice();
    // One box per cause: a start failing again while its message is still open adds none.
    void showFailureOnce(const QString &text, QMessageBox::Icon icon = QMessageBox::Critical);
    void setRecordingButtons(bool recording);
    void showStatus(const QString &panel1, const QString &panel2);

    frmtray *tray_;
    QPointer<QDialog> form5_;
    FormatValues formatValues_; // the program-wide format values
    OutputPathBuilder paths_;

    std::unique_ptr<AudioRecord> AudioRecord_;
    std::unique_ptr<AudioFile> AudioFile_;
    std::unique_ptr<AudioPlayer> audioplayer_;
    std::unique_ptr<SampleTools> sampleTools_;
    std::unique_ptr<RecordingSession> session_;
    std::unique_ptr<PlaybackController> playback_;
    std::unique_ptr<GlobalHotkeys> hotkeys_;
    std::unique_ptr<RecordedFilesView> list_;
    std::unique_ptr<ProjectActions> projects_;

    bool flgRecord_ = false;
    bool exited_ = false;
    bool exiting_ = false;
    int CountSrc_ = -1;
    QString outputPath_;
    RecordingOutput output_;
    QString startFailure_;
    quint64 recordingNumber_ = 0;
    QStringList openFailureMessages_;
    QString prefix_;
    QDateTime startTime_;

    MainMenus menus_;
    QComboBox *DeviceCombo = nullptr;
    QComboBox *cmbSrcInput = nullptr;
    QComboBox *cboEncoders = nullptr;
    QPushButton *cmdrecord = nullptr;
    QPushButton *cmdStop = nullptr;
    QPushButton *cmdPlay = nullptr;
    QPushButton *cmdPause = nullptr;
    QPushButton *Command1 = nullptr;  // Record Ctrl+R
    QPushButton *Command3 = nullptr;  // Stop Ctrl+S
    QPushButton *Command2 = nullptr;  // Schedule
    QPushButton *Command4 = nullptr;  // Audio Player
    QPushButton *Command5 = nullptr;  // Output File
    QPushButton *Command6 = nullptr;  // Format Settings
    QPushButton *Command10 = nullptr; // Help
    QPushButton *Command11 = nullptr; // About
    QPushButton *Command12 = nullptr; // Close
    QPushButton *Command13 = nullptr; // Edit ID3
    QPushButton *Command14 = nullptr; // Audio Converter
    QLabel *Label1 = nullptr;
    QSlider *slPosition = nullptr;
    QGroupBox *Frame1 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QLabel *statusPanel1 = nullptr;
    QLabel *statusPanel2 = nullptr;
    AudioDisplay *AudioDisplay1 = nullptr;
    AudioVisualization *AV1 = nullptr;
};

} // namespace pelvanto
