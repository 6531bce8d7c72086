// Flags and answers of the program's messages: the values its logic is written against,
// whoever finally shows the message.
#pragma once

namespace ombra::core::platform::mb {
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
}  // namespace ombra::core::platform::mb
