// Journal entries out again: written into the spreadsheet exactly like a fresh measurement,
// or turned into tab-separated text (for the clipboard) and CSV (for a file).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "automation/Automation.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/Transfer.h"
#include "core/platform/Notice.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

// The one road of a measurement's cells, for a measurement just taken and for one written again
// from the journal alike: the entry's own layout, its items in order, from the active cell,
// leaving the selection where the next measurement begins.
TransferOutcome TransferEntry(Automation &automation, const JournalEntry &entry, const std::string &messageCaption,
                              NoticeSink notify = {});

// The cells the measurement of `entry` takes when written whole from (column, row) on a sheet of
// the given size, the cells its transfer selects on the way, and the cell where the next
// measurement then begins (complete false: it would not fit).
struct UntouchedBlock {
    std::set<std::pair<int, int>> cells;  // (column, row): written or passed by the cursor
    int nextColumn = 0;
    int nextRow = 0;
    bool complete = false;
};
UntouchedBlock BlockOf(const JournalEntry &entry, int column, int row, int rowLimit, int columnLimit);

// A transfer cut off part-way leaves the cell cursor inside the block it began, or where one of
// its cells moved it, and the next measurement would write over the cells that did arrive. When
// the active cell of the sheet `partial` went to is still one of those, the cursor is moved to
// where the untouched block would have ended. True when it was moved; a spreadsheet that does
// not answer leaves everything as it was.
bool StepPastPartialBlock(Automation &automation, const JournalEntry &partial);

// The automation of a transfer that takes the workbook the user last worked in when the
// program's own window is in front: the spreadsheet's current workbook (the one it had in front
// last), else the workbook of the last transfer (`lastWorkbook`, a workbook name such as
// "Book1.ods") when it still runs, else the only running workbook; with none of them, nothing.
// A resend is asked for in the program's window, so it takes that workbook whenever the window
// in front names no running workbook (`WhenNoneNamed`). A fresh measurement takes it only when the
// spreadsheet reports the program's window in front (`WhenProgramInFront`): with another
// application in front the window in front decides, as it always did. Everything else goes to
// the inner automation unchanged.
class WorkbookInFront : public Automation {
public:
    enum Rule { WhenNoneNamed, WhenProgramInFront };
    WorkbookInFront(Automation &inner, std::string lastWorkbook, Rule rule = WhenNoneNamed)
        : inner_(inner), lastWorkbook_(std::move(lastWorkbook)), rule_(rule) {}
    WorkbookInFront(std::unique_ptr<Automation> inner, std::string lastWorkbook, Rule rule)
        : owned_(std::move(inner)), inner_(*owned_), lastWorkbook_(std::move(lastWorkbook)), rule_(rule) {}
    std::vector<std::string> RunningObjectNames() override { return inner_.RunningObjectNames(); }
    std::unique_ptr<BoundSheet> Bind(const std::string &displayName) override { return inner_.Bind(displayName); }
    std::string ForegroundWindowTitle() override;
    std::vector<ChildWindow> ForegroundChildWindows() override { return inner_.ForegroundChildWindows(); }
    bool ForegroundIsProgram() override { return inner_.ForegroundIsProgram(); }
    std::string CurrentWorkbookName() override { return inner_.CurrentWorkbookName(); }
    SpreadsheetPresence Presence() override { return inner_.Presence(); }

private:
    // "<file name> - ", the title form that binds exactly that workbook; empty when none is known.
    std::string LastWorkedIn(const std::vector<std::string> &running);

    std::unique_ptr<Automation> owned_;
    Automation &inner_;
    std::string lastWorkbook_;
    Rule rule_;
};

// Writes one entry into the spreadsheet like a fresh measurement (the Measurements window's
// "write to spreadsheet" calls it once per selected entry).
using WriteEntryFunction = std::function<TransferOutcome(const JournalEntry &)>;
// Makes the spreadsheet connection; null or AutomationError when there is none.
using AutomationConnector = std::function<std::unique_ptr<Automation>()>;

// One measurement's road through the journal: the entry is recorded before the spreadsheet is
// reached, then `connect` makes the connection (null, empty or AutomationError: no spreadsheet,
// nothing is written) and the entry is transferred, then its outcome is recorded. Without a
// usable journal the transfer still runs. `id` receives the entry's id when it was recorded.
// The newest measurement before it was cut off part-way: it starts past that block (see
// StepPastPartialBlock); cut off itself, the cursor is moved past its own block at once.
TransferOutcome TransferAndJournal(MeasurementJournal *journal, const JournalEntry &entry,
                                   const AutomationConnector &connect, const std::string &messageCaption,
                                   NoticeSink notify = {}, std::optional<qint64> *id = nullptr);

// The write function of the Measurements window: one connection for all entries (made on first
// use, made again after a failure), the workbook in front or else the one last written to
// (starting with `lastWorkbook`), each entry through TransferEntry at the active cell.
WriteEntryFunction ResendFunction(AutomationConnector connect, std::string lastWorkbook, std::string messageCaption,
                                  NoticeSink notify = {});

// The lasting status-bar text for `unwrittenCount` measurements not written (at least one is
// counted: the text is shown because a measurement just missed the sheet).
std::string UnwrittenNoticeText(int unwrittenCount);

// The lasting status-bar text while `heldCount` measurements are held outside the journal.
std::string HeldNoticeText(int heldCount);

// The outcome of an entry as the Measurements window shows it.
std::string OutcomeText(const TransferOutcome &outcome);

// Entries as a table: a header row (date, time, instrument, serial number and the labels of the
// items), then one row per entry; a new header row wherever the items change. Oldest first is
// the caller's order.
std::vector<std::vector<std::string>> JournalTable(const std::vector<JournalEntry> &entries);
std::vector<std::string> JournalTableRow(const JournalEntry &entry);
std::vector<std::string> JournalTableHeader(const JournalEntry &entry);

// A field that a spreadsheet would take as a formula (it begins with =, +, -, @, a tab or a
// carriage return and is not a number) gets a leading apostrophe; anything else is unchanged.
std::string NeutraliseFormula(const std::string &field);
// Both line builders below neutralise formulas field by field.
// Tab-separated lines ending in "\n" (tabs and line breaks inside a field become spaces).
std::string TsvLine(const std::vector<std::string> &fields);
// One CSV record ending in CRLF: "," separated, fields with ",", '"', CR or LF quoted, quotes
// doubled.
std::string CsvLine(const std::vector<std::string> &fields);

}  // namespace ombra::core
