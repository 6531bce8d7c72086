// Turns an instrument result code into a message box: the model name, " : " and the code's
// text, captioned by string 1200. Every dialog that talks to the instrument owns one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Notice.h"

namespace ombra::core {

struct ErrorMessageRow {
    int messageId = 0;  // 0: no text
    int captionId = 0;  // 0: no caption
    unsigned flags = 0; // message box flags (platform::mb)
};

class CError {
public:
    CError() = default;
    virtual ~CError() = default;

    // Stores where its messages go (the owner window's sink) and takes a fresh copy of the
    // message table. (The resource library is the process-wide one.)
    void Init(NoticeSink notify);

    // Shows the message for `code` and returns the button chosen. The text begins with the
    // model name of the open instrument.
    int Report(int32_t code);
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
    std::string message_;
    std::string caption_;
};

class CErrorMng : public CError {};

}  // namespace ombra::core
