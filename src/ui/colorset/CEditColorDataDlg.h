// The colour-data page of the colour-set editor (template 139): the 15 colours of the slot in
// list 1051, the paper colour in choice 1065, and the commands to enter (1054), delete (1052)
// and delete all (1053) colours. Controls are named "ctl_<id>", the page "dlg_139".
#pragma once

#include "core/colorset/ColorDataPageLogic.h"
#include "ui/colorset/ColorSetPage.h"

class QComboBox;
class QPushButton;

namespace ombra::ui {

class CCheckListCtrl;

class CEditColorDataDlg : public ColorSetPage {
    Q_OBJECT
public:
    CEditColorDataDlg(core::CConfiguration &configuration, int slot, QWidget *parent = nullptr);

    void LoadFromSlot() override;
    bool StoreToSlot() override;
    void Refresh() override;

    void OnEnterColor();
    void OnDeleteColor();
    void OnDeleteAllColors();
    void OnPaperChanged(int chosen);

    int PaperChoice() const { return paper_; }

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void CreateControls();
    core::ColorSet *Set() const;
    void FillList();
    void FillPaperChoice();
    void UpdateButtons();
    void SelectRow(int row);
    int SelectedRow() const;

    CCheckListCtrl *list_ = nullptr;
    QComboBox *paperChoice_ = nullptr;
    QPushButton *enter_ = nullptr;
    QPushButton *delete_ = nullptr;
    QPushButton *deleteAll_ = nullptr;
    core::colordata::ColorList filled_;
    int paper_ = 0;  // 0 none, k colour k
};

}  // namespace ombra::ui
