// The tone-data page of the colour-set editor (template 185): the 8 tone entries in list 1090,
// enter (1093), delete (1091) and delete all (1092), and the mid-tone spread: on/off (1357),
// step (radio buttons 1354..1356), three tone entries (1358..1360) and tolerance (1361), under
// heading 1098. Controls are named "ctl_<id>", the page "dlg_185".
#pragma once

#include <array>

#include "core/colorset/ToneDataPageLogic.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/ColorSetPage.h"

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
    static constexpr std::array<int, 3> kStepIds{res::kCtlToneDataPageStep1, res::kCtlToneDataPageStep2,
                                                 res::kCtlToneDataPageStep3};
    static constexpr std::array<int, 3> kChoiceIds{res::kCtlToneDataPageChoice1, res::kCtlToneDataPageChoice2,
                                                   res::kCtlToneDataPageChoice3};

    CEditColorToneDataDlg(core::CConfiguration &configuration, int slot, QWidget *parent = nullptr);

    void LoadFromSlot() override;
    bool StoreToSlot() override;
    void Refresh() override;

    void OnEnterTone();
    void OnDeleteTone();
    void OnDeleteAllTones();

    const core::tonedata::MidTone &MidTone() const { return midTone_; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    core::ColorSet *Set() const;
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
    core::tonedata::ToneList filled_;
    core::tonedata::MidTone midTone_;
    bool settingUp_ = true;
};

}  // namespace ombra::ui
