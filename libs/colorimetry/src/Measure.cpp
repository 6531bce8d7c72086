// The instrument's view of a sample: measured reflectance under the measurement condition and
// every result the instrument can be asked for.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "colorimetry/Instrument.h"

namespace ombra::colorimetry {
namespace {

bool IsMatchedSource(int condition) {
    return condition == 1 || (condition >= 3 && condition <= kIlluminantUser);
}

bool ExcludesUv(const MeasurementProperties &p) {
    // The polarisation filter also blocks UV: with it on, every condition behaves like M3.
    return p.polarised || p.condition == kConditionM2 || p.condition == kConditionM3;
}

bool Polarised(const MeasurementProperties &p) {
    return p.polarised || p.condition == kConditionM3;
}

bool HasPower(const UserIlluminant &spd) {
    return std::any_of(spd.begin(), spd.end(), [](float v) { return v > 0; });
}

// UV power (300..395 nm) relative to visible power (400..700 nm).
double UvRatio(const UserIlluminant &spd) {
    double uv = 0, visible = 0;
    for (int k = 0; k < kUserIlluminantCount; ++k) {
        int nm = 300 + 5 * k;
        double s = std::isfinite(spd[k]) && spd[k] != kNoValue ? std::max(0.f, spd[k]) : 0.0;
        if (nm < 400)
            uv += s;
        else if (nm <= 700)
            visible += s;
    }
    return visible > 0 ? uv / visible : 0.0;
}

// Emission profile of a stilbene-type brightener: blue, peak at 440 nm.
double BrightenerEmission(int nm) {
    double z = (nm - 440.0) / 22.0;
    return std::exp(-0.5 * z * z);
}

std::array<float, 3> ToFloats(const Triple &t) {
    std::array<float, 3> out{};
    for (int i = 0; i < 3; ++i)
        out[i] = std::isfinite(t[i]) ? static_cast<float>(t[i]) : kNoValue;
    return out;
}

void FillNoValues(InstrumentResults &r) {
    for (auto &c : r.colour)
        c.fill(kNoValue);
    for (auto &d : r.density)
        d.fill(kNoValue);
    r.index = {std::vector<float>(1, kNoValue), std::vector<float>(2, kNoValue),
               std::vector<float>(3, kNoValue)};
    r.spot.fill(kNoValue);
}

void FillColourValues(InstrumentResults &out, const Reflectance &r, const Weights &w, int illuminant,
                      int observer) {
    XYZ c = ToXYZ(r, w), white = WhitePoint(w);
    Triple lab = ToLab(c, white);
    out.colour[0] = ToFloats(lab);
    out.colour[1] = ToFloats(LabToLCh(lab));
    out.colour[2] = ToFloats(ToHunterLab(c, white, illuminant, observer));
    out.colour[3] = ToFloats(ToYxy(c));
    out.colour[4] = ToFloats({c.X, c.Y, c.Z});
    for (int i = 0; i < kColourIndexCount; ++i)
        out.index[i] = ColourIndex(r, i, w, illuminant, observer);
}

}  // namespace

int EffectiveIlluminant(const MeasurementProperties &p) {
    return IsMatchedSource(p.condition) ? p.condition : p.illuminant;
}

double SourceUvContent(const MeasurementProperties &p) {
    if (ExcludesUv(p))
        return 0.0;
    static const double kD50 = UvRatio(*IlluminantSpd(kIlluminantD50));
    if (p.condition == kConditionM0)
        return UvRatio(*IlluminantSpd(kIlluminantA)) / kD50;
    if (p.condition == kConditionM1)
        return 1.0;
    if (p.condition == kIlluminantUser)
        return UvRatio(p.userIlluminant) / kD50;
    if (IsMatchedSource(p.condition))
        return UvRatio(*IlluminantSpd(p.condition)) / kD50;
    return 0.0;
}

Reflectance MeasuredReflectance(const Sample &s, const MeasurementProperties &p) {
    double uv = SourceUvContent(p);
    double surface = Polarised(p) ? 0.0 : s.surfaceReflection;
    Reflectance r{};
    for (int i = 0; i < kReflectanceCount; ++i)
        r[i] = s.body[i] + surface + s.brightener * uv * BrightenerEmission(380 + 10 * i);
    return r;
}

std::optional<Weights> ResultWeights(const MeasurementProperties &p) {
    int illuminant = EffectiveIlluminant(p);
    if (illuminant == kIlluminantUser)
        return HasPower(p.userIlluminant) ? ComputeWeights(p.userIlluminant, p.observer)
                                          : std::nullopt;
    return TabulatedWeights(illuminant, p.observer);
}

InstrumentResults Measure(const Sample &sample, const MeasurementProperties &p) {
    InstrumentResults out;
    FillNoValues(out);
    Reflectance r = MeasuredReflectance(sample, p);
    out.spectrum.assign(r.begin(), r.end());
    if (auto w = ResultWeights(p))
        FillColourValues(out, r, *w, EffectiveIlluminant(p), p.observer);
    for (int set = 0; set < kDensitySetCount; ++set)
        for (int i = 0; i < 4; ++i)
            out.density[set][i] = static_cast<float>((*Densities(r, set))[i]);
    for (int nm = kReflectanceFirstNm; nm <= kReflectanceLastNm; ++nm)
        out.spot[nm - kReflectanceFirstNm] = static_cast<float>(*colorimetry::SpotDensity(r, nm));
    AutoSpot a = AutomaticSpotDensity(r);
    out.automaticNm = a.nm;
    out.automaticDensity = static_cast<float>(a.density);
    return out;
}

InstrumentResults Measure(const LightSource &light) {
    InstrumentResults out;
    FillNoValues(out);
    out.spectrum.assign(light.irradiance.begin(), light.irradiance.end());
    if (auto v = AnalyseLight(light.irradiance)) {
        out.colour[3] = ToFloats({v->lux, v->x, v->y});
        out.colour[4] = ToFloats({v->xyz.X, v->xyz.Y, v->xyz.Z});
        out.colour[6] = ToFloats({v->lux, v->cct, v->duv});
    }
    return out;
}

bool InstrumentResults::Colour(int value, float out[3]) const {
    if (value < 0 || value >= kColourValueCount || value == 5)
        return false;
    std::copy(colour[value].begin(), colour[value].end(), out);
    return true;
}

bool InstrumentResults::Density(int set, float out[4]) const {
    if (set < 0 || set >= kDensitySetCount)
        return false;
    std::copy(density[set].begin(), density[set].end(), out);
    return true;
}

int InstrumentResults::IndexCount(int value) const {
    return value >= 0 && value < kColourIndexCount ? static_cast<int>(index[value].size()) : 0;
}

bool InstrumentResults::Index(int value, float *out) const {
    if (IndexCount(value) == 0)
        return false;
    std::copy(index[value].begin(), index[value].end(), out);
    return true;
}

bool InstrumentResults::SpotDensity(int &nm, float &d) const {
    if (nm == 0) {
        nm = automaticNm;
        d = automaticDensity;
        return true;
    }
    if (nm < kReflectanceFirstNm || nm > kReflectanceLastNm)
        return false;
    d = spot[nm - kReflectanceFirstNm];
    return true;
}

std::vector<float> InstrumentResults::SpectrumPadded(int count) const {
    std::vector<float> out(static_cast<size_t>(std::max(count, 0)), kNoValue);
    std::copy_n(spectrum.begin(), std::min(out.size(), spectrum.size()), out.begin());
    return out;
}

namespace {
// Linear interpolation on an even grid; `outside` decides the value beyond it.
double GridValue(int firstNm, int stepNm, const std::vector<float> &values, double nm, bool hold) {
    if (values.empty() || stepNm <= 0)
        return 0.0;
    double pos = (nm - firstNm) / stepNm;
    double last = static_cast<double>(values.size() - 1);
    if (pos < 0 || pos > last) {
        if (!hold)
            return 0.0;
        return pos < 0 ? values.front() : values.back();
    }
    size_t k = std::min(static_cast<size_t>(pos), values.size() - 1);
    double f = pos - static_cast<double>(k);
    return k + 1 < values.size() ? values[k] * (1 - f) + values[k + 1] * f : values[k];
}
}  // namespace

Reflectance ResampleReflectance(int firstNm, int stepNm, const std::vector<float> &values) {
    Reflectance r{};
    for (int i = 0; i < kReflectanceCount; ++i)
        r[i] = GridValue(firstNm, stepNm, values, kReflectanceFirstNm + 10 * i, true);
    return r;
}

Irradiance ResampleIrradiance(int firstNm, int stepNm, const std::vector<float> &values) {
    Irradiance e{};
    for (int i = 0; i < kIrradianceCount; ++i)
        e[i] = GridValue(firstNm, stepNm, values, kIrradianceFirstNm + 5 * i, false);
    return e;
}

bool InstrumentResults::Spectrum(float *out, int count) const {
    if (count != static_cast<int>(spectrum.size()))
        return false;
    std::copy(spectrum.begin(), spectrum.end(), out);
    return true;
}

}  // namespace ombra::colorimetry
