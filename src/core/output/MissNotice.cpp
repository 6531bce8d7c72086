#include "output/MissNotice.h"

#include "output/JournalTransfer.h"
#include "platform/Notice.h"
#include "platform/Resources.h"

namespace ombra::core {

namespace {

constexpr int kStrSheetEnds = 1239;
constexpr int kStrNotRunning = 1721;
constexpr int kStrNotAccepting = 1722;
constexpr int kStrOtherWindowInFront = 1723;
constexpr int kStrNoWorkbookOpen = 1724;
constexpr int kStrWrittenUpTo = 1725;
constexpr int kStrStoppedAnswering = 1726;
constexpr int kStrNoneLastInFront = 1731;

}  // namespace

MissReason MissReasonOf(const TransferOutcome &outcome) {
    switch (outcome.result) {
    case TransferResult::Written: return MissReason::None;
    case TransferResult::OutsideSheet: return MissReason::SheetEnds;
    case TransferResult::AutomationFailed: return MissReason::FailedPartWay;
    case TransferResult::NoWorkbook: break;
    }
    switch (outcome.presence) {
    case SpreadsheetPresence::NotRunning: return MissReason::OfficeNotRunning;
    case SpreadsheetPresence::NotAccepting: return MissReason::OfficeNotAccepting;
    case SpreadsheetPresence::Answering: break;
    }
    if (outcome.openWorkbooks == 0) return MissReason::NoWorkbookOpen;
    return outcome.programInFront ? MissReason::NoWorkbookLastInFront : MissReason::NoWorkbookInFront;
}

MissNotice MakeMissNotice(MissReason reason, const std::string &lastCell, std::optional<int> unwritten) {
    MissNotice notice;
    notice.reason = reason;
    if (reason == MissReason::None) return notice;
    switch (reason) {
    case MissReason::OfficeNotRunning: notice.text = platform::ResString(kStrNotRunning); break;
    case MissReason::OfficeNotAccepting:
        notice.text = platform::ResString(kStrNotAccepting);
        notice.offersSetup = true;
        break;
    case MissReason::NoWorkbookOpen: notice.text = platform::ResString(kStrNoWorkbookOpen); break;
    case MissReason::NoWorkbookInFront: notice.text = platform::ResString(kStrOtherWindowInFront); break;
    case MissReason::NoWorkbookLastInFront: notice.text = platform::ResString(kStrNoneLastInFront); break;
    case MissReason::SheetEnds: notice.text = platform::ResString(kStrSheetEnds); break;
    case MissReason::FailedPartWay:
        notice.text = lastCell.empty() ? platform::ResString(kStrStoppedAnswering)
                                       : MakeNotice(kStrWrittenUpTo, 0, 0, {lastCell}).Text();
        break;
    case MissReason::None: break;
    }
    if (unwritten) notice.countText = UnwrittenNoticeText(*unwritten);
    return notice;
}

}  // namespace ombra::core
