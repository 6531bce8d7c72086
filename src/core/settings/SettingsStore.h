// Loading the settings of the connected model from the profile store, and the data-item
// selections in memory and as text. The store section is the model name (empty: the
// application level).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/output/Catalogue.h"
#include "core/platform/ProfileStore.h"
#include "core/settings/AppSettings.h"

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
    // Stored layout values that were out of range and read as their defaults ("FuncSep=999").
    std::vector<std::string> layoutOutOfRange;
};

enum class SelectionTarget { Reflection, Irradiance, ByMeasurementType };

// Reads every stored value of the section of the settings' model from their store (except
// the stored polarisation, which comes from the instrument) and rebuilds both selections.
// Writes nothing. `catalogue` is left with the irradiance lists and the density list built.
SettingsLoadResult LoadSettings(AppSettings &settings, DataItemCatalogue &catalogue,
                                const PolFilterReader &readPolFilter);

// Replaces the selection of `target` in memory with `items` and, unless the type is
// irradiance, recomputes the density-spectrum flag and list from the reflection selection.
// Stores nothing.
void StoreSelection(AppSettings &settings, const OutputItemList &items, SelectionTarget target);

// Selection text: each identifier in decimal followed by ";".
std::string SelectionText(const OutputItemList &items);
// Parses a selection text against the catalogue (at most 1000 tokens; text after the last
// ";" is ignored; unknown identifiers are dropped).
OutputItemList ParseSelectionText(const std::string &text, const DataItemCatalogue &catalogue);
// The selection used when none is stored.
OutputItemList DefaultSelection(MeasKind kind);

}  // namespace ombra::core
