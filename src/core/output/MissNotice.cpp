#include "core/output/MissNotice.h"

#include "core/output/JournalTransfer.h"
#include "core/platform/Notice.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

}  // namespace

MissNotice MakeMissNotice(const TransferOutcome &outcome, std::optional<int> unwritten) {
    MissNotice notice;
    const MissReason reason = outcome.written() ? MissReason::None : outcome.reason;
    notice.reason = reason;
    if (reason == MissReason::None) return notice;
    switch (reason) {
    case MissReason::OfficeNotRunning: notice.text = platform::ResString(res::kStrNotRunning); break;
    case MissReason::OfficeNotAccepting:
        notice.text = platform::ResString(res::kStrNotAccepting);
        notice.offersSetup = true;
        break;
    case MissReason::NoWorkbookOpen: notice.text = platform::ResString(res::kStrNoWorkbookOpen); break;
    case MissReason::NoWorkbookInFront: notice.text = platform::ResString(res::kStrOtherWindowInFront); break;
    case MissReason::NoWorkbookLastInFront: notice.text = platform::ResString(res::kStrNoneLastInFront); break;
    case MissReason::SheetEnds: notice.text = platform::ResString(res::kStrSheetEnds); break;
    case MissReason::FailedPartWay:
        notice.text = outcome.lastCell.empty()
            ? platform::ResString(res::kStrStoppedAnswering)
            : MakeNotice(res::kStrWrittenPart, 0, 0, {outcome.firstCell, outcome.lastCell}).Text();
        break;
    case MissReason::None: break;
    }
    if (unwritten) notice.countText = UnwrittenNoticeText(*unwritten);
    return notice;
}

}  // namespace ombra::core
