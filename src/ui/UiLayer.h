// The user interface is built on the core: its code sees the core's names as its own, and its
// platform and main-window helpers sit beside the core's ones of the same name.
#pragma once

namespace ombra::core::platform {}
namespace ombra::core::mainwin {}

namespace ombra::ui {
using namespace ombra::core;
}
namespace ombra::ui::platform {
using namespace ombra::core::platform;
}
namespace ombra::ui::mainwin {
using namespace ombra::core::mainwin;
}
