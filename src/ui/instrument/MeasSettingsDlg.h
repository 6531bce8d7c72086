// The measurement settings dialog: measurement type, measurement condition, density white
// reference, observer, illuminant and polarisation as six drop-down lists (controls
// "ctl_1012", "ctl_1004", "ctl_1005", "ctl_1006", "ctl_1007", "ctl_1071"; OK "ctl_1", Cancel
// "ctl_2"; the dialog "dlg_130"), and the readings per sample (spin box "readingsPerSample",
// 1..10: readings of one sample averaged into one measurement). The logic lives in
// MeasSettingsLogic.
//
// The main window's Measurement settings command (1002) is RunMeasurementSettings(); when the
// instrument is lost while it is shown, the window calls EndMeasurementSettingsDialog().
#pragma once

#include "core/instrument/InstrumentLink.h"

#include <QDialog>
#include <array>

#include "core/instrument/MeasSettingsLogic.h"

class QComboBox;
class QSpinBox;

namespace ombra::ui {

class CMeasSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // Takes the six list positions from `settings` and initialises (this probes the
    // instrument, so an instrument must be open).
    // `link`: the session's instrument, whose loss is told by the session.
    explicit CMeasSettingsDlg(QWidget *parent = nullptr, core::AppSettings &settings = core::Settings(),
                              core::InstrumentLink *link = nullptr);
    ~CMeasSettingsDlg() override;

    // OK: stores and sends the settings; stays open when the instrument refused the
    // condition or the illuminant.
    void OnOk();

    QComboBox *ListControl(core::SettingsList list) const { return controls_[static_cast<size_t>(list)]; }
    QSpinBox *ReadingsControl() const { return readings_; }
    int ReadingsPerSample() const;
    const core::MeasSettingsLogic &Logic() const { return logic_; }
    core::MeasSettingsLogic &Logic() { return logic_; }

    // Ends the dialog as cancelled; a later OK in progress no longer closes it with OK.
    void EndAsCancelled();

    // The dialog being shown, if any.
    static CMeasSettingsDlg *Current();

private:
    void BuildLayout(int readingsPerSample);
    void ShowLists();

    core::MeasSettingsLogic logic_;
    std::array<QComboBox *, core::kSettingsListCount> controls_{};
    QSpinBox *readings_ = nullptr;
    bool ended_ = false;
};

// The main window's Measurement settings command: shows the dialog modally with the
// settings' positions; after OK the positions in force are copied back into `settings`, and
// the readings per sample stored.
// Returns the dialog's result (QDialog::Accepted for OK). After OK the window sets its
// polarizationCondition to the polarisation position in force, runs its calibration-status check into
// readyToMeasure and repaints. The button-watch thread keeps running meanwhile.
int RunMeasurementSettings(QWidget *parent, core::AppSettings &settings = core::Settings(), core::InstrumentLink *link = nullptr);

// True while RunMeasurementSettings shows the dialog (the window's settingsDialogOpen).
bool IsMeasurementSettingsDialogOpen();
// Instrument lost: ends the dialog being shown as cancelled (nothing stored, nothing copied
// back). Returns true when one was shown.
bool EndMeasurementSettingsDialog();

}  // namespace ombra::ui
