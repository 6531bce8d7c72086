// Why a measurement missed the sheet: every reason from a real transfer into the in-memory
// sheet and its words, the count of unwritten measurements in the right number, and the workbook
// the user last worked in while the program's own window is in front.
#include <gtest/gtest.h>

#include "core/output/JournalTransfer.h"
#include "core/output/MissNotice.h"
#include "core/platform/Resources.h"
#include "support/MemoryAutomation.h"

namespace ombra::core {
namespace {

OutputItem Item(int id) { return OutputItem{id, "L" + std::to_string(id), id * 0.5, "v" + std::to_string(id)}; }

JournalEntry Entry() {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = "10:11:12";
    e.outputItems = {OutputItem{1035, "Date", 0, e.date}, Item(2000)};
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, Item(1000), Item(1001), Item(1002)};
    return e;
}

// One press into `sheet` (null: no connection at all) the way the session makes it.
TransferOutcome Press(MemoryAutomation *sheet, const std::string &lastWorkbook = "") {
    const AutomationConnector connect = [&]() -> std::unique_ptr<Automation> {
        if (!sheet) return nullptr;
        return std::make_unique<WorkbookInFront>(std::make_unique<SheetConnection>(*sheet), lastWorkbook,
                                                 WorkbookInFront::WhenProgramInFront);
    };
    return TransferAndJournal(nullptr, Entry(), connect, "Caption");
}

TransferOutcome Missed(MissReason reason) { return TransferOutcome::Of(TransferResult::NotWritten, reason); }

MemoryAutomation TwoWorkbooks() {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    MemoryWorkbook second = a.workbooks[0];
    second.displayName = "/home/u/Book2.ods";
    second.name = "Book2.ods";
    a.workbooks.push_back(second);
    return a;
}

TEST(MissReason, EveryWayAMeasurementMissesTheSheet) {
    EXPECT_EQ(Press(nullptr).reason, MissReason::OfficeNotRunning) << "no connection at all";

    MemoryAutomation office;  // no workbooks
    office.presence = SpreadsheetPresence::NotRunning;
    EXPECT_EQ(Press(&office).reason, MissReason::OfficeNotRunning);
    office.presence = SpreadsheetPresence::NotAccepting;
    EXPECT_EQ(Press(&office).reason, MissReason::OfficeNotAccepting);
    office.presence = SpreadsheetPresence::Answering;
    EXPECT_EQ(Press(&office).reason, MissReason::NoWorkbookOpen);

    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    sheet.foregroundTitle = "Terminal";  // another application in front
    EXPECT_EQ(Press(&sheet, "Book1.ods").reason, MissReason::NoWorkbookInFront);
    EXPECT_TRUE(sheet.writes.empty());

    MemoryAutomation small = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    small.Sheet().rowCount = 10;
    small.Sheet().cursorRow = 10;
    EXPECT_EQ(Press(&small).reason, MissReason::SheetEnds);

    MemoryAutomation whole = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    EXPECT_EQ(Press(&whole).reason, MissReason::None);
    MemoryAutomation failing = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    failing.failAtCall = static_cast<int>(whole.calls.size()) * 2 / 3;
    const TransferOutcome partWay = Press(&failing);
    EXPECT_EQ(partWay.reason, MissReason::FailedPartWay);
    EXPECT_EQ(partWay.result, TransferResult::PartlyWritten);
    ASSERT_FALSE(partWay.lastCell.empty());
    EXPECT_TRUE(failing.HasCell(partWay.lastCell)) << "the cell named is in the sheet";
    EXPECT_EQ(partWay.firstCell, "A1");
    EXPECT_EQ(MakeMissNotice(partWay, std::nullopt).text, MakeNotice(1725, 0, 0, {"A1", partWay.lastCell}).Text())
        << "the banner names the cells that hold the measurement";
}

TEST(MissReason, EachReasonHasItsOwnWordsAndOnlyTheUnacceptedOfficeOffersTheSetUp) {
    const std::pair<MissReason, int> words[] = {
        {MissReason::OfficeNotRunning, 1721}, {MissReason::OfficeNotAccepting, 1722},
        {MissReason::NoWorkbookInFront, 1723}, {MissReason::NoWorkbookLastInFront, 1731},
        {MissReason::NoWorkbookOpen, 1724},
        {MissReason::SheetEnds, 1239},         {MissReason::FailedPartWay, 1726}};
    for (const auto &[reason, id] : words) {
        const MissNotice notice = MakeMissNotice(Missed(reason), std::nullopt);
        EXPECT_EQ(notice.text, platform::ResString(id)) << "string " << id;
        EXPECT_FALSE(notice.text.empty());
        EXPECT_EQ(notice.offersSetup, reason == MissReason::OfficeNotAccepting);
        EXPECT_TRUE(notice.countText.empty()) << "no journal, nothing to resend";
    }
    EXPECT_TRUE(MakeMissNotice(TransferOutcome::Of(TransferResult::Written, MissReason::None), 3).text.empty());
}

TEST(MissReason, CountsInTheSingularAndThePlural) {
    EXPECT_EQ(UnwrittenNoticeText(1), "1 measurement not written – Data › Measurements");
    EXPECT_EQ(UnwrittenNoticeText(3), "3 measurements not written – Data › Measurements");
    EXPECT_EQ(MakeMissNotice(Missed(MissReason::NoWorkbookInFront), 1).countText, UnwrittenNoticeText(1));
    EXPECT_EQ(MakeMissNotice(Missed(MissReason::SheetEnds), 3).countText, UnwrittenNoticeText(3));
}

// With the program's own window in front, a press writes into the workbook the user last worked
// in, from its active cell, exactly as if that workbook were in front.
TEST(LastWorkbook, TheProgramInFrontWritesWhereTheUserLastWorked) {
    MemoryAutomation inFront = TwoWorkbooks();
    inFront.foregroundTitle = "Book2.ods - LibreOffice Calc";
    inFront.Sheet(1).cursorColumn = 3;
    inFront.Sheet(1).cursorRow = 4;
    ASSERT_EQ(Press(&inFront).workbookName, "Book2.ods");

    MemoryAutomation program = TwoWorkbooks();
    program.foregroundTitle = "Ombra Data Transfer";
    program.programInFront = true;
    program.currentWorkbook = "/home/u/Book2.ods";
    program.Sheet(1).cursorColumn = 3;
    program.Sheet(1).cursorRow = 4;
    const TransferOutcome outcome = Press(&program, "Book1.ods");
    EXPECT_EQ(outcome.result, TransferResult::Written);
    EXPECT_EQ(outcome.firstCell, "C4");
    EXPECT_EQ(program.Sheet(1).cells, inFront.Sheet(1).cells) << "the cells of a press with the workbook in front";
    EXPECT_TRUE(program.Sheet(0).cells.empty());
    EXPECT_EQ(program.selections.back(), inFront.selections.back());
}

TEST(LastWorkbook, TheCurrentWorkbookThenTheLastOneThenTheOnlyOne) {
    MemoryAutomation a = TwoWorkbooks();
    a.programInFront = true;
    a.currentWorkbook = "/home/u/Book2.ods";
    EXPECT_EQ(WorkbookInFront(a, "Book1.ods", WorkbookInFront::WhenProgramInFront).ForegroundWindowTitle(), "Book2.ods - ");
    a.currentWorkbook = "/home/u/Letter.odt";  // the office's current document is no workbook
    EXPECT_EQ(WorkbookInFront(a, "Book1.ods", WorkbookInFront::WhenProgramInFront).ForegroundWindowTitle(), "Book1.ods - ");
    EXPECT_EQ(WorkbookInFront(a, "", WorkbookInFront::WhenProgramInFront).ForegroundWindowTitle(), "") << "no guess";
    EXPECT_EQ(Press(&a).reason, MissReason::NoWorkbookLastInFront);
    EXPECT_TRUE(a.writes.empty());
    a.workbooks.pop_back();
    EXPECT_EQ(WorkbookInFront(a, "", WorkbookInFront::WhenProgramInFront).ForegroundWindowTitle(), "Book1.ods - ");

    // Another application in front: its title decides, whatever was worked in last.
    a.programInFront = false;
    a.foregroundTitle = "Terminal";
    EXPECT_EQ(WorkbookInFront(a, "Book1.ods", WorkbookInFront::WhenProgramInFront).ForegroundWindowTitle(), "Terminal");
    // A resend from the program's window takes the office's current workbook first as well.
    MemoryAutomation b = TwoWorkbooks();
    b.foregroundTitle = "Measurements";
    b.currentWorkbook = "/home/u/Book2.ods";
    EXPECT_EQ(WorkbookInFront(b, "Book1.ods").ForegroundWindowTitle(), "Book2.ods - ");
}

}  // namespace
}  // namespace ombra::core
