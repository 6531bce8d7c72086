// The tests' in-memory spreadsheet is the program's own (output/MemorySheet.h); a test that
// wants a connection the program drops after use wraps it in a SheetConnection.
#pragma once

#include "core/output/MemorySheet.h"

namespace ombra::core {

// A connection of its own (the program drops it after use) to a sheet the test keeps.
class SheetConnection : public Automation {
public:
    explicit SheetConnection(MemoryAutomation &sheet) : sheet_(sheet) {}
    std::vector<std::string> RunningObjectNames() override { return sheet_.RunningObjectNames(); }
    std::unique_ptr<BoundSheet> Bind(const std::string &name) override { return sheet_.Bind(name); }
    std::string ForegroundWindowTitle() override { return sheet_.ForegroundWindowTitle(); }
    std::vector<ChildWindow> ForegroundChildWindows() override { return sheet_.ForegroundChildWindows(); }
    bool ForegroundIsProgram() override { return sheet_.ForegroundIsProgram(); }
    std::string CurrentWorkbookName() override { return sheet_.CurrentWorkbookName(); }
    SpreadsheetPresence Presence() override { return sheet_.Presence(); }

private:
    MemoryAutomation &sheet_;
};

}  // namespace ombra::core
