// LibreOffice Calc behind the spreadsheet port, reached over a UNO pipe of an office that is
// already running (the program never starts one).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "automation/Automation.h"

namespace ombra {

// The pipe the office is asked to accept (see CalcSetup.h).
inline constexpr const char *kCalcPipeName = "ombra-dts";
// Connection used unless the environment variable OMBRA_UNO_URL names another one.
inline constexpr const char *kDefaultUnoUrl = "uno:pipe,name=ombra-dts;urp;StarOffice.ComponentContext";

// The running Calc documents as workbooks. Connects on first use and again after the office went
// away; no call blocks longer than the call timeout (3 s, or OMBRA_UNO_TIMEOUT_MS): the connection
// is dropped and the call fails with AutomationError. With no office listening the list of running
// workbooks is empty. A block of cells is one call to the office (plus one per run of dates or
// times, which get their format); texts are typed as typed input is (see TypedInput.h). A bound
// sheet locks its document's views until its commit or its end; a lock whose unlock was cut off
// with the connection is undone as soon as the office answers again.
std::unique_ptr<Automation> ConnectCalc();

// The program's own windows (its main window and its dialogs) by their X11 window ids, for telling
// whether the window in front is the program's; a window whose _NET_WM_PID is this process's
// counts as the program's too. Called on the thread that transfers.
using ProgramWindowList = std::function<std::vector<unsigned long>()>;
void SetProgramWindows(ProgramWindowList windows);

// The office pipe was not used because the socket at its path is not the user's own (another
// user's, a symbolic link, served by another user): nothing was sent to it, and the bridge acted
// as if no office were running. Each refusal is handed out once, for the window to tell the user.
struct OfficePipeRefusal {
    std::string path;
    std::string reason;
};
std::optional<OfficePipeRefusal> TakeOfficePipeRefusal();

// Runs an office command (".uno:GoToCell" with ToPoint "B2:D4") with text arguments on the current
// Calc document of a connection made by ConnectCalc; for tests and diagnostics. Raises AutomationError.
using DispatchArguments = std::vector<std::pair<std::string, std::string>>;
void CalcDispatch(Automation &calc, const std::string &command, const DispatchArguments &arguments = {});

// How a cell of the active sheet of the current Calc document looks: whether it holds a value (a
// number, date or time) and which, or nothing, and the text it shows. For tests and diagnostics;
// raises AutomationError.
struct CalcCellLook {
    bool isValue = false;
    bool isEmpty = false;
    double value = 0;
    std::string shown;
};
CalcCellLook CalcShownCell(Automation &calc, const std::string &address);
// The cell cursor of the current Calc document; for tests and diagnostics.
CellPos CalcCursor(Automation &calc);
// Whether the current Calc document's views are locked (no repaints); for tests and diagnostics.
bool CalcViewsLocked(Automation &calc);

}  // namespace ombra
