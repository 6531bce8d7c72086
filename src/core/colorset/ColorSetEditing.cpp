#include "core/colorset/ColorSetEditing.h"

#include <algorithm>

#include "core/colorset/Configuration.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/platform/MessageFlags.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core::colorsets {
namespace {

// %1 of a bullet line replaced by the step number.
std::string withStep(int stringId, int step) {
    Notice line = MakeNotice(stringId, 0, 0, {std::to_string(step)});
    return line.Text();
}

}  // namespace

std::vector<SlotRow> SlotRows(const CConfiguration &configuration) {
    std::vector<SlotRow> rows;
    int position = 0;
    for (const auto &[slot, set] : configuration.Slots()) rows.push_back({std::to_string(++position), set.name});
    return rows;
}

std::string ClearOneQuestion(const std::string &shownName) {
    return platform::ResString(res::kStrReallyDelete) + shownName + " ?";
}

int32_t ClearSlot(CConfiguration &configuration, int slot) {
    if (!configuration.Slot(slot)) return DI_ERR_BAD_ARGUMENT;
    int32_t status = configuration.ClearInInstrument(slot);
    if (status == 0) configuration.ResetSlot(slot);
    return status;
}

int32_t ClearAllRegistered(CConfiguration &configuration) {
    for (const auto &[slot, set] : configuration.Slots()) {
        if (!set.registered) continue;
        // Each clear is a user of its own: the instrument may close between two of them.
        if (int32_t status = configuration.ClearInInstrument(slot)) return status;
    }
    configuration.ResetAll();
    return 0;
}

std::string MidToneSpreadText(int bits, int stepIndex) {
    // A rule whose step lies outside the tone entries still names a step the user can find.
    const int step = std::clamp(stepIndex, 0, kToneSteps - 1) + 1;
    std::string text = platform::ResString(res::kStrMidToneHeading) + "\n";
    // A rule that names a tone entry or step that does not exist is inconsistent too.
    if (bits & (midtone::kConsistencyBits | midtone::kNoSuchEntry))
        text += "\n - " + withStep(res::kStrMidToneConsistency, step);
    if (bits & midtone::kStepOff) text += "\n - " + withStep(res::kStrMidToneStepOff, step);
    return text;
}

std::optional<Notice> MidToneSpreadNotice(const CConfiguration &configuration, int slot) {
    const int bits = configuration.CheckMidToneSpread(slot);
    if (bits == 0) return std::nullopt;
    Notice notice;
    notice.text = MidToneSpreadText(bits, configuration.Slot(slot)->midToneSpread.stepIndex);
    notice.captionId = res::kStrMessageCaption;
    notice.flags = platform::mb::OK;
    return notice;
}

std::optional<Notice> PolarizationMismatchNotice(const CConfiguration &configuration, int slot) {
    const ColorSet *set = configuration.Slot(slot);
    if (!set || PolarizationMatchesCondition(*set)) return std::nullopt;
    return MakeNotice(res::kStrColourSetPolarisationMismatch, res::kStrMessageCaption, platform::mb::ICONHAND);
}

std::string ProposedFileName(std::string_view setName) {
    std::string name(setName);
    for (char &c : name)
        if (std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos) c = '_';
    // "." and ".." name folders, not files.
    if (name == "." || name == "..") name.assign(name.size(), '_');
    return name;
}

std::string EditorCaption(int slot) {
    return platform::ResString(res::kStrColourSetCaption) + " " + std::to_string(slot + 1);
}

}  // namespace ombra::core::colorsets
