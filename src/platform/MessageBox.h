// Message boxes with the flag and answer values the program's logic is written against.
// Tests install a hook that records each box and answers it without a modal loop.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace ombra::platform {

namespace mb {
// Buttons
constexpr unsigned OK = 0x0;
constexpr unsigned OKCANCEL = 0x1;
constexpr unsigned YESNO = 0x4;
// Icons
constexpr unsigned ICONHAND = 0x10;         // stop / error
constexpr unsigned ICONQUESTION = 0x20;
constexpr unsigned ICONEXCLAMATION = 0x30;  // warning
constexpr unsigned ICONASTERISK = 0x40;     // information
constexpr unsigned ICONERROR = ICONHAND;
constexpr unsigned ICONWARNING = ICONEXCLAMATION;
constexpr unsigned ICONINFORMATION = ICONASTERISK;
// Modality and placement
constexpr unsigned SYSTEMMODAL = 0x1000;     // stays on top of every window
constexpr unsigned SETFOREGROUND = 0x10000;  // raised and activated
// Answers
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
}  // namespace mb

struct MessageBoxRequest {
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

// Shows a modal message box and returns the answer (mb::IDOK, ...).
int ShowMessageBox(QWidget *parent, const std::string &text, const std::string &caption, unsigned flags);

// While a hook is installed, boxes are not shown: the hook gets each request and its
// return value is the answer. Returns the previous hook.
using MessageBoxHook = std::function<int(const MessageBoxRequest &)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

}  // namespace ombra::platform
