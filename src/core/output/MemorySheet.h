// An in-memory spreadsheet behind the automation interfaces: workbooks with worksheets
// (visibility, cells, cursor), the application's active cell and flags. The data-items dialog's
// preview runs the real transfer against it, and the tests drive the program with it. Every
// dispatch call and every cell write is recorded, and any single call can be made to fail with an
// AutomationError. Worksheets also write runs of cells and select cells directly
// (CellBlockWriter), each as one recorded call.
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
    std::string displayName;  // as listed among the running objects (a path or a title)
    std::string name;         // the workbook's Name
    std::vector<MemorySheet> sheets;
    int activeSheet = 0;      // 0-based
    bool hasApplication = true;
};

class MemoryAutomation : public Automation {
public:
    // One workbook with one sheet "Sheet1", foreground title "<name> - Spreadsheet".
    static MemoryAutomation WithWorkbook(const std::string &displayName, const std::string &name);

    std::vector<std::string> RunningObjectNames() override;
    DispatchPtr RunningObject(const std::string &displayName) override;
    std::string ForegroundWindowTitle() override;
    std::vector<ChildWindow> ForegroundChildWindows() override;
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
    std::set<std::string> unreachable;  // display names whose object cannot be had
    bool interactive = true;            // application flag 929
    bool screenUpdating = true;

    // Record and fault injection.
    struct CellWrite {
        int workbook;  // 0-based
        int sheet;     // 0-based
        int column;    // 1-based
        int row;
        std::string text;
    };
    std::vector<CellWrite> writes;       // every cell written, in order (a later write may overwrite)
    std::vector<std::string> calls;      // "<object> get|put|call <id>[ args]"
    std::vector<std::string> selections; // addresses selected, in order
    int failAtCall = -1;                 // the 0-based dispatch call that raises AutomationError

    // Internal: every dispatch call passes here; every cell written is told here.
    void Record(const std::string &call);
    void RecordWrite(int workbook, int sheet, int column, int row, const std::string &text);

    static bool ParseAddress(const std::string &address, int &column, int &row);
};

}  // namespace ombra::core
