// Every data item and every group of the output, one table row each. A row says what the item
// is called (label string), what kind of value it has, where that value comes from and how it
// is formatted; a group row says which components it stands for and how the transfer writes
// them. The catalogue, the value builder, the transfer and the stored selections all read
// these tables, so an item or a group rule is written down once.
//
// Pure data and lookups: no resource library, no Qt.
#pragma once

#include <array>
#include <span>

namespace ombra::core {

// Item identifiers the program refers to by name.
namespace item {
constexpr int kFirstWavelength = 300;
constexpr int kLastWavelength = 780;
constexpr int kFirstSpotDensity = 2380;  // 380 nm
constexpr int kLastSpotDensity = 2730;   // 730 nm
constexpr int kSpotDensityOffset = 2000; // identifier - offset = wavelength
constexpr int kFirstColourValue = 1000;
constexpr int kModelName = 2023;
constexpr int kSerialNumber = 2024;
constexpr int kDate = 1035;
constexpr int kTime = 1036;
constexpr int kBlank = 1044;
constexpr int kMeasTypeText = 1045;
constexpr int kPolarizationText = 1050;
constexpr int kAutoSpotDensity = 2020;
constexpr int kSpectrumGroup = 1100;
constexpr int kSpotDensityGroup = 2021;
constexpr int kLabGroup = 2000;
constexpr int kLchGroup = 2001;
constexpr int kFirstComparison = 2100;  // the comparison with the reference: 2100..2110
constexpr int kLastComparison = 2110;
constexpr int kSampleName = 2130;  // the name of the sample: automatic or from a list
constexpr int kFirstSpread = 2111;  // how far the readings of a sample lie apart: 2111..2114
constexpr int kLastSpread = 2114;
}  // namespace item

enum class ItemKind {
    None,         // not a data item
    CellText,     // a text written in a cell of its own: model, serial number, date, time, blank, sample name
    SettingText,  // the shown text of a measurement setting
    Number,       // a value in a cell of its own: a float of the measured record or of its comparison
    Wavelength,   // a spectral value, 300..780 nm
    SpotDensity,  // a spot-colour density, 2380..2730 (380..730 nm)
    Group,        // stands for a run of components
};

enum class ValueFormat { Text, Fixed2, Fixed3, Fixed4, Truncated };

// Where the value text of a text item comes from.
enum class TextField {
    None, ModelName, SerialNumber, Date, Time, Blank,
    MeasType, MeasCond, DenWhiteRef, Observer, Illuminant, Polarization, SampleName,
};

// Identifiers first..last, step apart (empty by default).
struct IdRun {
    int first = 0;
    int last = -1;
    int step = 1;

    constexpr bool Spans(int id) const { return id >= first && id <= last; }
    // Position of `id` on the run, or -1 when it is not one of its identifiers.
    constexpr int Index(int id) const { return Spans(id) && (id - first) % step == 0 ? (id - first) / step : -1; }
    constexpr int Count() const { return last < first ? 0 : (last - first) / step + 1; }
};

constexpr int kNoPlace = -1;

// An item with an identifier of its own.
struct ItemRow {
    int id;
    int labelString;
    ItemKind kind;
    int place;  // float index in the measured record; kNoPlace for texts
    ValueFormat format;
    TextField text;
};

// What a comparison item shows of the comparison of the measurement with the reference, or
// (the spread items) of the spread of the readings an averaged measurement was made of.
enum class ComparisonField {
    ReferenceName, dL, da, db, dC, dH, dE76, dE94, dE00, dECmc, Verdict,
    SdL, SdA, SdB, MaxDE00,
};

// An item of the comparison: of kind Number (written like a colour value), its value taken
// from the comparison instead of the record.
struct ComparisonRow {
    int id;
    int labelString;
    ComparisonField field;
    ValueFormat format;  // Text for the reference name and the verdict
};

// Items numbered by a physical quantity: one row for a whole run of identifiers.
struct RangeRow {
    IdRun ids;
    ItemKind kind;
    int labelString;          // its %1 is the wavelength: identifier - labelOffset
    int labelOffset;
    int firstPlace;           // place of the first identifier, one float per identifier; kNoPlace: by grid
    ValueFormat format;
};

// How a group finds its components.
enum class GroupRun {
    Fixed,        // the listed components
    Spectrum,     // the wavelengths of the current type's grid
    SpotDensity,  // every spot-colour density
};

struct GroupRow {
    int id;
    int labelString;
    GroupRun run;
    std::array<int, 6> components;  // Fixed: in writing order, 0 fills
    // How the transfer takes and writes the group (run groups: 0 means "by the run's count",
    // the count of components the values were expanded with).
    int atMost;    // components taken from the values at most; run groups: count + 1
    int first;     // the component that is the group's first value; run groups: the first taken
    int last;      // its last value; run groups: the one taken at position count - 1
    int n;         // cells of the group when its values stand in cells of their own
    // Individual items that are not written again once the group was written in a measurement:
    // Fixed groups skip their components from position skipFrom on (the ones before belong to
    // an earlier group); run groups skip the run `skips`.
    int skipFrom;
    IdRun skips;
};

// The wavelengths of a measurement type: the items of its grid and the part group 1100 writes.
struct WavelengthGrid {
    IdRun items;
    IdRun written;
};

std::span<const ItemRow> ItemRows();
std::span<const RangeRow> RangeRows();
std::span<const GroupRow> GroupRows();
std::span<const ComparisonRow> ComparisonRows();

const ItemRow *FindItem(int id);
const RangeRow *FindRange(int id);
const GroupRow *FindGroup(int id);
const ComparisonRow *FindComparison(int id);
ItemKind KindOf(int id);
// Label string of an item or group row; 0 for range items and unknown identifiers.
int LabelString(int id);

// The listed components of a fixed group (empty for run groups and non-groups).
std::span<const int> Components(const GroupRow &group);
// True when `group` stands for item `id` (a run group for every item of its run).
bool GroupCovers(int group, int id);
// True for a component that more than one group lists: a selection expands it once.
bool IsSharedComponent(int id);
// The group whose earlier write makes the individual item `id` redundant; 0 when none.
int SkippingGroup(int id);
// The identifiers a run group takes from the values (empty for fixed groups).
IdRun TakenRun(const GroupRow &group, bool irradiance);

const WavelengthGrid &GridFor(bool irradiance);

// The catalogue's lists as runs of identifiers, in the order they are offered (a single
// identifier is a run of one).
enum class CatalogueList {
    GeneralReflection, GeneralIrradiance, ColourReflection, SpectralReflection, SpectralIrradiance, Density,
    Comparison,
};
std::span<const IdRun> CatalogueRuns(CatalogueList list);

// Selections used when none is stored, in order.
std::span<const int> DefaultSelectionIds(bool irradiance);

}  // namespace ombra::core
