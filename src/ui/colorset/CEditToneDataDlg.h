// The entry dialog for one tone entry (template 186): its colour (1371) and, for each of its
// three steps, whether the step is used (1372, 1376, 1380), its tint (1373, 1377, 1381), aim
// (1374, 1378, 1382) and tolerance (1375, 1379, 1383). OK (1) writes the entry into the slot
// and is refused while no colour is chosen; Cancel (2) leaves the slot as it was. Enter and
// Escape do nothing. Controls are named "ctl_<id>", the dialog "dlg_186".
#pragma once

#include <QDialog>
#include <array>

#include "core/colorset/ToneDataPageLogic.h"
#include "corvexres/ResourceIds.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace ombra::core {
class CConfiguration;
}

namespace ombra::ui {

class NumericEdit;

class CEditToneDataDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> kStepCheckIds{res::kCtlToneEntryStep1Check, res::kCtlToneEntryStep2Check,
                                                      res::kCtlToneEntryStep3Check};
    static constexpr std::array<int, 3> kTintIds{res::kCtlToneEntryStep1Tint, res::kCtlToneEntryStep2Tint,
                                                 res::kCtlToneEntryStep3Tint};
    static constexpr std::array<int, 3> kAimIds{res::kCtlToneEntryStep1Aim, res::kCtlToneEntryStep2Aim,
                                                res::kCtlToneEntryStep3Aim};
    static constexpr std::array<int, 3> kToleranceIds{res::kCtlToneEntryStep1Tolerance,
                                                      res::kCtlToneEntryStep2Tolerance,
                                                      res::kCtlToneEntryStep3Tolerance};

    CEditToneDataDlg(core::CConfiguration &configuration, int slot, int entry, QWidget *parent = nullptr);

    void accept() override;
    const core::tonedata::ToneEntryForm &Form() const { return form_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CreateControls();
    void InitDialog();
    void OnStepChecked(int s);
    void OnColorChosen(int position);

    core::CConfiguration &configuration_;
    int slot_;
    int entry_;
    core::tonedata::ToneEntryForm form_;
    QLabel *caption_ = nullptr;
    QComboBox *color_ = nullptr;
    QPushButton *ok_ = nullptr;
    std::array<QCheckBox *, 3> stepChecks_{};
    std::array<NumericEdit *, 3> tints_{}, aims_{}, tolerances_{};
};

}  // namespace ombra::ui
