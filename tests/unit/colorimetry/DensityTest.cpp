// Status, narrow-band and spot densities.
#include <gtest/gtest.h>

#include <cmath>

#include "TestVectors.h"
#include "colorimetry/Colorimetry.h"

using namespace ombra::colorimetry;

namespace {
Reflectance Flat(double value) {
    Reflectance r;
    r.fill(value);
    return r;
}
}  // namespace

TEST(Density, FlatSpectrumGivesMinusLogReflectanceInEverySet) {
    for (double value : {1.0, 0.5, 0.18, 0.01, 0.001}) {
        for (int set = 0; set <= 4; ++set) {
            auto d = Densities(Flat(value), set);
            ASSERT_TRUE(d);
            for (double v : *d)
                EXPECT_FLOAT_EQ(static_cast<float>(v), static_cast<float>(-std::log10(value)))
                    << "R " << value << " set " << set;
        }
    }
    for (const auto &v : colorimetry_test::Vectors()["density_results"].toArray()) {
        QJsonObject o = v.toObject();
        auto d = *Densities(colorimetry_test::SampleSpectrum(o["sample"].toString()), 0);
        EXPECT_NEAR(d[0], o["expected_10nm_sum"].toObject()["StatusT_R"].toDouble(), 1e-12);
        EXPECT_NEAR(d[3], o["argyll"].toObject()["ISO_Visual"].toDouble(), 1e-5);
    }
    EXPECT_FALSE(Densities(Flat(0.5), 5));
}

TEST(Density, StatusChannelsSeeTheirOwnAbsorption) {
    // A cyan-like sample: dark in the red only.
    Reflectance cyan{};
    for (int i = 0; i < kReflectanceCount; ++i)
        cyan[i] = 380 + 10 * i >= 590 ? 0.02 : 0.7;
    for (int set = 0; set < 4; ++set) {
        auto d = *Densities(cyan, set);
        EXPECT_GT(d[0], 1.5) << set;
        EXPECT_LT(d[1], 0.3) << set;
        EXPECT_LT(d[2], 0.2) << set;
    }
    auto narrow = *Densities(cyan, 4);
    EXPECT_NEAR(narrow[0], -std::log10(0.02), 1e-12);
    EXPECT_NEAR(narrow[2], -std::log10(0.7), 1e-12);
}

TEST(Density, SpotDensityInterpolatesAtOneNanometre) {
    Reflectance r = Flat(0.5);
    r[0] = 0.1;  // 380 nm
    r[1] = 0.3;  // 390 nm
    EXPECT_NEAR(*SpotDensity(r, 385), -std::log10(0.2), 1e-12);
    EXPECT_NEAR(*SpotDensity(r, 730), -std::log10(0.5), 1e-12);
    EXPECT_FALSE(SpotDensity(r, 379));
    EXPECT_FALSE(SpotDensity(r, 731));
    AutoSpot a = AutomaticSpotDensity(r);
    EXPECT_EQ(a.nm, 380);
    EXPECT_NEAR(a.density, 1.0, 1e-12);

    Reflectance dip = Flat(0.8);
    dip[18] = 0.05;  // 560 nm
    a = AutomaticSpotDensity(dip);
    EXPECT_EQ(a.nm, 560);
    // Zero reflectance is held at the darkest readable value instead of an infinite density.
    EXPECT_NEAR(*SpotDensity(Flat(0.0), 500), 6.0, 1e-12);
    EXPECT_TRUE(std::isfinite((*Densities(Flat(0.0), 0))[0]));
}
