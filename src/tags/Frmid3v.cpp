#include "Frmid3v.h"

#include "SplitterBar.h"
#include "SplitterRules.h"
#include "TagMerge.h"
#include "TagPreview.h"
#include "TagSaveRun.h"
#include "TagText.h"
#include "clsFMOD.h"
#include "clsFile.h"
#include "clsID3v1.h"
#include "platform/LocaleDateTime.h"
#include "platform/Skin.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSettings>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValidator>

namespace pelvanto {

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kTabsHeightTwips = 6300;
constexpr int kBarOffset = 90;
const QString kNotSaved = QStringLiteral(" (not saved)");

QString arrayName(const char *name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

// Typing stops at the box's length; text put in by the program may be longer (copied from
// ID3v2) and can still be shortened.
class TypingLimit : public QValidator {
public:
    TypingLimit(QLineEdit *edit, int limit) : QValidator(edit), edit_(edit), limit_(limit) {}
    State validate(QString &input, int &) const override {
        return input.size() > limit_ && input.size() > edit_->text().size() ? Invalid : Acceptable;
    }

private:
    QLineEdit *edit_;
    int limit_;
};

constexpr std::array<int, V1TextCount> kV1Limits = {3, 30, 30, 30, 4, 30};
const std::array<const char *, V1TextCount> kV1Labels = {
    "Track #:", "Title:", "Artist:", "Album:", "Year:", "Comments:"};
const std::array<const char *, V2TextCount> kV2Labels = {
    "Track #:",  "Title:",        "Artist:",    "Album:", "Year:",      "Comments:",
    "Composer:", "Orig. Artist:", "Copyright:", "URL:",   "Encoded by:"};

} // namespace

Frmid3v::Frmid3v(QWidget *parent, std::unique_ptr<QSettings> store)
    : QDialog(parent), store_(store ? std::move(store) : TagEditorSettings::UserStore()) {
    setObjectName(QStringLiteral("Frmid3v"));
    setWindowTitle(QStringLiteral("ID3 Editor"));
    buildWindow();
    buildMenus();
    Skin::applyTo(this);
    fillGenreLists();
    tagItems_.assign(1, TagItem{});
    connectSignals();
    LoadSettings();
    fmod_ = std::make_unique<clsFMOD>();
    preview_ = std::make_unique<TagPreview>(*fmod_, fmod_->Init(44100, 16));
}

Frmid3v::~Frmid3v() {
    stopScan();
}

void Frmid3v::stopScan() {
    scanner_.cancel();
    prb_->hide();
    lvw_->setUpdatesEnabled(true);
    if (scanCursor_)
        QApplication::restoreOverrideCursor();
    scanCursor_ = false;
}

int Frmid3v::twips(int px) const {
    return px * kTwipsPerInch / std::max(1, logicalDpiX());
}

int Frmid3v::pixels(int tw) const {
    return static_cast<int>(std::lround(double(tw) * logicalDpiX() / kTwipsPerInch));
}

void Frmid3v::buildWindow() {
    folders_ = new QFileSystemModel(this);
    folders_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    folders_->setRootPath(QStringLiteral("/"));
    ftv_ = new QTreeView(this);
    ftv_->setObjectName(QStringLiteral("ftv"));
    ftv_->setModel(folders_);
    for (int c = 1; c < folders_->columnCount(); ++c)
        ftv_->hideColumn(c);
    ftv_->setHeaderHidden(true);

    lvw_ = new QTreeWidget(this);
    lvw_->setObjectName(QStringLiteral("lvw"));
    lvw_->setRootIsDecorated(false);
    lvw_->setUniformRowHeights(true);
    lvw_->setHeaderLabels({QStringLiteral("Filename"), QStringLiteral("Tags"),
                           QStringLiteral("Size"), QStringLiteral("Date")});
    lvw_->viewport()->installEventFilter(this);

    p_ = new SplitterBar(this);
    p_->setObjectName(QStringLiteral("p"));

    prb_ = new QProgressBar(this);
    prb_->setObjectName(QStringLiteral("prb"));
    prb_->setTextVisible(false);
    prb_->hide();

    tabArea_ = new QWidget(this);
    tabs_ = new QTabBar(tabArea_);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->addTab(QStringLiteral("ID3v1"));
    tabs_->addTab(QStringLiteral("ID3v2"));
    frm_[0] = static_cast<QGroupBox *>(buildFrame(0));
    frm_[1] = static_cast<QGroupBox *>(buildFrame(1));
    frm_[1]->hide();

    optionsFrame_ = new QGroupBox(QStringLiteral("Multiple file options"), tabArea_);
    auto *optionsLayout = new QGridLayout(optionsFrame_);
    const std::array<const char *, 3> optionTexts = {"&Empty fields keep original value.",
                                                     "&Add track number from file index.",
                                                     "&Grab title from filename."};
    for (int k = 0; k < 3; ++k) {
        chkOpt_[size_t(k)] = new QCheckBox(QString::fromLatin1(optionTexts[size_t(k)]));
        chkOpt_[size_t(k)]->setObjectName(arrayName("chkOpt", k));
        optionsLayout->addWidget(chkOpt_[size_t(k)], k, 0);
    }
    lblTitle_ = new QLabel;
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    lblTitle_->setWordWrap(true);
    optionsLayout->addWidget(lblTitle_, 0, 1, 3, 1);
    optionsLayout->setColumnStretch(1, 1);

    resize(860, 760);
}

QWidget *Frmid3v::buildFrame(int tag) {
    auto *frame =
        new QGroupBox(tag == 0 ? QStringLiteral("ID3v1") : QStringLiteral("ID3v2"), tabArea_);
    frame->setObjectName(arrayName("frm", tag));
    auto *layout = new QGridLayout(frame);
    auto *toolbar = new QToolBar(frame);
    toolbar->setObjectName(arrayName("tbr", tag));
    toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const QStringList captions =
        tag == 0
            ? QStringList{"Revert", "Save", {}, "Copy from ID3v2", "Copy to ID3v2", {}, "Playback"}
            : QStringList{"Revert", "Save", {}, "Copy to ID3v1", "Copy from ID3v1", {}, "Playback"};
    for (int i = 0; i < captions.size(); ++i) {
        if (captions[i].isEmpty()) {
            toolbar->addSeparator();
            continue;
        }
        QAction *action = toolbar->addAction(captions[i]);
        connect(action, &QAction::triggered, this, [this, tag, i] { toolbarClicked(tag, i + 1); });
    }
    tbr_[size_t(tag)] = toolbar;
    layout->addWidget(toolbar, 0, 0, 1, 4);

    auto *check =
        new QCheckBox(tag == 0 ? QStringLiteral("&ID3v1 tag") : QStringLiteral("&ID3v2 tag"));
    check->setObjectName(tag == 0 ? QStringLiteral("chkv1") : QStringLiteral("chkv2"));
    layout->addWidget(check, 1, 0, 1, 4);
    (tag == 0 ? chkv1_ : chkv2_) = check;

    // Fields in two columns of label and box; the genre goes last.
    const int count = tag == 0 ? int(V1TextCount) : int(V2TextCount);
    const int rows = (count + 2) / 2;
    for (int k = 0; k < count; ++k) {
        const char *label = tag == 0 ? kV1Labels[size_t(k)] : kV2Labels[size_t(k)];
        QWidget *box = nullptr;
        if (tag == 1 && k == V2Comment) {
            txtv2Comment_ = new QPlainTextEdit;
            txtv2Comment_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            txtv2Comment_->setFixedHeight(fontMetrics().height() * 3);
            box = txtv2Comment_;
        } else {
            auto *edit = new QLineEdit;
            if (tag == 0) {
                edit->setValidator(new TypingLimit(edit, kV1Limits[size_t(k)]));
                txtv1_[size_t(k)] = edit;
            } else {
                txtv2_[size_t(k)] = edit;
            }
            box = edit;
        }
        box->setObjectName(arrayName(tag == 0 ? "txtv1" : "txtv2", k));
        layout->addWidget(new QLabel(QString::fromLatin1(label)), 2 + k % rows, (k / rows) * 2);
        layout->addWidget(box, 2 + k % rows, (k / rows) * 2 + 1);
    }
    auto *genre = new QComboBox;
    genre->setObjectName(tag == 0 ? QStringLiteral("cmbv1") : QStringLiteral("cmbv2"));
    genre->setEditable(tag == 1);
    genre->setMaxVisibleItems(20);
    layout->addWidget(new QLabel(QStringLiteral("Genre:")), 2 + count % rows, 2);
    layout->addWidget(genre, 2 + count % rows, 3);
    (tag == 0 ? cmbv1_ : cmbv2_) = genre;
    layout->setColumnStretch(1, 1);
    layout->setColumnStretch(3, 1);
    layout->setRowStretch(2 + rows, 1);
    if (tag == 0)
        txtv1_[V1Track]->installEventFilter(this);
    return frame;
}

void Frmid3v::buildMenus() {
    selectMenu_ = new QMenu(QStringLiteral("Select"), this);
    selectMenu_->setObjectName(QStringLiteral("menSelectMenu"));
    QAction *all = selectMenu_->addAction(QStringLiteral("Select &All"));
    all->setObjectName(arrayName("menSelect", 0));
    QAction *none = selectMenu_->addAction(QStringLiteral("Select &None"));
    none->setObjectName(arrayName("menSelect", 1));
    connect(all, &QAction::triggered, this, [this] { setAllChecked(true); });
    connect(none, &QAction::triggered, this, [this] { setAllChecked(false); });

    playbackMenu_ = new QMenu(QStringLiteral("Playback"), this);
    playbackMenu_->setObjectName(QStringLiteral("menPlaybackMenu"));
    const std::array<std::pair<const char *, const char *>, 5> entries = {{
        {"&Play", nullptr},
        {"P&ause/Unpause", "pause"},
        {"&Stop", ""},
        {"&Forward 5 sec.", "forward"},
        {"&Back 5 sec.", "back"},
    }};
    for (size_t i = 0; i < entries.size(); ++i) {
        QAction *a = playbackMenu_->addAction(QString::fromLatin1(entries[i].first));
        a->setObjectName(arrayName("menPlayback", int(i)));
        const char *word = entries[i].second;
        connect(a, &QAction::triggered, this, [this, word] {
            if (word != nullptr) {
                Playback(QString::fromLatin1(word));
            } else if (const QTreeWidgetItem *row = lvw_->currentItem()) {
                Playback(tagItems_[size_t(recordOf(row))].fileName);
            }
        });
    }
    QAction *jump = playbackMenu_->addAction(QStringLiteral("&Jump to middle of song"));
    jump->setObjectName(QStringLiteral("menJump"));
    connect(jump, &QAction::triggered, this, [this] { Playback(QStringLiteral("jump")); });
    // Available once the list has been clicked.
    playbackMenu_->setEnabled(false);
}

void Frmid3v::fillGenreLists() {
    const clsID3v1 genres;
    for (int n = 0; n <= 255; ++n) {
        const QString name = genres.ReturnGenre(n).trimmed();
        if (name.isEmpty())
            break;
        cmbv1_->addItem(ProperCase(name));
        cmbv2_->addItem(ProperCase(name));
    }
    cmbv1_->setCurrentIndex(-1);
    cmbv2_->setCurrentIndex(-1);
}

void Frmid3v::connectSignals() {
    connect(&scanner_, &FolderScanner::started, this, &Frmid3v::scanStarted);
    connect(&scanner_, &FolderScanner::rowsReady, this, &Frmid3v::scanRows);
    connect(&scanner_, &FolderScanner::finished, this, &Frmid3v::scanDone);
    // A folder the user chooses is selected; the tree taking focus only moves its cursor.
    connect(ftv_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList chosen = ftv_->selectionModel()->selectedRows();
        if (!chosen.isEmpty())
            UpdateFolder(folders_->filePath(chosen.first()));
    });
    // The tree fills in as folders load: keep the chosen folder in sight.
    connect(folders_, &QFileSystemModel::directoryLoaded, this, [this] {
        if (ftv_->currentIndex().isValid())
            ftv_->scrollTo(ftv_->currentIndex());
    });
    connect(lvw_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *row) { RefreshItem(recordOf(row)); });
    connect(lvw_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *row) {
        if (row != nullptr && !filling_)
            RefreshItem(recordOf(row));
    });
    connect(lvw_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *row, int column) {
        if (!filling_ && column == 0)
            RefreshItem(recordOf(row));
    });
    connect(chkv1_, &QCheckBox::toggled, this, &Frmid3v::setV1Enabled);
    connect(chkv2_, &QCheckBox::toggled, this, &Frmid3v::setV2Enabled);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) {
        frm_[0]->setVisible(tab == 0);
        frm_[1]->setVisible(tab == 1);
    });
    for (int k = 0; k < 3; ++k)
        connect(chkOpt_[size_t(k)], &QCheckBox::toggled, this, [this, k](bool on) {
            options_[size_t(k)] = on;
            refreshGrabbedTitle();
        });
    connect(p_, &SplitterBar::pressed, this, &Frmid3v::splitterPressed);
    connect(p_, &SplitterBar::moved, this, &Frmid3v::splitterMoved);
    connect(p_, &SplitterBar::released, this, &Frmid3v::splitterReleased);
}

// --- folder scan --------------------------------------------------------------------------

void Frmid3v::UpdateFolder(const QString &sFolder) {
    if (scanner_.isRunning() || saving_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    scanCursor_ = true;
    filling_ = true;
    lvw_->clear();
    filling_ = false;
    tagItems_.assign(1, TagItem{});
    longest_ = {};
    // Laying out a list that grows by thousands of rows would stall the window: the list
    // is drawn once the scan ends, the progress bar moves meanwhile.
    lvw_->setUpdatesEnabled(false);
    scanner_.start(sFolder);
}

void Frmid3v::scanStarted(int total) {
    tagItems_.resize(size_t(total) + 1);
    prb_->setRange(0, std::max(total, 1));
    prb_->setValue(std::min(total, 1));
    prb_->show();
}

void Frmid3v::scanRows(int first, const QList<ScanRow> &rows) {
    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    int index = first;
    for (const ScanRow &row : rows) {
        if (size_t(index) >= tagItems_.size())
            break;
        tagItems_[size_t(index)] = row.item;
        auto *item = new QTreeWidgetItem({row.name, row.tags, row.size, row.date});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, Qt::UserRole, index);
        items.append(item);
        const std::array<const QString *, 4> texts = {&row.name, &row.tags, &row.size, &row.date};
        for (size_t c = 0; c < texts.size(); ++c)
            if (texts[c]->size() > longest_[c].size())
                longest_[c] = *texts[c];
        ++index;
    }
    filling_ = true;
    lvw_->addTopLevelItems(items);
    filling_ = false;
    prb_->setValue(index - 1);
}

void Frmid3v::scanDone() {
    prb_->hide();
    lvw_->setUpdatesEnabled(true);
    if (lvw_->topLevelItemCount() > 0) {
        const QFontMetrics metrics(lvw_->font());
        for (int c = 0; c < 4; ++c)
            lvw_->setColumnWidth(c, metrics.horizontalAdvance(longest_[size_t(c)]) +
                                        pixels(c == 0 ? 480 : 240));
        filling_ = true;
        lvw_->setCurrentItem(lvw_->topLevelItem(0));
        filling_ = false;
    }
    if (scanCursor_)
        QApplication::restoreOverrideCursor();
    scanCursor_ = false;
    if (const QTreeWidgetItem *row = lvw_->currentItem())
        RefreshItem(recordOf(row));
    emit scanFinished();
}

// --- edit fields --------------------------------------------------------------------------

int Frmid3v::recordOf(const QTreeWidgetItem *row) const {
    return row != nullptr ? row->data(0, Qt::UserRole).toInt() : 0;
}

int Frmid3v::GetSelNum() const {
    int checked = 0;
    for (int i = 0; i < lvw_->topLevelItemCount(); ++i)
        checked += lvw_->topLevelItem(i)->checkState(0) == Qt::Checked ? 1 : 0;
    return checked;
}

void Frmid3v::RefreshItem(int index) {
    if (index < 0 || size_t(index) >= tagItems_.size())
        return;
    if (GetSelNum() <= 1) {
        showFields(SingleFields(tagItems_[size_t(index)]));
    } else {
        std::vector<const TagItem *> checked;
        for (int i = 0; i < lvw_->topLevelItemCount(); ++i)
            if (lvw_->topLevelItem(i)->checkState(0) == Qt::Checked)
                checked.push_back(&tagItems_[size_t(recordOf(lvw_->topLevelItem(i)))]);
        showFields(MergedFields(checked));
    }
    refreshGrabbedTitle();
}

void Frmid3v::showFields(const EditorFields &f) {
    // A tag the files lack disables its fields; their texts stay as they were.
    if (f.hasV1) {
        for (int k = 0; k < V1TextCount; ++k)
            txtv1_[size_t(k)]->setText(f.v1[size_t(k)]);
        cmbv1_->setCurrentIndex(f.v1Genre);
    }
    if (f.hasV2) {
        for (int k = 0; k < V2TextCount; ++k) {
            if (k == V2Comment)
                txtv2Comment_->setPlainText(f.v2[size_t(k)]);
            else
                txtv2_[size_t(k)]->setText(f.v2[size_t(k)]);
        }
        cmbv2_->setEditText(f.v2Genre);
    }
    chkv1_->setChecked(f.hasV1);
    chkv2_->setChecked(f.hasV2);
    setV1Enabled(f.hasV1);
    setV2Enabled(f.hasV2);
}

EditorFields Frmid3v::editedFields() const {
    EditorFields f;
    f.hasV1 = chkv1_->isChecked();
    for (int k = 0; k < V1TextCount; ++k)
        f.v1[size_t(k)] = txtv1_[size_t(k)]->text();
    f.v1Genre = cmbv1_->currentIndex();
    f.hasV2 = chkv2_->isChecked();
    for (int k = 0; k < V2TextCount; ++k)
        f.v2[size_t(k)] = k == V2Comment ? txtv2Comment_->toPlainText() : txtv2_[size_t(k)]->text();
    f.v2Genre = cmbv2_->currentText();
    return f;
}

void Frmid3v::setV1Enabled(bool on) {
    for (QLineEdit *box : txtv1_)
        box->setEnabled(on);
    cmbv1_->setEnabled(on);
}

void Frmid3v::setV2Enabled(bool on) {
    for (QLineEdit *box : txtv2_)
        if (box != nullptr)
            box->setEnabled(on);
    txtv2Comment_->setEnabled(on);
    cmbv2_->setEnabled(on);
}

void Frmid3v::refreshGrabbedTitle() {
    const QTreeWidgetItem *row = lvw_->currentItem();
    if (!options_[2] || row == nullptr) {
        lblTitle_->clear();
        return;
    }
    lblTitle_->setText(QStringLiteral("Grabbed title for selected mp3: \n") +
                       GrabTitle(tagItems_[size_t(recordOf(row))].fileName));
}

bool Frmid3v::eventFilter(QObject *watched, QEvent *event) {
    if (watched == txtv1_[V1Track]) {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const QString text = key->text();
            const bool allowed = text.isEmpty() ||
                                 (text.size() == 1 && text[0].unicode() < 128 &&
                                  (text[0].isDigit() || text[0] == QLatin1Char('.'))) ||
                                 key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Return ||
                                 key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
            return !allowed;
        }
        if (event->type() == QEvent::KeyRelease) {
            const qint64 value = LeadingNumber(txtv1_[V1Track]->text());
            if (value < 0)
                txtv1_[V1Track]->setText(QStringLiteral("0"));
            else if (value > 255)
                txtv1_[V1Track]->setText(QStringLiteral("255"));
        }
        return false;
    }
    if (watched == lvw_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        playbackMenu_->setEnabled(true);
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::RightButton)
            selectMenu_->popup(mouse->globalPosition().toPoint());
    }
    return QDialog::eventFilter(watched, event);
}

void Frmid3v::setAllChecked(bool checked) {
    filling_ = true;
    for (int i = 0; i < lvw_->topLevelItemCount(); ++i)
        lvw_->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
    if (const QTreeWidgetItem *row = lvw_->currentItem())
        RefreshItem(recordOf(row));
}

// --- toolbars and saving ------------------------------------------------------------------

void Frmid3v::toolbarClicked(int tag, int position) {
    switch (position) {
    case 1:
        if (const QTreeWidgetItem *row = lvw_->currentItem())
            RefreshItem(recordOf(row));
        break;
    case 2:
        SaveItems();
        break;
    case 4:
        tag == 0 ? copyV2ToV1() : copyV1ToV2();
        break;
    case 5:
        tag == 0 ? copyV1ToV2() : copyV2ToV1();
        break;
    case 7: {
        const QWidget *button =
            tbr_[size_t(tag)]->widgetForAction(tbr_[size_t(tag)]->actions().last());
        playbackMenu_->popup(button->mapToGlobal(QPoint(button->width(), 0)));
        break;
    }
    default:
        break;
    }
}

void Frmid3v::copyV2ToV1() {
    chkv1_->setChecked(true);
    for (int k = 0; k < V1TextCount; ++k)
        txtv1_[size_t(k)]->setText(k == V2Comment ? txtv2Comment_->toPlainText()
                                                  : txtv2_[size_t(k)]->text());
    // A free-text genre that is not in the list has no position and selects nothing.
    cmbv1_->setCurrentIndex(cmbv2_->findText(cmbv2_->currentText(), Qt::MatchFixedString));
}

void Frmid3v::copyV1ToV2() {
    chkv2_->setChecked(true);
    for (int k = 0; k < V1TextCount; ++k) {
        if (k == V2Comment)
            txtv2Comment_->setPlainText(txtv1_[size_t(k)]->text());
        else
            txtv2_[size_t(k)]->setText(txtv1_[size_t(k)]->text());
    }
    cmbv2_->setCurrentIndex(cmbv1_->currentIndex());
}

QTreeWidgetItem *Frmid3v::rowForSave() const {
    for (int i = 0; i < lvw_->topLevelItemCount(); ++i)
        if (lvw_->topLevelItem(i)->checkState(0) == Qt::Checked)
            return lvw_->topLevelItem(i);
    return lvw_->currentItem();
}

void Frmid3v::SaveItems() {
    if (saving_ || scanner_.isRunning())
        return;
    saving_ = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Playback(QString()); // no file stays open while it is rewritten
    const SaveOptions options{options_[0], options_[1], options_[2]};
    TagSaveRun run(editedFields(), options);
    if (GetSelNum() > 1) {
        const int rows = lvw_->topLevelItemCount();
        prb_->setRange(1, rows);
        prb_->setValue(1);
        prb_->show();
        for (int j = 1; j <= rows && j <= lvw_->topLevelItemCount(); ++j) {
            prb_->setValue(j);
            QApplication::processEvents();
            QTreeWidgetItem *row = lvw_->topLevelItem(j - 1);
            if (row == nullptr || row->checkState(0) != Qt::Checked)
                continue;
            updateRow(row, run.saveNextChecked(tagItems_[size_t(recordOf(row))]));
        }
        prb_->hide();
    } else if (QTreeWidgetItem *row = rowForSave()) {
        updateRow(row, run.saveSingle(tagItems_[size_t(recordOf(row))]));
    }
    QApplication::restoreOverrideCursor();
    saving_ = false;
}

void Frmid3v::updateRow(QTreeWidgetItem *row, bool written) {
    const TagItem &record = tagItems_[size_t(recordOf(row))];
    filling_ = true;
    if (!written) {
        // The file is as it was; the row says it was not written.
        row->setText(1, TagsColumnText(record.hasV1, record.hasV2) + kNotSaved);
        row->setForeground(1, QBrush(Qt::red));
        row->setToolTip(1, QStringLiteral("The tags could not be written to this file "
                                          "(read-only, missing or the disk is full)."));
        filling_ = false;
        return;
    }
    row->setText(1, TagsColumnText(record.hasV1, record.hasV2));
    row->setData(1, Qt::ForegroundRole, QVariant());
    row->setToolTip(1, QString());
    clsFile file;
    file.setSFilename(record.fileName);
    row->setText(2, SizeColumnText(file.lSize()));
    row->setText(3, localeDateTimeText(file.dLastWriteTime()));
    filling_ = false;
}

// --- playback and settings ----------------------------------------------------------------

void Frmid3v::Playback(const QString &sFile) {
    if (preview_)
        preview_->Playback(sFile);
}

void Frmid3v::LoadSettings() {
    const TagEditorSettings s = TagEditorSettings::Load(*store_);
    for (int k = 0; k < 3; ++k) {
        options_[size_t(k)] = s.options[size_t(k)];
        chkOpt_[size_t(k)]->setChecked(s.options[size_t(k)]);
    }
    barLeft_ = s.folderWidth;
    layoutFor(barLeft_ + kBarOffset);
    if (!s.folder.isEmpty()) {
        const QModelIndex index = folders_->index(s.folder);
        if (index.isValid()) {
            ftv_->setCurrentIndex(index);
            ftv_->scrollTo(index);
        }
    }
}

void Frmid3v::SaveSettings() {
    TagEditorSettings s;
    s.options = options_;
    s.folderWidth = barLeft_;
    const QModelIndex current = ftv_->currentIndex();
    s.folder = current.isValid() ? folders_->filePath(current) : QString();
    s.Save(*store_);
    store_->sync();
}

void Frmid3v::done(int result) {
    if (saving_)
        return; // the save ends first
    stopScan();
    SaveSettings();
    Playback(QString());
    preview_.reset();
    fmod_.reset();
    QDialog::done(result);
}

// --- splitter and layout ------------------------------------------------------------------

void Frmid3v::splitterPressed() {
    dragging_ = true;
    dragStart_ = barLeft_;
}

void Frmid3v::splitterMoved(int x) {
    const int t = dragStart_ + twips(x);
    if (dragging_ && t - kBarOffset != barLeft_ && splitter::MoveAllowed(t))
        layoutFor(t);
}

void Frmid3v::splitterReleased(int x) {
    dragging_ = false;
    barLeft_ = splitter::DropLeft(dragStart_ + twips(x));
    layoutFor(barLeft_ + kBarOffset);
}

void Frmid3v::resizeEvent(QResizeEvent *event) {
    QDialog::resizeEvent(event);
    layoutFor(layoutT_);
}

void Frmid3v::layoutFor(int t) {
    layoutT_ = t;
    const splitter::Layout l =
        splitter::LayoutFor(t, twips(width()), twips(height()), kTabsHeightTwips);
    const auto px = [this](const QRect &r) {
        return QRect(pixels(r.left()), pixels(r.top()), pixels(r.width()), pixels(r.height()));
    };
    ftv_->setGeometry(px(l.tree));
    lvw_->setGeometry(px(l.list));
    if (!dragging_)
        p_->setGeometry(px(QRect(barLeft_, l.bar.top(), l.bar.width(), l.bar.height())));
    const QRect list = px(l.list);
    prb_->setGeometry(list.left(), list.bottom() + 3, list.width(), pixels(240) - 6);
    const QRect area = px(l.tabs);
    tabArea_->setGeometry(area);
    tabs_->setGeometry(0, 0, area.width(), tabs_->sizeHint().height());
    const int frameLeft = pixels(l.frameLeft) - area.left();
    const int top = tabs_->height() + 4;
    const int optionsHeight = optionsFrame_->sizeHint().height();
    const int frameHeight = area.height() - top - optionsHeight - 6;
    for (QGroupBox *frame : frm_)
        frame->setGeometry(frameLeft, top, area.width() - frameLeft, frameHeight);
    optionsFrame_->setGeometry(frameLeft, area.height() - optionsHeight, area.width() - frameLeft,
                               optionsHeight);
}

} // namespace pelvanto
