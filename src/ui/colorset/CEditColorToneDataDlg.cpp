#include "colorset/CEditColorToneDataDlg.h"

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

#include "colorset/CEditToneDataDlg.h"
#include "colorset/ColorSetFieldEdits.h"
#include "colorset/Configuration.h"
#include "controls/CCheckListCtrl.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "UiLayer.h"

namespace ombra::ui {

CEditColorToneDataDlg::CEditColorToneDataDlg(CConfiguration &configuration, int slot, QWidget *parent)
    : ColorSetPage(configuration, slot, parent) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgToneDataPage));
    setWindowTitle(platform::ResQString(res::kStrTones));  // the tab text
    CreateControls();
    LoadFromSlot();
    settingUp_ = false;
}

void CEditColorToneDataDlg::CreateControls() {
    list_ = new CCheckListCtrl(this);
    list_->setObjectName(ColorSetControlName(res::kCtlToneDataPageList));
    for (const tonedata::Column &c : tonedata::Columns())
        list_->InsertColumn(list_->GetColumnCount(), platform::ResQString(c.headerId), c.width);
    // Headings are centred over their centred cells, as in the colour list.
    for (int i = 0; i < list_->GetColumnCount(); ++i)
        if (QTableWidgetItem *h = list_->horizontalHeaderItem(i)) h->setTextAlignment(Qt::AlignCenter);
    WidenColumnsToHeadings();
    enter_ = ColorSetButton(this, res::kCtlToneDataPageEnter, platform::ResQString(res::kStrEnterEdit));
    delete_ = ColorSetButton(this, res::kCtlToneDataPageDelete, platform::ResQString(res::kStrDeleteButton));
    deleteAll_ = ColorSetButton(this, res::kCtlToneDataPageDeleteAll, platform::ResQString(res::kStrDeleteAll));
    connect(enter_, &QPushButton::clicked, this, &CEditColorToneDataDlg::OnEnterTone);
    connect(delete_, &QPushButton::clicked, this, &CEditColorToneDataDlg::OnDeleteTone);
    connect(deleteAll_, &QPushButton::clicked, this, &CEditColorToneDataDlg::OnDeleteAllTones);
    connect(list_, &QTableWidget::itemSelectionChanged, this, &CEditColorToneDataDlg::UpdateButtons);

    heading_ = new QLabel(platform::ResQString(res::kStrToneDataHeading), this);
    heading_->setObjectName(ColorSetControlName(res::kCtlToneDataPageHeading));
    QFont font = heading_->font();
    font.setPointSizeF(font.pointSizeF() + 2);
    font.setWeight(QFont::Bold);
    heading_->setFont(font);
    midToneOn_ = new QCheckBox(platform::ResQString(res::kStrMidToneSpread), this);
    midToneOn_->setObjectName(ColorSetControlName(res::kCtlToneDataPageMidToneOn));
    connect(midToneOn_, &QCheckBox::toggled, this, &CEditColorToneDataDlg::OnMidToneOn);
    auto *group = new QButtonGroup(this);
    auto *rule = new QGridLayout;
    for (int s = 0; s < 3; ++s) {
        steps_[s] = new QRadioButton(platform::ResQString(res::kStrStep).arg(s + 1), this);
        steps_[s]->setObjectName(ColorSetControlName(kStepIds[s]));
        group->addButton(steps_[s], s);
        rule->addWidget(steps_[s], 0, s);
        choices_[s] = new QComboBox(this);
        choices_[s]->setObjectName(ColorSetControlName(kChoiceIds[s]));
        rule->addWidget(choices_[s], 1, s);
        connect(steps_[s], &QRadioButton::clicked, this, [this, s] { OnStep(s); });
        connect(choices_[s], &QComboBox::activated, this, [this, s](int chosen) { OnChoice(s, chosen); });
    }
    tolerance_ = new NumericEdit(res::kCtlToneDataPageTolerance, fields::MidToneTolerance(), this);
    for (int column = 0; column < 3; ++column) rule->setColumnStretch(column, 1);
    auto *toleranceRow = new QHBoxLayout;
    toleranceRow->addWidget(new QLabel(platform::ResQString(res::kStrTolerance), this));
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

ColorSet *CEditColorToneDataDlg::Set() const { return Configuration().Slot(SlotNumber()); }

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
    ColorSet empty;
    const ColorSet &set = Set() ? *Set() : empty;
    filled_ = tonedata::FillToneList(set);
    {
        QSignalBlocker block(list_);
        list_->DeleteAllItems();
        for (int e = 0; e < kColorSetTones; ++e) {
            list_->InsertItem(e, QString::fromStdString(filled_.rows[e][0]));
            for (int c = 1; c < tonedata::kColumns; ++c) list_->SetItemText(e, c, QString::fromStdString(filled_.rows[e][c]));
            for (int c = 0; c < tonedata::kColumns; ++c)
                if (QTableWidgetItem *item = list_->item(e, c)) item->setTextAlignment(Qt::AlignCenter);
        }
        ShowCutValuesInTooltips();
    }
    if (loading) {
        midTone_ = tonedata::LoadMidTone(set, filled_.names);
        tolerance_->SetValue(midTone_.tolerance);
    }
    tonedata::ApplyEligibility(midTone_, filled_.names.size());
    QSignalBlocker block(midToneOn_);
    midToneOn_->setChecked(midTone_.on);
    midToneOn_->setEnabled(filled_.names.size() >= 3);
    steps_[midTone_.stepIndex]->setChecked(true);
    FillChoices();
    EnableMidToneControls();
}

void CEditColorToneDataDlg::FillChoices() {
    std::array<int, 3> selected = tonedata::FillMidToneChoices(filled_.names, midTone_);
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
    ColorSet empty;
    const ColorSet &set = Set() ? *Set() : empty;
    int row = list_->GetSelectionMark();
    enter_->setEnabled(tonedata::CanEnterToneEntry(set));
    delete_->setEnabled(row >= 0 && row < kColorSetTones && set.tones[row].enabled == 1);
    deleteAll_->setEnabled(tonedata::AnyToneEnabled(set));
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
        filled_.names = tonedata::EligibleNames(Set() ? *Set() : ColorSet{});
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
    ColorSet *set = Set();
    if (!set) return true;
    // The other pages may have changed the entries since this page was last shown: a rule
    // over fewer than three eligible entries is stored switched off.
    tonedata::ApplyEligibility(midTone_, tonedata::EligibleNames(*set).size());
    tonedata::StoreToneList(filled_, midTone_, *set);
    return true;
}

void CEditColorToneDataDlg::OnEnterTone() {
    int e = std::max(list_->GetSelectionMark(), 0);
    CEditToneDataDlg entry(Configuration(), SlotNumber(), e, this);
    if (entry.exec() == QDialog::Accepted) FillList(false);
    SelectRow(e);
}

void CEditColorToneDataDlg::OnDeleteTone() {
    ColorSet *set = Set();
    int e = list_->GetSelectionMark();
    if (!set || e < 0 || e >= kColorSetTones) return;
    Notice question = MakeNotice(0, res::kStrMessageCaption, platform::mb::OKCANCEL);
    question.text = platform::ResString(res::kStrReallyDelete) + tonedata::ToneEntryName(*set, e);
    if (platform::ShowNotice(this, question) == platform::mb::IDOK) {
        tonedata::DeleteToneEntry(*set, e, midTone_);
        FillList(false);
        platform::ShowNotice(this, MakeNotice(res::kStrToneDataDeleted, res::kStrMessageCaption, platform::mb::OK));
    }
    SelectRow(e);
}

void CEditColorToneDataDlg::OnDeleteAllTones() {
    ColorSet *set = Set();
    if (!set) return;
    if (platform::ShowNotice(this, MakeNotice(res::kStrDeleteAllTonesQuestion, res::kStrMessageCaption,
                                              platform::mb::OKCANCEL)) != platform::mb::IDOK) {
        SelectRow(list_->GetSelectionMark());
        return;
    }
    tonedata::DeleteAllToneEntries(*set, midTone_);
    FillList(false);
    platform::ShowNotice(this, MakeNotice(res::kStrToneDataDeleted, res::kStrMessageCaption, platform::mb::OK));
    SelectRow(0);
}

}  // namespace ombra::ui
