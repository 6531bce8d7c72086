// The colour-set editor: one slot of the list dialog's CConfiguration on three tabbed pages
// (measurement conditions, colour data, tone data), with Send to the instrument, Load from
// and Save to a colour-set file. Pages change the slot in place; the list dialog keeps a
// backup and puts it back unless the editor ends Accepted, which it does only after the slot
// was sent. Enter and Escape do nothing in the editor: Cancel is the one way to discard.
//
// Controls carry the object names "ctl_<id>": 1034 tabs, 1066 caption, 1068 send, 1032 load,
// 1033 save, 1 OK (hidden), 2 cancel. The dialog is "dlg_137".
#pragma once

#include <QDialog>
#include <vector>

#include "core/instrument/ErrorMng.h"
#include "ui/colorset/ColorSetPages.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace ombra::core {
class CConfiguration;
struct Notice;
}

namespace ombra::ui {

class ColorSetPage;

class CEditColorSetDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kColorDataTab = 1;
    static constexpr int kToneDataTab = 2;

    CEditColorSetDlg(core::CConfiguration &configuration, int slot, QWidget *parent = nullptr,
                     const ColorSetPageFactory &pages = DefaultColorSetPages());
    ~CEditColorSetDlg() override;

    // Who judges a failed send as the instrument's loss (the session's link).
    void SetLossJudge(core::LossJudge judge);

    // --- Commands of the buttons ---
    void OnSend();  // ends Accepted once the slot is in the instrument
    void OnLoad();
    void OnSave();

    // Every page checks and stores its data into the slot; the first that refuses is brought
    // to the front and the exchange fails.
    bool ExchangeAll();
    // Shows the mid-tone spread message and fails when the slot's rule is inconsistent.
    bool CheckMidToneSpread();

    const std::vector<ColorSetPage *> &Pages() const { return pages_; }
    QTabWidget *Tabs() const { return tabs_; }
    int Slot() const { return slot_; }
    core::CConfiguration &Configuration() const { return configuration_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void CreateControls();
    void InitDialog();
    void OnTabChanged(int index);
    void ShowTab(int index);
    int Message(const core::Notice &notice);

    core::CConfiguration &configuration_;
    int slot_;
    std::vector<ColorSetPage *> pages_;
    int currentTab_ = 0;
    bool returningToTab_ = false;
    core::CErrorMng errorMng_;
    QTabWidget *tabs_ = nullptr;
    QLabel *caption_ = nullptr;
};

}  // namespace ombra::ui
