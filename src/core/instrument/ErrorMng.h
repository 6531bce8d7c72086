// Turns an instrument result code into a message box: the model name, " : " and the code's
// text, captioned by string 1200. Every dialog that talks to the instrument owns one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/platform/Notice.h"

namespace ombra::core {

// Asked first by every report: true when the failed call meant the instrument's loss, which its
// owner (the session) has ended and told itself, so the code gets no message of its own.
using LossJudge = std::function<bool(int32_t code)>;

struct ErrorMessageRow {
    int messageId = 0;  // 0: no text
    int captionId = 0;  // 0: no caption
    unsigned flags = 0; // message box flags (platform::mb)
};

class CError {
public:
    CError() = default;
    virtual ~CError() = default;

    // Stores where its messages go (the owner window's sink) and who judges a loss (none: every
    // code is told), and takes a fresh copy of the message table. (The resource library is the
    // process-wide one.)
    void Init(NoticeSink notify, LossJudge judge = {});

    // Shows the message for `code` and returns the button chosen. The text begins with the
    // model name of the open instrument. A loss told by the judge shows nothing (IDOK).
    int Report(int32_t code);
    // Whether `code` was the instrument's loss, now told by its owner.
    bool TakenAsLoss(int32_t code) const { return judge_ && judge_(code); }
    // The message for `code` as a notice, for logic that tells the user through a NoticeSink.
    Notice NoticeFor(int32_t code);

    // The message row number of a code (2..39; 40 for every code not listed).
    static int RowForCode(int32_t code);
    // The fixed message row `row` (2..40).
    static ErrorMessageRow MessageRow(int row);

    static constexpr int kFirstRow = 2;
    static constexpr int kDefaultRow = 40;

    const std::string &MessageText() const { return message_; }
    const std::string &Caption() const { return caption_; }

private:
    std::vector<ErrorMessageRow> table_;  // rows kFirstRow..kDefaultRow
    NoticeSink notify_;
    LossJudge judge_;
    std::string message_;
    std::string caption_;
};

class CErrorMng : public CError {};

}  // namespace ombra::core
