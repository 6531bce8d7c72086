// Colours for the screen: CIELAB (D50) and light-source chromaticities turned into sRGB.
// Plain C++, no Qt.
#pragma once

#include <array>

#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {

// An sRGB colour, encoded (gamma applied), each channel 0..1, and whether the colour asked for
// lay outside the sRGB gamut (then the channels hold the nearest colour that does not).
struct SrgbColour {
    std::array<double, 3> rgb{};
    bool outOfGamut = false;

    // The channels as 8-bit values 0..255.
    std::array<int, 3> Bytes() const;
};

// CIE XYZ of the D50 and D65 white points with Y = 1.
inline constexpr XYZ kWhiteD50{0.96422, 1.0, 0.82521};
inline constexpr XYZ kWhiteD65{0.95047, 1.0, 1.08883};

// XYZ (D50, Y = 1 for the perfect diffuser) to XYZ (D65) by the Bradford transform.
XYZ BradfordD50ToD65(const XYZ &d50);
// Linear sRGB of XYZ (D65, Y = 1 for white); channels outside 0..1 are out of gamut.
std::array<double, 3> LinearSrgb(const XYZ &d65);
// The sRGB transfer function of one linear channel (odd-symmetric below 0).
double SrgbEncode(double linear);

// L*a*b* (D50) to sRGB through a Bradford adaptation to D65. A colour outside the gamut keeps
// its lightness and hue and loses chroma until it fits (lightness clipped to 0..100 first).
SrgbColour LabD50ToSrgb(const Triple &lab);

// The colour of a light of chromaticity (x, y) as sRGB at full brightness (the largest channel
// 1): a chromaticity outside the gamut is moved towards the D65 white until it fits. nullopt
// for a y that is not positive.
std::optional<SrgbColour> ChromaticityToSrgb(double x, double y);

}  // namespace ombra::colorimetry
