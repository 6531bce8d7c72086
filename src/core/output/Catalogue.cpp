#include "core/output/Catalogue.h"

#include "core/platform/Resources.h"

namespace ombra::core {
namespace {

OutputItemList Build(std::span<const IdRun> runs) {
    OutputItemList list;
    for (const IdRun &run : runs) {
        for (int id = run.first; id <= run.last; id += run.step) list.push_back(MakeItem(id));
    }
    return list;
}

}  // namespace

bool IsWavelengthItem(int id) { return KindOf(id) == ItemKind::Wavelength; }
bool IsSpotDensityItem(int id) { return KindOf(id) == ItemKind::SpotDensity; }
bool IsGroupItem(int id) { return FindGroup(id) != nullptr; }

std::string ItemLabel(int id) {
    if (const RangeRow *range = FindRange(id))
        return platform::ResString(range->labelString, {std::to_string(id - range->labelOffset)});
    int labelString = LabelString(id);
    return labelString ? platform::ResString(labelString) : std::string();
}

OutputItem MakeItem(int id) {
    OutputItem item;
    item.identifier = id;
    item.label = ItemLabel(id);
    return item;
}

OutputItemList RunItems(const IdRun &run) { return Build({&run, 1}); }

void DataItemCatalogue::RebuildForType(MeasKind kind) {
    bool reflection = kind == MeasKind::Reflection;
    generalItems = Build(CatalogueRuns(reflection ? CatalogueList::GeneralReflection : CatalogueList::GeneralIrradiance));
    colourItems = reflection ? Build(CatalogueRuns(CatalogueList::ColourReflection)) : OutputItemList{};
    spectralItems =
        Build(CatalogueRuns(reflection ? CatalogueList::SpectralReflection : CatalogueList::SpectralIrradiance));
    comparisonItems = reflection ? Build(CatalogueRuns(CatalogueList::Comparison)) : OutputItemList{};
}

void DataItemCatalogue::RebuildDensity() { densityItems = Build(CatalogueRuns(CatalogueList::Density)); }

OutputItemList DataItemCatalogue::Lookup(int id) const {
    OutputItemList found;
    for (const OutputItemList *list : {&generalItems, &colourItems, &spectralItems, &densityItems, &comparisonItems})
        for (const OutputItem &entry : *list)
            if (entry.identifier == id) found.push_back(entry);
    return found;
}

}  // namespace ombra::core
