#include "ui/colorset/CEditColorToneDataDlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/colorset/Configuration.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/CEditToneDataDlg.h"
#include "ui/colorset/ColorSetFieldEdits.h"
#include "ui/controls/CCheckListCtrl.h"
#include "ui/platform/MessageBox.h"

namespace ombra::ui {

CEditColorToneDataDlg::CEditColorToneDataDlg(core::CConfiguration &configuration, int slot, QWidget *parent)
    : ColorSetPage(configuration, slot, parent) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgToneDataPage));
    setWindowTitle(core::platform::ResQString(res::kStrTones));  // the tab text
    CreateControls();
    LoadFromSlot();
    settingUp_ = false;
}

void CEditColorToneDataDlg::CreateControls() {
    list_ = new CCheckListCtrl(this);
    list_->setObjectName(ColorSetControlName(res::kCtlToneDataPageList));
    for (const core::tonedata::Column &c : core::tonedata::Columns())
        list_->InsertColumn(list_->GetColumnCount(), core::platform::ResQString(c.headerId), c.width);
    // Headings are centred over their centred cells, as in the colour list.
    for (int i = 0; i < list_->GetColumnCount(); ++i)
        if (QTableWidgetItem *h = list_->horizontalHeaderItem(i)) h->setTextAlignment(Qt::AlignCenter);
    WidenColumnsToHeadings();
    enter_ = ColorSetButton(this, res::kCtlToneDataPageEnter, core::platform::ResQString(res::kStrEnterEdit));
    delete_ = ColorSetButton(this, res::kCtlToneDataPageDelete, core::platform::ResQString(res::kStrDeleteButton));
    deleteAll_ = ColorSetButton(this, res::kCtlToneDataPageDeleteAll, core::platform::ResQString(res::kStrDeleteAll));
    connect(enter_, &QPushButton::clicked, this, &CEditColorToneDataDlg::OnEnterTone);
    connect(delete_, &QPushButton::clicked, this, &CEditColorToneDataDlg::OnDeleteTone);
    connect(deleteAll_, &QPushButton::clicked, this, &CEditColorToneDataDlg::OnDeleteAllTones);
    connect(list_, &QTableWidget::itemSelectionChanged, this, &CEditColorToneDataDlg::UpdateButtons);

    heading_ = new QLabel(core::platform::ResQString(res::kStrToneDataHeading), this);
    heading_->setObjectName(ColorSetControlName(res::kCtlToneDataPageHeading));
    QFont font = heading_->font();
    font.setPointSizeF(font.pointSizeF() + 2);
    font.setWeight(QFont::Bold);
    heading_->setFont(font);
    midToneOn_ = new QCheckBox(core::platform::ResQString(res::kStrMidToneSpread), this);
    midToneOn_->setObjectName(ColorSetControlName(res::kCtlToneDataPageMidToneOn));
    connect(midToneOn_, &QCheckBox::toggled, this, &CEditColorToneDataDlg::OnMidToneOn);
    auto *group = new QButtonGroup(this);
    auto *rule = new QGridLayout;
    for (int s = 0; s < 3; ++s) {
        steps_[s] = new QRadioButton(core::platform::ResQString(res::kStrStep).arg(s + 1), this);
        steps_[s]->setObjectName(ColorSetControlName(kStepIds[s]));
        group->addButton(steps_[s], s);
        rule->addWidget(steps_[s], 0, s);
        choices_[s] = new QComboBox(this);
        choices_[s]->setObjectName(ColorSetControlName(kChoiceIds[s]));
        rule->addWidget(choices_[s], 1, s);
        connect(steps_[s], &QRadioButton::clicked, this, [this, s] { OnStep(s); });
        connect(choices_[s], &QComboBox::activated, this, [this, s](int chosen) { OnChoice(s, chosen); });
    }
    tolerance_ = new NumericEdit(res::kCtlToneDataPageTolerance, core::fields::MidToneTolerance(), this);
    for (int column = 0; column < 3; ++column) rule->setColumnStretch(column, 1);
    auto *toleranceRow = new QHBoxLayout;
    toleranceRow->addWidget(new QLabel(core::platform::ResQString(res::kStrTolerance), this));
    toleranceRow->addWidget(tolerance_);
    toleranceRow->addStretch();
    tolerance_->setMaximumWidth(80);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(enter_);
    buttons->addWidget(delete_);
    buttons->addWidget(deleteAll_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->addWidget(heading_);
    layout->addWidget(midToneOn_);
    layout->addLayout(rule);
    layout->addLayout(toleranceRow);
}

core::ColorSet *CEditColorToneDataDlg::Set() const { return Configuration().Slot(SlotNumber()); }

void CEditColorToneDataDlg::LoadFromSlot() {
    FillList(true);
    UpdateButtons();
}

void CEditColorToneDataDlg::Refresh() {
    FillList(false);
    list_->setFocus();
    SelectRow(0);
}

void CEditColorToneDataDlg::showEvent(QShowEvent *event) {
    ColorSetPage::showEvent(event);
    Refresh();
}

// A column at least as wide as its heading: a heading is never cut.
void CEditColorToneDataDlg::WidenColumnsToHeadings() {
    constexpr int kHeadingMargin = 16;
    const QFontMetrics metrics(list_->horizontalHeader()->font());
    for (int i = 0; i < list_->GetColumnCount(); ++i) {
        const QTableWidgetItem *h = list_->horizontalHeaderItem(i);
        const int needed = h ? metrics.horizontalAdvance(h->text()) + kHeadingMargin : 0;
        if (list_->columnWidth(i) < needed) list_->setColumnWidth(i, needed);
    }
}

// A value wider than its column shows whole in its tooltip.
void CEditColorToneDataDlg::ShowCutValuesInTooltips() {
    const QFontMetrics metrics(list_->font());
    for (int row = 0; row < list_->rowCount(); ++row)
        for (int column = 0; column < list_->GetColumnCount(); ++column)
            if (QTableWidgetItem *item = list_->item(row, column))
                item->setToolTip(metrics.horizontalAdvance(item->text()) + 6 > list_->columnWidth(column) ? item->text()
                                                                                                           : QString());
}

void CEditColorToneDataDlg::FillList(bool loading) {
    core::ColorSet empty;
    const core::ColorSet &set = Set() ? *Set() : empty;
    filled_ = core::tonedata::FillToneList(set);
    {
        QSignalBlocker block(list_);
        list_->DeleteAllItems();
        for (int e = 0; e < core::kColorSetTones; ++e) {
            list_->InsertItem(e, QString::fromStdString(filled_.rows[e][0]));
            for (int c = 1; c < core::tonedata::kColumns; ++c) list_->SetItemText(e, c, QString::fromStdString(filled_.rows[e][c]));
            for (int c = 0; c < core::tonedata::kColumns; ++c)
                if (QTableWidgetItem *item = list_->item(e, c)) item->setTextAlignment(Qt::AlignCenter);
        }
        ShowCutValuesInTooltips();
    }
    if (loading) {
        midTone_ = core::tonedata::LoadMidTone(set, filled_.names);
        tolerance_->SetValue(midTone_.tolerance);
    }
    core::tonedata::ApplyEligibility(midTone_, filled_.names.size());
    QSignalBlocker block(midToneOn_);
    midToneOn_->setChecked(midTone_.on);
    midToneOn_->setEnabled(filled_.names.size() >= 3);
    steps_[midTone_.stepIndex]->setChecked(true);
    FillChoices();
    EnableMidToneControls();
}

void CEditColorToneDataDlg::FillChoices() {
    std::array<int, 3> selected = core::tonedata::FillMidToneChoices(filled_.names, midTone_);
    for (int i = 0; i < 3; ++i) {
        QSignalBlocker block(choices_[i]);
        choices_[i]->clear();
        for (const auto &name : filled_.names) choices_[i]->addItem(QString::fromStdString(name.second));
        choices_[i]->setCurrentIndex(selected[i]);
    }
}

void CEditColorToneDataDlg::EnableMidToneControls() {
    for (QRadioButton *step : steps_) step->setEnabled(midTone_.on);
    for (QComboBox *choice : choices_) choice->setEnabled(midTone_.on);
    tolerance_->setEnabled(midTone_.on);
}

void CEditColorToneDataDlg::UpdateButtons() {
    core::ColorSet empty;
    const core::ColorSet &set = Set() ? *Set() : empty;
    int row = list_->GetSelectionMark();
    enter_->setEnabled(core::tonedata::CanEnterToneEntry(set));
    delete_->setEnabled(row >= 0 && row < core::kColorSetTones && set.tones[row].enabled == 1);
    deleteAll_->setEnabled(core::tonedata::AnyToneEnabled(set));
}

void CEditColorToneDataDlg::SelectRow(int row) {
    list_->SelectItem(row);
    UpdateButtons();
}

void CEditColorToneDataDlg::OnStep(int step) {
    if (settingUp_) return;
    if (step != midTone_.stepIndex) {
        midTone_.stepIndex = step;
        FillChoices();
    }
    steps_[step]->setChecked(true);
    steps_[step]->setFocus();
}

void CEditColorToneDataDlg::OnMidToneOn(bool on) {
    midTone_.on = on;
    if (on) {
        filled_.names = core::tonedata::EligibleNames(Set() ? *Set() : core::ColorSet{});
        steps_[midTone_.stepIndex]->setChecked(true);
        FillChoices();
    }
    EnableMidToneControls();
}

void CEditColorToneDataDlg::OnChoice(int position, int chosen) {
    if (chosen < 0 || chosen >= static_cast<int>(filled_.names.size())) return;
    midTone_.texts[position] = filled_.names[chosen].second;
    FillChoices();
}

bool CEditColorToneDataDlg::StoreToSlot() {
    if (settingUp_) return true;
    if (tolerance_->isEnabled() && !tolerance_->Commit()) return false;
    midTone_.tolerance = tolerance_->Value();
    core::ColorSet *set = Set();
    if (!set) return true;
    // The other pages may have changed the entries since this page was last shown: a rule
    // over fewer than three eligible entries is stored switched off.
    core::tonedata::ApplyEligibility(midTone_, core::tonedata::EligibleNames(*set).size());
    core::tonedata::StoreToneList(filled_, midTone_, *set);
    return true;
}

void CEditColorToneDataDlg::OnEnterTone() {
    int e = std::max(list_->GetSelectionMark(), 0);
    CEditToneDataDlg entry(Configuration(), SlotNumber(), e, this);
    if (entry.exec() == QDialog::Accepted) FillList(false);
    SelectRow(e);
}

void CEditColorToneDataDlg::OnDeleteTone() {
    core::ColorSet *set = Set();
    int e = list_->GetSelectionMark();
    if (!set || e < 0 || e >= core::kColorSetTones) return;
    core::Notice question = core::MakeNotice(0, res::kStrMessageCaption, core::platform::mb::OKCANCEL);
    question.text = core::platform::ResString(res::kStrReallyDelete) + core::tonedata::ToneEntryName(*set, e);
    if (platform::ShowNotice(this, question) == core::platform::mb::IDOK) {
        core::tonedata::DeleteToneEntry(*set, e, midTone_);
        FillList(false);
        platform::ShowNotice(this, core::MakeNotice(res::kStrToneDataDeleted, res::kStrMessageCaption, core::platform::mb::OK));
    }
    SelectRow(e);
}

void CEditColorToneDataDlg::OnDeleteAllTones() {
    core::ColorSet *set = Set();
    if (!set) return;
    if (platform::ShowNotice(this, core::MakeNotice(res::kStrDeleteAllTonesQuestion, res::kStrMessageCaption,
                                              core::platform::mb::OKCANCEL)) != core::platform::mb::IDOK) {
        SelectRow(list_->GetSelectionMark());
        return;
    }
    core::tonedata::DeleteAllToneEntries(*set, midTone_);
    FillList(false);
    platform::ShowNotice(this, core::MakeNotice(res::kStrToneDataDeleted, res::kStrMessageCaption, core::platform::mb::OK));
    SelectRow(0);
}

}  // namespace ombra::ui
