// What a virtual instrument reports for a measurement. The device takes a snapshot of the
// sample and of its settings when it measures and has the engine compute every result of that
// snapshot at once; each result call then picks one result with the selection (properties 5,
// 6, 7) current at the time of the call.
#pragma once

#include <array>
#include <cfloat>
#include <memory>

#include "Samples.h"
#include "colorimetry/Instrument.h"

namespace fxsim {

inline constexpr float kNoValue = FLT_MAX;  // a value the instrument cannot deliver

struct MeasurementInput {
    int measurementType = 0;  // property 0: 0 or 1 reflection, 3 irradiance
    int observer = 0;         // property 2
    int illuminant = 2;       // property 3
    int condition = 2;        // property 4
    bool polarized = false;   // the polarisation filter was in the light path
    Sample sample;            // the reflecting sample (reflection) or the light source (irradiance)
    std::array<float, 97> userIlluminant{};  // 300..780 nm in 5 nm steps; all zero: none registered

    bool Irradiance() const { return measurementType == 3; }
};

class ResultEngine {
public:
    virtual ~ResultEngine() = default;
    virtual ombra::colorimetry::InstrumentResults Evaluate(const MeasurementInput &input) const = 0;
};

// The engine the devices use: the colorimetry library's instrument model.
std::unique_ptr<ResultEngine> MakeResultEngine();

}  // namespace fxsim
