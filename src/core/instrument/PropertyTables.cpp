#include "core/instrument/PropertyTables.h"

#include <array>

#include "core/instrument/InstrumentLibrary.h"

namespace ombra::core {
namespace {

constexpr std::array<PropertyRow, 4> kMeasurementTypeRows{{
    {0x1, 0, prop::kMeasurementType}, {0x2, 1, prop::kMeasurementType}, {0x4, 3, prop::kMeasurementType},
    {0, 0, 0}}};

constexpr std::array<PropertyRow, 3> kObserverRows{{{0x1, 0, prop::kObserver}, {0x2, 1, prop::kObserver}, {0, 0, 0}}};

// Bit n gives value n for n = 0..13, then 0x4000 gives 160 and 0x8000 gives 14.
constexpr std::array<PropertyRow, 17> lightRows(int32_t id) {
    std::array<PropertyRow, 17> rows{};
    for (int n = 0; n < 14; ++n) rows[n] = {1u << n, n, id};
    rows[14] = {0x4000, 160, id};
    rows[15] = {0x8000, 14, id};
    rows[16] = {0, 0, 0};
    return rows;
}
constexpr auto kIlluminantRows = lightRows(prop::kIlluminant);
constexpr auto kConditionRows = lightRows(prop::kMeasurementCondition);

// In the order in which results are fetched after a measurement.
constexpr std::array<PropertyRow, 16> kResultItemRows{{
    {0x8000, 0, prop::kColorValue},
    {0x1, 0, prop::kColorValue},
    {0x2, 1, prop::kColorValue},
    {0x4, 3, prop::kColorValue},
    {0x8, 2, prop::kColorValue},
    {0x10, 4, prop::kColorValue},
    {0x20, 0, prop::kDensitySet},
    {0x40, 1, prop::kDensitySet},
    {0x80, 2, prop::kDensitySet},
    {0x100, 3, prop::kDensitySet},
    {0x200, 4, prop::kDensitySet},
    {0x1000, 1, prop::kColorIndex},
    {0x2000, 0, prop::kColorIndex},
    {0x4000, 2, prop::kColorIndex},
    {0x10000, 6, prop::kColorValue},
    {0, 0, 0},
}};

int32_t applyWithFallback(ApplyStep step, PropertyTable table, uint32_t mask, const RefusalHandler &onRefused) {
    int32_t rc = SetPropertyFromMask(table, mask);
    if (rc != kResultNotAccepted || !onRefused) return rc;
    std::optional<uint32_t> replacement = onRefused(step);
    if (!replacement) return rc;
    return SetPropertyFromMask(table, *replacement);
}

}  // namespace

std::span<const PropertyRow> Rows(PropertyTable table) {
    switch (table) {
    case PropertyTable::MeasurementType: return kMeasurementTypeRows;
    case PropertyTable::Observer: return kObserverRows;
    case PropertyTable::Illuminant: return kIlluminantRows;
    case PropertyTable::MeasurementCondition: return kConditionRows;
    case PropertyTable::ResultItem: return kResultItemRows;
    }
    return {};
}

std::optional<PropertyRow> FindPropertyRow(PropertyTable table, uint32_t mask) {
    for (const PropertyRow &row : Rows(table)) {
        if (row.bit == 0) break;
        if (row.bit & mask) return row;
    }
    return std::nullopt;
}

int32_t SetInstrumentProperty(int32_t id, int32_t value) {
    return LockedCall([&](const DIFunctions &di) { return di.DISetProperty(DeviceHandle().load(), id, &value); });
}

int32_t SetPropertyFromMask(PropertyTable table, uint32_t mask) {
    std::optional<PropertyRow> row = FindPropertyRow(table, mask);
    if (!row) return kResultNoMatchingProperty;
    return SetInstrumentProperty(row->id, row->value);
}

ApplyResult ApplyMeasurementSettings(const MeasurementMasks &masks, const RefusalHandler &onRefused) {
    int32_t polarization = masks.polarization == 1 ? 1 : 0;
    int32_t rc = LockedCall([&](const DIFunctions &di) {
        return di.DISetPolFilterCondition(DeviceHandle().load(), polarization);
    });
    if (rc != 0) return {ApplyStep::Polarization, rc};
    if ((rc = SetPropertyFromMask(PropertyTable::MeasurementType, masks.measurementType)) != 0)
        return {ApplyStep::MeasurementType, rc};
    if ((rc = applyWithFallback(ApplyStep::MeasurementCondition, PropertyTable::MeasurementCondition,
                                masks.measurementCond, onRefused)) != 0)
        return {ApplyStep::MeasurementCondition, rc};
    if ((rc = SetPropertyFromMask(PropertyTable::Observer, masks.observer)) != 0) return {ApplyStep::Observer, rc};
    if ((rc = applyWithFallback(ApplyStep::Illuminant, PropertyTable::Illuminant, masks.illuminant, onRefused)) != 0)
        return {ApplyStep::Illuminant, rc};
    return {};
}

}  // namespace ombra::core
