// Why a measurement did not reach the sheet, in the words of the main window's banner.
#pragma once

#include <optional>
#include <string>

#include "output/Transfer.h"

namespace ombra::core {

enum class MissReason {
    None,                // every cell was written
    OfficeNotRunning,    // no LibreOffice of this user runs
    OfficeNotAccepting,  // LibreOffice runs but does not accept the program's connection
    NoWorkbookOpen,      // LibreOffice answers but has no workbook open
    NoWorkbookInFront,   // another application's window was in front
    NoWorkbookLastInFront,  // the program's window was in front, and of several workbooks none
                            // could be told as the one last worked in
    SheetEnds,           // the sheet ends before the measurement does
    FailedPartWay,       // LibreOffice stopped answering while the cells were written
};

// The reason of a transfer's outcome (None when it was written).
MissReason MissReasonOf(const TransferOutcome &outcome);

struct MissNotice {
    MissReason reason = MissReason::None;
    std::string text;          // what happened and what to do
    std::string countText;     // the unwritten measurements and where to resend them ("" without a journal)
    bool offersSetup = false;  // setting LibreOffice up for the program mends it
};

// The notice of a miss. `lastCell` is the last cell written before a failure part-way ("" when
// none was); `unwritten` the journal's count of unwritten measurements (none: no journal).
MissNotice MakeMissNotice(MissReason reason, const std::string &lastCell, std::optional<int> unwritten);

}  // namespace ombra::core
