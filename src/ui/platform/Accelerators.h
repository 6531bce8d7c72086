// Keyboard accelerators: each entry of an accelerator table becomes a shortcut of a window
// that sends the entry's command id when its keys are pressed.
#pragma once

#include <functional>
#include <vector>

#include "core/platform/Resources.h"

class QShortcut;
class QWidget;

namespace ombra::ui::platform {

// Creates one shortcut per entry (owned by `window`, active while the window is active
// and not covered by another modal window). Each press calls `onCommand(commandId)`;
// without `onCommand` the window receives a kCommandMessage with wParam = command id.
// Entries whose keys do not parse are skipped. Returns the shortcuts created.
std::vector<QShortcut *> InstallAccelerators(QWidget *window, const std::vector<core::platform::Accelerator> &table,
                                             std::function<void(int commandId)> onCommand = {});

}  // namespace ombra::ui::platform
