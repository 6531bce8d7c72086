#include "ui/controls/CCheckListCtrl.h"

#include <QAbstractItemView>
#include <algorithm>

namespace ombra::ui {

CCheckListCtrl::CCheckListCtrl(QWidget *parent) : QTableWidget(parent), head_(new CCheckHeadCtrl(this)) {
    setHorizontalHeader(head_);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(head_, &QHeaderView::sectionClicked, this, &CCheckListCtrl::OnHeaderClicked);
    connect(this, &QTableWidget::itemChanged, this, &CCheckListCtrl::OnItemChanged);
}

int CCheckListCtrl::InsertColumn(int column, const QString &heading, int width) {
    column = std::clamp(column, 0, columnCount());
    insertColumn(column);
    auto *item = new QTableWidgetItem(heading);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, item);
    setColumnWidth(column, width);
    return column;
}

int CCheckListCtrl::InsertItem(int row, const QString &text) {
    if (columnCount() == 0) return -1;
    row = std::clamp(row, 0, rowCount());
    insertRow(row);
    CellItem(row, 0)->setText(text);
    return row;
}

bool CCheckListCtrl::DeleteItem(int row) {
    if (row < 0 || row >= rowCount()) return false;
    removeRow(row);
    return true;
}

void CCheckListCtrl::DeleteAllItems() { setRowCount(0); }

QTableWidgetItem *CCheckListCtrl::CellItem(int row, int column) {
    QTableWidgetItem *cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        setItem(row, column, cell);
    }
    return cell;
}

bool CCheckListCtrl::SetItemText(int row, int column, const QString &text) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
    CellItem(row, column)->setText(text);
    return true;
}

QString CCheckListCtrl::GetItemText(int row, int column) const {
    const QTableWidgetItem *cell = item(row, column);
    return cell ? cell->text() : QString();
}

bool CCheckListCtrl::SetItemImage(int row, int column, const QIcon &image) {
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return false;
    CellItem(row, column)->setIcon(image);
    return true;
}

bool CCheckListCtrl::SetItemData(int row, qint64 data) {
    if (row < 0 || row >= rowCount() || columnCount() == 0) return false;
    CellItem(row, 0)->setData(Qt::UserRole, QVariant::fromValue(data));
    return true;
}

qint64 CCheckListCtrl::GetItemData(int row) const {
    const QTableWidgetItem *cell = item(row, 0);
    return cell ? cell->data(Qt::UserRole).toLongLong() : 0;
}

int CCheckListCtrl::GetSelectionMark() const {
    const QList<QTableWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

void CCheckListCtrl::SelectItem(int row) {
    if (row < 0 || row >= rowCount()) {
        clearSelection();
        return;
    }
    selectRow(row);
    setCurrentCell(row, 0);
}

void CCheckListCtrl::OnHeaderClicked(int) {
    if (!checkBoxMode_) return;
}

void CCheckListCtrl::OnItemChanged(QTableWidgetItem *) {
    if (!checkBoxMode_) return;
}

}  // namespace ombra::ui
