// What a virtual instrument reports for a measurement. The device takes a snapshot of the
// sample and of its settings when it measures; every result call then asks the engine for
// one result of that snapshot with the result selection (properties 5, 6, 7) current then.
#pragma once

#include <array>
#include <cfloat>
#include <memory>
#include <vector>

#include "Samples.h"

namespace fxsim {

inline constexpr float kNoValue = FLT_MAX;  // a value the instrument cannot deliver

struct MeasurementInput {
    int measurementType = 0;  // property 0: 0 or 1 reflection, 3 irradiance
    int observer = 0;         // property 2
    int illuminant = 2;       // property 3
    int condition = 2;        // property 4
    bool polarized = false;   // the polarisation filter was in the light path
    Spectrum sample;          // reflectance (reflection) or spectral irradiance (irradiance)
    std::array<float, 97> userIlluminant{};  // 300..780 nm in 5 nm steps

    bool Irradiance() const { return measurementType == 3; }
};

class ResultEngine {
public:
    virtual ~ResultEngine() = default;

    // `count` values: reflectance 380..730 nm every 10 nm (36), irradiance 360..730 nm
    // every 5 nm (75). Places beyond the measured grid hold kNoValue.
    virtual std::vector<float> Spectrum(const MeasurementInput &input, int count) const = 0;
    // The colour value selected by property 5 (0, 1, 2, 3, 4 or 6).
    virtual std::array<float, 3> Color(const MeasurementInput &input, int which) const = 0;
    // The density set selected by property 6 (0..4): C, M, Y, V.
    virtual std::array<float, 4> Density(const MeasurementInput &input, int set) const = 0;
    // The colour index selected by property 7: 1 float for 0, 2 for 1, 3 for 2.
    virtual std::vector<float> ColorIndex(const MeasurementInput &input, int which) const = 0;
    // Density at one wavelength (380..730 nm).
    virtual float SpotDensity(const MeasurementInput &input, int wavelengthNm) const = 0;
    // The wavelength the instrument chooses for the spot-colour density.
    virtual int AutomaticWavelength(const MeasurementInput &input) const = 0;
};

// Count of floats of each colour index (property 7 value), 0 for an unknown value.
int ColorIndexCount(int which);

// The engine the devices use.
std::unique_ptr<ResultEngine> MakeResultEngine();

}  // namespace fxsim
