// Pieces of the Calc bridge shared between its source files.
#pragma once

#include <string>

namespace ombra::calcbridge {

// Title of the X11 window that has the focus (_NET_ACTIVE_WINDOW); empty when there is no X
// display, no window manager that reports it, or no libX11.
std::string X11ActiveWindowTitle();

}  // namespace ombra::calcbridge
