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
    bool isRecording() const override { return recording_; }
    QString startFailure() const override { return startFailure_; }
    quint64 recordingNumber() const override { return recordingNumber_; }

    // The components the option windows configure; null after exitsystem().
    AudioRecord *audioRecord() const { return recorder_.get(); }
    AudioFile *audioFile() const { return audioFile_.get(); }
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
    // Stop: ends the recording, or the playback when nothing records.
    void stopRecordingOrPlayback();
    // Plays the selected recorded file (Play, a double click, the menus).
    void playSelected();
    void pauseOrResume();
    // The device list: its sources fill the source list.
    void chooseDevice();
    // The source list: the chosen line feeds the recording.
    void chooseSource();
    void openSchedule();
    void openOutputFile();
    void openFormatSettings();
    void openHelp();
    void openAbout();
    void renameSelected();
    void removeSelected();
    void deleteSelected();
    // "Record Control": the desktop's recording mixer.
    void openRecordControl();

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
    void createComponents();
    void fixElapsedLabelSize();
    void fillDevices();
    void fillSources();
    void fillEncoders();
    void applyStoredSettings();
    void registerHotkeys();
    void stopPlayback();
    void onRecordingFailed(const QString &reason);
    // StopRecord, and the end of a recording that cannot go on (`failure` says why).
    void finishRecording(const QString &failure);
    void reportStartFailure(const QString &path, const StartFailure &failure);
    void reportNoDevice();
    // One box per cause: a start failing again while its message is still open adds none.
    void showFailureOnce(const QString &text, QMessageBox::Icon icon = QMessageBox::Critical);
    void setRecordingButtons(bool recording);
    void showStatus(const QString &file, const QString &format);

    frmtray *tray_;
    QPointer<QDialog> form5_;
    FormatValues formatValues_; // the program-wide format values
    OutputPathBuilder paths_;

    std::unique_ptr<AudioRecord> recorder_;
    std::unique_ptr<AudioFile> audioFile_;
    std::unique_ptr<AudioPlayer> player_;
    std::unique_ptr<RecordingSession> session_;
    std::unique_ptr<PlaybackController> playback_;
    std::unique_ptr<GlobalHotkeys> hotkeys_;
    std::unique_ptr<RecordedFilesView> list_;
    std::unique_ptr<ProjectActions> projects_;

    bool recording_ = false;
    bool exited_ = false;
    bool exiting_ = false;
    QString outputPath_;
    RecordingOutput output_;
    QString startFailure_;
    quint64 recordingNumber_ = 0;
    QStringList openFailureMessages_;
    QDateTime startTime_;

    MainMenus menus_;
    QComboBox *deviceCombo_ = nullptr;
    QComboBox *sourceCombo_ = nullptr;
    QComboBox *formatCombo_ = nullptr;
    QPushButton *recordButton_ = nullptr;
    QPushButton *stopButton_ = nullptr;
    QPushButton *playButton_ = nullptr;
    QPushButton *pauseButton_ = nullptr;
    QPushButton *recordHotkeyButton_ = nullptr; // "Record Ctrl+R"
    QPushButton *stopHotkeyButton_ = nullptr;   // "Stop Ctrl+S"
    QPushButton *scheduleButton_ = nullptr;
    QPushButton *audioPlayerButton_ = nullptr;
    QPushButton *outputFileButton_ = nullptr;
    QPushButton *formatSettingsButton_ = nullptr;
    QPushButton *helpButton_ = nullptr;
    QPushButton *aboutButton_ = nullptr;
    QPushButton *closeButton_ = nullptr;
    QPushButton *editId3Button_ = nullptr;
    QPushButton *converterButton_ = nullptr;
    QLabel *elapsedLabel_ = nullptr;
    QSlider *positionSlider_ = nullptr;
    QTreeWidget *fileList_ = nullptr;
    QLabel *fileStatus_ = nullptr;   // panel 1: the file recorded or played
    QLabel *formatStatus_ = nullptr; // panel 2: its format, or "Done"
    AudioDisplay *waveform_ = nullptr;
    AudioVisualization *spectrum_ = nullptr;
};

} // namespace pelvanto
