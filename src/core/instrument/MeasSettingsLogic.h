// The logic of the measurement settings dialog without any window: the six lists and their
// entries, what each change of a list does to the others, and what OK stores and sends to
// the instrument. The dialog mirrors the list states into its controls.
//
// Each choice is kept three ways: its list position, the code behind it (a single-bit mask,
// 161 for the polarised condition, 0/1 for polarisation) and the shown text.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/instrument/ErrorMng.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/Notice.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

enum class SettingsList { Type, Condition, DensityWhiteRef, Observer, Illuminant, Polarization };
constexpr int kSettingsListCount = 6;

namespace meas {
// Control ids of the lists, in the order of SettingsList.
constexpr std::array<int, kSettingsListCount> kListIds = {
    res::kCtlMeasSettingsType,     res::kCtlMeasSettingsCondition,  res::kCtlMeasSettingsDensityWhiteRef,
    res::kCtlMeasSettingsObserver, res::kCtlMeasSettingsIlluminant, res::kCtlMeasSettingsPolarization};
constexpr int kPolarizedConditionCode = kPolarizedCondition.code;
constexpr int kConditionFallbackCode = 0x4;   // condition in force when the polarised one is left
constexpr int kIrradianceTypePosition = 1;
constexpr int32_t kSixteenthProbeValue = 14;  // property 4 value of the 0x8000 row
constexpr int kSixteenthConditionPosition = 15;
constexpr int kSixteenthIlluminantPosition = 14;
constexpr int kConditionFallbackPosition = 1;
constexpr int kIlluminantFallbackPosition = 2;
}  // namespace meas

// Entries of each list, in list order. `modelName` decides whether irradiance is offered
// (only for the model named by string 1234).
std::vector<ListEntry> MeasurementTypeEntries(const std::string &modelName);
std::vector<ListEntry> ConditionEntries(bool sixteenthAvailable, int polarization);
std::vector<ListEntry> DensityWhiteRefEntries();
std::vector<ListEntry> ObserverEntries();
std::vector<ListEntry> IlluminantEntries(bool sixteenthAvailable);
std::vector<ListEntry> PolarizationEntries();

// The illuminant code that goes with a condition code: a light source matched to illuminant
// n selects illuminant n; M0, M1, M2 and the polarised condition select 0x4.
int IlluminantCodeForCondition(int conditionCode);

struct SettingsListState {
    std::vector<ListEntry> entries;
    std::vector<std::string> texts;  // the entries' texts
    int selected = 0;
    bool enabled = true;
};

class MeasSettingsLogic {
public:
    explicit MeasSettingsLogic(AppSettings &settings);

    // The positions the window copies in before the dialog is shown (from the settings'
    // *Sel values) and copies back after OK.
    void CopyPositionsFrom(const AppSettings &settings);
    // Copies the positions in force back: the condition and illuminant positions only once
    // the instrument has accepted them.
    void CopyPositionsTo(AppSettings &settings) const;

    // Dialog initialisation: probes for the sixteenth condition and illuminant, fills the
    // lists at the stored positions and brings codes, positions and texts into agreement.
    // Whatever the dialog has to tell the user from then on (a changed condition, a refusal,
    // an instrument error, a switched selection) goes to `notices`; a failed call that
    // `judge` takes as the instrument's loss is told by the session and ends the sending.
    void Initialise(NoticeSink notices, LossJudge judge = {});

    // The user chose `position` in `list`.
    void Select(SettingsList list, int position);

    // OK: stores the settings, sends them to the instrument and says whether the dialog may
    // close (false after the instrument refused the condition or the illuminant).
    bool Ok();

    const SettingsListState &List(SettingsList list) const { return lists_[index(list)]; }
    int Position(SettingsList list) const { return positions_[index(list)]; }
    int Code(SettingsList list) const { return codes_[index(list)]; }
    const std::string &Text(SettingsList list) const { return texts_[index(list)]; }
    bool SixteenthEntryAvailable() const { return sixteenthAvailable_; }

private:
    static size_t index(SettingsList list) { return static_cast<size_t>(list); }
    SettingsListState &state(SettingsList list) { return lists_[index(list)]; }
    int &position(SettingsList list) { return positions_[index(list)]; }
    int &code(SettingsList list) { return codes_[index(list)]; }

    void ProbeSixteenthEntry();
    void Fill(SettingsList list, std::vector<ListEntry> entries);
    void FillConditionList();
    void StoreChoice(SettingsList list);
    void RunChangeHandler(SettingsList list);
    void OnTypeChange();
    void OnConditionChange();
    // The condition's choice put in force, the illuminant following it (no message).
    void ApplyCondition();
    struct ConditionAndIlluminant {
        std::string condition, illuminant;
    };
    ConditionAndIlluminant CurrentConditionAndIlluminant() const;
    // Tells what a switch of the polarisation filter changed: a heading, a line for the
    // condition and one for the illuminant (each "old → new", or the one kept), and a request
    // to check them.
    void OnPolarizationChange();
    void SelectIlluminantCode(int illuminantCode);

    void WriteSettings();
    bool SendToInstrument();
    void SwitchSelection();
    void Tell(int stringId, int captionId, unsigned flags);
    // Tells an instrument error; true when it was the loss (then nothing more is sent).
    bool Report(int32_t code);

    // Codes and positions in SettingsList order (the polarisation code is 0 or 1).
    std::array<int, kSettingsListCount> codes_{};
    std::array<int, kSettingsListCount> positions_{};
    bool initialising_ = false;
    bool sixteenthAvailable_ = false;
    std::array<SettingsListState, kSettingsListCount> lists_;
    // Shown texts; they reach the settings in memory once the choice is in force.
    std::array<std::string, kSettingsListCount> texts_;
    bool conditionAccepted_ = false;
    bool illuminantAccepted_ = false;
    CErrorMng errorMng_;
    AppSettings &settings_;
    NoticeSink notices_;
};

}  // namespace ombra::core
