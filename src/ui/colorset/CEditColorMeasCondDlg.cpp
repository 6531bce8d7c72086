#include "ui/colorset/CEditColorMeasCondDlg.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "core/colorset/Configuration.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "ui/colorset/ColorSetFieldEdits.h"

namespace ombra::ui {
namespace {

std::vector<int> textIds(const std::vector<core::meascond::ChoiceEntry> &entries) {
    std::vector<int> ids;
    for (const auto &e : entries) ids.push_back(e.textId);
    return ids;
}

void select(QComboBox *choice, int position) {
    QSignalBlocker block(choice);
    choice->setCurrentIndex(position >= 0 && position < choice->count() ? position : 0);
}

}  // namespace

CEditColorMeasCondDlg::CEditColorMeasCondDlg(core::CConfiguration &configuration, int slot, QWidget *parent)
    : ColorSetPage(configuration, slot, parent) {
    setObjectName(QStringLiteral("dlg_%1").arg(res::kDlgMeasCondPage));
    setWindowTitle(core::platform::ResQString(res::kStrConditions));  // the tab text
    CreateControls();
    LoadFromSlot();
    settingUp_ = false;
}

QComboBox *CEditColorMeasCondDlg::AddChoice(int id) {
    auto *choice = new QComboBox(this);
    choice->setObjectName(ColorSetControlName(id));
    connect(choice, &QComboBox::currentIndexChanged, this, [this, id](int position) { OnChoice(id, position); });
    return choice;
}

void CEditColorMeasCondDlg::CreateControls() {
    name_ = new NameEdit(res::kCtlMeasCondPageName, core::kColorSetNameLimit, this);
    condition_ = AddChoice(res::kCtlMeasCondPageCondition);
    illuminant_ = AddChoice(res::kCtlMeasCondPageIlluminant);
    observer_ = AddChoice(res::kCtlMeasCondPageObserver);
    formula_ = AddChoice(res::kCtlMeasCondPageFormula);
    mode_ = AddChoice(res::kCtlMeasCondPageMode);
    polarization_ = AddChoice(res::kCtlMeasCondPagePolarization);
    toneCondition_ = AddChoice(res::kCtlMeasCondPageToneCondition);
    toneSetting_ = AddChoice(res::kCtlMeasCondPageToneSetting);
    FillChoice(illuminant_, textIds(core::meascond::RangeChoices(res::kStrIlluminantA, 15)));
    FillChoice(observer_, textIds(core::meascond::RangeChoices(res::kStrObserver2Degrees, 2)));
    FillChoice(formula_, textIds(core::meascond::RangeChoices(res::kStrFormulaCie1976, 5)));
    FillChoice(mode_, textIds(core::meascond::RangeChoices(res::kStrModeAbsolute, 3)));
    FillChoice(polarization_, textIds(core::meascond::RangeChoices(res::kStrPolarisationOff, 2)));
    FillChoice(toneSetting_, textIds(core::meascond::RangeChoices(res::kStrToneMurrayDavies, 5)));
    auto *factorRow = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        factors_[i] = new NumericEdit(kFactorIds[i], core::fields::Factor(), this);
        factorRow->addWidget(factors_[i]);
    }
    toneFactor_ = new NumericEdit(res::kCtlMeasCondPageToneFactor, core::fields::ToneFactor(), this);

    auto *layout = new QFormLayout(this);
    layout->addRow(core::platform::ResQString(res::kStrColourSetName), name_);
    layout->addRow(core::platform::ResQString(res::kStrMeasurementCondition), condition_);
    layout->addRow(core::platform::ResQString(res::kStrIlluminant), illuminant_);
    layout->addRow(core::platform::ResQString(res::kStrObserver), observer_);
    layout->addRow(core::platform::ResQString(res::kStrColourDifference), formula_);
    layout->addRow(core::platform::ResQString(res::kStrFactors), factorRow);
    layout->addRow(core::platform::ResQString(res::kStrMode), mode_);
    layout->addRow(core::platform::ResQString(res::kStrPolarisation), polarization_);
    layout->addRow(core::platform::ResQString(res::kStrToneMeasurementCondition), toneCondition_);
    layout->addRow(core::platform::ResQString(res::kStrToneSetting), toneSetting_);
    layout->addRow(core::platform::ResQString(res::kStrToneFactor), toneFactor_);
}

void CEditColorMeasCondDlg::LoadFromSlot() {
    if (SlotNumber() >= 0 && SlotNumber() < core::kColorSetSlots)
        if (const core::ColorSet *set = Configuration().Slot(SlotNumber())) form_ = core::meascond::LoadForm(*set);
    FillControls();
}

void CEditColorMeasCondDlg::FillControls() {
    name_->SetName(form_.name);
    FillConditionChoices();
    select(illuminant_, form_.illuminant);
    select(observer_, form_.observer);
    select(formula_, form_.differenceFormula);
    select(mode_, form_.conditionMode);
    select(polarization_, form_.polarization);
    select(toneSetting_, form_.toneSetting);
    toneFactor_->SetValue(form_.toneFactor);
    ApplyFactorEdits();
}

void CEditColorMeasCondDlg::FillConditionChoices() {
    core::meascond::ApplyPolarization(form_);
    conditionEntries_ = core::meascond::ConditionChoices(form_.polarization);
    toneConditionEntries_ = core::meascond::ToneConditionChoices(form_.polarization);
    for (auto [choice, entries] : {std::pair{condition_, &conditionEntries_}, std::pair{toneCondition_, &toneConditionEntries_}}) {
        QSignalBlocker block(choice);
        FillChoice(choice, textIds(*entries));
        choice->setEnabled(form_.polarization != 1);
    }
    select(condition_, core::meascond::PositionOf(conditionEntries_, form_.conditionIndex));
    select(toneCondition_, core::meascond::PositionOf(toneConditionEntries_, form_.toneConditionIndex));
}

void CEditColorMeasCondDlg::ApplyFactorEdits() {
    std::array<bool, 3> inUse = core::meascond::FactorsInUse(form_.differenceFormula);
    for (int i = 0; i < 3; ++i) {
        // A factor the formula does not use keeps its value but shows nothing.
        if (inUse[i]) factors_[i]->SetValue(form_.factors[i]);
        else factors_[i]->ShowEmpty();
        factors_[i]->setEnabled(inUse[i]);
    }
}

void CEditColorMeasCondDlg::OnChoice(int id, int position) {
    if (settingUp_ || position < 0) return;
    switch (id) {
    case res::kCtlMeasCondPageCondition: form_.conditionIndex = conditionEntries_.at(position).index; break;
    case res::kCtlMeasCondPageToneCondition: form_.toneConditionIndex = toneConditionEntries_.at(position).index; break;
    case res::kCtlMeasCondPageIlluminant: form_.illuminant = position; break;
    case res::kCtlMeasCondPageObserver: form_.observer = position; break;
    case res::kCtlMeasCondPageMode: form_.conditionMode = position; break;
    case res::kCtlMeasCondPageToneSetting: form_.toneSetting = position; break;
    case res::kCtlMeasCondPageFormula:
        for (int i = 0; i < 3; ++i)
            if (factors_[i]->isEnabled()) form_.factors[i] = factors_[i]->Value();
        form_.differenceFormula = position;
        ApplyFactorEdits();
        break;
    case res::kCtlMeasCondPagePolarization:
        core::meascond::ChangePolarization(form_, position);
        FillConditionChoices();
        break;
    default: break;
    }
}

bool CEditColorMeasCondDlg::StoreToSlot() {
    if (settingUp_) return true;
    // Every field passes the check of leaving it before anything is stored.
    if (!name_->Commit()) return false;
    for (NumericEdit *edit : factors_)
        if (edit->isEnabled() && !edit->Commit()) return false;
    if (!toneFactor_->Commit()) return false;
    core::ColorSet *set = Configuration().Slot(SlotNumber());
    if (!set) return true;
    form_.name = name_->Name();
    for (int i = 0; i < 3; ++i)
        if (factors_[i]->isEnabled()) form_.factors[i] = factors_[i]->Value();
    form_.toneFactor = toneFactor_->Value();
    core::meascond::StoreForm(form_, *set);
    return true;
}

}  // namespace ombra::ui
