#include "ui/colorset/CEditColorSetDlg.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/colorset/ColorSetEditing.h"
#include "core/colorset/Configuration.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/platform/UserFolders.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/ColorSetFieldEdits.h"
#include "ui/colorset/ColorSetPage.h"
#include "ui/platform/FileDialog.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {
namespace {

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

platform::FileDialogRequest colorSetFileRequest() {
    platform::FileDialogRequest request;
    request.filter = core::platform::ResString(res::kStrColourSetFilter);
    request.startFolder = core::platform::UserFilesFolder(core::platform::UserFiles::ColorSets);
    request.createStartFolder = true;
    return request;
}

}  // namespace

CEditColorSetDlg::CEditColorSetDlg(core::CConfiguration &configuration, int slot, QWidget *parent,
                                   const ColorSetPageFactory &pages)
    : QDialog(parent), configuration_(configuration), slot_(slot) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgColorSetEditor));
    CreateControls();
    pages_ = pages(configuration_, slot_, this);
    InitDialog();
}

CEditColorSetDlg::~CEditColorSetDlg() = default;

void CEditColorSetDlg::SetLossJudge(core::LossJudge judge) { errorMng_.Init(platform::NoticeSinkFor(this), std::move(judge)); }

void CEditColorSetDlg::CreateControls() {
    setWindowTitle(core::platform::ResWindowTitle(res::kStrEditColorSetTitle));
    caption_ = new QLabel(this);
    caption_->setObjectName(controlName(res::kCtlColorSetEditorCaption));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(controlName(res::kCtlColorSetEditorTabs));

    auto addButton = [this](int id, const QString &text) {
        auto *button = new QPushButton(text, this);
        button->setObjectName(controlName(id));
        button->setAutoDefault(false);  // Enter presses nothing
        return button;
    };
    QPushButton *send = addButton(res::kCtlColorSetEditorSend, core::platform::ResQString(res::kStrSend));
    QPushButton *load = addButton(res::kCtlColorSetEditorLoad, core::platform::ResQString(res::kStrLoad));
    QPushButton *save = addButton(res::kCtlColorSetEditorSave, core::platform::ResQString(res::kStrSave));
    QPushButton *ok = addButton(1, core::platform::ResQString(res::kStrOk));
    QPushButton *cancel = addButton(2, core::platform::ResQString(res::kStrCancel));
    connect(send, &QPushButton::clicked, this, &CEditColorSetDlg::OnSend);
    connect(load, &QPushButton::clicked, this, &CEditColorSetDlg::OnLoad);
    connect(save, &QPushButton::clicked, this, &CEditColorSetDlg::OnSave);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(load);
    buttons->addWidget(save);
    buttons->addStretch(1);
    buttons->addWidget(send);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(caption_);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);
}

void CEditColorSetDlg::InitDialog() {
    errorMng_.Init(platform::NoticeSinkFor(this));
    for (ColorSetPage *page : pages_) {
        // Pages are embedded: their title becomes the tab's text.
        page->setWindowFlags(Qt::Widget);
        tabs_->addTab(page, page->windowTitle());
    }
    tabs_->setCurrentIndex(0);
    currentTab_ = 0;
    connect(tabs_, &QTabWidget::currentChanged, this, &CEditColorSetDlg::OnTabChanged);
    caption_->setText(QString::fromStdString(core::colorsets::EditorCaption(slot_)));
    findChild<QPushButton *>(controlName(1))->hide();
    for (ColorSetPage *page : pages_) page->LoadFromSlot();
    if (!pages_.empty()) pages_.front()->setFocus();
}

void CEditColorSetDlg::keyPressEvent(QKeyEvent *event) {
    // Key presses the pages' controls leave alone arrive here. Enter neither closes the
    // editor nor sends anything, and Escape does not cancel it: cancelling throws away every
    // change (a loaded file included), so only the Cancel button does that.
    if (!SwallowEnterAndEscape(event)) QDialog::keyPressEvent(event);
}

// ---- tabs ----

void CEditColorSetDlg::OnTabChanged(int index) {
    if (returningToTab_) return;
    const int left = currentTab_;
    if (left >= 0 && left < static_cast<int>(pages_.size()) && !pages_[left]->StoreToSlot()) {
        // The page left refused its data: the user stays on it.
        ShowTab(left);
        return;
    }
    currentTab_ = index;
    if (index < 0 || index >= static_cast<int>(pages_.size())) return;
    pages_[index]->setFocus();
    if (index == kColorDataTab)
        core::platform::PostAppMessage(pages_[index], ColorSetPage::kColorDataRefreshMessage);
    else if (index == kToneDataTab)
        core::platform::PostAppMessage(pages_[index], ColorSetPage::kToneDataRefreshMessage);
}

// Selects tab `index` without the exchange of a tab change.
void CEditColorSetDlg::ShowTab(int index) {
    returningToTab_ = true;
    tabs_->setCurrentIndex(index);
    returningToTab_ = false;
    currentTab_ = index;
    pages_[index]->setFocus();
}

bool CEditColorSetDlg::ExchangeAll() {
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i]->StoreToSlot()) continue;
        ShowTab(static_cast<int>(i));
        return false;
    }
    return true;
}

bool CEditColorSetDlg::CheckMidToneSpread() {
    std::optional<core::Notice> problem = core::colorsets::MidToneSpreadNotice(configuration_, slot_);
    if (!problem) return true;
    Message(*problem);
    return false;
}

// ---- commands ----

void CEditColorSetDlg::OnSend() {
    if (!ExchangeAll() || !CheckMidToneSpread()) return;
    if (int32_t status = configuration_.WriteToInstrument(slot_)) {
        errorMng_.Report(status);
        return;
    }
    Message(core::MakeNotice(res::kStrColourSetSent, res::kStrMessageCaption, core::platform::mb::ICONINFORMATION));
    // Accepted, never 0: the toolkit's Cancel result is 0, and only a sent slot may stay
    // as the editor left it.
    done(QDialog::Accepted);
}

void CEditColorSetDlg::OnLoad() {
    std::optional<std::string> path = platform::ShowFileDialog(this, colorSetFileRequest());
    if (!path) return;
    if (configuration_.LoadFromFile(*path, slot_) != 0) {
        const std::string name = QFileInfo(QString::fromStdString(*path)).fileName().toStdString();
        Message(core::MakeNotice(res::kStrFileUnreadable, res::kStrMessageCaption, core::platform::mb::ICONHAND, {name}));
        return;
    }
    for (ColorSetPage *page : pages_) page->LoadFromSlot();
}

void CEditColorSetDlg::OnSave() {
    if (!ExchangeAll() || !CheckMidToneSpread()) return;
    // Said before the file dialog, and in its own words: the file check would refuse the
    // pair, and "could not be written" would send the user looking at the folder.
    if (std::optional<core::Notice> mismatch = core::colorsets::PolarizationMismatchNotice(configuration_, slot_)) {
        Message(*mismatch);
        return;
    }
    platform::FileDialogRequest request = colorSetFileRequest();
    request.save = true;  // asks before overwriting an existing file
    request.defaultExtension = core::colorsets::kFileExtension;
    const core::ColorSet *set = configuration_.Slot(slot_);
    request.fileName = set ? core::colorsets::ProposedFileName(set->name) : std::string();
    std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return;
    if (configuration_.SaveToFile(*path, slot_))
        Message(core::MakeNotice(res::kStrFileSaved, res::kStrMessageCaption, core::platform::mb::ICONINFORMATION));
    else
        Message(core::MakeNotice(res::kStrFileNotWritten, res::kStrMessageCaption, core::platform::mb::ICONHAND, {*path}));
}

int CEditColorSetDlg::Message(const core::Notice &notice) { return platform::ShowNotice(this, notice); }

}  // namespace ombra::ui
