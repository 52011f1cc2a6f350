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
    DTPicker1 = named(new QDateEdit(this), "DTPicker1");
    DTPicker2 = named(new QTimeEdit(this), "DTPicker2");
    DTPicker3 = named(new QDateEdit(this), "DTPicker3");
    DTPicker4 = named(new QTimeEdit(this), "DTPicker4");
    for (QDateEdit *d : {DTPicker1, DTPicker3})
        d->setCalendarPopup(true);
    for (QTimeEdit *t : {DTPicker2, DTPicker4})
        t->setDisplayFormat(timeFormat);
    Text1 = named(new QLineEdit(this), "Text1");
    SkinLabel1 = named(new QLabel(this), "SkinLabel1");
    Command1 = named(new QPushButton(QStringLiteral("OK"), this), "Command1");
    Command2 = named(new QPushButton(QStringLiteral("Cancel"), this), "Command2");
    Command1->setDefault(true);

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Start:"), this), 0, 0);
    grid->addWidget(DTPicker1, 0, 1);
    grid->addWidget(DTPicker2, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("End:"), this), 1, 0);
    grid->addWidget(DTPicker3, 1, 1);
    grid->addWidget(DTPicker4, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Comment:"), this), 2, 0);
    grid->addWidget(Text1, 2, 1, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(SkinLabel1, 1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto *layout = new QGridLayout(this);
    layout->addLayout(grid, 0, 0);
    layout->addLayout(buttons, 1, 0);

    connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form6::Command2_Click);

    Skin::applyTo(this);
    const QDateTime current = now();
    DTPicker1->setDate(current.date());
    DTPicker3->setDate(current.date());
    DTPicker2->setTime(toSecond(current.time()));
    DTPicker4->setTime(toSecond(current.time()));
    Timer1_Timer();

    Timer1 = named(new QTimer(this), "Timer1");
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &Form6::Timer1_Timer);
    Timer1->start();
}

QDateTime Form6::now() const {
    return clock_ ? clock_() : QDateTime::currentDateTime();
}

void Form6::Timer1_Timer() {
    const QDateTime current = now();
    SkinLabel1->setText(QLocale().toString(current.date(), QLocale::ShortFormat) +
                        QLatin1Char(' ') + current.time().toString(QStringLiteral("HH:mm:ss")));
}

void Form6::Command1_Click() {
    const QDateTime start(DTPicker1->date(), toSecond(DTPicker2->time()));
    const QDateTime stop(DTPicker3->date(), toSecond(DTPicker4->time()));
    if (!(stop > start)) {
        MessageBox::show(this, QStringLiteral("Time is error"), QMessageBox::Critical);
        return;
    }
    item_ =
        ScheduleItem{schedulefile::dateTimeText(start), schedulefile::dateTimeText(stop), QString(),
                     QString::fromLatin1(schedulefile::kWaiting), oneLine(Text1->text())};
    accept();
}

void Form6::Command2_Click() {
    reject();
}

} // namespace pelvanto
