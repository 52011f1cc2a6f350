#include "RecordedFilesView.h"

#include <QHeaderView>
#include <QTreeWidget>

namespace pelvanto {

namespace {
QStringList columns(const RecordedItem &item) {
    return {item.number, item.path, item.size, item.duration, item.recordTime};
}
} // namespace

RecordedFilesView::RecordedFilesView(QTreeWidget *view, QObject *parent)
    : QObject(parent), view_(view) {
    view_->setColumnCount(5);
    view_->setHeaderLabels(RecordedFiles::columnTitles());
    view_->setRootIsDecorated(false);
    view_->setUniformRowHeights(true);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setAllColumnsShowFocus(true);
    view_->header()->setStretchLastSection(true);
    view_->setColumnWidth(0, 40);
    view_->setColumnWidth(1, 300);
}

int RecordedFilesView::selectedIndex() const {
    QTreeWidgetItem *item = view_->currentItem();
    if (item == nullptr || !item->isSelected())
        return -1;
    return view_->indexOfTopLevelItem(item);
}

void RecordedFilesView::select(int index) {
    QTreeWidgetItem *item = view_->topLevelItem(index);
    view_->setCurrentItem(item);
    if (item != nullptr)
        item->setSelected(true);
}

QString RecordedFilesView::selectedPath() const {
    const int index = selectedIndex();
    return files_.isValidIndex(index) ? files_.items().at(index).path : QString();
}

void RecordedFilesView::append(const RecordedItem &item) {
    files_.append(item);
    view_->addTopLevelItem(new QTreeWidgetItem(columns(item)));
}

void RecordedFilesView::clear() {
    files_.clear();
    view_->clear();
}

void RecordedFilesView::refresh() {
    const int current = selectedIndex();
    view_->clear();
    QList<QTreeWidgetItem *> rows;
    for (const RecordedItem &item : files_.items())
        rows.append(new QTreeWidgetItem(columns(item)));
    view_->addTopLevelItems(rows);
    if (files_.isValidIndex(current))
        select(current);
}

} // namespace pelvanto
