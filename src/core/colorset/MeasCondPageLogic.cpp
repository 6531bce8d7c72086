#include "core/colorset/MeasCondPageLogic.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core::meascond {
namespace {

int inRangeOr(int value, int first, int last, int otherwise) { return value >= first && value <= last ? value : otherwise; }

}  // namespace

Form LoadForm(const ColorSet &set) {
    Form form;
    form.name = set.name;
    form.conditionIndex = MeasurementConditionToIndex(set.measurementCondition);
    form.illuminant = set.illuminant;
    form.observer = set.observer;
    form.differenceFormula = set.differenceFormula;
    form.conditionMode = set.conditionMode;
    form.polarization = set.polarization;
    form.previousPolarization = set.polarization;
    for (int i = 0; i < 3; ++i) form.factors[i] = set.factors[i];
    form.toneConditionIndex = ToneMeasurementConditionToIndex(set.toneMeasurementCondition);
    form.toneSetting = set.toneSetting;
    form.toneFactor = set.toneFactor;
    return form;
}

void StoreForm(const Form &form, ColorSet &set) {
    set.name = form.name.substr(0, kColorSetNameLimit);
    set.illuminant = inRangeOr(form.illuminant, 0, 14, 2);
    set.observer = form.observer == 1 ? 1 : 0;
    set.differenceFormula = inRangeOr(form.differenceFormula, 1, 4, 0);
    set.conditionMode = inRangeOr(form.conditionMode, 1, 2, 0);
    set.polarization = form.polarization == 1 ? 1 : 0;
    set.measurementCondition = MeasurementConditionFromIndex(form.conditionIndex);
    for (int i = 0; i < 3; ++i) set.factors[i] = static_cast<float>(form.factors[i]);
    set.toneMeasurementCondition = ToneMeasurementConditionFromIndex(form.toneConditionIndex);
    set.toneSetting = inRangeOr(form.toneSetting, 0, 4, 1);
    set.toneFactor = static_cast<float>(form.toneFactor);
}

std::vector<ChoiceEntry> ConditionChoices(int polarization) {
    if (polarization == 1) return {{res::kStrConditionM3, 3}};
    return {{res::kStrConditionM0, 0},
            {res::kStrConditionM1, 1},
            {res::kStrConditionM2, 2},
            {res::kStrConditionUserIlluminant, 4}};
}

std::vector<ChoiceEntry> ToneConditionChoices(int polarization) {
    if (polarization == 1) return {{res::kStrConditionM3, 2}};
    return {{res::kStrConditionM0, 0}, {res::kStrConditionM2, 1}};
}

std::vector<ChoiceEntry> RangeChoices(int firstTextId, int count) {
    std::vector<ChoiceEntry> choices;
    for (int i = 0; i < count; ++i) choices.push_back({firstTextId + i, i});
    return choices;
}

int PositionOf(const std::vector<ChoiceEntry> &choices, int index) {
    for (size_t i = 0; i < choices.size(); ++i)
        if (choices[i].index == index) return static_cast<int>(i);
    return 0;
}

void ApplyPolarization(Form &form) {
    if (form.polarization != 1) return;
    form.conditionIndex = 3;
    form.toneConditionIndex = 2;
}

void ChangePolarization(Form &form, int value) {
    if (value == form.previousPolarization) return;
    form.polarization = value;
    form.previousPolarization = value;
    form.conditionIndex = 1;
    form.toneConditionIndex = 0;
    ApplyPolarization(form);
}

std::array<bool, 3> FactorsInUse(int differenceFormula) {
    switch (differenceFormula) {
    case 1: return {true, true, false};
    case 2:
    case 3: return {true, true, true};
    default: return {false, false, false};
    }
}

}  // namespace ombra::core::meascond
