// Shows the wait cursor for the lifetime of the object (nestable). Does nothing without a
// graphical application.
#pragma once

namespace ombra::platform {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

private:
    bool shown_ = false;
};

}  // namespace ombra::platform
