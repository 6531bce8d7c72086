// Instrument property identifiers and the five tables that turn a stored single-bit setting
// into the value the instrument expects. Also the ordered application of a full set of
// measurement settings.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

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
constexpr ListEntry kTypeEntries[] = {{1140, 0x1}, {1141, 0x4}};
// The last condition (value 14) is offered only when the instrument accepts it.
// String 1146 names no condition of the list.
constexpr ListEntry kConditionEntries[] = {
    {1142, 0x1},   {1143, 0x4},   {1144, 0x4000}, {1145, 0x2},    {1147, 0x8},    {1148, 0x10},
    {1149, 0x20},  {1150, 0x40},  {1151, 0x80},   {1152, 0x100},  {1153, 0x200},  {1154, 0x400},
    {1155, 0x800}, {1156, 0x1000}, {1157, 0x2000}, {1158, 0x8000},
};
// With the polarisation filter on, the one condition offered: bits 0x1, 0x20 and 0x80.
constexpr ListEntry kPolarizedCondition = {1273, 161};
constexpr ListEntry kDensityWhiteRefEntries[] = {{1159, 1}, {1160, 2}};
constexpr ListEntry kObserverEntries[] = {{1161, 0x1}, {1162, 0x2}};
// The last illuminant (value 14, the user illuminant) is offered only with the last condition.
constexpr ListEntry kIlluminantEntries[] = {
    {1163, 0x1},   {1164, 0x2},   {1165, 0x4},    {1166, 0x8},    {1167, 0x10},   {1168, 0x20},
    {1169, 0x40},  {1170, 0x80},  {1171, 0x100},  {1172, 0x200},  {1173, 0x400},  {1174, 0x800},
    {1175, 0x1000}, {1176, 0x2000}, {1177, 0x8000},
};
constexpr ListEntry kPolarizationEntries[] = {{1282, 0}, {1283, 1}};
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
