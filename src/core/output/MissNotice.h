// Why a measurement did not reach the sheet, in the words of the main window's banner.
#pragma once

#include <optional>
#include <string>

#include "core/output/Transfer.h"

namespace ombra::core {

struct MissNotice {
    MissReason reason = MissReason::None;
    std::string text;          // what happened and what to do
    std::string countText;     // the unwritten measurements and where to resend them ("" without a journal)
    bool offersSetup = false;  // setting LibreOffice up for the program mends it
};

// The notice of a transfer's outcome (reason None when it was written). A measurement cut off
// part-way names the cells that hold it. `unwritten` is the journal's count of unwritten
// measurements (none: no journal).
MissNotice MakeMissNotice(const TransferOutcome &outcome, std::optional<int> unwritten);

}  // namespace ombra::core
