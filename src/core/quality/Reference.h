// Colour quality control: a reference colour with its tolerance, and the comparison of a
// measured colour with it. Differences are the measurement's value minus the reference's.
//
// A reference is only comparable under the illuminant and observer it was taken under: a
// measurement under others is not compared (and says why), unless the reference carries its
// reflectance spectrum, from which its L*a*b* is recomputed under the measurement's.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>

#include "colorimetry/Colorimetry.h"
#include "colorimetry/Difference.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

class AppSettings;
class MeasuredDataRecord;

using Lab = colorimetry::Triple;
using ReflectanceSpectrum = colorimetry::Reflectance;  // 380..730 nm, 10 nm steps, 1 = white

// Illuminant (0..14) and observer (0: 2°, 1: 10°) values, numbered as the instrument numbers them.
struct ViewingConditions {
    int illuminant = colorimetry::kIlluminantD50;
    int observer = colorimetry::kObserver2;

    bool operator==(const ViewingConditions &) const = default;
};

// The colour-difference formula a ΔE tolerance is judged with.
enum class DeltaEFormula { Cie76 = 0, Cie94 = 1, Ciede2000 = 2, Cmc = 3 };
inline constexpr int kDeltaEFormulas = 4;

// The components a ± limit may be set on.
enum class Component { dL = 0, da = 1, db = 2, dC = 3, dH = 4 };
inline constexpr int kComponents = 5;

// A ΔE limit with its formula, and/or ± limits on components (0: not in use). A warning band
// below every limit in use: from warnFraction × limit up to the limit the verdict is Warn
// (warnFraction 0: no band). The factors are the formula's parametric factors: kL, kC, kH for
// ΔE94 and ΔE00, l and c for CMC.
struct ColourTolerance {
    DeltaEFormula formula = DeltaEFormula::Ciede2000;
    double limit = 0;
    std::array<double, 3> factors{1, 1, 1};
    std::array<double, kComponents> componentLimits{};
    double warnFraction = 0;

    bool InUse() const;
    bool operator==(const ColourTolerance &) const = default;
};

struct Reference {
    std::string name;
    Lab lab{};
    ViewingConditions conditions;
    std::optional<ReflectanceSpectrum> spectrum;
    ColourTolerance tolerance;

    bool operator==(const Reference &) const = default;
};

// What a measurement offers to a comparison.
struct MeasuredColour {
    Lab lab{};
    ViewingConditions conditions;
};

enum class Verdict { None, Pass, Warn, Fail };

enum class NotCompared {
    None,              // compared
    NoReference,       // no reference is active (or the list is empty in nearest mode)
    NoLab,             // the measurement has no L*a*b* (irradiance, or values not delivered)
    ConditionsDiffer,  // other illuminant/observer and no spectrum to recompute the reference
};

struct Comparison {
    std::string referenceName;
    NotCompared reason = NotCompared::NoReference;
    bool recomputed = false;  // the reference's L*a*b* was recomputed from its spectrum
    Lab referenceLab{};       // the reference's L*a*b* the differences were taken from
    colorimetry::LabDifference d;
    double dE76 = 0, dE94 = 0, dE00 = 0, dECmc = 0;  // ΔE94 graphic arts, ΔE00 1:1:1, CMC 2:1
    Verdict verdict = Verdict::None;                  // None when no tolerance is in use

    bool Computed() const { return reason == NotCompared::None; }
};

// The reference's L*a*b* under `conditions`: its own when they are the ones it was taken
// under, else recomputed from its spectrum; nullopt when neither is possible (no spectrum,
// or the user illuminant, whose power distribution only the instrument knows).
std::optional<Lab> ReferenceLabUnder(const Reference &reference, const ViewingConditions &conditions);

// L*a*b* of a reflectance spectrum under `conditions` (nullopt for the user illuminant).
std::optional<Lab> LabOfSpectrum(const ReflectanceSpectrum &spectrum, const ViewingConditions &conditions);

Comparison Compare(const Reference &reference, const MeasuredColour &measured);

// The verdict of the differences in `c` against `tolerance`.
Verdict Judge(const ColourTolerance &tolerance, const Comparison &c);

// The ΔE of `c` in `formula` (the standard parameters of the written items, not the tolerance's).
double DeltaEOf(const Comparison &c, DeltaEFormula formula);

// The reference with the smallest ΔE00 from `measured` among those that can be compared;
// nullopt when none can.
std::optional<size_t> NearestReference(std::span<const Reference> references, const MeasuredColour &measured);

// The colour a measurement delivered: L*a*b* of the record's colour value 0 under the
// settings' illuminant and observer; nullopt for irradiance or a value not delivered.
std::optional<MeasuredColour> MeasuredColourOf(const MeasuredDataRecord &record, const AppSettings &settings);
// The same for a record kept with its measurement type and observer/illuminant codes.
std::optional<MeasuredColour> MeasuredColourOf(const MeasuredDataRecord &record, int measurementType,
                                               int observerCode, int illuminantCode);
// The reflectance spectrum of a reflection record (places 0..35); nullopt when a value is missing.
std::optional<ReflectanceSpectrum> SpectrumOf(const MeasuredDataRecord &record);
// The viewing conditions of the settings' observer and illuminant codes.
std::optional<ViewingConditions> ConditionsOfCodes(int observerCode, int illuminantCode);

// Resource texts.

// The text of a verdict (empty for None).
std::string VerdictText(Verdict verdict);
// The string that says why a comparison was not made (0 when it was, or no reference is active).
int NotComparedStringId(NotCompared reason);

}  // namespace ombra::core
