// What the measurement-condition page of the colour-set editor does with the slot, without a
// window: the working values loaded from the slot and stored back through the condition maps
// and clamps, the entries of its choices and the polarisation rule.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "core/colorset/ColorSet.h"

namespace ombra::core::meascond {

// Working values of the page, as list positions and indexes.
struct Form {
    std::string name;
    int conditionIndex = 0;  // 0..4 (0, 2, 160, 161, 14)
    int illuminant = 2;
    int observer = 0;
    int differenceFormula = 0;
    int conditionMode = 0;
    int polarization = 0;
    int previousPolarization = 0;
    std::array<double, 3> factors{1.0, 1.0, 1.0};
    int toneConditionIndex = 0;  // 0..2 (0, 160, 161)
    int toneSetting = 1;
    double toneFactor = 1.0;
};

Form LoadForm(const ColorSet &set);
// Writes the form into the slot: unknown indexes become the defaults of the maps, the name
// is cut to 12 bytes.
void StoreForm(const Form &form, ColorSet &set);

// One entry of a choice: its text's string id and the index it stands for.
struct ChoiceEntry {
    int textId;
    int index;
};
// Measurement condition: 1142, 1143, 1144, 1158 with polarisation off, only 1273 with it on.
std::vector<ChoiceEntry> ConditionChoices(int polarization);
// Tone measurement condition: 1142, 1144 with polarisation off, only 1273 with it on.
std::vector<ChoiceEntry> ToneConditionChoices(int polarization);
// Simple choices: entries in index order from the first string id.
std::vector<ChoiceEntry> RangeChoices(int firstTextId, int count);
// The position of `index` among `choices`; 0 when it is not offered.
int PositionOf(const std::vector<ChoiceEntry> &choices, int index);

// Polarisation on always goes with the polarised condition in both choices; switching it
// changes the conditions to the second measurement condition and the first tone condition
// (polarisation off) or to the polarised ones (on). No change when `value` is the previous one.
void ChangePolarization(Form &form, int value);
// With polarisation on the conditions are the polarised ones (used when refilling the choices).
void ApplyPolarization(Form &form);

// Which factor edits the formula uses: formula 1 the first two, 2 and 3 all three, 0 and 4 none.
std::array<bool, 3> FactorsInUse(int differenceFormula);

}  // namespace ombra::core::meascond
