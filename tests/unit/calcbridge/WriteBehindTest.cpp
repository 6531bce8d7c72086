// The write-behind layer over the in-memory spreadsheet: transfers end with the cells and the
// selection of writing cell by cell, in a few batches; a failing batch keeps what came before it
// and the transfer counts only the cells that reached the sheet;
// the outside-the-sheet message finds the earlier cells written; a get sees the puts before it.
#include <gtest/gtest.h>

#include <algorithm>

#include "CalcTestUtil.h"
#include "calcbridge/TypedInput.h"
#include "calcbridge/WriteBehind.h"
#include "output/ExcelControl.h"
#include "output/Transfer.h"
#include "platform/MessageFlags.h"
#include "platform/Resources.h"
#include "support/CoreTestSupport.h"

namespace ombra::core {
namespace {

using test::Item;
using test::Items;
using test::Layout;
using test::WrittenCells;


struct Case {
    TransferLayout layout;
    OutputItemList selection, values;
    int column, row;
};

// The layouts of the transfer's edge cases, across and down, joined and moving, in and out of the sheet.
std::vector<Case> Cases() {
    const OutputItemList group = Items({2000}), groupValues = Items({1000, 1001, 1002});
    return {
        {Layout(1, 0, 5, 5, 13), group, groupValues, 2, 2},
        {Layout(1, 0, 3, 5, 13), group, groupValues, 2, 2},
        {Layout(1, 0, 3, 1, 4), Items({1011, 1012}), {}, 2, 2},
        {Layout(0, 0, 5, 5, 12), Items({1011, 1012, 2000}), groupValues, 3, 3},
        {Layout(1, 1, 11, 9, 13), Items({1035, 2000}), Items({1035, 1000, 1001, 1002}), 1, 1},
        {Layout(1, 1, 5, 9, 13), Items({1035, 1036}), Items({1035, 1036}), 1, 1},
        {Layout(1, 0, 5, 3, 3), Items({2009, 1011}), Items({1045, 1046, 1047, 1048, 1049, 1050}), 4, 7},
        {Layout(1, 0, 5, 5, 13), Items({1011}), {}, 1, 1048576},
    };
}

struct Written {
    std::map<std::string, std::string> cells;
    std::string active;
    size_t boxes;
    TransferResult result;
};

Written RunCase(const Case &c, bool writeBehind, MemoryAutomation *used = nullptr) {
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    sheet.Sheet().cursorColumn = c.column;
    sheet.Sheet().cursorRow = c.row;
    test::NoticeRecorder boxes;
    TransferInput in{c.selection, c.values, 0, 0};
    TransferResult result;
    if (writeBehind) {
        WriteBehindAutomation held(sheet);
        result = TransferMeasurement(held, c.layout, in, "Caption", boxes.Sink()).result;
    } else {
        result = TransferMeasurement(sheet, c.layout, in, "Caption", boxes.Sink()).result;
    }
    if (used) *used = sheet;
    return {WrittenCells(sheet), sheet.ActiveAddress(), boxes.Count(), result};
}

size_t CountCalls(const MemoryAutomation &a, const std::string &part) {
    return static_cast<size_t>(std::count_if(a.calls.begin(), a.calls.end(),
                                             [&](const std::string &c) { return c.find(part) != std::string::npos; }));
}

TEST(WriteBehind, TransfersEndAsWhenWrittenCellByCellInAFewBatches) {
    for (const Case &c : Cases()) {
        SCOPED_TRACE(c.selection.size());
        Written direct = RunCase(c, false);
        MemoryAutomation used;
        Written held = RunCase(c, true, &used);
        EXPECT_EQ(held.cells, direct.cells);
        EXPECT_EQ(held.active, direct.active);
        EXPECT_EQ(held.boxes, direct.boxes);
        EXPECT_EQ(held.result, direct.result);
        EXPECT_EQ(CountCalls(used, " get 197"), 0u);  // ranges are made locally
        EXPECT_LE(CountCalls(used, " get 558"), 1u);  // visibility asked once
        EXPECT_LE(CountCalls(used, " select "), 1u);  // only the last selection
        EXPECT_EQ(CountCalls(used, " call 235"), 0u);
    }
    // Labels above values across the columns: one batch per row.
    MemoryAutomation used;
    RunCase(Cases()[0], true, &used);
    EXPECT_EQ(CountCalls(used, " block "), 2u);
    EXPECT_EQ(CountCalls(used, "Worksheets get 170"), 1u);  // the sheet is looked up once
}

TEST(WriteBehind, AFailingBatchKeepsTheEarlierOnesAndWritesNothingAfter) {
    const Case c = Cases()[0];  // labels B2:D2, then values B3:D3, then the selection of B4
    MemoryAutomation probe;
    RunCase(c, true, &probe);
    std::vector<int> blocks;
    int select = -1;
    for (size_t i = 0; i < probe.calls.size(); ++i) {
        if (probe.calls[i].find(" block ") != std::string::npos) blocks.push_back(static_cast<int>(i));
        if (probe.calls[i].find(" select ") != std::string::npos) select = static_cast<int>(i);
    }
    ASSERT_EQ(blocks.size(), 2u);
    ASSERT_GT(select, blocks[1]);

    for (int failing : {blocks[1], select}) {
        MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
        sheet.Sheet().cursorColumn = 2;
        sheet.Sheet().cursorRow = 2;
        sheet.failAtCall = failing;
        test::NoticeRecorder boxes;
        WriteBehindAutomation held(sheet);
        TransferInput in{c.selection, c.values, 0, 0};
        const TransferOutcome outcome = TransferMeasurement(held, c.layout, in, "Caption", boxes.Sink());
        EXPECT_EQ(outcome.reason, MissReason::FailedPartWay);
        std::map<std::string, std::string> labels = test::CellMap("B2=L1000|C2=L1001|D2=L1002");
        std::map<std::string, std::string> all = test::CellMap("B2=L1000|C2=L1001|D2=L1002|B3=v1000|C3=v1001|D3=v1002");
        EXPECT_EQ(WrittenCells(sheet), failing == select ? all : labels);
        // What the journal keeps as "partly written, up to" is what reached the sheet.
        EXPECT_EQ(outcome.cellsWritten, failing == select ? 6 : 3);
        EXPECT_EQ(outcome.firstCell, "B2");
        EXPECT_EQ(outcome.lastCell, failing == select ? "D3" : "D2");
        EXPECT_TRUE(sheet.selections.empty());
        EXPECT_EQ(sheet.ActiveAddress(), "B2");
        EXPECT_TRUE(sheet.interactive);  // the spreadsheet is let go all the same
        EXPECT_EQ(boxes.Count(), 0u);
    }
}

TEST(WriteBehind, TheOutsideTheSheetMessageFindsTheEarlierCellsWritten) {
    // 1035 and group 2000 down the rows; the block movement leaves the sheet after four cells.
    const Case c = Cases()[4];
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    std::vector<std::map<std::string, std::string>> seen;
    const NoticeSink watch = [&](const Notice &notice) {
        EXPECT_EQ(notice.textId, 1239);
        seen.push_back(WrittenCells(sheet));
        return platform::mb::IDOK;
    };
    WriteBehindAutomation held(sheet);
    TransferInput in{c.selection, c.values, 0, 0};
    EXPECT_EQ(TransferMeasurement(held, c.layout, in, "Caption", watch).result, TransferResult::OutsideSheet);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].size(), 8u);
    EXPECT_EQ(seen[0], WrittenCells(sheet));
}

TEST(WriteBehind, AGetSeesThePutsBeforeIt) {
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    WriteBehindAutomation held(sheet);
    CExcelControl control(held);
    ASSERT_TRUE(control.Attach());
    DispatchPtr cell = held.RunningObject("/home/u/Book1.ods")->Get(dispid::ActiveSheet).ToObject()->Get(
        dispid::Range, {"B2", "B2"}).ToObject();
    control.WriteCells({"first"}, 1, 2, 2, 1, 1, 0);
    EXPECT_FALSE(sheet.HasCell("B2"));  // held back
    EXPECT_EQ(cell->Get(dispid::Value).ToText(), "first");
    control.WriteCells({"second"}, 1, 3, 2, 1, 1, 0);
    control.WriteCells({"third"}, 1, 2, 2, 1, 1, 0);
    EXPECT_EQ(sheet.Cell("B2"), "first");
    EXPECT_EQ(cell->Get(dispid::Value).ToText(), "third");
    EXPECT_EQ(sheet.Cell("C2"), "second");
    EXPECT_EQ(control.ActiveColumn(1, 1), 2);  // the last selection
}

TEST(TypedInput, DatesTimesAndNumbersOnlyInTheirExactForms) {
    EXPECT_EQ(TypeCellInput("12.5").kind, TypedInput::Number);
    EXPECT_EQ(TypeCellInput("-0.25").number, -0.25);
    TypedInput date = TypeCellInput("2026/12/08");
    ASSERT_EQ(date.kind, TypedInput::Date);
    EXPECT_EQ(DaySerial(date.year, date.month, date.day, 1899, 12, 30), 46364);
    EXPECT_EQ(DaySerial(2024, 2, 29, 1899, 12, 30), 45351);
    EXPECT_EQ(DaySerial(1904, 1, 1, 1904, 1, 1), 0);
    TypedInput time = TypeCellInput("04:29:50");
    ASSERT_EQ(time.kind, TypedInput::Time);
    EXPECT_DOUBLE_EQ(time.number, (4 * 3600 + 29 * 60 + 50) / 86400.0);
    EXPECT_EQ(TypeCellInput("23:59:59").kind, TypedInput::Time);
    EXPECT_EQ(TypeCellInput("2024/02/29").kind, TypedInput::Date);
    for (const char *text : {"2026/13/40", "2023/02/29", "2026/12/8", "2026/12/08;", "24:00:00", "12:60:00",
                             "4:29:50", "04:29:50 ", "=1+2", "1e3", "12,5", "---", "L*", "", " 7", "2026-12-08"})
        EXPECT_EQ(TypeCellInput(text).kind, TypedInput::Text) << text;
}

}  // namespace
}  // namespace ombra::core
