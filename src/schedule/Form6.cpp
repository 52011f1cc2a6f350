#include "Form6.h"

#include "platform/MessageBox.h"
#include "platform/Skin.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

namespace pelvanto {

namespace {

template <typename W> W *named(W *w, const char *name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QTime toSecond(const QTime &t) {
    return QTime(t.hour(), t.minute(), t.second());
}

// Tabs and line breaks would split the row in schedule.dat.
QString oneLine(QString text) {
    for (QChar &c : text)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return text;
}

} // namespace

Form6::Form6(QWidget *parent, Clock clock) : QDialog(parent), clock_(std::move(clock)) {
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Scheduler"));
    setModal(true);

    const QString timeFormat = QStringLiteral("HH:mm:ss");
    startDate_ = named(new QDateEdit(this), "DTPicker1");
    startTime_ = named(new QTimeEdit(this), "DTPicker2");
    stopDate_ = named(new QDateEdit(this), "DTPicker3");
    stopTime_ = named(new QTimeEdit(this), "DTPicker4");
    for (QDateEdit *d : {startDate_, stopDate_})
        d->setCalendarPopup(true);
    for (QTimeEdit *t : {startTime_, stopTime_})
        t->setDisplayFormat(timeFormat);
    commentEdit_ = named(new QLineEdit(this), "Text1");
    clockLabel_ = named(new QLabel(this), "SkinLabel1");
    auto *okButton = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    auto *cancelButton = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    okButton->setDefault(true);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Start:"), this), 0, 0);
    grid->addWidget(startDate_, 0, 1);
    grid->addWidget(startTime_, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("End:"), this), 1, 0);
    grid->addWidget(stopDate_, 1, 1);
    grid->addWidget(stopTime_, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Comment:"), this), 2, 0);
    grid->addWidget(commentEdit_, 2, 1, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(clockLabel_, 1);
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QGridLayout(this);
    layout->addLayout(grid, 0, 0);
    layout->addLayout(buttons, 1, 0);

    connect(okButton, &QPushButton::clicked, this, &Form6::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &Form6::reject);

    Skin::applyTo(this);
    const QDateTime current = now();
    startDate_->setDate(current.date());
    stopDate_->setDate(current.date());
    startTime_->setTime(toSecond(current.time()));
    stopTime_->setTime(toSecond(current.time()));
    showClock();

    auto *clockTimer = named(new QTimer(this), "Timer1");
    clockTimer->setInterval(1000);
    connect(clockTimer, &QTimer::timeout, this, &Form6::showClock);
    clockTimer->start();
}

QDateTime Form6::now() const {
    return clock_ ? clock_() : QDateTime::currentDateTime();
}

void Form6::showClock() {
    const QDateTime current = now();
    clockLabel_->setText(QLocale().toString(current.date(), QLocale::ShortFormat) +
                         QLatin1Char(' ') + current.time().toString(QStringLiteral("HH:mm:ss")));
}

void Form6::confirm() {
    const QDateTime start(startDate_->date(), toSecond(startTime_->time()));
    const QDateTime stop(stopDate_->date(), toSecond(stopTime_->time()));
    if (!(stop > start)) {
        MessageBox::show(this, QStringLiteral("Time is error"), QMessageBox::Critical);
        return;
    }
    item_ =
        ScheduleItem{schedulefile::dateTimeText(start), schedulefile::dateTimeText(stop), QString(),
                     QString::fromLatin1(schedulefile::kWaiting), oneLine(commentEdit_->text())};
    accept();
}

} // namespace pelvanto
