// Start-up and wiring see the names of the user interface and, through it, of the core.
#pragma once

#include "UiLayer.h"

namespace ombra::app {
using namespace ombra::ui;
}
namespace ombra::app::platform {
using namespace ombra::ui::platform;
}
