// The samples a virtual instrument can be pointed at: reflecting surfaces for reflection
// measurements and light sources for irradiance measurements. They come from the colorimetry
// library's sample library, so that every result is the one that library computes.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "colorimetry/Instrument.h"

namespace fxsim {

enum class SampleKind { Reflectance, Irradiance };

struct Sample {
    std::string name;  // as the user named it (an alias stays an alias)
    SampleKind kind = SampleKind::Reflectance;
    ombra::colorimetry::Sample reflecting;  // kind Reflectance: body, surface and brightener terms
    ombra::colorimetry::LightSource light;  // kind Irradiance: W m^-2 nm^-1, 360..730 nm / 5 nm
};

// Illuminance of a light source named without "@LUX".
inline constexpr double kDefaultLux = 1000.0;

// Finds a sample by name:
// - a reflecting sample of the library (paper_white, grey_18, cc_dark_skin, ...);
// - a light source "NAME" or "NAME@LUX" (A, D65, F2, F11, LED4000K; lux > 0, default 1000);
// - one of the short names kept from earlier versions (paper, white, grey, cyan, magenta,
//   yellow, black, daylight, tungsten, led-4000).
std::optional<Sample> FindSample(const std::string &name);
// A light source of the library at `lux` (> 0).
std::optional<Sample> FindLight(const std::string &name, double lux);
// Every name FindSample knows without a lux suffix: the short names first, then the library.
std::vector<std::string> SampleNames();

// Reads a sample from a file. Two formats:
// - JSON: {"name": "...", "kind": "reflectance"|"irradiance", "first": 380, "step": 10,
//   "values": [...]}; "name" defaults to the file name. The values are resampled to the
//   instrument's grid (reflectance holds its end values, irradiance is zero beyond them).
// - the colorimetry library's text format for a reflection sample (one value per line, or
//   "nm value" lines; see docs/colorimetry.md).
// Returns nothing and sets `error` when the file is unusable.
std::optional<Sample> LoadSampleFile(const std::string &path, std::string &error);

}  // namespace fxsim
