// The instrument as the session hands it to the dialogs that use it: the adapter through which
// the session holds the open instrument, and the judge that turns a failed call into the
// instrument's loss. A dialog makes its calls through Instrument() and gives Judge() to its
// error manager, so a fault is told once: a loss by the session (which ends the connection
// first), any other failure by its code.
#pragma once

#include <cstdint>
#include <memory>

#include "instrument/ErrorMng.h"
#include "instrument/VireoDllAdapter.h"

namespace ombra::core {

class InstrumentLink {
public:
    // A link of its own, for a dialog shown without a session: it holds the instrument open
    // itself, and every failure is told by its code.
    InstrumentLink();
    // The session's link: calls go through `instrument`; `judge` ends the connection on a loss.
    InstrumentLink(CVireoDllAdapter &instrument, LossJudge judge);
    InstrumentLink(const InstrumentLink &) = delete;
    InstrumentLink &operator=(const InstrumentLink &) = delete;

    CVireoDllAdapter &Instrument() const { return *instrument_; }
    const LossJudge &Judge() const { return judge_; }

private:
    std::unique_ptr<CVireoDllAdapter> own_;
    CVireoDllAdapter *instrument_ = nullptr;
    LossJudge judge_;
};

// Whether a failed call means that the instrument is gone: it vanished (code 4), or it did not
// answer in time (5) or answered out of step (10000) and does not answer a button query now
// either. A call that was only late leaves an instrument that answers again.
bool IsInstrumentLoss(int32_t code);

}  // namespace ombra::core
