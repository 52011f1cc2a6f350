#include "Form1.h"

#include "ElapsedLabel.h"
#include "Form3.h"
#include "PlaybackController.h"
#include "ProjectActions.h"
#include "RecordedFilesView.h"
#include "RecordingSession.h"
#include "RecordingText.h"
#include "SeekSlider.h"
#include "StartFailure.h"
#include "UserDialogs.h"
#include "frmtray.h"

#include "Frmid3v.h"
#include "frmcov.h"

#include "Form2.h"
#include "Form4.h"
#include "Inifun.h"
#include "MPlay3.h"
#include "OutputFileSettings.h"
#include "StoredSettings.h"
#include "audiofile/AudioFile.h"
#include "audiofile/WavFormatDialog.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioPlayer.h"
#include "capture/AudioRecord.h"
#include "capture/AudioVisualization.h"
#include "platform/GlobalHotkeys.h"
#include "platform/HelpOpener.h"
#include "platform/MessageBox.h"
#include "platform/MixerLauncher.h"
#include "platform/ShellOpen.h"
#include "platform/Skin.h"
#include "platform/WebAddresses.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace pelvanto {

namespace {

QPushButton *button(QWidget *parent, const char *text, const char *name) {
    auto *b = new QPushButton(QString::fromLatin1(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

const char *const kEncoders[] = {"WAV", "MP3", "VOX", "Raw", "G726", "OGG"};

} // namespace

Form1::Form1(frmtray *tray, QWidget *parent) : QMainWindow(parent), tray_(tray) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Pelvanto v3.10 "));
    buildWindow();
    createComponents();
    connectActions();
}

Form1::~Form1() {
    // Without exitsystem (tests, a failed start) nothing may keep running.
    if (session_)
        session_->stop();
    if (playback_)
        playback_->stop();
}

void Form1::buildWindow() {
    auto *central = new QWidget(this);
    setCentralWidget(central);

    deviceCombo_ = new QComboBox(central);
    deviceCombo_->setObjectName(QStringLiteral("DeviceCombo"));
    sourceCombo_ = new QComboBox(central);
    sourceCombo_->setObjectName(QStringLiteral("cmbSrcInput"));
    formatCombo_ = new QComboBox(central);
    formatCombo_->setObjectName(QStringLiteral("cboEncoders"));

    recordButton_ = button(central, "Record", "cmdrecord");
    stopButton_ = button(central, "Stop", "cmdStop");
    playButton_ = button(central, "Play", "cmdPlay");
    pauseButton_ = button(central, "Pause", "cmdPause");
    recordHotkeyButton_ = button(central, "Record Ctrl+R", "Command1");
    stopHotkeyButton_ = button(central, "Stop Ctrl+S", "Command3");
    scheduleButton_ = button(central, "Schedule", "Command2");
    audioPlayerButton_ = button(central, "Audio Player", "Command4");
    outputFileButton_ = button(central, "Output File", "Command5");
    formatSettingsButton_ = button(central, "Format Settings", "Command6");
    helpButton_ = button(central, "Help", "Command10");
    aboutButton_ = button(central, "About", "Command11");
    closeButton_ = button(central, "Close", "Command12");
    editId3Button_ = button(central, "Edit ID3", "Command13");
    converterButton_ = button(central, "Audio Converter", "Command14");

    elapsedLabel_ = new ElapsedLabel(QStringLiteral("0:00.000"), central);
    elapsedLabel_->setObjectName(QStringLiteral("Label1"));
    QFont big = elapsedLabel_->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    elapsedLabel_->setFont(big);

    positionSlider_ = new SeekSlider(Qt::Horizontal, central);
    positionSlider_->setObjectName(QStringLiteral("slPosition"));
    positionSlider_->setRange(0, PlaybackController::kSliderRange);

    waveform_ = new AudioDisplay(central);
    waveform_->setObjectName(QStringLiteral("AudioDisplay1"));
    spectrum_ = new AudioVisualization(central);
    spectrum_->setObjectName(QStringLiteral("AV1"));

    auto *listFrame = new QGroupBox(QStringLiteral("Double Click list to Play Recording"), central);
    listFrame->setObjectName(QStringLiteral("Frame1"));
    fileList_ = new QTreeWidget(listFrame);
    fileList_->setObjectName(QStringLiteral("ListView1"));
    fileList_->viewport()->installEventFilter(this);
    auto *frameLayout = new QVBoxLayout(listFrame);
    frameLayout->addWidget(fileList_);

    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    fileStatus_ = new QLabel(bar);
    fileStatus_->setObjectName(QStringLiteral("Panel1"));
    formatStatus_ = new QLabel(bar);
    formatStatus_->setObjectName(QStringLiteral("Panel2"));
    bar->addWidget(fileStatus_, 3);
    bar->addWidget(formatStatus_, 2);

    auto *inputs = new QGridLayout;
    inputs->addWidget(new QLabel(QStringLiteral("Device"), central), 0, 0);
    inputs->addWidget(deviceCombo_, 0, 1);
    inputs->addWidget(new QLabel(QStringLiteral("Source"), central), 1, 0);
    inputs->addWidget(sourceCombo_, 1, 1);
    inputs->addWidget(new QLabel(QStringLiteral("Format"), central), 2, 0);
    inputs->addWidget(formatCombo_, 2, 1);
    inputs->setColumnStretch(1, 1);

    auto *transport = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(recordButton_), static_cast<QWidget *>(stopButton_),
                       static_cast<QWidget *>(playButton_), static_cast<QWidget *>(pauseButton_)})
        transport->addWidget(w);
    transport->addWidget(elapsedLabel_, 1, Qt::AlignCenter);

    auto *displays = new QHBoxLayout;
    displays->addWidget(waveform_, 1);
    displays->addWidget(spectrum_, 1);

    auto *tools = new QGridLayout;
    const QList<QPushButton *> toolButtons{
        recordHotkeyButton_, stopHotkeyButton_,  formatSettingsButton_, outputFileButton_,
        scheduleButton_,     audioPlayerButton_, converterButton_,      editId3Button_,
        helpButton_,         aboutButton_,       closeButton_};
    for (int i = 0; i < toolButtons.size(); ++i)
        tools->addWidget(toolButtons[i], i / 6, i % 6);

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(inputs);
    layout->addLayout(transport);
    layout->addWidget(positionSlider_);
    layout->addLayout(displays);
    layout->addWidget(listFrame, 1);
    layout->addLayout(tools);

    menus_ = MainMenus::build(menuBar());
    resize(760, 620);
}

// The elapsed time changes many times a second while recording or playing; a
// label of fixed size repaints itself without making the window lay out again.
void Form1::fixElapsedLabelSize() {
    elapsedLabel_->ensurePolished();
    const QString shown = elapsedLabel_->text();
    elapsedLabel_->setText(QStringLiteral("0000:00.000"));
    elapsedLabel_->setFixedSize(elapsedLabel_->sizeHint());
    elapsedLabel_->setAlignment(Qt::AlignCenter);
    elapsedLabel_->setText(shown);
}

void Form1::createComponents() {
    Skin::applyTo(this);
    fixElapsedLabelSize();

    recorder_ = std::make_unique<AudioRecord>();
    audioFile_ = std::make_unique<AudioFile>();
    audioFile_->SetWavFormatChooser(WavFormatDialog::chooserFor(this));
    player_ = std::make_unique<AudioPlayer>();
    session_ = std::make_unique<RecordingSession>(*recorder_, *audioFile_);
    session_->setDisplays(spectrum_, waveform_);
    playback_ = std::make_unique<PlaybackController>(*player_, *audioFile_);
    playback_->setDisplays(spectrum_, waveform_);
    list_ = std::make_unique<RecordedFilesView>(fileList_);
    projects_ = std::make_unique<ProjectActions>(*list_, this);

    connect(session_.get(), &RecordingSession::elapsedChanged, elapsedLabel_, &QLabel::setText);
    // Once audio has reached the new file it may take the place of an earlier one.
    connect(session_.get(), &RecordingSession::elapsedChanged, this, [this] {
        if (recording_ && session_->framesWritten() > 0)
            output_.commit();
    });
    connect(session_.get(), &RecordingSession::failed, this, &Form1::onRecordingFailed);
    connect(playback_.get(), &PlaybackController::progress, this,
            [this](const QString &elapsed, int slider) {
                elapsedLabel_->setText(elapsed);
                if (slider >= 0)
                    positionSlider_->setValue(slider);
            });
    connect(playback_.get(), &PlaybackController::stoppedPlaying, this,
            [this] { positionSlider_->setValue(0); });

    if (recorder_->DeviceCount() < 1) {
        reportNoDevice();
        return;
    }
    fillDevices();
    fillEncoders();
    applyStoredSettings();
    spectrum_->SetWantedSamples(4096);
    registerHotkeys();
}

void Form1::fillDevices() {
    const QSignalBlocker block(deviceCombo_);
    deviceCombo_->clear();
    int remembered = recorder_->CurrentDevice();
    const int count = recorder_->DeviceCount();
    for (int device = 0; device <= count; ++device) {
        recorder_->SetCurrentDevice(device);
        if (recorder_->DeviceUsable())
            deviceCombo_->addItem(recorder_->DeviceName(), device);
    }
    if (deviceCombo_->count() == 0)
        return;
    int index = deviceCombo_->findData(remembered);
    if (index < 0)
        index = std::min(std::max(remembered, 0), deviceCombo_->count() - 1);
    recorder_->SetCurrentDevice(deviceCombo_->itemData(index).toInt());
    deviceCombo_->setCurrentIndex(index);
    fillSources();
}

void Form1::fillSources() {
    const QSignalBlocker block(sourceCombo_);
    sourceCombo_->clear();
    const int count = recorder_->SourceCount();
    if (count < 0)
        return;
    int selected = recorder_->CurrentSource();
    for (int line = 0; line <= count; ++line) {
        recorder_->SetCurrentSource(line);
        sourceCombo_->addItem(recorder_->SourceName());
        if (recorder_->SourceSelected())
            selected = line;
    }
    selected = std::clamp(selected, 0, count);
    recorder_->SetCurrentSource(selected);
    sourceCombo_->setCurrentIndex(selected);
}

void Form1::fillEncoders() {
    formatCombo_->clear();
    for (const char *name : kEncoders)
        formatCombo_->addItem(QString::fromLatin1(name));
    formatCombo_->setCurrentIndex(0);
    formatCombo_->setCurrentIndex(
        OutputFileSettings::readFormatIndex(Inifun::settingsFile(), formatCombo_->count()));
}

void Form1::applyStoredSettings() {
    StoredSettings::applyFormats(*audioFile_, formatValues_, Inifun::settingsFile());
    StoredSettings::applyFilters(*recorder_, Inifun::settingsFile());
}

void Form1::registerHotkeys() {
    hotkeys_ = std::make_unique<GlobalHotkeys>();
    hotkeys_->registerHotkeys();
    hotkeys_->reportConflicts(this);
    connect(hotkeys_.get(), &GlobalHotkeys::hotkeyPressed, this, [this](int id) {
        if (id == GlobalHotkeys::RecordId)
            StartRecord();
        else if (recording_)
            StopRecord();
    });
}

void Form1::connectActions() {
    connect(recordButton_, &QPushButton::clicked, this, &Form1::StartRecord);
    connect(recordHotkeyButton_, &QPushButton::clicked, this, &Form1::StartRecord);
    connect(stopButton_, &QPushButton::clicked, this, &Form1::stopRecordingOrPlayback);
    connect(stopHotkeyButton_, &QPushButton::clicked, this, &Form1::stopRecordingOrPlayback);
    connect(playButton_, &QPushButton::clicked, this, &Form1::playSelected);
    connect(pauseButton_, &QPushButton::clicked, this, &Form1::pauseOrResume);
    connect(deviceCombo_, &QComboBox::activated, this, &Form1::chooseDevice);
    connect(sourceCombo_, &QComboBox::activated, this, &Form1::chooseSource);
    connect(scheduleButton_, &QPushButton::clicked, this, &Form1::openSchedule);
    connect(outputFileButton_, &QPushButton::clicked, this, &Form1::openOutputFile);
    connect(formatSettingsButton_, &QPushButton::clicked, this, &Form1::openFormatSettings);
    connect(helpButton_, &QPushButton::clicked, this, &Form1::openHelp);
    connect(aboutButton_, &QPushButton::clicked, this, &Form1::openAbout);
    connect(closeButton_, &QPushButton::clicked, this, &Form1::exitsystem);

    connect(fileList_, &QTreeWidget::itemDoubleClicked, this, [this] { playSelected(); });
    connect(positionSlider_, &QSlider::sliderPressed, this, [this] {
        if (playback_)
            playback_->beginDrag();
    });
    connect(positionSlider_, &QSlider::sliderReleased, this, [this] {
        if (playback_)
            playback_->endDrag(positionSlider_->value());
    });

    const MainMenus &m = menus_;
    connect(m.newProject, &QAction::triggered, this, [this] { projects_->newProject(); });
    connect(m.openProject, &QAction::triggered, this, [this] { projects_->openProject(); });
    connect(m.saveProject, &QAction::triggered, this, [this] { projects_->saveProject(); });
    connect(m.exit, &QAction::triggered, this, &Form1::exitsystem);
    connect(m.playSelected, &QAction::triggered, this, [this] { playSelected(); });
    connect(m.rename, &QAction::triggered, this, &Form1::renameSelected);
    connect(m.remove, &QAction::triggered, this, &Form1::removeSelected);
    connect(m.deleteFile, &QAction::triggered, this, &Form1::deleteSelected);
    connect(m.record, &QAction::triggered, this, &Form1::StartRecord);
    connect(m.stop, &QAction::triggered, this, &Form1::StopRecord);
    connect(m.playAudio, &QAction::triggered, this, [this] { playSelected(); });
    connect(m.pausePlay, &QAction::triggered, this, &Form1::pauseOrResume);
    connect(m.stopPlay, &QAction::triggered, this, &Form1::stopPlayback);
    connect(m.outputFile, &QAction::triggered, this, &Form1::openOutputFile);
    connect(m.formatSettings, &QAction::triggered, this, &Form1::openFormatSettings);
    connect(m.schedule, &QAction::triggered, this, &Form1::openSchedule);
    connect(m.recordControl, &QAction::triggered, this, &Form1::openRecordControl);
    connect(m.helpContents, &QAction::triggered, this, &Form1::openHelp);
    connect(m.homePage, &QAction::triggered, this,
            [] { ShellOpen::open(QString::fromLatin1(kHomePageUrl)); });
    connect(m.support, &QAction::triggered, this,
            [] { ShellOpen::open(QString::fromLatin1(kSupportUrl)); });
    connect(m.about, &QAction::triggered, this, &Form1::openAbout);

    const auto openConverter = [this] {
        frmcov converter(this);
        converter.exec();
    };
    connect(converterButton_, &QPushButton::clicked, this, openConverter);
    connect(m.audioConverter, &QAction::triggered, this, openConverter);

    const auto openTagEditor = [this] {
        Frmid3v editor(this);
        editor.exec();
    };
    connect(editId3Button_, &QPushButton::clicked, this, openTagEditor);
    connect(m.editId3, &QAction::triggered, this, openTagEditor);

    const auto openPlayer = [this] {
        MPlay3 player(this);
        player.exec();
    };
    connect(audioPlayerButton_, &QPushButton::clicked, this, openPlayer);
    connect(m.audioPlayer, &QAction::triggered, this, openPlayer);
    m.schedule->setEnabled(false);
    scheduleButton_->setEnabled(false);

    if (tray_ != nullptr) {
        tray_->setMainWindow(this);
        connect(tray_, &frmtray::webRequested, this,
                [] { ShellOpen::open(QString::fromLatin1(kOnTheWebUrl)); });
        connect(tray_, &frmtray::helpRequested, this, &Form1::openHelp);
        connect(tray_, &frmtray::settingsRequested, this, &Form1::openFormatSettings);
        connect(tray_, &frmtray::recordRequested, this, &Form1::StartRecord);
        connect(tray_, &frmtray::stopRequested, this, [this] {
            if (recording_)
                StopRecord();
        });
        connect(tray_, &frmtray::exitRequested, this, &Form1::exitsystem);
    }
}

void Form1::setScheduleWindow(QDialog *form5) {
    form5_ = form5;
    menus_.schedule->setEnabled(form5 != nullptr);
    scheduleButton_->setEnabled(form5 != nullptr);
}

void Form1::setClock(OutputPathBuilder::Clock clock) {
    paths_ = OutputPathBuilder(std::move(clock));
}

// --- recording ---------------------------------------------------------------------------

void Form1::StartRecord() {
    if (!session_ || exiting_ || exited_) {
        // Once exit has begun nothing starts: the session is about to be released.
        startFailure_ = StartFailure::closing().reason;
        return;
    }
    if (recording_)
        StopRecord();
    stopPlayback();
    const OutputPathBuilder::Plan plan =
        paths_.plan(Inifun::settingsFile(), formatCombo_->currentText(), list_->model().count());
    startTime_ = plan.startTime;
    recording_ = false;
    if (formatCombo_->count() == 0) { // no recording device when the window loaded
        reportStartFailure(plan.path, StartFailure::recorderRefused(recorder_->ServerConnected(),
                                                                    false, QString()));
        return;
    }
    output_ = RecordingOutput(plan.path);
    if (!session_->start(output_.writePath())) {
        const StartFailure failure =
            audioFile_->FileStatus() < 0
                ? StartFailure::fileNotCreated(plan.path, audioFile_->LastError())
                : StartFailure::recorderRefused(recorder_->ServerConnected(),
                                                recorder_->DeviceCount() > 0,
                                                recorder_->LastError());
        output_.discard();
        reportStartFailure(plan.path, failure);
        return;
    }
    startFailure_.clear();
    ++recordingNumber_;
    outputPath_ = plan.path;
    showStatus(outputPath_, audioFile_->FormatDescription());
    recording_ = true;
    setRecordingButtons(true);
}

void Form1::StopRecord() {
    finishRecording(QString());
}

void Form1::onRecordingFailed(const QString &reason) {
    finishRecording(reason);
}

void Form1::finishRecording(const QString &failure) {
    if (!recording_ || !session_)
        return;
    recording_ = false;
    session_->stop();
    setRecordingButtons(false);
    spectrum_->SetSamples({});
    waveform_->SetSamples({});
    const QString reason = failure.isEmpty() ? session_->writeFailure() : failure;
    const bool failed = !reason.isEmpty();
    switch (output_.finish(session_->framesWritten(), failed)) {
    case RecordingOutput::Outcome::Kept:
        showStatus(outputPath_, QStringLiteral("Done"));
        list_->append(
            list_->model().finishedRecording(outputPath_, elapsedLabel_->text(), startTime_));
        if (failed)
            showFailureOnce(reason);
        return;
    case RecordingOutput::Outcome::NothingRecorded:
        if (!failed) {
            showStatus(outputPath_, QStringLiteral("Nothing recorded"));
            return;
        }
        // Not one sample reached the file: to the user this start failed.
        reportStartFailure(outputPath_,
                           audioFile_->FileStatus() < 0
                               ? StartFailure::audioNotWritten(outputPath_, audioFile_->LastError())
                               : StartFailure::recorderRefused(recorder_->ServerConnected(), true,
                                                               recorder_->LastError()));
        return;
    case RecordingOutput::Outcome::Vanished:
        showStatus(outputPath_, QStringLiteral("Lost: the file is gone"));
        showFailureOnce(outputPath_ + QStringLiteral(" no longer exists: its folder was deleted or "
                                                     "moved while recording, so the recording is "
                                                     "lost."));
        return;
    }
}

void Form1::reportStartFailure(const QString &path, const StartFailure &failure) {
    startFailure_ = failure.reason;
    showStatus(path, QStringLiteral("Failed: ") + failure.reason);
    showFailureOnce(failure.message);
}

void Form1::reportNoDevice() {
    const StartFailure notice = StartFailure::noDevice(recorder_->ServerConnected());
    showStatus(QStringLiteral("Nothing to record from"), notice.reason);
    // Once, over the window rather than before it appears.
    QMetaObject::invokeMethod(
        this, [this, notice] { showFailureOnce(notice.message, QMessageBox::Warning); },
        Qt::QueuedConnection);
}

void Form1::showFailureOnce(const QString &text, QMessageBox::Icon icon) {
    if (openFailureMessages_.contains(text))
        return;
    openFailureMessages_.append(text);
    MessageBox::show(this, text, icon);
    openFailureMessages_.removeOne(text);
}

void Form1::setRecordingButtons(bool recording) {
    for (QPushButton *b :
         {pauseButton_, playButton_, recordButton_, recordHotkeyButton_, audioPlayerButton_})
        b->setEnabled(!recording);
    menus_.audioPlayer->setEnabled(!recording);
}

void Form1::showStatus(const QString &file, const QString &format) {
    fileStatus_->setText(file);
    formatStatus_->setText(format);
}

void Form1::stopRecordingOrPlayback() {
    if (recording_)
        StopRecord();
    else
        stopPlayback();
    waveform_->SetSamples({});
}

void Form1::chooseDevice() {
    if (!recorder_ || deviceCombo_->currentIndex() < 0)
        return;
    recorder_->SetCurrentDevice(deviceCombo_->currentData().toInt());
    fillSources();
}

void Form1::chooseSource() {
    if (!recorder_ || sourceCombo_->currentIndex() < 0)
        return;
    recorder_->SetCurrentSource(sourceCombo_->currentIndex());
    recorder_->SetSourceSelected(true);
}

// --- playback and the list ----------------------------------------------------------------

void Form1::playSelected() {
    if (recording_ || !playback_)
        return;
    stopPlayback();
    const int index = list_->selectedIndex();
    if (!list_->model().playable(index))
        return;
    const QString path = list_->model().items().at(index).path;
    if (playback_->play(path))
        showStatus(path, playback_->formatDescription());
}

void Form1::stopPlayback() {
    if (recording_ || !playback_)
        return;
    playback_->stop();
}

void Form1::pauseOrResume() {
    if (playback_)
        playback_->pauseResume();
}

void Form1::renameSelected() {
    const int index = list_->selectedIndex();
    if (!list_->model().isValidIndex(index))
        return;
    if (const auto message = list_->model().renameCheck(index)) {
        MessageBox::show(this, message->text, message->icon);
        return;
    }
    const QString oldPath = list_->model().items().at(index).path;
    const auto answer = UserDialogs::inputText(this, RecordedFiles::renamePrompt(oldPath), oldPath);
    if (!answer || answer->trimmed().isEmpty())
        return;
    // A file that is playing cannot be renamed under the player's feet.
    if (playback_ && !playback_->isStopped() && playback_->path() == oldPath)
        stopPlayback();
    const RecordedFiles::RenameResult result = list_->model().rename(index, *answer);
    list_->refresh();
    if (result.message)
        MessageBox::show(this, result.message->text, result.message->icon);
}

void Form1::removeSelected() {
    const int index = list_->selectedIndex();
    if (!list_->model().remove(index))
        return;
    list_->refresh();
    fileList_->setCurrentItem(nullptr);
}

void Form1::deleteSelected() {
    const int index = list_->selectedIndex();
    if (!list_->model().isValidIndex(index))
        return;
    const auto answer =
        MessageBox::show(this, RecordedFiles::deleteQuestion(), QMessageBox::Warning,
                         QMessageBox::Ok | QMessageBox::Cancel);
    if (answer != QMessageBox::Ok)
        return;
    const QString path = list_->model().items().at(index).path;
    if (playback_ && !playback_->isStopped() && playback_->path() == path)
        stopPlayback();
    list_->model().deleteFile(index);
    list_->refresh();
    fileList_->setCurrentItem(nullptr);
}

bool Form1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == fileList_->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            if (QTreeWidgetItem *item = fileList_->itemAt(mouse->position().toPoint())) {
                fileList_->setCurrentItem(item);
                item->setSelected(true);
            }
            menus_.edit->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- other windows ------------------------------------------------------------------------

void Form1::openSchedule() {
    if (form5_) {
        form5_->exec();
    }
}

void Form1::openOutputFile() {
    Form4 window(this);
    window.exec();
}

void Form1::openFormatSettings() {
    if (!recorder_ || !audioFile_)
        return;
    Form2 window(*recorder_, *audioFile_, formatValues_, this);
    window.exec();
}

void Form1::openHelp() {
    HelpOpener::open();
}

void Form1::openAbout() {
    Form3 about(this);
    about.exec();
}

void Form1::openRecordControl() {
    MixerLauncher().launch();
}

// --- window life --------------------------------------------------------------------------

void Form1::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    // Minimised, the window lives in the tray, but only when there is a tray
    // to bring it back from.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && tray_ != nullptr &&
        tray_->available())
        QMetaObject::invokeMethod(this, &QWidget::hide, Qt::QueuedConnection);
}

void Form1::closeEvent(QCloseEvent *event) {
    exitsystem();
    event->accept();
}

void Form1::exitsystem() {
    if (exited_ || exiting_)
        return;
    exiting_ = true;
    if (recording_)
        StopRecord();
    stopPlayback();
    if (tray_ != nullptr)
        tray_->removeIcon();
    projects_->offerSaveAtExit();
    // Nothing can have started meanwhile; should anything run, it ends the normal way.
    if (recording_)
        StopRecord();
    if (formatCombo_->count() > 0)
        OutputFileSettings::writeFormatIndex(Inifun::settingsFile(), formatCombo_->currentIndex());
    playback_.reset();
    session_.reset();
    player_.reset();
    audioFile_.reset();
    recorder_.reset();
    if (hotkeys_)
        hotkeys_->unregisterHotkeys();
    hotkeys_.reset();
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w != this && w->isVisible())
            w->close();
    if (form5_)
        form5_->hide();
    exited_ = true;
    exiting_ = false;
    emit exited();
}

} // namespace pelvanto
