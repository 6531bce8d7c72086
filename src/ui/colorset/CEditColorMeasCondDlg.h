// The measurement-condition page of the colour-set editor (template 138): set name (1035),
// measurement condition (1036), illuminant (1037), observer (1038), difference formula (1039)
// with its factors (1040..1042), condition mode (1043), polarisation (1044), tone measurement
// condition (1094), tone setting (1095) and tone factor (1096). Controls are named
// "ctl_<id>", the page "dlg_138".
#pragma once

#include <array>

#include "core/colorset/MeasCondPageLogic.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/ColorSetPage.h"

class QComboBox;

namespace ombra::ui {

class NameEdit;
class NumericEdit;

class CEditColorMeasCondDlg : public ColorSetPage {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> kFactorIds{res::kCtlMeasCondPageFactor1, res::kCtlMeasCondPageFactor2,
                                                   res::kCtlMeasCondPageFactor3};

    CEditColorMeasCondDlg(core::CConfiguration &configuration, int slot, QWidget *parent = nullptr);

    void LoadFromSlot() override;
    bool StoreToSlot() override;

    const core::meascond::Form &Form() const { return form_; }

private:
    void CreateControls();
    QComboBox *AddChoice(int id);
    void FillControls();
    void FillConditionChoices();
    void ApplyFactorEdits();
    void OnChoice(int id, int position);

    core::meascond::Form form_;
    bool settingUp_ = true;
    NameEdit *name_ = nullptr;
    std::array<NumericEdit *, 3> factors_{};
    NumericEdit *toneFactor_ = nullptr;
    QComboBox *condition_ = nullptr, *illuminant_ = nullptr, *observer_ = nullptr, *formula_ = nullptr,
              *mode_ = nullptr, *polarization_ = nullptr, *toneCondition_ = nullptr, *toneSetting_ = nullptr;
    std::vector<core::meascond::ChoiceEntry> conditionEntries_, toneConditionEntries_;
};

}  // namespace ombra::ui
