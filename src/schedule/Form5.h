#pragma once

#include "ScheduleCheck.h"
#include "ScheduleFile.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

#include <functional>

class QPushButton;
class QTimer;
class QTreeWidget;

namespace pelvanto {

class RecordingControl;

// "Schedule": the list of scheduled recordings and the once-a-second check
// that starts and stops them. Created hidden at start-up and kept for the
// program's whole life; "OK" and closing save the list and hide the window.
class Form5 : public QDialog {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // path empty: schedule.dat in the program folder. An empty clock reads the
    // system's local time.
    explicit Form5(RecordingControl &control, QWidget *parent = nullptr, Clock clock = {},
                   const QString &path = {});
    ~Form5() override;

    const QList<ScheduleItem> &items() const { return items_; }
    void addItem(const ScheduleItem &item);
    const ScheduleCheck &check() const { return check_; }

public slots:
    void Command1_Click(); // Add
    void Command2_Click(); // Remove
    void Command3_Click(); // Clear
    void Command4_Click(); // OK
    void Timer1_Timer();
    void reject() override; // closing saves like "OK"

private:
    void Form_Load();
    bool save();
    void showStatus(int row);

    QString path_;
    Clock clock_;
    QList<ScheduleItem> items_;
    QList<ScheduleItem> savedItems_; // as the file holds them
    bool loadFailed_ = false;
    ScheduleCheck check_;

    QTreeWidget *ListView1 = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QTimer *Timer1 = nullptr;
};

} // namespace pelvanto
