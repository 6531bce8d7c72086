// What the colour-set list and the colour-set editor decide without a window: the rows of
// the slot list, the clear sequences against the instrument, the mid-tone spread message,
// the file name proposed for a set and the folder the file dialogs start in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/Notice.h"

namespace ombra::core {

class CConfiguration;

namespace colorsets {

inline constexpr const char *kFileExtension = "fcs";

// One row of the slot list: the slot counted from 1, and the set name.
struct SlotRow {
    std::string number;
    std::string name;
};
std::vector<SlotRow> SlotRows(const CConfiguration &configuration);

// The question before clearing one slot: string 1288, the name shown, " ?".
std::string ClearOneQuestion(const std::string &shownName);

// Clears `slot` in the instrument; on success the slot holds an empty set again. The
// instrument's status is returned (0 for success); on failure nothing changes.
int32_t ClearSlot(CConfiguration &configuration, int slot);

// Clears every registered slot in the instrument, in ascending order. At the first failure
// its status is returned at once and the collection keeps its old contents (the slots before
// it are gone from the instrument all the same). On success every slot 0..49 is empty.
int32_t ClearAllRegistered(CConfiguration &configuration);

// The message shown when the slot's mid-tone spread does not pass; nothing when it passes.
// The step named in the bullet lines always lies within 1..3.
std::optional<Notice> MidToneSpreadNotice(const CConfiguration &configuration, int slot);
// The text of that message for the check's bits and the rule's step index.
std::string MidToneSpreadText(int bits, int stepIndex);

// The message shown before saving a slot whose polarisation does not go with its measurement
// condition (a file holding that pair could not be loaded again); nothing when they agree.
std::optional<Notice> PolarizationMismatchNotice(const CConfiguration &configuration, int slot);

// The file name proposed when saving a set: its name with every character that a file name
// cannot hold (/ \ : * ? " < > |) replaced by "_", so the proposal never points elsewhere
// ("." and ".." become "_" and "__" for the same reason).
std::string ProposedFileName(std::string_view setName);

// The editor's caption: string 1067, " ", the slot counted from 1.
std::string EditorCaption(int slot);

}  // namespace colorsets
}  // namespace ombra::core
