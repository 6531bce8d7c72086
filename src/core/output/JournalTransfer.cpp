#include "core/output/JournalTransfer.h"

#include <algorithm>
#include <cstdlib>
#include <locale>
#include <sstream>
#include <string_view>

#include "core/output/ExcelControl.h"
#include "core/output/MemorySheet.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

// The date and time have columns of their own.
bool IsStampItem(int id) { return id == 1035 || id == 1036; }

std::string Fill(std::string text, const std::vector<std::string> &args) {
    for (size_t i = args.size(); i-- > 0;) {
        const std::string mark = "%" + std::to_string(i + 1);
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + args[i].size()))
            text.replace(at, mark.size(), args[i]);
    }
    return text;
}

// The workbook a running display name stands for, as its file name ("Book1.ods", "Untitled 1").
std::string FileName(const std::string &displayName) {
    size_t slash = displayName.find_last_of("\\/");
    return slash == std::string::npos ? displayName : displayName.substr(slash + 1);
}

}  // namespace

TransferOutcome TransferEntry(Automation &automation, const JournalEntry &entry, const std::string &messageCaption,
                              NoticeSink notify) {
    const TransferInput input{entry.outputItems, entry.valueItems, entry.spectralCount, entry.densityCount};
    return TransferMeasurement(automation, entry.layout, input, messageCaption, notify);
}

UntouchedBlock BlockOf(const JournalEntry &entry, int column, int row, int rowLimit, int columnLimit) {
    // The transfer itself, run on an empty sheet of the same size, tells the block's shape.
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("Block.ods", "Block.ods");
    MemorySheet &s = sheet.Sheet();
    s.rowCount = rowLimit;
    s.columnCount = columnLimit;
    s.cursorColumn = column;
    s.cursorRow = row;
    UntouchedBlock block;
    block.complete = TransferEntry(sheet, entry, std::string(), [](const Notice &) { return 0; }).written();
    for (const MemoryAutomation::CellWrite &w : sheet.writes) block.cells.insert({w.column, w.row});
    for (const std::string &address : sheet.selections) {
        int c = 0, r = 0;
        if (MemoryAutomation::ParseAddress(address, c, r)) block.cells.insert({c, r});
    }
    block.nextColumn = s.cursorColumn;
    block.nextRow = s.cursorRow;
    return block;
}

bool StepPastPartialBlock(Automation &automation, const JournalEntry &partial) {
    const TransferOutcome &cut = partial.outcome;
    int column = 0, row = 0;
    if (cut.result != TransferResult::PartlyWritten || !MemoryAutomation::ParseAddress(cut.firstCell, column, row))
        return false;
    CExcelControl control(automation);
    try {
        if (!control.Attach() || control.workbookName() != cut.workbookName || control.sheetName() != cut.sheetName)
            return false;
        const std::pair<int, int> active{control.ActiveColumn(), control.ActiveRow()};
        const UntouchedBlock block = BlockOf(partial, column, row, control.rowLimit(), control.columnLimit());
        if (!block.complete || !block.cells.count(active)) return false;
        if (active == std::pair{block.nextColumn, block.nextRow}) return false;
        control.SelectCell(block.nextColumn, block.nextRow);
        control.Commit();
        return true;
    } catch (const AutomationError &) {
        return false;
    }
}

TransferOutcome TransferAndJournal(MeasurementJournal *journal, const JournalEntry &entry,
                                   const AutomationConnector &connect, const std::string &messageCaption,
                                   NoticeSink notify, std::optional<qint64> *id) {
    std::optional<JournalEntry> before = journal ? journal->Newest() : std::nullopt;
    if (before && before->outcome.result != TransferResult::PartlyWritten) before.reset();
    const std::optional<qint64> recorded = journal ? journal->Record(entry) : std::nullopt;
    if (id) *id = recorded;
    std::unique_ptr<Automation> automation;
    try {
        if (connect) automation = connect();
    } catch (const AutomationError &) {
        // No spreadsheet reachable: nothing is written, the journal says so.
    }
    TransferOutcome outcome;
    if (automation) {
        if (before) StepPastPartialBlock(*automation, *before);
        outcome = TransferEntry(*automation, entry, messageCaption, notify);
    } else {
        outcome.reason = MissReason::OfficeNotRunning;
    }
    if (journal && recorded) journal->SetOutcome(*recorded, outcome);
    if (automation && outcome.result == TransferResult::PartlyWritten) {
        // While the spreadsheet still answers, the cursor leaves the cut-off block at once.
        JournalEntry cut = entry;
        cut.outcome = outcome;
        StepPastPartialBlock(*automation, cut);
    }
    return outcome;
}

std::string WorkbookInFront::LastWorkedIn(const std::vector<std::string> &running) {
    const auto runs = [&](const std::string &name) {
        return std::find(running.begin(), running.end(), name) != running.end();
    };
    if (const std::string current = inner_.CurrentWorkbookName(); !current.empty() && runs(current))
        return FileName(current) + " - ";
    for (const std::string &name : running) {
        if (!lastWorkbook_.empty() && (FileName(name) == lastWorkbook_ || CExcelControl::BaseName(name) == lastWorkbook_))
            return FileName(name) + " - ";
    }
    if (running.size() == 1) return FileName(running.front()) + " - ";
    return {};
}

std::string WorkbookInFront::ForegroundWindowTitle() {
    if (rule_ == WhenProgramInFront) {
        if (!inner_.ForegroundIsProgram()) return inner_.ForegroundWindowTitle();
        return LastWorkedIn(inner_.RunningObjectNames());
    }
    const std::string title = inner_.ForegroundWindowTitle();
    const std::vector<std::string> running = inner_.RunningObjectNames();
    for (const std::string &name : running) {
        const std::string base = CExcelControl::BaseName(name);
        if (!base.empty() && title.find(base) != std::string::npos) return title;
    }
    const std::string last = LastWorkedIn(running);
    return last.empty() ? title : last;
}

WriteEntryFunction ResendFunction(AutomationConnector connect, std::string lastWorkbook, std::string messageCaption,
                                  NoticeSink notify) {
    struct State {
        std::unique_ptr<Automation> automation;
        std::string lastWorkbook;
    };
    auto state = std::make_shared<State>();
    state->lastWorkbook = std::move(lastWorkbook);
    return [state, connect = std::move(connect), messageCaption = std::move(messageCaption), notify](const JournalEntry &entry) {
        if (!state->automation && connect) {
            try {
                state->automation = connect();
            } catch (const AutomationError &) {
                // No spreadsheet reachable: nothing written, as with a fresh measurement.
            }
        }
        if (!state->automation) return TransferOutcome::Of(TransferResult::NotWritten, MissReason::OfficeNotRunning);
        WorkbookInFront front(*state->automation, state->lastWorkbook);
        TransferOutcome outcome = TransferEntry(front, entry, messageCaption, notify);
        if (outcome.written()) state->lastWorkbook = outcome.workbookName;
        if (outcome.reason == MissReason::FailedPartWay) state->automation.reset();
        return outcome;
    };
}

std::string UnwrittenNoticeText(int unwrittenCount) {
    return platform::ResCountString(std::max(1, unwrittenCount), res::kStrUnwrittenNoticeOne, res::kStrUnwrittenNotice);
}

std::string HeldNoticeText(int heldCount) {
    return Fill(platform::ResString(res::kStrHeldNotice), {std::to_string(heldCount)});
}

std::string OutcomeText(const TransferOutcome &o) {
    switch (o.result) {
    case TransferResult::Written:
        return Fill(platform::ResString(res::kStrWritten), {o.workbookName, o.sheetName, o.firstCell, o.lastCell});
    case TransferResult::NotWritten: return platform::ResString(res::kStrNotWritten);
    case TransferResult::PartlyWritten: return Fill(platform::ResString(res::kStrPartlyWritten), {o.lastCell});
    case TransferResult::OutsideSheet: return platform::ResString(res::kStrRefused);
    case TransferResult::Reading: return platform::ResString(res::kStrAveragedReading);
    case TransferResult::Pending: break;
    }
    return platform::ResString(res::kStrPending);
}

std::vector<std::string> JournalTableHeader(const JournalEntry &entry) {
    std::vector<std::string> header = {platform::ResString(res::kStrDate), platform::ResString(res::kStrTime),
                                       platform::ResString(res::kStrInstrument), platform::ResString(res::kStrSerialHeading)};
    for (const OutputItem &item : entry.valueItems)
        if (!IsStampItem(item.identifier)) header.push_back(item.label);
    return header;
}

std::vector<std::string> JournalTableRow(const JournalEntry &entry) {
    std::vector<std::string> row = {entry.date, entry.time, entry.model, entry.serial};
    for (const OutputItem &item : entry.valueItems)
        if (!IsStampItem(item.identifier)) row.push_back(item.valueText);
    return row;
}

std::vector<std::vector<std::string>> JournalTable(const std::vector<JournalEntry> &entries) {
    std::vector<std::vector<std::string>> table;
    std::vector<std::string> lastHeader;
    for (const JournalEntry &entry : entries) {
        std::vector<std::string> header = JournalTableHeader(entry);
        if (header != lastHeader) {
            table.push_back(header);
            lastHeader = std::move(header);
        }
        table.push_back(JournalTableRow(entry));
    }
    return table;
}

namespace {

bool IsPlainNumber(const std::string &field) {
    std::istringstream in(field);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    return !in.fail() && in.peek() == std::char_traits<char>::eof();
}

}  // namespace

std::string NeutraliseFormula(const std::string &field) {
    if (field.empty() || std::string_view("=+-@\t\r").find(field.front()) == std::string_view::npos) return field;
    // Negative numbers and the missing-value dashes stay as they are: neither can run anything.
    if (IsPlainNumber(field) || field.find_first_not_of('-') == std::string::npos) return field;
    return "'" + field;
}

std::string TsvLine(const std::vector<std::string> &fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += '\t';
        std::string field = NeutraliseFormula(fields[i]);
        std::replace_if(field.begin(), field.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
        line += field;
    }
    return line + "\n";
}

std::string CsvLine(const std::vector<std::string> &fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string field = NeutraliseFormula(fields[i]);
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (char c : field) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line + "\r\n";
}

}  // namespace ombra::core
