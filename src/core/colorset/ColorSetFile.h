// The colour-set file (*.fcs): 162 lines of 8-bit text in six sections, version 1000.
//
//   1 [VERSION]            2 1000
//   3 [COLOR_SET]          4 name   5 illuminant   6 observer   7 condition index 0..4
//   8 difference formula   9 "f1,f2,f3" (%0.2f)   10 condition mode   11 polarisation
//  12 [PAPER]             13 paper colour (-1: none)
//  14 [COLOR_DATA]        15..89 15 colours of 5 lines: valid; name ("NONAME" when not
//                         valid); "L,a,b" (%0.2f); tolerance check; "t1,t2,t3,t4" (%0.2f,
//                         0.00 = not in use)
//  90 [MID_TONE_SPREAD]   91 enabled  92 step index  93 "i1,i2,i3"  94 tolerance (%0.1f)
//  95 [TONE_DATA]         96 tone setting  97 tone condition index 0..2  98 tone factor
//                         (%0.2f)  99..162 8 tone entries of 8 lines: enabled; colour;
//                         then per step: on; "tint,aim,tolerance" (%d,%0.1f,%0.1f)
//
// Lines end with CR LF when written; LF alone is read as well. Numbers always use ".".
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/colorset/ColorSet.h"

namespace ombra::core {

inline constexpr int kColorSetFileVersion = 1000;
inline constexpr int kColorSetFileLines = 162;
inline constexpr std::array<std::string_view, 6> kColorSetFileKeywords{
    "[VERSION]", "[COLOR_SET]", "[PAPER]", "[COLOR_DATA]", "[MID_TONE_SPREAD]", "[TONE_DATA]"};
inline constexpr std::string_view kUndefinedColorName = "NONAME";
// A colour-set file is a few kilobytes; larger files are read only this far.
inline constexpr size_t kColorSetFileReadLimit = 1 << 20;

// What the colour-set file dialogs use.
inline constexpr const char *kColorSetFileExtension = "fcs";

// The contents of a colour-set file, field by field, as the file holds them (condition
// indexes, whole tints, 0 for a tolerance not in use).
struct ColorSetFileImage {
    struct Color {
        int valid = 0;
        std::string name;  // "NONAME" already read as ""
        double L = 0, a = 0, b = 0;
        int toleranceCheck = 0;
        std::array<double, 4> tolerances{};
    };
    struct Step {
        int on = 0;
        int tint = 0;
        double aim = 0, tolerance = 0;
    };
    struct Tone {
        int enabled = 0;
        int color = 0;
        std::array<Step, kToneSteps> steps{};
    };

    std::array<std::string, 6> keywords;
    int version = 0;
    std::string name;
    int illuminant = 0, observer = 0, conditionIndex = 0, differenceFormula = 0;
    std::array<double, 3> factors{};
    int conditionMode = 0, polarization = 0, paperColor = 0;
    std::array<Color, kColorSetColors> colors{};
    int midEnabled = 0, midStepIndex = 0;
    std::array<int, 3> midToneIndexes{};
    double midTolerance = 0;
    int toneSetting = 0, toneConditionIndex = 0;
    double toneFactor = 0;
    std::array<Tone, kColorSetTones> tones{};
};

// The decimal number at the start of `field`: leading blanks, an optional sign, digits with an
// optional "." fraction and exponent, always read with "." whatever the locale. What follows
// it is ignored; a field that does not start with a number reads as 0. Only plain decimal
// notation counts ("inf", "nan" and hexadecimal forms read as 0).
double ReadLeadingDecimal(std::string_view field);

// Reads the first 162 lines of `bytes`. Nothing when a line is missing, a number line or
// one field of a comma line is empty, or a text line is longer than its limit. Numbers
// are read from the longest leading part that forms one (0 when there is none).
std::optional<ColorSetFileImage> ParseColorSetFile(std::string_view bytes);

// True when every value lies in its range: version, keywords, names, codes, colours,
// tones, mid-tone spread, the polarisation that matches the condition and a paper
// colour that is none or a defined colour.
bool IsAcceptableColorSetFile(const ColorSetFileImage &image);

// The set that `image` describes, on top of `set` (whose `registered` stays). Tone
// entries that name an undefined colour are switched off.
void ApplyColorSetFile(const ColorSetFileImage &image, ColorSet &set);

// The file text for `set`. A paper colour that names an undefined colour is written as
// none, so that the file can be read back.
std::string FormatColorSetFile(const ColorSet &set);

// The checked file text for `set`: nothing when reading it back would refuse it (a value
// out of its range, an invalid name, a number that is not finite).
std::optional<std::string> ColorSetFileText(const ColorSet &set);

// Reads a whole file text into `set`; false (and `set` unchanged) when it is not a valid
// colour-set file.
bool ReadColorSetFileText(std::string_view bytes, ColorSet &set);

}  // namespace ombra::core
