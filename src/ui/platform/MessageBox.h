// Message boxes with the flag and answer values the program's logic is written against.
// Tests install a hook that records each box and answers it without a modal loop.
#pragma once

#include <functional>
#include <string>

#include "core/platform/MessageFlags.h"
#include "core/platform/Notice.h"
#include "corvexres/ResourceIds.h"

class QDialogButtonBox;
class QWidget;

namespace ombra::ui::platform {

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

// Gives the toolkit's standard buttons of `buttons` (OK, Cancel, Close, Yes, No) their captions
// from the resource library, in the user's language (the toolkit's own are English).
void NameStandardButtons(QDialogButtonBox &buttons);

// Shows a notice of the logic as a message box over `parent`.
int ShowNotice(QWidget *parent, const core::Notice &notice);
// A sink that shows every notice over `parent`.
core::NoticeSink NoticeSinkFor(QWidget *parent);

}  // namespace ombra::ui::platform
