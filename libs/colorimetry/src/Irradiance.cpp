// Illuminance, chromaticity, correlated colour temperature and duv of light sources.
#include <algorithm>
#include <cmath>
#include <vector>

#include "Tables.h"
#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {
namespace {

constexpr double kKm = 683.002;   // lm/W
constexpr double kC2 = 1.4388e-2;  // m K

struct LocusPoint {
    double t, u, v, d;
};

std::vector<LocusPoint> LocusTable(double lo, double hi, int steps, double u, double v) {
    std::vector<LocusPoint> out;
    for (int i = 0; i <= steps; ++i) {
        double t = lo + (hi - lo) * i / steps;
        auto p = PlanckUv(t);
        out.push_back({t, p[0], p[1], std::hypot(u - p[0], v - p[1])});
    }
    return out;
}

size_t Nearest(const std::vector<LocusPoint> &table) {
    size_t m = 0;
    for (size_t i = 1; i < table.size(); ++i)
        if (table[i].d < table[m].d)
            m = i;
    return m;
}

}  // namespace

std::array<double, 2> PlanckUv(double kelvin) {
    const auto &cmf = tables::Cmf1nm(kObserver2);
    double X = 0, Y = 0, Z = 0;
    for (const auto &row : cmf.rows) {
        double lambda = row[0] * 1e-9;
        double m = 1.0 / (std::pow(lambda, 5) * std::expm1(kC2 / (lambda * kelvin)));
        X += m * row[1];
        Y += m * row[2];
        Z += m * row[3];
    }
    double den = X + 15 * Y + 3 * Z;
    return {4 * X / den, 6 * Y / den};
}

CctResult CctOhno(double u, double v) {
    if (!std::isfinite(u) || !std::isfinite(v))
        return {};
    // Coarse table in 1 % steps, then a cascade of finer tables around the nearest entry.
    static const std::vector<LocusPoint> kCoarse = [] {
        std::vector<LocusPoint> t;
        for (double k = kMinCct * 0.99; k < kMaxCct * 1.02; k *= 1.01) {
            auto p = PlanckUv(k);
            t.push_back({k, p[0], p[1], 0});
        }
        return t;
    }();
    std::vector<LocusPoint> table = kCoarse;
    for (auto &p : table)
        p.d = std::hypot(u - p.u, v - p.v);
    size_t m = Nearest(table);
    if (m == 0)
        return {CctResult::kBelowRange};
    if (m + 1 == table.size())
        return {CctResult::kAboveRange};
    for (int pass = 0; pass < 6; ++pass) {
        table = LocusTable(table[m - 1].t, table[m + 1].t, 10, u, v);
        m = std::clamp<size_t>(Nearest(table), 1, table.size() - 2);
    }
    const LocusPoint &p0 = table[m - 1], &p1 = table[m], &p2 = table[m + 1];
    // Triangular solution.
    double l = std::hypot(p2.u - p0.u, p2.v - p0.v);
    double x = (p0.d * p0.d - p2.d * p2.d + l * l) / (2 * l);
    double cct = p0.t + (p2.t - p0.t) * x / l;
    double duv = std::sqrt(std::max(0.0, p0.d * p0.d - x * x));
    if (duv >= 0.002) {  // parabolic solution through the three distances
        double f01 = (p1.d - p0.d) / (p1.t - p0.t), f12 = (p2.d - p1.d) / (p2.t - p1.t);
        double a = (f12 - f01) / (p2.t - p0.t);
        double b = f01 - a * (p0.t + p1.t);
        double c = p0.d - f01 * p0.t + a * p0.t * p1.t;
        cct = -b / (2 * a);
        duv = a * cct * cct + b * cct + c;
    }
    if (!std::isfinite(cct) || !std::isfinite(duv))
        return {};
    if (cct < kMinCct)
        return {CctResult::kBelowRange};
    if (cct > kMaxCct)
        return {CctResult::kAboveRange};
    auto locus = PlanckUv(cct);
    return {CctResult::kOk, cct, v >= locus[1] ? duv : -duv};
}

// Tristimulus sums (without Km) of the irradiance.
XYZ Integrate(const Irradiance &e, Integration method) {
    auto power = [&](double nm) {
        double pos = (nm - kIrradianceFirstNm) / 5.0;
        if (pos >= kIrradianceCount - 1)
            return method == Integration::k5nm ? (pos > kIrradianceCount - 1 ? 0.0 : e.back())
                                               : e.back();
        int k = static_cast<int>(pos);
        double f = pos - k;
        return e[k] * (1 - f) + e[k + 1] * f;
    };
    bool fine = method == Integration::k1nmLinearExtended;
    const auto &cmf = fine ? tables::Cmf1nm(kObserver2) : tables::Cmf2Deg5nm();
    double step = fine ? 1.0 : 5.0;
    XYZ sum;
    for (const auto &row : cmf.rows) {
        if (row[0] < kIrradianceFirstNm)
            continue;
        double p = power(row[0]) * step;
        sum.X += p * row[1];
        sum.Y += p * row[2];
        sum.Z += p * row[3];
    }
    return sum;
}

std::optional<LightValues> AnalyseLight(const Irradiance &e, Integration method) {
    XYZ s = Integrate(e, method);
    LightValues out;
    out.xyz = {kKm * s.X, kKm * s.Y, kKm * s.Z};
    out.lux = out.xyz.Y;
    double sum = out.xyz.X + out.xyz.Y + out.xyz.Z;
    if (!(sum > 0) || !std::isfinite(sum))
        return std::nullopt;
    double den = out.xyz.X + 15 * out.xyz.Y + 3 * out.xyz.Z;
    out.u = 4 * out.xyz.X / den;
    out.v = 6 * out.xyz.Y / den;
    out.x = out.xyz.X / sum;
    out.y = out.xyz.Y / sum;
    if (auto cct = CctOhno(out.u, out.v); cct.status == CctResult::kOk) {
        out.cct = cct.cct;
        out.duv = cct.duv;
    } else {
        out.cct = out.duv = std::nan("");
    }
    return out;
}

}  // namespace ombra::colorimetry
