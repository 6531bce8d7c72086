// Writes the values of one measurement into the worksheet the user is looking at, starting at its
// active cell, and leaves the selection on the cell where the next measurement begins.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "automation/Automation.h"
#include "output/OutputItem.h"
#include "platform/Notice.h"

namespace ombra::core {

class CExcelControl;

// The layout settings that govern the cells of a measurement (names as in the settings).
struct TransferLayout {
    int Label = 1;               // 1: a label cell beside every value cell
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

enum class TransferResult {
    Written,           // every cell written and the next cell selected
    NoWorkbook,        // no running spreadsheet matches the foreground window: nothing written
    OutsideSheet,      // a cell fell outside the sheet; the message was shown
    AutomationFailed,  // the spreadsheet raised an error; the transfer ended silently
};

struct TransferOutcome {
    TransferResult result = TransferResult::NoWorkbook;
    int rowLimit = 0;     // the sheet's size as learned when the workbook was bound (0 when unbound)
    int columnLimit = 0;
    // Where the cells went: the bound workbook and sheet, and the cells written before the
    // transfer ended (also when it ended early): their count, the first and the last address.
    std::string workbookName;
    std::string sheetName;
    int cellsWritten = 0;
    std::string firstCell;
    std::string lastCell;
    // When no workbook was bound: whether the spreadsheet answers at all and, when it does, how
    // many workbooks it has open (-1: not asked).
    SpreadsheetPresence presence = SpreadsheetPresence::Answering;
    int openWorkbooks = -1;
    bool programInFront = false;  // the program's own window was in front
};

// Runs one transfer. A cell outside the sheet is told to `notices` (string 1239 under
// messageCaption, error icon, system-modal, brought to the foreground) at the moment it is met.
TransferOutcome TransferMeasurement(Automation &automation, const TransferLayout &layout, const TransferInput &input,
                                    const std::string &messageCaption, const NoticeSink &notices);

// Separator codes: joining codes keep the output in the same cell, all others move the position.
bool IsJoiningCode(int code);
std::string JoiningText(int code);  // "" for movement codes and 12

// The position change of a separator code; w is 2 when labels are on. n is the cell count used by
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
};

// One value cell at (column, row) and, when labels are on, its label cell; moves the selection
// when the block separator moves. Refuses a cell outside the sheet: tells it and writes nothing.
bool WriteCell(CellTarget &target, const std::string &label, const std::string &value, int column, int row);

}  // namespace ombra::core
