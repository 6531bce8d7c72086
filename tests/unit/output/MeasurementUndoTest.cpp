// Taking measurements back from the sheet: only cells that still hold what was written, newest
// first, with the cell cursor back where each measurement began.
#include <gtest/gtest.h>

#include "CalcTestUtil.h"
#include "core/output/MeasurementUndo.h"
#include "support/NoticeRecorder.h"

namespace ombra::core {
namespace {

using test::CellMap;
using test::Items;
using test::Layout;
using test::WrittenCells;

struct UndoFixture : ::testing::Test {
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    test::NoticeRecorder notices;
    MeasurementUndo undo;
    qint64 nextId = 1;

    // One measurement of L*a*b* from the cursor, remembered as the session does.
    void Measure(const TransferLayout &layout = Layout(1, 0, 5, 5, 13)) {
        const OutputItemList selection = Items({2000}), values = Items({1000, 1001, 1002});
        const TransferOutcome outcome =
            TransferMeasurement(sheet, layout, TransferInput{selection, values, 0, 0}, "Caption", notices.Sink());
        undo.Remember(outcome, nextId++);
    }
};

TEST_F(UndoFixture, EachUndoClearsTheNextMeasurementBackAndPutsTheCursorOnItsStart) {
    sheet.Sheet().cursorColumn = 2;
    sheet.Sheet().cursorRow = 2;
    Measure();
    Measure();
    EXPECT_EQ(WrittenCells(sheet).size(), 12u);
    EXPECT_EQ(sheet.ActiveAddress(), "B6");

    UndoOutcome second = undo.UndoLast(sheet);
    EXPECT_EQ(second.result, UndoResult::Undone);
    EXPECT_EQ(second.journalId, 2);
    EXPECT_EQ(WrittenCells(sheet), CellMap("B2=L1000|C2=L1001|D2=L1002|B3=v1000|C3=v1001|D3=v1002"));
    EXPECT_EQ(sheet.ActiveAddress(), "B4");

    EXPECT_EQ(undo.UndoLast(sheet).journalId, 1);
    EXPECT_TRUE(WrittenCells(sheet).empty());
    EXPECT_EQ(sheet.ActiveAddress(), "B2");
    EXPECT_EQ(undo.UndoLast(sheet).result, UndoResult::NothingToUndo);
}

TEST_F(UndoFixture, ACellChangedSinceRefusesAndNamesItUntilItHoldsItsValueAgain) {
    Measure();
    sheet.Sheet().cells[{2, 2}] = "edited by hand";  // B2: a* of the measurement
    sheet.Sheet().cursorColumn = 8;
    const auto before = WrittenCells(sheet);

    const UndoOutcome refused = undo.UndoLast(sheet);
    EXPECT_EQ(refused.result, UndoResult::CellChanged);
    EXPECT_EQ(refused.cell, "B2");
    EXPECT_EQ(WrittenCells(sheet), before) << "nothing was cleared";
    EXPECT_EQ(sheet.ActiveAddress(), "H3");

    sheet.Sheet().cells.erase({2, 2});  // emptied by hand: still not what was written
    EXPECT_EQ(undo.UndoLast(sheet).cell, "B2");
    sheet.Sheet().cells[{2, 2}] = "v1001";
    EXPECT_EQ(undo.UndoLast(sheet).result, UndoResult::Undone) << "the measurement was kept for a later try";
    EXPECT_TRUE(WrittenCells(sheet).empty());
}

TEST_F(UndoFixture, AnotherSheetInFrontIsRefusedAndATableHeaderGoesWithItsFirstMeasurement) {
    Measure(Layout(2, 0, 5, 5, 13));
    Measure(Layout(2, 0, 5, 5, 13));
    sheet.Sheet().name = "Other";
    const UndoOutcome refused = undo.UndoLast(sheet);
    EXPECT_EQ(refused.result, UndoResult::OtherSheet);
    EXPECT_EQ(refused.sheet, "Book1.ods, Sheet1");
    sheet.Sheet().name = "Sheet1";

    EXPECT_EQ(undo.UndoLast(sheet).result, UndoResult::Undone);
    EXPECT_EQ(WrittenCells(sheet), CellMap("A1=L1000|B1=L1001|C1=L1002|A2=v1000|B2=v1001|C2=v1002"));
    EXPECT_EQ(sheet.ActiveAddress(), "A3");
    undo.UndoLast(sheet);
    EXPECT_TRUE(WrittenCells(sheet).empty());
    EXPECT_EQ(sheet.ActiveAddress(), "A1");
}

TEST_F(UndoFixture, OnlyTheLastMeasurementsWithCellsAreKept) {
    for (size_t i = 0; i < MeasurementUndo::kDepth + 5; ++i) Measure();
    EXPECT_EQ(undo.Count(), MeasurementUndo::kDepth);
    sheet.foregroundTitle = "Some other window";
    Measure();  // nothing written: nothing to take back
    EXPECT_EQ(undo.Count(), MeasurementUndo::kDepth);
    EXPECT_EQ(undo.UndoLast(sheet).result, UndoResult::NoSpreadsheet);
    sheet.failAtCall = static_cast<int>(sheet.calls.size()) + 1;  // the read after binding
    sheet.foregroundTitle = "Book1.ods - Spreadsheet";
    EXPECT_EQ(undo.UndoLast(sheet).result, UndoResult::Failed);
    EXPECT_EQ(undo.Count(), MeasurementUndo::kDepth);
}

TEST(CellShows, ValuesReadBackAsNumbersStillShowWhatWasWritten) {
    EXPECT_TRUE(CellShows("L*", "L*"));
    EXPECT_TRUE(CellShows("1", "1.00"));
    EXPECT_TRUE(CellShows("-0.5", "-0.50"));
    EXPECT_TRUE(CellShows("46365", "2026/12/09")) << "a date kept as its day count";
    EXPECT_TRUE(CellShows("0.5", "12:00:00"));
    EXPECT_FALSE(CellShows("46366", "2026/12/09"));
    EXPECT_FALSE(CellShows("1.01", "1.00"));
    EXPECT_FALSE(CellShows("", "---"));
    EXPECT_FALSE(CellShows("x", "1"));
}

}  // namespace
}  // namespace ombra::core
