// ISO 5-3 status densities and spectral (spot) densities of reflection samples.
#include <algorithm>
#include <cmath>

#include "Tables.h"
#include "colorimetry/Colorimetry.h"

namespace ombra::colorimetry {
namespace {

// Darkest reflectance told apart from zero: densities stop at 6.
constexpr double kMinReflectance = 1e-6;

double DensityOf(double reflectance) {
    return -std::log10(std::max(reflectance, kMinReflectance));
}

// Reflectance on any wavelength, held constant outside 380..730 nm.
double HeldReflectance(const Reflectance &r, double nm) {
    if (nm <= kReflectanceFirstNm)
        return r.front();
    if (nm >= kReflectanceLastNm)
        return r.back();
    double pos = (nm - kReflectanceFirstNm) / 10.0;
    int k = static_cast<int>(pos);
    double f = pos - k;
    return r[k] * (1 - f) + r[k + 1] * f;
}

// Density through one response of the 10 nm linear table.
double ResponseDensity(const Reflectance &r, const std::string &column) {
    const auto &t = tables::StatusLinear();
    int col = t.Column(column);
    double sumW = 0, sumWR = 0;
    for (const auto &row : t.rows) {
        double w = row[col];
        if (!(w > 0))
            continue;
        sumW += w;
        sumWR += w * HeldReflectance(r, row[0]);
    }
    return DensityOf(sumWR / sumW);
}

}  // namespace

double ReflectanceAt(const Reflectance &r, int nm) {
    return HeldReflectance(r, nm);
}

std::optional<double> SpotDensity(const Reflectance &r, int nm) {
    if (nm < kReflectanceFirstNm || nm > kReflectanceLastNm)
        return std::nullopt;
    return DensityOf(ReflectanceAt(r, nm));
}

AutoSpot AutomaticSpotDensity(const Reflectance &r) {
    AutoSpot best{kReflectanceFirstNm, DensityOf(ReflectanceAt(r, kReflectanceFirstNm))};
    for (int nm = kReflectanceFirstNm + 1; nm <= kReflectanceLastNm; ++nm) {
        double d = DensityOf(ReflectanceAt(r, nm));
        if (d > best.density + 1e-12)
            best = {nm, d};
    }
    return best;
}

std::optional<std::array<double, 4>> Densities(const Reflectance &r, int densitySet) {
    static const char *const kStatus[4] = {"StatusT", "StatusE", "StatusA", "StatusM"};
    double visual = ResponseDensity(r, "ISO_Visual");
    if (densitySet >= 0 && densitySet < 4) {
        std::string s = kStatus[densitySet];
        return std::array<double, 4>{ResponseDensity(r, s + "_R"), ResponseDensity(r, s + "_G"),
                                     ResponseDensity(r, s + "_B"), visual};
    }
    if (densitySet == 4)  // narrow band: red, green and blue absorption peaks of process inks
        return std::array<double, 4>{*SpotDensity(r, 620), *SpotDensity(r, 530),
                                     *SpotDensity(r, 440), visual};
    return std::nullopt;
}

}  // namespace ombra::colorimetry
