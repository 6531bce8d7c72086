// The spreadsheet port: what the program needs of a spreadsheet to write a measurement into it.
// It lists the open workbooks and tells which window is in front, binds one workbook's active
// sheet (its names, size and active cell), writes, reads and clears blocks of cells, selects a cell and
// makes the result visible. Calc implements it over UNO, the in-memory sheet for the preview and
// the tests; another destination (a file, another spreadsheet) would implement the same two
// classes. Failures of the spreadsheet are AutomationError exceptions.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ombra {

class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A block write that failed: the sheet holds the first `held` cells of the block. A write cut
// off by a time-out counts all its cells as held: the spreadsheet may still carry it out when it
// answers again, and a measurement written over is worse than a gap left.
class CellWriteError : public AutomationError {
public:
    CellWriteError(const std::string &what, int held) : AutomationError(what), held_(held) {}
    int held() const { return held_; }

private:
    int held_;
};

// A cell of a sheet, 1-based.
struct CellPos {
    int column = 1;
    int row = 1;
    bool operator==(const CellPos &) const = default;
};

// What binding learned of the workbook and its active sheet.
struct SheetInfo {
    std::string workbookName;  // the workbook's name ("Book1.ods", "Untitled 1")
    std::string sheetName;
    int workbookIndex = 1;     // 1-based position among the open workbooks
    int sheetIndex = 1;        // 1-based position of the sheet in its workbook
    int rowCount = 0;
    int columnCount = 0;
    CellPos activeCell;        // the cell cursor (also when a range is selected)
    bool visible = true;       // a hidden sheet is written but its cells are not selected
};

enum class RunDirection { Across, Down };

// The active sheet of one workbook, bound for one transfer. From binding until Commit or the
// end of its life the workbook's views do not repaint; the destructor always lets them repaint
// again (also after a failure), without raising.
class BoundSheet {
public:
    virtual ~BoundSheet() = default;
    virtual const SheetInfo &Info() const = 0;
    // Writes the texts into consecutive cells from `first`, right a column per text (Across) or
    // down a row per text (Down). Numbers, dates (yyyy/mm/dd) and times (hh:mm:ss) become values
    // shown as written, everything else stays text. On failure raises CellWriteError.
    virtual void WriteCells(CellPos first, RunDirection direction, const std::vector<std::string> &texts) = 0;
    // The texts of the block of cells from `first` to `last` (both included), row by row and
    // left to right in each row; "" for an empty cell. A number reads as the shortest text that
    // gives it back, with a "." for the decimal point.
    virtual std::vector<std::vector<std::string>> ReadCells(CellPos first, CellPos last) = 0;
    // Empties the cells of the block from `first` to `last` (their values, texts and formulas;
    // formats stay).
    virtual void ClearCells(CellPos first, CellPos last) = 0;
    // Moves the cell cursor to the cell.
    virtual void Select(CellPos cell) = 0;
    // Makes everything written so far visible (the views repaint).
    virtual void Commit() = 0;
};

// A child window of the foreground window, as the window enumeration reports it.
struct ChildWindow {
    std::string title;
    bool captionActive = false;
};

// Whether the spreadsheet application answers the program.
enum class SpreadsheetPresence {
    Answering,     // it answers (whether or not a workbook is open)
    NotRunning,    // no spreadsheet application of this user runs
    NotAccepting,  // it runs but does not accept the program's connection (not set up for it)
};

// The spreadsheet application: its open workbooks and what the user has in front.
class Automation {
public:
    virtual ~Automation() = default;
    // Display names of the open workbooks (a saved one by its path, an unsaved one by its title).
    virtual std::vector<std::string> RunningObjectNames() = 0;
    // Binds the active sheet of the workbook listed under the display name; null when that
    // workbook cannot be had (any more) or has no sheet to write to.
    virtual std::unique_ptr<BoundSheet> Bind(const std::string &displayName) = 0;
    // Title of the window the user is looking at (empty when there is none).
    virtual std::string ForegroundWindowTitle() = 0;
    // The child windows of the window in front (none where windows have no children).
    virtual std::vector<ChildWindow> ForegroundChildWindows() { return {}; }
    // Whether the window in front is one of this program's own (its main window or a dialog).
    virtual bool ForegroundIsProgram() { return false; }
    // The display name of the workbook the spreadsheet application had in front last (its current
    // document); empty when it cannot tell or that document is no workbook.
    virtual std::string CurrentWorkbookName() { return {}; }
    // Asked when no workbook could be bound: whether the spreadsheet application answers at all.
    virtual SpreadsheetPresence Presence() { return SpreadsheetPresence::Answering; }
};

}  // namespace ombra
