#include "Form5.h"

#include "Form6.h"
#include "platform/LocaleDateTime.h"
#include "platform/MessageBox.h"
#include "platform/Skin.h"
#include "platform/TextLines.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace pelvanto {

namespace {

template <typename W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// The user's own date and time; what cannot be read is shown as stored.
QString shownTime(const QString &stored) {
    const auto time = schedulefile::parseDateTime(stored);
    return time ? localeDateTimeText(*time) : stored;
}

QTreeWidgetItem *makeRow(const ScheduleItem &item) {
    return new QTreeWidgetItem(QStringList{shownTime(item.start), shownTime(item.stop), item.file,
                                           item.status, item.comment});
}

} // namespace

Form5::Form5(RecordingControl &control, QWidget *parent, Clock clock, const QString &path)
    : QDialog(parent), path_(path.isEmpty() ? schedulefile::defaultPath() : path), clock_(clock),
      check_(control, std::move(clock)) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Schedule"));

    scheduleList_ = named(new QTreeWidget(this), "ListView1");
    scheduleList_->setColumnCount(5);
    scheduleList_->setHeaderLabels({QStringLiteral("Start time"), QStringLiteral("Stop time"),
                                    QStringLiteral("File"), QStringLiteral("Status"),
                                    QStringLiteral("Comment")});
    scheduleList_->setRootIsDecorated(false);
    scheduleList_->setSelectionMode(QAbstractItemView::SingleSelection);
    scheduleList_->setAllColumnsShowFocus(true);
    scheduleList_->header()->setStretchLastSection(true);

    auto *addButton = named(new QPushButton(QStringLiteral("Add"), this), "Command1");
    auto *removeButton = named(new QPushButton(QStringLiteral("Remove"), this), "Command2");
    auto *clearButton = named(new QPushButton(QStringLiteral("Clear"), this), "Command3");
    auto *okButton = named(new QPushButton(QStringLiteral("OK"), this), "Command4");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(removeButton);
    buttons->addWidget(clearButton);
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scheduleList_);
    layout->addLayout(buttons);
    resize(640, 320);

    connect(addButton, &QPushButton::clicked, this, &Form5::addScheduledRecording);
    connect(removeButton, &QPushButton::clicked, this, &Form5::removeSelected);
    connect(clearButton, &QPushButton::clicked, this, &Form5::clearAll);
    connect(okButton, &QPushButton::clicked, this, &Form5::saveAndHide);

    check_.rowStarted = [this](int row) { showStatus(row); };

    load();

    auto *checkTimer = named(new QTimer(this), "Timer1");
    checkTimer->setInterval(1000);
    connect(checkTimer, &QTimer::timeout, this, &Form5::checkSchedule);
    checkTimer->start();
}

Form5::~Form5() {
    save();
}

void Form5::load() {
    Skin::applyTo(this);
    schedulefile::ensureExists(path_);
    const auto loaded = schedulefile::load(path_);
    // A file that could not be read is never replaced: what it holds is not known.
    loadFailed_ = !loaded.has_value();
    if (loaded)
        for (const ScheduleItem &item : *loaded)
            addItem(item);
    savedItems_ = items_;
}

void Form5::addItem(const ScheduleItem &item) {
    items_.append(item);
    scheduleList_->addTopLevelItem(makeRow(item));
}

void Form5::showStatus(int row) {
    if (row < 0 || row >= items_.size())
        return;
    if (QTreeWidgetItem *view = scheduleList_->topLevelItem(row))
        view->setText(3, items_[row].status);
}

void Form5::addScheduledRecording() {
    Form6 form(this, clock_);
    if (form.exec() == QDialog::Accepted)
        addItem(form.item());
}

void Form5::removeSelected() {
    QTreeWidgetItem *selected = scheduleList_->currentItem();
    if (!selected || !selected->isSelected())
        return;
    const int row = scheduleList_->indexOfTopLevelItem(selected);
    if (row < 0 || row >= items_.size())
        return;
    items_.removeAt(row);
    delete scheduleList_->takeTopLevelItem(row);
}

void Form5::clearAll() {
    items_.clear();
    scheduleList_->clear();
}

bool Form5::save() {
    // An unchanged list leaves the file exactly as it is.
    if (items_ == savedItems_ || loadFailed_ || !isReplaceableFile(path_))
        return false;
    if (!schedulefile::save(path_, items_))
        return false;
    savedItems_ = items_;
    return true;
}

void Form5::saveAndHide() {
    if (items_ != savedItems_) {
        if (!isReplaceableFile(path_))
            MessageBox::show(this, notRegularFileMessage(path_), QMessageBox::Critical);
        else if (loadFailed_)
            MessageBox::show(this,
                             path_ + QStringLiteral(" could not be read, so it was left as it is; "
                                                    "the changes to the schedule were not saved."),
                             QMessageBox::Critical);
    }
    // Any other failed write is passed over; the window hides all the same.
    save();
    QDialog::accept();
}

void Form5::reject() {
    saveAndHide();
}

void Form5::checkSchedule() {
    check_.tick(items_);
}

} // namespace pelvanto
