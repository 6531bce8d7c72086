// Pieces of the Calc bridge shared between its source files.
#pragma once

#include <string>

namespace ombra::calcbridge {

// The X11 window that has the focus as the window manager reports it (_NET_ACTIVE_WINDOW): its
// id (0 when there is no X display, no window manager that reports it, or no libX11), title and
// the process that owns it (_NET_WM_PID; 0 when the window does not say).
struct ActiveWindow {
    unsigned long id = 0;
    std::string title;
    long pid = 0;
};
ActiveWindow X11ActiveWindow();
inline std::string X11ActiveWindowTitle() { return X11ActiveWindow().title; }

}  // namespace ombra::calcbridge
