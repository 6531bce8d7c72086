// The tone-data page of the colour-set editor (template 185): the 8 tone entries in list 1090,
// enter (1093), delete (1091) and delete all (1092), and the mid-tone spread: on/off (1357),
// step (radio buttons 1354..1356), three tone entries (1358..1360) and tolerance (1361), under
// heading 1098. Controls are named "ctl_<id>", the page "dlg_185".
#pragma once

#include <array>

#include "colorset/ColorSetPage.h"
#include "colorset/ToneDataPageLogic.h"
#include "UiLayer.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace ombra::ui {

class CCheckListCtrl;
class NumericEdit;

class CEditColorToneDataDlg : public ColorSetPage {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 185;
    static constexpr int kListId = 1090;
    static constexpr int kEnterId = 1093;
    static constexpr int kDeleteId = 1091;
    static constexpr int kDeleteAllId = 1092;
    static constexpr int kMidToneOnId = 1357;
    static constexpr std::array<int, 3> kStepIds{1354, 1355, 1356};
    static constexpr std::array<int, 3> kChoiceIds{1358, 1359, 1360};
    static constexpr int kToleranceId = 1361;
    static constexpr int kHeadingId = 1098;

    CEditColorToneDataDlg(CConfiguration &configuration, int slot, QWidget *parent = nullptr);

    void LoadFromSlot() override;
    bool StoreToSlot() override;
    void Refresh() override;

    void OnEnterTone();
    void OnDeleteTone();
    void OnDeleteAllTones();

    const tonedata::MidTone &MidTone() const { return midTone_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    ColorSet *Set() const;
    // Fills the list; `loading` also takes the mid-tone spread from the slot.
    void FillList(bool loading);
    void WidenColumnsToHeadings();
    void ShowCutValuesInTooltips();
    void FillChoices();
    void EnableMidToneControls();
    void UpdateButtons();
    void SelectRow(int row);
    void OnStep(int step);
    void OnMidToneOn(bool on);
    void OnChoice(int position, int chosen);

    CCheckListCtrl *list_ = nullptr;
    QPushButton *enter_ = nullptr, *delete_ = nullptr, *deleteAll_ = nullptr;
    QCheckBox *midToneOn_ = nullptr;
    std::array<QRadioButton *, 3> steps_{};
    std::array<QComboBox *, 3> choices_{};
    NumericEdit *tolerance_ = nullptr;
    QLabel *heading_ = nullptr;
    tonedata::ToneList filled_;
    tonedata::MidTone midTone_;
    bool settingUp_ = true;
};

}  // namespace ombra::ui
