// CIELAB (D50) and light chromaticities on the screen: published sRGB values of the white, a
// mid grey and the primaries, the gamut mark, and the colour of well-known lights.
#include <gtest/gtest.h>

#include <cmath>

#include "colorimetry/Srgb.h"

using namespace ombra::colorimetry;

namespace {

void ExpectBytes(const SrgbColour &c, std::array<int, 3> expected, const char *what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(c.rgb[i] * 255.0, expected[i], 1.0) << what << " channel " << i;
    EXPECT_EQ(c.Bytes(), expected) << what;
}

}  // namespace

// The sRGB colours of the ICC's D50 (Bradford) reference: the profile connection space values
// of white, the L* 50 grey and the three primaries.
TEST(Srgb, PublishedColoursWithinOneStep) {
    struct Known {
        Triple lab;
        std::array<int, 3> rgb;
        const char *name;
    };
    for (const Known &k : {Known{{100, 0, 0}, {255, 255, 255}, "white"},
                           Known{{50, 0, 0}, {119, 119, 119}, "mid grey"},
                           Known{{0, 0, 0}, {0, 0, 0}, "black"},
                           Known{{54.29, 80.81, 69.89}, {255, 0, 0}, "red"},
                           Known{{87.82, -79.29, 80.99}, {0, 255, 0}, "green"},
                           Known{{29.57, 68.30, -112.03}, {0, 0, 255}, "blue"}}) {
        SrgbColour c = LabD50ToSrgb(k.lab);
        ExpectBytes(c, k.rgb, k.name);
        EXPECT_FALSE(c.outOfGamut) << k.name;
    }
}

TEST(Srgb, OutOfGamutIsMarkedAndKeepsLightnessAndHue) {
    // A saturated cyan beyond the sRGB primaries, and lightness above white.
    SrgbColour cyan = LabD50ToSrgb({60, -80, -40});
    EXPECT_TRUE(cyan.outOfGamut);
    for (double c : cyan.rgb) {
        EXPECT_GE(c, 0.0);
        EXPECT_LE(c, 1.0);
    }
    // The clipped colour is still a cyan: red lowest, green and blue well above it.
    EXPECT_LT(cyan.rgb[0] + 0.2, cyan.rgb[1]);
    EXPECT_LT(cyan.rgb[0] + 0.2, cyan.rgb[2]);
    EXPECT_TRUE(LabD50ToSrgb({104, 0, 0}).outOfGamut);
    EXPECT_EQ(LabD50ToSrgb({104, 0, 0}).Bytes(), (std::array<int, 3>{255, 255, 255}));
    // A paper white a little blue is inside.
    EXPECT_FALSE(LabD50ToSrgb({95, 1, -4}).outOfGamut);
}

TEST(Srgb, LightChromaticities) {
    // D65 is the display's white; illuminant A is orange (red full, blue lowest); a spectral
    // green lies far outside the gamut.
    auto d65 = ChromaticityToSrgb(0.31271, 0.32902);
    ASSERT_TRUE(d65);
    ExpectBytes(*d65, {255, 255, 255}, "D65");
    EXPECT_FALSE(d65->outOfGamut);
    auto a = ChromaticityToSrgb(0.44757, 0.40745);
    ASSERT_TRUE(a);
    EXPECT_FALSE(a->outOfGamut);
    EXPECT_DOUBLE_EQ(a->rgb[0], 1.0);
    EXPECT_GT(a->rgb[1], a->rgb[2]);
    EXPECT_LT(a->rgb[2], 0.75);
    auto green = ChromaticityToSrgb(0.0743, 0.8338);  // 520 nm
    ASSERT_TRUE(green);
    EXPECT_TRUE(green->outOfGamut);
    EXPECT_DOUBLE_EQ(green->rgb[1], 1.0);
    EXPECT_FALSE(ChromaticityToSrgb(0.3, 0.0));
}
