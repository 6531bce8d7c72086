#include "ui/colorset/CEditColorDataDlg.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/colorset/Configuration.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/CColorDataEditScreenDlg.h"
#include "ui/colorset/ColorSetFieldEdits.h"
#include "ui/controls/CCheckListCtrl.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {

CEditColorDataDlg::CEditColorDataDlg(core::CConfiguration &configuration, int slot, QWidget *parent)
    : ColorSetPage(configuration, slot, parent) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgColorDataPage));
    setWindowTitle(core::platform::ResQString(res::kStrColours));  // the tab text
    CreateControls();
    LoadFromSlot();
}

void CEditColorDataDlg::CreateControls() {
    list_ = new CCheckListCtrl(this);
    list_->setObjectName(ColorSetControlName(res::kCtlColorDataPageList));
    list_->installEventFilter(this);
    paperChoice_ = new QComboBox(this);
    paperChoice_->setObjectName(ColorSetControlName(res::kCtlColorDataPagePaper));
    enter_ = ColorSetButton(this, res::kCtlColorDataPageEnter, core::platform::ResQString(res::kStrEnterEdit));
    delete_ = ColorSetButton(this, res::kCtlColorDataPageDelete, core::platform::ResQString(res::kStrDeleteButton));
    deleteAll_ = ColorSetButton(this, res::kCtlColorDataPageDeleteAll, core::platform::ResQString(res::kStrDeleteAll));
    connect(enter_, &QPushButton::clicked, this, &CEditColorDataDlg::OnEnterColor);
    connect(delete_, &QPushButton::clicked, this, &CEditColorDataDlg::OnDeleteColor);
    connect(deleteAll_, &QPushButton::clicked, this, &CEditColorDataDlg::OnDeleteAllColors);
    connect(paperChoice_, &QComboBox::currentIndexChanged, this, &CEditColorDataDlg::OnPaperChanged);
    connect(list_, &QTableWidget::itemSelectionChanged, this, &CEditColorDataDlg::UpdateButtons);
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { OnEnterColor(); });

    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(core::platform::ResQString(res::kStrPaperColour), this));
    row->addWidget(paperChoice_);
    row->addStretch();
    row->addWidget(enter_);
    row->addWidget(delete_);
    row->addWidget(deleteAll_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(row);
    for (const core::colordata::Column &c : core::colordata::Columns(0))
        list_->InsertColumn(list_->GetColumnCount(), core::platform::ResQString(c.headerId), c.width);
    for (int i = 0; i < list_->GetColumnCount(); ++i)
        if (QTableWidgetItem *h = list_->horizontalHeaderItem(i)) h->setTextAlignment(Qt::AlignCenter);
}

core::ColorSet *CEditColorDataDlg::Set() const { return Configuration().Slot(SlotNumber()); }

void CEditColorDataDlg::LoadFromSlot() {
    FillList();
    FillPaperChoice();
    UpdateButtons();
}

bool CEditColorDataDlg::StoreToSlot() {
    if (core::ColorSet *set = Set()) core::colordata::StoreColorList(filled_, paper_, *set);
    return true;
}

void CEditColorDataDlg::Refresh() {
    FillList();
    list_->setFocus();
    SelectRow(0);
    UpdateButtons();
}

void CEditColorDataDlg::showEvent(QShowEvent *event) {
    ColorSetPage::showEvent(event);
    Refresh();
}

void CEditColorDataDlg::FillList() {
    const core::ColorSet *set = Set();
    core::ColorSet empty;
    const core::ColorSet &source = set ? *set : empty;
    filled_ = core::colordata::FillColorList(source);
    QSignalBlocker block(list_);
    list_->DeleteAllItems();
    QTableWidgetItem *header = list_->horizontalHeaderItem(core::colordata::kColumns - 1);
    if (header) header->setText(core::platform::ResQString(core::colordata::FourthToleranceHeader(source.differenceFormula)));
    for (int k = 0; k < core::kColorSetColors; ++k) {
        list_->InsertItem(k, QString::fromStdString(filled_.rows[k][0]));
        for (int c = 1; c < core::colordata::kColumns; ++c)
            list_->SetItemText(k, c, QString::fromStdString(filled_.rows[k][c]));
        for (int c = 0; c < core::colordata::kColumns; ++c)
            if (QTableWidgetItem *item = list_->item(k, c)) item->setTextAlignment(Qt::AlignCenter);
    }
    paper_ = source.paperColor + 1;
}

void CEditColorDataDlg::FillPaperChoice() {
    QSignalBlocker block(paperChoice_);
    paperChoice_->clear();
    paperChoice_->addItem(core::platform::ResQString(res::kStrPaperNone));
    for (int k = 1; k <= core::kColorSetColors; ++k) paperChoice_->addItem(QString::number(k));
    paperChoice_->setCurrentIndex(paper_ >= 0 && paper_ <= core::kColorSetColors ? paper_ : 0);
}

void CEditColorDataDlg::UpdateButtons() {
    const core::ColorSet *set = Set();
    int row = SelectedRow();
    delete_->setEnabled(set && row >= 0 && core::colordata::ColorDefined(*set, row));
    bool any = set && core::colordata::AnyColorDefined(*set);
    deleteAll_->setEnabled(any);
    // The editor can save or send the set only while it has a colour.
    for (int id : {res::kCtlColorSetEditorSave, res::kCtlColorSetEditorSend})
        if (auto *b = window()->findChild<QPushButton *>(ColorSetControlName(id))) b->setEnabled(any);
}

int CEditColorDataDlg::SelectedRow() const { return list_->GetSelectionMark(); }

void CEditColorDataDlg::SelectRow(int row) {
    list_->SelectItem(row);
    UpdateButtons();
}

void CEditColorDataDlg::OnEnterColor() {
    int k = std::max(SelectedRow(), 0);
    CColorDataEditScreenDlg entry(Configuration(), SlotNumber(), k, this);
    if (entry.exec() == QDialog::Accepted) {
        FillList();
        FillPaperChoice();
    }
    SelectRow(k);
}

void CEditColorDataDlg::OnDeleteColor() {
    core::ColorSet *set = Set();
    int k = SelectedRow();
    if (!set || k < 0) return;
    auto notice = [this](int id, unsigned flags) {
        return platform::ShowNotice(this, core::MakeNotice(id, res::kStrMessageCaption, flags));
    };
    if (notice(res::kStrDeleteColourQuestion, core::platform::mb::OKCANCEL) != core::platform::mb::IDOK) {
        SelectRow(k);
        return;
    }
    core::colordata::DeleteColor(*set, k);
    FillList();
    notice(res::kStrColourDataDeleted, core::platform::mb::OK);
    SelectRow(k);
    FillPaperChoice();
}

void CEditColorDataDlg::OnDeleteAllColors() {
    core::ColorSet *set = Set();
    if (!set) return;
    auto notice = [this](int id, unsigned flags) {
        return platform::ShowNotice(this, core::MakeNotice(id, res::kStrMessageCaption, flags));
    };
    if (notice(res::kStrDeleteAllColoursQuestion, core::platform::mb::OKCANCEL) != core::platform::mb::IDOK) {
        SelectRow(SelectedRow());
        return;
    }
    core::colordata::DeleteAllColors(*set);
    FillList();
    notice(res::kStrColourDataDeleted, core::platform::mb::OK);
    SelectRow(0);
    FillPaperChoice();
}

void CEditColorDataDlg::OnPaperChanged(int chosen) {
    core::ColorSet *set = Set();
    if (!set || chosen < 0) return;
    paper_ = core::colordata::ChangePaperChoice(*set, paper_, chosen, platform::NoticeSinkFor(this));
    if (paper_ != chosen) {
        QSignalBlocker block(paperChoice_);
        paperChoice_->setCurrentIndex(paper_);
        paperChoice_->setFocus();
    }
    StoreToSlot();
}

bool CEditColorDataDlg::eventFilter(QObject *watched, QEvent *event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        int row = SelectedRow();
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            // The selection stays inside the list.
            int next = key->key() == Qt::Key_Up ? std::max(row - 1, 0) : std::min(row + 1, core::kColorSetColors - 1);
            SelectRow(next);
            return true;
        }
    }
    return ColorSetPage::eventFilter(watched, event);
}

}  // namespace ombra::ui
