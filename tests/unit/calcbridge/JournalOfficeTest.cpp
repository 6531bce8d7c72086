// The journal against a real headless office: measurements taken while no office runs are
// journaled as not written; once the office is up, writing them again gives the cells (and the
// cell cursor) of the same measurements written directly from the same active cell.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "calcbridge/CalcBridge.h"
#include "core/output/ExcelControl.h"
#include "core/output/JournalTransfer.h"
#include "support/CoreTestSupport.h"

namespace ombra::core {
namespace {

namespace fs = std::filesystem;

struct OfficeRun {
    std::string dir, pipe;
    OfficeRun() {
        char tmpl[] = "/tmp/ombra-journal-XXXXXX";
        dir = mkdtemp(tmpl);
        pipe = "ombra-journal-" + std::to_string(getpid());
        setenv("OMBRA_UNO_URL", ("uno:pipe,name=" + pipe + ";urp;StarOffice.ComponentContext").c_str(), 1);
        setenv("OMBRA_UNO_TIMEOUT_MS", "3000", 1);
        unsetenv("DISPLAY");  // the foreground title then comes from the office's current document
        setenv("OMBRA_OFFICE_START_TIMEOUT", "150", 0);  // a loaded machine starts the office slowly
    }
    ~OfficeRun() {
        std::system((std::string(OMBRA_SUPPORT_SCRIPTS "/stop-office.sh ") + dir + " " + pipe).c_str());
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    bool Start() { return std::system((std::string(OMBRA_SUPPORT_SCRIPTS "/start-office.sh ") + dir + " " + pipe).c_str()) == 0; }
};

JournalEntry Measurement(const std::string &time) {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = time;
    e.model = "OS-100";
    e.serial = "1";
    e.outputItems = {{1035, "Date", 0, e.date}, {1036, "Time", 0, time}, {2000, "", 0, ""}};
    e.valueItems = {{1035, "Date", 0, e.date}, {1036, "Time", 0, time}, {1000, "L*", 95.12, "95.12"},
                    {1001, "a*", -0.5, "-0.50"}, {1002, "b*", 2.25, "2.25"}};
    e.layout.BlockSep = 7;  // next measurement: down, first column
    return e;
}

// Every cell of A1:F8 as the office holds it, with the cell cursor.
std::map<std::string, std::string> ReadBack(Automation &calc) {
    CExcelControl control(calc);
    if (!control.Attach()) return {};
    std::map<std::string, std::string> cells;
    for (int row = 1; row <= 8; ++row) {
        for (int column = 1; column <= 6; ++column) {
            const std::string a = control.CellAddress(column, row);
            const CalcCellLook look = CalcShownCell(calc, a);
            if (look.isValue) cells[a] = std::to_string(look.value);
            else if (!look.isEmpty) cells[a] = look.shown;
        }
    }
    cells["cursor"] = control.CellAddress(control.ActiveColumn(), control.ActiveRow());
    return cells;
}

void ClearAndStartAtA1(Automation &calc) {
    CExcelControl control(calc);
    ASSERT_TRUE(control.Attach());
    for (int row = 1; row <= 8; ++row) control.WriteCells(std::vector<std::string>(6, ""), 1, row, 0);
    control.SelectCell(1, 1);
    control.Commit();
}

TEST(JournalWithOffice, NotWrittenWithoutOfficeThenWrittenAgainLikeDirectMeasurements) {
    if (std::system("command -v soffice >/dev/null") != 0) GTEST_SKIP() << "no LibreOffice to test against";
    OfficeRun office;
    QTemporaryDir dir;
    MeasurementJournal journal(nullptr, dir.path() + "/journal.sqlite");
    const std::vector<std::string> times = {"10:00:01", "10:00:02", "10:00:03"};
    for (const std::string &t : times)  // nothing listens yet
        EXPECT_EQ(TransferAndJournal(&journal, Measurement(t), ConnectCalc, "C").result, TransferResult::NotWritten);
    EXPECT_EQ(journal.UnwrittenCount(), 3);

    ASSERT_TRUE(office.Start());
    std::unique_ptr<Automation> calc = ConnectCalc();
    for (int i = 0; i < 240 && calc->RunningObjectNames().empty(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(250));
    ASSERT_FALSE(calc->RunningObjectNames().empty());
    test::NoticeRecorder boxes;

    ClearAndStartAtA1(*calc);
    for (const std::string &t : times) {
        JournalEntry e = Measurement(t);
        TransferMeasurement(*calc, e.layout, TransferInput{e.outputItems, e.valueItems, 0, 0}, "C", boxes.Sink());
    }
    const auto direct = ReadBack(*calc);
    ASSERT_EQ(direct.at("C2"), std::to_string(95.12));

    ClearAndStartAtA1(*calc);
    std::vector<JournalEntry> entries = journal.List();
    std::reverse(entries.begin(), entries.end());  // oldest first, as the window sends them
    WorkbookInFront front(*calc, "");
    for (const JournalEntry &e : entries) {
        TransferOutcome o = TransferEntry(front, e, "C", boxes.Sink());
        EXPECT_EQ(o.result, TransferResult::Written);
        journal.SetOutcome(e.id, o);
    }
    EXPECT_EQ(ReadBack(*calc), direct);
    EXPECT_EQ(journal.UnwrittenCount(), 0);
    EXPECT_EQ(journal.List().front().outcome.workbookName, "Book1.ods");
    EXPECT_EQ(boxes.Count(), 0u);
}

// Calc opens both the CSV export and the clipboard's tab-separated text as a user who lets it
// evaluate formulas would: a reading whose text looks like a formula must stay text.
TEST(JournalWithOffice, ExportedAndCopiedRowsOpenAsTextInCalc) {
    OfficeRun run;
    JournalEntry entry = Measurement("10:00:00");
    entry.valueItems[2].valueText = "=HYPERLINK(\"http://example.invalid\";A1)";
    const auto table = JournalTable({entry});
    std::string csv, tsv;
    for (const auto &row : table) csv += CsvLine(row), tsv += TsvLine(row);
    const std::map<std::string, std::string> files = {{"rows.csv", "44"}, {"rows.txt", "9"}};
    for (const auto &[name, separator] : files) {
        std::ofstream(run.dir + "/" + name, std::ios::binary) << (name == "rows.csv" ? csv : tsv);
        const std::string command = "soffice -env:UserInstallation=file://" + run.dir + "/convert --headless --infilter=\"CSV:" +
                                    separator + ",34,76,1,,1033,false,true,false,false,false,-1,true\" --convert-to fods --outdir " +
                                    run.dir + " " + run.dir + "/" + name + " >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream in(run.dir + "/" + name.substr(0, name.find('.')) + ".fods");
        std::stringstream converted;
        converted << in.rdbuf();
        const std::string document = converted.str();
        ASSERT_NE(document.find("office:value-type=\"float\" office:value=\"-0.5\""), std::string::npos) << name << ": the negative number came through";
        EXPECT_EQ(document.find("table:formula"), std::string::npos) << name << " holds a formula";
        EXPECT_NE(document.find("HYPERLINK"), std::string::npos) << name;
    }
}

}  // namespace
}  // namespace ombra::core
