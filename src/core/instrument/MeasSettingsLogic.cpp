#include "instrument/MeasSettingsLogic.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstdint>
#include <span>

#include "settings/SettingsStore.h"
#include "instrument/PropertySetting.h"
#include "instrument/PropertyTables.h"
#include "output/Catalogue.h"
#include "platform/Resources.h"

namespace ombra::core {
namespace {

constexpr int kFullModelName = 1234;

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
    bool fullModel = !modelName.empty() && modelName == platform::ResString(kFullModelName);
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

MeasSettingsLogic::MeasSettingsLogic(AppSettings &settings, platform::ProfileStore &store)
    : settings_(settings), store_(store) {
    CopyPositionsFrom(settings);
}

void MeasSettingsLogic::CopyPositionsFrom(const AppSettings &s) {
    position(SettingsList::Type) = s.MeasurementTypeSel;
    position(SettingsList::Condition) = s.MeasurementCondSel;
    position(SettingsList::DensityWhiteRef) = s.DensityWhiteRefSel;
    position(SettingsList::Observer) = s.ObserverSel;
    position(SettingsList::Illuminant) = s.IlluminantSel;
    position(SettingsList::Polarization) = s.PolarizationSel;
}

void MeasSettingsLogic::CopyPositionsTo(AppSettings &s) const {
    s.MeasurementTypeSel = Position(SettingsList::Type);
    if (conditionAccepted_) s.MeasurementCondSel = Position(SettingsList::Condition);
    s.DensityWhiteRefSel = Position(SettingsList::DensityWhiteRef);
    s.ObserverSel = Position(SettingsList::Observer);
    if (illuminantAccepted_) s.IlluminantSel = Position(SettingsList::Illuminant);
    s.PolarizationSel = Position(SettingsList::Polarization);
}

// ---- initialisation ----

void MeasSettingsLogic::Initialise(NoticeSink notices) {
    notices_ = std::move(notices);
    errorMng_.Init(nullptr);
    initialising_ = true;
    // The codes in force; the lists then replace them by the codes of their entries.
    code(SettingsList::Type) = settings_.MeasurementType;
    code(SettingsList::Condition) = settings_.MeasurementCond;
    code(SettingsList::Observer) = settings_.Observer;
    code(SettingsList::Illuminant) = settings_.Illuminant;
    code(SettingsList::Polarization) = Position(SettingsList::Polarization) == 1 ? 1 : 0;

    ProbeSixteenthEntry();
    Fill(SettingsList::Type, MeasurementTypeEntries(settings_.modelName));
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
        SetPropertyFromMask(PropertyTable::MeasurementCondition, settings_.MeasurementCond);
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
        OnConditionChange();
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

void MeasSettingsLogic::OnConditionChange() {
    StoreChoice(SettingsList::Condition);
    if (initialising_) return;
    Tell(meas::kConditionChanged, 0, platform::mb::OK);
    SelectIlluminantCode(IlluminantCodeForCondition(Code(SettingsList::Condition)));
    StoreChoice(SettingsList::Illuminant);
}

void MeasSettingsLogic::SelectIlluminantCode(int illuminantCode) {
    SettingsListState &s = state(SettingsList::Illuminant);
    for (size_t i = 0; i < s.entries.size(); ++i)
        if (s.entries[i].code == illuminantCode) s.selected = static_cast<int>(i);
}

void MeasSettingsLogic::OnPolarizationChange() {
    StoreChoice(SettingsList::Polarization);
    FillConditionList();
}

// ---- OK ----

bool MeasSettingsLogic::Ok() {
    settings_.PrevMeasSel = settings_.MeasurementType;
    WriteSettings();
    // Type, white reference and observer are in force from here on, with their positions
    // (so a later Cancel after a refusal leaves no type code without its position).
    settings_.MeasurementType = Code(SettingsList::Type);
    settings_.Observer = Code(SettingsList::Observer);
    settings_.MeasurementTypeSel = Position(SettingsList::Type);
    settings_.DensityWhiteRefSel = Position(SettingsList::DensityWhiteRef);
    settings_.ObserverSel = Position(SettingsList::Observer);
    settings_.MeasTypeString = Text(SettingsList::Type);
    settings_.DenWhiteRefString = Text(SettingsList::DensityWhiteRef);
    settings_.ObserverString = Text(SettingsList::Observer);

    bool mayClose = SendToInstrument();
    if (settings_.MeasurementType != settings_.PrevMeasSel) SwitchSelection();
    return mayClose;
}

void MeasSettingsLogic::WriteSettings() {
    const struct {
        const char *name;
        int value;
    } ints[] = {
        {"MeasurementTypeSel", Position(SettingsList::Type)},
        {"DensityWhiteRefSel", Position(SettingsList::DensityWhiteRef)},
        {"ObserverSel", Position(SettingsList::Observer)},
        {"PrevMeasSel", settings_.PrevMeasSel},
        {"MeasurementType", Code(SettingsList::Type)},
        {"MeasurementCond", Code(SettingsList::Condition)},
        {"Observer", Code(SettingsList::Observer)},
        {"Illuminant", Code(SettingsList::Illuminant)},
        {"PolarizationSel", Position(SettingsList::Polarization)},
        {"Polarization", Code(SettingsList::Polarization)},
    };
    for (const auto &v : ints) WriteSettingInt(settings_, v.name, v.value, store_);
    const struct {
        const char *name;
        SettingsList list;
    } texts[] = {
        {"MeasTypeString", SettingsList::Type},        {"MeasCondString", SettingsList::Condition},
        {"DenWhiteRefString", SettingsList::DensityWhiteRef}, {"ObserverString", SettingsList::Observer},
        {"IlluminantString", SettingsList::Illuminant}, {"PolarizationString", SettingsList::Polarization},
    };
    for (const auto &t : texts) WriteSettingString(settings_, t.name, Text(t.list), store_);
}

// Sends polarisation, type, condition, observer and illuminant in this order; a failure is
// reported and the next one is still sent. Returns false when the condition or the
// illuminant was refused.
bool MeasSettingsLogic::SendToInstrument() {
    CPropertySetting keepOpen;
    bool mayClose = true;
    conditionAccepted_ = illuminantAccepted_ = false;

    int polarization = Position(SettingsList::Polarization) == 1 ? 1 : 0;
    int32_t rc = keepOpen.Adapter().SetPolFilterCondition(polarization);
    if (rc == 0) {
        settings_.Polarization = polarization;
        settings_.PolarizationString = Text(SettingsList::Polarization);
    } else {
        Report(rc);
    }

    if ((rc = SetPropertyFromMask(PropertyTable::MeasurementType, Code(SettingsList::Type))) != 0)
        Report(rc);

    rc = SetPropertyFromMask(PropertyTable::MeasurementCondition, Code(SettingsList::Condition));
    if (rc == kResultNotAccepted) {
        Tell(meas::kConditionRefused, meas::kCaption, platform::mb::ICONEXCLAMATION);
        mayClose = false;
    } else if (rc != 0) {
        Report(rc);
    } else {
        conditionAccepted_ = true;
        settings_.MeasurementCond = Code(SettingsList::Condition);
        settings_.MeasCondString = Text(SettingsList::Condition);
        WriteSettingInt(settings_, "MeasurementCondSel", Position(SettingsList::Condition), store_);
    }

    if ((rc = SetPropertyFromMask(PropertyTable::Observer, Code(SettingsList::Observer))) != 0)
        Report(rc);

    rc = SetPropertyFromMask(PropertyTable::Illuminant, Code(SettingsList::Illuminant));
    if (rc == kResultNotAccepted) {
        Tell(meas::kIlluminantRefused, meas::kCaption, platform::mb::ICONEXCLAMATION);
        mayClose = false;
    } else if (rc != 0) {
        Report(rc);
    } else {
        illuminantAccepted_ = true;
        WriteSettingInt(settings_, "IlluminantSel", Position(SettingsList::Illuminant), store_);
        settings_.Illuminant = Code(SettingsList::Illuminant);
        settings_.IlluminantString = Text(SettingsList::Illuminant);
    }
    return mayClose;
}

// The type changed: the data items of the new type become the selection in force (their
// defaults when none are stored) and are stored back.
void MeasSettingsLogic::SwitchSelection() {
    int typePosition = Position(SettingsList::Type);
    bool irradiance = typePosition != 0;
    MeasKind kind = irradiance ? MeasKind::Irradiance : MeasKind::Reflection;
    const char *key = SelectionValueName(typePosition);
    std::string text = store_.GetString(settings_.modelName, key, "");
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
    WriteSettingString(settings_, key, SelectionText(items), store_);
    Tell(meas::kSelectionSwitched, meas::kCaption, platform::mb::ICONASTERISK);
}

// A caption id of 0 stands for the program's own name.
void MeasSettingsLogic::Tell(int stringId, int captionId, unsigned flags) {
    Notice notice = MakeNotice(stringId, captionId, flags);
    if (captionId == 0) notice.caption = QCoreApplication::applicationName().toStdString();
    if (notices_) notices_(notice);
}

void MeasSettingsLogic::Report(int32_t code) {
    Notice notice = errorMng_.NoticeFor(code);
    if (notices_) notices_(notice);
}

}  // namespace ombra::core
