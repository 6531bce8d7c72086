// The spreadsheet controller against the in-memory spreadsheet: addresses, binding by window
// title, what binding learns, writing and selecting, and letting the workbook go.
#include <gtest/gtest.h>

#include "CalcTestUtil.h"
#include "core/output/ExcelControl.h"

namespace ombra::core {
namespace {

using test::CellMap;
using test::WrittenCells;

TEST(CellAddress, ColumnLettersAndRowLimits) {
    MemoryAutomation a;
    CExcelControl c(a);
    EXPECT_EQ(c.CellAddress(1, 1), "A1");
    EXPECT_EQ(c.CellAddress(26, 2), "Z2");
    EXPECT_EQ(c.CellAddress(27, 3), "AA3");
    EXPECT_EQ(c.CellAddress(52, 4), "AZ4");
    EXPECT_EQ(c.CellAddress(53, 5), "BA5");
    EXPECT_EQ(c.CellAddress(702, 6), "ZZ6");
    EXPECT_EQ(c.CellAddress(703, 7), "AAA7");
    EXPECT_EQ(c.CellAddress(16384, 1), "XFD1");
    EXPECT_EQ(c.CellAddress(0, 5), "5");
    EXPECT_EQ(c.CellAddress(-3, 5), "5");
    EXPECT_EQ(c.CellAddress(2, 0), "B1");
    EXPECT_EQ(c.CellAddress(2, -7), "B1");
    EXPECT_EQ(c.CellAddress(2, 65537), "B65536");  // the row limit before attaching
}

TEST(CellAddress, RowLimitComesFromTheBoundSheet) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    a.Sheet().rowCount = 100;
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    EXPECT_EQ(c.CellAddress(3, 101), "C100");
}

TEST(BaseName, DropsFolderAndExtension) {
    EXPECT_EQ(CExcelControl::BaseName("/home/u/docs/Book1.ods"), "Book1");
    EXPECT_EQ(CExcelControl::BaseName("C:\\Users\\u\\Book1.xlsx"), "Book1");
    EXPECT_EQ(CExcelControl::BaseName("/home/j.doe/report"), "report");
    EXPECT_EQ(CExcelControl::BaseName("Untitled 1"), "Untitled 1");
}

TEST(Attach, BothTitleForms) {
    struct Case {
        const char *title;
        bool binds;
    } cases[] = {
        {"Book1.ods - LibreOffice Calc", true},     // workbook first: second attempt
        {"LibreOffice Calc - Book1.ods", true},     // application first: first attempt
        {"Spreadsheet App - Book1", true},
        {"Book1", false},                           // no dash and no child windows
        {"Book2.ods - LibreOffice Calc", false},
        {"", false},
    };
    for (const Case &k : cases) {
        MemoryAutomation a = MemoryAutomation::WithWorkbook("/home/u/docs/Book1.ods", "Book1.ods");
        a.foregroundTitle = k.title;
        CExcelControl c(a);
        EXPECT_EQ(c.Attach(), k.binds) << k.title;
        EXPECT_EQ(c.attached(), k.binds) << k.title;
    }
}

TEST(Attach, HyphenInTheFileNameBindsThroughTheLastDash) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/tmp/run-2026-12.ods", "run-2026-12.ods");
    a.foregroundTitle = "run-2026-12.ods - LibreOffice Calc";
    CExcelControl c(a);
    EXPECT_TRUE(c.Attach());
}

TEST(Attach, UnsavedDocumentByTitle) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("Untitled 1", "Untitled 1");
    a.foregroundTitle = "Untitled 1 - LibreOffice Calc";
    CExcelControl c(a);
    EXPECT_TRUE(c.Attach());
    EXPECT_EQ(c.workbookName(), "Untitled 1");
}

TEST(Attach, LearnsIndicesLimitsAndLocksTheViewsUntilDestroyed) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/d/Other.ods", "Other.ods");
    MemoryWorkbook book;
    book.displayName = "/d/Book1.ods";
    book.name = "Book1.ods";
    for (const char *n : {"Sheet1", "Data", "Sheet3"}) {
        MemorySheet s;
        s.name = n;
        s.rowCount = 500;
        s.columnCount = 40;
        book.sheets.push_back(s);
    }
    book.activeSheet = 1;
    a.workbooks.push_back(book);
    a.foregroundTitle = "Book1.ods - LibreOffice Calc";
    {
        CExcelControl c(a);
        ASSERT_TRUE(c.Attach());
        EXPECT_EQ(c.workbookIndex(), 2);
        EXPECT_EQ(c.worksheetIndex(), 2);
        EXPECT_EQ(c.workbookName(), "Book1.ods");
        EXPECT_EQ(c.sheetName(), "Data");
        EXPECT_EQ(c.rowLimit(), 500);
        EXPECT_EQ(c.columnLimit(), 40);
        EXPECT_EQ(a.lockedViews, 1);
        EXPECT_TRUE(c.Attach());  // already attached: no new binding
        EXPECT_EQ(a.lockedViews, 1);
    }
    EXPECT_EQ(a.lockedViews, 0);
    EXPECT_EQ(a.calls.back(), "release");
}

// The views repaint again at the commit, and whatever ends the controller's life: a failed write,
// a failing release call.
TEST(Attach, TheViewsAreUnlockedOnEveryPath) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/d/Book1.ods", "Book1.ods");
    a.foregroundTitle = "Book1.ods - LibreOffice Calc";
    {
        CExcelControl c(a);
        ASSERT_TRUE(c.Attach());
        c.WriteCells({"x"}, 1, 1, 0);
        c.Commit();
        EXPECT_EQ(a.lockedViews, 0);
    }
    EXPECT_EQ(a.calls.back(), "commit");  // nothing left to let go
    a.failAtCall = static_cast<int>(a.calls.size()) + 1;  // the write after the binding
    try {
        CExcelControl c(a);
        ASSERT_TRUE(c.Attach());
        c.WriteCells({"y"}, 1, 2, 0);
        ADD_FAILURE() << "the write did not fail";
    } catch (const AutomationError &) {
    }
    EXPECT_EQ(a.lockedViews, 0);
    a.failAtCall = static_cast<int>(a.calls.size()) + 1;  // the release
    {
        CExcelControl c(a);
        ASSERT_TRUE(c.Attach());
    }
    EXPECT_EQ(a.lockedViews, 0);
}

TEST(Attach, SkipsWorkbooksThatCannotBeHadOrHaveNoSheet) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    a.unreachable.insert("/a/Book1.ods");
    MemoryWorkbook second = a.workbooks[0];
    second.displayName = "/b/Book1.ods";
    a.workbooks.push_back(second);
    {
        CExcelControl c(a);
        EXPECT_TRUE(c.Attach());
    }
    a.unreachable.clear();
    a.workbooks[1].sheets.clear();
    {
        CExcelControl c(a);
        EXPECT_TRUE(c.Attach());
        EXPECT_EQ(c.workbookIndex(), 1);
    }
    a.workbooks[0].sheets.clear();
    {
        CExcelControl c(a);
        EXPECT_FALSE(c.Attach());
    }
}

TEST(Attach, ChildWindowWithActiveCaption) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    a.foregroundTitle = "Spreadsheet";
    a.childWindows = {{"Book9", true}, {"", true}, {"Book1.ods", false}};
    {
        CExcelControl c(a);
        EXPECT_FALSE(c.Attach());  // the first qualifying child names another workbook
    }
    a.childWindows = {{"Book1.ods", false}, {"", true}, {"Book1.ods", true}};
    CExcelControl c(a);
    EXPECT_TRUE(c.Attach());
}

// The children are enumerated at once: without a qualifying one the binding fails at once.
TEST(Attach, NoQualifyingChildFailsAtOnce) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    a.foregroundTitle = "Book1";
    a.childWindows = {{"Book1", false}};
    auto start = std::chrono::steady_clock::now();
    CExcelControl c(a);
    EXPECT_FALSE(c.Attach());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

// Two running workbooks whose names contain one another (or the application's name): the one in
// front is bound, whichever order the running-object list has.
TEST(Attach, BindsTheWorkbookInFrontAmongSimilarNames) {
    struct Pair {
        const char *a, *b;
    } pairs[] = {{"/home/u/a.ods", "Untitled 1"}, {"/home/u/Book.ods", "/home/u/Book1.ods"}, {"Untitled 1", "Untitled 10"}};
    for (const Pair &p : pairs) {
        for (bool swapped : {false, true}) {
            for (const char *front : {p.a, p.b}) {
                std::string first = swapped ? p.b : p.a, second = swapped ? p.a : p.b;
                MemoryAutomation a = MemoryAutomation::WithWorkbook(first, CExcelControl::BaseName(first));
                MemoryWorkbook other = a.workbooks[0];
                other.displayName = second;
                other.name = CExcelControl::BaseName(second);
                a.workbooks.push_back(other);
                std::string frontName = std::string(front).substr(std::string(front).find_last_of('/') + 1);
                for (std::string title : {frontName + " - LibreOffice Calc", "LibreOffice Calc - " + frontName}) {
                    a.foregroundTitle = title;
                    CExcelControl c(a);
                    ASSERT_TRUE(c.Attach()) << title;
                    EXPECT_EQ(c.workbookName(), CExcelControl::BaseName(front)) << title << (swapped ? " (swapped)" : "");
                }
            }
        }
    }
}

TEST(Attach, LongestContainedNameWhenNoneIsExact) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/d/Book.ods", "Book.ods");
    MemoryWorkbook other = a.workbooks[0];
    other.displayName = "/d/Book1.ods";
    other.name = "Book1.ods";
    a.workbooks.push_back(other);
    a.foregroundTitle = "Book1 (read-only) - LibreOffice Calc";
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    EXPECT_EQ(c.workbookName(), "Book1.ods");
}

TEST(Attach, TitleWithoutDashAndNoChildWindowsAnswersAtOnce) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    a.foregroundTitle = "Ombra Data Transfer";
    auto start = std::chrono::steady_clock::now();
    CExcelControl c(a);
    EXPECT_FALSE(c.Attach());  // the full 2000 ms wait would apply if it waited
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST(Cells, NothingBeforeAttaching) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    CExcelControl c(a);
    EXPECT_EQ(c.SelectCell(1, 1), 0);
    EXPECT_EQ(c.WriteCells({"x"}, 1, 1, 0), 0);
    EXPECT_EQ(c.ActiveRow(), 0);
    EXPECT_EQ(c.ActiveColumn(), 0);
    c.Commit();
    EXPECT_TRUE(a.calls.empty());
}

TEST(Cells, WriteSelectAndActiveCell) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    MemorySheet data;
    data.name = "Data";
    data.cursorColumn = 4;
    data.cursorRow = 9;
    a.workbooks[0].sheets.push_back(data);
    a.workbooks[0].activeSheet = 1;
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    EXPECT_EQ(c.worksheetIndex(), 2);
    EXPECT_EQ(c.ActiveRow(), 9);
    EXPECT_EQ(c.ActiveColumn(), 4);
    EXPECT_EQ(c.WriteCells({"a", "b", "c"}, 2, 2, 1), 1);  // down
    EXPECT_EQ(c.WriteCells({"d", "e"}, 3, 2, 0), 1);       // right
    EXPECT_EQ(WrittenCells(a, 0, 1), CellMap("B2=a|B3=b|B4=c|C2=d|D2=e"));
    // One call per block; the cursor follows the cells written on a visible sheet.
    EXPECT_EQ(a.calls, (std::vector<std::string>{"bind /a/Book1.ods", "write B2:B4", "write C2:D2"}));
    EXPECT_EQ(c.ActiveColumn(), 4);
    EXPECT_EQ(c.ActiveRow(), 2);
    EXPECT_EQ(c.cellsWritten(), 5);
    EXPECT_EQ(c.firstWrittenCell(), "B2");
    EXPECT_EQ(c.lastWrittenCell(), "D2");
    c.Commit();
    EXPECT_EQ(a.ActiveAddress(), "D2");
    EXPECT_EQ(c.SelectCell(5, 7), 1);
    EXPECT_EQ(a.ActiveAddress(), "E7");
    EXPECT_EQ(c.ActiveRow(), 7);
    EXPECT_THROW(c.SelectCell(0, 7), AutomationError);  // no such cell
}

TEST(Cells, HiddenSheetIsWrittenButNotSelected) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    a.Sheet().visible = false;
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    c.WriteCells({"x", "y"}, 1, 1, 0);
    c.Commit();
    EXPECT_EQ(WrittenCells(a), CellMap("A1=x|B1=y"));
    EXPECT_TRUE(a.selections.empty());
}

// A block the sheet takes only in part: the controller counts what the sheet holds.
TEST(Cells, AFailedBlockCountsTheCellsTheSheetHolds) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    c.WriteCells({"a", "b"}, 1, 1, 0);
    a.failAtCall = static_cast<int>(a.calls.size());
    a.cellsHeldOnFailedWrite = 2;
    EXPECT_THROW(c.WriteCells({"c", "d", "e"}, 1, 2, 0), CellWriteError);
    EXPECT_EQ(WrittenCells(a), CellMap("A1=a|B1=b|A2=c|B2=d"));
    EXPECT_EQ(c.cellsWritten(), 4);
    EXPECT_EQ(c.lastWrittenCell(), "B2");
}

}  // namespace
}  // namespace ombra::core
