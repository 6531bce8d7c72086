// One certification colour set as the program edits it: a name, the measurement
// conditions its colours are judged under, 15 reference colours with tolerances, the
// paper colour, 8 tone entries and the mid-tone spread rule. A default-constructed
// ColorSet holds the values of an empty slot.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ombra::core {

inline constexpr int kColorSetSlots = 50;       // slots 0..49, shown as 1..50
inline constexpr int kColorSetColors = 15;
inline constexpr int kColorSetTones = 8;
inline constexpr int kToneSteps = 3;
inline constexpr int kColorTolerances = 4;
inline constexpr int kColorSetNameLimit = 12;   // bytes
inline constexpr int kColorNameLimit = 9;       // bytes
inline constexpr int kNoPaperColor = -1;
inline constexpr int kPolarizedCondition = 161;  // measurement condition with the polarisation filter

struct Tolerance {
    int inUse = 1;
    float value = 5.0f;

    bool operator==(const Tolerance &) const = default;
};

struct ColorEntry {
    std::string name;
    float L = 93.0f;
    float a = 0.0f;
    float b = -3.0f;
    int valid = 0;
    int toleranceCheck = 1;
    std::array<Tolerance, kColorTolerances> tolerances{};

    bool operator==(const ColorEntry &) const = default;
};

struct ToneStep {
    bool on = true;
    float tint = 0.0f;  // a tint percentage; whole numbers in files
    float aim = 20.0f;
    float tolerance = 5.0f;

    bool operator==(const ToneStep &) const = default;
};

struct ToneEntry {
    int enabled = 0;
    int color = 0;  // index into ColorSet::colors
    std::array<ToneStep, kToneSteps> steps{ToneStep{true, 75.0f}, ToneStep{true, 50.0f}, ToneStep{true, 25.0f}};
    // Filled in by the tone editor; kept only in memory (equal to `enabled` after reading).
    int defined = 0;

    bool operator==(const ToneEntry &) const = default;
};

struct MidToneSpread {
    int enabled = 0;
    int stepIndex = 1;                        // which tone step is compared (0..2)
    std::array<int, 3> toneIndexes{1, 2, 3};  // into ColorSet::tones (0..7)
    float tolerance = 5.0f;

    bool operator==(const MidToneSpread &) const = default;
};

struct ColorSet {
    std::string name;
    int illuminant = 2;
    int observer = 0;
    int measurementCondition = 2;  // instrument code: 0, 2, 160, 161 or 14
    int differenceFormula = 0;
    std::array<float, 3> factors{1.0f, 1.0f, 1.0f};
    int conditionMode = 0;
    int polarization = 0;  // 1 exactly when measurementCondition is 161
    int paperColor = kNoPaperColor;
    std::array<ColorEntry, kColorSetColors> colors{};
    bool registered = false;  // the slot holds this set in the instrument
    int toneSetting = 1;
    int toneMeasurementCondition = 0;  // instrument code: 0, 160 or 161
    float toneFactor = 1.0f;
    std::array<ToneEntry, kColorSetTones> tones{};
    MidToneSpread midToneSpread{};

    bool operator==(const ColorSet &) const = default;
};

// Set names and colour names: the space and the printable characters "!" to "}" except
// the grave accent, at most `maximumLength` bytes.
bool IsValidColorSetText(std::string_view text, int maximumLength);

// The measurement-condition codes are stored in files as list indexes.
int MeasurementConditionFromIndex(int index);      // 0..4 -> 0, 2, 160, 161, 14
int MeasurementConditionToIndex(int code);         // unknown codes -> 1
int ToneMeasurementConditionFromIndex(int index);  // 0..2 -> 0, 160, 161
int ToneMeasurementConditionToIndex(int code);     // unknown codes -> 0

// The polarisation flag that goes with a measurement-condition code: 1 for the polarised
// condition, 0 for every other.
int PolarizationForCondition(int conditionCode);
bool PolarizationMatchesCondition(const ColorSet &set);

// A tint cut to a whole number towards zero; NaN becomes 0 and values beyond the int
// range stop at its ends (a plain conversion would be undefined there).
int32_t WholeTint(float tint);

}  // namespace ombra::core
