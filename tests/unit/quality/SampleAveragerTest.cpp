// Several readings of one sample: the mean record holds the mean of every delivered value, the
// hue angle is averaged on the circle, a value one reading lacks is lacking in the mean, and the
// spread gives standard deviations and the largest ΔE00 from the mean.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "colorimetry/Difference.h"
#include "core/quality/SampleAverager.h"

namespace {

using namespace ombra::core;
using R = MeasuredDataRecord;
using Lab = ombra::colorimetry::Triple;
constexpr float kMissing = std::numeric_limits<float>::max();

R Reading(float L, float a, float b, float reflectance, float hue) {
    R r;
    for (int i = 0; i < R::kAutoSpotDensity; ++i) r.SetFloat(i, kMissing);
    for (int i = 0; i < 36; ++i) r.SetFloat(i, reflectance);
    r.SetFloat(R::kColorValue0, L);
    r.SetFloat(R::kColorValue0 + 1, a);
    r.SetFloat(R::kColorValue0 + 2, b);
    r.SetFloat(R::kColorValue1 + 2, hue);
    r.SetFloat(R::kDensitySet1, 1.0f + reflectance);
    r.SetFloat(R::kAutoSpotDensity, reflectance);
    r.SetInt(R::kAutoSpotWavelength, 560);
    return r;
}

TEST(SampleAverager, TheMeanRecordAveragesEveryDeliveredValue) {
    SampleAverager averager(3);
    averager.Add(Reading(50, 1, -2, 0.40f, 350));
    EXPECT_FALSE(averager.Mean()) << "only after the last reading";
    averager.Add(Reading(51, 2, -2, 0.50f, 10));
    R third = Reading(52, 3, -5, 0.60f, 0);
    third.SetInt(R::kAutoSpotWavelength, 600);
    third.SetFloat(R::kDensitySet0, 0.5f);  // only this reading delivers it
    averager.Add(third);
    ASSERT_TRUE(averager.Complete());

    const std::optional<R> mean = averager.Mean();
    ASSERT_TRUE(mean);
    EXPECT_FLOAT_EQ(mean->Float(R::kColorValue0), 51.0f);
    EXPECT_FLOAT_EQ(mean->Float(R::kColorValue0 + 1), 2.0f);
    EXPECT_FLOAT_EQ(mean->Float(R::kColorValue0 + 2), -3.0f);
    EXPECT_FLOAT_EQ(mean->Float(17), 0.5f) << "spectrum";
    EXPECT_FLOAT_EQ(mean->Float(R::kDensitySet1), 1.5f) << "densities";
    EXPECT_EQ(mean->Float(R::kDensitySet0), kMissing) << "not delivered by every reading";
    EXPECT_EQ(mean->Float(90), kMissing);
    EXPECT_NEAR(std::fmod(mean->Float(R::kColorValue1 + 2) + 180, 360) - 180, 0, 1e-4)
        << "350°, 10° and 0° average to 0°, not 120°";
    // The automatic spot density: the wavelength two readings found, and their mean.
    EXPECT_EQ(mean->Int(R::kAutoSpotWavelength), 560);
    EXPECT_FLOAT_EQ(mean->Float(R::kAutoSpotDensity), 0.45f);
}

TEST(SampleAverager, TheSpreadIsTheSampleDeviationAndTheLargestDeltaE00) {
    SampleAverager averager(3);
    const Lab readings[] = {{50, 1, -2}, {51, 2, -2}, {52, 3, -5}};
    for (const Lab &lab : readings)
        averager.Add(Reading(static_cast<float>(lab[0]), static_cast<float>(lab[1]), static_cast<float>(lab[2]), 0.5f, 0));
    const std::optional<SampleSpread> spread = averager.Spread();
    ASSERT_TRUE(spread);
    EXPECT_NEAR(spread->sdL, 1.0, 1e-6);
    EXPECT_NEAR(spread->sdA, 1.0, 1e-6);
    EXPECT_NEAR(spread->sdB, std::sqrt(3.0), 1e-6);
    double largest = 0;
    for (const Lab &lab : readings) largest = std::max(largest, ombra::colorimetry::DeltaE00({51, 2, -3}, lab));
    EXPECT_NEAR(spread->maxDeltaE00, largest, 1e-5);

    SampleAverager single;
    single.Add(Reading(50, 1, -2, 0.5f, 0));
    ASSERT_TRUE(single.Spread());
    EXPECT_EQ(single.Spread()->sdL, 0);
    EXPECT_EQ(single.Spread()->maxDeltaE00, 0);
}

TEST(SampleAverager, CountingDiscardingAndStartingOver) {
    SampleAverager averager(2);
    averager.Add(Reading(50, 0, 0, 0.5f, 0));
    averager.SetReadings(3);
    EXPECT_EQ(averager.Collected(), 0) << "a changed count discards the partial sample";
    averager.Add(Reading(50, 0, 0, 0.5f, 0));
    averager.Discard();
    EXPECT_EQ(averager.Collected(), 0);
    for (int i = 0; i < 3; ++i) averager.Add(Reading(60, 0, 0, 0.5f, 0));
    averager.Add(Reading(70, 0, 0, 0.5f, 0));
    EXPECT_EQ(averager.Collected(), 1) << "a complete sample starts over";
    EXPECT_EQ(SampleAverager(0).Readings(), 1);
    EXPECT_EQ(SampleAverager(11).Readings(), 10);

    R noLab = Reading(50, 0, 0, 0.5f, 0);
    noLab.SetFloat(R::kColorValue0, kMissing);
    SampleAverager withoutLab(1);
    withoutLab.Add(noLab);
    EXPECT_TRUE(withoutLab.Mean());
    EXPECT_FALSE(withoutLab.Spread());
}

}  // namespace
