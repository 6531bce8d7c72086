// A write-behind layer over any automation: cell writes and selections are held back and performed
// together, and the look-ups of a controller (workbooks, worksheets, names, sizes, visibility) are
// answered from what it already learned, so that writing a measurement costs a few calls into the
// spreadsheet instead of several per cell.
//
// - A Value put of a text and a Select on a cell are queued. Everything queued is performed as one
//   batch before any other call reaches the spreadsheet (a get that could observe it, an Activate,
//   a put on the application at release) and on Flush: the cells as runs of consecutive cells, one
//   write per run (through CellBlockWriter when the worksheet offers it), then only the last
//   selection. The final cells, their types and the final selection are those of writing one cell
//   at a time.
// - A failing run ends the batch: the runs before it stay written, nothing after it is written and
//   the queue is empty afterwards; the call that caused the batch raises the AutomationError.
//   The cells of the failed run and of those after it are reported by TakeDroppedCells.
// - Range(address, address) of a worksheet is made locally from the address.
// - Look-ups are asked once per object: the objects of one controller share their answers for the
//   controller's life, and the next controller (which starts from RunningObject again) asks anew.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/Automation.h"

namespace ombra {

struct HeldWrites;

class WriteBehindAutomation : public Automation {
public:
    explicit WriteBehindAutomation(std::unique_ptr<Automation> inner);
    explicit WriteBehindAutomation(Automation &inner);  // inner must outlive this layer
    ~WriteBehindAutomation() override;

    std::vector<std::string> RunningObjectNames() override;
    DispatchPtr RunningObject(const std::string &displayName) override;
    std::string ForegroundWindowTitle() override;
    std::vector<ChildWindow> ForegroundChildWindows() override;
    bool ForegroundIsProgram() override { return inner_->ForegroundIsProgram(); }
    std::string CurrentWorkbookName() override { return inner_->CurrentWorkbookName(); }
    SpreadsheetPresence Presence() override { return inner_->Presence(); }
    void Flush() override;
    std::vector<std::string> TakeDroppedCells() override;

    Automation &Inner() { return *inner_; }

private:
    std::unique_ptr<Automation> owned_;
    Automation *inner_;
    std::shared_ptr<HeldWrites> held_;
};

// The A1 address of a single cell ("B12") as column and row, 1-based; false for anything else.
bool ParseCellAddress(const std::string &address, int &column, int &row);

}  // namespace ombra
