// What a simulated spectro-densitometer reports for a sample or a light source under a given set
// of instrument properties, and a library of named samples and light sources.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {

// A reflection sample. The measured reflectance is the body reflectance, plus the
// first-surface term unless the light is polarised, plus the brightener emission scaled by the
// UV content of the light source (none when UV is excluded).
struct Sample {
    std::string name;
    Reflectance body{};
    double surfaceReflection = 0;  // removed by crossed polarisers (glossy and wet samples)
    double brightener = 0;         // fluorescence peak (reflectance units) under D50 with UV
};

// A light source for irradiance measurement.
struct LightSource {
    std::string name;
    Irradiance irradiance{};  // W m^-2 nm^-1, 360..730 nm / 5 nm
};

// The instrument properties that change a result.
struct MeasurementProperties {
    int observer = kObserver2;          // property 2
    int illuminant = kIlluminantD50;    // property 3: 0..14
    int condition = kConditionM1;       // property 4: 0, 1..14, 160, or 161 for M3
    bool polarised = false;             // polarisation filter on: with condition 0 this is M3
    UserIlluminant userIlluminant{};    // the registered user illuminant (all zero: none)
};

inline constexpr int kColourValueCount = 7;  // property 5 values 0..6 (5 unused)
inline constexpr int kDensitySetCount = 5;   // property 6 values 0..4
inline constexpr int kColourIndexCount = 3;  // property 7 values 0..2
inline constexpr int kSpotCount = kReflectanceLastNm - kReflectanceFirstNm + 1;  // 351

// Every result of one measurement, addressed by the property values that select it.
// A value the measurement cannot deliver is kNoValue.
struct InstrumentResults {
    std::vector<float> spectrum;  // 36 values (reflection) or 75 values (irradiance)
    std::array<std::array<float, 3>, kColourValueCount> colour{};
    std::array<std::array<float, 4>, kDensitySetCount> density{};
    std::array<std::vector<float>, kColourIndexCount> index;  // 1, 2 and 3 floats
    std::array<float, kSpotCount> spot{};                     // density at 380..730 nm
    int automaticNm = 0;
    float automaticDensity = kNoValue;

    // Per-call accessors; false for a selector value with no meaning.
    bool Colour(int colourValue, float out[3]) const;
    bool Density(int densitySet, float out[4]) const;
    int IndexCount(int colourIndex) const;  // 0 for an unknown index
    bool Index(int colourIndex, float *out) const;
    // Wavelength 0 asks for the automatic wavelength, which comes back in `nm`.
    bool SpotDensity(int &nm, float &density) const;
    // Copies `count` values when count equals the spectrum's size.
    bool Spectrum(float *out, int count) const;
    // `count` values: the spectrum, then kNoValue for places beyond it.
    std::vector<float> SpectrumPadded(int count) const;
};

InstrumentResults Measure(const Sample &sample, const MeasurementProperties &props);
InstrumentResults Measure(const LightSource &light);

// Building blocks of Measure, for callers that want one value at a time.
// The illuminant the results are computed for (an illuminant-matched condition overrides
// property 3); the light on the sample (for the brightener); the measured reflectance.
int EffectiveIlluminant(const MeasurementProperties &props);
double SourceUvContent(const MeasurementProperties &props);  // 1 = D50 with UV, 0 = UV excluded
Reflectance MeasuredReflectance(const Sample &sample, const MeasurementProperties &props);
std::optional<Weights> ResultWeights(const MeasurementProperties &props);

// Spectra on any even grid (first nm, step nm), e.g. from another sample catalogue, resampled
// linearly: reflectance holds its end values beyond the given range, irradiance is zero there.
Reflectance ResampleReflectance(int firstNm, int stepNm, const std::vector<float> &values);
Irradiance ResampleIrradiance(int firstNm, int stepNm, const std::vector<float> &values);

// The sample library.
const std::vector<Sample> &SampleLibrary();
std::optional<Sample> FindSample(const std::string &name);
std::vector<std::string> LightSourceNames();  // "A", "D65", "F2", "F11", "LED4000K"
std::optional<LightSource> MakeLightSource(const std::string &name, double lux);

// Reads a reflection sample from a text file (format in docs/colorimetry.md): one value per
// line (36 values, 380..730 nm / 10 nm) or "nm value" pairs resampled to that grid.
std::optional<Sample> ReadSampleFile(const std::filesystem::path &file, std::string *error);
std::optional<Sample> ParseSampleText(const std::string &text, const std::string &name,
                                      std::string *error);

}  // namespace ombra::colorimetry
