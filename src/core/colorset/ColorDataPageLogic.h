// What the colour-data page and its colour entry dialog do with the slot, without a window:
// the list texts and their way back into the slot, the paper-colour rule, deleting colours,
// the entry dialog's values, and measuring a colour with the instrument.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/colorset/ColorSet.h"
#include "core/platform/Notice.h"

namespace ombra::core {

class CVireoDllAdapter;

namespace colordata {

inline constexpr int kColumns = 10;
inline constexpr int kToleranceCheckColumn = 5;
inline constexpr int kFirstToleranceColumn = 6;
// The check column shows the words res::kStrTrue and res::kStrFalse, in the user's language.
// They are the list's words only: the slot, the instrument and the colour-set file keep the
// check as 0 or 1, and the list carries it beside the words (ColorList::checked), so nothing is
// read back from them.

struct Column {
    int headerId;
    int width;
};
// Number, name, L*, a*, b*, check, tolerances 1 to 4; the last heading follows the formula.
std::array<Column, kColumns> Columns(int differenceFormula);
// The heading of the fourth tolerance: 1275..1278 for formulas 1..4, else 1408.
int FourthToleranceHeader(int differenceFormula);

// The list as filled from the slot. `listed[k]` says that row k was written with the values
// of a defined colour; only such rows are read back.
struct ColorList {
    std::array<std::array<std::string, kColumns>, kColorSetColors> rows{};
    std::array<bool, kColorSetColors> listed{};
    std::array<bool, kColorSetColors> checked{};  // what the check column's text says
};
ColorList FillColorList(const ColorSet &set);

// Storing the page: the paper colour from the choice (0 none, k colour k) and every defined
// colour from its row as the last fill wrote it, so values pass through their two-decimal
// texts. A colour that was not listed with values keeps its values.
void StoreColorList(const ColorList &list, int paperChoice, ColorSet &set);

bool AnyColorDefined(const ColorSet &set);
bool ColorDefined(const ColorSet &set, int k);  // false outside 0..14

// The paper choice moves from `current` to `chosen` (0 none, k colour k). Notices go to
// `ask`: string 1296 when `chosen` is an undefined colour, else the question 1393 (OK
// goes on). Tone entries defined on the new paper colour are switched off and those on the
// previous one on again. Returns the choice in force afterwards (`current` when refused).
int ChangePaperChoice(ColorSet &set, int current, int chosen, const NoticeSink &ask);

// Colour k becomes the empty colour; a paper colour k becomes none; tone entries on colour
// k become empty tone entries.
void DeleteColor(ColorSet &set, int k);
// Every colour and tone entry becomes empty and the paper colour none; the mid-tone spread stays.
void DeleteAllColors(ColorSet &set);

// The working values of the colour entry dialog.
struct ColorEntryForm {
    std::string name;
    double L = 93.0, a = 0.0, b = -3.0;
    std::array<double, kColorTolerances> tolerances{5.0, 5.0, 5.0, 5.0};
    std::array<bool, kColorTolerances> inUse{true, true, true, true};
};
// The values of colour k, or those of a new colour when it is not defined.
ColorEntryForm LoadColorEntry(const ColorSet &set, int k);
// Writes the form into colour k: defined, judged against its tolerances exactly when one is in use.
void StoreColorEntry(const ColorEntryForm &form, ColorSet &set, int k);

// Measures L*a*b* for the entry dialog: reflection, measure, colour value L*a*b*, get the
// values; afterwards the measurement type goes back to `storedTypeMask` (the
// MeasurementType setting) whatever happened, so button measurements keep measuring as set.
// Returns the first failure (the sequence's own before the restore's), 0 on success; `lab`
// is written only on success.
int32_t MeasureColorLab(CVireoDllAdapter &adapter, uint32_t storedTypeMask, std::array<double, 3> &lab);

}  // namespace colordata
}  // namespace ombra::core
