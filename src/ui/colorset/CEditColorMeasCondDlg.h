// The measurement-condition page of the colour-set editor (template 138): set name (1035),
// measurement condition (1036), illuminant (1037), observer (1038), difference formula (1039)
// with its factors (1040..1042), condition mode (1043), polarisation (1044), tone measurement
// condition (1094), tone setting (1095) and tone factor (1096). Controls are named
// "ctl_<id>", the page "dlg_138".
#pragma once

#include <array>

#include "colorset/ColorSetPage.h"
#include "colorset/MeasCondPageLogic.h"
#include "UiLayer.h"

class QComboBox;

namespace ombra::ui {

class NameEdit;
class NumericEdit;

class CEditColorMeasCondDlg : public ColorSetPage {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 138;
    static constexpr int kNameId = 1035;
    static constexpr int kConditionId = 1036;
    static constexpr int kIlluminantId = 1037;
    static constexpr int kObserverId = 1038;
    static constexpr int kFormulaId = 1039;
    static constexpr std::array<int, 3> kFactorIds{1040, 1041, 1042};
    static constexpr int kModeId = 1043;
    static constexpr int kPolarizationId = 1044;
    static constexpr int kToneConditionId = 1094;
    static constexpr int kToneSettingId = 1095;
    static constexpr int kToneFactorId = 1096;

    CEditColorMeasCondDlg(CConfiguration &configuration, int slot, QWidget *parent = nullptr);

    void LoadFromSlot() override;
    bool StoreToSlot() override;

    const meascond::Form &Form() const { return form_; }

private:
    void CreateControls();
    QComboBox *AddChoice(int id);
    void FillControls();
    void FillConditionChoices();
    void ApplyFactorEdits();
    void OnChoice(int id, int position);

    meascond::Form form_;
    bool settingUp_ = true;
    NameEdit *name_ = nullptr;
    std::array<NumericEdit *, 3> factors_{};
    NumericEdit *toneFactor_ = nullptr;
    QComboBox *condition_ = nullptr, *illuminant_ = nullptr, *observer_ = nullptr, *formula_ = nullptr,
              *mode_ = nullptr, *polarization_ = nullptr, *toneCondition_ = nullptr, *toneSetting_ = nullptr;
    std::vector<meascond::ChoiceEntry> conditionEntries_, toneConditionEntries_;
};

}  // namespace ombra::ui
