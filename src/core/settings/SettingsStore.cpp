#include "settings/SettingsStore.h"

#include <climits>
#include <string_view>

#include "platform/Resources.h"

namespace ombra::core {
namespace {

constexpr int kMaxSelectionTokens = 1000;

struct IntValue {
    const char *name;
    int defaultValue;
    int AppSettings::*field;
};

// Read in this order; a stored -1 leaves the field as it is.
const IntValue kKeptOnMinusOne[] = {
    {"MeasurementTypeSel", 0, &AppSettings::MeasurementTypeSel},
    {"MeasurementCondSel", 0, &AppSettings::MeasurementCondSel},
    {"DensityWhiteRefSel", 0, &AppSettings::DensityWhiteRefSel},
    {"ObserverSel", 0, &AppSettings::ObserverSel},
    {"IlluminantSel", 2, &AppSettings::IlluminantSel},
    {"PrevMeasSel", 1, &AppSettings::PrevMeasSel},
    {"MeasurementType", 1, &AppSettings::MeasurementType},
    {"MeasurementCond", 4, &AppSettings::MeasurementCond},
    {"Observer", 1, &AppSettings::Observer},
    {"Illuminant", 4, &AppSettings::Illuminant},
};

const IntValue kLayout[] = {
    {"Label", 1, &AppSettings::Label},
    {"Row", 0, &AppSettings::Row},
};

const IntValue kSeparators[] = {
    {"BlockSep", 13, &AppSettings::BlockSep},
    {"FuncSep", 5, &AppSettings::FuncSep},
    {"ValSep", 5, &AppSettings::ValSep},
};

struct TextValue {
    const char *name;
    int defaultString;
    std::string AppSettings::*field;
};

const TextValue kTexts[] = {
    {"MeasTypeString", 1140, &AppSettings::MeasTypeString},
    {"MeasCondString", 1142, &AppSettings::MeasCondString},
    {"DenWhiteRefString", 1159, &AppSettings::DenWhiteRefString},
    {"ObserverString", 1161, &AppSettings::ObserverString},
    {"IlluminantString", 1165, &AppSettings::IlluminantString},
    {"PolarizationString", 1282, &AppSettings::PolarizationString},
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

SettingsLoadResult ReadPolarization(AppSettings &s, const PolFilterReader &readPolFilter) {
    SettingsLoadResult result;
    int first = 0, second = 0;
    if (readPolFilter) readPolFilter(&first, &second);  // the result code is not examined
    if (first == 2) {
        s.Polarization = second;
        result.restorePolarizationCondition2 = true;
    } else {
        s.Polarization = first;
    }
    s.PolarizationSel = second;
    if (s.MeasurementType == 4) {
        first = second = 0;
        s.Polarization = s.PolarizationSel = 0;
    }
    result.polFirst = first;
    result.polSecond = second;
    return result;
}

void LoadSelection(AppSettings &s, DataItemCatalogue &catalogue, MeasKind kind, platform::ProfileStore &store) {
    catalogue.RebuildForType(kind);
    bool reflection = kind == MeasKind::Reflection;
    std::string text = store.GetString(s.modelName, SelectionValueName(reflection ? 0 : 1), "");
    OutputItemList items = text.empty() ? DefaultSelection(kind) : ParseSelectionText(text, catalogue);
    StoreSelection(s, items, reflection ? SelectionTarget::Reflection : SelectionTarget::Irradiance);
}

}  // namespace

SettingsLoadResult LoadSettings(AppSettings &s, DataItemCatalogue &catalogue, const PolFilterReader &readPolFilter,
                                platform::ProfileStore &store) {
    const std::string &section = s.modelName;
    for (const IntValue &v : kKeptOnMinusOne) {
        int read = store.GetInt(section, v.name, v.defaultValue);
        if (read != -1) s.*v.field = read;
    }
    SettingsLoadResult result = ReadPolarization(s, readPolFilter);
    for (const IntValue &v : kLayout) s.*v.field = store.GetInt(section, v.name, v.defaultValue);
    for (const TextValue &t : kTexts) s.*t.field = store.GetString(section, t.name, platform::ResString(t.defaultString));
    for (const IntValue &v : kSeparators) s.*v.field = store.GetInt(section, v.name, v.defaultValue);

    catalogue.RebuildDensity();
    LoadSelection(s, catalogue, MeasKind::Reflection, store);
    LoadSelection(s, catalogue, MeasKind::Irradiance, store);
    return result;
}

void StoreSelection(AppSettings &s, const OutputItemList &items, SelectionTarget target) {
    OutputItemList *list = nullptr;
    if (target == SelectionTarget::Reflection) list = &s.reflectionSelection;
    else if (target == SelectionTarget::Irradiance) list = &s.irradianceSelection;
    else if (s.MeasurementType == 1) list = &s.reflectionSelection;
    else if (s.MeasurementType == 4) list = &s.irradianceSelection;
    if (!list) return;
    *list = items;

    if (s.MeasurementType == 4) return;
    s.densitySpectrumSelected = false;
    s.densitySpectrumItems.clear();
    for (const OutputItem &e : s.reflectionSelection) {
        if (e.identifier == item::kSpotDensityGroup) s.densitySpectrumSelected = true;
        if (IsSpotDensityItem(e.identifier)) s.densitySpectrumItems.push_back(e);
    }
}

void ClearReflectionSelection(AppSettings &s) { s.reflectionSelection.clear(); }

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

const char *SelectionValueName(int measurementTypeSel) {
    return measurementTypeSel != 0 ? "IrrSelDataItems" : "ReflSelDataItems";
}

void WriteSettingInt(const AppSettings &s, const std::string &name, int value, platform::ProfileStore &store) {
    store.WriteInt(s.modelName, name, value);
}

void WriteSettingString(const AppSettings &s, const std::string &name, const std::string &value,
                        platform::ProfileStore &store) {
    store.WriteString(s.modelName, name, value);
}

}  // namespace ombra::core
