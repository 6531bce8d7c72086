#include "core/output/ItemRegistry.h"

#include <algorithm>

#include "core/instrument/MeasuredData.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

using K = ItemKind;
using F = ValueFormat;
using T = TextField;

constexpr ItemRow kItems[] = {
    // id, label string, kind, record place, format, text
    {2023, res::kStrModel, K::CellText, kNoPlace, F::Text, T::ModelName},
    {2024, res::kStrSerialNumber, K::CellText, kNoPlace, F::Text, T::SerialNumber},
    {1035, res::kStrLabelDate, K::CellText, kNoPlace, F::Text, T::Date},
    {1036, res::kStrLabelTime, K::CellText, kNoPlace, F::Text, T::Time},
    {1044, res::kStrBlankCell, K::CellText, kNoPlace, F::Text, T::Blank},
    {2130, res::kStrSample, K::CellText, kNoPlace, F::Text, T::SampleName},
    {1045, res::kStrMeasurementType, K::SettingText, kNoPlace, F::Text, T::MeasType},
    {1046, res::kStrMeasurementCondition, K::SettingText, kNoPlace, F::Text, T::MeasCond},
    {1047, res::kStrWhiteReference, K::SettingText, kNoPlace, F::Text, T::DenWhiteRef},
    {1048, res::kStrObserver, K::SettingText, kNoPlace, F::Text, T::Observer},
    {1049, res::kStrIlluminant, K::SettingText, kNoPlace, F::Text, T::Illuminant},
    {1050, res::kStrPolarisation, K::SettingText, kNoPlace, F::Text, T::Polarization},
    // colour values
    {1000, res::kStrLabelLStar, K::Number, 97, F::Fixed2, T::None},
    {1001, res::kStrLabelAStar, K::Number, 98, F::Fixed2, T::None},
    {1002, res::kStrLabelBStar, K::Number, 99, F::Fixed2, T::None},
    {1003, res::kStrLabelCStarAb, K::Number, 101, F::Fixed2, T::None},
    {1004, res::kStrLabelHueAngleAb, K::Number, 102, F::Fixed2, T::None},
    {1005, res::kStrLabelX, K::Number, 109, F::Fixed2, T::None},
    {1006, res::kStrLabelY, K::Number, 110, F::Fixed2, T::None},
    {1007, res::kStrLabelZ, K::Number, 111, F::Fixed2, T::None},
    {1008, res::kStrLabelHunterL, K::Number, 106, F::Fixed2, T::None},
    {1009, res::kStrLabelHunterA, K::Number, 107, F::Fixed2, T::None},
    {1010, res::kStrLabelHunterB, K::Number, 108, F::Fixed2, T::None},
    {1011, res::kStrLabelChromaticityX, K::Number, 104, F::Fixed4, T::None},
    {1012, res::kStrLabelChromaticityY, K::Number, 105, F::Fixed4, T::None},
    // colour indexes
    {1013, res::kStrLabelCieWhiteness, K::Number, 132, F::Fixed2, T::None},
    {1014, res::kStrLabelCieTint, K::Number, 133, F::Fixed2, T::None},
    {1015, res::kStrLabelYellownessE313, K::Number, 134, F::Fixed2, T::None},
    {1016, res::kStrLabelHunterWhiteness, K::Number, 136, F::Fixed2, T::None},
    {1017, res::kStrLabelStensbyWhiteness, K::Number, 137, F::Fixed2, T::None},
    {1018, res::kStrLabelYellownessD1925, K::Number, 135, F::Fixed2, T::None},
    // density sets
    {1019, res::kStrLabelStatusTC, K::Number, 112, F::Fixed2, T::None},
    {1020, res::kStrLabelStatusTM, K::Number, 113, F::Fixed2, T::None},
    {1021, res::kStrLabelStatusTY, K::Number, 114, F::Fixed2, T::None},
    {1040, res::kStrLabelStatusTV, K::Number, 115, F::Fixed2, T::None},
    {1022, res::kStrLabelStatusEC, K::Number, 116, F::Fixed2, T::None},
    {1023, res::kStrLabelStatusEM, K::Number, 117, F::Fixed2, T::None},
    {1024, res::kStrLabelStatusEY, K::Number, 118, F::Fixed2, T::None},
    {1041, res::kStrLabelStatusEV, K::Number, 119, F::Fixed2, T::None},
    {1025, res::kStrLabelStatusAC, K::Number, 120, F::Fixed2, T::None},
    {1026, res::kStrLabelStatusAM, K::Number, 121, F::Fixed2, T::None},
    {1027, res::kStrLabelStatusAY, K::Number, 122, F::Fixed2, T::None},
    {1042, res::kStrLabelStatusAV, K::Number, 123, F::Fixed2, T::None},
    {1028, res::kStrLabelStatusMC, K::Number, 124, F::Fixed2, T::None},
    {1029, res::kStrLabelStatusMM, K::Number, 125, F::Fixed2, T::None},
    {1030, res::kStrLabelStatusMY, K::Number, 126, F::Fixed2, T::None},
    {1043, res::kStrLabelStatusMV, K::Number, 127, F::Fixed2, T::None},
    {1031, res::kStrLabelNarrowBandC, K::Number, 128, F::Fixed2, T::None},
    {1032, res::kStrLabelNarrowBandM, K::Number, 129, F::Fixed2, T::None},
    {1033, res::kStrLabelNarrowBandY, K::Number, 130, F::Fixed2, T::None},
    {1034, res::kStrLabelNarrowBandV, K::Number, 131, F::Fixed2, T::None},
    // irradiance colour values
    {1037, res::kStrIlluminanceLabel, K::Number, 138, F::Truncated, T::None},
    {1038, res::kStrCctLabel, K::Number, 139, F::Truncated, T::None},
    {1039, res::kStrDeltaUv, K::Number, 140, F::Fixed3, T::None},
    // automatic spot-colour density (its label gets the wavelength once values are made)
    {2020, res::kStrLabelSpotDensityAuto, K::Number, MeasuredDataRecord::kAutoSpotDensity, F::Fixed2, T::None},
};

constexpr RangeRow kRanges[] = {
    // identifiers, kind, label string, label offset, first place, format
    {{300, 730}, K::Wavelength, res::kStrLabelWavelength, 0, kNoPlace, F::Fixed4},
    {{731, 780}, K::Wavelength, res::kStrLabelWavelength, 0, kNoPlace, F::Fixed2},
    {{2380, 2730}, K::SpotDensity, res::kStrLabelSpotDensity, item::kSpotDensityOffset,
     MeasuredDataRecord::kSpotDensityFirst, F::Fixed2},
};

using C = ComparisonField;

constexpr ComparisonRow kComparisons[] = {
    // id, label string, field, format
    {2100, res::kStrLabelReference, C::ReferenceName, F::Text},
    {2101, res::kStrFirstComponent, C::dL, F::Fixed2},
    {2102, res::kStrLabelDeltaA, C::da, F::Fixed2},
    {2103, res::kStrLabelDeltaB, C::db, F::Fixed2},
    {2104, res::kStrLabelDeltaC, C::dC, F::Fixed2},
    {2105, res::kStrLabelDeltaH, C::dH, F::Fixed2},
    {2106, res::kStrFirstFormula, C::dE76, F::Fixed2},
    {2107, res::kStrLabelDeltaE94, C::dE94, F::Fixed2},
    {2108, res::kStrLabelDeltaE00, C::dE00, F::Fixed2},
    {2109, res::kStrLabelDeltaECmc, C::dECmc, F::Fixed2},
    {2110, res::kStrLabelVerdict, C::Verdict, F::Text},
    {2111, res::kStrLabelSpreadL, C::SdL, F::Fixed2},
    {2112, res::kStrLabelSpreadA, C::SdA, F::Fixed2},
    {2113, res::kStrLabelSpreadB, C::SdB, F::Fixed2},
    {2114, res::kStrLabelMaxDeltaE00, C::MaxDE00, F::Fixed2},
};

using G = GroupRun;

constexpr GroupRow kGroups[] = {
    // id, label, run, components, at most, first, last, n, skip from, skipped run
    {1100, res::kStrGroupSpectralValues, G::Spectrum, {}, 0, 0, 0, 0, 0, {360, 730}},
    {2000, res::kStrGroupLab, G::Fixed, {1000, 1001, 1002}, 3, 1000, 1002, 3, 0, {}},
    {2001, res::kStrGroupLch, G::Fixed, {1000, 1003, 1004}, 3, 1000, 1004, 3, 1, {}},
    {2002, res::kStrGroupXyz, G::Fixed, {1005, 1006, 1007}, 3, 1005, 1007, 3, 0, {}},
    {2003, res::kStrGroupHunterLab, G::Fixed, {1008, 1009, 1010}, 3, 1008, 1010, 3, 0, {}},
    {2004, res::kStrGroupDensityStatusT, G::Fixed, {1019, 1020, 1021, 1040}, 4, 1019, 1040, 4, 0, {}},
    {2005, res::kStrGroupDensityStatusE, G::Fixed, {1022, 1023, 1024, 1041}, 4, 1022, 1041, 4, 0, {}},
    {2006, res::kStrGroupDensityStatusA, G::Fixed, {1025, 1026, 1027, 1042}, 4, 1025, 1042, 4, 0, {}},
    {2007, res::kStrGroupDensityStatusM, G::Fixed, {1028, 1029, 1030, 1043}, 4, 1028, 1043, 4, 0, {}},
    {2008, res::kStrGroupNarrowBandDensities, G::Fixed, {1031, 1032, 1033, 1034}, 4, 1031, 1034, 4, 0, {}},
    // Seven taken at most for six components: a second run of setting texts is cut after one.
    {2009, res::kStrGroupMeasurementSettings, G::Fixed, {1045, 1046, 1047, 1048, 1049, 1050}, 7, 1045, 1050, 6, 0, {}},
    {2021, res::kStrGroupSpotDensities, G::SpotDensity, {}, 0, 0, 0, 0, 0, {2380, 2730}},
};

// Reflection: 380..730 nm every 10 nm, all written. Irradiance: 300..780 nm every 5 nm, of
// which group 1100 writes 360..730.
constexpr WavelengthGrid kReflectionGrid{{380, 730, 10}, {380, 730, 10}};
constexpr WavelengthGrid kIrradianceGrid{{300, 780, 5}, {360, 730, 5}};

// The catalogue's lists: the items a stored selection may name, in the order they are offered.
constexpr IdRun kGeneralReflection[] = {{2023, 2024}, {1035, 1036}, {2130, 2130}, {2009, 2009}, {2000, 2008}, {1044, 1044}};
constexpr IdRun kGeneralIrradiance[] = {{2023, 2024}, {1035, 1036}, {2130, 2130}, {1045, 1045},
                                        {1048, 1048}, {1037, 1039}, {1044, 1044}};
constexpr IdRun kColourReflection[] = {
    {1045, 1050}, {1000, 1012}, {1013, 1018}, {1019, 1021}, {1040, 1040}, {1022, 1024}, {1041, 1041},
    {1025, 1027}, {1042, 1042}, {1028, 1030}, {1043, 1043}, {1031, 1034}};
constexpr IdRun kSpectralReflection[] = {{1100, 1100}, kReflectionGrid.items};
constexpr IdRun kSpectralIrradiance[] = {{1100, 1100}, kIrradianceGrid.items};
constexpr IdRun kDensity[] = {{2020, 2021}, {2380, 2730}};
constexpr IdRun kComparison[] = {{item::kFirstComparison, item::kLastComparison},
                                 {item::kFirstSpread, item::kLastSpread}};

constexpr int kDefaultReflection[] = {1035, 1036, 2005, 2000};
constexpr int kDefaultIrradiance[] = {1035, 1036, 1037, 1038, 1039};

}  // namespace

std::span<const ItemRow> ItemRows() { return kItems; }
std::span<const RangeRow> RangeRows() { return kRanges; }
std::span<const GroupRow> GroupRows() { return kGroups; }
std::span<const ComparisonRow> ComparisonRows() { return kComparisons; }

const ItemRow *FindItem(int id) {
    for (const ItemRow &row : kItems)
        if (row.id == id) return &row;
    return nullptr;
}

const RangeRow *FindRange(int id) {
    for (const RangeRow &row : kRanges)
        if (row.ids.Spans(id)) return &row;
    return nullptr;
}

const GroupRow *FindGroup(int id) {
    for (const GroupRow &row : kGroups)
        if (row.id == id) return &row;
    return nullptr;
}

const ComparisonRow *FindComparison(int id) {
    for (const ComparisonRow &row : kComparisons)
        if (row.id == id) return &row;
    return nullptr;
}

ItemKind KindOf(int id) {
    if (const ItemRow *row = FindItem(id)) return row->kind;
    if (FindComparison(id)) return ItemKind::Number;
    if (const RangeRow *row = FindRange(id)) return row->kind;
    if (FindGroup(id)) return ItemKind::Group;
    return ItemKind::None;
}

int LabelString(int id) {
    if (const ItemRow *row = FindItem(id)) return row->labelString;
    if (const GroupRow *row = FindGroup(id)) return row->labelString;
    if (const ComparisonRow *row = FindComparison(id)) return row->labelString;
    return 0;
}

std::span<const int> Components(const GroupRow &group) {
    auto end = std::find(group.components.begin(), group.components.end(), 0);
    return {group.components.begin(), end};
}

bool GroupCovers(int group, int id) {
    const GroupRow *row = FindGroup(group);
    if (!row) return false;
    switch (row->run) {
    case GroupRun::Spectrum: return KindOf(id) == ItemKind::Wavelength;
    case GroupRun::SpotDensity: return KindOf(id) == ItemKind::SpotDensity;
    case GroupRun::Fixed: break;
    }
    std::span<const int> c = Components(*row);
    return std::find(c.begin(), c.end(), id) != c.end();
}

bool IsSharedComponent(int id) {
    int groups = 0;
    for (const GroupRow &row : kGroups)
        if (row.run == GroupRun::Fixed && GroupCovers(row.id, id)) ++groups;
    return groups > 1;
}

int SkippingGroup(int id) {
    for (const GroupRow &row : kGroups) {
        if (row.run != GroupRun::Fixed) {
            if (row.skips.Spans(id)) return row.id;
            continue;
        }
        std::span<const int> skipped = Components(row).subspan(static_cast<size_t>(row.skipFrom));
        if (std::find(skipped.begin(), skipped.end(), id) != skipped.end()) return row.id;
    }
    return 0;
}

IdRun TakenRun(const GroupRow &group, bool irradiance) {
    switch (group.run) {
    case GroupRun::Spectrum: return GridFor(irradiance).written;
    case GroupRun::SpotDensity: return {item::kFirstSpotDensity, item::kLastSpotDensity};
    case GroupRun::Fixed: break;
    }
    return {};
}

const WavelengthGrid &GridFor(bool irradiance) { return irradiance ? kIrradianceGrid : kReflectionGrid; }

std::span<const IdRun> CatalogueRuns(CatalogueList list) {
    switch (list) {
    case CatalogueList::GeneralReflection: return kGeneralReflection;
    case CatalogueList::GeneralIrradiance: return kGeneralIrradiance;
    case CatalogueList::ColourReflection: return kColourReflection;
    case CatalogueList::SpectralReflection: return kSpectralReflection;
    case CatalogueList::SpectralIrradiance: return kSpectralIrradiance;
    case CatalogueList::Density: return kDensity;
    case CatalogueList::Comparison: return kComparison;
    }
    return {};
}

std::span<const int> DefaultSelectionIds(bool irradiance) {
    if (irradiance) return kDefaultIrradiance;
    return kDefaultReflection;
}

}  // namespace ombra::core
