#include "core/instrument/CalibrationSequence.h"

#include "core/instrument/InstrumentLibrary.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

CalibrationStep ZeroCalibrationStep(const std::string &programDir, bool skipAllowed) {
    CalibrationStep step;
    step.zeroMode = true;
    step.skipAllowed = skipAllowed;
    step.titleId = res::kStrZeroCalibrationTitle;
    step.messageId = res::kStrZeroCalibrationMessage;
    step.picturePath = programDir + calib::kZeroPicture;
    return step;
}

CalibrationStep WhiteCalibrationStep(const std::string &programDir) {
    CalibrationStep step;
    step.picturePath = programDir + calib::kWhitePicture;
    return step;
}

bool ZeroSkipAllowed() {
    int32_t status = 0;
    const int32_t rc =
        LockedCall([&](const DIFunctions &di) { return di.DIGetCalibrateStatus(DeviceHandle().load(), &status); });
    return rc == 0 && status != calib::kStatusSkipBarred;
}

CalibrationOutcome RunCalibrationSequence(int polarization, const std::string &programDir,
                                          const ShowCalibrationStep &show) {
    CalibrationOutcome outcome;
    if (polarization == 1) {
        outcome.zeroShown = true;
        outcome.zeroResult = show(ZeroCalibrationStep(programDir, ZeroSkipAllowed()));
        if (outcome.zeroResult != calib::kOkResult && outcome.zeroResult != calib::kSkipResult) return outcome;
    }
    outcome.whiteShown = true;
    outcome.whiteResult = show(WhiteCalibrationStep(programDir));
    return outcome;
}

}  // namespace ombra::core
