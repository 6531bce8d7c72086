// The colour-set list: the instrument's 50 colour-set slots, one row each (number, set name),
// with Edit (the colour-set editor on the selected slot), Clear (the selected slot) and Clear
// all (every registered slot). The dialog owns the CConfiguration the editor works on; it is
// filled before the dialog opens and discarded when it closes.
//
// Controls carry the object names "ctl_<id>": 1050 list, 1029 edit, 1030 clear, 1031 clear
// all, 1 OK, 2 cancel. The dialog is "dlg_136".
//
// The main window's Colour sets command (1028) is RunColorSets().
#pragma once

#include <QDialog>
#include <functional>

#include "core/colorset/Configuration.h"
#include "core/instrument/ErrorMng.h"
#include "core/instrument/InstrumentLink.h"
#include "ui/colorset/ColorSetPages.h"

class QPushButton;

namespace ombra::core {
class CWorkThread;
}

namespace ombra::ui {

class CCheckListCtrl;
class CEditColorSetDlg;

class CColorSetSettingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kNumberColumnWidth = 40;
    static constexpr int kNameColumnMargin = 60;  // name column: the list's client width less this

    explicit CColorSetSettingDlg(QWidget *parent = nullptr, ColorSetPageFactory pages = DefaultColorSetPages());
    ~CColorSetSettingDlg() override;

    core::CConfiguration &Configuration() { return configuration_; }
    CCheckListCtrl *List() const { return list_; }

    // Fills the list from the collection and selects the first row. Runs when the dialog is
    // first shown; the collection must be filled before.
    void InitDialog();

    // --- Commands of the buttons ---
    void OnEdit();
    void OnClear();
    void OnClearAll();

    // Who judges a failed call as the instrument's loss (the session's link); the editor
    // gets it too.
    void SetLossJudge(core::LossJudge judge);

    // How the editor is run (exec() unless a test says otherwise); returns its result.
    using EditorRunner = std::function<int(CEditColorSetDlg &editor)>;
    void SetEditorRunner(EditorRunner runner) { runEditor_ = std::move(runner); }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void CreateControls();
    void FillList();
    // Edit and Clear follow the selection; Clear all follows whether any slot is registered.
    void UpdateButtons();
    void Reselect(int row);
    int SelectedSlot() const;
    int Message(const std::string &text, unsigned flags);

    CCheckListCtrl *list_ = nullptr;
    QPushButton *edit_ = nullptr;
    QPushButton *clear_ = nullptr;
    QPushButton *clearAll_ = nullptr;
    core::CConfiguration configuration_;
    core::CErrorMng errorMng_;
    core::LossJudge lossJudge_;
    ColorSetPageFactory pages_;
    EditorRunner runEditor_;
    bool initialized_ = false;
};

// The main window's Colour sets command: with the wait cursor and `watcher` (may be null)
// paused, reads every slot from the instrument; a failure is shown over `parent` (a loss by
// the session that `link` belongs to, when given) and no dialog opens. Otherwise the wait
// cursor ends and the list runs modally. `watcher` is resumed at the end. Returns the status
// of the reading (0: the list was shown).
int32_t RunColorSets(QWidget *parent, core::CWorkThread *watcher, core::InstrumentLink *link = nullptr,
                     ColorSetPageFactory pages = DefaultColorSetPages());

}  // namespace ombra::ui
