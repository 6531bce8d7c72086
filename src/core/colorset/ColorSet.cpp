#include "core/colorset/ColorSet.h"

#include <cmath>
#include <limits>

namespace ombra::core {
namespace {

constexpr std::array<int, 5> kConditionCodes{0, 2, 160, 161, 14};
constexpr std::array<int, 3> kToneConditionCodes{0, 160, 161};

}  // namespace

bool IsValidColorSetText(std::string_view text, int maximumLength) {
    if (maximumLength < 0 || text.size() > static_cast<size_t>(maximumLength)) return false;
    for (unsigned char c : text)
        if (c < 0x20 || c > 0x7D || c == 0x60) return false;
    return true;
}

int MeasurementConditionFromIndex(int index) {
    return index >= 0 && index < static_cast<int>(kConditionCodes.size()) ? kConditionCodes[index]
                                                                           : kConditionCodes[1];
}

int MeasurementConditionToIndex(int code) {
    for (size_t i = 0; i < kConditionCodes.size(); ++i)
        if (kConditionCodes[i] == code) return static_cast<int>(i);
    return 1;
}

int ToneMeasurementConditionFromIndex(int index) {
    return index >= 0 && index < static_cast<int>(kToneConditionCodes.size()) ? kToneConditionCodes[index] : 0;
}

int ToneMeasurementConditionToIndex(int code) {
    for (size_t i = 0; i < kToneConditionCodes.size(); ++i)
        if (kToneConditionCodes[i] == code) return static_cast<int>(i);
    return 0;
}

int PolarizationForCondition(int conditionCode) { return conditionCode == kPolarizedCondition ? 1 : 0; }

bool PolarizationMatchesCondition(const ColorSet &set) {
    return set.polarization == PolarizationForCondition(set.measurementCondition);
}

int32_t WholeTint(float tint) {
    if (std::isnan(tint)) return 0;
    double whole = std::trunc(static_cast<double>(tint));
    if (whole <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (whole >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(whole);
}

}  // namespace ombra::core
