// Instrument property identifiers and the five tables that turn a stored single-bit setting
// into the value the instrument expects. Also the ordered application of a full set of
// measurement settings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace ombra {

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

}  // namespace ombra
