// The data-items preview shows what two transfers of the same values leave in a sheet.
#include <gtest/gtest.h>

#include <map>
#include <span>

#include "CalcTestUtil.h"
#include "core/output/ItemRegistry.h"
#include "core/output/LayoutPreview.h"
#include "core/platform/Resources.h"
#include "support/NoticeRecorder.h"

namespace ombra::core {
namespace {

using test::Layout;

// Text and measurement of every cell, by A1 address.
using CellRecord = std::map<std::string, std::pair<std::string, int>>;

std::string Address(int column, int row) { return test::Letters(column) + std::to_string(row); }

struct Recorded {
    CellRecord cells;
    std::string next;  // empty when a transfer did not complete
    size_t notices = 0;
};

// Two transfers of the preview's values into the in-memory spreadsheet from A1; a cell belongs
// to the second measurement when the second transfer wrote it.
Recorded TransferTwice(const std::vector<int> &ids, const TransferLayout &layout) {
    OutputValues values = TypicalValues(ids, layout.MeasurementTypeSel != 0);
    TransferInput in{values.outputItems, values.valueItems, values.spectralCount, values.densityCount};
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    test::NoticeRecorder notices;
    Recorded r;
    bool complete = TransferMeasurement(sheet, layout, in, "", notices.Sink()).result == TransferResult::Written;
    size_t secondFrom = sheet.writes.size();
    complete = complete && TransferMeasurement(sheet, layout, in, "", notices.Sink()).result == TransferResult::Written;
    for (const auto &[pos, text] : sheet.Sheet().cells) r.cells[Address(pos.first, pos.second)] = {text, 1};
    for (size_t i = secondFrom; i < sheet.writes.size(); ++i)
        r.cells[Address(sheet.writes[i].column, sheet.writes[i].row)].second = 2;
    if (complete) r.next = sheet.ActiveAddress();
    r.notices = notices.Count();
    return r;
}

CellRecord PreviewCells(const LayoutPreview &p) {
    CellRecord cells;
    for (const PreviewCell &c : p.cells) cells[Address(c.column, c.row)] = {c.text, c.measurement};
    return cells;
}

std::string Next(const LayoutPreview &p) { return p.hasNext ? Address(p.nextColumn, p.nextRow) : std::string(); }

const PreviewCell &At(const LayoutPreview &p, const std::string &address) {
    int column = 0, row = 0;
    MemoryAutomation::ParseAddress(address, column, row);
    const PreviewCell *cell = p.CellAt(column, row);
    if (!cell) throw std::runtime_error("no preview cell " + address);
    return *cell;
}

std::vector<int> DefaultReflection() {
    std::span<const int> ids = DefaultSelectionIds(false);
    return {ids.begin(), ids.end()};
}

struct Case {
    const char *name;
    std::vector<int> ids;
    TransferLayout layout;
    PreviewWarning warning;
};

TEST(LayoutPreview, EqualsTwoTransfersIntoTheInMemorySheet) {
    const Case cases[] = {
        {"default", DefaultReflection(), Layout(1, 0, 5, 5, 13), PreviewWarning::None},
        {"spectral down, labels in rows", {item::kSpectrumGroup}, Layout(1, 1, 0, 9, 14), PreviewWarning::None},
        {"everything joined", {item::kDate, item::kTime, item::kLabGroup}, Layout(1, 0, 1, 3, 11), PreviewWarning::None},
        {"joining block separator", {item::kLabGroup}, Layout(0, 0, 5, 5, 12), PreviewWarning::WritesOntoFirst},
        {"leaves the sheet", {item::kDate, item::kLabGroup}, Layout(1, 1, 11, 9, 13), PreviewWarning::LeavesSheet},
        {"labels once above a table", DefaultReflection(), Layout(2, 0, 5, 5, 13), PreviewWarning::None},
        {"labels once left of a table", {item::kSpectrumGroup}, Layout(2, 1, 0, 9, 14), PreviewWarning::None},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        LayoutPreview preview = ComputeLayoutPreview(c.ids, c.layout);
        Recorded sheet = TransferTwice(c.ids, c.layout);
        EXPECT_EQ(PreviewCells(preview), sheet.cells);
        EXPECT_EQ(Next(preview), sheet.next);
        EXPECT_EQ(preview.warning, c.warning);
        EXPECT_EQ(preview.warningText.empty(), c.warning == PreviewWarning::None);
        EXPECT_EQ(c.warning == PreviewWarning::LeavesSheet, sheet.notices == 1);  // the preview tells nobody
    }
}

TEST(LayoutPreview, LabelsValuesAndTypicalTexts) {
    LayoutPreview byDefault = ComputeLayoutPreview(DefaultReflection(), Layout(1, 0, 5, 5, 13));
    EXPECT_TRUE(At(byDefault, "A1").label);
    EXPECT_EQ(At(byDefault, "A1").text, platform::ResString(1138));
    EXPECT_FALSE(At(byDefault, "G2").label);
    EXPECT_EQ(At(byDefault, "G2").text, "95.24");  // L*
    EXPECT_EQ(At(byDefault, "A3").measurement, 2);
    EXPECT_EQ(Next(byDefault), "A5");

    // Labels once: the header, then a line of values per measurement.
    LayoutPreview table = ComputeLayoutPreview(DefaultReflection(), Layout(2, 0, 5, 5, 13));
    EXPECT_TRUE(At(table, "A1").label);
    EXPECT_EQ(At(table, "G2").text, "95.24");
    EXPECT_EQ(At(table, "G2").measurement, 1);
    EXPECT_FALSE(At(table, "G3").label);
    EXPECT_EQ(At(table, "G3").measurement, 2);
    EXPECT_EQ(table.LastRow(), 4);
    EXPECT_EQ(Next(table), "A4");

    LayoutPreview down = ComputeLayoutPreview({item::kSpectrumGroup}, Layout(1, 1, 0, 9, 14));
    EXPECT_TRUE(At(down, "A36").label);
    EXPECT_EQ(At(down, "A36").text, "730nm");
    EXPECT_FALSE(At(down, "B36").label);
    EXPECT_EQ(At(down, "C1").measurement, 2);
    EXPECT_EQ(Next(down), "E1");

    // An irradiance measurement has no L*; its illuminance is a whole number.
    TransferLayout irradiance = Layout(0, 0, 5, 5, 13);
    irradiance.MeasurementTypeSel = 1;
    LayoutPreview light = ComputeLayoutPreview({item::kFirstColourValue, 1037}, irradiance);
    EXPECT_EQ(At(light, "A1").text, platform::ResString(1196));
    EXPECT_EQ(At(light, "B1").text, "1000");

    LayoutPreview joined = ComputeLayoutPreview({item::kLabGroup}, Layout(0, 0, 5, 5, 12));
    EXPECT_EQ(At(joined, "C1").measurement, 2);  // the first's b* cell, written over
    EXPECT_EQ(At(joined, "C1").text, "95.24");
    EXPECT_TRUE(ComputeLayoutPreview({}, Layout(1, 0, 5, 5, 13)).cells.empty());
}

}  // namespace
}  // namespace ombra::core
