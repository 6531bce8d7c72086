#include "output/Values.h"

#include <charconv>
#include <cstdio>
#include <cmath>
#include <limits>

#include "output/Catalogue.h"
#include "platform/Resources.h"

namespace ombra {
namespace {

enum class Fmt { Fixed2, Fixed3, Fixed4, Truncated };

// Identifiers first..last are read from the record places firstPlace, firstPlace + 1, ...
struct PlaceRun {
    int first, last, firstPlace;
    Fmt format;
};

constexpr PlaceRun kPlaceRuns[] = {
    {1000, 1002, 97, Fmt::Fixed2},  {1003, 1004, 101, Fmt::Fixed2}, {1005, 1007, 109, Fmt::Fixed2},
    {1008, 1010, 106, Fmt::Fixed2}, {1011, 1012, 104, Fmt::Fixed4}, {1013, 1014, 132, Fmt::Fixed2},
    {1015, 1015, 134, Fmt::Fixed2}, {1016, 1017, 136, Fmt::Fixed2}, {1018, 1018, 135, Fmt::Fixed2},
    {1019, 1021, 112, Fmt::Fixed2}, {1040, 1040, 115, Fmt::Fixed2}, {1022, 1024, 116, Fmt::Fixed2},
    {1041, 1041, 119, Fmt::Fixed2}, {1025, 1027, 120, Fmt::Fixed2}, {1042, 1042, 123, Fmt::Fixed2},
    {1028, 1030, 124, Fmt::Fixed2}, {1043, 1043, 127, Fmt::Fixed2}, {1031, 1034, 128, Fmt::Fixed2},
    {1037, 1038, 138, Fmt::Truncated}, {1039, 1039, 140, Fmt::Fixed3}, {2020, 2020, 492, Fmt::Fixed2},
    {2380, 2730, MeasuredDataRecord::kSpotDensityFirst, Fmt::Fixed2},
};

constexpr double kMissing = std::numeric_limits<float>::max();

std::string FormatValue(double value, Fmt format) {
    if (IsMissingValue(value)) return platform::ResString(1196);
    switch (format) {
    case Fmt::Fixed2: return FormatFixed(value, 2);
    case Fmt::Fixed3: return FormatFixed(value, 3);
    case Fmt::Fixed4: return FormatFixed(value, 4);
    case Fmt::Truncated: return FormatTruncated(value);
    }
    return {};
}

// The text of a text item, or nullptr for an item with a numeric value.
const std::string *TextSource(int id, const AppSettings &s, const MeasurementStamp &stamp) {
    static const std::string empty;
    switch (id) {
    case item::kModelName: return &s.modelName;
    case item::kSerialNumber: return &s.serialNumberText;
    case item::kDate: return &stamp.date;
    case item::kTime: return &stamp.time;
    case item::kBlank: return &empty;
    case 1045: return &s.MeasTypeString;
    case 1046: return &s.MeasCondString;
    case 1047: return &s.DenWhiteRefString;
    case 1048: return &s.ObserverString;
    case 1049: return &s.IlluminantString;
    case 1050: return &s.PolarizationString;
    default: return nullptr;
    }
}

// Place of a wavelength item on the grid of the type, or -1 when it is not on the grid.
int WavelengthPlace(int id, bool irradiance) {
    int first = irradiance ? 300 : 380, last = irradiance ? 780 : 730, step = irradiance ? 5 : 10;
    if (id < first || id > last || (id - first) % step != 0) return -1;
    return (id - first) / step;
}

void SetValue(OutputItem &entry, const MeasuredDataRecord &record, const AppSettings &s,
              const MeasurementStamp &stamp) {
    int id = entry.identifier;
    if (const std::string *text = TextSource(id, s, stamp)) {
        entry.value = 0;
        entry.valueText = *text;
        return;
    }
    if (IsWavelengthItem(id)) {
        int place = WavelengthPlace(id, s.MeasurementTypeSel != 0);
        // An off-grid wavelength has no place in the record: treat it as not delivered.
        entry.value = place < 0 ? kMissing : record.Float(place);
        entry.valueText = FormatValue(entry.value, id <= 730 ? Fmt::Fixed4 : Fmt::Fixed2);
        return;
    }
    for (const PlaceRun &r : kPlaceRuns) {
        if (id < r.first || id > r.last) continue;
        entry.value = record.Float(r.firstPlace + id - r.first);
        entry.valueText = FormatValue(entry.value, r.format);
        return;
    }
    entry.value = 0;
    entry.valueText.clear();
}

void AppendComponents(OutputItemList &result, const std::vector<int> &ids) {
    for (int id : ids) result.push_back(MakeItem(id));
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
    bool irradiance = settings.MeasurementTypeSel != 0;
    OutputItemList grid = irradiance ? WavelengthItems(300, 780, 5) : WavelengthItems(380, 730, 10);
    spectralCount = irradiance ? 75 : 36;  // irradiance writes 360..730 nm
    densityCount = 0;

    OutputItemList result;
    for (const OutputItem &entry : items) {
        int id = entry.identifier;
        if (id == item::kSpectrumGroup) {
            result.insert(result.end(), grid.begin(), grid.end());
        } else if (id == item::kLabGroup || id == item::kLchGroup) {
            // Both share their first component; it is written once.
            const std::vector<int> &c = FixedGroupComponents(id);
            if (!Holds(result, item::kFirstColourValue)) result.push_back(MakeItem(c[0]));
            AppendComponents(result, {c[1], c[2]});
        } else if (id == item::kSpotDensityGroup) {
            for (int d = item::kFirstSpotDensity; d <= item::kLastSpotDensity; ++d) {
                result.push_back(MakeItem(d));
                ++densityCount;
            }
        } else if (!FixedGroupComponents(id).empty()) {
            AppendComponents(result, FixedGroupComponents(id));
        } else {
            result.push_back(entry);
        }
    }
    items = std::move(result);
}

void OutputValues::BuildValues(const AppSettings &settings, const CMeasuredData &data,
                               const MeasurementStamp &stamp) {
    valueItems.clear();
    outputItems.clear();
    if (settings.MeasurementType == 1) outputItems = settings.reflectionSelection;
    else if (settings.MeasurementType == 4) outputItems = settings.irradianceSelection;
    OutputItemList expanded = outputItems;
    ExpandSelection(expanded, settings);

    if (data.Count() > 0) {
        const MeasuredDataRecord &record = data.Record(0);
        for (OutputItem &entry : expanded) {
            SetValue(entry, record, settings, stamp);
            if (entry.identifier == item::kAutoSpotDensity) {
                char label[48];
                std::snprintf(label, sizeof label, "D (Auto: %dnm)", record.Int(MeasuredDataRecord::kAutoSpotWavelength));
                entry.label = label;
            }
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

}  // namespace ombra
