#include "core/quality/Reference.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/instrument/MeasuredData.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

namespace cm = colorimetry;

constexpr int kReflectionType = 1;
constexpr float kNotDelivered = std::numeric_limits<float>::max();

bool Finite(const Lab &lab) {
    return std::all_of(lab.begin(), lab.end(), [](double v) { return std::isfinite(v); });
}

double ComponentOf(const cm::LabDifference &d, int component) {
    switch (static_cast<Component>(component)) {
    case Component::dL: return d.dL;
    case Component::da: return d.da;
    case Component::db: return d.db;
    case Component::dC: return d.dC;
    case Component::dH: return d.dH;
    }
    return 0;
}

// The ΔE the tolerance is judged with: its formula with its own parametric factors.
double ToleranceDeltaE(const ColourTolerance &t, const Lab &reference, const Lab &sample) {
    const auto &f = t.factors;
    switch (t.formula) {
    case DeltaEFormula::Cie76: return cm::DeltaE76(reference, sample);
    case DeltaEFormula::Cie94: {
        cm::Cie94Weights w = cm::kCie94GraphicArts;
        w.kL = f[0], w.kC = f[1], w.kH = f[2];
        return cm::DeltaE94(reference, sample, w);
    }
    case DeltaEFormula::Ciede2000: return cm::DeltaE00(reference, sample, {f[0], f[1], f[2]});
    case DeltaEFormula::Cmc: return cm::DeltaECmc(reference, sample, {f[0], f[1]});
    }
    return 0;
}

// Worse of the two verdicts.
Verdict Worse(Verdict a, Verdict b) { return static_cast<int>(a) > static_cast<int>(b) ? a : b; }

Verdict Band(double magnitude, double limit, double warnFraction) {
    if (magnitude > limit) return Verdict::Fail;
    if (warnFraction > 0 && magnitude > warnFraction * limit) return Verdict::Warn;
    return Verdict::Pass;
}

}  // namespace

bool ColourTolerance::InUse() const {
    return limit > 0 || std::any_of(componentLimits.begin(), componentLimits.end(), [](double l) { return l > 0; });
}

std::optional<Lab> LabOfSpectrum(const ReflectanceSpectrum &spectrum, const ViewingConditions &conditions) {
    std::optional<cm::Weights> weights = cm::TabulatedWeights(conditions.illuminant, conditions.observer);
    if (!weights) return std::nullopt;
    return cm::ToLab(cm::ToXYZ(spectrum, *weights), cm::WhitePoint(*weights));
}

std::optional<Lab> ReferenceLabUnder(const Reference &reference, const ViewingConditions &conditions) {
    if (reference.conditions == conditions) return reference.lab;
    if (!reference.spectrum) return std::nullopt;
    return LabOfSpectrum(*reference.spectrum, conditions);
}

Verdict Judge(const ColourTolerance &tolerance, const Comparison &c) {
    if (!c.Computed() || !tolerance.InUse()) return Verdict::None;
    Verdict verdict = Verdict::Pass;
    if (tolerance.limit > 0) {
        const Lab sample{c.referenceLab[0] + c.d.dL, c.referenceLab[1] + c.d.da, c.referenceLab[2] + c.d.db};
        verdict = Band(ToleranceDeltaE(tolerance, c.referenceLab, sample), tolerance.limit, tolerance.warnFraction);
    }
    for (int k = 0; k < kComponents; ++k) {
        const double limit = tolerance.componentLimits[k];
        if (limit > 0) verdict = Worse(verdict, Band(std::fabs(ComponentOf(c.d, k)), limit, tolerance.warnFraction));
    }
    return verdict;
}

Comparison Compare(const Reference &reference, const MeasuredColour &measured) {
    Comparison c;
    c.referenceName = reference.name;
    if (!Finite(measured.lab)) {
        c.reason = NotCompared::NoLab;
        return c;
    }
    const std::optional<Lab> lab = ReferenceLabUnder(reference, measured.conditions);
    if (!lab) {
        c.reason = NotCompared::ConditionsDiffer;
        return c;
    }
    c.reason = NotCompared::None;
    c.recomputed = !(reference.conditions == measured.conditions);
    c.referenceLab = *lab;
    c.d = cm::DifferenceOf(*lab, measured.lab);
    c.dE76 = cm::DeltaE76(*lab, measured.lab);
    c.dE94 = cm::DeltaE94(*lab, measured.lab);
    c.dE00 = cm::DeltaE00(*lab, measured.lab);
    c.dECmc = cm::DeltaECmc(*lab, measured.lab);
    c.verdict = Judge(reference.tolerance, c);
    return c;
}

double DeltaEOf(const Comparison &c, DeltaEFormula formula) {
    switch (formula) {
    case DeltaEFormula::Cie76: return c.dE76;
    case DeltaEFormula::Cie94: return c.dE94;
    case DeltaEFormula::Ciede2000: return c.dE00;
    case DeltaEFormula::Cmc: return c.dECmc;
    }
    return 0;
}

std::optional<size_t> NearestReference(std::span<const Reference> references, const MeasuredColour &measured) {
    std::optional<size_t> nearest;
    double best = std::numeric_limits<double>::infinity();
    for (size_t i = 0; i < references.size(); ++i) {
        const std::optional<Lab> lab = ReferenceLabUnder(references[i], measured.conditions);
        if (!lab) continue;
        const double dE = cm::DeltaE00(*lab, measured.lab);
        if (dE < best) best = dE, nearest = i;
    }
    return nearest;
}

std::optional<ViewingConditions> ConditionsOfCodes(int observerCode, int illuminantCode) {
    const auto observer = FindPropertyRow(PropertyTable::Observer, static_cast<uint32_t>(observerCode));
    const auto illuminant = FindPropertyRow(PropertyTable::Illuminant, static_cast<uint32_t>(illuminantCode));
    if (!observer || !illuminant || illuminant->value >= cm::kIlluminantCount) return std::nullopt;
    return ViewingConditions{illuminant->value, observer->value};
}

std::optional<MeasuredColour> MeasuredColourOf(const MeasuredDataRecord &record, int measurementType,
                                               int observerCode, int illuminantCode) {
    if (measurementType != kReflectionType) return std::nullopt;
    const std::optional<ViewingConditions> conditions = ConditionsOfCodes(observerCode, illuminantCode);
    if (!conditions) return std::nullopt;
    MeasuredColour colour{{}, *conditions};
    for (int k = 0; k < 3; ++k) {
        const float v = record.Float(MeasuredDataRecord::kColorValue0 + k);
        if (v == kNotDelivered || !std::isfinite(v)) return std::nullopt;
        colour.lab[k] = v;
    }
    return colour;
}

std::optional<MeasuredColour> MeasuredColourOf(const MeasuredDataRecord &record, const AppSettings &settings) {
    const MeasurementSettings &m = settings.measurement;
    return MeasuredColourOf(record, m.MeasurementType(), m.Observer(), m.Illuminant());
}

std::optional<ReflectanceSpectrum> SpectrumOf(const MeasuredDataRecord &record) {
    ReflectanceSpectrum spectrum{};
    for (int i = 0; i < cm::kReflectanceCount; ++i) {
        const float v = record.Float(MeasuredDataRecord::kSpectrum + i);
        if (v == kNotDelivered || !std::isfinite(v)) return std::nullopt;
        spectrum[i] = v;
    }
    return spectrum;
}

std::string VerdictText(Verdict verdict) {
    switch (verdict) {
    case Verdict::Pass: return platform::ResString(res::kStrVerdictPass);
    case Verdict::Warn: return platform::ResString(res::kStrVerdictWarn);
    case Verdict::Fail: return platform::ResString(res::kStrVerdictFail);
    case Verdict::None: break;
    }
    return {};
}

int NotComparedStringId(NotCompared reason) {
    switch (reason) {
    case NotCompared::ConditionsDiffer: return res::kStrConditionsDiffer;
    case NotCompared::NoLab: return res::kStrNoLab;
    case NotCompared::None: case NotCompared::NoReference: break;
    }
    return 0;
}

}  // namespace ombra::core
