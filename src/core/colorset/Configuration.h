// The program's copy of the instrument's 50 colour-set slots: read from the instrument,
// sent to it one slot at a time, cleared there, and loaded from or saved to colour-set
// files one slot at a time. The colour-set list dialog owns one; the editor and its
// pages change one slot of it in place.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "core/colorset/ColorSet.h"

namespace ombra::core {

// Bits of CConfiguration::CheckMidToneSpread.
namespace midtone {
inline constexpr int kRepeatedTone = 0x1;     // two of the three tone entries are the same
inline constexpr int kSameColor = 0x2;        // two of the entries have the same colour
inline constexpr int kDifferentTints = 0x4;   // the compared step's whole tints differ
inline constexpr int kStepOff = 0x8;          // the compared step is off in an entry
inline constexpr int kNoSuchEntry = 0x10;     // the rule names a tone entry or step that does not exist
inline constexpr int kConsistencyBits = kRepeatedTone | kSameColor | kDifferentTints;
}  // namespace midtone

class DialogInstrument;

class CConfiguration {
public:
    CConfiguration() = default;
    virtual ~CConfiguration() = default;

    // Replaces the collection with slots 0..49 as the instrument holds them (an empty
    // instrument slot becomes an empty set). On a failing slot its status is returned at
    // once: the slots before it stay, it and the later ones are absent. The caller shows the
    // wait cursor while it runs.
    int32_t ReadAllFromInstrument();

    // Sends one slot (marking it registered; a paper colour that names an undefined colour
    // becomes none, in the slot too). An absent slot is not sent: DI_ERR_BAD_ARGUMENT.
    int32_t WriteToInstrument(int slot);

    // Deletes one slot in the instrument; the collection is left as it is.
    int32_t ClearInInstrument(int slot);

    // 0 when the file was taken into the slot; -1 when the file cannot be read, is not a
    // valid colour-set file, or the slot is absent. On -1 the slot is unchanged.
    int LoadFromFile(const std::string &path, int slot);

    // True when the slot was written to `path`. A slot that would not read back (a value
    // out of range, say) or a failed write leaves any earlier file at `path` untouched.
    bool SaveToFile(const std::string &path, int slot) const;

    // The midtone:: bits; 0 when the rule is consistent, not enabled or the slot absent.
    int CheckMidToneSpread(int slot) const;

    static bool IsValidColorSetText(std::string_view text, int maximumLength) {
        return ombra::core::IsValidColorSetText(text, maximumLength);
    }

    // ---- the collection ----
    std::map<int, ColorSet> &Slots() { return slots_; }
    const std::map<int, ColorSet> &Slots() const { return slots_; }
    ColorSet *Slot(int slot);  // nullptr when absent
    const ColorSet *Slot(int slot) const;
    // The slot holds an empty set again (created when absent).
    void ResetSlot(int slot);
    // Slots 0..49, all empty.
    void ResetAll();
    bool AnyRegistered() const;

    // The instrument the session handed the colour-set dialogs, for the colour entry's Measure
    // (nullptr: none, and a measurement fails as without an open instrument).
    void SetInstrument(DialogInstrument *instrument) { instrument_ = instrument; }
    DialogInstrument *Instrument() const { return instrument_; }

private:
    std::map<int, ColorSet> slots_;
    DialogInstrument *instrument_ = nullptr;
};

}  // namespace ombra::core
