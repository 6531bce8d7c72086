#include "core/output/Transfer.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "core/output/ExcelControl.h"
#include "core/output/ItemRegistry.h"
#include "corvexres/ResourceIds.h"
#include "trace/TraceTimings.h"

namespace ombra::core {

namespace {


bool Outside(const CellTarget &target, int column, int row) {
    return row > target.rowLimit || column > target.columnLimit || row < 1 || column < 1;
}

// The cells written before the message are in the sheet while the user reads it.
void TellOutsideSheet(CellTarget &target) {
    if (target.plan) return;
    target.runs.Flush();
    target.control.Commit();
    using namespace platform::mb;
    Notice notice = MakeNotice(res::kStrSheetEnds, 0, ICONHAND | SYSTEMMODAL | SETFOREGROUND);
    notice.caption = target.messageCaption;
    if (target.notices) target.notices(notice);
}

// The components of a group taken from the values, with the positions of its first and last value.
struct Components {
    std::vector<const OutputItem *> items;
    int firstPos = -1;
    int lastPos = -1;
    int n = 0;
};

Components TakeComponents(const GroupRow &group, const TransferLayout &layout, const TransferInput &in) {
    Components c;
    bool fixed = group.run == GroupRun::Fixed;
    int runCount = group.run == GroupRun::Spectrum ? in.spectralCount : in.densityCount;
    int atMost = fixed ? group.atMost : runCount + 1;
    c.n = fixed ? group.n : runCount;
    IdRun taken = TakenRun(group, layout.MeasurementTypeSel != 0);
    for (const OutputItem &v : in.valueItems) {
        if (static_cast<int>(c.items.size()) >= atMost) break;
        bool member = fixed ? GroupCovers(group.id, v.identifier) : taken.Spans(v.identifier);
        if (member) c.items.push_back(&v);
    }
    if (!fixed) {
        c.firstPos = c.items.empty() ? -1 : 0;
        c.lastPos = c.n - 1;
        return c;
    }
    for (int i = 0; i < static_cast<int>(c.items.size()); ++i) {
        if (c.firstPos < 0 && c.items[i]->identifier == group.first) c.firstPos = i;
        if (c.lastPos < 0 && c.items[i]->identifier == group.last) c.lastPos = i;
    }
    return c;
}

// The state of one transfer.
class Transfer {
public:
    // `shift` moves the whole measurement away from the active cell; with `plan` the transfer
    // only plans its cells.
    Transfer(CExcelControl &control, const TransferLayout &layout, const TransferInput &in,
             const std::string &caption, const NoticeSink &notices, CellPos shift = {0, 0},
             std::vector<PlannedCell> *plan = nullptr)
        : target_{control, layout, caption, notices}, layout_(layout), in_(in), shift_(shift) {
        target_.plan = plan;
    }

    TransferResult Run();
    // The header of a new table on the start line, ahead of the values.
    void PutHeader(const std::vector<HeaderCell> &header, int startLine) {
        for (const HeaderCell &h : header) {
            if (layout_.Row == 1) target_.runs.Put(startLine, h.along, h.label);
            else target_.runs.Put(h.along, startLine, h.label);
        }
    }
    // The cells still on their way and the last selection go to the sheet.
    void Finish() { target_.runs.Flush(); }

private:
    bool Cell(const std::string &label, const std::string &value) { return WriteCell(target_, label, value, column_, row_); }
    bool Cell(const TextPair &p) { return Cell(p.label, p.value); }
    bool Entry(const OutputItem &e);
    bool Group(const GroupRow &group);
    bool Individual(const std::string &label, const std::string &value);
    TransferResult EndJoined();
    TransferResult EndMoving();
    bool FuncJoins() const { return IsJoiningCode(layout_.FuncSep); }
    bool ValJoins() const { return IsJoiningCode(layout_.ValSep); }

    CellTarget target_;
    const TransferLayout &layout_;
    const TransferInput &in_;
    CellPos shift_;
    int column_ = 1, row_ = 1;
    TextPair a_, b_;
    bool allJoined_ = false;
    bool isLast_ = false;
    int cells_ = 0;
    bool lastWasIndividual_ = false;
    std::vector<int> writtenGroups_;
};

bool Transfer::Individual(const std::string &label, const std::string &value) {
    if (FuncJoins() && allJoined_) {
        a_.label += label;
        a_.value += value;
        AppendJoiner(a_, layout_.FuncSep);
        return true;
    }
    if (FuncJoins()) {
        b_.label += label;
        b_.value += value;
        AppendJoiner(b_, layout_.FuncSep);
        return Cell(b_);
    }
    return Cell(label, value);
}

bool Transfer::Group(const GroupRow &group) {
    Components comps = TakeComponents(group, layout_, in_);
    for (int i = 0; i < static_cast<int>(comps.items.size()); ++i) {
        const OutputItem &c = *comps.items[i];
        bool isLastValue = i == comps.lastPos;
        a_.label += c.label;
        a_.value += c.valueText;
        if (ValJoins()) {
            if (!isLastValue) AppendJoiner(a_, layout_.ValSep);
        } else if (!FuncJoins()) {
            if (!Cell(c.label, c.valueText)) return false;
            if (!isLastValue) MoveByValueSeparator(layout_, column_, row_);
        } else if (isLastValue) {
            TextPair t{c.label, c.valueText};
            AppendJoiner(t, layout_.FuncSep);
            b_.label += t.label;
            b_.value += t.value;
            if (!Cell(t)) return false;
        } else if (i == comps.firstPos) {
            b_.label += c.label;
            b_.value += c.valueText;
            if (!Cell(b_)) return false;
            b_ = {};
            MoveByValueSeparator(layout_, column_, row_);
        } else {
            if (!Cell(c.label, c.valueText)) return false;
            MoveByValueSeparator(layout_, column_, row_);
        }
        writtenGroups_.push_back(group.id);
    }
    if (allJoined_) {
        AppendJoiner(a_, layout_.FuncSep);
        cells_ += 1;
        return true;
    }
    int n = comps.n;
    if (ValJoins()) {
        if (!Cell(a_)) return false;
        n = 1;
    }
    cells_ += n;
    if (!isLast_) MoveByFunctionSeparator(layout_, column_, row_, n);
    return true;
}

bool Transfer::Entry(const OutputItem &e) {
    const OutputItem &last = in_.outputItems.back();
    // Blanks may stand several times: only the very last entry counts as the last one.
    if (last.identifier == item::kBlank ? &e == &last : e.identifier == last.identifier) isLast_ = true;
    if (!allJoined_) a_ = {};
    lastWasIndividual_ = false;
    ItemKind kind = KindOf(e.identifier);
    if (kind == ItemKind::Group) return Group(*FindGroup(e.identifier));
    if (kind == ItemKind::CellText) {
        int taken = 0;
        for (const OutputItem &v : in_.valueItems) {
            if (v.identifier != e.identifier) continue;
            if (!Individual(v.label, v.valueText)) return false;
            if (++taken == 2) break;
        }
        cells_ += 1;
        if (!isLast_) MoveByFunctionSeparator(layout_, column_, row_, 1);
        lastWasIndividual_ = true;
        return true;
    }
    int skipper = SkippingGroup(e.identifier);
    bool skipped = skipper != 0 && std::find(writtenGroups_.begin(), writtenGroups_.end(), skipper) != writtenGroups_.end();
    // Items of no group are written when they have a value of their own; other identifiers
    // (wavelengths off the written part of the grid, unknown ones) are not.
    if (skipped || (skipper == 0 && kind != ItemKind::Number)) return true;
    if (!Individual(e.label, e.valueText)) return false;
    if (!FuncJoins()) {
        cells_ += 1;
        if (!isLast_) MoveByFunctionSeparator(layout_, column_, row_, 1);
    }
    lastWasIndividual_ = true;
    return true;
}

TransferResult Transfer::EndJoined() {
    int b = layout_.BlockSep;
    if (b >= 1 && b <= 4) AppendJoiner(a_, b);
    if (!Cell(a_)) return TransferResult::OutsideSheet;
    MoveByBlockSeparator(layout_, column_, row_, static_cast<int>(in_.outputItems.size()));
    target_.runs.Select(column_, row_);
    return TransferResult::Written;
}

TransferResult Transfer::EndMoving() {
    MoveByBlockSeparator(layout_, column_, row_, cells_);
    if (Outside(target_, column_, row_)) {
        TellOutsideSheet(target_);
        return TransferResult::OutsideSheet;
    }
    if (IsJoiningCode(layout_.BlockSep)) {
        std::string t = JoiningText(layout_.BlockSep);
        bool ok = true;
        if (FuncJoins()) {
            b_.label += t;
            b_.value += t;
            ok = Cell(b_);
        } else if (lastWasIndividual_) {
            const OutputItem &last = in_.outputItems.back();
            ok = Cell(last.label + t, last.valueText + t);
        } else if (ValJoins()) {
            a_.label += t;
            a_.value += t;
            ok = Cell(a_);
        } else if (!in_.valueItems.empty()) {
            const OutputItem &last = in_.valueItems.back();
            ok = Cell(last.label + t, last.valueText + t);
        }
        if (!ok) return TransferResult::OutsideSheet;
    }
    target_.runs.Select(column_, row_);
    return TransferResult::Written;
}

TransferResult Transfer::Run() {
    target_.rowLimit = target_.control.rowLimit();
    target_.columnLimit = target_.control.columnLimit();
    target_.workbookIndex = target_.control.workbookIndex();
    target_.worksheetIndex = target_.control.worksheetIndex();
    row_ = target_.control.ActiveRow() + shift_.row;
    column_ = target_.control.ActiveColumn() + shift_.column;
    allJoined_ = ValJoins() && FuncJoins();
    for (const OutputItem &e : in_.outputItems) {
        if (!Entry(e)) return TransferResult::OutsideSheet;
    }
    return allJoined_ ? EndJoined() : EndMoving();
}

// The labels are written once, as the header line of a table: a measurement that continues the
// table under the active cell writes its values there; any other begins a new table with the
// header on the start line and its values on the line after.
TransferResult TransferIntoTable(CExcelControl &control, const TransferLayout &layout, const TransferInput &in,
                                 const std::string &caption, const NoticeSink &notices) {
    std::vector<PlannedCell> plan;
    Transfer(control, layout, in, caption, notices, {0, 0}, &plan).Run();
    const bool down = layout.Row == 1;
    const std::vector<HeaderCell> header = HeaderOf(plan, down);
    const int startLine = down ? control.ActiveColumn() : control.ActiveRow();
    const bool continues = header.empty() || ContinuesTable(control, header, down, startLine);
    const CellPos shift = continues ? CellPos{0, 0} : down ? CellPos{1, 0} : CellPos{0, 1};
    Transfer transfer(control, layout, in, caption, notices, shift);
    if (!continues) transfer.PutHeader(header, startLine);
    const TransferResult result = transfer.Run();
    transfer.Finish();
    return result;
}

// No workbook was bound: the spreadsheet may not answer at all, have no workbook open, or have
// several of which none can be told as the last one in front. A question that fails leaves the
// window in front as the reason.
MissReason WhyUnbound(Automation &automation) {
    try {
        switch (automation.Presence()) {
        case SpreadsheetPresence::NotRunning: return MissReason::OfficeNotRunning;
        case SpreadsheetPresence::NotAccepting: return MissReason::OfficeNotAccepting;
        case SpreadsheetPresence::Answering: break;
        }
        if (automation.RunningObjectNames().empty()) return MissReason::NoWorkbookOpen;
        if (automation.ForegroundIsProgram()) return MissReason::NoWorkbookLastInFront;
    } catch (const AutomationError &) {
    }
    return MissReason::NoWorkbookInFront;
}

}  // namespace

namespace {

bool ParseNumber(const std::string &text, double &value) {
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// Days from 1899-12-30 to the civil date (proleptic Gregorian).
long DaySerial(int year, int month, int day) {
    const auto daysFromCivil = [](long y, long m, long d) {
        y -= m <= 2;
        const long era = (y >= 0 ? y : y - 399) / 400;
        const long yoe = y - era * 400;
        const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
    };
    return daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 30);
}

// The value a date or time text is kept as; none for other texts.
std::optional<double> DateOrTimeValue(const std::string &text) {
    int a = 0, b = 0, c = 0;
    char s1 = 0, s2 = 0, rest = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%c", &a, &s1, &b, &s2, &c, &rest) != 5) return std::nullopt;
    if (s1 == '/' && s2 == '/') return static_cast<double>(DaySerial(a, b, c));
    if (s1 == ':' && s2 == ':') return (a * 3600.0 + b * 60.0 + c) / 86400.0;
    return std::nullopt;
}

}  // namespace

bool CellShows(const std::string &cell, const std::string &written) {
    if (cell == written) return true;
    double kept = 0, number = 0;
    if (!ParseNumber(cell, kept)) return false;
    if (ParseNumber(written, number)) return kept == number;
    const std::optional<double> dateOrTime = DateOrTimeValue(written);
    return dateOrTime && std::abs(kept - *dateOrTime) < 1e-6;
}

std::vector<HeaderCell> HeaderOf(const std::vector<PlannedCell> &plan, bool down) {
    std::vector<PlannedCell> cells;  // each cell once, in the order first written, with its last label
    for (const PlannedCell &p : plan) {
        auto same = std::find_if(cells.begin(), cells.end(),
                                 [&](const PlannedCell &c) { return c.column == p.column && c.row == p.row; });
        if (same == cells.end()) cells.push_back(p);
        else same->label = p.label;
    }
    std::vector<HeaderCell> header;
    for (const PlannedCell &c : cells) {
        const int along = down ? c.row : c.column;
        const bool taken = std::any_of(header.begin(), header.end(), [&](const HeaderCell &h) { return h.along == along; });
        if (!taken) header.push_back({along, c.label});
    }
    std::sort(header.begin(), header.end(), [](const HeaderCell &a, const HeaderCell &b) { return a.along < b.along; });
    return header;
}

bool ContinuesTable(CExcelControl &control, const std::vector<HeaderCell> &header, bool down, int startLine) {
    if (header.empty()) return false;
    const int first = header.front().along, last = header.back().along;
    constexpr int kLongestRead = 1024;
    // The lines above the start are read in blocks, nearest first, each twice the one before.
    int block = 16;
    for (int end = startLine - 1; end >= 1; end -= block, block = std::min(2 * block, kLongestRead)) {
        const int begin = std::max(1, end - block + 1);
        const std::vector<std::vector<std::string>> texts =
            down ? control.ReadCells(begin, first, end, last) : control.ReadCells(first, begin, last, end);
        const auto at = [&](int line, int along) -> std::string {
            const size_t l = static_cast<size_t>(line - begin), a = static_cast<size_t>(along - first);
            const size_t r = down ? a : l, c = down ? l : a;
            return r < texts.size() && c < texts[r].size() ? texts[r][c] : std::string();
        };
        for (int line = end; line >= begin; --line) {
            const bool isHeader = std::all_of(header.begin(), header.end(),
                                              [&](const HeaderCell &h) { return CellShows(at(line, h.along), h.label); });
            if (isHeader) return true;
            bool empty = true;
            for (int along = first; along <= last && empty; ++along) empty = at(line, along).empty();
            if (empty) return false;
        }
    }
    return false;
}

bool IsJoiningCode(int code) { return code == 1 || code == 2 || code == 3 || code == 4 || code == 12; }

std::string JoiningText(int code) {
    switch (code) {
    case 1: return " ";
    case 2: return ".";
    case 3: return ";";
    case 4: return ":";
    default: return "";
    }
}

void AppendJoiner(TextPair &texts, int separatorCode) {
    if (!IsJoiningCode(separatorCode)) return;
    std::string t = JoiningText(separatorCode);
    texts.label += t;
    texts.value += t;
}

void MoveBySeparator(const TransferLayout &layout, int code, int &column, int &row, int n) {
    int w = layout.Label == 1 ? 2 : 1;
    int down = layout.Row == 0 ? w : 1;   // rows per step down
    int right = layout.Row == 0 ? 1 : w;  // columns per step right
    switch (code) {
    case 0: case 11: row += down; break;
    case 5: case 9: column += right; break;
    case 6: column = 1; break;
    case 7: row += down; column = 1; break;
    case 8: column -= right; break;
    case 10: row -= down; break;
    case 13: row += down; column -= (n - 1) * right; break;
    case 14: column += right; row -= (n - 1) * down; break;
    case 15: column -= (n - 1) * right; break;
    case 16: row -= (n - 1) * down; break;
    default: break;  // joining codes stay in the cell
    }
}

bool WriteCell(CellTarget &target, const std::string &label, const std::string &value, int column, int row) {
    const TransferLayout &layout = target.layout;
    bool labels = layout.Label == 1;
    bool down = layout.Row == 1;
    // The label goes first across the item: beside the value when items run down, above it otherwise.
    int valueColumn = column + (labels && down ? 1 : 0);
    int valueRow = row + (labels && !down ? 1 : 0);
    if (valueRow > target.rowLimit || valueColumn > target.columnLimit || row < 1 || column < 1) {
        TellOutsideSheet(target);
        return false;
    }
    if (target.plan) {
        target.plan->push_back({valueColumn, valueRow, label});
        return true;
    }
    if (labels) target.runs.Put(column, row, label);
    target.runs.Put(valueColumn, valueRow, value);
    if (!IsJoiningCode(layout.BlockSep)) {
        int nextColumn = down ? valueColumn + 1 : valueColumn;
        int nextRow = down ? valueRow : valueRow + 1;
        if (valueRow == target.rowLimit || valueColumn == target.columnLimit) {
            nextColumn = valueColumn;
            nextRow = valueRow;
        }
        target.runs.Select(nextColumn, nextRow);
    }
    return true;
}

void CellRuns::Put(int column, int row, const std::string &text) {
    // How far along a run the cell lies; -1 when it is off the run's line or before it.
    const auto along = [&](const Run &run) {
        const bool inLine = down_ ? column == run.first.column : row == run.first.row;
        const int offset = down_ ? row - run.first.row : column - run.first.column;
        return inLine ? offset : -1;
    };
    for (Run &run : runs_) {
        const int at = along(run);
        if (at >= 0 && at < static_cast<int>(run.texts.size())) {
            run.texts[static_cast<size_t>(at)] = text;
            return;
        }
    }
    for (Run &run : runs_) {
        if (along(run) == static_cast<int>(run.texts.size())) {
            run.texts.push_back(text);
            return;
        }
    }
    runs_.push_back({{column, row}, {text}});
}

void CellRuns::Flush() {
    std::vector<Run> runs = std::exchange(runs_, {});
    std::optional<CellPos> selection = std::exchange(selection_, std::nullopt);
    if (!runs.empty()) {
        for (const Run &run : runs) control_.WriteCells(run.texts, run.first.column, run.first.row, down_ ? 1 : 0);
        trace::TraceMark("cells written");
    }
    if (selection) {
        control_.SelectCell(selection->column, selection->row);
        trace::TraceMark("selected");
    }
}

TransferOutcome TransferMeasurement(Automation &automation, const TransferLayout &layout, const TransferInput &input,
                                    const std::string &messageCaption, const NoticeSink &notices) {
    TransferOutcome outcome;
    // Outside the try: what was written before an automation error is still reported.
    CExcelControl control(automation);
    try {
        if (!control.Attach()) {
            outcome.reason = WhyUnbound(automation);
            return outcome;
        }
        outcome.start = {control.ActiveColumn(), control.ActiveRow()};
        trace::TraceMark("attached");
        outcome.rowLimit = control.rowLimit();
        outcome.columnLimit = control.columnLimit();
        outcome.workbookName = control.workbookName();
        outcome.sheetName = control.sheetName();
        if (input.outputItems.empty()) {
            outcome.result = TransferResult::Written;
        } else {
            if (layout.Label == 2) {
                outcome.result = TransferIntoTable(control, layout, input, messageCaption, notices);
            } else {
                Transfer transfer(control, layout, input, messageCaption, notices);
                outcome.result = transfer.Run();
                transfer.Finish();
            }
            control.Commit();
            trace::TraceMark("transfer done");
        }
        outcome.reason = outcome.written() ? MissReason::None : MissReason::SheetEnds;
    } catch (const AutomationError &) {
        // The controller counted the cells the sheet holds; its end lets the workbook go.
        outcome.reason = MissReason::FailedPartWay;
    }
    outcome.cellsWritten = control.cellsWritten();
    outcome.firstCell = control.firstWrittenCell();
    outcome.lastCell = control.lastWrittenCell();
    outcome.runs = control.writtenRuns();
    if (outcome.reason == MissReason::FailedPartWay)
        outcome.result = outcome.cellsWritten > 0 ? TransferResult::PartlyWritten : TransferResult::NotWritten;
    return outcome;
}

}  // namespace ombra::core
