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
constexpr int kStrWrittenPart = 1725;  // the first and the last cell that hold it
constexpr int kStrStoppedAnswering = 1726;
constexpr int kStrNoneLastInFront = 1731;

}  // namespace

MissNotice MakeMissNotice(const TransferOutcome &outcome, std::optional<int> unwritten) {
    MissNotice notice;
    const MissReason reason = outcome.written() ? MissReason::None : outcome.reason;
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
        notice.text = outcome.lastCell.empty()
            ? platform::ResString(kStrStoppedAnswering)
            : MakeNotice(kStrWrittenPart, 0, 0, {outcome.firstCell, outcome.lastCell}).Text();
        break;
    case MissReason::None: break;
    }
    if (unwritten) notice.countText = UnwrittenNoticeText(*unwritten);
    return notice;
}

}  // namespace ombra::core
