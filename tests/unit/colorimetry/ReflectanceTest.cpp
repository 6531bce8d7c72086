// Tristimulus values and colour spaces of reflection samples against the reference values.
#include <gtest/gtest.h>

#include "TestVectors.h"
#include "colorimetry/Colorimetry.h"

using namespace ombra::colorimetry;
using namespace colorimetry_test;

namespace {

int IlluminantValue(const QString &name) {
    for (int i = 0; i < kIlluminantCount; ++i)
        if (QString::fromStdString(IlluminantName(i)) == name)
            return i;
    return -1;
}

struct Case {
    QString sample;
    int illuminant, observer;
    QJsonObject argyll, astm;
};

std::vector<Case> Cases() {
    std::vector<Case> out;
    for (const auto &v : Vectors()["reflectance_results"].toArray()) {
        QJsonObject o = v.toObject();
        QString key = o["illuminant"].toString() + "/" + o["observer"].toString();
        if (key != "D50/2" && key != "D65/10")
            continue;
        out.push_back({o["sample"].toString(), IlluminantValue(o["illuminant"].toString()),
                       o["observer"].toString() == "10" ? 1 : 0, o["argyll"].toObject(),
                       o["astm_e308_t5_380_730"].toObject()});
    }
    return out;
}

}  // namespace

TEST(Reflectance, EveryReferenceSampleWithinHundredthDeltaE) {
    auto cases = Cases();
    ASSERT_EQ(cases.size(), 56u);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.sample.toStdString() + " " + IlluminantName(c.illuminant));
        auto w = TabulatedWeights(c.illuminant, c.observer);
        ASSERT_TRUE(w);
        XYZ xyz = ToXYZ(SampleSpectrum(c.sample), *w);
        XYZ white = WhitePoint(*w);
        Triple lab = ToLab(xyz, white);
        EXPECT_LT(DeltaEab(lab, ToTriple(c.astm["Lab"])), 0.01);
        // The independent 1 nm integration, relative to its own white.
        EXPECT_LT(DeltaEab(lab, ToTriple(c.argyll["Lab"])), 0.01);
        Triple ref = ToTriple(c.astm["XYZ"]);
        EXPECT_NEAR(xyz.X, ref[0], 0.002);
        EXPECT_NEAR(xyz.Y, ref[1], 0.002);
        EXPECT_NEAR(xyz.Z, ref[2], 0.002);
        Triple lch = LabToLCh(lab), refLch = ToTriple(c.astm["LCh"]);
        EXPECT_NEAR(lch[1], refLch[1], 0.005);
        if (refLch[1] > 0.5) {  // hue is meaningless for neutrals
            EXPECT_NEAR(lch[2], refLch[2], 0.05);
        }
        Triple yxy = ToYxy(xyz), refXyY = ToTriple(c.astm["xyY"]);
        EXPECT_NEAR(yxy[0], refXyY[2], 0.002);
        EXPECT_NEAR(yxy[1], refXyY[0], 1e-5);
        EXPECT_NEAR(yxy[2], refXyY[1], 1e-5);
        double ka = 175.0 / 198.04 * (white.X + white.Y), kb = 70.0 / 218.11 * (white.Y + white.Z);
        Triple hunter = ToHunterLab(xyz, white, ka, kb), refHunter = ToTriple(c.astm["HunterLab_approxK"]);
        EXPECT_LT(DeltaEab(hunter, refHunter), 0.01);
    }
}

TEST(Reflectance, WhitePointsOfTheWeightTables) {
    XYZ d65 = WhitePoint(*TabulatedWeights(kIlluminantD65, kObserver2));
    EXPECT_NEAR(d65.X, 95.047, 0.001);
    EXPECT_NEAR(d65.Y, 100.0, 1e-5);
    EXPECT_NEAR(d65.Z, 108.883, 0.001);
    XYZ d50 = WhitePoint(*TabulatedWeights(kIlluminantD50, kObserver2));
    EXPECT_NEAR(d50.X, 96.422, 0.001);
    EXPECT_NEAR(d50.Z, 82.522, 0.001);
    XYZ a10 = WhitePoint(*TabulatedWeights(kIlluminantA, kObserver10));
    EXPECT_NEAR(a10.X, 111.144, 0.002);
}

TEST(Reflectance, ComputedWeightsMatchTheTablesForCubicInterpolatedIlluminants) {
    // The tables were made by the same method; D65 differs on purpose (its 1 nm values are a
    // linear interpolation) and is not compared.
    for (int illuminant : {kIlluminantC, kIlluminantD50, kIlluminantD55, kIlluminantD75})
        for (int observer : {0, 1}) {
            SCOPED_TRACE(IlluminantName(illuminant) + " observer " + std::to_string(observer));
            auto table = TabulatedWeights(illuminant, observer);
            auto computed = ComputeWeights(*IlluminantSpd(illuminant), observer);
            ASSERT_TRUE(computed);
            for (int i = 0; i < kReflectanceCount; ++i)
                for (int j = 0; j < 3; ++j)
                    EXPECT_NEAR(computed->w[i][j], table->w[i][j], 1e-5);
        }
    for (int illuminant = 6; illuminant <= kIlluminantF11; ++illuminant) {
        auto table = TabulatedWeights(illuminant, 0);
        auto computed = ComputeWeights(*IlluminantSpd(illuminant), 0);
        ASSERT_TRUE(computed);
        Reflectance grey;
        grey.fill(0.5);
        EXPECT_LT(DeltaEab(ToLab(ToXYZ(grey, *computed), WhitePoint(*table)),
                           ToLab(ToXYZ(grey, *table), WhitePoint(*table))),
                  0.01);
    }
}

TEST(Reflectance, WeightsRefuseMissingOrPowerlessIlluminants) {
    EXPECT_FALSE(TabulatedWeights(kIlluminantUser, 0));
    EXPECT_FALSE(TabulatedWeights(160, 0));
    EXPECT_FALSE(TabulatedWeights(kIlluminantD50, 2));
    UserIlluminant dark{};
    EXPECT_FALSE(ComputeWeights(dark, 0));
    UserIlluminant bad{};
    bad.fill(1.f);
    bad[40] = std::nanf("");
    EXPECT_FALSE(ComputeWeights(bad, 0));
    // Places without a value (the largest float) count as no power, not as a huge one.
    UserIlluminant gaps = *IlluminantSpd(kIlluminantD50);
    gaps[0] = kNoValue;  // 300 nm, outside the weighted range
    auto withGaps = ComputeWeights(gaps, 0);
    ASSERT_TRUE(withGaps);
    EXPECT_NEAR(WhitePoint(*withGaps).X, 96.422, 0.001);
}

TEST(Reflectance, LabOfNeutralsAndPublishedHunterConstants) {
    auto w = *TabulatedWeights(kIlluminantD50, kObserver2);
    XYZ white = WhitePoint(w);
    Triple lab = ToLab(white, white);
    EXPECT_NEAR(lab[0], 100.0, 1e-9);
    EXPECT_NEAR(lab[1], 0.0, 1e-9);
    Triple hunter = ToHunterLab(white, white, kIlluminantD50, kObserver2);
    EXPECT_NEAR(hunter[0], 100.0, 1e-9);
    EXPECT_NEAR(hunter[2], 0.0, 1e-9);
    auto k = HunterCoefficients(white, kIlluminantD50, kObserver2);
    EXPECT_DOUBLE_EQ(k[0], 173.51);
    EXPECT_DOUBLE_EQ(k[1], 58.48);
    auto f2 = HunterCoefficients(white, 7, kObserver10);  // published as FL2
    EXPECT_DOUBLE_EQ(f2[0], 178.6);
    EXPECT_EQ(ToHunterLab(XYZ{}, white, 1.0, 1.0), (Triple{0, 0, 0}));
    Triple lch = LabToLCh({50, -10, -10});
    EXPECT_NEAR(lch[2], 225.0, 1e-9);
}
