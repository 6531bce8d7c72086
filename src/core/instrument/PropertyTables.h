// Instrument property identifiers and the five tables that turn a stored single-bit setting
// into the value the instrument expects. Also the ordered application of a full set of
// measurement settings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace prop {
constexpr int32_t kMeasurementType = 0;
constexpr int32_t kObserver = 2;
constexpr int32_t kIlluminant = 3;
constexpr int32_t kMeasurementCondition = 4;
constexpr int32_t kColorValue = 5;   // which colour value DIGetColor returns
constexpr int32_t kDensitySet = 6;   // which density set DIGetDensity returns
constexpr int32_t kColorIndex = 7;   // which colour index DIGetColorIndex returns
constexpr int32_t kConnection = 8;   // 1 right after opening, 0 before releasing
}  // namespace prop

// Answer of the instrument when it does not accept a property value.
constexpr int32_t kResultNotAccepted = 10001;

struct PropertyRow {
    uint32_t bit;   // 0 ends a table
    int32_t value;
    int32_t id;
};

enum class PropertyTable { MeasurementType, Observer, Illuminant, MeasurementCondition, ResultItem };

// The rows of `table` including the terminating row.
std::span<const PropertyRow> Rows(PropertyTable table);

// The first row (in table order) whose bit is set in `mask`, or nothing.
std::optional<PropertyRow> FindPropertyRow(PropertyTable table, uint32_t mask);

// Looks `mask` up and sends the row's value to the instrument (one call under the lock).
// A mask matching no row sends nothing and answers kResultNoMatchingProperty.
int32_t SetPropertyFromMask(PropertyTable table, uint32_t mask);

// One direct DISetProperty under the instrument lock.
int32_t SetInstrumentProperty(int32_t id, int32_t value);

// An entry of a list of the measurement-settings dialog: the string shown and the code stored
// (a single-bit mask of the matching table above, or 0/1 for the polarisation filter).
struct ListEntry {
    int stringId = 0;
    int code = 0;
    bool operator==(const ListEntry &) const = default;
};

// The lists of the measurement-settings dialog, in list order.
namespace meas {
// The second type (irradiance) is offered only by the model that measures it.
constexpr ListEntry kTypeEntries[] = {{res::kStrReflection, 0x1}, {res::kStrIrradiance, 0x4}};
// The last condition (value 14) is offered only when the instrument accepts it.
// String 1146 names no condition of the list.
constexpr ListEntry kConditionEntries[] = {
    {res::kStrConditionM0, 0x1}, {res::kStrConditionM1, 0x4}, {res::kStrConditionM2, 0x4000},
    {res::kStrConditionSourceC, 0x2}, {res::kStrConditionSourceD55, 0x8}, {res::kStrConditionSourceD65, 0x10},
    {res::kStrConditionSourceD75, 0x20}, {res::kStrConditionSourceF1, 0x40}, {res::kStrConditionSourceF2, 0x80},
    {res::kStrConditionSourceF3, 0x100}, {res::kStrConditionSourceF6, 0x200}, {res::kStrConditionSourceF7, 0x400},
    {res::kStrConditionSourceF8, 0x800}, {res::kStrConditionSourceF10, 0x1000}, {res::kStrConditionSourceF11, 0x2000},
    {res::kStrConditionUserIlluminant, 0x8000},
};
// With the polarisation filter on, the one condition offered: bits 0x1, 0x20 and 0x80.
constexpr ListEntry kPolarizedCondition = {res::kStrConditionM3, 161};
constexpr ListEntry kDensityWhiteRefEntries[] = {{res::kStrWhiteAbsolute, 1}, {res::kStrWhiteRelativeToPaper, 2}};
constexpr ListEntry kObserverEntries[] = {{res::kStrObserver2Degrees, 0x1}, {res::kStrObserver10Degrees, 0x2}};
// The last illuminant (value 14, the user illuminant) is offered only with the last condition.
constexpr ListEntry kIlluminantEntries[] = {
    {res::kStrIlluminantA, 0x1}, {res::kStrIlluminantC, 0x2}, {res::kStrIlluminantD50, 0x4},
    {res::kStrIlluminantD55, 0x8}, {res::kStrIlluminantD65, 0x10}, {res::kStrIlluminantD75, 0x20},
    {res::kStrIlluminantF1, 0x40}, {res::kStrIlluminantF2, 0x80}, {res::kStrIlluminantF3, 0x100},
    {res::kStrIlluminantF6, 0x200}, {res::kStrIlluminantF7, 0x400}, {res::kStrIlluminantF8, 0x800},
    {res::kStrIlluminantF10, 0x1000}, {res::kStrIlluminantF11, 0x2000}, {res::kStrUserIlluminantTitle, 0x8000},
};
constexpr ListEntry kPolarizationEntries[] = {{res::kStrPolarisationOff, 0}, {res::kStrPolarisationOn, 1}};
}  // namespace meas

struct MeasurementMasks {
    int polarization = 0;          // the Polarization setting (0 or 1)
    uint32_t measurementType = 1;  // MeasurementType
    uint32_t measurementCond = 4;  // MeasurementCond
    uint32_t observer = 1;         // Observer
    uint32_t illuminant = 4;       // Illuminant
};

enum class ApplyStep { None, Polarization, MeasurementType, MeasurementCondition, Observer, Illuminant };

struct ApplyResult {
    ApplyStep step = ApplyStep::None;  // the step that failed (None on success)
    int32_t code = 0;                  // its result
    bool ok() const { return code == 0; }
};

// Called when the instrument refuses the condition or the illuminant with kResultNotAccepted:
// return a replacement mask to send once more, or nothing to stop with that refusal.
using RefusalHandler = std::function<std::optional<uint32_t>(ApplyStep step)>;

// Sends the settings in this order: polarisation filter (1 or 0), measurement type,
// measurement condition, observer, illuminant. Stops at the first failure.
ApplyResult ApplyMeasurementSettings(const MeasurementMasks &masks, const RefusalHandler &onRefused = {});

}  // namespace ombra::core
