// CIELAB (D50) and chromaticities into sRGB. The matrices are the Bradford cone response and
// the sRGB primaries (IEC 61966-2-1) at the precision the ICC's D50 profiles use.
#include "colorimetry/Srgb.h"

#include <algorithm>
#include <cmath>

namespace ombra::colorimetry {
namespace {

using Matrix = std::array<Triple, 3>;

// Bradford adaptation D50 -> D65 (the cone-response matrix, its inverse and the white ratios
// folded into one).
constexpr Matrix kD50ToD65{{{0.9555766, -0.0230393, 0.0631636},
                            {-0.0282895, 1.0099416, 0.0210077},
                            {0.0122982, -0.0204830, 1.3299098}}};
constexpr Matrix kXyzToLinearSrgb{{{3.2404542, -1.5371385, -0.4985314},
                                   {-0.9692660, 1.8760108, 0.0415560},
                                   {0.0556434, -0.2040259, 1.0572252}}};

// Half a step of the 8-bit code: a channel rounding into the range is inside the gamut.
constexpr double kGamutTolerance = 0.5 / 255.0;

Triple Apply(const Matrix &m, const Triple &v) {
    Triple out{};
    for (int i = 0; i < 3; ++i) out[i] = m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2];
    return out;
}

double LabFInverse(double f) {
    constexpr double kEpsilon = 216.0 / 24389.0, kKappa = 24389.0 / 27.0;
    double cube = f * f * f;
    return cube > kEpsilon ? cube : (116.0 * f - 16.0) / kKappa;
}

XYZ LabToXyzD50(const Triple &lab) {
    double fy = (lab[0] + 16.0) / 116.0;
    double fx = fy + lab[1] / 500.0, fz = fy - lab[2] / 200.0;
    return {kWhiteD50.X * LabFInverse(fx), kWhiteD50.Y * LabFInverse(fy), kWhiteD50.Z * LabFInverse(fz)};
}

std::array<double, 3> Encoded(const Triple &lab) {
    auto linear = LinearSrgb(BradfordD50ToD65(LabToXyzD50(lab)));
    for (double &c : linear) c = SrgbEncode(c);
    return linear;
}

bool InGamut(const std::array<double, 3> &encoded) {
    return std::all_of(encoded.begin(), encoded.end(),
                       [](double c) { return c >= -kGamutTolerance && c <= 1.0 + kGamutTolerance; });
}

std::array<double, 3> Clamped(std::array<double, 3> rgb) {
    for (double &c : rgb) c = std::clamp(c, 0.0, 1.0);
    return rgb;
}

}  // namespace

std::array<int, 3> SrgbColour::Bytes() const {
    std::array<int, 3> out{};
    for (int i = 0; i < 3; ++i) out[i] = static_cast<int>(std::lround(std::clamp(rgb[i], 0.0, 1.0) * 255.0));
    return out;
}

XYZ BradfordD50ToD65(const XYZ &d50) {
    Triple v = Apply(kD50ToD65, {d50.X, d50.Y, d50.Z});
    return {v[0], v[1], v[2]};
}

std::array<double, 3> LinearSrgb(const XYZ &d65) { return Apply(kXyzToLinearSrgb, {d65.X, d65.Y, d65.Z}); }

double SrgbEncode(double linear) {
    double magnitude = std::fabs(linear);
    double encoded = magnitude <= 0.0031308 ? 12.92 * magnitude : 1.055 * std::pow(magnitude, 1.0 / 2.4) - 0.055;
    return std::copysign(encoded, linear);
}

SrgbColour LabD50ToSrgb(const Triple &lab) {
    SrgbColour out;
    auto encoded = Encoded(lab);
    if (InGamut(encoded)) {
        out.rgb = Clamped(encoded);
        return out;
    }
    out.outOfGamut = true;
    // Keep hue and lightness, find the largest chroma that fits by bisection.
    const Triple lch = LabToLCh(lab);
    const double lightness = std::clamp(lch[0], 0.0, 100.0);
    const double hue = lch[2] * std::acos(-1.0) / 180.0;
    double inside = 0.0, outside = lch[1];
    for (int step = 0; step < 30; ++step) {
        double chroma = (inside + outside) / 2.0;
        if (InGamut(Encoded({lightness, chroma * std::cos(hue), chroma * std::sin(hue)})))
            inside = chroma;
        else
            outside = chroma;
    }
    out.rgb = Clamped(Encoded({lightness, inside * std::cos(hue), inside * std::sin(hue)}));
    return out;
}

std::optional<SrgbColour> ChromaticityToSrgb(double x, double y) {
    if (!(y > 0) || !std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
    auto linear = LinearSrgb({x / y, 1.0, (1.0 - x - y) / y});
    SrgbColour out;
    // Adding white (equal linear parts) moves the colour straight towards D65.
    const double lowest = *std::min_element(linear.begin(), linear.end());
    if (lowest < 0) {
        out.outOfGamut = true;
        for (double &c : linear) c -= lowest;
    }
    const double highest = *std::max_element(linear.begin(), linear.end());
    if (!(highest > 0)) return std::nullopt;
    for (int i = 0; i < 3; ++i) out.rgb[i] = SrgbEncode(linear[i] / highest);
    return out;
}

}  // namespace ombra::colorimetry
