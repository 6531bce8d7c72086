// The three values shown for a user illuminant (illuminance, correlated colour temperature,
// distance from the Planckian locus), computed by the colour library libcalcolor.so, which is
// loaded from the program's own folder the first time it is needed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "core/illuminant/UserIlluminantFile.h"

namespace ombra::core {

// The part of the record the colour library takes: places 12 to 86, 360 nm to 730 nm.
constexpr int kColorSpectrumFirstPlace = 12;
constexpr int kColorSpectrumCount = 75;
// The request: light-source values (the same code as colour value 6 of the instrument).
constexpr int32_t kColorRequestCode = 6;
constexpr int32_t kColorRequestReserved = 0;
constexpr int32_t kColorRequestKind = 241;

// Our own answer when the colour library cannot be loaded (shown like any unknown result).
constexpr int kColorLibraryMissing = -1;

using IlluminantResults = std::array<float, 3>;  // illuminance, temperature, duv

// The library's entry point: spectrum, count, 24-byte request.
using SpectrumToColorFunction = std::function<int(const float *spectrum, int count, void *request)>;

// Absolute path of libcalcolor.so beside the running executable.
std::string ColorLibraryPath();

// Tests put their own function in place of the library; an empty function restores the
// library. Returns the function it replaces.
SpectrumToColorFunction SetSpectrumToColorForTest(SpectrumToColorFunction function);

// Computes the three values of `record` with the colour library. Returns the library's
// result; only 0 fills `results`.
int ComputeIlluminantResults(const UserIlluminantRecord &record, IlluminantResults &results);

// The message string for a non-zero result of the colour library.
int ColorResultMessageId(int result);

}  // namespace ombra::core
