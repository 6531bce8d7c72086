// Colour differences between two CIE L*a*b* values: a reference (the standard) and a sample.
// Every difference is the sample's value minus the reference's. ΔE*ab and ΔE00 are symmetric;
// ΔE94 and ΔE CMC weight the difference by the reference's chroma and hue, so they change when
// the two are swapped. The formulas are in docs/colorimetry.md.
#pragma once

#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {

// The components of sample − reference. ΔC* is the sample's chroma minus the reference's; ΔH*
// is positive when the sample's hue angle lies anticlockwise of the reference's (less than half
// a turn), negative when clockwise, 0 when either has no chroma. ΔE*ab² = ΔL*² + ΔC*² + ΔH*².
struct LabDifference {
    double dL = 0, da = 0, db = 0, dC = 0, dH = 0;
};
LabDifference DifferenceOf(const Triple &reference, const Triple &sample);

// CIE 1976 ΔE*ab: the distance in L*a*b*.
double DeltaE76(const Triple &reference, const Triple &sample);

// CIE 1994: parametric factors kL, kC, kH and the weighting constants K1, K2.
struct Cie94Weights {
    double kL = 1, kC = 1, kH = 1, K1 = 0.045, K2 = 0.015;
};
inline constexpr Cie94Weights kCie94GraphicArts{};
inline constexpr Cie94Weights kCie94Textiles{2, 1, 1, 0.048, 0.014};
double DeltaE94(const Triple &reference, const Triple &sample, const Cie94Weights &weights = kCie94GraphicArts);

// CIEDE2000 with its parametric factors (all 1 for the reference conditions).
struct Ciede2000Weights {
    double kL = 1, kC = 1, kH = 1;
};
double DeltaE00(const Triple &reference, const Triple &sample, const Ciede2000Weights &weights = {});

// CMC l:c: 2:1 judges acceptability, 1:1 perceptibility.
struct CmcRatio {
    double l = 2, c = 1;
};
inline constexpr CmcRatio kCmcAcceptability{2, 1};
inline constexpr CmcRatio kCmcPerceptibility{1, 1};
double DeltaECmc(const Triple &reference, const Triple &sample, const CmcRatio &ratio = kCmcAcceptability);

}  // namespace ombra::colorimetry
