#include "core/instrument/MeasSettingsLogic.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <span>

#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"
#include "core/output/Catalogue.h"
#include "core/platform/Resources.h"
#include "core/settings/SettingsStore.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

// String `id` with its %1, %2 filled in.
std::string Filled(int id, std::vector<std::string> args) { return MakeNotice(id, 0, 0, std::move(args)).Text(); }


// Conditions and illuminants share their bits: bit n is value n (n = 0..13), 0x4000 is 160
// and 0x8000 is 14.
constexpr int kSixteenthBit = 0x8000;

// The first `count` entries of a list table (all by default).
std::vector<ListEntry> EntriesOf(std::span<const ListEntry> table, size_t count = SIZE_MAX) {
    return std::vector<ListEntry>(table.begin(), table.begin() + std::min(count, table.size()));
}

// The condition and illuminant lists end with the sixteenth entry.
std::vector<ListEntry> WithoutSixteenth(std::span<const ListEntry> table, bool sixteenthAvailable) {
    return EntriesOf(table, sixteenthAvailable ? table.size() : table.size() - 1);
}

}  // namespace

std::vector<ListEntry> MeasurementTypeEntries(const std::string &modelName) {
    bool fullModel = !modelName.empty() && modelName == platform::ResString(res::kStrModelNameType100);
    return EntriesOf(meas::kTypeEntries, fullModel ? 2 : 1);
}

std::vector<ListEntry> ConditionEntries(bool sixteenthAvailable, int polarization) {
    if (polarization == 1) return {meas::kPolarizedCondition};
    return WithoutSixteenth(meas::kConditionEntries, sixteenthAvailable);
}

std::vector<ListEntry> DensityWhiteRefEntries() { return EntriesOf(meas::kDensityWhiteRefEntries); }

std::vector<ListEntry> ObserverEntries() { return EntriesOf(meas::kObserverEntries); }

std::vector<ListEntry> IlluminantEntries(bool sixteenthAvailable) {
    return WithoutSixteenth(meas::kIlluminantEntries, sixteenthAvailable);
}

std::vector<ListEntry> PolarizationEntries() { return EntriesOf(meas::kPolarizationEntries); }

int IlluminantCodeForCondition(int conditionCode) {
    std::optional<PropertyRow> row = FindPropertyRow(PropertyTable::MeasurementCondition, conditionCode);
    if (!row || row->value == 0 || row->value == 2 || row->value == 160) return 0x4;
    if (row->value == 14) return kSixteenthBit;
    return 1 << row->value;
}

MeasSettingsLogic::MeasSettingsLogic(AppSettings &settings) : settings_(settings) {
    CopyPositionsFrom(settings);
}

void MeasSettingsLogic::CopyPositionsFrom(const AppSettings &settings) {
    const MeasurementSettings &s = settings.measurement;
    position(SettingsList::Type) = s.MeasurementTypeSel();
    position(SettingsList::Condition) = s.MeasurementCondSel();
    position(SettingsList::DensityWhiteRef) = s.DensityWhiteRefSel();
    position(SettingsList::Observer) = s.ObserverSel();
    position(SettingsList::Illuminant) = s.IlluminantSel();
    position(SettingsList::Polarization) = s.PolarizationSel();
}

// The positions were stored at OK already: they only go in force here.
void MeasSettingsLogic::CopyPositionsTo(AppSettings &settings) const {
    MeasurementValues &s = settings.measurement.InForce();
    s.MeasurementTypeSel = Position(SettingsList::Type);
    if (conditionAccepted_) s.MeasurementCondSel = Position(SettingsList::Condition);
    s.DensityWhiteRefSel = Position(SettingsList::DensityWhiteRef);
    s.ObserverSel = Position(SettingsList::Observer);
    if (illuminantAccepted_) s.IlluminantSel = Position(SettingsList::Illuminant);
    s.PolarizationSel = Position(SettingsList::Polarization);
}

// ---- initialisation ----

void MeasSettingsLogic::Initialise(NoticeSink notices, LossJudge judge) {
    notices_ = std::move(notices);
    errorMng_.Init(nullptr, std::move(judge));
    initialising_ = true;
    // The codes in force; the lists then replace them by the codes of their entries.
    const MeasurementSettings &measurement = settings_.measurement;
    code(SettingsList::Type) = measurement.MeasurementType();
    code(SettingsList::Condition) = measurement.MeasurementCond();
    code(SettingsList::Observer) = measurement.Observer();
    code(SettingsList::Illuminant) = measurement.Illuminant();
    code(SettingsList::Polarization) = Position(SettingsList::Polarization) == 1 ? 1 : 0;

    ProbeSixteenthEntry();
    Fill(SettingsList::Type, MeasurementTypeEntries(settings_.identity.ModelName()));
    FillConditionList();
    Fill(SettingsList::DensityWhiteRef, DensityWhiteRefEntries());
    state(SettingsList::DensityWhiteRef).enabled = false;
    Fill(SettingsList::Observer, ObserverEntries());
    Fill(SettingsList::Illuminant, IlluminantEntries(sixteenthAvailable_));
    Fill(SettingsList::Polarization, PolarizationEntries());

    for (int i = 0; i < kSettingsListCount; ++i) RunChangeHandler(static_cast<SettingsList>(i));
    initialising_ = false;
}

// The sixteenth condition and illuminant (value 14, the user illuminant) are offered only
// when the instrument takes condition value 14.
void MeasSettingsLogic::ProbeSixteenthEntry() {
    CPropertySetting keepOpen;
    sixteenthAvailable_ = SetInstrumentProperty(prop::kMeasurementCondition, meas::kSixteenthProbeValue) == 0;
    if (sixteenthAvailable_) {
        // The probe must not change how the instrument measures: put the condition in force
        // back (measurements may be taken while the dialog is open, or after Cancel).
        SetPropertyFromMask(PropertyTable::MeasurementCondition, settings_.measurement.MeasurementCond());
        return;
    }
    if (Position(SettingsList::Condition) == meas::kSixteenthConditionPosition)
        position(SettingsList::Condition) = meas::kConditionFallbackPosition;
    if (Position(SettingsList::Illuminant) == meas::kSixteenthIlluminantPosition)
        position(SettingsList::Illuminant) = meas::kIlluminantFallbackPosition;
}

// A stored position outside the list (another model's settings, a damaged store) shows the
// first entry instead of none.
void MeasSettingsLogic::Fill(SettingsList list, std::vector<ListEntry> entries) {
    SettingsListState &s = state(list);
    s.entries = std::move(entries);
    s.texts.clear();
    for (const ListEntry &e : s.entries) s.texts.push_back(platform::ResString(e.stringId));
    int &pos = position(list);
    if (pos < 0 || pos >= static_cast<int>(s.entries.size())) pos = 0;
    s.selected = pos;
    texts_[index(list)] = s.texts[pos];
}

void MeasSettingsLogic::FillConditionList() {
    int polarization = Code(SettingsList::Polarization);
    SettingsListState &s = state(SettingsList::Condition);
    if (polarization == 1) {
        position(SettingsList::Condition) = 0;
        Fill(SettingsList::Condition, ConditionEntries(sixteenthAvailable_, 1));
        ApplyCondition();
        s.enabled = false;
        return;
    }
    std::vector<ListEntry> entries = ConditionEntries(sixteenthAvailable_, 0);
    if (Code(SettingsList::Condition) == meas::kPolarizedConditionCode) {
        // Leaving the polarised condition: show the condition that is then in force, so the
        // list, its code and its text agree.
        code(SettingsList::Condition) = meas::kConditionFallbackCode;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].code == meas::kConditionFallbackCode) position(SettingsList::Condition) = static_cast<int>(i);
    }
    Fill(SettingsList::Condition, std::move(entries));
    s.enabled = Position(SettingsList::Type) != meas::kIrradianceTypePosition;
}

// ---- change handlers ----

void MeasSettingsLogic::Select(SettingsList list, int pos) {
    SettingsListState &s = state(list);
    if (!s.enabled || pos < 0 || pos >= static_cast<int>(s.entries.size())) return;
    s.selected = pos;
    RunChangeHandler(list);
}

void MeasSettingsLogic::StoreChoice(SettingsList list) {
    const SettingsListState &s = List(list);
    if (s.selected < 0 || s.selected >= static_cast<int>(s.entries.size())) return;
    position(list) = s.selected;
    code(list) = s.entries[s.selected].code;
    texts_[index(list)] = s.texts[s.selected];
}

void MeasSettingsLogic::RunChangeHandler(SettingsList list) {
    switch (list) {
    case SettingsList::Type: OnTypeChange(); break;
    case SettingsList::Condition: OnConditionChange(); break;
    case SettingsList::Polarization: OnPolarizationChange(); break;
    default: StoreChoice(list); break;
    }
}

void MeasSettingsLogic::OnTypeChange() {
    StoreChoice(SettingsList::Type);
    if (Position(SettingsList::Type) == meas::kIrradianceTypePosition) {
        // Irradiance has no condition, illuminant or polarisation filter.
        state(SettingsList::Polarization).selected = 0;
        OnPolarizationChange();
        state(SettingsList::Condition).enabled = false;
        state(SettingsList::Illuminant).enabled = false;
        state(SettingsList::Polarization).enabled = false;
        return;
    }
    state(SettingsList::Illuminant).enabled = true;
    state(SettingsList::Polarization).enabled = true;
    state(SettingsList::Condition).enabled = Code(SettingsList::Polarization) != 1;
}

// The user's condition choice: the illuminant follows it, and the user learns which it became.
void MeasSettingsLogic::OnConditionChange() {
    const ConditionAndIlluminant before = CurrentConditionAndIlluminant();
    ApplyCondition();
    if (initialising_) return;
    const ConditionAndIlluminant after = CurrentConditionAndIlluminant();
    if (after.illuminant == before.illuminant) return;
    Notice notice = MakeNotice(0, res::kStrMessageCaption, platform::mb::OK);
    notice.text = platform::ResString(res::kStrIlluminantMatched) + '\n' +
                  Filled(res::kStrIlluminantChangeLine, {before.illuminant, after.illuminant});
    if (notices_) notices_(notice);
}

void MeasSettingsLogic::ApplyCondition() {
    StoreChoice(SettingsList::Condition);
    if (initialising_) return;
    SelectIlluminantCode(IlluminantCodeForCondition(Code(SettingsList::Condition)));
    StoreChoice(SettingsList::Illuminant);
}

MeasSettingsLogic::ConditionAndIlluminant MeasSettingsLogic::CurrentConditionAndIlluminant() const {
    return {Text(SettingsList::Condition), Text(SettingsList::Illuminant)};
}

void MeasSettingsLogic::SelectIlluminantCode(int illuminantCode) {
    SettingsListState &s = state(SettingsList::Illuminant);
    for (size_t i = 0; i < s.entries.size(); ++i)
        if (s.entries[i].code == illuminantCode) s.selected = static_cast<int>(i);
}

// Switching the filter can change the condition (M3 goes with the filter) and with it the
// illuminant: the message names both, as they were and as they are now.
void MeasSettingsLogic::OnPolarizationChange() {
    const ConditionAndIlluminant before = CurrentConditionAndIlluminant();
    StoreChoice(SettingsList::Polarization);
    FillConditionList();
    if (initialising_ || Position(SettingsList::Type) == meas::kIrradianceTypePosition) return;
    const ConditionAndIlluminant after = CurrentConditionAndIlluminant();
    if (after.condition == before.condition && after.illuminant == before.illuminant) return;
    std::string text = platform::ResString(res::kStrPolarisationChanged) + '\n';
    text += after.condition == before.condition
                ? Filled(res::kStrConditionKeptLine, {after.condition})
                : Filled(res::kStrConditionChangeLine, {before.condition, after.condition});
    text += '\n';
    text += after.illuminant == before.illuminant
                ? Filled(res::kStrIlluminantKeptLine, {after.illuminant})
                : Filled(res::kStrIlluminantChangeLine, {before.illuminant, after.illuminant});
    Notice notice = MakeNotice(0, res::kStrMessageCaption, platform::mb::OK);
    notice.text = text + '\n' + platform::ResString(res::kStrCheckBeforeMeasuring);
    if (notices_) notices_(notice);
}

// ---- OK ----

bool MeasSettingsLogic::Ok() {
    MeasurementValues &inForce = settings_.measurement.InForce();
    inForce.PrevMeasSel = inForce.MeasurementType;
    WriteSettings();
    // Type, white reference and observer are in force from here on, with their positions
    // (so a later Cancel after a refusal leaves no type code without its position).
    inForce.MeasurementType = Code(SettingsList::Type);
    inForce.Observer = Code(SettingsList::Observer);
    inForce.MeasurementTypeSel = Position(SettingsList::Type);
    inForce.DensityWhiteRefSel = Position(SettingsList::DensityWhiteRef);
    inForce.ObserverSel = Position(SettingsList::Observer);
    inForce.MeasTypeString = Text(SettingsList::Type);
    inForce.DenWhiteRefString = Text(SettingsList::DensityWhiteRef);
    inForce.ObserverString = Text(SettingsList::Observer);

    bool mayClose = SendToInstrument();
    if (inForce.MeasurementType != inForce.PrevMeasSel) SwitchSelection();
    return mayClose;
}

// Everything chosen is stored, also what the instrument may still refuse.
void MeasSettingsLogic::WriteSettings() {
    MeasurementChoice choice;
    choice.typeSel = Position(SettingsList::Type);
    choice.whiteRefSel = Position(SettingsList::DensityWhiteRef);
    choice.observerSel = Position(SettingsList::Observer);
    choice.prevMeasSel = settings_.measurement.PrevMeasSel();
    choice.type = Code(SettingsList::Type);
    choice.condition = Code(SettingsList::Condition);
    choice.observer = Code(SettingsList::Observer);
    choice.illuminant = Code(SettingsList::Illuminant);
    choice.polarizationSel = Position(SettingsList::Polarization);
    choice.polarization = Code(SettingsList::Polarization);
    choice.typeText = Text(SettingsList::Type);
    choice.conditionText = Text(SettingsList::Condition);
    choice.whiteRefText = Text(SettingsList::DensityWhiteRef);
    choice.observerText = Text(SettingsList::Observer);
    choice.illuminantText = Text(SettingsList::Illuminant);
    choice.polarizationText = Text(SettingsList::Polarization);
    settings_.measurement.StoreChoice(choice);
}

// Sends polarisation, type, condition, observer and illuminant in this order; a failure is
// reported and the next one is still sent. Returns false when the condition or the
// illuminant was refused.
bool MeasSettingsLogic::SendToInstrument() {
    CPropertySetting keepOpen;
    MeasurementValues &inForce = settings_.measurement.InForce();
    bool mayClose = true;
    conditionAccepted_ = illuminantAccepted_ = false;

    int polarization = Position(SettingsList::Polarization) == 1 ? 1 : 0;
    int32_t rc = keepOpen.Adapter().SetPolFilterCondition(polarization);
    if (rc == 0) {
        inForce.Polarization = polarization;
        inForce.PolarizationString = Text(SettingsList::Polarization);
    } else if (Report(rc)) {
        return mayClose;
    }

    if ((rc = SetPropertyFromMask(PropertyTable::MeasurementType, Code(SettingsList::Type))) != 0 && Report(rc))
        return mayClose;

    rc = SetPropertyFromMask(PropertyTable::MeasurementCondition, Code(SettingsList::Condition));
    if (rc == kResultNotAccepted) {
        Tell(res::kStrConditionRefused, res::kStrMessageCaption, platform::mb::ICONEXCLAMATION);
        mayClose = false;
    } else if (rc != 0) {
        if (Report(rc)) return mayClose;
    } else {
        conditionAccepted_ = true;
        inForce.MeasurementCond = Code(SettingsList::Condition);
        inForce.MeasCondString = Text(SettingsList::Condition);
        settings_.measurement.StoreMeasurementCondSel(Position(SettingsList::Condition));
    }

    if ((rc = SetPropertyFromMask(PropertyTable::Observer, Code(SettingsList::Observer))) != 0 && Report(rc))
        return mayClose;

    rc = SetPropertyFromMask(PropertyTable::Illuminant, Code(SettingsList::Illuminant));
    if (rc == kResultNotAccepted) {
        Tell(res::kStrIlluminantRefused, res::kStrMessageCaption, platform::mb::ICONEXCLAMATION);
        mayClose = false;
    } else if (rc != 0) {
        Report(rc);
    } else {
        illuminantAccepted_ = true;
        settings_.measurement.StoreIlluminantSel(Position(SettingsList::Illuminant));
        inForce.Illuminant = Code(SettingsList::Illuminant);
        inForce.IlluminantString = Text(SettingsList::Illuminant);
    }
    return mayClose;
}

// The type changed: the data items of the new type become the selection in force (their
// defaults when none are stored) and are stored back.
void MeasSettingsLogic::SwitchSelection() {
    int typePosition = Position(SettingsList::Type);
    bool irradiance = typePosition != 0;
    MeasKind kind = irradiance ? MeasKind::Irradiance : MeasKind::Reflection;
    std::string text = settings_.selection.StoredText(typePosition);
    OutputItemList items;
    if (text.empty()) {
        items = DefaultSelection(kind);
    } else {
        DataItemCatalogue catalogue;
        catalogue.RebuildForType(kind);
        catalogue.RebuildDensity();
        items = ParseSelectionText(text, catalogue);
    }
    StoreSelection(settings_, items, irradiance ? SelectionTarget::Irradiance : SelectionTarget::Reflection);
    settings_.selection.StoreText(typePosition, items);
    Tell(res::kStrSelectionSwitched, res::kStrMessageCaption, platform::mb::ICONASTERISK);
}

// A caption id of 0 stands for the program's own name.
void MeasSettingsLogic::Tell(int stringId, int captionId, unsigned flags) {
    Notice notice = MakeNotice(stringId, captionId, flags);
    if (captionId == 0) notice.captionId = res::kStrMessageCaption;
    if (notices_) notices_(notice);
}

// The instrument's loss ends the sending: the session has told it, the rest would only fail.
bool MeasSettingsLogic::Report(int32_t code) {
    if (errorMng_.TakenAsLoss(code)) return true;
    Notice notice = errorMng_.NoticeFor(code);
    if (notices_) notices_(notice);
    return false;
}

}  // namespace ombra::core
