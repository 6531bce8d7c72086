// What the tone-data page and its tone entry dialog do with the slot, without a window: the
// eligible entries and their names, the list texts and their way back into the slot, the
// mid-tone spread's working values and its three choices, deleting entries, and the entry
// dialog's values.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/colorset/ColorSet.h"

namespace ombra::core::tonedata {

inline constexpr int kColumns = 11;

struct Column {
    int headerId;
    int width;
};
// Number, name, then tint, aim and tolerance of steps 1 to 3.
std::array<Column, kColumns> Columns();

// An entry takes part and its colour is not the paper colour.
bool IsEligible(const ColorSet &set, int e);
// "<colour name> (No.<e + 1>)" for tone entry e; the same form names colours by number.
std::string NumberedName(const std::string &colorName, int number);
std::string ToneEntryName(const ColorSet &set, int e);

// Eligible tone entries in entry order: index and name.
using NameList = std::vector<std::pair<int, std::string>>;
NameList EligibleNames(const ColorSet &set);

// The list as filled from the slot. `listed[e][s]` says that step s of entry e was written
// with values; only those cells are read back.
struct ToneList {
    std::array<std::array<std::string, kColumns>, kColorSetTones> rows{};
    std::array<std::array<bool, kToneSteps>, kColorSetTones> listed{};
    NameList names;
};
ToneList FillToneList(const ColorSet &set);

// The page's working copy of the mid-tone spread.
struct MidTone {
    bool on = false;
    int stepIndex = 0;
    std::array<int, 3> indexes{0, 0, 0};
    std::array<std::string, 3> texts;
    double tolerance = 5.0;
};
// Taken from the slot when the page loads: a named entry that is not eligible leaves its text empty.
MidTone LoadMidTone(const ColorSet &set, const NameList &names);
// Fewer than three eligible entries switch the rule off; a rule that is off compares step 1.
void ApplyEligibility(MidTone &midTone, size_t eligibleCount);

// Fills the three choices: each shows the remembered text (none set: the first three
// names), and its entry becomes that position's tone index. When a remembered text is
// not among the names the texts are cleared and the first three names are taken, once;
// positions without a name stay empty. Returns the selected position of each choice in
// `names` (-1: nothing selected).
std::array<int, 3> FillMidToneChoices(const NameList &names, MidTone &midTone);

// Storing the page: every step the last fill listed with values, from its texts (tint as a
// whole number), provided its entry is still eligible and the step on; then the mid-tone spread.
void StoreToneList(const ToneList &list, const MidTone &midTone, ColorSet &set);

// Button 1093: at least two colours defined, or exactly one and no paper colour.
bool CanEnterToneEntry(const ColorSet &set);
bool AnyToneEnabled(const ColorSet &set);

// Entry e becomes empty; the first mid-tone position naming it is emptied.
void DeleteToneEntry(ColorSet &set, int e, MidTone &midTone);
void DeleteAllToneEntries(ColorSet &set, MidTone &midTone);

// The working values of the tone entry dialog.
struct ToneEntryForm {
    int color = -1;  // -1 until a colour is chosen
    std::array<bool, kToneSteps> on{true, true, true};
    std::array<double, kToneSteps> tints{75, 50, 25};
    std::array<double, kToneSteps> aims{20.0, 20.0, 20.0};
    std::array<double, kToneSteps> tolerances{5.0, 5.0, 5.0};
};
ToneEntryForm LoadToneEntry(const ColorSet &set, int e);
// The colours a tone entry may use: every defined colour except the paper colour, as
// (colour index, "<name> (No.<k + 1>)").
NameList ToneColorChoices(const ColorSet &set);
// Writes the form into entry e (enabled and defined). False, and nothing written, while no
// colour is chosen.
bool StoreToneEntry(const ToneEntryForm &form, ColorSet &set, int e);

}  // namespace ombra::core::tonedata
