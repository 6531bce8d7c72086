// Numbered messages posted to a window, the way the worker threads and the keyboard
// accelerators talk to the user-interface thread. A message is a Qt event carrying its
// number and two integer parameters; posted messages are delivered in posting order on
// the thread that owns the receiver, which sees them in its event() handler.
#pragma once

#include <QEvent>
#include <cstdint>

class QObject;

namespace ombra::core::platform {

// Base of the program's private message numbers (its own messages are base + 10 ...).
constexpr int kAppMessageBase = 32768;
// A menu or accelerator command; wParam holds the command id.
constexpr int kCommandMessage = 0x0111;

class AppMessageEvent : public QEvent {
public:
    AppMessageEvent(int message, intptr_t wParam, intptr_t lParam);

    // The one event type of every numbered message.
    static QEvent::Type EventType();

    int message() const { return message_; }
    intptr_t wParam() const { return wParam_; }
    intptr_t lParam() const { return lParam_; }

private:
    int message_;
    intptr_t wParam_;
    intptr_t lParam_;
};

// Queues the message for `target` and returns at once. Safe to call from any thread;
// the receiver must outlive the call (pending messages of a destroyed receiver are dropped).
void PostAppMessage(QObject *target, int message, intptr_t wParam = 0, intptr_t lParam = 0);

// Delivers the message to `target` now, on the calling thread (which must own `target`).
// Returns whether the receiver accepted it.
bool SendAppMessage(QObject *target, int message, intptr_t wParam = 0, intptr_t lParam = 0);

}  // namespace ombra::core::platform
