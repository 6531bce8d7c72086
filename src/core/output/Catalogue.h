// The data-item catalogue: the lists of every item a stored selection may name, each entry
// with its label. Items, groups and their rules are the rows of the item registry.
#pragma once

#include <vector>

#include "core/output/ItemRegistry.h"
#include "core/output/OutputItem.h"

namespace ombra::core {

enum class MeasKind { Reflection, Irradiance };

bool IsWavelengthItem(int id);
bool IsSpotDensityItem(int id);
bool IsGroupItem(int id);
// Label of any catalogue identifier: "505 nm", "D (505 nm)" or the text of its label string.
std::string ItemLabel(int id);
// An entry with identifier and label (value 0, empty value text).
OutputItem MakeItem(int id);
// Items for the identifiers of `run` (wavelengths get labels "505 nm").
OutputItemList RunItems(const IdRun &run);

class DataItemCatalogue {
public:
    OutputItemList generalItems;
    OutputItemList colourItems;    // reflection only
    OutputItemList spectralItems;
    OutputItemList densityItems;   // independent of the type
    OutputItemList comparisonItems;  // reflection only: the comparison with the reference

    // Refills the general, colour and spectral lists for `kind`.
    void RebuildForType(MeasKind kind);
    // Refills the density list.
    void RebuildDensity();
    // Every entry with identifier `id`: general, colour, spectral, density, then comparison.
    OutputItemList Lookup(int id) const;
};

}  // namespace ombra::core
