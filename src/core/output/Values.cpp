#include "core/output/Values.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <limits>
#include <optional>

#include "core/output/Catalogue.h"
#include "core/platform/Resources.h"
#include "core/quality/Reference.h"
#include "core/quality/SampleAverager.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

constexpr double kMissing = std::numeric_limits<float>::max();

std::string FormatValue(double value, ValueFormat format) {
    if (IsMissingValue(value)) return platform::ResString(res::kStrMissingValue);
    switch (format) {
    case ValueFormat::Fixed2: return FormatFixed(value, 2);
    case ValueFormat::Fixed3: return FormatFixed(value, 3);
    case ValueFormat::Fixed4: return FormatFixed(value, 4);
    case ValueFormat::Truncated: return FormatTruncated(value);
    case ValueFormat::Text: break;
    }
    return {};
}

const std::string &TextOf(TextField field, const AppSettings &s, const MeasurementStamp &stamp) {
    static const std::string empty;
    const MeasurementSettings &m = s.measurement;
    switch (field) {
    case TextField::ModelName: return s.identity.ModelName();
    case TextField::SerialNumber: return s.identity.SerialNumberText();
    case TextField::Date: return stamp.date;
    case TextField::Time: return stamp.time;
    case TextField::MeasType: return m.MeasTypeString();
    case TextField::MeasCond: return m.MeasCondString();
    case TextField::DenWhiteRef: return m.DenWhiteRefString();
    case TextField::Observer: return m.ObserverString();
    case TextField::Illuminant: return m.IlluminantString();
    case TextField::Polarization: return m.PolarizationString();
    case TextField::SampleName: return stamp.sampleName;
    case TextField::Blank: case TextField::None: break;
    }
    return empty;
}

// The record place of a range item: by the type's grid for wavelengths (-1 off the grid).
int RangePlace(const RangeRow &range, int id, bool irradiance) {
    if (range.firstPlace != kNoPlace) return range.firstPlace + id - range.ids.first;
    return GridFor(irradiance).items.Index(id);
}

double ComparisonNumber(const Comparison &c, ComparisonField field) {
    switch (field) {
    case ComparisonField::dL: return c.d.dL;
    case ComparisonField::da: return c.d.da;
    case ComparisonField::db: return c.d.db;
    case ComparisonField::dC: return c.d.dC;
    case ComparisonField::dH: return c.d.dH;
    case ComparisonField::dE76: return c.dE76;
    case ComparisonField::dE94: return c.dE94;
    case ComparisonField::dE00: return c.dE00;
    case ComparisonField::dECmc: return c.dECmc;
    case ComparisonField::ReferenceName: case ComparisonField::Verdict:
    case ComparisonField::SdL: case ComparisonField::SdA: case ComparisonField::SdB: case ComparisonField::MaxDE00:
        break;
    }
    return kMissing;
}

// A spread item's number; nullopt for the fields of the comparison.
std::optional<double> SpreadNumber(const SampleSpread *spread, ComparisonField field) {
    switch (field) {
    case ComparisonField::SdL: return spread ? spread->sdL : kMissing;
    case ComparisonField::SdA: return spread ? spread->sdA : kMissing;
    case ComparisonField::SdB: return spread ? spread->sdB : kMissing;
    case ComparisonField::MaxDE00: return spread ? spread->maxDeltaE00 : kMissing;
    default: break;
    }
    return std::nullopt;
}

// A comparison item: the missing-value text without a reference, and for every value but the
// reference's name when the comparison could not be made (or, for the verdict, has no tolerance).
void SetComparisonValue(OutputItem &entry, const ComparisonRow &row, const Comparison *c, const SampleSpread *spread) {
    if (const std::optional<double> number = SpreadNumber(spread, row.field)) {
        entry.value = *number;
        entry.valueText = FormatValue(entry.value, row.format);
        return;
    }
    entry.value = 0;
    const bool computed = c && c->Computed();
    switch (row.field) {
    case ComparisonField::ReferenceName:
        entry.valueText = c && !c->referenceName.empty() ? c->referenceName : platform::ResString(res::kStrMissingValue);
        return;
    case ComparisonField::Verdict:
        entry.valueText = computed && c->verdict != Verdict::None ? VerdictText(c->verdict) : platform::ResString(res::kStrMissingValue);
        return;
    default: break;
    }
    entry.value = computed ? ComparisonNumber(*c, row.field) : kMissing;
    entry.valueText = FormatValue(entry.value, row.format);
}

void SetValue(OutputItem &entry, const MeasuredDataRecord &record, const AppSettings &s,
              const MeasurementStamp &stamp, const Comparison *comparison, const SampleSpread *spread) {
    int id = entry.identifier;
    if (const ComparisonRow *row = FindComparison(id)) {
        SetComparisonValue(entry, *row, comparison, spread);
        return;
    }
    if (const ItemRow *row = FindItem(id)) {
        if (row->format == ValueFormat::Text) {
            entry.value = 0;
            entry.valueText = TextOf(row->text, s, stamp);
            if (row->text == TextField::SampleName && entry.valueText.empty()) entry.valueText = platform::ResString(res::kStrMissingValue);
        } else {
            entry.value = record.Float(row->place);
            entry.valueText = FormatValue(entry.value, row->format);
        }
        return;
    }
    if (const RangeRow *range = FindRange(id)) {
        int place = RangePlace(*range, id, s.measurement.MeasurementTypeSel() != 0);
        // An off-grid wavelength has no place in the record: treat it as not delivered.
        entry.value = place < 0 ? kMissing : record.Float(place);
        entry.valueText = FormatValue(entry.value, range->format);
        return;
    }
    entry.value = 0;
    entry.valueText.clear();
}

bool Holds(const OutputItemList &list, int id) {
    for (const OutputItem &e : list)
        if (e.identifier == id) return true;
    return false;
}

}  // namespace

bool IsMissingValue(double value) { return value == kMissing; }

std::string FormatFixed(double value, int decimals) {
    char buf[512];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return {};
    return std::string(buf, end);
}

std::string FormatTruncated(double value) {
    long long n = 0;
    if (std::isnan(value)) n = 0;
    else if (value >= static_cast<double>(std::numeric_limits<int>::max())) n = std::numeric_limits<int>::max();
    else if (value <= static_cast<double>(std::numeric_limits<int>::min())) n = std::numeric_limits<int>::min();
    else n = static_cast<int>(value);  // truncates toward zero
    return std::to_string(n);
}

void OutputValues::ExpandSelection(OutputItemList &items, const AppSettings &settings) {
    bool irradiance = settings.measurement.MeasurementTypeSel() != 0;
    const WavelengthGrid &grid = GridFor(irradiance);
    OutputItemList gridItems = RunItems(grid.items);
    spectralCount = grid.written.Count();  // irradiance writes only 360..730 nm of its grid
    densityCount = 0;

    OutputItemList result;
    for (const OutputItem &entry : items) {
        const GroupRow *group = FindGroup(entry.identifier);
        if (!group) {
            result.push_back(entry);
        } else if (group->run == GroupRun::Spectrum) {
            result.insert(result.end(), gridItems.begin(), gridItems.end());
        } else if (group->run == GroupRun::SpotDensity) {
            OutputItemList densities = RunItems(TakenRun(*group, irradiance));
            result.insert(result.end(), densities.begin(), densities.end());
            densityCount += static_cast<int>(densities.size());
        } else {
            // A component two groups share (1000 of 2000 and 2001) is written once.
            for (int id : Components(*group))
                if (!IsSharedComponent(id) || !Holds(result, id)) result.push_back(MakeItem(id));
        }
    }
    items = std::move(result);
}

void OutputValues::BuildValues(const AppSettings &settings, const CMeasuredData &data,
                               const MeasurementStamp &stamp, const Comparison *comparison,
                               const SampleSpread *spread) {
    valueItems.clear();
    outputItems.clear();
    const int type = settings.measurement.MeasurementType();
    if (type == 1) outputItems = settings.selection.Reflection();
    else if (type == 4) outputItems = settings.selection.Irradiance();
    OutputItemList expanded = outputItems;
    ExpandSelection(expanded, settings);

    if (data.Count() > 0) {
        const MeasuredDataRecord &record = data.Record(0);
        for (OutputItem &entry : expanded) {
            SetValue(entry, record, settings, stamp, comparison, spread);
            if (entry.identifier == item::kAutoSpotDensity)
                entry.label = platform::ResString(
                    res::kStrAutoSpotDensityLabel, {std::to_string(record.Int(MeasuredDataRecord::kAutoSpotWavelength))});
            valueItems.push_back(entry);
        }
    }

    for (OutputItem &out : outputItems) {
        out.value = 0;
        out.valueText.clear();
        for (const OutputItem &v : valueItems) {
            if (v.identifier != out.identifier) continue;
            out.value = v.value;
            out.valueText = v.valueText;
            if (out.identifier == item::kAutoSpotDensity) out.label = v.label;
            break;
        }
    }
}

}  // namespace ombra::core
