// The comparison of a measurement with a reference: the numbers agree with the colour-
// difference formulas, the verdict follows the tolerance's bands, a reference taken under other
// conditions is recomputed from its spectrum or not compared, and the nearest of a list is the
// one of smallest ΔE00 among those that can be compared.
#include <gtest/gtest.h>

#include <cmath>

#include "colorimetry/Difference.h"
#include "core/instrument/MeasuredData.h"
#include "core/quality/Reference.h"
#include "core/settings/AppSettings.h"

#include "corvexres/ResourceIds.h"
#include "support/QualityTestSupport.h"

namespace {

using namespace ombra::core;
namespace cm = ombra::colorimetry;

using namespace ombra::core::test;

// A smooth, yellowish reflectance.
ReflectanceSpectrum Yellowish() {
    ReflectanceSpectrum s{};
    for (int i = 0; i < cm::kReflectanceCount; ++i) s[i] = 0.15 + 0.7 / (1 + std::exp(-(380 + 10 * i - 500) / 20.0));
    return s;
}

TEST(Comparison, NumbersAreThoseOfThePublishedPairs) {
    // CIEDE2000 test data, pairs 1 and 17 (reference first): ΔE00 2.0425 and 27.1492.
    struct Pair {
        Lab reference, sample;
        double dE00;
    };
    for (const Pair &p : {Pair{{50, 2.6772, -79.7751}, {50, 0, -82.7485}, 2.0425},
                          Pair{{50, 2.5, 0}, {73, 25, -18}, 27.1492}}) {
        const Comparison c = Compare(Ref("R", p.reference), {p.sample, kD50_2});
        ASSERT_TRUE(c.Computed());
        EXPECT_FALSE(c.recomputed);
        EXPECT_NEAR(c.dE00, p.dE00, 5e-5);
        // Sample minus reference, and the other formulas as the library computes them.
        EXPECT_DOUBLE_EQ(c.d.dL, p.sample[0] - p.reference[0]);
        EXPECT_DOUBLE_EQ(c.d.da, p.sample[1] - p.reference[1]);
        EXPECT_DOUBLE_EQ(c.d.db, p.sample[2] - p.reference[2]);
        EXPECT_DOUBLE_EQ(c.dE76, std::hypot(c.d.dL, c.d.da, c.d.db));
        EXPECT_NEAR(c.dE76 * c.dE76, c.d.dL * c.d.dL + c.d.dC * c.d.dC + c.d.dH * c.d.dH, 1e-9);
        EXPECT_DOUBLE_EQ(c.dE94, cm::DeltaE94(p.reference, p.sample));
        EXPECT_DOUBLE_EQ(c.dECmc, cm::DeltaECmc(p.reference, p.sample, cm::kCmcAcceptability));
        EXPECT_EQ(c.verdict, Verdict::None) << "no tolerance";
    }
}

TEST(Comparison, OtherConditionsAreRecomputedFromTheSpectrumOrNotCompared) {
    const ReflectanceSpectrum s = Yellowish();
    Reference r = Ref("Yellow", *LabOfSpectrum(s, kD50_2));
    const MeasuredColour underD65{*LabOfSpectrum(s, kD65_10), kD65_10};
    ASSERT_GT(cm::DeltaE00(r.lab, underD65.lab), 1.0) << "the conditions matter for this colour";

    Comparison c = Compare(r, underD65);
    EXPECT_EQ(c.reason, NotCompared::ConditionsDiffer);
    EXPECT_EQ(c.referenceName, "Yellow");
    EXPECT_EQ(NotComparedStringId(c.reason), ombra::res::kStrConditionsDiffer);

    r.spectrum = s;
    c = Compare(r, underD65);
    ASSERT_TRUE(c.Computed());
    EXPECT_TRUE(c.recomputed);
    EXPECT_NEAR(c.dE00, 0, 1e-9) << "the same spectrum under the same conditions";

    // The user illuminant's power is not known here: no recomputation under it.
    c = Compare(r, {underD65.lab, {cm::kIlluminantUser, cm::kObserver10}});
    EXPECT_EQ(c.reason, NotCompared::ConditionsDiffer);
    // A measurement without L*a*b*.
    c = Compare(r, {{NAN, 0, 0}, kD50_2});
    EXPECT_EQ(c.reason, NotCompared::NoLab);
}

TEST(Comparison, VerdictFollowsLimitsAndWarningBand) {
    Reference r = Ref("R", {50, 0, 0});
    r.tolerance.formula = DeltaEFormula::Cie76;
    r.tolerance.limit = 2.0;
    r.tolerance.warnFraction = 0.8;  // Warn above 1.6
    const auto verdictAt = [&](Lab sample) { return Compare(r, {sample, kD50_2}).verdict; };
    EXPECT_EQ(verdictAt({51.5, 0, 0}), Verdict::Pass);
    EXPECT_EQ(verdictAt({51.8, 0, 0}), Verdict::Warn);
    EXPECT_EQ(verdictAt({52.0, 0, 0}), Verdict::Warn) << "the limit itself still passes the limit";
    EXPECT_EQ(verdictAt({52.5, 0, 0}), Verdict::Fail);

    // A component limit fails on its own, whatever the ΔE; signs do not matter.
    r.tolerance.componentLimits[static_cast<int>(Component::db)] = 0.5;
    EXPECT_EQ(verdictAt({50, 0, -0.7}), Verdict::Fail);
    EXPECT_EQ(verdictAt({50, 0, -0.45}), Verdict::Warn) << "0.45 lies in the band of 0.5";
    r.tolerance.warnFraction = 0;
    EXPECT_EQ(verdictAt({50, 0, -0.45}), Verdict::Pass);

    // The tolerance's formula and factors decide: ΔE00 with kL = 2 halves a lightness step.
    r.tolerance = {};
    r.tolerance.limit = 1.0;
    EXPECT_EQ(verdictAt({51.5, 0, 0}), Verdict::Fail);
    r.tolerance.factors = {2, 1, 1};
    EXPECT_EQ(verdictAt({51.5, 0, 0}), Verdict::Pass);
    EXPECT_EQ(VerdictText(Verdict::Pass), "Pass");
    EXPECT_EQ(VerdictText(Verdict::Fail), "Fail");
}

TEST(Comparison, NearestIsTheSmallestDeltaE00AmongComparableReferences) {
    const std::vector<Reference> refs = {Ref("Dark", {40, 0, 0}), Ref("Closest but D65", {58, 0, 0}, kD65_10),
                                         Ref("Light", {70, 0, 0}), Ref("Mid", {55, 2, 0})};
    EXPECT_EQ(NearestReference(refs, {{57, 0, 0}, kD50_2}), 3u);
    EXPECT_EQ(NearestReference(refs, {{57, 0, 0}, kD65_10}), 1u);
    EXPECT_FALSE(NearestReference(refs, {{57, 0, 0}, {cm::kIlluminantA, cm::kObserver2}}));
    EXPECT_FALSE(NearestReference({}, {{57, 0, 0}, kD50_2}));
}

TEST(Comparison, MeasuredColourComesFromTheRecordUnderTheSettingsConditions) {
    MeasuredDataRecord record;
    record.SetFloat(MeasuredDataRecord::kColorValue0, 62.5f);
    record.SetFloat(MeasuredDataRecord::kColorValue0 + 1, -3.25f);
    record.SetFloat(MeasuredDataRecord::kColorValue0 + 2, 12.0f);
    AppSettings settings;
    settings.measurement.InForce().Observer = 0x2;        // 10°
    settings.measurement.InForce().Illuminant = 0x10;     // D65
    std::optional<MeasuredColour> m = MeasuredColourOf(record, settings);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->conditions, kD65_10);
    EXPECT_DOUBLE_EQ(m->lab[1], -3.25);

    settings.measurement.InForce().MeasurementType = 4;  // irradiance has no L*a*b*
    EXPECT_FALSE(MeasuredColourOf(record, settings));
    settings.measurement.InForce().MeasurementType = 1;
    record.SetFloat(MeasuredDataRecord::kColorValue0 + 2, std::numeric_limits<float>::max());
    EXPECT_FALSE(MeasuredColourOf(record, settings)) << "b* not delivered";
}

}  // namespace
