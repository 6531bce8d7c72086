// The calibration run of the main window's Calibration command, without any window: which
// steps are shown (zero calibration only with the polarisation filter in use, then the white
// calibration), what each step shows, and what the run achieved.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace calib {
constexpr int32_t kWhiteKind = 7;       // DIDoCalibration's kind for the white calibration
constexpr int kSkipResult = -7;         // the zero step was skipped
constexpr int kOkResult = 1;            // the step was carried out
constexpr int32_t kStatusSkipBarred = 4;
constexpr const char *kZeroPicture = "/PIC/Ombra-Zero-Calib.bmp";
constexpr const char *kWhitePicture = "/PIC/Ombra-White-Calib.bmp";
}  // namespace calib

// What one calibration dialog shows.
struct CalibrationStep {
    bool zeroMode = false;     // true: zero (polarisation) calibration; false: white calibration
    bool skipAllowed = false;  // zero mode only: the skip button is enabled
    int titleId = res::kStrWhiteCalibrationTitle;
    int messageId = res::kStrWhiteCalibrationMessage;
    std::string picturePath;
};

struct CalibrationOutcome {
    bool zeroShown = false;
    int zeroResult = 0;
    bool whiteShown = false;   // the main window repaints when set
    int whiteResult = 0;
    bool ready() const { return whiteShown && whiteResult == calib::kOkResult; }
};

// Shows one step modally and returns its result (kOkResult, kSkipResult, or anything else
// for cancel / ended).
using ShowCalibrationStep = std::function<int(const CalibrationStep &)>;

// The two steps for a program folder (no trailing "/").
CalibrationStep ZeroCalibrationStep(const std::string &programDir, bool skipAllowed);
CalibrationStep WhiteCalibrationStep(const std::string &programDir);

// Skipping the zero calibration is allowed when the calibration status can be read and is
// not 4.
bool ZeroSkipAllowed();

// Runs the zero step (when `polarization` is 1) and the white step. The white step follows
// only when the zero step was carried out or skipped.
CalibrationOutcome RunCalibrationSequence(int polarization, const std::string &programDir,
                                          const ShowCalibrationStep &show);

}  // namespace ombra::core
