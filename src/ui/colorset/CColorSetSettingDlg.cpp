#include "ui/colorset/CColorSetSettingDlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/colorset/ColorSetEditing.h"
#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/CEditColorSetDlg.h"
#include "ui/controls/CCheckListCtrl.h"
#include "ui/platform/MessageBox.h"
#include "ui/platform/WaitCursor.h"

namespace ombra::ui {
namespace {

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

int execEditor(CEditColorSetDlg &editor) { return editor.exec(); }

}  // namespace

CColorSetSettingDlg::CColorSetSettingDlg(QWidget *parent, ColorSetPageFactory pages)
    : QDialog(parent), pages_(std::move(pages)), runEditor_(execEditor) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgColorSets));
    CreateControls();
    errorMng_.Init(platform::NoticeSinkFor(this));
}

CColorSetSettingDlg::~CColorSetSettingDlg() = default;

void CColorSetSettingDlg::CreateControls() {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrColorSetsTitle));
    list_ = new CCheckListCtrl(this);
    list_->setObjectName(controlName(res::kCtlColorSetsList));
    list_->setMinimumSize(300, 320);

    auto addButton = [this](int id, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(controlName(id));
        button->setAutoDefault(false);
        return button;
    };
    edit_ = addButton(res::kCtlColorSetsEdit, core::platform::ResQString(res::kStrEdit));
    clear_ = addButton(res::kCtlColorSetsClear, core::platform::ResQString(res::kStrClear));
    clearAll_ = addButton(res::kCtlColorSetsClearAll, core::platform::ResQString(res::kStrClearAll));
    QPushButton *ok = addButton(1, core::platform::ResQString(res::kStrOk));
    QPushButton *cancel = addButton(2, core::platform::ResQString(res::kStrCancel));
    ok->setDefault(true);
    connect(edit_, &QPushButton::clicked, this, &CColorSetSettingDlg::OnEdit);
    connect(clear_, &QPushButton::clicked, this, &CColorSetSettingDlg::OnClear);
    connect(clearAll_, &QPushButton::clicked, this, &CColorSetSettingDlg::OnClearAll);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // Clicks, the arrow keys and a deselecting ctrl-click all end here.
    connect(list_, &QTableWidget::itemSelectionChanged, this, &CColorSetSettingDlg::UpdateButtons);

    auto *side = new QVBoxLayout;
    side->addWidget(edit_);
    side->addWidget(clear_);
    side->addWidget(clearAll_);
    side->addStretch(1);
    side->addWidget(ok);
    side->addWidget(cancel);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(side);
}

void CColorSetSettingDlg::showEvent(QShowEvent *event) {
    if (!initialized_) InitDialog();
    QDialog::showEvent(event);
}

void CColorSetSettingDlg::InitDialog() {
    initialized_ = true;
    if (list_->GetColumnCount() == 0) {
        layout()->activate();
        const int nameWidth = std::max(list_->viewport()->width(), list_->minimumWidth()) - kNameColumnMargin;
        list_->InsertColumn(0, QString(), kNumberColumnWidth);
        list_->InsertColumn(1, core::platform::ResQString(res::kStrColourSetName), nameWidth);
        for (int column = 0; column < 2; ++column)
            list_->horizontalHeaderItem(column)->setTextAlignment(Qt::AlignCenter);
    }
    FillList();
    list_->SelectItem(0);
    UpdateButtons();
}

void CColorSetSettingDlg::FillList() {
    list_->DeleteAllItems();
    int row = 0;
    for (const core::colorsets::SlotRow &slot : core::colorsets::SlotRows(configuration_)) {
        list_->InsertItem(row, QString::fromStdString(slot.number));
        list_->SetItemText(row, 1, QString::fromStdString(slot.name));
        for (int column = 0; column < 2; ++column) list_->item(row, column)->setTextAlignment(Qt::AlignCenter);
        ++row;
    }
}

int CColorSetSettingDlg::SelectedSlot() const {
    const int row = list_->GetSelectionMark();
    return row >= 0 && configuration_.Slot(row) ? row : -1;
}

void CColorSetSettingDlg::UpdateButtons() {
    // Nothing selected (a ctrl-click deselects): there is no slot to edit or clear.
    const int slot = SelectedSlot();
    edit_->setEnabled(slot >= 0);
    clear_->setEnabled(slot >= 0 && configuration_.Slot(slot)->registered);
    clearAll_->setEnabled(configuration_.AnyRegistered());
}

void CColorSetSettingDlg::Reselect(int row) {
    list_->setFocus();
    list_->SelectItem(row);
    UpdateButtons();
}

int CColorSetSettingDlg::Message(const std::string &text, unsigned flags) {
    return platform::ShowMessageBox(this, text, core::platform::ResString(res::kStrMessageCaption), flags);
}

// ---- commands ----

void CColorSetSettingDlg::OnEdit() {
    const int slot = SelectedSlot();
    if (slot < 0) return;
    const core::ColorSet backup = *configuration_.Slot(slot);
    int result = QDialog::Rejected;
    {
        CEditColorSetDlg editor(configuration_, slot, this, pages_);
        editor.SetLossJudge(lossJudge_);
        result = runEditor_(editor);
    }
    if (result == QDialog::Accepted) {
        FillList();  // the slot was sent: its name may have changed, it is registered now
    } else {
        // Cancel undoes everything done in the editor, a file loaded into it included.
        *configuration_.Slot(slot) = backup;
    }
    Reselect(slot);
}

void CColorSetSettingDlg::OnClear() {
    const int slot = SelectedSlot();
    if (slot < 0) return;
    const std::string name = list_->GetItemText(slot, 1).toStdString();
    if (Message(core::colorsets::ClearOneQuestion(name), core::platform::mb::OKCANCEL) == core::platform::mb::IDOK) {
        if (int32_t status = core::colorsets::ClearSlot(configuration_, slot)) {
            errorMng_.Report(status);
        } else {
            FillList();
            Message(core::platform::ResString(res::kStrColourSetsCleared), core::platform::mb::ICONINFORMATION);
        }
    }
    Reselect(slot);
}

void CColorSetSettingDlg::OnClearAll() {
    if (Message(core::platform::ResString(res::kStrClearAllColourSetsQuestion), core::platform::mb::OKCANCEL) != core::platform::mb::IDOK) {
        Reselect(list_->GetSelectionMark());
        return;
    }
    platform::WaitCursor wait;
    if (int32_t status = core::colorsets::ClearAllRegistered(configuration_)) {
        // The list keeps its contents, although the slots before the failing one are
        // already gone from the instrument.
        wait.End();
        errorMng_.Report(status);
        return;
    }
    wait.End();
    Message(core::platform::ResString(res::kStrColourSetsCleared), core::platform::mb::ICONINFORMATION);
    FillList();
    Reselect(0);
}

void CColorSetSettingDlg::SetLossJudge(core::LossJudge judge) {
    lossJudge_ = std::move(judge);
    errorMng_.Init(platform::NoticeSinkFor(this), lossJudge_);
}

// ---- the main window's command ----

int32_t RunColorSets(QWidget *parent, core::CWorkThread *watcher, core::InstrumentLink *link, ColorSetPageFactory pages) {
    struct PausedWatcher {
        core::CWorkThread *watcher;
        explicit PausedWatcher(core::CWorkThread *w) : watcher(w) {
            if (watcher) watcher->Pause();
        }
        ~PausedWatcher() {
            if (watcher) watcher->Resume();
        }
    } paused(watcher);
    const core::LossJudge judge = link ? link->Judge() : core::LossJudge{};
    platform::WaitCursor wait;
    CColorSetSettingDlg dialog(parent, std::move(pages));
    dialog.SetLossJudge(judge);
    dialog.Configuration().SetInstrument(link);
    const int32_t status = dialog.Configuration().ReadAllFromInstrument();
    // The dialog and its editor run with the normal cursor, as does the error message.
    wait.End();
    if (status != 0) {
        core::CErrorMng errors;
        errors.Init(platform::NoticeSinkFor(parent), judge);
        errors.Report(status);
        return status;
    }
    dialog.exec();
    return 0;
}

}  // namespace ombra::ui
