// Tristimulus weighting for 10 nm reflectance data 380..730 nm (ASTM E2022 method without
// bandpass correction, truncated to the measured range as in ASTM E308).
#include <algorithm>
#include <cmath>

#include "Tables.h"
#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {
namespace {

const char *const kIlluminantNames[kIlluminantCount] = {
    "A", "C", "D50", "D55", "D65", "D75", "F1", "F2", "F3", "F6", "F7", "F8", "F10", "F11", "User"};

// Lagrange coefficients at x for the given nodes.
template <size_t N>
std::array<double, N> Lagrange(const std::array<double, N> &nodes, double x) {
    std::array<double, N> c{};
    for (size_t j = 0; j < N; ++j) {
        double p = 1;
        for (size_t m = 0; m < N; ++m)
            if (m != j)
                p *= (x - nodes[m]) / (nodes[j] - nodes[m]);
        c[j] = p;
    }
    return c;
}

// Interpolation on a uniform grid (first, step, count) to x: cubic inside, quadratic in the
// first and last interval. Calls add(node index, coefficient) for each contributing node.
template <class Add>
void InterpolateOnGrid(double first, double step, int count, double x, Add add) {
    double pos = (x - first) / step;
    int k = static_cast<int>(std::floor(pos + 1e-9));
    if (std::fabs(pos - std::round(pos)) < 1e-9) {
        add(static_cast<int>(std::lround(pos)), 1.0);
        return;
    }
    if (k == 0 || k == count - 2) {
        int start = k == 0 ? 0 : count - 3;
        std::array<double, 3> nodes{};
        for (int j = 0; j < 3; ++j)
            nodes[j] = first + step * (start + j);
        auto c = Lagrange(nodes, x);
        for (int j = 0; j < 3; ++j)
            add(start + j, c[j]);
        return;
    }
    std::array<double, 4> nodes{};
    for (int j = 0; j < 4; ++j)
        nodes[j] = first + step * (k - 1 + j);
    auto c = Lagrange(nodes, x);
    for (int j = 0; j < 4; ++j)
        add(k - 1 + j, c[j]);
}

}  // namespace

std::string IlluminantName(int illuminant) {
    if (illuminant < 0 || illuminant >= kIlluminantCount)
        return {};
    return kIlluminantNames[illuminant];
}

std::optional<Weights> TabulatedWeights(int illuminant, int observer) {
    if (illuminant < 0 || illuminant >= kIlluminantUser || (observer != 0 && observer != 1))
        return std::nullopt;
    const auto &sets = tables::WeightSets();
    auto it = sets.find(IlluminantName(illuminant) + (observer == 0 ? "/2" : "/10"));
    if (it == sets.end() || it->second.size() != kReflectanceCount)
        return std::nullopt;
    Weights w;
    for (int i = 0; i < kReflectanceCount; ++i)
        w.w[i] = {it->second[i][0], it->second[i][1], it->second[i][2]};
    return w;
}

std::optional<UserIlluminant> IlluminantSpd(int illuminant) {
    if (illuminant < 0 || illuminant >= kIlluminantUser)
        return std::nullopt;
    const auto &t = tables::Illuminants();
    int col = t.Column(IlluminantName(illuminant));
    if (col < 0)
        return std::nullopt;
    UserIlluminant spd{};
    for (const auto &row : t.rows) {
        int k = static_cast<int>(std::lround((row[0] - 300) / 5));
        if (k >= 0 && k < kUserIlluminantCount)
            spd[k] = std::isnan(row[col]) ? 0.f : static_cast<float>(row[col]);
    }
    return spd;
}

std::optional<Weights> ComputeWeights(const UserIlluminant &given, int observer) {
    if (observer != 0 && observer != 1)
        return std::nullopt;
    UserIlluminant spd = given;
    for (float &s : spd) {
        if (!std::isfinite(s))
            return std::nullopt;
        if (s == kNoValue)  // a place without a value carries no power
            s = 0;
    }
    const auto &cmf = tables::Cmf1nm(observer);
    // 10 nm measurement nodes 360..780 (43); folded into 380..730 at the end.
    constexpr int kNodes = 43;
    std::array<Triple, kNodes> acc{};
    for (const auto &row : cmf.rows) {
        double nm = row[0];
        if (nm < 360 || nm > 780)
            continue;
        double s = 0;  // the power at 1 nm, cubic interpolation of the 5 nm values
        InterpolateOnGrid(300, 5, kUserIlluminantCount, nm,
                          [&](int k, double c) { s += c * spd[k]; });
        InterpolateOnGrid(360, 10, kNodes, nm, [&](int k, double c) {
            for (int j = 0; j < 3; ++j)
                acc[k][j] += c * s * row[1 + j];
        });
    }
    double sumY = 0;
    for (const auto &a : acc)
        sumY += a[1];
    if (!(sumY > 0))
        return std::nullopt;
    Weights w;
    for (int k = 0; k < kNodes; ++k) {
        int i = std::clamp(k - 2, 0, kReflectanceCount - 1);  // 360, 370 -> 380; >730 -> 730
        for (int j = 0; j < 3; ++j)
            w.w[i][j] += acc[k][j] * 100.0 / sumY;
    }
    return w;
}

XYZ ToXYZ(const Reflectance &r, const Weights &w) {
    XYZ c;
    for (int i = 0; i < kReflectanceCount; ++i) {
        c.X += r[i] * w.w[i][0];
        c.Y += r[i] * w.w[i][1];
        c.Z += r[i] * w.w[i][2];
    }
    return c;
}

XYZ WhitePoint(const Weights &w) {
    Reflectance one;
    one.fill(1.0);
    return ToXYZ(one, w);
}

}  // namespace ombra::colorimetry
