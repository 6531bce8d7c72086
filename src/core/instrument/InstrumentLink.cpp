#include "core/instrument/InstrumentLink.h"

#include "core/colorset/ColorDataPageLogic.h"
#include "core/instrument/InstrumentLibrary.h"

namespace ombra::core {

InstrumentLink::InstrumentLink(CVireoDllAdapter &instrument, LossJudge judge)
    : instrument_(instrument), judge_(std::move(judge)) {}

LightSourceMeasurement InstrumentLink::MeasureLightSource(uint32_t storedType, uint32_t storedObserver,
                                                          UserIlluminantRecord &record, IlluminantResults &results) {
    return core::MeasureLightSource(instrument_, storedType, storedObserver, record, results);
}

int32_t InstrumentLink::MeasureColorLab(uint32_t storedTypeMask, std::array<double, 3> &lab) {
    return colordata::MeasureColorLab(instrument_, storedTypeMask, lab);
}

bool IsInstrumentLoss(int32_t code) {
    if (code == DI_ERR_DEVICE_GONE) return true;
    if (code != DI_ERR_TIMEOUT && code != DI_ERR_PROTOCOL) return false;
    // One more question, with the library's own time-out: a stopped instrument stays silent.
    DIButtonStatus status{};
    const int32_t probe =
        LockedCall([&](const DIFunctions &di) { return di.DIGetButtonStatus(DeviceHandle().load(), &status); });
    return probe != 0;
}

}  // namespace ombra::core
