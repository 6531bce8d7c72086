// Illuminance, colour temperature and duv of light sources.
#include <gtest/gtest.h>

#include <cmath>

#include "TestVectors.h"
#include "colorimetry/Instrument.h"

using namespace ombra::colorimetry;

namespace {

Irradiance FromIlluminant(int illuminant) {
    auto spd = *IlluminantSpd(illuminant);
    Irradiance e{};
    for (int k = 0; k < kIrradianceCount; ++k)
        e[k] = spd[k + 12];  // 360 nm is place 12 of the 300..780 nm record
    return e;
}

Irradiance Planck(double kelvin) {
    Irradiance e{};
    for (int k = 0; k < kIrradianceCount; ++k) {
        double m = (kIrradianceFirstNm + 5.0 * k) * 1e-9;
        e[k] = 1e-12 / (std::pow(m, 5) * std::expm1(1.4388e-2 / (m * kelvin)));
    }
    return e;
}

}  // namespace

TEST(Irradiance, PublishedColourTemperatures) {
    struct Expect {
        int illuminant;
        double cct, tolerance;
    };
    for (auto e : {Expect{kIlluminantA, 2856, 1}, Expect{kIlluminantD65, 6504, 2},
                   Expect{kIlluminantD50, 5003, 2}, Expect{7, 4230, 5}, Expect{kIlluminantF11, 4000, 5}}) {
        auto v = AnalyseLight(FromIlluminant(e.illuminant));
        ASSERT_TRUE(v);
        EXPECT_NEAR(v->cct, e.cct, e.tolerance) << IlluminantName(e.illuminant);
    }
    auto d65 = *AnalyseLight(FromIlluminant(kIlluminantD65));
    EXPECT_NEAR(d65.duv, 0.0032, 0.0002);
}

TEST(Irradiance, OhnoReferenceExamplesAndThePlanckianLocus) {
    for (const auto &v : colorimetry_test::Vectors()["cct_published_examples"].toArray()) {
        QJsonObject o = v.toObject();
        if (o["method"].toString() != "Ohno2013")
            continue;
        QJsonArray uv = o["uv"].toArray();
        CctResult r = CctOhno(uv[0].toDouble(), uv[1].toDouble());
        ASSERT_EQ(r.status, CctResult::kOk);
        EXPECT_NEAR(r.cct, o["CCT"].toDouble(), o["tol_K"].toDouble());
        EXPECT_NEAR(r.duv, o["Duv"].toDouble(), o["tol_Duv"].toDouble());
    }
    for (double t : {1200.0, 2000.0, 4000.0, 6500.0, 12000.0, 19000.0}) {
        auto p = PlanckUv(t);
        CctResult on = CctOhno(p[0], p[1]);
        EXPECT_NEAR(on.cct, t, t * 2e-6);
        EXPECT_NEAR(on.duv, 0.0, 1e-7);
        // A point 0.01 above the locus (perpendicular offset) keeps its temperature.
        auto q = PlanckUv(t * 1.0001);
        double du = q[0] - p[0], dv = q[1] - p[1], len = std::hypot(du, dv);
        double nu = -dv / len, nv = du / len;  // unit normal, turned to point to larger v
        if (nv < 0) {
            nu = -nu;
            nv = -nv;
        }
        CctResult above = CctOhno(p[0] + 0.01 * nu, p[1] + 0.01 * nv);
        CctResult below = CctOhno(p[0] - 0.01 * nu, p[1] - 0.01 * nv);
        EXPECT_NEAR(below.duv, -0.01, 1e-6);
        EXPECT_NEAR(above.cct, t, t * 2e-5);
        EXPECT_NEAR(above.duv, 0.01, 1e-6);
    }
    auto hot = PlanckUv(30000), cold = PlanckUv(900);
    EXPECT_EQ(CctOhno(hot[0], hot[1]).status, CctResult::kAboveRange);
    EXPECT_EQ(CctOhno(cold[0], cold[1]).status, CctResult::kBelowRange);
    EXPECT_EQ(CctOhno(std::nan(""), 0.3).status, CctResult::kInvalid);
}

TEST(Irradiance, PlanckianSpectraAndIntegrationVariants) {
    for (double t : {2000.0, 4000.0, 6500.0}) {
        auto fine = *AnalyseLight(Planck(t));
        EXPECT_NEAR(fine.cct, t, 0.5) << t;
        EXPECT_NEAR(fine.duv, 0.0, 2e-5);
        auto extended = *AnalyseLight(Planck(t), Integration::k5nmExtended);
        EXPECT_NEAR(extended.cct, t, 0.3);
        auto truncated = *AnalyseLight(Planck(t), Integration::k5nm);
        EXPECT_GT(truncated.cct, t);  // cutting off the red raises the temperature
        EXPECT_LT(truncated.cct, t + 2);
    }
}

TEST(Irradiance, LightSourcesAreScaledToTheirIlluminance) {
    for (const auto &name : LightSourceNames()) {
        auto light = MakeLightSource(name, 1000);
        ASSERT_TRUE(light) << name;
        for (auto method : {Integration::k1nmLinearExtended, Integration::k5nmExtended, Integration::k5nm})
            EXPECT_NEAR(AnalyseLight(light->irradiance, method)->lux, 1000, 1.0) << name;
        auto five = MakeLightSource(name, 500);
        EXPECT_NEAR(AnalyseLight(five->irradiance)->lux, 500, 1e-6);
    }
    auto led = *AnalyseLight(MakeLightSource("LED4000K", 300)->irradiance);
    EXPECT_NEAR(led.cct, 4000, 0.5);
    EXPECT_FALSE(MakeLightSource("D50", 1000));  // not in the light-source library
    EXPECT_FALSE(MakeLightSource("A", 0));
    EXPECT_FALSE(AnalyseLight(Irradiance{}));
    // Flat 1 mW m^-2 nm^-1: 683.002 * 1e-3 * sum of ybar over the visible range.
    Irradiance flat;
    flat.fill(1e-3);
    EXPECT_NEAR(AnalyseLight(flat, Integration::k5nm)->lux, 72.97951, 1e-4);
}
