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

    ListView1 = named(new QTreeWidget(this), "ListView1");
    ListView1->setColumnCount(5);
    ListView1->setHeaderLabels({QStringLiteral("Start time"), QStringLiteral("Stop time"),
                                QStringLiteral("File"), QStringLiteral("Status"),
                                QStringLiteral("Comment")});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->header()->setStretchLastSection(true);

    Command1 = named(new QPushButton(QStringLiteral("Add"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("Remove"), this), "Command2");
    Command3 = named(new QPushButton(QStringLiteral("Clear"), this), "Command3");
    Command4 = named(new QPushButton(QStringLiteral("OK"), this), "Command4");
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command3);
    buttons->addStretch(1);
    buttons->addWidget(Command4);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ListView1);
    layout->addLayout(buttons);
    resize(640, 320);

    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form5::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form5::Command4_Click);

    check_.rowStarted = [this](int row) { showStatus(row); };

    Form_Load();

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form5::Timer1_Timer);
    Timer1->start();
}

Form5::~Form5() {
    save();
}

void Form5::Form_Load() {
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
    ListView1->addTopLevelItem(makeRow(item));
}

void Form5::showStatus(int row) {
    if (row < 0 || row >= items_.size())
        return;
    if (QTreeWidgetItem *view = ListView1->topLevelItem(row))
        view->setText(3, items_[row].status);
}

void Form5::Command1_Click() {
    Form6 form(this, clock_);
    if (form.exec() == QDialog::Accepted)
        addItem(form.item());
}

void Form5::Command2_Click() {
    QTreeWidgetItem *selected = ListView1->currentItem();
    if (!selected || !selected->isSelected())
        return;
    const int row = ListView1->indexOfTopLevelItem(selected);
    if (row < 0 || row >= items_.size())
        return;
    items_.removeAt(row);
    delete ListView1->takeTopLevelItem(row);
}

void Form5::Command3_Click() {
    items_.clear();
    ListView1->clear();
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

void Form5::Command4_Click() {
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
    Command4_Click();
}

void Form5::Timer1_Timer() {
    check_.tick(items_);
}

} // namespace pelvanto
