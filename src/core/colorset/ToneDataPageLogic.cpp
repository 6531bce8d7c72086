#include "core/colorset/ToneDataPageLogic.h"

#include <algorithm>
#include <cmath>

#include "core/colorset/ColorSetFile.h"
#include "core/platform/Numbers.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core::tonedata {
namespace {

bool validEntry(int e) { return e >= 0 && e < kColorSetTones; }

int positionOf(const NameList &names, const std::string &text) {
    if (text.empty()) return -1;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].second == text) return static_cast<int>(i);
    return -1;
}

void takeFirstNames(const NameList &names, MidTone &midTone) {
    for (size_t i = 0; i < 3; ++i) midTone.texts[i] = i < names.size() ? names[i].second : std::string();
}

}  // namespace

std::array<Column, kColumns> Columns() {
    return {Column{res::kStrNumberHeading, 60},
            {res::kStrName, 100},
            {res::kStrTint1Heading, 50},
            {res::kStrAim1Heading, 45},
            {res::kStrTolerance1Heading, 85},
            {res::kStrTint2Heading, 50},
            {res::kStrAim2Heading, 45},
            {res::kStrTolerance2Heading, 85},
            {res::kStrTint3Heading, 50},
            {res::kStrAim3Heading, 45},
            {res::kStrTolerance3Heading, 85}};
}

bool IsEligible(const ColorSet &set, int e) {
    return validEntry(e) && set.tones[e].enabled == 1 && set.tones[e].color != set.paperColor;
}

std::string NumberedName(const std::string &colorName, int number) {
    return colorName + platform::ResString(res::kStrNumberSuffix) + " " + std::to_string(number) + ")";
}

std::string ToneEntryName(const ColorSet &set, int e) {
    int color = set.tones[e].color;
    std::string colorName = color >= 0 && color < kColorSetColors ? set.colors[color].name : std::string();
    return NumberedName(colorName, e + 1);
}

NameList EligibleNames(const ColorSet &set) {
    NameList names;
    for (int e = 0; e < kColorSetTones; ++e)
        if (IsEligible(set, e)) names.emplace_back(e, ToneEntryName(set, e));
    return names;
}

ToneList FillToneList(const ColorSet &set) {
    ToneList list;
    list.names = EligibleNames(set);
    for (int e = 0; e < kColorSetTones; ++e) {
        auto &row = list.rows[e];
        row[0] = std::to_string(e + 1);
        if (!IsEligible(set, e)) continue;
        row[1] = ToneEntryName(set, e);
        for (int s = 0; s < kToneSteps; ++s) {
            const ToneStep &step = set.tones[e].steps[s];
            if (!step.on) continue;
            list.listed[e][s] = true;
            row[2 + 3 * s] = std::to_string(WholeTint(step.tint));
            row[3 + 3 * s] = platform::FormatNumber(step.aim, 1);
            row[4 + 3 * s] = platform::FormatNumber(step.tolerance, 1);
        }
    }
    return list;
}

MidTone LoadMidTone(const ColorSet &set, const NameList &names) {
    MidTone midTone;
    const MidToneSpread &rule = set.midToneSpread;
    midTone.on = rule.enabled == 1;
    midTone.stepIndex = std::clamp(rule.stepIndex, 0, 2);
    midTone.indexes = rule.toneIndexes;
    midTone.tolerance = rule.tolerance;
    for (int i = 0; i < 3; ++i) {
        auto named = std::find_if(names.begin(), names.end(), [&](const auto &n) { return n.first == rule.toneIndexes[i]; });
        if (named != names.end()) midTone.texts[i] = named->second;
    }
    return midTone;
}

void ApplyEligibility(MidTone &midTone, size_t eligibleCount) {
    if (eligibleCount < 3) midTone.on = false;
    if (!midTone.on) midTone.stepIndex = 0;
}

std::array<int, 3> FillMidToneChoices(const NameList &names, MidTone &midTone) {
    std::array<int, 3> selected{-1, -1, -1};
    // A second pass at most: after the texts were cleared the first names are taken, and a
    // position without a name stays empty instead of sending the fill round again.
    for (int pass = 0; pass < 2; ++pass) {
        if (std::all_of(midTone.texts.begin(), midTone.texts.end(), [](const std::string &t) { return t.empty(); }))
            takeFirstNames(names, midTone);
        bool allFound = true;
        for (int i = 0; i < 3; ++i) {
            selected[i] = positionOf(names, midTone.texts[i]);
            if (selected[i] >= 0) midTone.indexes[i] = names[selected[i]].first;
            else if (!(pass == 1 && midTone.texts[i].empty())) allFound = false;
        }
        if (allFound || pass == 1) break;
        midTone.texts = {};
    }
    return selected;
}

void StoreToneList(const ToneList &list, const MidTone &midTone, ColorSet &set) {
    for (int e = 0; e < kColorSetTones; ++e) {
        if (!IsEligible(set, e)) continue;
        for (int s = 0; s < kToneSteps; ++s) {
            ToneStep &step = set.tones[e].steps[s];
            if (!step.on || !list.listed[e][s]) continue;
            const auto &row = list.rows[e];
            step.tint = static_cast<float>(std::trunc(ReadLeadingDecimal(row[2 + 3 * s])));
            step.aim = static_cast<float>(ReadLeadingDecimal(row[3 + 3 * s]));
            step.tolerance = static_cast<float>(ReadLeadingDecimal(row[4 + 3 * s]));
        }
    }
    MidToneSpread &rule = set.midToneSpread;
    rule.enabled = midTone.on ? 1 : 0;
    rule.stepIndex = midTone.stepIndex;
    rule.toneIndexes = midTone.indexes;
    rule.tolerance = static_cast<float>(midTone.tolerance);
}

bool CanEnterToneEntry(const ColorSet &set) {
    auto defined = std::count_if(set.colors.begin(), set.colors.end(), [](const ColorEntry &c) { return c.valid == 1; });
    return defined >= 2 || (defined == 1 && set.paperColor == kNoPaperColor);
}

bool AnyToneEnabled(const ColorSet &set) {
    return std::any_of(set.tones.begin(), set.tones.end(), [](const ToneEntry &t) { return t.enabled == 1; });
}

void DeleteToneEntry(ColorSet &set, int e, MidTone &midTone) {
    if (!validEntry(e)) return;
    set.tones[e] = ToneEntry{};
    for (int i = 0; i < 3; ++i) {
        if (midTone.indexes[i] != e) continue;
        midTone.indexes[i] = 0;
        midTone.texts[i].clear();
        break;
    }
}

void DeleteAllToneEntries(ColorSet &set, MidTone &midTone) {
    set.tones.fill(ToneEntry{});
    midTone.on = false;
    midTone.stepIndex = 0;
    midTone.indexes = {0, 0, 0};
    midTone.texts = {};
}

ToneEntryForm LoadToneEntry(const ColorSet &set, int e) {
    ToneEntryForm form;
    if (!validEntry(e) || set.tones[e].enabled != 1) return form;
    const ToneEntry &tone = set.tones[e];
    form.color = tone.color;
    for (int s = 0; s < kToneSteps; ++s) {
        form.on[s] = tone.steps[s].on;
        form.tints[s] = tone.steps[s].tint;
        form.aims[s] = tone.steps[s].aim;
        form.tolerances[s] = tone.steps[s].tolerance;
    }
    return form;
}

NameList ToneColorChoices(const ColorSet &set) {
    NameList choices;
    for (int k = 0; k < kColorSetColors; ++k)
        if (set.colors[k].valid == 1 && k != set.paperColor) choices.emplace_back(k, NumberedName(set.colors[k].name, k + 1));
    return choices;
}

bool StoreToneEntry(const ToneEntryForm &form, ColorSet &set, int e) {
    if (!validEntry(e) || form.color < 0 || form.color >= kColorSetColors) return false;
    ToneEntry &tone = set.tones[e];
    tone.color = form.color;
    tone.enabled = 1;
    tone.defined = 1;
    for (int s = 0; s < kToneSteps; ++s) {
        tone.steps[s].on = form.on[s];
        tone.steps[s].tint = static_cast<float>(form.tints[s]);
        tone.steps[s].aim = static_cast<float>(form.aims[s]);
        tone.steps[s].tolerance = static_cast<float>(form.tolerances[s]);
    }
    return true;
}

}  // namespace ombra::core::tonedata
