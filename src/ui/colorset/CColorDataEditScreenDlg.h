// The entry dialog for one colour of a colour set (template 144): name, L*a*b* (typed or
// measured with the instrument) and four tolerances with their check boxes. OK writes the
// colour into the slot; Cancel leaves the slot as it was. Enter and Escape do nothing.
//
// Controls: "ctl_1064" caption, 1055 name, 1056..1058 L*a*b*, 1063/1362/1363/1364 tolerance
// check boxes, 1059..1062 tolerance values, 1365..1368 their labels, 1097 Measure, 1 OK,
// 2 Cancel. The dialog is "dlg_144".
#pragma once

#include <QDialog>
#include <array>

#include "core/colorset/ColorDataPageLogic.h"
#include "core/instrument/ErrorMng.h"
#include "corvexres/ResourceIds.h"

class QCheckBox;
class QLabel;

namespace ombra::core {
class CConfiguration;
}

namespace ombra::ui {

class NameEdit;
class NumericEdit;

class CColorDataEditScreenDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> kLabIds{res::kCtlColorEntryLStar, res::kCtlColorEntryAStar,
                                                res::kCtlColorEntryBStar};
    static constexpr std::array<int, 4> kToleranceIds{res::kCtlColorEntryTolerance1, res::kCtlColorEntryTolerance2,
                                                      res::kCtlColorEntryTolerance3, res::kCtlColorEntryTolerance4};
    static constexpr std::array<int, 4> kCheckIds{res::kCtlColorEntryCheck1, res::kCtlColorEntryCheck2,
                                                  res::kCtlColorEntryCheck3, res::kCtlColorEntryCheck4};
    static constexpr std::array<int, 4> kLabelIds{res::kCtlColorEntryLabel1, res::kCtlColorEntryLabel2,
                                                  res::kCtlColorEntryLabel3, res::kCtlColorEntryLabel4};

    CColorDataEditScreenDlg(core::CConfiguration &configuration, int slot, int colorIndex, QWidget *parent = nullptr);
    ~CColorDataEditScreenDlg() override;

    void OnMeasure();
    // OK: every field checked, then the colour written into the slot.
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CreateControls();
    void InitDialog();
    void OnToleranceChecked(int t);

    core::CConfiguration &configuration_;
    int slot_;
    int colorIndex_;
    core::CErrorMng errorMng_;
    core::colordata::ColorEntryForm form_;
    QLabel *caption_ = nullptr;
    NameEdit *name_ = nullptr;
    std::array<NumericEdit *, 3> lab_{};
    std::array<NumericEdit *, 4> tolerances_{};
    std::array<QCheckBox *, 4> checks_{};
    std::array<QLabel *, 4> labels_{};
};

}  // namespace ombra::ui
