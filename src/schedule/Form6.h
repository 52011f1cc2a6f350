#pragma once

#include "ScheduleFile.h"

#include <QDateTime>
#include <QDialog>

#include <functional>

class QDateEdit;
class QLabel;
class QLineEdit;
class QTimeEdit;

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
    // OK: refuses a stop that is not after the start, otherwise makes the row and closes.
    void confirm();
    // The clock beside the buttons, once a second.
    void showClock();

private:
    QDateTime now() const;

    Clock clock_;
    ScheduleItem item_;

    QDateEdit *startDate_ = nullptr;
    QTimeEdit *startTime_ = nullptr;
    QDateEdit *stopDate_ = nullptr;
    QTimeEdit *stopTime_ = nullptr;
    QLineEdit *commentEdit_ = nullptr;
    QLabel *clockLabel_ = nullptr;
};

} // namespace pelvanto
