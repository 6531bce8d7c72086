// The user illuminant editor: a relative spectral power distribution from a *.uid file, from
// the instrument's memory or from a measured light source; its illuminance, colour
// temperature and duv; saving it to a *.uid file and registering it in the instrument.
//
// Controls carry the object names "ctl_<id>": 1079 open, 1080 save, 1081 read from the
// instrument, 1082 register, 1083 measure, 1084..1086 result labels, 1087..1089 result values,
// 2 close. The dialog is "dlg_184".
//
// The main window runs it for its User illuminant command (only while connected) through
// RunUserIlluminantDlg(), which pauses the button-watch thread around the modal run.
#pragma once

#include <QDialog>
#include <string>

#include "core/illuminant/ColorCalculation.h"
#include "core/illuminant/UserIlluminantFile.h"
#include "core/instrument/DialogInstrument.h"
#include "core/instrument/ErrorMng.h"
#include "corvexres/ResourceIds.h"
#include "ui/controls/SpectrumPlot.h"

class QLabel;
class QPushButton;

namespace ombra::core {
class AppSettings;
class CWorkThread;
}

namespace ombra::ui {

class CUserIlluminantDlg : public QDialog {
    Q_OBJECT
public:
    // The extension the file dialogs propose.
    static constexpr const char *kDefaultExtension = "uid";

    // `instrument`: the session's (InstrumentSession::Link()); the dialog holds none itself.
    explicit CUserIlluminantDlg(core::DialogInstrument &instrument, QWidget *parent = nullptr);
    ~CUserIlluminantDlg() override;

    // --- Commands of the buttons ---
    void OnOpen();
    void OnSave();
    void OnReadFromInstrument();
    void OnRegister();
    void OnMeasure();

    const core::UserIlluminantRecord &Record() const { return record_; }
    const core::IlluminantResults &Results() const { return results_; }
    // The record's 97 values over 300..780 nm, drawn beside the controls.
    SpectrumPlot *Plot() const { return plot_; }

    // The texts shown for the three values (string 1196 for a missing value).
    static std::string IntegerText(float value, const char *unit);
    static std::string DuvText(float value);

private:
    void InitDialog();
    void CreateControls();
    QPushButton *addButton(int id, const QString &text);
    // Computes the values of the record; a failure shows its message and returns false.
    bool ComputeResults();
    void ShowResults();
    void HideResults();
    void PlotRecord();
    int Message(const std::string &text, unsigned flags);
    std::string MessageWithFile(int stringId, const std::string &path) const;

    // Members in the order of the editor's description.
    core::CErrorMng errorMng_;
    core::DialogInstrument &instrument_;
    core::AppSettings &settings_;
    std::string caption_;
    core::UserIlluminantRecord record_{};
    core::IlluminantResults results_{0, 0, 0};

    QLabel *resultControls_[res::kCtlUserIlluminantDuv - res::kCtlUserIlluminantIlluminanceLabel + 1] = {};
    SpectrumPlot *plot_ = nullptr;
};

// Runs the editor modally over `parent` (the main window's User illuminant command, 32772).
// `watcher` (the button-watch thread, may be null) is paused for the whole run and resumed
// afterwards, so the editor's instrument calls never interleave with the button poll. The
// editor reaches the instrument through `instrument` (the session's).
int RunUserIlluminantDlg(QWidget *parent, core::CWorkThread *watcher, core::DialogInstrument &instrument);

}  // namespace ombra::ui
