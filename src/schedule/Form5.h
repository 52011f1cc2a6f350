#pragma once

#include "ScheduleCheck.h"
#include "ScheduleFile.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

#include <functional>

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
    // "Add": the scheduler window; its accepted row joins the list.
    void addScheduledRecording();
    // "Remove": the selected row.
    void removeSelected();
    // "Clear": every row.
    void clearAll();
    // "OK": saves the list and hides the window.
    void saveAndHide();
    // The once-a-second check.
    void checkSchedule();
    void reject() override; // closing saves like "OK"

private:
    void load();
    bool save();
    void showStatus(int row);

    QString path_;
    Clock clock_;
    QList<ScheduleItem> items_;
    QList<ScheduleItem> savedItems_; // as the file holds them
    bool loadFailed_ = false;
    ScheduleCheck check_;

    QTreeWidget *scheduleList_ = nullptr;
};

} // namespace pelvanto
