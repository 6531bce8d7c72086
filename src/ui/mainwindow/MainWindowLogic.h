// The rules behind the main window's display, kept free of widgets: which commands are
// enabled, which hint a command or control shows, where the buttons go, the lamp colour and
// which image set each button uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "instrument/SessionRules.h"
#include "UiLayer.h"

namespace ombra::ui::mainwin {

// Command and control identifiers of the main window.
constexpr int kCmdConnect = 1000;
constexpr int kCmdCalibration = 1001;
constexpr int kCmdMeasSettings = 1002;
constexpr int kCmdDataItems = 1020;
constexpr int kCmdColorSets = 1028;
constexpr int kCmdExit = 32771;
constexpr int kCmdUserIlluminant = 32772;
constexpr int kCmdAbout = 32773;
constexpr int kCmdManual = 32774;
constexpr int kCmdMeasurements = 32775;  // the Measurements window of the journal
constexpr int kCmdSetUpOffice = 32776;   // makes LibreOffice accept the program (the application runs it)
constexpr int kCmdResultPanel = 1880;    // View › Result panel: shows or hides the panel (remembered)
constexpr int kCmdReferences = 1979;     // the References window
constexpr int kSysCmdAbout = 16;
constexpr int kCtlStatusLamp = 1198;
constexpr int kIndicatorHint = 103;
constexpr int kIndicatorInstrument = 104;

// Resources of the window.
constexpr int kTemplateMain = 102;
constexpr int kTemplateAbout = 100;
constexpr int kIconMain = 128;
constexpr int kMenuMain = 132;
constexpr int kAcceleratorTable = 135;
constexpr int kBitmapBackground = 145;
constexpr int kStrAboutItem = 101;
constexpr int kStrConnectCaption = 1181;
constexpr int kStrDisconnectCaption = 1182;
constexpr int kStrMessageCaption = 1200;
constexpr int kStrManualFile = 1395;
constexpr int kStrManualMissing = 1396;
constexpr int kStrManualNotOpened = 1397;
constexpr int kStrManualInEnglish = 2050;  // the status line's word that the manual is English only
constexpr int kStrHintConnect = 1399;
constexpr int kStrHintDisconnect = 1400;
constexpr int kStrMenuConnect = 1419;
constexpr int kStrMenuDisconnect = 1420;
constexpr int kStrStatusNotConnected = 1760;
constexpr int kStrStatusReady = 1761;          // "%1": the instrument's "model : serial"
constexpr int kStrStatusCalibration = 1762;
constexpr int kStrStatusLost = 1763;
constexpr int kStrStatusReading = 1764;
constexpr int kStrStatusReadyUnknown = 1765;   // ready, identity unreadable
constexpr int kStrEditMenu = 2034;
constexpr int kStrUndoMeasurement = 2035;
constexpr int kStrUndoCellChanged = 2036;      // "%1": the cell changed since it was written
constexpr int kStrUndoOtherSheet = 2037;       // "%1": the workbook and sheet of the measurement
constexpr int kStrNothingToUndo = 2038;
constexpr int kStrUndoNoSpreadsheet = 2039;
constexpr int kStrUndoFailed = 2040;

// The five image buttons in their declaration (and left-to-right) order.
constexpr std::array<int, 5> kImageButtons = {kCmdConnect, kCmdCalibration, kCmdMeasSettings, kCmdDataItems,
                                              kCmdColorSets};
// The buttons that only work with an instrument connected.
constexpr std::array<int, 4> kInstrumentButtons = {kCmdCalibration, kCmdMeasSettings, kCmdDataItems,
                                                   kCmdColorSets};

enum class EnableRule { None, Always, WhileConnected };
EnableRule CommandEnableRule(int commandId);
// Enabled state of a command with a rule; commands without one count as enabled.
bool CommandEnabled(int commandId, bool connected);

// String shown in the hint pane when a menu item is highlighted; 0 empties the pane.
int MenuHintStringId(int commandId, bool connected);
// String shown when a control has the focus during a mouse hover; 0 empties the pane.
int ControlHintStringId(int controlId, bool connected);

struct ImageSet {
    int normal, pressed, hover, disabled;
};
// Images of an image button; the Connect button has a second set used while connected.
ImageSet ButtonImages(int controlId, bool connectedSet = false);

struct Point {
    int x = 0, y = 0;
};
constexpr int kButtonWidth = 120;
constexpr int kButtonHeight = 112;
constexpr int kButtonRowWidth = 660;
// Top-left of each image button (order of kImageButtons) for a client area of
// width x height with a status bar `statusBarHeight` high.
std::array<Point, 5> ButtonPositions(int clientWidth, int clientHeight, int statusBarHeight);

struct PaneWidths {
    int hint, instrument;
};
PaneWidths StatusPaneWidths(int clientWidth);

// The status: right edge 3 pixels inside the client area, bottom edge on its bottom.
Point LampPosition(int clientWidth, int clientHeight, int lampWidth, int lampHeight);

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &) const = default;
};
// How the status shows a state of the session: its colour, a symbol of its own shape (the
// states differ without colour too) and its text.
struct StatusLook {
    Rgb colour;
    const char *symbol;  // UTF-8
    int textId;          // with the instrument's identity ("%1") when ready
    bool operator==(const StatusLook &) const = default;
};
StatusLook LookOf(core::mainwin::SessionStatus status, bool identityKnown = true);

}  // namespace ombra::ui::mainwin
