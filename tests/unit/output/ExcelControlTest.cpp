// The spreadsheet controller against the in-memory spreadsheet: addresses, binding by window
// title, workbook and worksheet lookup, writing and selecting.
#include <gtest/gtest.h>

#include "CalcTestUtil.h"
#include "output/ExcelControl.h"

namespace ombra::core {
namespace {

using test::CellMap;
using test::WrittenCells;

struct ShortChildWait : ::testing::Test {
    ShortChildWait() { CExcelControl::SetChildWindowWait(std::chrono::milliseconds(30)); }
    ~ShortChildWait() override { CExcelControl::SetChildWindowWait(std::chrono::milliseconds(2000)); }
};

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
    CExcelControl::SetChildWindowWait(std::chrono::milliseconds(10));
    for (const Case &k : cases) {
        MemoryAutomation a = MemoryAutomation::WithWorkbook("/home/u/docs/Book1.ods", "Book1.ods");
        a.foregroundTitle = k.title;
        CExcelControl c(a);
        EXPECT_EQ(c.Attach(), k.binds) << k.title;
        EXPECT_EQ(c.attached(), k.binds) << k.title;
    }
    CExcelControl::SetChildWindowWait(std::chrono::milliseconds(2000));
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

TEST(Attach, LearnsIndicesLimitsAndTurnsTheFlagOffUntilDestroyed) {
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
        EXPECT_EQ(c.WorkbookCount(), 2);
        EXPECT_FALSE(a.interactive);
        EXPECT_TRUE(a.screenUpdating);
        EXPECT_TRUE(c.Attach());  // already attached: no new binding
    }
    EXPECT_TRUE(a.interactive);
    EXPECT_EQ(a.calls.back(), "Application put 929 true");
}

TEST(Attach, SkipsObjectsThatCannotBeHadAndFailsWithoutApplicationOrSheet) {
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
    a.workbooks[0].hasApplication = false;
    {
        CExcelControl c(a);
        EXPECT_FALSE(c.Attach());  // the first match ends the search
    }
    a.workbooks[0].hasApplication = true;
    a.workbooks[0].sheets.clear();
    {
        CExcelControl c(a);
        EXPECT_FALSE(c.Attach());
    }
}

TEST_F(ShortChildWait, ChildWindowWithActiveCaption) {
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

TEST_F(ShortChildWait, NoQualifyingChildFailsAfterTheWait) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    a.foregroundTitle = "Book1";
    a.childWindows = {{"Book1", false}};
    auto start = std::chrono::steady_clock::now();
    CExcelControl c(a);
    EXPECT_FALSE(c.Attach());
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
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

TEST(Lookup, FindWorkbookAndWorksheet) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    MemorySheet s;
    s.name = "Data";
    a.workbooks[0].sheets.push_back(s);
    CExcelControl c(a);
    EXPECT_EQ(c.FindWorkbook("Book1.ods"), -1);
    EXPECT_EQ(c.FindWorksheet("Book1.ods", "Data"), -1);
    EXPECT_EQ(c.WorkbookCount(), 0);
    EXPECT_EQ(c.SelectCell(1, 1, 1, 1), 0);
    EXPECT_EQ(c.WriteCells({"x"}, 1, 1, 1, 1, 1, 0), 0);
    EXPECT_EQ(c.ActiveRow(1, 1), 0);
    ASSERT_TRUE(c.Attach());
    EXPECT_EQ(c.FindWorkbook("Book1.ods"), 1);
    EXPECT_EQ(c.FindWorkbook("book1.ods"), 0);
    EXPECT_EQ(c.FindWorkbook("Book1"), 0);
    EXPECT_EQ(c.FindWorksheet("Book1.ods", "Data"), 2);
    EXPECT_EQ(c.FindWorksheet("Book1.ods", "Nope"), 0);
    EXPECT_EQ(c.FindWorksheet("Nope.ods", "Data"), -1);
}

TEST(Cells, WriteSelectAndActiveCell) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    MemorySheet data;
    data.name = "Data";
    data.cursorColumn = 4;
    data.cursorRow = 9;
    a.workbooks[0].sheets.push_back(data);
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    EXPECT_EQ(c.ActiveRow(1, 2), 9);
    EXPECT_EQ(c.ActiveColumn(1, 2), 4);
    EXPECT_EQ(c.WriteCells({"a", "b", "c"}, 3, 2, 2, 1, 2, 1), 1);  // down
    EXPECT_EQ(c.WriteCells({"d", "e"}, 2, 3, 2, 1, 2, 0), 1);       // right
    EXPECT_EQ(WrittenCells(a, 0, 1), CellMap("B2=a|B3=b|B4=c|C2=d|D2=e"));
    EXPECT_EQ(a.selections, (std::vector<std::string>{"B2", "B3", "B4", "C2", "D2"}));
    EXPECT_EQ(c.SelectCell(5, 7, 1, 2), 1);
    EXPECT_EQ(a.ActiveAddress(), "E7");
    EXPECT_THROW(c.SelectCell(0, 7, 1, 2), AutomationError);  // "7" is no address
}

TEST(Cells, HiddenSheetIsWrittenButNotSelected) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/a/Book1.ods", "Book1.ods");
    CExcelControl c(a);
    ASSERT_TRUE(c.Attach());
    a.Sheet().visible = false;
    c.WriteCells({"x", "y"}, 2, 1, 1, 1, 1, 0);
    EXPECT_EQ(WrittenCells(a), CellMap("A1=x|B1=y"));
    EXPECT_TRUE(a.selections.empty());
}

}  // namespace
}  // namespace ombra::core
