// Colorimetry: tristimulus values, colour spaces, densities, colour indexes and light-source
// values computed from spectra. Plain C++, no Qt. All value numbering (observer, illuminant,
// measurement condition, colour value, density set, colour index) follows
// docs/measurement-mapping.md; the formulas are in docs/colorimetry.md.
#pragma once

#include <array>
#include <cfloat>
#include <optional>
#include <string>
#include <vector>

namespace ombra::colorimetry {

// A value that a combination of settings cannot deliver.
inline constexpr float kNoValue = FLT_MAX;

// Reflectance factors 380..730 nm in 10 nm steps (1 = perfect diffuser).
inline constexpr int kReflectanceCount = 36;
inline constexpr int kReflectanceFirstNm = 380;
inline constexpr int kReflectanceLastNm = 730;
using Reflectance = std::array<double, kReflectanceCount>;

// Spectral irradiance 360..730 nm in 5 nm steps, W m^-2 nm^-1.
inline constexpr int kIrradianceCount = 75;
inline constexpr int kIrradianceFirstNm = 360;
using Irradiance = std::array<double, kIrradianceCount>;

// Relative spectral power 300..780 nm in 5 nm steps (the user illuminant record).
inline constexpr int kUserIlluminantCount = 97;
using UserIlluminant = std::array<float, kUserIlluminantCount>;

enum Observer { kObserver2 = 0, kObserver10 = 1 };

// Illuminant values 0..13 name tabulated illuminants, 14 the user illuminant.
inline constexpr int kIlluminantA = 0, kIlluminantC = 1, kIlluminantD50 = 2, kIlluminantD55 = 3,
                     kIlluminantD65 = 4, kIlluminantD75 = 5, kIlluminantF11 = 13,
                     kIlluminantUser = 14, kIlluminantCount = 15;
// Measurement conditions that are not illuminant-matched sources.
inline constexpr int kConditionM0 = 0, kConditionM1 = 2, kConditionM2 = 160, kConditionM3 = 161;

struct XYZ {
    double X = 0, Y = 0, Z = 0;
};
using Triple = std::array<double, 3>;

// Name of an illuminant value ("A", "D50", "F11", "User"), empty for an unknown value.
std::string IlluminantName(int illuminant);

// Tristimulus weights for 36-value reflectance (Wx, Wy, Wz per wavelength, sum of Wy = 100).
struct Weights {
    std::array<Triple, kReflectanceCount> w{};
};
// Tabulated weights for illuminant values 0..13; nullopt for any other value.
std::optional<Weights> TabulatedWeights(int illuminant, int observer);
// Weights computed from a relative power distribution 300..780 nm / 5 nm by the same method as
// the tabulated ones; places holding kNoValue count as 0. nullopt when the distribution has no
// power under the luminosity curve or holds NaN/infinity.
std::optional<Weights> ComputeWeights(const UserIlluminant &spd, int observer);
// Relative power of a tabulated illuminant 300..780 nm / 5 nm (0 where it is not defined).
std::optional<UserIlluminant> IlluminantSpd(int illuminant);

XYZ ToXYZ(const Reflectance &r, const Weights &w);
XYZ WhitePoint(const Weights &w);  // XYZ of the perfect diffuser (Y = 100)

Triple ToLab(const XYZ &c, const XYZ &white);
Triple LabToLCh(const Triple &lab);  // hue in degrees 0..360
// Hunter L, a, b; Ka/Kb from the published constants where the illuminant/observer is listed,
// otherwise Ka = 175/198.04 (Xn + Yn), Kb = 70/218.11 (Yn + Zn).
Triple ToHunterLab(const XYZ &c, const XYZ &white, int illuminant, int observer);
Triple ToHunterLab(const XYZ &c, const XYZ &white, double ka, double kb);
std::array<double, 2> HunterCoefficients(const XYZ &white, int illuminant, int observer);
Triple ToYxy(const XYZ &c);  // Y, x, y
double DeltaEab(const Triple &lab1, const Triple &lab2);

// Densities C, M, Y, V for density set 0..4; nullopt for another set.
std::optional<std::array<double, 4>> Densities(const Reflectance &r, int densitySet);
// Reflectance at any nm from 380 to 730, interpolated linearly between the 10 nm values.
double ReflectanceAt(const Reflectance &r, int nm);
// Absolute density at one wavelength 380..730 (nullopt outside).
std::optional<double> SpotDensity(const Reflectance &r, int nm);
struct AutoSpot {
    int nm = 0;
    double density = 0;
};
// The wavelength where the sample absorbs most (first maximum on the 1 nm grid) and its density.
AutoSpot AutomaticSpotDensity(const Reflectance &r);

// Colour index values for index 0..2 (1, 2 or 3 floats); kNoValue where undefined.
// `r` is the measured reflectance, `chosen` the weights of the chosen illuminant/observer.
// YI E313 needs illuminant C or D65; CIE whiteness/tint is always for D65; YI D1925 always for
// C/2 deg; Hunter and Stensby whiteness use the chosen illuminant and observer.
std::vector<float> ColourIndex(const Reflectance &r, int index, const Weights &chosen,
                               int illuminant, int observer);

// Light-source values from a 75-value irradiance spectrum.
struct LightValues {
    double lux = 0;
    XYZ xyz;  // absolute: Y in lux
    double u = 0, v = 0, x = 0, y = 0;
    double cct = 0, duv = 0;
};
// How the 75 values are integrated. k1nmLinearExtended (the default) interpolates linearly to
// 1 nm and holds the 730 nm value to 830 nm; k5nmExtended sums the 5 nm values with the same
// extension; k5nm sums the 75 values alone (zero outside 360..730 nm).
enum class Integration { k1nmLinearExtended, k5nmExtended, k5nm };
// Light-source values; nullopt when there is no light. cct/duv are NaN outside 1000..20000 K.
std::optional<LightValues> AnalyseLight(const Irradiance &e,
                                        Integration method = Integration::k1nmLinearExtended);
// CCT (K) and duv from CIE 1960 u, v: Ohno's combined method (triangular, parabolic when
// |duv| >= 0.002) on a 1 % table refined by a cascade of finer tables.
struct CctResult {
    enum Status { kOk, kBelowRange, kAboveRange, kInvalid };
    Status status = kInvalid;
    double cct = 0, duv = 0;  // valid when status is kOk
};
inline constexpr double kMinCct = 1000, kMaxCct = 20000;
CctResult CctOhno(double u, double v);
// Planckian chromaticity (CIE 1960 u, v) at temperature T, 2 deg observer, c2 = 1.4388e-2 m K.
std::array<double, 2> PlanckUv(double kelvin);

}  // namespace ombra::colorimetry
