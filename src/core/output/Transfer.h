// Writes the values of one measurement into the worksheet the user is looking at, starting at its
// active cell, and leaves the selection on the cell where the next measurement begins.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "automation/Automation.h"
#include "core/output/ExcelControl.h"
#include "core/output/OutputItem.h"
#include "core/platform/Notice.h"

namespace ombra::core {

class CExcelControl;

// The layout settings that govern the cells of a measurement (names as in the settings).
struct TransferLayout {
    int Label = 1;               // 0: values only; 1: a label cell beside every value cell;
                                 // 2: the labels once, as the header line of a table of values
    int Row = 0;                 // 0: items run across columns, labels above values; 1: items run down
    int ValSep = 5;              // separator codes 0..16
    int FuncSep = 5;
    int BlockSep = 13;
    int MeasurementTypeSel = 0;  // 0 reflection: spectra start at 380 nm, else 360 nm
};

struct TransferInput {
    const OutputItemList &outputItems;  // the selection, in order
    const OutputItemList &valueItems;   // the values of the selection (groups expanded)
    int spectralCount = 0;
    int densityCount = 0;
};

// What became of the cells of one measurement. The values are the journal's codes: a journal
// keeps the result of every transfer and never changes the meaning of a stored number.
enum class TransferResult {
    Pending = 0,        // recorded; the transfer has not reported back (the program ended during it)
    Written = 1,        // every cell written and the next cell selected
    NotWritten = 2,     // nothing written: no spreadsheet or workbook, or it failed before the first cell
    PartlyWritten = 3,  // the spreadsheet failed part-way: firstCell..lastCell are what arrived
    OutsideSheet = 4,   // a cell fell outside the sheet (the cells before it are written)
    Reading = 5,        // one reading of a sample averaged into another measurement: never written
                        // by itself (the average carries its cells), so never waiting either
};

// Why the cells of a measurement did not all reach the sheet.
enum class MissReason {
    None,                   // every cell was written
    OfficeNotRunning,       // no LibreOffice of this user runs
    OfficeNotAccepting,     // LibreOffice runs but does not accept the program's connection
    NoWorkbookOpen,         // LibreOffice answers but has no workbook open
    NoWorkbookInFront,      // another application's window was in front
    NoWorkbookLastInFront,  // the program's window was in front, and of several workbooks none
                            // could be told as the one last worked in
    SheetEnds,              // the sheet ends before the measurement does
    FailedPartWay,          // LibreOffice stopped answering while the cells were written
};

// The one account of a transfer: the transfer gives it, the journal keeps its result and where
// the cells went (not the reason), and the session hands it on to the window.
struct TransferOutcome {
    TransferResult result = TransferResult::NotWritten;
    MissReason reason = MissReason::NoWorkbookInFront;
    // Where the cells went: the bound workbook and sheet, and the cells written before the
    // transfer ended (also when it ended early): their count, the first and the last address.
    std::string workbookName;
    std::string sheetName;
    int cellsWritten = 0;
    std::string firstCell;
    std::string lastCell;
    int rowLimit = 0;  // the sheet's size as learned when the workbook was bound (0 when unbound)
    int columnLimit = 0;
    // What the sheet holds of the measurement, block by block, and its active cell when the
    // transfer began: what it takes to take the measurement back.
    std::vector<WrittenRun> runs;
    CellPos start;

    static TransferOutcome Of(TransferResult result, MissReason reason) {
        TransferOutcome outcome;
        outcome.result = result;
        outcome.reason = reason;
        return outcome;
    }
    bool written() const { return result == TransferResult::Written; }
    // Its cells still belong in a sheet: written again or resent from the journal.
    bool unwritten() const { return result != TransferResult::Written && result != TransferResult::Reading; }
    // No workbook could be bound: the spreadsheet was not there, refused, or had none to offer.
    bool foundNoWorkbook() const {
        return result == TransferResult::NotWritten && reason != MissReason::FailedPartWay;
    }
};

// Runs one transfer. A cell outside the sheet is told to `notices` (string 1239 under
// messageCaption, error icon, system-modal, brought to the foreground) at the moment it is met.
TransferOutcome TransferMeasurement(Automation &automation, const TransferLayout &layout, const TransferInput &input,
                                    const std::string &messageCaption, const NoticeSink &notices);

// Separator codes: joining codes keep the output in the same cell, all others move the position.
bool IsJoiningCode(int code);
std::string JoiningText(int code);  // "" for movement codes and 12

// The position change of a separator code; w is 2 when every value has its label beside it. n is the cell count used by
// the codes that step back over the cells just written.
void MoveBySeparator(const TransferLayout &layout, int code, int &column, int &row, int n);
inline void MoveByValueSeparator(const TransferLayout &l, int &column, int &row) { MoveBySeparator(l, l.ValSep, column, row, 2); }
inline void MoveByFunctionSeparator(const TransferLayout &l, int &column, int &row, int n) { MoveBySeparator(l, l.FuncSep, column, row, n); }
inline void MoveByBlockSeparator(const TransferLayout &l, int &column, int &row, int n) { MoveBySeparator(l, l.BlockSep, column, row, n); }

struct TextPair {
    std::string label;
    std::string value;
};
void AppendJoiner(TextPair &texts, int separatorCode);

// The cells of a transfer on their way to the sheet. Consecutive cells in the direction the
// items run gather into runs (one for the labels and one for the values when they lie side by
// side), and each run goes to the sheet as one block; a cell written again before its run went
// keeps its last text. Only the last selection asked for is made, after the cells. Nothing is
// held back longer than the transfer: the runs go at its end and before a message.
class CellRuns {
public:
    CellRuns(CExcelControl &control, bool down) : control_(control), down_(down) {}
    void Put(int column, int row, const std::string &text);
    void Select(int column, int row) { selection_ = CellPos{column, row}; }
    // Writes the runs in the order they were begun, then makes the selection. A failing run ends
    // it: the runs after it are not written and nothing stays held.
    void Flush();

private:
    struct Run {
        CellPos first;
        std::vector<std::string> texts;
    };
    CExcelControl &control_;
    bool down_;
    std::vector<Run> runs_;
    std::optional<CellPos> selection_;
};

// A value cell of a measurement as planned, with the label it would carry.
struct PlannedCell {
    int column = 1;
    int row = 1;
    std::string label;
};

// Where the cells of a transfer go: the controller with the bound sheet and its size (as
// learned at attach time), the runs on their way, the layout, and whom to tell about a cell
// outside the sheet.
struct CellTarget {
    CExcelControl &control;
    const TransferLayout &layout;
    std::string messageCaption;
    NoticeSink notices;
    CellRuns runs{control, layout.Row == 1};
    int workbookIndex = 1;
    int worksheetIndex = 1;
    int rowLimit = 0;
    int columnLimit = 0;
    // When set, the transfer only plans: its value cells gather here, nothing goes to the sheet
    // and nobody is told of a cell outside it.
    std::vector<PlannedCell> *plan = nullptr;
};

// The header of a table (Label 2): the label of the first value cell of each column (of each
// row when items run down), with that column (row) as `along`. A cell written several times
// (texts joined in it) counts with its last label.
struct HeaderCell {
    int along = 1;
    std::string label;
};
std::vector<HeaderCell> HeaderOf(const std::vector<PlannedCell> &plan, bool down);

// Whether a cell read back shows the text written into it. The spreadsheet may keep a number,
// a date (yyyy/mm/dd) or a time (hh:mm:ss) as a value, which reads back as the shortest number
// text (a date as its day count from 1899-12-30, a time as a fraction of a day).
bool CellShows(const std::string &cell, const std::string &written);

// Whether a measurement starting on `startLine` (a row, or a column when items run down)
// continues a table with this header: above the start line (left of it) the header line is
// found, with no empty line between. A line is empty when the header's span holds no text.
bool ContinuesTable(CExcelControl &control, const std::vector<HeaderCell> &header, bool down, int startLine);

// One value cell at (column, row) and, when labels are on, its label cell; moves the selection
// when the block separator moves. Refuses a cell outside the sheet: tells it and writes nothing.
bool WriteCell(CellTarget &target, const std::string &label, const std::string &value, int column, int row);

}  // namespace ombra::core
