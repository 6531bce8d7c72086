// The rules behind the main window's display, kept free of widgets: which commands are
// enabled, which hint a command or control shows, where the buttons go, the lamp colour and
// which image set each button uses.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/instrument/SessionRules.h"
#include "corvexres/ResourceIds.h"

namespace ombra::ui::mainwindow {

// The system menu's About item (the window, its controls and its commands are named with the
// resources).
constexpr int kSysCmdAbout = 16;

// The five image buttons in their declaration (and left-to-right) order.
constexpr std::array<int, 5> kImageButtons = {res::kCmdConnect, res::kCmdCalibration, res::kCmdMeasSettings, res::kCmdDataItems,
                                              res::kCmdColorSets};
// The buttons that only work with an instrument connected.
constexpr std::array<int, 4> kInstrumentButtons = {res::kCmdCalibration, res::kCmdMeasSettings, res::kCmdDataItems,
                                                   res::kCmdColorSets};

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
StatusLook LookOf(core::SessionStatus status, bool identityKnown = true);

}  // namespace ombra::ui::mainwindow
