#include "MPlay3.h"

#include "PlayListFiles.h"
#include "PlayerDisplay.h"
#include "SkinWidgets.h"

#include "platform/Skin.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSettings>
#include <QTimer>
#include <QWindow>

namespace pelvanto {

namespace pd = playerdisplay;
using skin::Glyph;

namespace {

constexpr int kWidth = 4020;
constexpr int kListTop = 2500;

const QString kOpenFilter = QStringLiteral(
    "All Supported Formats|*.mp3;*.cda;*.wma;*.wav;*.asf;*.asx;*.lsf;*.lsx;*.mid;*.midi;*.rmi;"
    "*.aif;*.aifc;*.aiff;*.au;*.snd");
const QString kDoubleClickFilter = QStringLiteral(
    "All Supported Formats|*.mp3;*.cda;*.wav;*.wma;*.asf;*.asx;*.lsf;*.lsx;*.mid;*.midi;*.rmi;"
    "*.aif;*.aifc;*.aiff;*.au;*.snd");
const QString kNoCdFilter = QStringLiteral(
    "All Supported Formats|*.mp3;*.wav;*.wma;*.asf;*.asx;*.lsf;*.lsx;*.mid;*.midi;*.rmi;*.aif;"
    "*.aifc;*.aiff;*.au;*.snd");
// Play lists are matched without regard to case; UTF-8 lists too.
const QString kLoadListFilter = QStringLiteral("Playlist(*.M3u)|*.M3u;*.m3u;*.M3U;*.m3u8");
const QString kSaveListFilter = QStringLiteral("Playlist(*.M3u)|*.m3u;*.m3u8");

// "Name|*.a;*.b" as a file dialog filter.
QString dialogFilter(const QString &filter) {
    const QString name = filter.section(QLatin1Char('|'), 0, 0);
    const QString patterns = filter.section(QLatin1Char('|'), 1).replace(QLatin1Char(';'), ' ');
    return QStringLiteral("%1 (%2)").arg(name, patterns);
}

QString platformChooser(QWidget *parent, const QString &title, const QString &filter, bool save) {
    if (filter.isEmpty())
        return QFileDialog::getExistingDirectory(parent, title);
    if (save)
        return QFileDialog::getSaveFileName(parent, title, {}, dialogFilter(filter));
    return QFileDialog::getOpenFileName(parent, title, {}, dialogFilter(filter));
}

// The settings store of the program, under its executable's name.
std::unique_ptr<QSettings> playerSettings() {
    const QString exe = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    auto s = std::make_unique<QSettings>(exe, exe);
    s->beginGroup(QStringLiteral("Audio Player"));
    return s;
}

} // namespace

MPlay3::MPlay3(QWidget *parent, FileChooser chooser)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint),
      chooser_(chooser ? std::move(chooser) : FileChooser(platformChooser)),
      transport_(player_, list_) {
    setObjectName(QStringLiteral("MPlay3"));
    setWindowTitle(QStringLiteral("Audio Player"));
    buildWindow();
    Form_Load();
}

MPlay3::~MPlay3() = default;

int MPlay3::tw(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

skin::SkinButton *MPlay3::button(const char *name, int glyph, const QString &tip, QRect twips,
                                 QWidget *parent) {
    auto *b = new skin::SkinButton(Glyph(glyph), parent != nullptr ? parent : this);
    b->setObjectName(QString::fromLatin1(name));
    b->setToolTip(tip);
    b->setGeometry(tw(twips.x()), tw(twips.y()), tw(twips.width()), tw(twips.height()));
    return b;
}

void MPlay3::buildWindow() {
    const auto label = [this](const char *name, QWidget *parent, QRect twips) {
        auto *l = new QLabel(parent);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(tw(twips.x()), tw(twips.y()), tw(twips.width()), tw(twips.height()));
        return l;
    };
    const auto bar = [this](const char *name, QRect twips) {
        auto *w = new QWidget(this);
        w->setObjectName(QString::fromLatin1(name));
        w->setGeometry(tw(twips.x()), tw(twips.y()), tw(twips.width()), tw(twips.height()));
        return w;
    };

    // The strip: what the small window shows.
    toppic = label("toppic", this, {60, 15, 1300, 200});
    static_cast<QLabel *>(toppic)->setText(QStringLiteral("\u266A Audio Player"));
    toptime = label("toptime", this, {1400, 15, 700, 200});
    const QList<std::tuple<const char *, Glyph, QString>> small{
        {"Image5", Glyph::Previous, "Previous"},
        {"Image6", Glyph::Play, "Play"},
        {"Image7", Glyph::Pause, "Pause"},
        {"Image8", Glyph::Stop, "Stop"},
        {"Image16", Glyph::Next, "Next"}};
    int x = 2150;
    for (const auto &[name, glyph, tip] : small) {
        smallButtons_ << button(name, int(glyph), tip, {x, 15, 210, 200});
        x += 230;
    }
    auto *image4 = button("Image4", int(Glyph::Small), "Small Window", {3330, 15, 200, 200});
    auto *image2 = button("Image2", int(Glyph::Minimize), "Minimize", {3550, 15, 200, 200});
    auto *image1 = button("Image1", int(Glyph::Close), "Exit", {3770, 15, 200, 200});

    // The display.
    PicDisplay = new skin::DisplayPanel(this);
    PicDisplay->setObjectName(QStringLiteral("PicDisplay"));
    PicDisplay->setGeometry(tw(120), tw(290), tw(3780), tw(500));
    Label20 = label("Label20", PicDisplay, {90, 40, 1000, 300});
    Labelpause = label("Labelpause", PicDisplay, {90, 340, 500, 130});
    shuffleon = label("shuffleon", PicDisplay, {90, 340, 600, 130});
    shuffleon->setText(QStringLiteral("SHUFFLE"));
    repeaton = label("repeaton", PicDisplay, {720, 340, 600, 130});
    repeaton->setText(QStringLiteral("REPEAT"));
    titleClip_ = new QWidget(PicDisplay);
    titleClip_->setGeometry(tw(1150), tw(50), tw(2100), tw(260));
    Label24 = label("Label24", titleClip_, {0, 0, 2100, 260});
    VolumInd = label("VolumInd", PicDisplay, {1150, 330, 700, 140});
    LVol = new skin::LevelIndicator(PicDisplay);
    LVol->setObjectName(QStringLiteral("LVol"));
    LVol->setGeometry(tw(3330), tw(60), tw(360), tw(390));

    // Balance, and the fold button.
    label("balanceLeft", this, {700, 830, 180, 150})->setText(QStringLiteral("L"));
    label("balanceRight", this, {1880, 830, 180, 150})->setText(QStringLiteral("R"));
    auto *balanceTrack = new skin::Track(this);
    balanceTrack->setGeometry(tw(900), tw(830), tw(960), tw(150));
    balance = new skin::Knob(this);
    balance->setObjectName(QStringLiteral("balance"));
    balance->setToolTip(QStringLiteral("Balance"));
    plup = button("plup", int(Glyph::Down), QString(), {3480, 810, 420, 170});
    pldown = button("pldown", int(Glyph::Up), QString(), {3480, 810, 420, 170});

    // Position.
    auto *positionTrack = new skin::Track(this);
    positionTrack->setGeometry(tw(120), tw(1010), tw(3780), tw(170));
    islider = new skin::Knob(this);
    islider->setObjectName(QStringLiteral("islider"));

    // Transport.
    auto *previous = button("previous", int(Glyph::Previous), "Previous", {120, 1230, 340, 340});
    auto *play = button("play", int(Glyph::Play), "Play", {490, 1230, 340, 340});
    auto *pause = button("pause", int(Glyph::Pause), "Pause", {860, 1230, 340, 340});
    auto *stop = button("stop", int(Glyph::Stop), "Stop", {1230, 1230, 340, 340});
    auto *next = button("next", int(Glyph::Next), "Next", {1600, 1230, 340, 340});
    auto *image3 = button("Image3", int(Glyph::Eject), "Add Song", {2010, 1230, 340, 340});
    shuffle = button("shuffle", int(Glyph::Shuffle), "Shuffle Songs", {2380, 1230, 340, 340});
    repeat = button("repeat", int(Glyph::Repeat), "Repeat Song", {2750, 1230, 340, 340});
    minus = button("minus", int(Glyph::Minus), "Decrease Vloume", {3160, 1230, 340, 340});
    pluss = button("pluss", int(Glyph::Plus), "Increase Vloume", {3530, 1230, 340, 340});

    // The play list.
    auto *addfile = button("addfile", int(Glyph::Text), "Add Files", {120, 1780, 760, 200});
    addfile->setText(QStringLiteral("Add Files"));
    auto *list = button("list", int(Glyph::Text), "Playlists", {920, 1780, 760, 200});
    list->setText(QStringLiteral("Playlists"));
    optres = button("optres", int(Glyph::Text), QString(), {1760, 1780, 600, 200});
    optres->setText(QStringLiteral("Norm"));
    optrnd = button("optrnd", int(Glyph::Text), QString(), {2400, 1780, 820, 200});
    optrnd->setText(QStringLiteral("Random"));
    optnon = button("optnon", int(Glyph::Text), QString(), {3260, 1780, 640, 200});
    optnon->setText(QStringLiteral("None"));
    auto *modes = new QButtonGroup(this);
    for (skin::SkinButton *b : {optres, optrnd, optnon}) {
        b->setCheckable(true);
        modes->addButton(b);
    }
    filebar = bar("filebar", {120, 2020, 3780, 200});
    auto *openfile = button("openfile", int(Glyph::Text), "Add Songs", {0, 0, 850, 200}, filebar);
    openfile->setText(QStringLiteral("Add Songs"));
    auto *image10 = button("Image10", int(Glyph::Text), "Add Song", {890, 0, 850, 200}, filebar);
    image10->setText(QStringLiteral("Add Song"));
    auto *directory =
        button("directory", int(Glyph::Text), "Add Directory", {1780, 0, 1100, 200}, filebar);
    directory->setText(QStringLiteral("Add Directory"));
    auto *cd = button("cd", int(Glyph::Text), "Add CD", {2920, 0, 860, 200}, filebar);
    cd->setText(QStringLiteral("Add CD"));
    listbar = bar("listbar", {120, 2260, 3780, 200});
    auto *loadlist =
        button("LOADLIST", int(Glyph::Text), "Load Playlist", {0, 0, 1300, 200}, listbar);
    loadlist->setText(QStringLiteral("Load Playlist"));
    auto *savelist =
        button("savelist", int(Glyph::Text), "Save Playlist", {1340, 0, 1300, 200}, listbar);
    savelist->setText(QStringLiteral("Save Playlist"));
    lstfavs = new QListWidget(this);
    lstfavs->setObjectName(QStringLiteral("lstfavs"));
    lstfavs->setGeometry(tw(120), tw(kListTop), tw(3780), tw(2620));
    lstfavs->setContextMenuPolicy(Qt::CustomContextMenu);
    lstfavs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lstfavs->setTextElideMode(Qt::ElideMiddle);
    lstfavs->viewport()->installEventFilter(this);
    auto *image14 = button("Image14", int(Glyph::Previous), "Previous", {120, 5200, 340, 300});
    auto *image11 = button("Image11", int(Glyph::Pause), "Pause", {490, 5200, 340, 300});
    auto *image12 = button("Image12", int(Glyph::Stop), "Stop", {860, 5200, 340, 300});
    auto *image13 = button("Image13", int(Glyph::Next), "Next", {1230, 5200, 340, 300});

    addpopup = new QMenu(this);
    addpopup->setObjectName(QStringLiteral("addpopup"));
    addpopup->addAction(QStringLiteral("Add Songs"), this, &MPlay3::openFile);
    addpopup->addAction(QStringLiteral("Add Directory"), this, &MPlay3::addDirectory);
    addpopup->addAction(QStringLiteral("Add CD"), this, &MPlay3::addCd);
    addpopup->addSeparator();
    addpopup->addAction(QStringLiteral("Load Playlist"), this, &MPlay3::loadPlaylist);
    addpopup->addAction(QStringLiteral("Save Playlist"), this, &MPlay3::savePlaylist);

    // Wiring.
    for (skin::SkinButton *b : {openfile, image3})
        connect(b, &QAbstractButton::clicked, this, &MPlay3::openFile);
    connect(image10, &QAbstractButton::clicked, this,
            [this] { openWithFilter(kNoCdFilter, false, true); });
    for (skin::SkinButton *b : {play, smallButtons_[1]})
        connect(b, &QAbstractButton::clicked, this, &MPlay3::playClicked);
    for (skin::SkinButton *b : {pause, smallButtons_[2], image11})
        connect(b, &QAbstractButton::clicked, this, &MPlay3::pauseClicked);
    for (skin::SkinButton *b : {stop, smallButtons_[3], image12})
        connect(b, &QAbstractButton::clicked, &transport_, &PlayerTransport::stop);
    for (skin::SkinButton *b : {next, smallButtons_[4], image13})
        connect(b, &QAbstractButton::clicked, &transport_, &PlayerTransport::next);
    for (skin::SkinButton *b : {previous, smallButtons_[0], image14})
        connect(b, &QAbstractButton::clicked, &transport_, &PlayerTransport::previous);
    connect(shuffle, &QAbstractButton::clicked, this, [this] {
        setMode(transport_.mode() == PlayMode::Random ? PlayMode::Normal : PlayMode::Random);
    });
    connect(repeat, &QAbstractButton::clicked, this, [this] {
        transport_.setRepeatSong(!transport_.repeatSong());
        repeaton->setVisible(transport_.repeatSong());
    });
    connect(optres, &QAbstractButton::clicked, this, [this] { setMode(PlayMode::Normal); });
    connect(optrnd, &QAbstractButton::clicked, this, [this] { setMode(PlayMode::Random); });
    connect(optnon, &QAbstractButton::clicked, this, [this] { setMode(PlayMode::None); });
    connect(addfile, &QAbstractButton::clicked, this,
            [this] { filebar->setVisible(!filebar->isVisible()); });
    connect(list, &QAbstractButton::clicked, this,
            [this] { listbar->setVisible(!listbar->isVisible()); });
    connect(directory, &QAbstractButton::clicked, this, &MPlay3::addDirectory);
    connect(cd, &QAbstractButton::clicked, this, &MPlay3::addCd);
    connect(loadlist, &QAbstractButton::clicked, this, &MPlay3::loadPlaylist);
    connect(savelist, &QAbstractButton::clicked, this, &MPlay3::savePlaylist);
    connect(plup, &QAbstractButton::clicked, this, [this] { unfold(true); });
    connect(pldown, &skin::SkinButton::hovered, this, [this] { unfold(false); });
    connect(image1, &QAbstractButton::clicked, this, &QDialog::close);
    connect(image2, &QAbstractButton::clicked, this, &QWidget::showMinimized);
    connect(image4, &QAbstractButton::clicked, this, &MPlay3::toggleSmallWindow);

    connect(lstfavs, &QListWidget::currentRowChanged, this, [this](int row) { list_.select(row); });
    connect(lstfavs, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *item) { transport_.playEntry(lstfavs->row(item)); });
    connect(lstfavs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { addpopup->popup(lstfavs->viewport()->mapToGlobal(at)); });
    connect(&transport_, &PlayerTransport::titleChanged, this, &MPlay3::setTitle);
    connect(&transport_, &PlayerTransport::currentChanged, this, [this](int index) {
        const QSignalBlocker block(lstfavs);
        lstfavs->setCurrentRow(index);
    });

    // Knobs.
    connect(islider, &skin::Knob::pressed, this,
            [this](int globalX) { pressKnob(globalX, knobLeftTwips_); });
    connect(islider, &skin::Knob::moved, this, [this](int globalX) {
        knobLeftTwips_ = pd::draggedLeft(dragLeftAtPress_, globalX - dragPressX_, twipsPerPixel_,
                                         pd::kKnobStart, pd::kKnobDragMax);
        moveKnob();
    });
    connect(islider, &skin::Knob::released, this, [this] {
        const double target = pd::seekTarget(knobLeftTwips_, player_.Duration());
        player_.Stop();
        player_.setCurrentPosition(target);
        player_.Play();
        dragging_ = false;
    });
    connect(balance, &skin::Knob::pressed, this,
            [this](int globalX) { pressKnob(globalX, balanceLeftTwips_); });
    connect(balance, &skin::Knob::moved, this, [this](int globalX) {
        balanceLeftTwips_ = pd::draggedLeft(dragLeftAtPress_, globalX - dragPressX_, twipsPerPixel_,
                                            pd::kBalanceMin, pd::kBalanceMax);
        balance->move(tw(balanceLeftTwips_), tw(830));
        setTitle(pd::balanceLabel(balanceLeftTwips_, Label24->text()));
        if (balanceLeftTwips_ > 1620)
            player_.setBalance(pd::balanceValue(balanceLeftTwips_));
    });
    connect(balance, &skin::Knob::released, this, [this] {
        player_.setBalance(pd::balanceValue(balanceLeftTwips_));
        dragging_ = false;
    });

    // Volume buttons.
    TVolum = new QTimer(this);
    TVolum->setInterval(50);
    connect(TVolum, &QTimer::timeout, this, &MPlay3::rampVolume);
    for (skin::SkinButton *b : {pluss, minus}) {
        connect(b, &QAbstractButton::pressed, this, [this, b] {
            volumeUp_ = b == pluss;
            TVolum->start();
        });
        connect(b, &QAbstractButton::released, this, [this] {
            TVolum->stop();
            VolumInd->clear();
        });
    }

    positionTimer_ = new QTimer(this);
    positionTimer_->setInterval(1000);
    connect(positionTimer_, &QTimer::timeout, this, &MPlay3::showPosition);
    Timer7 = new QTimer(this);
    Timer7->setInterval(100);
    connect(Timer7, &QTimer::timeout, this, &MPlay3::scrollTitle);

    Skin::applyTo(this);
    // The display's own look, over whatever the skin says of labels and lists.
    setStyleSheet(styleSheet() + QStringLiteral(R"(
        QLabel { color: #6ef0b0; background: transparent; font-size: %1px; }
        QLabel#Label20 { font-family: "DejaVu Sans Mono", monospace; font-size: %2px;
                         font-weight: bold; }
        QLabel#toppic, QLabel#toptime { color: #e8eef2; font-size: %3px; font-weight: bold; }
        QLabel#balanceLeft, QLabel#balanceRight { color: #9aa6b2; font-size: %3px; }
        QLabel#shuffleon, QLabel#repeaton, QLabel#VolumInd { font-size: %3px; font-weight: bold; }
        QListWidget#lstfavs { background: #06120f; color: #6ef0b0; border: 1px solid #0a0d10;
                              font-size: %1px; selection-background-color: #1f5a46;
                              selection-color: #e8fff4; }
        QMenu { font-size: %1px; }
    )")
                                     .arg(tw(190))
                                     .arg(tw(300))
                                     .arg(tw(150)));
}

void MPlay3::Form_Load() {
    for (skin::SkinButton *b : smallButtons_)
        b->setEnabled(false);
    for (QWidget *w : {static_cast<QWidget *>(toptime), toppic, filebar, listbar,
                       static_cast<QWidget *>(shuffleon), static_cast<QWidget *>(repeaton),
                       static_cast<QWidget *>(pldown), static_cast<QWidget *>(Labelpause)})
        w->hide();
    Labelpause->setText(QStringLiteral("Label1"));
    setMode(PlayMode::Normal);
    setTitle(QStringLiteral("Click \"play\" button to open an audio file"));
    Label20->setText(pd::positionText(0));
    toptime->setText(pd::positionText(0));
    knobLeftTwips_ = pd::kKnobStart;
    moveKnob();
    balance->setGeometry(tw(balanceLeftTwips_), tw(830), tw(120), tw(150));
    LVol->setLit(pd::volumeSegments(player_.Volume(), LVol->lit()));
    setHeightTwips(pd::kHeightNormal);
    restorePosition();
    positionTimer_->start();
    Timer7->start();
}

void MPlay3::setHeightTwips(int height) {
    heightTwips_ = height;
    setFixedSize(tw(kWidth), tw(height));
    syncSmallLayout();
    update();
}

// What the small-layout timers keep in step with the height: the strip's time and picture and
// its buttons belong to the small window.
void MPlay3::syncSmallLayout() {
    if (heightTwips_ != pd::kHeightNormal && heightTwips_ != pd::kHeightSmall)
        return;
    const bool small = heightTwips_ == pd::kHeightSmall;
    toptime->setVisible(small);
    toppic->setVisible(small);
    for (skin::SkinButton *b : smallButtons_)
        b->setEnabled(small);
}

void MPlay3::toggleSmallWindow() {
    setHeightTwips(pd::toggledSmall(heightTwips_));
}

void MPlay3::unfold(bool fromPlup) {
    if (fromPlup) {
        plup->hide();
        pldown->show();
        // The fold button is under the mouse at once: it takes the press as its hover.
        if (pldown->rect().contains(pldown->mapFromGlobal(QCursor::pos())))
            unfold(false);
        return;
    }
    if (!pldown->isVisible())
        return;
    pldown->hide();
    plup->show();
    setHeightTwips(pd::toggledFold(heightTwips_));
}

void MPlay3::setMode(PlayMode mode) {
    transport_.setMode(mode);
    optres->setChecked(mode == PlayMode::Normal);
    optrnd->setChecked(mode == PlayMode::Random);
    optnon->setChecked(mode == PlayMode::None);
    shuffleon->setVisible(mode == PlayMode::Random);
}

void MPlay3::setTitle(const QString &title) {
    if (Label24->text() == title)
        return;
    Label24->setText(title);
    Label24->resize(std::max(Label24->sizeHint().width(), titleClip_->width()),
                    titleClip_->height());
    updateCaption();
}

void MPlay3::updateCaption() {
    setWindowTitle(pd::caption(isMinimized(), Label24->text()));
}

void MPlay3::changeEvent(QEvent *event) {
    if (event->type() == QEvent::WindowStateChange)
        updateCaption();
    QDialog::changeEvent(event);
}

void MPlay3::showPosition() {
    const QString text = pd::positionText(player_.CurrentPosition());
    toptime->setText(text);
    Label20->setText(text);
    if (!dragging_) {
        const int left = pd::knobLeft(player_.CurrentPosition(), player_.Duration());
        if (left >= 0)
            knobLeftTwips_ = left;
        moveKnob();
    }
}

void MPlay3::moveKnob() {
    islider->setGeometry(tw(knobLeftTwips_), tw(1010), tw(240), tw(170));
}

void MPlay3::pressKnob(int globalX, int left) {
    dragPressX_ = globalX;
    dragLeftAtPress_ = left;
    twipsPerPixel_ = 1440.0 / logicalDpiX();
    dragging_ = true;
}

void MPlay3::scrollTitle() {
    const int twipsWidth = qRound(Label24->width() * 1440.0 / logicalDpiX());
    const int clipWidth = qRound(titleClip_->width() * 1440.0 / logicalDpiX());
    titleLeftTwips_ = pd::scrolledTitleLeft(titleLeftTwips_, twipsWidth, clipWidth);
    Label24->move(tw(titleLeftTwips_), 0);
}

void MPlay3::rampVolume() {
    const int volume = pd::rampedVolume(player_.Volume(), volumeUp_);
    player_.setVolume(volume); // past either end the player keeps its volume
    LVol->setLit(pd::volumeSegments(volume, LVol->lit()));
    VolumInd->setText(volumeUp_ ? QStringLiteral("Max") : QStringLiteral("Min"));
}

void MPlay3::syncList() {
    for (int i = lstfavs->count(); i < list_.count(); ++i)
        lstfavs->addItem(list_.name(i));
    const QSignalBlocker block(lstfavs);
    lstfavs->setCurrentRow(list_.current());
}

void MPlay3::appendToList(const QStringList &paths) {
    list_.appendAll(paths);
    syncList();
}

void MPlay3::openWithFilter(const QString &filter, bool cdRule, bool showTitle) {
    const QString path = chooser_(this, QStringLiteral("Open"), filter, false);
    if (path.isEmpty())
        return; // a cancelled dialog adds nothing
    if (!cdRule && PlayList::isCdTrack(path)) {
        appendToList({path});
        return;
    }
    const QString before = Label24->text();
    transport_.openFile(path);
    syncList();
    if (!showTitle && transport_.title() == list_.name(list_.count() - 1))
        setTitle(before);
}

void MPlay3::openFile() {
    openWithFilter(kOpenFilter, true, true);
}

void MPlay3::playClicked() {
    if (transport_.playCurrent())
        return;
    setTitle(QString());
    openFile();
}

void MPlay3::pauseClicked() {
    Labelpause->setText(transport_.togglePause(Labelpause->text()));
}

void MPlay3::addDirectory() {
    const QString folder = chooser_(this, QStringLiteral("Add Directory"), QString(), false);
    if (!folder.isEmpty())
        appendToList(playlistfiles::playableFiles(folder));
}

void MPlay3::addCd() {
    const QStringList rows = playlistfiles::cdTrackRows(MediaPlayer::kCdDrive);
    if (rows.isEmpty()) {
        setTitle(tr("No audio CD in the drive"));
        return;
    }
    appendToList(rows);
}

void MPlay3::loadPlaylist() {
    const QString path = chooser_(this, QStringLiteral("Load Playlist"), kLoadListFilter, false);
    if (!path.isEmpty())
        appendToList(playlistfiles::readM3u(path));
}

void MPlay3::savePlaylist() {
    QString path = chooser_(this, QStringLiteral("Save Playlist"), kSaveListFilter, true);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".m3u");
    if (!playlistfiles::writeM3u(path, list_.paths(), list_.names()))
        setTitle(tr("Cannot save %1").arg(PlayList::StripPath(path)));
}

bool MPlay3::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lstfavs->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (lstfavs->itemAt(mouse->position().toPoint()) == nullptr) {
            openWithFilter(kDoubleClickFilter, false, false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MPlay3::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton)
        return;
    if (windowHandle() != nullptr && windowHandle()->startSystemMove())
        return;
    // Without a window manager to ask, the window follows the mouse itself.
    manualDrag_ = true;
    manualDragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MPlay3::mouseMoveEvent(QMouseEvent *event) {
    if (manualDrag_)
        move(event->globalPosition().toPoint() - manualDragOffset_);
}

void MPlay3::mouseReleaseEvent(QMouseEvent *) {
    manualDrag_ = false;
}

void MPlay3::paintEvent(QPaintEvent *) {
    QPainter p(this);
    QLinearGradient body(0, 0, 0, height());
    body.setColorAt(0, skin::panelColor().lighter(115));
    body.setColorAt(1, skin::panelColor().darker(140));
    p.fillRect(rect(), body);
    const QRect strip(0, 0, width(), tw(pd::kHeightSmall));
    QLinearGradient bar(0, 0, 0, strip.height());
    bar.setColorAt(0, QColor(0x50, 0x5e, 0x6e));
    bar.setColorAt(1, QColor(0x2a, 0x32, 0x3c));
    p.fillRect(strip, bar);
    if (!toppic->isVisible()) {
        QFont f = font();
        f.setPixelSize(std::max(9, tw(150)));
        f.setBold(true);
        p.setFont(f);
        p.setPen(QColor(0xe8, 0xee, 0xf2));
        p.drawText(strip.adjusted(tw(60), 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                   QStringLiteral("Audio Player"));
    }
    p.setPen(QColor(0x10, 0x14, 0x19));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void MPlay3::restorePosition() {
    const std::unique_ptr<QSettings> s = playerSettings();
    bool topOk = false;
    bool leftOk = false;
    const int top = s->value(QStringLiteral("MAINTOP")).toString().toInt(&topOk);
    const int left = s->value(QStringLiteral("MAINLEFT")).toString().toInt(&leftOk);
    if (topOk && leftOk)
        move(tw(left), tw(top));
}

void MPlay3::storePosition() {
    const std::unique_ptr<QSettings> s = playerSettings();
    const double twipsPerPixel = 1440.0 / logicalDpiX();
    s->setValue(QStringLiteral("MAINTOP"), QString::number(qRound(y() * twipsPerPixel)));
    s->setValue(QStringLiteral("MAINLEFT"), QString::number(qRound(x() * twipsPerPixel)));
}

void MPlay3::done(int result) {
    storePosition();
    player_.Stop();
    QDialog::done(result);
}

} // namespace pelvanto
