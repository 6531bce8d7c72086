// Measuring a real light source for the user illuminant editor: the instrument takes an
// irradiance measurement with the 2 degree observer, delivers its light-source values and its
// 75-point spectrum, and gets the stored measurement type and observer back.
#pragma once

#include <cstdint>

#include "core/illuminant/ColorCalculation.h"
#include "core/illuminant/UserIlluminantFile.h"
#include "core/instrument/VireoDllAdapter.h"

namespace ombra::core {

constexpr uint32_t kIrradianceTypeMask = 0x4;       // measurement type value 3
constexpr uint32_t kTwoDegreeObserverMask = 0x1;    // observer value 0
constexpr uint32_t kLightSourceValuesItem = 0x10000; // colour value 6
constexpr int32_t kIrradianceSpectrumCount = 75;    // 360..730 nm

struct LightSourceMeasurement {
    int32_t code = 0;            // the first failing result, 0 when every call succeeded
    bool recordChanged = false;  // the spectrum (and the three values) were taken over
};

// Calls, stopping at the first failure: measurement type 3, observer 0, measurement, colour
// value 6 and its three values, the spectrum of 75 points into places 12..86 of `record` (the
// other places keep their values). The three values and the spectrum are taken over together,
// once the spectrum has arrived. Afterwards every property this sequence changed is set back
// from `storedType` and `storedObserver` (also after a failure, so the instrument does not stay
// in irradiance mode behind the user's back); when the sequence itself failed, its own failure
// is the one returned.
LightSourceMeasurement MeasureLightSource(CVireoDllAdapter &adapter, uint32_t storedType, uint32_t storedObserver,
                                          UserIlluminantRecord &record, IlluminantResults &results);

}  // namespace ombra::core
