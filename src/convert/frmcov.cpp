#include "frmcov.h"

#include "ConversionNames.h"
#include "OptionWidgets.h"
#include "frmMP3.h"
#include "frmOgg.h"
#include "platform/MessageBox.h"
#include "platform/Skin.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QThread>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

constexpr int kWmaProfileAtLoad = 39;
constexpr int kOggRate = 44100;
constexpr int kOggChannels = 2;
constexpr int kMp3Rate = 44100;
constexpr int kMp3Kbps = 128;
constexpr int kMp3Channels = 2;
constexpr int kDefaultOggKbps = 128;

const char *const kInputFilter =
    "Wav files (*.wav);;MP3 files (*.mp3);;Ogg Vorbis files (*.ogg);;WMA files (*.wma)";

template <typename W> W *named(W *widget, const char *name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLineEdit *descriptionField(QWidget *parent, const char *name) {
    auto *field = named(new QLineEdit(parent), name);
    field->setReadOnly(true);
    field->setMinimumWidth(300);
    return field;
}

} // namespace

frmcov::frmcov(QWidget *parent, FileChooser chooser)
    : QDialog(parent), chooser_(std::move(chooser)) {
    setObjectName(QStringLiteral("frmcov"));
    setWindowTitle(QStringLiteral("Audio Converter"));
    setModal(true);
    buildWindow();
    Form_Load();
}

frmcov::~frmcov() {
    if (worker_ != nullptr) {
        run_->cancel();
        worker_->wait();
        delete worker_;
    }
}

void frmcov::buildWindow() {
    inputEdit_ = named(new QLineEdit(this), "txtInputFile");
    inputEdit_->setPlaceholderText(QStringLiteral("Enter Input Audio File"));
    openFileButton_ = named(new QPushButton(QStringLiteral("..."), this), "cmdOpenFile");
    auto *inputRow = new QHBoxLayout;
    inputRow->addWidget(inputEdit_, 1);
    inputRow->addWidget(openFileButton_);

    auto *outputFrame = named(new QGroupBox(QStringLiteral("Output Format"), this), "Frame1");
    wmaCheck_ = named(new QCheckBox(QStringLiteral("WMA"), outputFrame), "chWMA");
    mp3Check_ = named(new QCheckBox(QStringLiteral("MP3"), outputFrame), "chMP3");
    oggCheck_ = named(new QCheckBox(QStringLiteral("Ogg Vorbis"), outputFrame), "chOGG");
    auto *outputLayout = new QHBoxLayout(outputFrame);
    for (QCheckBox *box : {wmaCheck_, mp3Check_, oggCheck_})
        outputLayout->addWidget(box);
    outputLayout->addStretch(1);

    auto *settingFrame = named(new QGroupBox(QStringLiteral("Format setting"), this), "Frame2");
    mp3FormatText_ = descriptionField(settingFrame, "txtMP3FormatString");
    oggFormatText_ = descriptionField(settingFrame, "txtOGGFormatString");
    wmaFormatText_ = descriptionField(settingFrame, "txtWMAFormatString");
    mp3OptionsButton_ = named(new QPushButton(QStringLiteral("..."), settingFrame), "cmdMP3Format");
    oggOptionsButton_ = named(new QPushButton(QStringLiteral("..."), settingFrame), "cmdOGGFormat");
    wmaProfileText_ = named(new QLineEdit(settingFrame), "txtWMAProfile");
    wmaProfileText_->setFixedWidth(40);
    wmaProfileUpDown_ = named(new UpDown(settingFrame), "udWMAProfile");
    wmaProfileUpDown_->setRange(1, AudioFile::WmaProfiles().size());
    wmaProfileUpDown_->setBuddy(wmaProfileText_);
    wmaProfileUpDown_->setValue(24);
    auto *profileBox = new QHBoxLayout;
    profileBox->setSpacing(0);
    profileBox->addWidget(wmaProfileText_);
    profileBox->addWidget(wmaProfileUpDown_);
    auto *settingGrid = new QGridLayout(settingFrame);
    settingGrid->addWidget(new QLabel(QStringLiteral("MP3"), settingFrame), 0, 0);
    settingGrid->addWidget(mp3FormatText_, 0, 1);
    settingGrid->addWidget(mp3OptionsButton_, 0, 2);
    settingGrid->addWidget(new QLabel(QStringLiteral("Ogg Vorbis"), settingFrame), 1, 0);
    settingGrid->addWidget(oggFormatText_, 1, 1);
    settingGrid->addWidget(oggOptionsButton_, 1, 2);
    settingGrid->addWidget(new QLabel(QStringLiteral("WMA"), settingFrame), 2, 0);
    settingGrid->addWidget(wmaFormatText_, 2, 1);
    settingGrid->addLayout(profileBox, 2, 2);
    settingGrid->setColumnStretch(1, 1);

    convertButton_ = named(new QPushButton(QStringLiteral("Convert Now!"), this), "cmdConvert");
    convertButton_->setDefault(true);
    // Wide enough for every caption, so that the bar beside it keeps its length.
    convertButton_->setMinimumWidth(
        convertButton_->fontMetrics().horizontalAdvance(QStringLiteral("Convert Now!")) + 40);
    progressBar_ = named(new QProgressBar(this), "ProgressConvert");
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);
    auto *runRow = new QHBoxLayout;
    runRow->addWidget(progressBar_, 1);
    runRow->addWidget(convertButton_);

    auto *statusFrame = named(new QGroupBox(QStringLiteral("Status"), this), "Frame3");
    eventView_ = named(new QTreeWidget(statusFrame), "viewEvent");
    eventView_->setHeaderLabels(
        {QStringLiteral("Res"), QStringLiteral("Time"), QStringLiteral("Operation")});
    eventView_->setRootIsDecorated(false);
    eventView_->setUniformRowHeights(true);
    eventView_->setSelectionMode(QAbstractItemView::SingleSelection);
    eventView_->header()->setStretchLastSection(true);
    eventView_->setColumnWidth(0, 40);
    eventView_->setColumnWidth(1, 70);
    eventView_->setMinimumHeight(160);
    auto *statusLayout = new QVBoxLayout(statusFrame);
    statusLayout->addWidget(eventView_);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(inputRow);
    layout->addWidget(outputFrame);
    layout->addWidget(settingFrame);
    layout->addLayout(runRow);
    layout->addWidget(statusFrame, 1);
    resize(620, 520);

    connect(openFileButton_, &QPushButton::clicked, this, &frmcov::cmdOpenFile_Click);
    connect(convertButton_, &QPushButton::clicked, this, &frmcov::cmdConvert_Click);
    connect(mp3OptionsButton_, &QPushButton::clicked, this, &frmcov::openMp3Options);
    connect(oggOptionsButton_, &QPushButton::clicked, this, &frmcov::openOggOptions);
}

void frmcov::Form_Load() {
    Skin::applyTo(this);
    // Conversions resample with the better filter; decoding gets it too, for files whose rate
    // changes midway.
    readerFile_.SetHighQualityResampling(true);
    writerFile_.SetHighQualityResampling(true);

    writerFile_.SetOggFormat(kOggRate, kOggChannels, kDefaultOggKbps, 0, 0, -1);
    oggFormatText_->setText(writerFile_.FormatDescription());
    writerFile_.SetMp3Format(kMp3Rate, kMp3Kbps, kMp3Channels);
    mp3FormatText_->setText(writerFile_.FormatDescription());
    // The up-down shows the profile the description names and a run uses.
    wmaProfileUpDown_->setValue(kWmaProfileAtLoad);
    writerFile_.SetWmaProfile(wmaProfileUpDown_->value());
    wmaFormatText_->setText(writerFile_.FormatDescription());
    connect(wmaProfileUpDown_, &UpDown::valueChanged, this, &frmcov::wmaProfileChanged);
}

void frmcov::cmdOpenFile_Click() {
    const QString title = QStringLiteral("Open an Audio file");
    const QString filter = QString::fromLatin1(kInputFilter);
    const QString chosen = chooser_ ? chooser_(this, title, filter)
                                    : QFileDialog::getOpenFileName(this, title, QString(), filter);
    if (!chosen.isEmpty())
        inputEdit_->setText(chosen);
}

void frmcov::cmdConvert_Click() {
    if (converting())
        cancelConversion();
    else
        startConversion();
}

void frmcov::startConversion() {
    const QString filename = inputEdit_->text();
    if (!ConversionNames::outputBase(filename)) {
        MessageBox::show(this, QStringLiteral("Invalid input file name: ") + filename,
                         QMessageBox::Critical);
        return;
    }
    ConversionRequest request;
    request.input = filename;
    request.wma = wmaCheck_->isChecked();
    request.mp3 = mp3Check_->isChecked();
    request.ogg = oggCheck_->isChecked();
    request.wmaProfile = wmaProfileUpDown_->value();

    convertButton_->setText(QStringLiteral("Cancel"));
    setIdleControlsEnabled(false);
    setCursor(Qt::BusyCursor);
    run_ = std::make_unique<ConversionRun>(readerFile_, writerFile_);
    connect(run_.get(), &ConversionRun::logged, this, &frmcov::addLogEntry);
    connect(run_.get(), &ConversionRun::progressChanged, this, &frmcov::showProgress);
    ConversionRun *run = run_.get();
    worker_ = QThread::create([run, request] { run->run(request); });
    connect(worker_, &QThread::finished, this, &frmcov::finishConversion);
    worker_->start();
}

void frmcov::cancelConversion() {
    progressBar_->setValue(0);
    convertButton_->setText(QStringLiteral("Convert"));
    run_->cancel();
}

void frmcov::finishConversion() {
    if (worker_ == nullptr)
        return;
    worker_->wait();
    delete worker_;
    worker_ = nullptr;
    convertButton_->setText(QStringLiteral("Convert Now"));
    setIdleControlsEnabled(true);
    unsetCursor();
    emit conversionFinished();
}

void frmcov::reject() {
    // Closing stops the run after its current block; the partial output stays, as on Cancel.
    if (worker_ != nullptr) {
        run_->cancel();
        worker_->wait();
        QCoreApplication::sendPostedEvents(this);
        finishConversion();
    }
    QDialog::reject();
}

void frmcov::setIdleControlsEnabled(bool enabled) {
    for (QWidget *w : std::initializer_list<QWidget *>{
             inputEdit_, openFileButton_, wmaCheck_, mp3Check_, oggCheck_, mp3OptionsButton_,
             oggOptionsButton_, wmaProfileText_, wmaProfileUpDown_})
        w->setEnabled(enabled);
}

// Both option windows take the writer, the format values and where to show the new description.
template <typename OptionWindow>
void frmcov::openOptions(QLineEdit *description, const QString &message) {
    if (converting())
        return;
    OptionWindow window(
        writerFile_, formatValues_,
        [description](const QString &text) { description->setText(text); }, this);
    if (window.exec() == QDialog::Accepted)
        logSetting(message);
}

void frmcov::openMp3Options() {
    openOptions<frmMP3>(mp3FormatText_, QStringLiteral("Set MP3 Format parameters "));
}

void frmcov::openOggOptions() {
    openOptions<frmOgg>(oggFormatText_, QStringLiteral("Set Ogg Vorbis Format parameters "));
}

void frmcov::logSetting(const QString &message) {
    addLogEntry({ConversionLogEntry::Kind::Setting, QTime::currentTime(), message});
}

void frmcov::wmaProfileChanged(int profile) {
    if (converting())
        return;
    writerFile_.SetWmaProfile(profile);
    wmaFormatText_->setText(writerFile_.FormatDescription());
    logSetting(QStringLiteral("Set WMA Format parameters "));
}

void frmcov::addLogEntry(const ConversionLogEntry &entry) {
    QStyle::StandardPixmap icon = QStyle::SP_ArrowRight;
    if (entry.kind == ConversionLogEntry::Kind::Setting)
        icon = QStyle::SP_FileDialogDetailedView;
    else if (entry.kind == ConversionLogEntry::Kind::Error)
        icon = QStyle::SP_MessageBoxCritical;
    auto *item = new QTreeWidgetItem(
        eventView_, {QString(), entry.time.toString(QStringLiteral("hh:mm:ss")), entry.message});
    item->setIcon(0, style()->standardIcon(icon));
    item->setData(0, Qt::UserRole, static_cast<int>(entry.kind));
    item->setToolTip(2, entry.message);
    eventView_->scrollToItem(item);
}

void frmcov::showProgress(double percent) {
    progressBar_->setValue(static_cast<int>(qBound(0.0, percent, 100.0)));
}

} // namespace pelvanto
