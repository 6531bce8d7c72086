// The cell layout of one measurement, written into the in-memory spreadsheet cell by cell.
#include <gtest/gtest.h>

#include <set>

#include "CalcTestUtil.h"
#include "core/output/ItemRegistry.h"
#include "core/output/LayoutPreview.h"
#include "core/output/Transfer.h"
#include "core/platform/MessageFlags.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "support/CoreTestSupport.h"
#include "support/NoticeRecorder.h"

namespace ombra::core {
namespace {

using test::CellMap;
using test::Item;
using test::Items;
using test::Layout;
using test::WrittenCells;

struct TransferFixture : ::testing::Test {
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    test::NoticeRecorder notices;

    void StartAt(int column, int row) {
        sheet.Sheet().cursorColumn = column;
        sheet.Sheet().cursorRow = row;
    }
    TransferResult Run(const TransferLayout &layout, const OutputItemList &selection, const OutputItemList &values,
                       int spectralCount = 0, int densityCount = 0) {
        TransferInput in{selection, values, spectralCount, densityCount};
        return TransferMeasurement(sheet, layout, in, "Caption", notices.Sink()).result;
    }
    void ExpectOutsideSheetMessage() {
        ASSERT_EQ(notices.Count(), 1u);
        EXPECT_EQ(notices.Notices()[0].textId, 1239);
        EXPECT_EQ(notices.Notices()[0].Text(), platform::ResString(1239));
        EXPECT_EQ(notices.Notices()[0].Caption(), "Caption");
        using namespace platform::mb;
        EXPECT_EQ(notices.Notices()[0].flags, ICONHAND | SYSTEMMODAL | SETFOREGROUND);
    }
};

const OutputItemList kGroup2000 = Items({2000});
const OutputItemList kValues2000 = Items({1000, 1001, 1002});

TEST_F(TransferFixture, GroupWithLabelsAcrossColumns) {
    StartAt(2, 2);
    EXPECT_EQ(Run(Layout(1, 0, 5, 5, 13), kGroup2000, kValues2000), TransferResult::Written);
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=L1000|C2=L1001|D2=L1002|B3=v1000|C3=v1001|D3=v1002"));
    EXPECT_EQ(sheet.ActiveAddress(), "B4");
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(TransferFixture, GroupJoinedByValueSeparator) {
    StartAt(2, 2);
    Run(Layout(1, 0, 3, 5, 13), kGroup2000, kValues2000);
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=L1000;L1001;L1002|B3=v1000;v1001;v1002"));
    EXPECT_EQ(sheet.ActiveAddress(), "B4");
}

TEST_F(TransferFixture, EverythingJoinedGivesOneLabelAndOneValueCell) {
    StartAt(2, 2);
    Run(Layout(1, 0, 3, 1, 4), Items({1011, 1012}), {});
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=L1011 L1012 :|B3=v1011 v1012 :"));
    EXPECT_EQ(sheet.ActiveAddress(), "B2");

    sheet.Sheet().cells.clear();
    StartAt(2, 2);
    Run(Layout(1, 0, 3, 1, 13), Items({1011, 1012}), {});  // no block text; n = two entries
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=L1011 L1012 |B3=v1011 v1012 "));
    EXPECT_EQ(sheet.ActiveAddress(), "A4");
}

TEST_F(TransferFixture, JoiningBlockSeparatorStartsTheNextMeasurementOnTheLastCell) {
    StartAt(2, 2);
    Run(Layout(0, 0, 5, 5, 12), kGroup2000, kValues2000);
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=v1000|C2=v1001|D2=v1002"));
    EXPECT_EQ(sheet.ActiveAddress(), "D2");
    Run(Layout(0, 0, 5, 5, 12), kGroup2000, kValues2000);
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=v1000|C2=v1001|D2=v1000|E2=v1001|F2=v1002"));
}

TEST_F(TransferFixture, TextItemsDownRows) {
    StartAt(1, 1);
    Run(Layout(1, 1, 5, 9, 13), Items({1035, 1036}), Items({1035, 1036}));
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=L1035|B1=v1035|C1=L1036|D1=v1036"));
    EXPECT_EQ(sheet.ActiveAddress(), "A2");
}

TEST_F(TransferFixture, BlockMovementLeavingTheSheetShowsTheMessage) {
    StartAt(1, 1);
    EXPECT_EQ(Run(Layout(1, 1, 11, 9, 13), Items({1035, 2000}), Items({1035, 1000, 1001, 1002})),
              TransferResult::OutsideSheet);
    EXPECT_EQ(WrittenCells(sheet),
              CellMap("A1=L1035|B1=v1035|C1=L1000|D1=v1000|C2=L1001|D2=v1001|C3=L1002|D3=v1002"));
    ExpectOutsideSheetMessage();
}

TEST_F(TransferFixture, LastRowRefusesTheFirstWrite) {
    sheet.Sheet().rowCount = 100;
    StartAt(3, 100);
    EXPECT_EQ(Run(Layout(1, 0, 5, 5, 13), kGroup2000, kValues2000), TransferResult::OutsideSheet);
    EXPECT_TRUE(sheet.Sheet().cells.empty());
    ExpectOutsideSheetMessage();
}

TEST_F(TransferFixture, LastRowAndColumnKeepTheSelectionOnTheCell) {
    sheet.Sheet().rowCount = 5;
    sheet.Sheet().columnCount = 5;
    StartAt(5, 4);
    Run(Layout(1, 0, 5, 5, 13), Items({1011}), {});
    EXPECT_EQ(WrittenCells(sheet), CellMap("E4=L1011|E5=v1011"));
    EXPECT_EQ(sheet.ActiveAddress(), "E5");  // not E6, below the last row
    ExpectOutsideSheetMessage();                // the block step leaves the sheet
}

TEST_F(TransferFixture, LastEntryGetsNoFunctionMovement) {
    StartAt(1, 1);
    Run(Layout(0, 0, 5, 0, 5), Items({1011, 2008}), Items({1031, 1032, 1033, 1034}));
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=v1011|A2=v1031|B2=v1032|C2=v1033|D2=v1034"));
    EXPECT_EQ(sheet.ActiveAddress(), "E2");
}

TEST_F(TransferFixture, JoiningFunctionSeparatorSharesACellBetweenItems) {
    StartAt(1, 1);
    Run(Layout(0, 0, 5, 3, 0), Items({2009, 2000}), Items({1045, 1046, 1047, 1048, 1049, 1050, 1000, 1001, 1002}));
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=v1045|B1=v1046|C1=v1047|D1=v1048|E1=v1049|F1=v1050;v1000|"
                                           "G1=v1001|H1=v1002;"));
    EXPECT_EQ(sheet.ActiveAddress(), "H2");
}

TEST_F(TransferFixture, SkippedAndUnwritableItems) {
    StartAt(1, 1);
    Run(Layout(0, 0, 5, 5, 0), Items({2000, 1001, 1011, 999, 1003}), Items({1000, 1001, 1002}));
    // 1001 is already written by its group, 999 is no data item, 1003 (group 2001 not written) is.
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=v1000|B1=v1001|C1=v1002|D1=v1011|E1=v1003"));
    EXPECT_EQ(sheet.ActiveAddress(), "E2");
}

TEST_F(TransferFixture, SpectralGroupFollowsTheMeasurementType) {
    OutputItemList values = Items({360, 370, 380, 390, 400});
    StartAt(1, 1);
    TransferLayout l = Layout(0, 0, 3, 5, 0);
    Run(l, Items({1100}), values, 3);
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=v380;v390;v400"));
    sheet.Sheet().cells.clear();
    StartAt(1, 1);
    l.MeasurementTypeSel = 1;
    Run(l, Items({1100}), values, 5);
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=v360;v370;v380;v390;v400"));
}

TEST_F(TransferFixture, DensitySpectrumGroupAndBlanks) {
    StartAt(1, 1);
    Run(Layout(0, 0, 5, 5, 0), Items({2021, 1044}), Items({2380, 2390, 1044, 1044, 1044}), 0, 2);
    // The blank item takes two entries; with a moving separator both land in the same cell.
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=v2380|B1=v2390|C1=v1044"));
    EXPECT_EQ(sheet.ActiveAddress(), "C2");
}

TEST_F(TransferFixture, NoWorkbookWritesNothingAndSaysSo) {
    sheet.foregroundTitle = "Terminal - bash";
    EXPECT_EQ(Run(Layout(1, 0, 5, 5, 13), kGroup2000, kValues2000), TransferResult::NotWritten);
    EXPECT_TRUE(sheet.Sheet().cells.empty());
    EXPECT_EQ(notices.Count(), 0u);
    sheet.workbooks.clear();
    EXPECT_EQ(Run(Layout(1, 0, 5, 5, 13), kGroup2000, kValues2000), TransferResult::NotWritten);
}

// A measurement goes as a few blocks: the label row and the value row, then one selection.
TEST_F(TransferFixture, AMeasurementIsABlockPerRunAndOneSelection) {
    StartAt(2, 2);
    Run(Layout(1, 0, 5, 5, 13), Items({1035, 2000}), Items({1035, 1000, 1001, 1002}));
    EXPECT_EQ(sheet.calls, (std::vector<std::string>{"bind /home/u/Book1.ods", "write B2:E2", "write B3:E3",
                                                    "select B4", "commit"}));
    EXPECT_EQ(sheet.lockedViews, 0);
}

TEST_F(TransferFixture, AutomationErrorAtEveryCallEndsSilently) {
    StartAt(2, 2);
    Run(Layout(1, 0, 5, 5, 13), Items({1035, 2000}), Items({1035, 1000, 1001, 1002}));
    const size_t total = sheet.calls.size();
    for (int held : {0, 2}) {
        for (size_t k = 0; k < total; ++k) {
            MemoryAutomation fresh = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
            fresh.Sheet().cursorColumn = 2;
            fresh.Sheet().cursorRow = 2;
            fresh.failAtCall = static_cast<int>(k);
            fresh.cellsHeldOnFailedWrite = held;
            OutputItemList sel = Items({1035, 2000}), values = Items({1035, 1000, 1001, 1002});
            TransferInput in{sel, values, 0, 0};
            TransferOutcome o = TransferMeasurement(fresh, Layout(1, 0, 5, 5, 13), in, "Caption", notices.Sink());
            EXPECT_EQ(o.result, o.cellsWritten > 0 ? TransferResult::PartlyWritten : TransferResult::NotWritten)
                << fresh.calls.back();
            // The outcome says exactly how far the cells got, also when a block broke off part-way.
            EXPECT_EQ(o.cellsWritten, static_cast<int>(fresh.Sheet().cells.size())) << k;
            if (o.cellsWritten > 0) {
                EXPECT_EQ(o.firstCell, "B2");
                EXPECT_TRUE(fresh.HasCell(o.lastCell)) << o.lastCell;
            }
            EXPECT_EQ(fresh.lockedViews, 0) << "the views stay locked after call " << k;
        }
    }
    StartAt(2, 2);
    TransferOutcome whole = TransferMeasurement(sheet, Layout(1, 0, 5, 5, 13), TransferInput{Items({1035, 2000}), Items({1035, 1000, 1001, 1002}), 0, 0}, "Caption", notices.Sink());
    EXPECT_EQ(whole.workbookName, "Book1.ods");
    EXPECT_EQ(whole.sheetName, "Sheet1");
    EXPECT_EQ(whole.cellsWritten, 8);
    EXPECT_EQ(whole.lastCell, "E3");
    EXPECT_EQ(notices.Count(), 0u);
}

// The message about a cell outside the sheet finds the cells before it in the sheet, and the
// views repainting.
TEST_F(TransferFixture, TheOutsideTheSheetMessageFindsTheEarlierCellsWritten) {
    std::vector<std::map<std::string, std::string>> seen;
    const NoticeSink watch = [&](const Notice &notice) {
        EXPECT_EQ(notice.textId, 1239);
        EXPECT_EQ(sheet.lockedViews, 0);
        seen.push_back(WrittenCells(sheet));
        return platform::mb::IDOK;
    };
    OutputItemList sel = Items({1035, 2000}), values = Items({1035, 1000, 1001, 1002});
    TransferInput in{sel, values, 0, 0};
    EXPECT_EQ(TransferMeasurement(sheet, Layout(1, 1, 11, 9, 13), in, "Caption", watch).result,
              TransferResult::OutsideSheet);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].size(), 8u);
    EXPECT_EQ(seen[0], WrittenCells(sheet));
}

// Whatever the layout, no cell goes to the sheet twice and only the last selection is made.
TEST_F(TransferFixture, EveryCellGoesOnceAndOneSelectionAtMost) {
    const OutputItemList group = Items({2000}), groupValues = Items({1000, 1001, 1002});
    const struct {
        TransferLayout layout;
        OutputItemList selection, values;
        int column, row;
    } cases[] = {
        {Layout(1, 0, 5, 5, 13), group, groupValues, 2, 2},
        {Layout(1, 0, 3, 5, 13), group, groupValues, 2, 2},
        {Layout(1, 0, 3, 1, 4), Items({1011, 1012}), {}, 2, 2},
        {Layout(0, 0, 5, 5, 12), Items({1011, 1012, 2000}), groupValues, 3, 3},
        {Layout(1, 1, 11, 9, 13), Items({1035, 2000}), Items({1035, 1000, 1001, 1002}), 1, 1},
        {Layout(1, 1, 5, 9, 13), Items({1035, 1036}), Items({1035, 1036}), 1, 1},
        {Layout(1, 0, 5, 3, 3), Items({2009, 1011}), Items({1045, 1046, 1047, 1048, 1049, 1050}), 4, 7},
        {Layout(0, 0, 5, 3, 0), Items({2009, 2000}), Items({1045, 1046, 1047, 1048, 1049, 1050, 1000, 1001, 1002}), 1, 1},
    };
    for (const auto &c : cases) {
        MemoryAutomation fresh = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
        fresh.Sheet().cursorColumn = c.column;
        fresh.Sheet().cursorRow = c.row;
        TransferMeasurement(fresh, c.layout, TransferInput{c.selection, c.values, 0, 0}, "Caption", notices.Sink());
        std::set<std::pair<int, int>> cells;
        for (const MemoryAutomation::CellWrite &w : fresh.writes)
            EXPECT_TRUE(cells.insert({w.column, w.row}).second) << "written twice: " << w.text;
        EXPECT_LE(fresh.selections.size(), 1u);
        EXPECT_EQ(fresh.lockedViews, 0);
    }
}

// Each separator code as value separator: a group of three values, labels off, from E10.
struct SepCase {
    int code;
    const char *cells;
};

TEST_F(TransferFixture, EveryCodeAsValueSeparator) {
    const SepCase cases[] = {
        {0, "E10=v1000|E11=v1001|E12=v1002"},  {1, "E10=v1000 v1001 v1002"},
        {2, "E10=v1000.v1001.v1002"},          {3, "E10=v1000;v1001;v1002"},
        {4, "E10=v1000:v1001:v1002"},          {5, "E10=v1000|F10=v1001|G10=v1002"},
        {6, "E10=v1000|A10=v1002"},            {7, "E10=v1000|A11=v1001|A12=v1002"},
        {8, "E10=v1000|D10=v1001|C10=v1002"},  {9, "E10=v1000|F10=v1001|G10=v1002"},
        {10, "E10=v1000|E9=v1001|E8=v1002"},   {11, "E10=v1000|E11=v1001|E12=v1002"},
        {12, "E10=v1000v1001v1002"},           {13, "E10=v1000|D11=v1001|C12=v1002"},
        {14, "E10=v1000|F9=v1001|G8=v1002"},   {15, "E10=v1000|D10=v1001|C10=v1002"},
        {16, "E10=v1000|E9=v1001|E8=v1002"},
    };
    for (const SepCase &c : cases) {
        sheet.Sheet().cells.clear();
        StartAt(5, 10);
        EXPECT_EQ(Run(Layout(0, 0, c.code, 5, 0), kGroup2000, kValues2000), TransferResult::Written) << c.code;
        EXPECT_EQ(WrittenCells(sheet), CellMap(c.cells)) << "value separator " << c.code;
    }
}

TEST_F(TransferFixture, EveryCodeAsFunctionSeparator) {
    const SepCase cases[] = {
        {0, "E10=v1011|E11=v1012|E12=v1013"},  {1, "E10=v1011 v1012 v1013 "},
        {2, "E10=v1011.v1012.v1013."},         {3, "E10=v1011;v1012;v1013;"},
        {4, "E10=v1011:v1012:v1013:"},         {5, "E10=v1011|F10=v1012|G10=v1013"},
        {6, "E10=v1011|A10=v1013"},            {7, "E10=v1011|A11=v1012|A12=v1013"},
        {8, "E10=v1011|D10=v1012|C10=v1013"},  {9, "E10=v1011|F10=v1012|G10=v1013"},
        {10, "E10=v1011|E9=v1012|E8=v1013"},   {11, "E10=v1011|E11=v1012|E12=v1013"},
        {12, "E10=v1011v1012v1013"},           {13, "E10=v1011|E11=v1012|E12=v1013"},
        {14, "E10=v1011|F10=v1012|G10=v1013"}, {15, "E10=v1013"},
        {16, "E10=v1013"},
    };
    for (const SepCase &c : cases) {
        sheet.Sheet().cells.clear();
        StartAt(5, 10);
        Run(Layout(0, 0, 5, c.code, 0), Items({1011, 1012, 1013}), {});
        EXPECT_EQ(WrittenCells(sheet), CellMap(c.cells)) << "function separator " << c.code;
    }
}

TEST_F(TransferFixture, EveryCodeAsBlockSeparator) {
    const SepCase cases[] = {
        {0, "G11"}, {1, "G10=v1002 "}, {2, "G10=v1002."}, {3, "G10=v1002;"}, {4, "G10=v1002:"},
        {5, "H10"}, {6, "A10"},  {7, "A11"}, {8, "F10"},  {9, "H10"}, {10, "G9"}, {11, "G11"},
        {12, "G10=v1002"}, {13, "E11"}, {14, "H8"}, {15, "E10"}, {16, "G8"},
    };
    for (const SepCase &c : cases) {
        sheet.Sheet().cells.clear();
        StartAt(5, 10);
        Run(Layout(0, 0, 5, 5, c.code), kGroup2000, kValues2000);
        std::string spec = c.cells;
        size_t eq = spec.find('=');
        std::string next = spec.substr(0, eq);
        EXPECT_EQ(sheet.ActiveAddress(), next) << "block separator " << c.code;
        EXPECT_EQ(sheet.Cell("G10"), eq == std::string::npos ? "v1002" : spec.substr(eq + 1)) << c.code;
    }
}

// ---- Labels once, as the header line of a table (Label 2) ----

// The texts of one row (of one column when `down`) of a sheet, by column (by row).
std::map<int, std::string> Line(const MemoryAutomation &a, bool down, int line) {
    std::map<int, std::string> texts;
    for (const auto &[pos, text] : a.workbooks.at(0).sheets.at(0).cells)
        if ((down ? pos.first : pos.second) == line) texts[down ? pos.second : pos.first] = text;
    return texts;
}

size_t Reads(const MemoryAutomation &a) {
    return static_cast<size_t>(std::count_if(a.calls.begin(), a.calls.end(), [](const std::string &c) { return c.rfind("read ", 0) == 0; }));
}

struct TableFixture : TransferFixture {
    OutputValues values = TypicalValues({DefaultSelectionIds(false).begin(), DefaultSelectionIds(false).end()}, false);

    TransferResult Measure(const TransferLayout &layout, const OutputValues &v) {
        return Run(layout, v.outputItems, v.valueItems, v.spectralCount, v.densityCount);
    }
    TransferResult Measure(const TransferLayout &layout) { return Measure(layout, values); }
    // What one measurement with a label beside every value writes from A1 of a sheet of its own.
    MemoryAutomation WithLabelsBeside(TransferLayout layout, const OutputItemList &selection, const OutputItemList &v) {
        MemoryAutomation reference = MemoryAutomation::WithWorkbook("/home/u/Ref.ods", "Ref.ods");
        layout.Label = 1;
        TransferInput in{selection, v, values.spectralCount, values.densityCount};
        TransferMeasurement(reference, layout, in, "Caption", notices.Sink());
        return reference;
    }
    MemoryAutomation WithLabelsBeside(const TransferLayout &layout) {
        return WithLabelsBeside(layout, values.outputItems, values.valueItems);
    }
};

TEST_F(TableFixture, MeasurementsFromA1FillOneTableUnderItsLabelsUntilStartedElsewhere) {
    const TransferLayout table = Layout(2, 0, 5, 5, 13);
    const MemoryAutomation reference = WithLabelsBeside(table);
    const auto labels = Line(reference, false, 1), valueLine = Line(reference, false, 2);
    ASSERT_GT(labels.size(), 5u);

    StartAt(1, 1);
    for (int m = 0; m < 3; ++m) ASSERT_EQ(Measure(table), TransferResult::Written);
    EXPECT_EQ(Line(sheet, false, 1), labels);
    for (int row = 2; row <= 4; ++row) EXPECT_EQ(Line(sheet, false, row), valueLine) << "row " << row;
    EXPECT_EQ(sheet.ActiveAddress(), "A5");
    EXPECT_EQ(sheet.Sheet().cells.size(), 4 * labels.size());

    StartAt(1, 10);  // moved by hand: rows 5 to 9 are empty
    Measure(table);
    EXPECT_EQ(Line(sheet, false, 10), labels);
    EXPECT_EQ(Line(sheet, false, 11), valueLine);
    EXPECT_EQ(sheet.ActiveAddress(), "A12");
    EXPECT_EQ(sheet.Sheet().cells.size(), 6 * labels.size());
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(TableFixture, ItemsDownFillColumnsRightOfTheLabelColumn) {
    const TransferLayout table = Layout(2, 1, 0, 0, 14);
    const MemoryAutomation reference = WithLabelsBeside(table);
    ASSERT_EQ(reference.ActiveAddress(), "C1") << "labels in A, values in B";
    StartAt(1, 1);
    for (int m = 0; m < 3; ++m) Measure(table);
    EXPECT_EQ(Line(sheet, true, 1), Line(reference, true, 1));
    for (int column = 2; column <= 4; ++column) EXPECT_EQ(Line(sheet, true, column), Line(reference, true, 2));
    EXPECT_EQ(sheet.ActiveAddress(), "E1");
}

TEST_F(TableFixture, OnlyTheSameLabelsAboveContinueTheTable) {
    const TransferLayout table = Layout(2, 0, 5, 5, 13);
    StartAt(1, 1);
    Measure(table);
    Measure(table);
    // Another selection under the table: its labels are not those of row 1.
    const OutputValues lab = TypicalValues({item::kLabGroup}, false);
    const std::string lightness = lab.valueItems.at(0).label, lightnessValue = lab.valueItems.at(0).valueText;
    Measure(table, lab);
    EXPECT_EQ(sheet.Cell("A4"), lightness);
    EXPECT_EQ(sheet.Cell("A5"), lightnessValue);
    EXPECT_EQ(sheet.ActiveAddress(), "A6");
    Measure(table, lab);
    EXPECT_EQ(sheet.Cell("A6"), lightnessValue);

    // A label edited by hand ends the table it heads.
    sheet.Sheet().cells[{2, 4}] = "edited";
    Measure(table, lab);
    EXPECT_EQ(sheet.Cell("A7"), lightness);
    EXPECT_EQ(sheet.ActiveAddress(), "A9");
}

TEST_F(TableFixture, ALongTableStillFindsItsHeaderAndOtherLabelSettingsReadNothing) {
    const TransferLayout table = Layout(2, 0, 5, 5, 13);
    StartAt(1, 1);
    for (int m = 0; m < 60; ++m) Measure(table);  // the header lies beyond several read blocks
    EXPECT_EQ(sheet.ActiveAddress(), "A62");
    EXPECT_EQ(Line(sheet, false, 61), Line(sheet, false, 2));
    sheet.calls.clear();
    for (int label : {0, 1}) Measure(Layout(label, 0, 5, 5, 13));
    EXPECT_EQ(Reads(sheet), 0u) << "labels beside the values, or none, never read the sheet";
}

TEST_F(TableFixture, JoinedCellsGetTheirWholeLabelOnce) {
    struct Case {
        const char *name;
        TransferLayout layout;
        OutputItemList selection, values;
    } cases[] = {
        {"values joined", Layout(2, 0, 3, 5, 7), kGroup2000, kValues2000},
        {"items joined", Layout(2, 0, 5, 3, 7), Items({2009, 2000}), Items({1045, 1046, 1047, 1048, 1049, 1050, 1000, 1001, 1002})},
        {"text items", Layout(2, 0, 5, 5, 7), Items({1011, 1012, 2000}), kValues2000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sheet.Sheet().cells.clear();
        const MemoryAutomation reference = WithLabelsBeside(c.layout, c.selection, c.values);
        StartAt(1, 5);
        Run(c.layout, c.selection, c.values);
        Run(c.layout, c.selection, c.values);
        EXPECT_EQ(Line(sheet, false, 5), Line(reference, false, 1));
        EXPECT_EQ(Line(sheet, false, 6), Line(reference, false, 2));
        EXPECT_EQ(Line(sheet, false, 7), Line(reference, false, 2));
        EXPECT_EQ(sheet.ActiveAddress(), "A8");
    }
}

TEST(Separators, MovementWithLabelsAndRows) {
    TransferLayout l = Layout(1, 0, 16, 5, 13);
    int column = 4, row = 10;
    MoveByValueSeparator(l, column, row);  // 16 with n = 2: one step up of two rows
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(4, 8));
    MoveByBlockSeparator(l, column, row, 3);  // down two rows, two columns left
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(2, 10));
    l.Row = 1;
    MoveBySeparator(l, 14, column, row, 2);  // right one step of two columns, one row up
    EXPECT_EQ(std::make_pair(column, row), std::make_pair(4, 9));
    TextPair p{"a", "b"};
    AppendJoiner(p, 4);
    AppendJoiner(p, 7);
    EXPECT_EQ(p.label, "a:");
    EXPECT_EQ(p.value, "b:");
}

}  // namespace
}  // namespace ombra::core
