#include "core/colorset/ColorDataPageLogic.h"

#include <algorithm>

#include "core/colorset/ColorSetFile.h"
#include "core/instrument/PropertyTables.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/platform/MessageFlags.h"
#include "core/platform/Numbers.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core::colordata {
namespace {

constexpr uint32_t kReflectionTypeMask = 0x1;  // measurement type value 0
constexpr uint32_t kLabResultMask = 0x8000;    // colour value 0: L*a*b*

std::string twoDecimals(double value) { return platform::FormatNumber(value, 2); }

bool validIndex(int k) { return k >= 0 && k < kColorSetColors; }

// Defined tone entries on colour `from` are switched on again, those on colour `to` off.
void moveToneEntries(ColorSet &set, int from, int to) {
    for (ToneEntry &tone : set.tones) {
        if (!tone.defined) continue;
        if (tone.color == to) tone.enabled = 0;
        else if (tone.color == from) tone.enabled = 1;
    }
}

}  // namespace

int FourthToleranceHeader(int differenceFormula) {
    return differenceFormula >= 1 && differenceFormula <= 4 ? res::kStrFormulaCie1976 + differenceFormula
                                                                : res::kStrDeltaEabHeading;
}

std::array<Column, kColumns> Columns(int differenceFormula) {
    return {Column{res::kStrNumberHeading, 70},
            {res::kStrName, 100},
            {res::kStrLabelLStar, 60},
            {res::kStrLabelAStar, 60},
            {res::kStrLabelBStar, 60},
            {res::kStrCheckHeading, 60},
            {res::kStrFirstDifferenceLabel, 60},
            {res::kStrDeltaCHeading, 60},
            {res::kStrDeltaHHeading, 60},
            {FourthToleranceHeader(differenceFormula), 60}};
}

ColorList FillColorList(const ColorSet &set) {
    ColorList list;
    for (int k = 0; k < kColorSetColors; ++k) {
        auto &row = list.rows[k];
        row[0] = std::to_string(k + 1);
        const ColorEntry &color = set.colors[k];
        if (color.valid != 1) continue;
        list.listed[k] = true;
        row[1] = color.name;
        row[2] = twoDecimals(color.L);
        row[3] = twoDecimals(color.a);
        row[4] = twoDecimals(color.b);
        list.checked[k] = color.toleranceCheck != 0;
        row[kToleranceCheckColumn] = platform::ResString(list.checked[k] ? res::kStrTrue : res::kStrFalse);
        for (int t = 0; t < kColorTolerances; ++t)
            if (color.tolerances[t].inUse) row[kFirstToleranceColumn + t] = twoDecimals(color.tolerances[t].value);
    }
    return list;
}

void StoreColorList(const ColorList &list, int paperChoice, ColorSet &set) {
    set.paperColor = paperChoice - 1;
    for (int k = 0; k < kColorSetColors; ++k) {
        ColorEntry &color = set.colors[k];
        if (color.valid != 1 || !list.listed[k]) continue;
        const auto &row = list.rows[k];
        color.name = row[1];
        color.L = static_cast<float>(ReadLeadingDecimal(row[2]));
        color.a = static_cast<float>(ReadLeadingDecimal(row[3]));
        color.b = static_cast<float>(ReadLeadingDecimal(row[4]));
        color.toleranceCheck = list.checked[k] ? 1 : 0;
        for (int t = 0; t < kColorTolerances; ++t)
            if (const std::string &cell = row[kFirstToleranceColumn + t]; !cell.empty())
                color.tolerances[t].value = static_cast<float>(ReadLeadingDecimal(cell));
    }
}

bool ColorDefined(const ColorSet &set, int k) { return validIndex(k) && set.colors[k].valid == 1; }

bool AnyColorDefined(const ColorSet &set) {
    return std::any_of(set.colors.begin(), set.colors.end(), [](const ColorEntry &c) { return c.valid == 1; });
}

int ChangePaperChoice(ColorSet &set, int current, int chosen, const NoticeSink &ask) {
    if (chosen == current) return current;
    if (chosen >= 1 && !ColorDefined(set, chosen - 1)) {
        ask(MakeNotice(res::kStrPaperUndefined, res::kStrMessageCaption, platform::mb::ICONEXCLAMATION));
        return current;
    }
    if (ask(MakeNotice(res::kStrPaperChangeQuestion, res::kStrMessageCaption, platform::mb::OKCANCEL)) != platform::mb::IDOK)
        return current;
    // Choices count from 1, colours from 0: choice n is colour n - 1 (none is -1, no colour).
    moveToneEntries(set, current - 1, chosen - 1);
    return chosen;
}

void DeleteColor(ColorSet &set, int k) {
    if (!validIndex(k)) return;
    if (set.paperColor == k) set.paperColor = kNoPaperColor;
    set.colors[k] = ColorEntry{};
    for (ToneEntry &tone : set.tones)
        if (tone.color == k) tone = ToneEntry{};
}

void DeleteAllColors(ColorSet &set) {
    set.colors.fill(ColorEntry{});
    set.paperColor = kNoPaperColor;
    set.tones.fill(ToneEntry{});
}

ColorEntryForm LoadColorEntry(const ColorSet &set, int k) {
    ColorEntryForm form;
    if (!ColorDefined(set, k)) return form;
    const ColorEntry &color = set.colors[k];
    form.name = color.name;
    form.L = color.L;
    form.a = color.a;
    form.b = color.b;
    for (int t = 0; t < kColorTolerances; ++t) {
        form.inUse[t] = color.tolerances[t].inUse != 0;
        form.tolerances[t] = color.tolerances[t].value;
    }
    return form;
}

void StoreColorEntry(const ColorEntryForm &form, ColorSet &set, int k) {
    if (!validIndex(k)) return;
    ColorEntry &color = set.colors[k];
    color.name = form.name;
    color.L = static_cast<float>(form.L);
    color.a = static_cast<float>(form.a);
    color.b = static_cast<float>(form.b);
    color.valid = 1;
    color.toleranceCheck = std::any_of(form.inUse.begin(), form.inUse.end(), [](bool on) { return on; }) ? 1 : 0;
    for (int t = 0; t < kColorTolerances; ++t) {
        color.tolerances[t].inUse = form.inUse[t] ? 1 : 0;
        color.tolerances[t].value = static_cast<float>(form.tolerances[t]);
    }
}

int32_t MeasureColorLab(CVireoDllAdapter &adapter, uint32_t storedTypeMask, std::array<double, 3> &lab) {
    // `adapter` is a user of the instrument for the whole group of calls: it stays open.
    auto sequence = [&]() -> int32_t {
        if (int32_t rc = SetPropertyFromMask(PropertyTable::MeasurementType, kReflectionTypeMask)) return rc;
        if (int32_t rc = adapter.DoMeasurement()) return rc;
        if (int32_t rc = SetPropertyFromMask(PropertyTable::ResultItem, kLabResultMask)) return rc;
        float values[3] = {0, 0, 0};
        if (int32_t rc = adapter.GetColor(values)) return rc;
        lab = {values[0], values[1], values[2]};
        return 0;
    };
    std::array<double, 3> before = lab;
    int32_t status = sequence();
    int32_t restored = SetPropertyFromMask(PropertyTable::MeasurementType, storedTypeMask);
    if (status == 0) status = restored;
    if (status != 0) lab = before;
    return status;
}

}  // namespace ombra::core::colordata
