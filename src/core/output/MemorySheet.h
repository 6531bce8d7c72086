// An in-memory spreadsheet behind the spreadsheet port: workbooks with worksheets (visibility,
// cells, cursor) and the windows in front. The data-items dialog's preview runs the real
// transfer against it, and the tests drive the program with it. Every call of the port and every
// cell written is recorded, and any single call can be made to fail with an AutomationError.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "automation/Automation.h"

namespace ombra::core {

struct MemorySheet {
    std::string name;
    bool visible = true;
    int rowCount = 1048576;
    int columnCount = 16384;
    std::map<std::pair<int, int>, std::string> cells;  // (column, row), 1-based
    int cursorColumn = 1;
    int cursorRow = 1;
};

struct MemoryWorkbook {
    std::string displayName;  // as listed among the open workbooks (a path or a title)
    std::string name;         // the workbook's name
    std::vector<MemorySheet> sheets;
    int activeSheet = 0;      // 0-based
};

class MemoryAutomation : public Automation {
public:
    // One workbook with one sheet "Sheet1", foreground title "<name> - Spreadsheet".
    static MemoryAutomation WithWorkbook(const std::string &displayName, const std::string &name);

    std::vector<std::string> RunningObjectNames() override;
    std::unique_ptr<BoundSheet> Bind(const std::string &displayName) override;
    std::string ForegroundWindowTitle() override { return foregroundTitle; }
    std::vector<ChildWindow> ForegroundChildWindows() override { return childWindows; }
    bool ForegroundIsProgram() override { return programInFront; }
    std::string CurrentWorkbookName() override { return currentWorkbook; }
    SpreadsheetPresence Presence() override { return presence; }

    // Cell text of sheet (0-based) of workbook (0-based) at an A1 address; "" when empty.
    std::string Cell(const std::string &address, int workbook = 0, int sheet = 0) const;
    bool HasCell(const std::string &address, int workbook = 0, int sheet = 0) const;
    // The address of the active cell of the active sheet of the active workbook.
    std::string ActiveAddress() const;
    MemorySheet &Sheet(int workbook = 0, int sheet = 0) { return workbooks.at(workbook).sheets.at(sheet); }

    // Model.
    std::vector<MemoryWorkbook> workbooks;
    int activeWorkbook = 0;
    std::string foregroundTitle;
    std::vector<ChildWindow> childWindows;
    bool programInFront = false;        // the window in front is the program's own
    std::string currentWorkbook;        // the display name of the application's current document
    SpreadsheetPresence presence = SpreadsheetPresence::Answering;
    std::set<std::string> unreachable;  // display names whose workbook cannot be had
    int lockedViews = 0;                // bound sheets whose views do not repaint yet

    // Record and fault injection.
    struct CellWrite {
        int workbook;  // 0-based
        int sheet;     // 0-based
        int column;    // 1-based
        int row;
        std::string text;
    };
    std::vector<CellWrite> writes;       // every cell written, in order (a later write may overwrite)
    std::vector<std::string> calls;      // "bind <name>", "write B2:D2", "read A1:C1", "clear A1:C1", "select B4",
                                         // "commit", "release"
    std::vector<std::string> selections; // addresses selected, in order
    int failAtCall = -1;                 // the 0-based call that raises AutomationError
    int cellsHeldOnFailedWrite = 0;      // how many leading cells of a failing block still land

    // Internal: every call of the port passes here; every cell written is told here.
    void Record(const std::string &call);
    void RecordWrite(int workbook, int sheet, int column, int row, const std::string &text);

    static bool ParseAddress(const std::string &address, int &column, int &row);
    static std::string Address(int column, int row);
};

}  // namespace ombra::core
