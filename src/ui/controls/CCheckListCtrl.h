// The report-style list of the dialogs (instruments, colour-set slots, colours, tone entries):
// columns with headings, one row per entry, grid lines, whole rows selected, images in any
// cell. Rows and columns are addressed by index as in a classic list control.
#pragma once

#include <QIcon>
#include <QTableWidget>
#include <QVariant>

#include "ui/controls/CCheckHeadCtrl.h"

namespace ombra::ui {

class CCheckListCtrl : public QTableWidget {
    Q_OBJECT
public:
    explicit CCheckListCtrl(QWidget *parent = nullptr);

    // Columns. Returns the index of the new column.
    int InsertColumn(int column, const QString &heading, int width);
    int GetColumnCount() const { return columnCount(); }

    // Rows. InsertItem returns the index of the new row (-1 when it cannot be added).
    int InsertItem(int row, const QString &text);
    bool DeleteItem(int row);
    void DeleteAllItems();
    int GetItemCount() const { return rowCount(); }

    bool SetItemText(int row, int column, const QString &text);
    QString GetItemText(int row, int column) const;
    bool SetItemImage(int row, int column, const QIcon &image);
    bool SetItemData(int row, qint64 data);
    qint64 GetItemData(int row) const;

    // The selected row, or -1. SelectItem(-1) clears the selection.
    int GetSelectionMark() const;
    void SelectItem(int row);

    CCheckHeadCtrl *HeadCtrl() const { return head_; }
    bool CheckBoxMode() const { return checkBoxMode_; }

private:
    // Check-box mode handlers: a click on the header's box or on a row's box. The mode is
    // never switched on in this program, so both return at once.
    void OnHeaderClicked(int section);
    void OnItemChanged(QTableWidgetItem *item);
    QTableWidgetItem *CellItem(int row, int column);

    CCheckHeadCtrl *head_;
    bool checkBoxMode_ = false;
};

}  // namespace ombra::ui
