// The calibration dialog: a picture of what the user must do, an instruction, and a button
// that starts the zero (polarisation) or the white calibration on the instrument. Controls
// are named "ctl_<id>", the dialog "dlg_129".
//
// The main window's Calibration command (1001) is RunCalibration(); when the instrument is
// lost while it runs, the window calls EndCalibrationDialog().
#pragma once

#include <QDialog>
#include <string>

#include "core/instrument/CalibrationSequence.h"
#include "core/instrument/DialogInstrument.h"
#include "core/instrument/ErrorMng.h"
#include "corvexres/ResourceIds.h"

class QLabel;
class QPushButton;

namespace ombra::core {
class CWorkThread;
}

namespace ombra::ui {

class CCalibrationDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kPictureWidth = 230;
    static constexpr int kPictureHeight = 240;

    // `instrument`: the session's (InstrumentSession::Link()); the dialog holds none itself.
    CCalibrationDlg(const core::CalibrationStep &step, core::DialogInstrument &instrument, QWidget *parent = nullptr);
    ~CCalibrationDlg() override;

    // The calibrate button: runs the step; success closes with OK (the white calibration
    // first says so), failure is reported and the dialog stays open (a loss of the
    // instrument is told by the session, which ends the dialog).
    void OnCalibrate();
    // The skip button: closes with -7.
    void OnSkip();

    // Ends the dialog with result 0 (the instrument was lost).
    void EndLost();

    bool ZeroMode() const { return zeroMode_; }
    // The dialog being shown, if any.
    static CCalibrationDlg *Current();

private:
    void InitDialog();

    QLabel *picture_ = nullptr;
    std::string title_;
    std::string picturePath_;
    std::string message_;
    bool skipAllowed_ = false;
    bool zeroMode_ = false;
    core::DialogInstrument &instrument_;
    core::CErrorMng errorMng_;
    int32_t calibrationKind_ = core::calib::kWhiteKind;

    QLabel *messageLabel_ = nullptr;
    QPushButton *calibrateButton_ = nullptr;
    QPushButton *skipButton_ = nullptr;
    bool ended_ = false;
};

// The main window's Calibration command. Pauses `watcher` (may be null) for the whole run and
// resumes it at the end; shows the zero step when the polarisation setting is 1, then the
// white step. Afterwards the window repaints when `whiteShown` and sets its readyToMeasure
// when ready() (a cancelled white step leaves it as it was).
// The steps reach the instrument through `instrument` (the session's).
core::CalibrationOutcome RunCalibration(QWidget *parent, core::CWorkThread *watcher, core::DialogInstrument &instrument);
// The same with the polarisation setting and the folder of the pictures given.
core::CalibrationOutcome RunCalibration(QWidget *parent, core::CWorkThread *watcher, int polarization,
                                  const std::string &programDir, core::DialogInstrument &instrument);

// True while RunCalibration runs (the window's calibrationDialogOpen).
bool IsCalibrationDialogOpen();
// Instrument lost: ends the dialog being shown with result 0, so the run stops there.
// Returns true when a calibration run was under way.
bool EndCalibrationDialog();

}  // namespace ombra::ui
