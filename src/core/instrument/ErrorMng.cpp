#include "core/instrument/ErrorMng.h"

#include <array>
#include <utility>

#include "core/instrument/InstrumentLibrary.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

constexpr unsigned kErrorFlags =
    platform::mb::ICONEXCLAMATION | platform::mb::SYSTEMMODAL | platform::mb::SETFOREGROUND;

struct CodeRow {
    int32_t code;
    int row;
};

// Codes 1..33 -> rows 2..34, 34..37 -> rows 35..38, 10000..10002 -> row 39.
constexpr std::array<CodeRow, 40> kCodeTable = [] {
    std::array<CodeRow, 40> t{};
    int i = 0;
    for (int32_t code = 1; code <= 37; ++code, ++i) t[i] = {code, code + 1};
    for (int32_t code = 10000; code <= 10002; ++code, ++i) t[i] = {code, 39};
    return t;
}();

// The texts of codes 1..33 follow one another in the string table, in code order, from the
// invalid parameter to the empty colour-set slot.
constexpr int kFirstCodeText = res::kStrErrorInvalidParameter;
constexpr int kLastCodeText = res::kStrErrorColourSetSlotEmpty;
static_assert(kLastCodeText - kFirstCodeText == 32, "one text for each of the codes 1..33");

// Rows 2..40; row 40 is the default (no text, no caption, OK only).
constexpr std::array<ErrorMessageRow, 39> kMessageTable = [] {
    std::array<ErrorMessageRow, 39> t{};
    for (int row = 2; row <= 34; ++row) t[row - 2] = {kFirstCodeText + row - 2, res::kStrMessageCaption, kErrorFlags};
    t[35 - 2] = {res::kStrErrorWhiteCalibrationDue, res::kStrMessageCaption, kErrorFlags};
    t[36 - 2] = {res::kStrErrorFirmwareUnsupported, res::kStrMessageCaption, kErrorFlags};
    t[37 - 2] = {res::kStrErrorInstrumentInUse, res::kStrMessageCaption, kErrorFlags};
    t[38 - 2] = {res::kStrMidToneHeading, res::kStrMessageCaption, kErrorFlags};
    t[39 - 2] = {res::kStrErrorUnexpected, res::kStrMessageCaption, kErrorFlags};
    t[40 - 2] = {0, 0, 0};
    return t;
}();

// Text of a string, or nothing when it cannot be loaded (id 0 never loads).
bool loadString(int id, std::string &out) {
    if (id == 0 || !platform::HasResString(id)) return false;
    out = platform::ResString(id);
    return true;
}

}  // namespace

int CError::RowForCode(int32_t code) {
    for (const CodeRow &entry : kCodeTable)
        if (entry.code == code) return entry.row;
    return kDefaultRow;
}

ErrorMessageRow CError::MessageRow(int row) {
    if (row < kFirstRow || row > kDefaultRow) return kMessageTable.back();
    return kMessageTable[row - kFirstRow];
}

void CError::Init(NoticeSink notify, LossJudge judge) {
    notify_ = std::move(notify);
    judge_ = std::move(judge);
    table_.assign(kMessageTable.begin(), kMessageTable.end());
}

int CError::Report(int32_t code) {
    if (TakenAsLoss(code)) return platform::mb::IDOK;
    const Notice notice = NoticeFor(code);
    return notify_ ? notify_(notice) : platform::mb::IDOK;
}

Notice CError::NoticeFor(int32_t code) {
    int row = RowForCode(code);
    // A report before Init still uses the fixed table.
    ErrorMessageRow entry = table_.empty() ? MessageRow(row) : table_[row - kFirstRow];

    message_ = ConnectedModelName() + " : ";
    std::string text;
    if (loadString(entry.messageId, text))
        message_ += text;
    else
        message_.clear();
    caption_.clear();
    loadString(entry.captionId, caption_);
    Notice notice;
    notice.text = message_;
    notice.caption = caption_;
    notice.flags = entry.flags;
    return notice;
}

}  // namespace ombra::core
