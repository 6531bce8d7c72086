// Colour spaces and colour indexes computed from tristimulus values.
#include <cmath>
#include <numbers>

#include "Tables.h"
#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {
namespace {

double LabF(double t) {
    constexpr double kEpsilon = 216.0 / 24389.0, kKappa = 24389.0 / 27.0;
    return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0;
}

float AsFloat(double v) {
    return std::isfinite(v) ? static_cast<float>(v) : kNoValue;
}

// Names used by the published Hunter constants for our illuminant values.
std::string HunterName(int illuminant) {
    return illuminant == 7 ? "FL2" : IlluminantName(illuminant);
}

}  // namespace

Triple ToLab(const XYZ &c, const XYZ &white) {
    double fx = LabF(c.X / white.X), fy = LabF(c.Y / white.Y), fz = LabF(c.Z / white.Z);
    return {116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz)};
}

Triple LabToLCh(const Triple &lab) {
    double h = std::atan2(lab[2], lab[1]) * 180.0 / std::numbers::pi;
    if (h < 0)
        h += 360.0;
    return {lab[0], std::hypot(lab[1], lab[2]), h};
}

std::array<double, 2> HunterCoefficients(const XYZ &white, int illuminant, int observer) {
    int deg = observer == 1 ? 10 : 2;
    if (illuminant != kIlluminantUser)
        for (const auto &row : tables::HunterRows())
            if (row.observer == deg && row.illuminant == HunterName(illuminant))
                return {row.ka, row.kb};
    return {175.0 / 198.04 * (white.X + white.Y), 70.0 / 218.11 * (white.Y + white.Z)};
}

Triple ToHunterLab(const XYZ &c, const XYZ &white, double ka, double kb) {
    double yr = c.Y / white.Y;
    if (!(yr > 0))
        return {0.0, 0.0, 0.0};
    double root = std::sqrt(yr);
    return {100.0 * root, ka * (c.X / white.X - yr) / root, kb * (yr - c.Z / white.Z) / root};
}

Triple ToHunterLab(const XYZ &c, const XYZ &white, int illuminant, int observer) {
    auto k = HunterCoefficients(white, illuminant, observer);
    return ToHunterLab(c, white, k[0], k[1]);
}

Triple ToYxy(const XYZ &c) {
    double sum = c.X + c.Y + c.Z;
    if (!(sum > 0))
        return {c.Y, 0.0, 0.0};
    return {c.Y, c.X / sum, c.Y / sum};
}

double DeltaEab(const Triple &a, const Triple &b) {
    return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) +
                     (a[2] - b[2]) * (a[2] - b[2]));
}

std::vector<float> ColourIndex(const Reflectance &r, int index, const Weights &chosen,
                               int illuminant, int observer) {
    switch (index) {
    case 0: {  // ASTM E313 yellowness: defined for C and D65 only
        if (illuminant != kIlluminantC && illuminant != kIlluminantD65)
            return {kNoValue};
        static const double kCoef[2][2][2] = {{{1.2769, 1.0592}, {1.2871, 1.0781}},
                                              {{1.2985, 1.1335}, {1.3013, 1.1498}}};
        const double *k = kCoef[illuminant == kIlluminantD65][observer == 1];
        XYZ c = ToXYZ(r, chosen);
        if (!(c.Y > 0))
            return {kNoValue};
        return {AsFloat(100.0 * (k[0] * c.X - k[1] * c.Z) / c.Y)};
    }
    case 1: {  // CIE whiteness and tint, always for D65
        auto d65 = TabulatedWeights(kIlluminantD65, observer);
        if (!d65)
            return {kNoValue, kNoValue};
        auto s = ToYxy(ToXYZ(r, *d65));
        auto n = ToYxy(WhitePoint(*d65));
        double dx = n[1] - s[1], dy = n[2] - s[2];
        double w = s[0] + 800.0 * dx + 1700.0 * dy;
        double t = (observer == 1 ? 900.0 : 1000.0) * dx - 650.0 * dy;
        return {AsFloat(w), AsFloat(t)};
    }
    case 2: {  // ASTM D1925 (C/2 deg by definition), Hunter and Stensby whiteness (chosen)
        auto c2 = TabulatedWeights(kIlluminantC, kObserver2);
        XYZ c = ToXYZ(r, *c2);
        float yi = c.Y > 0 ? AsFloat(100.0 * (1.28 * c.X - 1.06 * c.Z) / c.Y) : kNoValue;
        auto hunter = ToHunterLab(ToXYZ(r, chosen), WhitePoint(chosen), illuminant, observer);
        return {yi, AsFloat(hunter[0] - 3.0 * hunter[2]),
                AsFloat(hunter[0] + 3.0 * hunter[1] - 3.0 * hunter[2])};
    }
    default:
        return {};
    }
}

}  // namespace ombra::colorimetry
