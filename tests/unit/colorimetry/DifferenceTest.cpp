// Colour-difference formulas against published values: the CIEDE2000 test data of Sharma, Wu and
// Dalal (Color Res. Appl. 30(1), 2005, Table 1) and the ΔE94 / CMC examples of the colour-science
// and python-colormath test suites.
#include <gtest/gtest.h>

#include <cmath>

#include "colorimetry/Difference.h"

namespace {

using namespace ombra::colorimetry;

struct Pair {
    Triple first, second;
    double deltaE00;
};

// All 34 pairs; published to 4 decimals.
const Pair kSharma[] = {
    {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
    {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
    {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
    {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
    {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
    {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
    {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
    {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
    {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
    {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
    {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
    {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
    {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
    {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
    {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
    {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
    {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
    {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
    {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
    {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
    {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
    {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
    {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
};

TEST(Difference, Ciede2000MatchesThePublishedPairsInBothOrders) {
    int n = 0;
    for (const Pair &p : kSharma) {
        ++n;
        EXPECT_NEAR(DeltaE00(p.first, p.second), p.deltaE00, 5e-5) << "pair " << n;
        EXPECT_NEAR(DeltaE00(p.second, p.first), p.deltaE00, 5e-5) << "pair " << n << " swapped";
    }
    EXPECT_EQ(n, 34);
}

// colour-science's reference colour and three samples (values to 7 decimals).
const Triple kReference{100.0, 21.57210357, 272.22819350};
const Triple kSamples[] = {{100.0, 426.67945353, 72.39590835},
                           {100.0, 74.05216981, 276.45318193},
                           {100.0, 8.32281957, -73.58297716}};

TEST(Difference, Cie94ForGraphicArtsAndTextiles) {
    const double graphicArts[] = {83.779225500887094, 10.053931954553839, 57.535453706667425};
    const double textiles[] = {88.335553057506502, 10.612657890048272, 60.368687261063329};
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(DeltaE94(kReference, kSamples[i]), graphicArts[i], 1e-7) << i;
        EXPECT_NEAR(DeltaE94(kReference, kSamples[i], kCie94Textiles), textiles[i], 1e-7) << i;
    }
    // With a lightness difference, where kL = 2 halves its weight (python-colormath, 3 decimals).
    const Triple standard{0.9, 16.3, -2.22}, batch{0.7, 14.2, -1.80};
    EXPECT_NEAR(DeltaE94(standard, batch), 1.249, 5e-4);
    EXPECT_NEAR(DeltaE94(standard, batch, kCie94Textiles), 1.204, 5e-4);
    EXPECT_NEAR(DeltaE76(standard, batch), 2.151, 5e-4);
}

TEST(Difference, CmcAcceptabilityAndPerceptibility) {
    const double expected[] = {172.70477129, 20.59732717, 121.71841479};
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(DeltaECmc(kReference, kSamples[i]), expected[i], 1e-7) << i;
    // python-colormath: a dark standard (L* below 16) and a pair whose hues lie on either side of 164°.
    const Triple standard{0.9, 16.3, -2.22}, batch{0.7, 14.2, -1.80};
    EXPECT_NEAR(DeltaECmc(standard, batch, kCmcAcceptability), 1.443, 5e-4);
    EXPECT_NEAR(DeltaECmc(standard, batch, kCmcPerceptibility), 1.482, 5e-4);
    EXPECT_NEAR(DeltaECmc({69.417, -12.612, -11.271}, {83.386, 39.426, -17.525}), 44.346, 5e-4);
}

TEST(Difference, Ciede2000ParametricFactors) {
    // colour-science with kL = 2 and a lightness difference of 50.
    const Triple darker[] = {{50.0, 426.67945353, 72.39590835}, {50.0, 74.05216981, 276.45318193}};
    EXPECT_NEAR(DeltaE00(kReference, darker[0], {2, 1, 1}), 95.79205352, 1e-7);
    EXPECT_NEAR(DeltaE00(kReference, darker[1], {2, 1, 1}), 23.55420943, 1e-7);
    EXPECT_LT(DeltaE00(kReference, darker[1], {2, 1, 1}), DeltaE00(kReference, darker[1]));
}

TEST(Difference, SymmetricFormulasAndReferenceWeightedOnes) {
    const Triple a{52.1, 40.3, -12.7}, b{48.6, 22.9, 5.4};
    EXPECT_DOUBLE_EQ(DeltaE76(a, b), DeltaE76(b, a));
    EXPECT_NEAR(DeltaE00(a, b), DeltaE00(b, a), 1e-12);
    // ΔE94 and CMC weight by the reference's chroma: swapping the two changes the value.
    EXPECT_GT(std::fabs(DeltaE94(a, b) - DeltaE94(b, a)), 0.1);
    EXPECT_GT(std::fabs(DeltaECmc(a, b) - DeltaECmc(b, a)), 0.1);
    for (auto f : {DeltaE76(a, a), DeltaE94(a, a), DeltaE00(a, a), DeltaECmc(a, a)}) EXPECT_EQ(f, 0.0);
}

Triple AtHue(double L, double chroma, double degrees) {
    const double r = degrees * 3.14159265358979323846 / 180.0;
    return {L, chroma * std::cos(r), chroma * std::sin(r)};
}

TEST(Difference, ComponentsAndTheSignOfTheHueDifference) {
    const Triple reference = AtHue(50, 20, 355);
    // Anticlockwise, also across 0°: positive; clockwise: negative; swapped: the opposite sign.
    const LabDifference across = DifferenceOf(reference, AtHue(55, 25, 5));
    EXPECT_GT(across.dH, 0);
    EXPECT_NEAR(across.dL, 5, 1e-12);
    EXPECT_NEAR(across.dC, 5, 1e-12);
    EXPECT_NEAR(across.dH, 2 * std::sqrt(20.0 * 25.0) * std::sin(5 * 3.14159265358979323846 / 180), 1e-12);
    EXPECT_LT(DifferenceOf(reference, AtHue(50, 20, 300)).dH, 0);
    EXPECT_NEAR(DifferenceOf(AtHue(55, 25, 5), reference).dH, -across.dH, 1e-12);
    // The components split ΔE*ab: ΔL*² + ΔC*² + ΔH*² = Δa*² + Δb*² + ΔL*².
    const Triple a{61.2901, 3.7196, -5.3901}, b{61.4292, 2.2480, -4.9620};
    const LabDifference d = DifferenceOf(a, b);
    EXPECT_NEAR(d.da, b[1] - a[1], 1e-12);
    EXPECT_NEAR(d.db, b[2] - a[2], 1e-12);
    EXPECT_NEAR(d.dL * d.dL + d.dC * d.dC + d.dH * d.dH, std::pow(DeltaE76(a, b), 2), 1e-12);
    // A neutral colour has no hue: no hue difference, all of it is chroma.
    const LabDifference fromGrey = DifferenceOf({50, 0, 0}, {50, 3, 4});
    EXPECT_EQ(fromGrey.dH, 0.0);
    EXPECT_NEAR(fromGrey.dC, 5, 1e-12);
}

}  // namespace
