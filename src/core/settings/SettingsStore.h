// Loading the settings of the connected model from the per-user store, and storing the
// data-item selections. The store section is the model name (empty: the application level).
#pragma once

#include <functional>
#include <string>

#include "settings/AppSettings.h"
#include "output/Catalogue.h"
#include "platform/ProfileStore.h"

namespace ombra::core {

// Reads the instrument's polarisation filter condition into two values; returns the
// instrument's result code (not examined by the loader).
using PolFilterReader = std::function<int(int *first, int *second)>;

struct SettingsLoadResult {
    // The instrument reported filter condition 2: it must be restored at disconnection.
    bool restorePolarizationCondition2 = false;
    // The two filter values as the loader left them (both 0 for irradiance).
    int polFirst = 0;
    int polSecond = 0;
};

enum class SelectionTarget { Reflection, Irradiance, ByMeasurementType };

// Reads every stored value of the section `settings.modelName` (except the stored
// polarisation, which comes from the instrument) and rebuilds both selections. Writes nothing.
// `catalogue` is left with the irradiance lists and the density list built.
SettingsLoadResult LoadSettings(AppSettings &settings, DataItemCatalogue &catalogue,
                                const PolFilterReader &readPolFilter,
                                platform::ProfileStore &store = platform::Profile());

// Replaces the selection of `target` with `items` and, unless the type is irradiance,
// recomputes the density-spectrum flag and list from the reflection selection.
void StoreSelection(AppSettings &settings, const OutputItemList &items, SelectionTarget target);

// Empties the reflection selection (at disconnection).
void ClearReflectionSelection(AppSettings &settings);

// Selection text: each identifier in decimal followed by ";".
std::string SelectionText(const OutputItemList &items);
// Parses a selection text against the catalogue (at most 1000 tokens; text after the last
// ";" is ignored; unknown identifiers are dropped).
OutputItemList ParseSelectionText(const std::string &text, const DataItemCatalogue &catalogue);
// The selection used when none is stored.
OutputItemList DefaultSelection(MeasKind kind);
// The stored-value name of the selection text of a type position (0 reflection).
const char *SelectionValueName(int measurementTypeSel);

// Writes one value into the section of the current model (at once; failures ignored).
void WriteSettingInt(const AppSettings &settings, const std::string &name, int value,
                     platform::ProfileStore &store = platform::Profile());
void WriteSettingString(const AppSettings &settings, const std::string &name, const std::string &value,
                        platform::ProfileStore &store = platform::Profile());

}  // namespace ombra::core
