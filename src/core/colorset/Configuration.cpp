#include "core/colorset/Configuration.h"

#include <fstream>
#include <optional>

#include "core/colorset/CertificationColorSetRecord.h"
#include "core/colorset/ColorSetFile.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/platform/AtomicFile.h"

namespace ombra::core {
namespace {

// The start of the file, at most kColorSetFileReadLimit bytes. When the file goes on
// beyond that, only whole lines are kept, so a line cut at the limit is never taken
// for a complete one.
std::optional<std::string> readFileStart(const std::string &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::string bytes(kColorSetFileReadLimit + 1, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) return std::nullopt;
    bytes.resize(static_cast<size_t>(file.gcount()));
    if (bytes.size() > kColorSetFileReadLimit) {
        size_t lastBreak = bytes.rfind('\n', kColorSetFileReadLimit - 1);
        bytes.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }
    return bytes;
}

bool stepOn(const ToneEntry &tone, int step) { return tone.steps[step].on; }

}  // namespace

int32_t CConfiguration::ReadAllFromInstrument() {
    slots_.clear();
    for (int slot = 0; slot < kColorSetSlots; ++slot) {
        CertificationColorSetRecord record{};
        int32_t status = LockedCall([&](const DIFunctions &di) {
            return di.DIGetCertificationColorSet(DeviceHandle().load(), slot, &record);
        });
        if (status == DI_OK) slots_[slot] = ColorSetFromRecord(record);
        else if (status == DI_ERR_COLORSET_EMPTY) slots_[slot] = ColorSet{};
        else return status;
    }
    return DI_OK;
}

int32_t CConfiguration::WriteToInstrument(int slot) {
    ColorSet *set = Slot(slot);
    if (!set) return DI_ERR_BAD_ARGUMENT;
    set->registered = true;
    // An out-of-range index names no colour either (and must not be used as one).
    bool paperDefined = set->paperColor >= 0 && set->paperColor < kColorSetColors &&
                        set->colors[set->paperColor].valid == 1;
    if (set->paperColor != kNoPaperColor && !paperDefined) set->paperColor = kNoPaperColor;
    CertificationColorSetRecord record = RecordFromColorSet(*set);
    return LockedCall([&](const DIFunctions &di) {
        return di.DISetCertificationColorSet(DeviceHandle().load(), slot, &record);
    });
}

int32_t CConfiguration::ClearInInstrument(int slot) {
    return LockedCall([&](const DIFunctions &di) { return di.DIClearCertificationColorSet(DeviceHandle().load(), slot); });
}

int CConfiguration::LoadFromFile(const std::string &path, int slot) {
    ColorSet *set = Slot(slot);
    if (!set) return -1;
    std::optional<std::string> bytes = readFileStart(path);
    if (!bytes || !ReadColorSetFileText(*bytes, *set)) return -1;
    return 0;
}

bool CConfiguration::SaveToFile(const std::string &path, int slot) const {
    const ColorSet *set = Slot(slot);
    if (!set) return false;
    std::optional<std::string> text = ColorSetFileText(*set);
    return text && platform::WriteFileAtomically(path, *text);
}

int CConfiguration::CheckMidToneSpread(int slot) const {
    const ColorSet *set = Slot(slot);
    if (!set || set->midToneSpread.enabled != 1) return 0;
    const MidToneSpread &rule = set->midToneSpread;
    const auto &index = rule.toneIndexes;
    int step = rule.stepIndex;
    for (int i : index)
        if (i < 0 || i >= kColorSetTones) return midtone::kNoSuchEntry;
    if (step < 0 || step >= kToneSteps) return midtone::kNoSuchEntry;

    int bits = 0;
    if (index[0] == index[1] || index[0] == index[2] || index[1] == index[2]) bits |= midtone::kRepeatedTone;
    const ToneEntry &t1 = set->tones[index[0]], &t2 = set->tones[index[1]], &t3 = set->tones[index[2]];
    if (!stepOn(t1, step) || !stepOn(t2, step) || !stepOn(t3, step)) return bits | midtone::kStepOff;
    if (t1.color == t2.color || t1.color == t3.color || t2.color == t3.color) bits |= midtone::kSameColor;
    int32_t tint = WholeTint(t1.steps[step].tint);
    if (WholeTint(t2.steps[step].tint) != tint || WholeTint(t3.steps[step].tint) != tint)
        bits |= midtone::kDifferentTints;
    return bits;
}

ColorSet *CConfiguration::Slot(int slot) {
    auto it = slots_.find(slot);
    return it == slots_.end() ? nullptr : &it->second;
}

const ColorSet *CConfiguration::Slot(int slot) const {
    auto it = slots_.find(slot);
    return it == slots_.end() ? nullptr : &it->second;
}

void CConfiguration::ResetSlot(int slot) { slots_[slot] = ColorSet{}; }

void CConfiguration::ResetAll() {
    slots_.clear();
    for (int slot = 0; slot < kColorSetSlots; ++slot) slots_[slot] = ColorSet{};
}

bool CConfiguration::AnyRegistered() const {
    for (const auto &[slot, set] : slots_)
        if (set.registered) return true;
    return false;
}

}  // namespace ombra::core
