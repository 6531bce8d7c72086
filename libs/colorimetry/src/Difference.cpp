#include "colorimetry/Difference.h"

#include <cmath>

namespace ombra::colorimetry {

namespace {

constexpr double kPi = 3.14159265358979323846;
double Radians(double degrees) { return degrees * kPi / 180.0; }
double Degrees(double radians) { return radians * 180.0 / kPi; }
double Square(double x) { return x * x; }

// Hue angle of (a, b) in degrees, 0..360; 0 for a point without chroma.
double HueAngle(double a, double b) {
    if (a == 0 && b == 0) return 0;
    const double h = Degrees(std::atan2(b, a));
    return h < 0 ? h + 360.0 : h;
}

// h2 − h1 brought into −180..180; 0 when either colour has no chroma.
double HueStep(double h1, double h2, double c1, double c2) {
    if (c1 == 0 || c2 == 0) return 0;
    double dh = h2 - h1;
    if (dh > 180.0) dh -= 360.0;
    else if (dh < -180.0) dh += 360.0;
    return dh;
}

// The metric hue difference of two chromas and a hue step.
double HueDifference(double c1, double c2, double dh) { return 2.0 * std::sqrt(c1 * c2) * std::sin(Radians(dh / 2.0)); }

}  // namespace

LabDifference DifferenceOf(const Triple &reference, const Triple &sample) {
    LabDifference d;
    d.dL = sample[0] - reference[0];
    d.da = sample[1] - reference[1];
    d.db = sample[2] - reference[2];
    const double c1 = std::hypot(reference[1], reference[2]);
    const double c2 = std::hypot(sample[1], sample[2]);
    d.dC = c2 - c1;
    const double dh = HueStep(HueAngle(reference[1], reference[2]), HueAngle(sample[1], sample[2]), c1, c2);
    d.dH = HueDifference(c1, c2, dh);
    return d;
}

double DeltaE76(const Triple &reference, const Triple &sample) {
    return std::sqrt(Square(sample[0] - reference[0]) + Square(sample[1] - reference[1]) +
                     Square(sample[2] - reference[2]));
}

double DeltaE94(const Triple &reference, const Triple &sample, const Cie94Weights &w) {
    const LabDifference d = DifferenceOf(reference, sample);
    const double c1 = std::hypot(reference[1], reference[2]);
    const double sC = 1.0 + w.K1 * c1;
    const double sH = 1.0 + w.K2 * c1;
    return std::sqrt(Square(d.dL / w.kL) + Square(d.dC / (w.kC * sC)) + Square(d.dH / (w.kH * sH)));
}

double DeltaE00(const Triple &reference, const Triple &sample, const Ciede2000Weights &w) {
    const double L1 = reference[0], a1 = reference[1], b1 = reference[2];
    const double L2 = sample[0], a2 = sample[1], b2 = sample[2];
    // a* is stretched near the neutral axis, where CIELAB's hue spacing is too small.
    const double cMean7 = std::pow((std::hypot(a1, b1) + std::hypot(a2, b2)) / 2.0, 7.0);
    const double g = 0.5 * (1.0 - std::sqrt(cMean7 / (cMean7 + std::pow(25.0, 7.0))));
    const double a1p = (1.0 + g) * a1, a2p = (1.0 + g) * a2;
    const double c1 = std::hypot(a1p, b1), c2 = std::hypot(a2p, b2);
    const double h1 = HueAngle(a1p, b1), h2 = HueAngle(a2p, b2);

    const double dL = L2 - L1;
    const double dC = c2 - c1;
    const double dH = HueDifference(c1, c2, HueStep(h1, h2, c1, c2));

    const double lMean = (L1 + L2) / 2.0;
    const double cMean = (c1 + c2) / 2.0;
    // The mean hue goes the short way round; it is the plain sum without chroma.
    double hMean = h1 + h2;
    if (c1 != 0 && c2 != 0) {
        if (std::fabs(h1 - h2) > 180.0) hMean += hMean < 360.0 ? 360.0 : -360.0;
        hMean /= 2.0;
    }
    const double t = 1.0 - 0.17 * std::cos(Radians(hMean - 30.0)) + 0.24 * std::cos(Radians(2.0 * hMean)) +
                     0.32 * std::cos(Radians(3.0 * hMean + 6.0)) - 0.20 * std::cos(Radians(4.0 * hMean - 63.0));
    const double sL = 1.0 + 0.015 * Square(lMean - 50.0) / std::sqrt(20.0 + Square(lMean - 50.0));
    const double sC = 1.0 + 0.045 * cMean;
    const double sH = 1.0 + 0.015 * cMean * t;
    // Chroma and hue differences interact in the blue region.
    const double cMeanP7 = std::pow(cMean, 7.0);
    const double rotation = 60.0 * std::exp(-Square((hMean - 275.0) / 25.0));
    const double rT = -2.0 * std::sqrt(cMeanP7 / (cMeanP7 + std::pow(25.0, 7.0))) * std::sin(Radians(rotation));

    const double l = dL / (w.kL * sL), c = dC / (w.kC * sC), h = dH / (w.kH * sH);
    return std::sqrt(l * l + c * c + h * h + rT * c * h);
}

double DeltaECmc(const Triple &reference, const Triple &sample, const CmcRatio &ratio) {
    const LabDifference d = DifferenceOf(reference, sample);
    const double L1 = reference[0];
    const double c1 = std::hypot(reference[1], reference[2]);
    const double h1 = HueAngle(reference[1], reference[2]);
    const double sL = L1 < 16.0 ? 0.511 : 0.040975 * L1 / (1.0 + 0.01765 * L1);
    const double sC = 0.0638 * c1 / (1.0 + 0.0131 * c1) + 0.638;
    const double c14 = Square(Square(c1));
    const double f = std::sqrt(c14 / (c14 + 1900.0));
    const double t = h1 >= 164.0 && h1 <= 345.0 ? 0.56 + std::fabs(0.2 * std::cos(Radians(h1 + 168.0)))
                                                : 0.36 + std::fabs(0.4 * std::cos(Radians(h1 + 35.0)));
    const double sH = sC * (f * t + 1.0 - f);
    return std::sqrt(Square(d.dL / (ratio.l * sL)) + Square(d.dC / (ratio.c * sC)) + Square(d.dH / sH));
}

}  // namespace ombra::colorimetry
