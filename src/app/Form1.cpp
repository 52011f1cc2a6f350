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
#include "SettingsKeys.h"
#include "SettingsValues.h"
#include "StoredSettings.h"
#include "audiofile/AudioFile.h"
#include "audiofile/WavFormatDialog.h"
#include "capture/AudioDisplay.h"
#include "capture/AudioPlayer.h"
#include "capture/AudioRecord.h"
#include "capture/AudioVisualization.h"
#include "capture/SampleTools.h"
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
    Form_Load();
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

    DeviceCombo = new QComboBox(central);
    DeviceCombo->setObjectName(QStringLiteral("DeviceCombo"));
    cmbSrcInput = new QComboBox(central);
    cmbSrcInput->setObjectName(QStringLiteral("cmbSrcInput"));
    cboEncoders = new QComboBox(central);
    cboEncoders->setObjectName(QStringLiteral("cboEncoders"));

    cmdrecord = button(central, "Record", "cmdrecord");
    cmdStop = button(central, "Stop", "cmdStop");
    cmdPlay = button(central, "Play", "cmdPlay");
    cmdPause = button(central, "Pause", "cmdPause");
    Command1 = button(central, "Record Ctrl+R", "Command1");
    Command3 = button(central, "Stop Ctrl+S", "Command3");
    Command2 = button(central, "Schedule", "Command2");
    Command4 = button(central, "Audio Player", "Command4");
    Command5 = button(central, "Output File", "Command5");
    Command6 = button(central, "Format Settings", "Command6");
    Command10 = button(central, "Help", "Command10");
    Command11 = button(central, "About", "Command11");
    Command12 = button(central, "Close", "Command12");
    Command13 = button(central, "Edit ID3", "Command13");
    Command14 = button(central, "Audio Converter", "Command14");

    Label1 = new ElapsedLabel(QStringLiteral("0:00.000"), central);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 2);
    big.setBold(true);
    Label1->setFont(big);

    slPosition = new SeekSlider(Qt::Horizontal, central);
    slPosition->setObjectName(QStringLiteral("slPosition"));
    slPosition->setRange(0, PlaybackController::kSliderRange);

    AudioDisplay1 = new AudioDisplay(central);
    AudioDisplay1->setObjectName(QStringLiteral("AudioDisplay1"));
    AV1 = new AudioVisualization(central);
    AV1->setObjectName(QStringLiteral("AV1"));

    Frame1 = new QGroupBox(QStringLiteral("Double Click list to Play Recording"), central);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    ListView1 = new QTreeWidget(Frame1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->viewport()->installEventFilter(this);
    auto *frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(ListView1);

    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    statusPanel1 = new QLabel(bar);
    statusPanel1->setObjectName(QStringLiteral("Panel1"));
    statusPanel2 = new QLabel(bar);
    statusPanel2->setObjectName(QStringLiteral("Panel2"));
    bar->addWidget(statusPanel1, 3);
    bar->addWidget(statusPanel2, 2);

    auto *inputs = new QGridLayout;
    inputs->addWidget(new QLabel(QStringLiteral("Device"), central), 0, 0);
    inputs->addWidget(DeviceCombo, 0, 1);
    inputs->addWidget(new QLabel(QStringLiteral("Source"), central), 1, 0);
    inputs->addWidget(cmbSrcInput, 1, 1);
    inputs->addWidget(new QLabel(QStringLiteral("Format"), central), 2, 0);
    inputs->addWidget(cboEncoders, 2, 1);
    inputs->setColumnStretch(1, 1);

    auto *transport = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(cmdrecord), static_cast<QWidget *>(cmdStop),
                       static_cast<QWidget *>(cmdPlay), static_cast<QWidget *>(cmdPause)})
        transport->addWidget(w);
    transport->addWidget(Label1, 1, Qt::AlignCenter);

    auto *displays = new QHBoxLayout;
    displays->addWidget(AudioDisplay1, 1);
    displays->addWidget(AV1, 1);

    auto *tools = new QGridLayout;
    const QList<QPushButton *> toolButtons{Command1,  Command3,  Command6,  Command5,
                                           Command2,  Command4,  Command14, Command13,
                                           Command10, Command11, Command12};
    for (int i = 0; i < toolButtons.size(); ++i)
        tools->addWidget(toolButtons[i], i / 6, i % 6);

    auto *layout = new QVBoxLayout(central);
    layout->addLayout(inputs);
    layout->addLayout(transport);
    layout->addWidget(slPosition);
    layout->addLayout(displays);
    layout->addWidget(Frame1, 1);
    layout->addLayout(tools);

    menus_ = MainMenus::build(menuBar());
    resize(760, 620);
}

// The elapsed time changes twenty times a second while recording or playing; a
// label of fixed size repaints itself without making the window lay out again.
void Form1::fixElapsedLabelSize() {
    Label1->ensurePolished();
    const QString shown = Label1->text();
    Label1->setText(QStringLiteral("0000:00.000"));
    Label1->setFixedSize(Label1->sizeHint());
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setText(shown);
}

void Form1::Form_Load() {
    Skin::applyTo(this);
    fixElapsedLabelSize();

    AudioRecord_ = std::make_unique<AudioRecord>();
    AudioFile_ = std::make_unique<AudioFile>();
    AudioFile_->SetWavFormatChooser(WavFormatDialog::chooserFor(this));
    audioplayer_ = std::make_unique<AudioPlayer>();
    sampleTools_ = std::make_unique<SampleTools>();
    session_ = std::make_unique<RecordingSession>(*AudioRecord_, *AudioFile_);
    session_->setDisplays(AV1, AudioDisplay1);
    playback_ = std::make_unique<PlaybackController>(*audioplayer_, *AudioFile_);
    playback_->setDisplays(AV1, AudioDisplay1);
    list_ = std::make_unique<RecordedFilesView>(ListView1);
    projects_ = std::make_unique<ProjectActions>(*list_, this);

    connect(session_.get(), &RecordingSession::elapsedChanged, Label1, &QLabel::setText);
    // Once audio has reached the new file it may take the place of an earlier one.
    connect(session_.get(), &RecordingSession::elapsedChanged, this, [this] {
        if (flgRecord_ && session_->framesWritten() > 0)
            output_.commit();
    });
    connect(session_.get(), &RecordingSession::failed, this, &Form1::onRecordingFailed);
    connect(playback_.get(), &PlaybackController::progress, this,
            [this](const QString &elapsed, int slider) {
                Label1->setText(elapsed);
                if (slider >= 0)
                    slPosition->setValue(slider);
            });
    connect(playback_.get(), &PlaybackController::stoppedPlaying, this,
            [this] { slPosition->setValue(0); });

    if (AudioRecord_->DeviceCount() < 1) {
        reportNoDevice();
        return;
    }
    fillDevices();
    fillEncoders();
    applyStoredSettings();
    AV1->SetWantedSamples(4096);
    registerHotkeys();
}

void Form1::fillDevices() {
    const QSignalBlocker block(DeviceCombo);
    DeviceCombo->clear();
    int remembered = AudioRecord_->CurrentDevice();
    const int count = AudioRecord_->DeviceCount();
    for (int device = 0; device <= count; ++device) {
        AudioRecord_->SetCurrentDevice(device);
        if (AudioRecord_->DeviceUsable())
            DeviceCombo->addItem(AudioRecord_->DeviceName(), device);
    }
    if (DeviceCombo->count() == 0)
        return;
    int index = DeviceCombo->findData(remembered);
    if (index < 0)
        index = std::min(std::max(remembered, 0), DeviceCombo->count() - 1);
    AudioRecord_->SetCurrentDevice(DeviceCombo->itemData(index).toInt());
    DeviceCombo->setCurrentIndex(index);
    CountSrc_ = AudioRecord_->SourceCount();
    fillSources();
}

void Form1::fillSources() {
    const QSignalBlocker block(cmbSrcInput);
    cmbSrcInput->clear();
    const int count = AudioRecord_->SourceCount();
    if (count < 0)
        return;
    int selected = AudioRecord_->CurrentSource();
    for (int line = 0; line <= count; ++line) {
        AudioRecord_->SetCurrentSource(line);
        cmbSrcInput->addItem(AudioRecord_->SourceName());
        if (AudioRecord_->SourceSelected())
            selected = line;
    }
    selected = std::clamp(selected, 0, count);
    AudioRecord_->SetCurrentSource(selected);
    cmbSrcInput->setCurrentIndex(selected);
}

void Form1::fillEncoders() {
    cboEncoders->clear();
    for (const char *name : kEncoders)
        cboEncoders->addItem(QString::fromLatin1(name));
    cboEncoders->setCurrentIndex(0);
    const QString stored =
        Inifun::ReadIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Set),
                        QString::fromLatin1(keys::OutputFormat));
    cboEncoders->setCurrentIndex(settingsvalue::outputFormatIndex(stored, cboEncoders->count()));
}

void Form1::applyStoredSettings() {
    StoredSettings::applyFormats(*AudioFile_, formatValues_, Inifun::settingsFile());
    StoredSettings::applyFilters(*AudioRecord_, Inifun::settingsFile());
}

void Form1::registerHotkeys() {
    hotkeys_ = std::make_unique<GlobalHotkeys>();
    hotkeys_->registerHotkeys();
    hotkeys_->reportConflicts(this);
    connect(hotkeys_.get(), &GlobalHotkeys::hotkeyPressed, this, [this](int id) {
        if (id == GlobalHotkeys::RecordId)
            StartRecord();
        else if (flgRecord_)
            StopRecord();
    });
}

void Form1::connectActions() {
    connect(cmdrecord, &QPushButton::clicked, this, &Form1::cmdrecord_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::cmdrecord_Click);
    connect(cmdStop, &QPushButton::clicked, this, &Form1::cmdStop_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::cmdStop_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &Form1::cmdPlay_Click);
    connect(cmdPause, &QPushButton::clicked, this, &Form1::cmdPause_Click);
    connect(DeviceCombo, &QComboBox::activated, this, &Form1::DeviceCombo_Click);
    connect(cmbSrcInput, &QComboBox::activated, this, &Form1::cmbSrcInput_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);

    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { playSelected(); });
    connect(slPosition, &QSlider::sliderPressed, this, [this] {
        if (playback_)
            playback_->beginDrag();
    });
    connect(slPosition, &QSlider::sliderReleased, this, [this] {
        if (playback_)
            playback_->endDrag(slPosition->value());
    });

    const MainMenus &m = menus_;
    connect(m.newProject, &QAction::triggered, this, [this] { projects_->newProject(); });
    connect(m.openProject, &QAction::triggered, this, [this] { projects_->openProject(); });
    connect(m.saveProject, &QAction::triggered, this, [this] { projects_->saveProject(); });
    connect(m.exit, &QAction::triggered, this, &Form1::exitsystem);
    connect(m.playSelected, &QAction::triggered, this, [this] { playSelected(); });
    connect(m.rename, &QAction::triggered, this, &Form1::mnuRename_Click);
    connect(m.remove, &QAction::triggered, this, &Form1::mnuRemove_Click);
    connect(m.deleteFile, &QAction::triggered, this, &Form1::mnuDelete_Click);
    connect(m.record, &QAction::triggered, this, &Form1::StartRecord);
    connect(m.stop, &QAction::triggered, this, &Form1::StopRecord);
    connect(m.playAudio, &QAction::triggered, this, [this] { playSelected(); });
    connect(m.pausePlay, &QAction::triggered, this, &Form1::cmdPause_Click);
    connect(m.stopPlay, &QAction::triggered, this, &Form1::stopPlayback);
    connect(m.outputFile, &QAction::triggered, this, &Form1::Command5_Click);
    connect(m.formatSettings, &QAction::triggered, this, &Form1::Command6_Click);
    connect(m.schedule, &QAction::triggered, this, &Form1::Command2_Click);
    connect(m.recordControl, &QAction::triggered, this, &Form1::mnuRecordControl_Click);
    connect(m.helpContents, &QAction::triggered, this, &Form1::Command10_Click);
    connect(m.homePage, &QAction::triggered, this,
            [] { ShellOpen::open(QString::fromLatin1(kHomePageUrl)); });
    connect(m.support, &QAction::triggered, this,
            [] { ShellOpen::open(QString::fromLatin1(kSupportUrl)); });
    connect(m.about, &QAction::triggered, this, &Form1::Command11_Click);

    const auto openConverter = [this] {
        frmcov converter(this);
        converter.exec();
    };
    connect(Command14, &QPushButton::clicked, this, openConverter);
    connect(m.audioConverter, &QAction::triggered, this, openConverter);

    const auto openTagEditor = [this] {
        Frmid3v editor(this);
        editor.exec();
    };
    connect(Command13, &QPushButton::clicked, this, openTagEditor);
    connect(m.editId3, &QAction::triggered, this, openTagEditor);

    // The audio player window is not part of this program yet.
    m.audioPlayer->setEnabled(false);
    Command4->setEnabled(false);
    m.schedule->setEnabled(false);
    Command2->setEnabled(false);

    if (tray_ != nullptr) {
        tray_->setMainWindow(this);
        connect(tray_, &frmtray::webRequested, this,
                [] { ShellOpen::open(QString::fromLatin1(kOnTheWebUrl)); });
        connect(tray_, &frmtray::helpRequested, this, &Form1::Command10_Click);
        connect(tray_, &frmtray::settingsRequested, this, &Form1::Command6_Click);
        connect(tray_, &frmtray::recordRequested, this, &Form1::StartRecord);
        connect(tray_, &frmtray::stopRequested, this, [this] {
            if (flgRecord_)
                StopRecord();
        });
        connect(tray_, &frmtray::exitRequested, this, &Form1::exitsystem);
    }
}

void Form1::setScheduleWindow(QDialog *form5) {
    form5_ = form5;
    menus_.schedule->setEnabled(form5 != nullptr);
    Command2->setEnabled(form5 != nullptr);
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
    if (flgRecord_)
        StopRecord();
    stopPlayback();
    const OutputPathBuilder::Plan plan =
        paths_.plan(Inifun::settingsFile(), cboEncoders->currentText(), list_->model().count());
    prefix_ = plan.prefix;
    startTime_ = plan.startTime;
    flgRecord_ = false;
    if (cboEncoders->count() == 0) { // no recording device when the window loaded
        reportStartFailure(plan.path, StartFailure::recorderRefused(AudioRecord_->ServerConnected(),
                                                                    false, QString()));
        return;
    }
    output_ = RecordingOutput(plan.path);
    if (!session_->start(output_.writePath())) {
        const StartFailure failure =
            AudioFile_->FileStatus() < 0
                ? StartFailure::fileNotCreated(plan.path, AudioFile_->LastError())
                : StartFailure::recorderRefused(AudioRecord_->ServerConnected(),
                                                AudioRecord_->DeviceCount() > 0,
                                                AudioRecord_->LastError());
        output_.discard();
        reportStartFailure(plan.path, failure);
        return;
    }
    startFailure_.clear();
    ++recordingNumber_;
    outputPath_ = plan.path;
    showStatus(outputPath_, AudioFile_->FormatDescription());
    flgRecord_ = true;
    setRecordingButtons(true);
}

void Form1::StopRecord() {
    finishRecording(QString());
}

void Form1::onRecordingFailed(const QString &reason) {
    finishRecording(reason);
}

void Form1::finishRecording(const QString &failure) {
    if (!flgRecord_ || !session_)
        return;
    flgRecord_ = false;
    session_->stop();
    setRecordingButtons(false);
    AV1->SetSamples({});
    AudioDisplay1->SetSamples({});
    const QString reason = failure.isEmpty() ? session_->writeFailure() : failure;
    const bool failed = !reason.isEmpty();
    switch (output_.finish(session_->framesWritten(), failed)) {
    case RecordingOutput::Outcome::Kept:
        showStatus(outputPath_, QStringLiteral("Done"));
        list_->append(list_->model().finishedRecording(outputPath_, Label1->text(), startTime_));
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
                           AudioFile_->FileStatus() < 0
                               ? StartFailure::audioNotWritten(outputPath_, AudioFile_->LastError())
                               : StartFailure::recorderRefused(AudioRecord_->ServerConnected(),
                                                               true, AudioRecord_->LastError()));
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
    const StartFailure notice = StartFailure::noDevice(AudioRecord_->ServerConnected());
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
    for (QPushButton *b : {cmdPause, cmdPlay, cmdrecord, Command1})
        b->setEnabled(!recording);
}

void Form1::showStatus(const QString &panel1, const QString &panel2) {
    statusPanel1->setText(panel1);
    statusPanel2->setText(panel2);
}

void Form1::cmdrecord_Click() {
    StartRecord();
}

void Form1::cmdStop_Click() {
    if (flgRecord_)
        StopRecord();
    else
        stopPlayback();
    AudioDisplay1->SetSamples({});
}

void Form1::DeviceCombo_Click() {
    if (!AudioRecord_ || DeviceCombo->currentIndex() < 0)
        return;
    AudioRecord_->SetCurrentDevice(DeviceCombo->currentData().toInt());
    fillSources();
}

void Form1::cmbSrcInput_Click() {
    if (!AudioRecord_ || cmbSrcInput->currentIndex() < 0)
        return;
    AudioRecord_->SetCurrentSource(cmbSrcInput->currentIndex());
    AudioRecord_->SetSourceSelected(true);
}

// --- playback and the list ----------------------------------------------------------------

void Form1::playSelected() {
    if (flgRecord_ || !playback_)
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
    if (flgRecord_ || !playback_)
        return;
    playback_->stop();
}

void Form1::cmdPlay_Click() {
    playSelected();
}

void Form1::cmdPause_Click() {
    if (playback_)
        playback_->pauseResume();
}

void Form1::mnuRename_Click() {
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

void Form1::mnuRemove_Click() {
    const int index = list_->selectedIndex();
    if (!list_->model().remove(index))
        return;
    list_->refresh();
    ListView1->setCurrentItem(nullptr);
}

void Form1::mnuDelete_Click() {
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
    ListView1->setCurrentItem(nullptr);
}

bool Form1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == ListView1->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton) {
            if (QTreeWidgetItem *item = ListView1->itemAt(mouse->position().toPoint())) {
                ListView1->setCurrentItem(item);
                item->setSelected(true);
            }
            menus_.edit->popup(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- other windows ------------------------------------------------------------------------

void Form1::Command2_Click() {
    if (form5_) {
        form5_->exec();
    }
}

void Form1::Command5_Click() {
    Form4 window(this);
    window.exec();
}

void Form1::Command6_Click() {
    if (!AudioRecord_ || !AudioFile_)
        return;
    Form2 window(*AudioRecord_, *AudioFile_, formatValues_, this);
    window.exec();
}

void Form1::Command10_Click() {
    HelpOpener::open();
}

void Form1::Command11_Click() {
    Form3 about(this);
    about.exec();
}

void Form1::Command12_Click() {
    exitsystem();
}

void Form1::mnuRecordControl_Click() {
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
    if (flgRecord_)
        StopRecord();
    stopPlayback();
    if (tray_ != nullptr)
        tray_->removeIcon();
    projects_->offerSaveAtExit();
    // Nothing can have started meanwhile; should anything run, it ends the normal way.
    if (flgRecord_)
        StopRecord();
    if (cboEncoders->count() > 0)
        Inifun::WriteIni(Inifun::settingsFile(), QString::fromLatin1(keys::section::Set),
                         QString::fromLatin1(keys::OutputFormat),
                         QString::number(cboEncoders->currentIndex()));
    playback_.reset();
    session_.reset();
    audioplayer_.reset();
    AudioFile_.reset();
    AudioRecord_.reset();
    sampleTools_.reset();
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
