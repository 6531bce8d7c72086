// The samples a virtual instrument can be pointed at: reflecting surfaces for reflection
// measurements and light sources for irradiance measurements.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace fxsim {

// Values on an even wavelength grid; At() interpolates linearly and holds the end values.
struct Spectrum {
    int firstNm = 380;
    int stepNm = 10;
    std::vector<float> values;

    double At(double nm) const;
    int LastNm() const { return firstNm + stepNm * (static_cast<int>(values.size()) - 1); }
};

enum class SampleKind { Reflectance, Irradiance };

struct Sample {
    std::string name;
    SampleKind kind = SampleKind::Reflectance;
    Spectrum spectrum;  // reflectance factor 0..1, or spectral irradiance in W/(m²·nm)
};

// The built-in catalogue, in a fixed order.
const std::vector<Sample> &BuiltinSamples();
const Sample *FindSample(const std::string &name);

// Reads a sample from a JSON file:
//   {"name": "...", "kind": "reflectance"|"irradiance", "first": 380, "step": 10, "values": [...]}
// "name" defaults to the file name. Returns nothing and sets `error` when the file is unusable.
std::optional<Sample> LoadSampleFile(const std::string &path, std::string &error);

}  // namespace fxsim
