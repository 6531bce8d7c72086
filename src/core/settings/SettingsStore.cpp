#include "core/settings/SettingsStore.h"

#include <climits>
#include <string_view>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

constexpr int kMaxSelectionTokens = 1000;
constexpr int kHighestSeparatorCode = 16;

template <typename Values>
struct IntValue {
    const char *name;
    int defaultValue;
    int Values::*field;
    int lowest = INT_MIN;  // the range a stored value must lie in to be used
    int highest = INT_MAX;
};

// Read in this order; a stored -1 leaves the field as it is.
const IntValue<MeasurementValues> kKeptOnMinusOne[] = {
    {"MeasurementTypeSel", 0, &MeasurementValues::MeasurementTypeSel},
    {"MeasurementCondSel", 0, &MeasurementValues::MeasurementCondSel},
    {"DensityWhiteRefSel", 0, &MeasurementValues::DensityWhiteRefSel},
    {"ObserverSel", 0, &MeasurementValues::ObserverSel},
    {"IlluminantSel", 2, &MeasurementValues::IlluminantSel},
    {"PrevMeasSel", 1, &MeasurementValues::PrevMeasSel},
    {"MeasurementType", 1, &MeasurementValues::MeasurementType},
    {"MeasurementCond", 4, &MeasurementValues::MeasurementCond},
    {"Observer", 1, &MeasurementValues::Observer},
    {"Illuminant", 4, &MeasurementValues::Illuminant},
};

const IntValue<LayoutValues> kLayout[] = {
    {"Label", 1, &LayoutValues::Label, 0, 2},
    {"Row", 0, &LayoutValues::Row, 0, 1},
};

const IntValue<LayoutValues> kSeparators[] = {
    {"BlockSep", 13, &LayoutValues::BlockSep, 0, kHighestSeparatorCode},
    {"FuncSep", 5, &LayoutValues::FuncSep, 0, kHighestSeparatorCode},
    {"ValSep", 5, &LayoutValues::ValSep, 0, kHighestSeparatorCode},
};

struct TextValue {
    const char *name;
    int defaultString;
    std::string MeasurementValues::*field;
};

const TextValue kTexts[] = {
    {"MeasTypeString", res::kStrReflection, &MeasurementValues::MeasTypeString},
    {"MeasCondString", res::kStrConditionM0, &MeasurementValues::MeasCondString},
    {"DenWhiteRefString", res::kStrWhiteAbsolute, &MeasurementValues::DenWhiteRefString},
    {"ObserverString", res::kStrObserver2Degrees, &MeasurementValues::ObserverString},
    {"IlluminantString", res::kStrIlluminantD50, &MeasurementValues::IlluminantString},
    {"PolarizationString", res::kStrPolarisationOff, &MeasurementValues::PolarizationString},
};

// Value of the leading decimal digits of `token` (0 when there are none); numbers beyond
// the int range saturate instead of overflowing.
int LeadingNumber(std::string_view token) {
    long long n = 0;
    for (char c : token) {
        if (c < '0' || c > '9') break;
        n = n * 10 + (c - '0');
        if (n > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(n);
}

SettingsLoadResult ReadPolarization(MeasurementValues &m, const PolFilterReader &readPolFilter) {
    SettingsLoadResult result;
    int first = 0, second = 0;
    if (readPolFilter) readPolFilter(&first, &second);  // the result code is not examined
    if (first == 2) {
        m.Polarization = second;
        result.restorePolarizationCondition2 = true;
    } else {
        m.Polarization = first;
    }
    m.PolarizationSel = second;
    if (m.MeasurementType == 4) {
        first = second = 0;
        m.Polarization = m.PolarizationSel = 0;
    }
    result.polFirst = first;
    result.polSecond = second;
    return result;
}

void LoadSelection(AppSettings &s, DataItemCatalogue &catalogue, MeasKind kind) {
    catalogue.RebuildForType(kind);
    bool reflection = kind == MeasKind::Reflection;
    std::string text = s.selection.StoredText(reflection ? 0 : 1);
    OutputItemList items = text.empty() ? DefaultSelection(kind) : ParseSelectionText(text, catalogue);
    StoreSelection(s, items, reflection ? SelectionTarget::Reflection : SelectionTarget::Irradiance);
}

}  // namespace

SettingsLoadResult LoadSettings(AppSettings &s, DataItemCatalogue &catalogue, const PolFilterReader &readPolFilter) {
    platform::ProfileStore &store = s.Store();
    const std::string &section = s.Section();
    MeasurementValues &m = s.measurement.InForce();
    LayoutValues &layout = s.layout.InForce();
    for (const auto &v : kKeptOnMinusOne) {
        int read = store.GetInt(section, v.name, v.defaultValue);
        if (read != -1) m.*v.field = read;
    }
    SettingsLoadResult result = ReadPolarization(m, readPolFilter);
    // A layout value outside its range (edited by hand, or by another program) would lay the
    // cells out wrongly or leave the cursor inside the block: it reads as its default.
    const auto readLayout = [&](const IntValue<LayoutValues> &v) {
        int read = store.GetInt(section, v.name, v.defaultValue);
        if (read < v.lowest || read > v.highest) {
            result.layoutOutOfRange.push_back(std::string(v.name) + "=" + std::to_string(read));
            read = v.defaultValue;
        }
        layout.*v.field = read;
    };
    for (const auto &v : kLayout) readLayout(v);
    for (const TextValue &t : kTexts) m.*t.field = store.GetString(section, t.name, platform::ResString(t.defaultString));
    for (const auto &v : kSeparators) readLayout(v);

    catalogue.RebuildDensity();
    LoadSelection(s, catalogue, MeasKind::Reflection);
    LoadSelection(s, catalogue, MeasKind::Irradiance);
    return result;
}

void StoreSelection(AppSettings &s, const OutputItemList &items, SelectionTarget target) {
    SelectionValues &sel = s.selection.InForce();
    const int type = s.measurement.MeasurementType();
    OutputItemList *list = nullptr;
    if (target == SelectionTarget::Reflection) list = &sel.reflectionSelection;
    else if (target == SelectionTarget::Irradiance) list = &sel.irradianceSelection;
    else if (type == 1) list = &sel.reflectionSelection;
    else if (type == 4) list = &sel.irradianceSelection;
    if (!list) return;
    *list = items;

    if (type == 4) return;
    sel.densitySpectrumSelected = false;
    sel.densitySpectrumItems.clear();
    for (const OutputItem &e : sel.reflectionSelection) {
        if (e.identifier == item::kSpotDensityGroup) sel.densitySpectrumSelected = true;
        if (IsSpotDensityItem(e.identifier)) sel.densitySpectrumItems.push_back(e);
    }
}

std::string SelectionText(const OutputItemList &items) {
    std::string text;
    for (const OutputItem &e : items) text += std::to_string(e.identifier) + ";";
    return text;
}

OutputItemList ParseSelectionText(const std::string &text, const DataItemCatalogue &catalogue) {
    OutputItemList items;
    std::string_view rest(text);
    for (int tokens = 0; tokens < kMaxSelectionTokens && !rest.empty(); ++tokens) {
        size_t semicolon = rest.find(';');
        if (semicolon == std::string_view::npos) break;  // text after the last ";" is ignored
        OutputItemList found = catalogue.Lookup(LeadingNumber(rest.substr(0, semicolon)));
        items.insert(items.end(), found.begin(), found.end());
        rest.remove_prefix(semicolon + 1);
    }
    return items;
}

OutputItemList DefaultSelection(MeasKind kind) {
    OutputItemList items;
    for (int id : DefaultSelectionIds(kind == MeasKind::Irradiance)) items.push_back(MakeItem(id));
    return items;
}

}  // namespace ombra::core
