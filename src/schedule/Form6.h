#pragma once

#include "ScheduleFile.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QTimer;

namespace pelvanto {

// "Scheduler": picks the start and stop of one scheduled recording and a
// comment. On an accepted OK, item() holds the new row.
class Form6 : public QDialog {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    explicit Form6(QWidget *parent = nullptr, Clock clock = {});

    const ScheduleItem &item() const { return item_; }

public slots:
    void Command1_Click(); // OK
    void Command2_Click(); // Cancel
    void Timer1_Timer();

private:
    QDateTime now() const;

    Clock clock_;
    ScheduleItem item_;

    QDateEdit *DTPicker1 = nullptr;
    QTimeEdit *DTPicker2 = nullptr;
    QDateEdit *DTPicker3 = nullptr;
    QTimeEdit *DTPicker4 = nullptr;
    QLineEdit *Text1 = nullptr;
    QLabel *SkinLabel1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QTimer *Timer1 = nullptr;
};

} // namespace pelvanto
