// The instrument as the session hands it to the dialogs that use it: the adapter through which
// the session holds the open instrument, and the judge that turns a failed call into the
// instrument's loss. A dialog makes its calls through the operations of DialogInstrument and
// gives Judge() to its error manager, so a fault is told once: a loss by the session (which
// ends the connection first), any other failure by its code.
#pragma once

#include <cstdint>

#include "core/instrument/DialogInstrument.h"
#include "core/instrument/ErrorMng.h"
#include "core/instrument/VireoDllAdapter.h"

namespace ombra::core {

class InstrumentLink : public DialogInstrument {
public:
    // Calls go through `instrument`; `judge` ends the connection on a loss (empty: no judge).
    InstrumentLink(CVireoDllAdapter &instrument, LossJudge judge);
    InstrumentLink(const InstrumentLink &) = delete;
    InstrumentLink &operator=(const InstrumentLink &) = delete;

    int32_t CalibrateZero() override { return instrument_.DoPolarizationCalib(); }
    int32_t CalibrateWhite(int32_t kind) override { return instrument_.DoCalibration(kind); }
    int32_t ReadUserIlluminant(UserIlluminantRecord &record) override { return instrument_.GetUserIlluminant(&record); }
    int32_t RegisterUserIlluminant(UserIlluminantRecord &record) override {
        return instrument_.RegUserIlluminant(&record);
    }
    LightSourceMeasurement MeasureLightSource(uint32_t storedType, uint32_t storedObserver,
                                              UserIlluminantRecord &record, IlluminantResults &results) override;
    int32_t MeasureColorLab(uint32_t storedTypeMask, std::array<double, 3> &lab) override;
    const LossJudge &Judge() const override { return judge_; }

private:
    CVireoDllAdapter &instrument_;
    LossJudge judge_;
};

// Whether a failed call means that the instrument is gone: it vanished (code 4), or it did not
// answer in time (5) or answered out of step (10000) and does not answer a button query now
// either. A call that was only late leaves an instrument that answers again.
bool IsInstrumentLoss(int32_t code);

}  // namespace ombra::core
