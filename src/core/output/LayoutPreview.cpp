#include "core/output/LayoutPreview.h"

#include <algorithm>
#include <limits>
#include <map>

#include "core/instrument/MeasuredData.h"
#include "core/output/Catalogue.h"
#include "core/output/MemorySheet.h"
#include "core/platform/Resources.h"
#include "core/quality/Reference.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {


// Colour values, indexes, density sets and irradiance values of a near-white sample under a
// daylight-like source, by record place from 97 on.
constexpr float kTypicalColour[] = {
    95.24f, -0.52f, 2.31f, 95.24f, 2.37f, 102.69f, 0.0f, 0.3162f, 0.3321f,  // 97..105
    86.12f, 90.31f, 94.87f, 85.02f, 90.31f, 76.54f,                         // 106..111
    0.07f, 0.08f, 0.09f, 0.05f, 0.08f, 0.09f, 0.10f, 0.06f, 0.06f, 0.07f,   // 112..121
    0.08f, 0.05f, 0.07f, 0.08f, 0.09f, 0.05f, 0.06f, 0.07f, 0.08f, 0.05f,   // 122..131
    81.45f, -1.28f, 2.95f, 1.47f, 0.42f, 0.11f,                             // 132..137
    1000.0f, 5003.0f, 0.002f,                                               // 138..140
};
constexpr int kFirstColourPlace = 97;

constexpr float kNotDelivered = std::numeric_limits<float>::max();
constexpr int kIrradianceFirstPlace = 138;
constexpr int kReflectionSpectrumCount = 36;

// What the type delivers has a typical value; the rest is "not delivered", as the instrument
// reports it: reflection has no irradiance values and a spectrum of 36 values, irradiance has
// no colour values or densities of a sample.
MeasuredDataRecord TypicalRecord(bool irradiance) {
    MeasuredDataRecord record;
    // A flat, bright reflectance; a low, rising spectral irradiance.
    for (int i = 0; i < kFirstColourPlace; ++i) {
        float v = irradiance ? 0.0100f + 0.0003f * static_cast<float>(i) : 0.8200f + 0.0012f * static_cast<float>(i);
        record.SetFloat(i, irradiance || i < kReflectionSpectrumCount ? v : kNotDelivered);
    }
    int place = kFirstColourPlace;
    for (float v : kTypicalColour) {
        bool delivered = irradiance == (place >= kIrradianceFirstPlace);
        record.SetFloat(place++, delivered ? v : kNotDelivered);
    }
    for (int nm = 380; nm <= 730; ++nm)
        record.SetFloat(MeasuredDataRecord::SpotDensityIndex(nm),
                        irradiance ? kNotDelivered : 0.05f + 0.0001f * static_cast<float>(nm - 380));
    record.SetFloat(MeasuredDataRecord::kAutoSpotDensity, irradiance ? kNotDelivered : 1.42f);
    record.SetInt(MeasuredDataRecord::kAutoSpotWavelength, 560);
    return record;
}

// Settings of the preview's own: the selection and the texts the setting items show. Only the
// values in force are set: the preview never writes a setting.
AppSettings PreviewSettings(const std::vector<int> &ids, bool irradiance) {
    AppSettings s;
    MeasurementValues &m = s.measurement.InForce();
    m.MeasurementTypeSel = irradiance ? 1 : 0;
    m.MeasurementType = irradiance ? 4 : 1;
    SelectionValues &chosen = s.selection.InForce();
    OutputItemList &selection = irradiance ? chosen.irradianceSelection : chosen.reflectionSelection;
    for (int id : ids) selection.push_back(MakeItem(id));
    s.identity.SetModelName(platform::ResString(res::kStrModelNameType100));
    s.identity.SetSerialNumberText("1024");
    m.MeasTypeString = platform::ResString(irradiance ? res::kStrIrradiance : res::kStrReflection);
    m.MeasCondString = platform::ResString(res::kStrConditionM0);
    m.DenWhiteRefString = platform::ResString(res::kStrWhiteAbsolute);
    m.ObserverString = platform::ResString(res::kStrObserver2Degrees);
    m.IlluminantString = platform::ResString(res::kStrIlluminantD50);
    m.PolarizationString = platform::ResString(res::kStrPolarisationOff);
    return s;
}

struct Run {
    TransferResult result;
    size_t firstWrite;  // index into the sheet's write record
    size_t endWrite;
};

// Every label carries this mark into the sheet, so that a cell tells whether it holds a label.
constexpr char kLabelMark = '\x1f';

void MarkLabels(OutputItemList &items) {
    for (OutputItem &item : items) item.label.insert(item.label.begin(), kLabelMark);
}

Run TransferOnce(MemoryAutomation &sheet, const TransferLayout &layout, const OutputValues &values) {
    OutputItemList outputItems = values.outputItems, valueItems = values.valueItems;
    MarkLabels(outputItems);
    MarkLabels(valueItems);
    TransferInput in{outputItems, valueItems, values.spectralCount, values.densityCount};
    // A cell outside the sheet would be told to the user; the preview says so itself.
    NoticeSink silent = [](const Notice &) { return 0; };
    size_t first = sheet.writes.size();
    TransferResult result = TransferMeasurement(sheet, layout, in, std::string(), silent).result;
    return {result, first, sheet.writes.size()};
}

// Which cells the writes of one transfer leave, as label or value of measurement `number`.
void TakeWrites(const MemoryAutomation &sheet, const Run &run, int number,
                std::map<std::pair<int, int>, PreviewCell> &cells, bool &overwrote) {
    for (size_t i = run.firstWrite; i < run.endWrite; ++i) {
        const MemoryAutomation::CellWrite &w = sheet.writes[i];
        std::string text = w.text;
        const bool label = text.find(kLabelMark) != std::string::npos;
        std::erase(text, kLabelMark);
        auto [it, inserted] = cells.try_emplace({w.row, w.column});
        if (!inserted && it->second.measurement != number) overwrote = true;
        it->second = PreviewCell{w.column, w.row, text, number, label};
    }
}

// A reference close to the typical sample, with a ΔE00 tolerance it meets.
std::optional<Comparison> TypicalComparison(const MeasuredDataRecord &record, const AppSettings &settings) {
    Reference reference;
    reference.name = platform::ResString(LabelString(item::kFirstComparison));
    reference.lab = {95.00, -0.40, 2.00};
    reference.tolerance.limit = 2.0;
    const std::optional<MeasuredColour> measured = MeasuredColourOf(record, settings);
    if (measured) reference.conditions = measured->conditions;
    return measured ? std::optional<Comparison>(Compare(reference, *measured)) : std::nullopt;
}

}  // namespace

OutputValues TypicalValues(const std::vector<int> &ids, bool irradiance) {
    CMeasuredData data;
    data.SetHeaderForType(irradiance ? 4 : 1);
    data.Append(TypicalRecord(irradiance));
    const AppSettings settings = PreviewSettings(ids, irradiance);
    const std::optional<Comparison> comparison = TypicalComparison(data.Record(0), settings);
    OutputValues values;
    const MeasurementStamp stamp{"2025/06/16", "10:24:31", platform::ResString(res::kStrSample) + " 1"};
    values.BuildValues(settings, data, stamp, comparison ? &*comparison : nullptr);
    return values;
}

LayoutPreview ComputeLayoutPreview(const std::vector<int> &ids, const TransferLayout &layout) {
    LayoutPreview preview;
    if (ids.empty()) return preview;
    const OutputValues values = TypicalValues(ids, layout.MeasurementTypeSel != 0);
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("Preview.ods", "Preview.ods");

    std::map<std::pair<int, int>, PreviewCell> cells;  // by (row, column)
    bool overwrote = false;
    bool leaves = false;
    for (int number = 1; number <= 2 && !leaves; ++number) {
        Run run = TransferOnce(sheet, layout, values);
        TakeWrites(sheet, run, number, cells, overwrote);
        leaves = run.result != TransferResult::Written;
    }
    for (auto &[pos, cell] : cells) preview.cells.push_back(std::move(cell));
    if (!leaves) {
        const MemorySheet &s = sheet.Sheet();
        preview.hasNext = true;
        preview.nextColumn = s.cursorColumn;
        preview.nextRow = s.cursorRow;
    }
    if (leaves) preview.warning = PreviewWarning::LeavesSheet;
    else if (overwrote) preview.warning = PreviewWarning::WritesOntoFirst;
    if (preview.warning != PreviewWarning::None)
        preview.warningText = platform::ResString(leaves ? res::kStrLeavesSheet : res::kStrWritesOntoFirst);
    return preview;
}

int LayoutPreview::LastColumn() const {
    int last = hasNext ? nextColumn : 1;
    for (const PreviewCell &c : cells) last = std::max(last, c.column);
    return last;
}

int LayoutPreview::LastRow() const {
    int last = hasNext ? nextRow : 1;
    for (const PreviewCell &c : cells) last = std::max(last, c.row);
    return last;
}

const PreviewCell *LayoutPreview::CellAt(int column, int row) const {
    // Cells are ordered by row, then column.
    auto it = std::lower_bound(cells.begin(), cells.end(), std::make_pair(row, column),
                               [](const PreviewCell &c, const std::pair<int, int> &p) {
                                   return std::make_pair(c.row, c.column) < p;
                               });
    return it != cells.end() && it->row == row && it->column == column ? &*it : nullptr;
}

}  // namespace ombra::core
