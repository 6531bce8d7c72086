// A compact, deterministic engine: analytic colour-matching functions, black-body and
// daylight-like light sources, band densities. Right in shape and plausible in value.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "ResultEngine.h"

namespace fxsim {
namespace {

struct XYZ {
    double x = 0, y = 0, z = 0;
};

double Lobe(double nm, double mu, double s1, double s2) {
    double t = (nm - mu) / (nm < mu ? s1 : s2);
    return std::exp(-0.5 * t * t);
}

// Analytic approximation of the colour-matching functions; the 10° observer is
// approximated by slightly widened lobes.
XYZ Cmf(double nm, int observer) {
    double w = observer == 1 ? 1.04 : 1.0;
    return {1.056 * Lobe(nm, 599.8, 37.9 * w, 31.0 * w) + 0.362 * Lobe(nm, 442.0, 16.0 * w, 26.7 * w) -
                0.065 * Lobe(nm, 501.1, 20.4 * w, 26.2 * w),
            0.821 * Lobe(nm, 568.8, 46.9 * w, 40.5 * w) + 0.286 * Lobe(nm, 530.9, 16.3 * w, 31.1 * w),
            1.217 * Lobe(nm, 437.0, 11.8 * w, 36.0 * w) + 0.681 * Lobe(nm, 459.0, 26.0 * w, 13.8 * w)};
}

double Planck(double nm, double kelvin) {
    double m = nm * 1e-9;
    return 1.0 / (std::pow(m, 5) * (std::exp(1.4388e-2 / (m * kelvin)) - 1.0));
}

double Bell(double nm, double centre, double width) {
    double d = (nm - centre) / width;
    return std::exp(-0.5 * d * d);
}

// Relative power of the illuminant of property 3 (value 14: the user illuminant).
double IlluminantPower(const MeasurementInput &input, double nm) {
    static const double kTemperature[] = {2856, 6774, 5003, 5503, 6504, 7504};
    int which = input.illuminant;
    if (which >= 0 && which <= 5) return Planck(nm, kTemperature[which]) / Planck(560, kTemperature[which]);
    if (which >= 6 && which <= 13) {  // fluorescent lamps: a continuum with mercury lines
        double cct = 3000 + 500 * (which - 6);
        return 0.6 * Planck(nm, cct) / Planck(560, cct) + 0.8 * Bell(nm, 546, 4) + 0.5 * Bell(nm, 436, 4) +
               0.6 * Bell(nm, 611, 6);
    }
    if (which == 14) {
        double place = std::clamp((nm - 300) / 5, 0.0, 96.0);
        float value = input.userIlluminant[static_cast<size_t>(place)];
        return value == kNoValue ? 0.0 : value;
    }
    return 1.0;
}

XYZ Integrate(const MeasurementInput &input, bool withSample) {
    XYZ sum;
    for (int nm = 380; nm <= 730; nm += 5) {
        XYZ cmf = Cmf(nm, input.observer);
        double power = input.Irradiance() ? input.sample.At(nm) : IlluminantPower(input, nm);
        double factor = withSample && !input.Irradiance() ? input.sample.At(nm) : 1.0;
        sum.x += cmf.x * power * factor;
        sum.y += cmf.y * power * factor;
        sum.z += cmf.z * power * factor;
    }
    return sum;
}

// Sample tristimulus values scaled so that the perfect diffuser has Y = 100.
XYZ SampleXYZ(const MeasurementInput &input) {
    XYZ white = Integrate(input, false), sample = Integrate(input, true);
    double k = white.y > 0 ? 100.0 / white.y : 0.0;
    return {sample.x * k, sample.y * k, sample.z * k};
}

XYZ WhiteXYZ(const MeasurementInput &input) {
    XYZ white = Integrate(input, false);
    double k = white.y > 0 ? 100.0 / white.y : 0.0;
    return {white.x * k, 100.0, white.z * k};
}

double LabF(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }

std::array<double, 3> Lab(const XYZ &c, const XYZ &n) {
    double fx = LabF(c.x / n.x), fy = LabF(c.y / n.y), fz = LabF(c.z / n.z);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

std::array<double, 3> HunterLab(const XYZ &c, const XYZ &n) {
    double ka = 175.0 / 198.04 * (n.x + n.y), kb = 70.0 / 218.11 * (n.y + n.z);
    double l = 100 * std::sqrt(std::max(0.0, c.y / n.y));
    if (c.y <= 0) return {0, 0, 0};
    return {l, ka * (c.x / n.x - c.y / n.y) / std::sqrt(c.y / n.y), kb * (c.y / n.y - c.z / n.z) / std::sqrt(c.y / n.y)};
}

std::array<double, 2> Chromaticity(const XYZ &c) {
    double sum = c.x + c.y + c.z;
    return sum > 0 ? std::array<double, 2>{c.x / sum, c.y / sum} : std::array<double, 2>{0, 0};
}

std::array<float, 3> ToFloats(const std::array<double, 3> &v) {
    return {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])};
}

// Irradiance: illuminance, correlated colour temperature (McCamy) and Δuv.
std::array<float, 3> LightValues(const MeasurementInput &input) {
    XYZ e = Integrate(input, false);
    double lux = 683.0 * e.y * 5.0;
    auto xy = Chromaticity(e);
    double n = (xy[0] - 0.3320) / (0.1858 - xy[1]);
    double cct = 449 * n * n * n + 3525 * n * n + 6823.3 * n + 5520.33;
    auto uv = [](double x, double y) {
        double d = -2 * x + 12 * y + 3;
        return std::array<double, 2>{4 * x / d, 6 * y / d};
    };
    MeasurementInput planck = input;
    planck.sample.values.clear();
    planck.sample.firstNm = 380;
    planck.sample.stepNm = 5;
    for (int nm = 380; nm <= 730; nm += 5) planck.sample.values.push_back(static_cast<float>(Planck(nm, cct) * 1e-14));
    auto pxy = Chromaticity(Integrate(planck, false));
    auto a = uv(xy[0], xy[1]), b = uv(pxy[0], pxy[1]);
    double duv = std::hypot(a[0] - b[0], a[1] - b[1]) * (a[1] >= b[1] ? 1 : -1);
    return {static_cast<float>(lux), static_cast<float>(cct), static_cast<float>(duv)};
}

// Weighted mean reflectance of a band turned into density.
double BandDensity(const MeasurementInput &input, double centre, double width) {
    double sum = 0, weight = 0;
    for (int nm = 380; nm <= 730; nm += 5) {
        double w = Bell(nm, centre, width);
        sum += w * input.sample.At(nm);
        weight += w;
    }
    double reflectance = std::max(sum / weight, 1e-6);
    double density = -std::log10(reflectance);
    return input.polarized ? density * 1.05 : density;
}

class SimpleResultEngine final : public ResultEngine {
public:
    std::vector<float> Spectrum(const MeasurementInput &input, int count) const override {
        int first = input.Irradiance() ? 360 : 380, step = input.Irradiance() ? 5 : 10;
        int points = input.Irradiance() ? 75 : 36;
        std::vector<float> values(static_cast<size_t>(std::max(count, 0)), kNoValue);
        for (int i = 0; i < count && i < points; ++i)
            values[static_cast<size_t>(i)] = static_cast<float>(input.sample.At(first + step * i));
        return values;
    }

    std::array<float, 3> Color(const MeasurementInput &input, int which) const override {
        if (input.Irradiance()) {
            if (which == 6) return LightValues(input);
            if (which == 3) {
                XYZ e = Integrate(input, false);
                auto xy = Chromaticity(e);
                return ToFloats({683.0 * e.y * 5.0, xy[0], xy[1]});
            }
            return {kNoValue, kNoValue, kNoValue};
        }
        XYZ c = SampleXYZ(input), n = WhiteXYZ(input);
        switch (which) {
        case 0: return ToFloats(Lab(c, n));
        case 1: {
            auto lab = Lab(c, n);
            double hue = std::atan2(lab[2], lab[1]) * 180 / std::numbers::pi;
            return ToFloats({lab[0], std::hypot(lab[1], lab[2]), hue < 0 ? hue + 360 : hue});
        }
        case 2: return ToFloats(HunterLab(c, n));
        case 3: {
            auto xy = Chromaticity(c);
            return ToFloats({c.y, xy[0], xy[1]});
        }
        case 4: return ToFloats({c.x, c.y, c.z});
        default: return {kNoValue, kNoValue, kNoValue};
        }
    }

    std::array<float, 4> Density(const MeasurementInput &input, int set) const override {
        if (input.Irradiance() || set < 0 || set > 4) return {kNoValue, kNoValue, kNoValue, kNoValue};
        static const double kWidth[] = {18, 14, 12, 24, 3};
        static const double kCentre[5][3] = {
            {615, 535, 440}, {620, 535, 445}, {610, 540, 440}, {625, 530, 440}, {620, 530, 440}};
        std::array<float, 4> d{};
        for (int i = 0; i < 3; ++i)
            d[static_cast<size_t>(i)] = static_cast<float>(BandDensity(input, kCentre[set][i], kWidth[set]));
        d[3] = static_cast<float>(BandDensity(input, 555, 45));
        return d;
    }

    std::vector<float> ColorIndex(const MeasurementInput &input, int which) const override {
        std::vector<float> none(static_cast<size_t>(ColorIndexCount(which)), kNoValue);
        if (input.Irradiance()) return none;
        MeasurementInput d65 = input;
        d65.illuminant = 4;
        XYZ c = SampleXYZ(d65), n = WhiteXYZ(d65);
        if (c.y <= 0) return none;
        auto xy = Chromaticity(c), nxy = Chromaticity(n);
        switch (which) {
        case 0: return {static_cast<float>(100 * (1.2985 * c.x - 1.1335 * c.z) / c.y)};
        case 1: {
            double w = c.y + 800 * (nxy[0] - xy[0]) + 1700 * (nxy[1] - xy[1]);
            double t = (input.observer == 1 ? 900 : 1000) * (nxy[0] - xy[0]) - 650 * (nxy[1] - xy[1]);
            return {static_cast<float>(w), static_cast<float>(t)};
        }
        case 2: {
            auto hunter = HunterLab(c, n);
            return {static_cast<float>(100 * (1.274976 * c.x - 1.058398 * c.z) / c.y),
                    static_cast<float>(hunter[0] - 3 * hunter[2]),
                    static_cast<float>(hunter[0] + 3 * hunter[1] - 3 * hunter[2])};
        }
        default: return none;
        }
    }

    float SpotDensity(const MeasurementInput &input, int wavelengthNm) const override {
        if (input.Irradiance() || wavelengthNm < 380 || wavelengthNm > 730) return kNoValue;
        double density = -std::log10(std::max(input.sample.At(wavelengthNm), 1e-6));
        return static_cast<float>(input.polarized ? density * 1.05 : density);
    }

    int AutomaticWavelength(const MeasurementInput &input) const override {
        int best = 380;
        for (int nm = 380; nm <= 730; ++nm)
            if (input.sample.At(nm) < input.sample.At(best)) best = nm;
        return best;
    }
};

}  // namespace

int ColorIndexCount(int which) {
    switch (which) {
    case 0: return 1;
    case 1: return 2;
    case 2: return 3;
    default: return 0;
    }
}

std::unique_ptr<ResultEngine> MakeResultEngine() { return std::make_unique<SimpleResultEngine>(); }

}  // namespace fxsim
