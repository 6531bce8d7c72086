#include "colorset/CEditColorSetDlg.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "colorset/ColorSetEditing.h"
#include "colorset/ColorSetFieldEdits.h"
#include "colorset/ColorSetPage.h"
#include "colorset/Configuration.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"
#include "platform/PostedMessage.h"
#include "platform/Resources.h"
#include "platform/UserFolders.h"
#include "UiLayer.h"
#include "corvexres/ResourceIds.h"

namespace ombra::ui {
namespace {

QString controlName(int id) { return QStringLiteral("ctl_%1").arg(id); }

platform::FileDialogRequest colorSetFileRequest() {
    platform::FileDialogRequest request;
    request.filter = platform::ResString(res::kStrColourSetFilter);
    request.startFolder = platform::UserFilesFolder(platform::UserFiles::ColorSets);
    request.createStartFolder = true;
    return request;
}

}  // namespace

CEditColorSetDlg::CEditColorSetDlg(CConfiguration &configuration, int slot, QWidget *parent,
                                   const ColorSetPageFactory &pages)
    : QDialog(parent), configuration_(configuration), slot_(slot) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgColorSetEditor));
    CreateControls();
    pages_ = pages(configuration_, slot_, this);
    InitDialog();
}

CEditColorSetDlg::~CEditColorSetDlg() = default;

void CEditColorSetDlg::SetLossJudge(LossJudge judge) { errorMng_.Init(platform::NoticeSinkFor(this), std::move(judge)); }

void CEditColorSetDlg::CreateControls() {
    setWindowTitle(platform::ResWindowTitle(res::kStrEditColorSetTitle));
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
    QPushButton *send = addButton(res::kCtlColorSetEditorSend, platform::ResQString(res::kStrSend));
    QPushButton *load = addButton(res::kCtlColorSetEditorLoad, platform::ResQString(res::kStrLoad));
    QPushButton *save = addButton(res::kCtlColorSetEditorSave, platform::ResQString(res::kStrSave));
    QPushButton *ok = addButton(1, platform::ResQString(res::kStrOk));
    QPushButton *cancel = addButton(2, platform::ResQString(res::kStrCancel));
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
    caption_->setText(QString::fromStdString(colorsets::EditorCaption(slot_)));
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
        platform::PostAppMessage(pages_[index], ColorSetPage::kColorDataRefreshMessage);
    else if (index == kToneDataTab)
        platform::PostAppMessage(pages_[index], ColorSetPage::kToneDataRefreshMessage);
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
    std::optional<Notice> problem = colorsets::MidToneSpreadNotice(configuration_, slot_);
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
    Message(MakeNotice(res::kStrColourSetSent, res::kStrMessageCaption, platform::mb::ICONINFORMATION));
    // Accepted, never 0: the toolkit's Cancel result is 0, and only a sent slot may stay
    // as the editor left it.
    done(QDialog::Accepted);
}

void CEditColorSetDlg::OnLoad() {
    std::optional<std::string> path = platform::ShowFileDialog(this, colorSetFileRequest());
    if (!path) return;
    if (configuration_.LoadFromFile(*path, slot_) != 0) {
        const std::string name = QFileInfo(QString::fromStdString(*path)).fileName().toStdString();
        Message(MakeNotice(res::kStrFileUnreadable, res::kStrMessageCaption, platform::mb::ICONHAND, {name}));
        return;
    }
    for (ColorSetPage *page : pages_) page->LoadFromSlot();
}

void CEditColorSetDlg::OnSave() {
    if (!ExchangeAll() || !CheckMidToneSpread()) return;
    // Said before the file dialog, and in its own words: the file check would refuse the
    // pair, and "could not be written" would send the user looking at the folder.
    if (std::optional<Notice> mismatch = colorsets::PolarizationMismatchNotice(configuration_, slot_)) {
        Message(*mismatch);
        return;
    }
    platform::FileDialogRequest request = colorSetFileRequest();
    request.save = true;  // asks before overwriting an existing file
    request.defaultExtension = colorsets::kFileExtension;
    const ColorSet *set = configuration_.Slot(slot_);
    request.fileName = set ? colorsets::ProposedFileName(set->name) : std::string();
    std::optional<std::string> path = platform::ShowFileDialog(this, request);
    if (!path) return;
    if (configuration_.SaveToFile(*path, slot_))
        Message(MakeNotice(res::kStrFileSaved, res::kStrMessageCaption, platform::mb::ICONINFORMATION));
    else
        Message(MakeNotice(res::kStrFileNotWritten, res::kStrMessageCaption, platform::mb::ICONHAND, {*path}));
}

int CEditColorSetDlg::Message(const Notice &notice) { return platform::ShowNotice(this, notice); }

}  // namespace ombra::ui
