// What the program's logic has to tell the user. Logic never shows a window: it hands a
// Notice to a NoticeSink, and the user interface shows it as a message box (flags and
// answers as in platform/MessageFlags.h). Tests give a sink that records and answers.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/MessageFlags.h"

namespace ombra::core {

struct Notice {
    int textId = 0;                 // string of the resource library; 0: `text` as it stands
    std::vector<std::string> args;  // replace %1, %2, ... of the string
    std::string text;               // the text itself when there is no string id
    int captionId = 0;              // caption string; 0: `caption` as it stands
    std::string caption;
    unsigned flags = 0;             // platform::mb buttons, icon, modality

    // The text to show: string `textId` with its arguments filled in, or `text`.
    std::string Text() const;
    std::string Caption() const;
};

// Shows a notice and returns the user's answer (platform::mb::IDOK, IDYES, ...).
using NoticeSink = std::function<int(const Notice &)>;

// A notice of string `textId` under string `captionId`.
inline Notice MakeNotice(int textId, int captionId, unsigned flags, std::vector<std::string> args = {}) {
    Notice notice;
    notice.textId = textId;
    notice.captionId = captionId;
    notice.flags = flags;
    notice.args = std::move(args);
    return notice;
}

}  // namespace ombra::core
