// The wait cursor for the length of a long operation: shown while the object lives.
// Nesting is safe: each object restores exactly what it set. UI thread only.
#pragma once


namespace ombra::ui::platform {

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;

    // End() takes the wait cursor away early (before a question to the user, say);
    // Resume() shows it again. Each does nothing when already in that state.
    void End();
    void Resume();
    bool Active() const { return active_; }

private:
    bool active_ = false;
};

}  // namespace ombra::ui::platform
