// What the simulated instrument reports: conditions, selectors, the sample library and files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>

#include "colorimetry/Instrument.h"

using namespace ombra::colorimetry;

namespace {

MeasurementProperties Props(int condition, int illuminant = kIlluminantD50, int observer = 0) {
    MeasurementProperties p;
    p.condition = condition;
    p.illuminant = illuminant;
    p.observer = observer;
    return p;
}

float BlueReflectance(const InstrumentResults &r) {
    return r.spectrum[6];  // 440 nm
}

}  // namespace

TEST(Instrument, BrightenerFluorescesOnlyWithUvInTheLight) {
    Sample paper = *FindSample("paper_white");
    auto m0 = Measure(paper, Props(kConditionM0));
    auto m1 = Measure(paper, Props(kConditionM1));
    auto m2 = Measure(paper, Props(kConditionM2));
    auto m3 = Measure(paper, Props(kConditionM3));
    EXPECT_NEAR(BlueReflectance(m2), paper.body[6], 1e-6);
    EXPECT_FLOAT_EQ(BlueReflectance(m3), BlueReflectance(m2));
    EXPECT_GT(BlueReflectance(m0), BlueReflectance(m2));
    EXPECT_NEAR(BlueReflectance(m1) - BlueReflectance(m2), paper.brightener, 1e-6);
    EXPECT_LT(BlueReflectance(m0), BlueReflectance(m1));  // tungsten has little UV
    EXPECT_LT(m1.colour[0][2], m2.colour[0][2]);          // bluer: b* drops
    // The polarisation filter blocks UV as well.
    auto filtered = Props(kConditionM1);
    filtered.polarised = true;
    EXPECT_FLOAT_EQ(BlueReflectance(Measure(paper, filtered)), BlueReflectance(m2));
    // Red end: no emission, same value everywhere.
    EXPECT_FLOAT_EQ(m0.spectrum[30], m2.spectrum[30]);
    // F-series sources carry almost no UV, D65 more than D50.
    EXPECT_LT(SourceUvContent(Props(kIlluminantF11)), 0.2);
    EXPECT_GT(SourceUvContent(Props(kIlluminantD65)), 1.0);
}

TEST(Instrument, PolarisationRaisesSolidDensitiesOfGlossySamplesOnly) {
    auto unpolarised = Props(kConditionM2);
    auto polarised = Props(kConditionM0);
    polarised.polarised = true;  // condition 0 with the filter on is M3
    // Cyan in its own (red) channel, black in the visual channel.
    for (auto [name, channel] : {std::pair{"solid_cyan_gloss", 0}, std::pair{"solid_black_wet", 3}}) {
        Sample s = *FindSample(name);
        float before = Measure(s, unpolarised).density[0][channel];
        float after = Measure(s, polarised).density[0][channel];
        EXPECT_GT(after, before + 0.1f) << name;
        EXPECT_NEAR(after, Measure(s, Props(kConditionM3)).density[0][channel], 1e-6);
    }
    Sample matte = *FindSample("solid_black");
    EXPECT_FLOAT_EQ(Measure(matte, unpolarised).density[0][3], Measure(matte, polarised).density[0][3]);
}

TEST(Instrument, IlluminantMatchedConditionDecidesTheIlluminant) {
    Sample s = *FindSample("cc_orange");
    auto matched = Measure(s, Props(kIlluminantD65, kIlluminantD50));  // source D65, property D50
    auto asked = Measure(s, Props(kConditionM2, kIlluminantD65));
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(matched.colour[4][i], asked.colour[4][i]);
    EXPECT_EQ(EffectiveIlluminant(Props(kConditionM1, kIlluminantA)), kIlluminantA);
    EXPECT_EQ(EffectiveIlluminant(Props(7, kIlluminantA)), 7);
}

TEST(Instrument, UserIlluminantUsesTheRegisteredDistribution) {
    Sample s = *FindSample("cc_blue");
    auto p = Props(kConditionM2, kIlluminantUser);
    auto none = Measure(s, p);
    EXPECT_EQ(none.colour[0][0], kNoValue);
    EXPECT_LT(none.density[0][0], kNoValue);  // densities do not depend on the illuminant
    p.userIlluminant = *IlluminantSpd(kIlluminantD50);
    auto user = Measure(s, p);
    auto d50 = Measure(s, Props(kConditionM2, kIlluminantD50));
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(user.colour[0][i], d50.colour[0][i], 2e-3);
    auto illuminant160 = Measure(s, Props(kConditionM2, 160));
    EXPECT_EQ(illuminant160.colour[4][1], kNoValue);
}

TEST(Instrument, ResultSelectorsAndIndexes) {
    Sample white = *FindSample("white_tile");
    auto r = Measure(white, Props(kConditionM2, kIlluminantD65));
    float c[3], d[4], idx[3];
    EXPECT_TRUE(r.Colour(0, c));
    EXPECT_NEAR(c[0], 95.163f, 0.005f);  // 116 * 0.88^(1/3) - 16
    EXPECT_FALSE(r.Colour(5, c));
    EXPECT_TRUE(r.Colour(6, c));
    EXPECT_EQ(c[0], kNoValue);  // light-source values need an irradiance measurement
    EXPECT_TRUE(r.Density(4, d));
    EXPECT_FALSE(r.Density(5, d));
    EXPECT_EQ(r.IndexCount(0), 1);
    EXPECT_EQ(r.IndexCount(1), 2);
    EXPECT_EQ(r.IndexCount(2), 3);
    EXPECT_EQ(r.IndexCount(3), 0);
    ASSERT_TRUE(r.Index(0, idx));
    EXPECT_NEAR(idx[0], 0.0f, 0.05f);  // neutral: no yellowness
    ASSERT_TRUE(r.Index(1, idx));
    EXPECT_NEAR(idx[0], 88.0f, 0.01f);  // CIE whiteness of a neutral = Y
    EXPECT_NEAR(idx[1], 0.0f, 1e-3f);
    ASSERT_TRUE(r.Index(2, idx));
    EXPECT_NEAR(idx[1], 100 * std::sqrt(0.88f), 0.01f);  // L - 3b with b = 0
    // YI E313 is defined for C and D65 only.
    auto d50 = Measure(white, Props(kConditionM2, kIlluminantD50));
    EXPECT_EQ(d50.index[0][0], kNoValue);
    // Brightened paper is whiter than its body under UV.
    Sample paper = *FindSample("paper_white");
    EXPECT_GT(Measure(paper, Props(kIlluminantD65, kIlluminantD65)).index[1][0],
              Measure(paper, Props(kConditionM2, kIlluminantD65)).index[1][0] + 10);

    int nm = 0;
    float density = 0;
    Sample magenta = *FindSample("solid_magenta");
    auto m = Measure(magenta, Props(kConditionM2));
    EXPECT_TRUE(m.SpotDensity(nm, density));
    EXPECT_GT(nm, 500);
    EXPECT_LT(nm, 580);
    EXPECT_GT(density, 1.2f);
    nm = 620;
    EXPECT_TRUE(m.SpotDensity(nm, density));
    EXPECT_EQ(nm, 620);
    nm = 200;
    EXPECT_FALSE(m.SpotDensity(nm, density));
    float spectrum[75];
    EXPECT_TRUE(m.Spectrum(spectrum, 36));
    EXPECT_FALSE(m.Spectrum(spectrum, 75));
    auto padded = m.SpectrumPadded(40);
    EXPECT_EQ(padded[35], spectrum[35]);
    EXPECT_EQ(padded[36], kNoValue);
}

TEST(Instrument, ResamplingFromOtherGrids) {
    std::vector<float> fiveNm;
    for (int nm = 400; nm <= 700; nm += 5)
        fiveNm.push_back(static_cast<float>(nm) / 1000.f);
    Reflectance r = ResampleReflectance(400, 5, fiveNm);
    EXPECT_FLOAT_EQ(static_cast<float>(r[0]), 0.4f);   // held below 400 nm
    EXPECT_FLOAT_EQ(static_cast<float>(r[12]), 0.5f);  // 500 nm
    EXPECT_FLOAT_EQ(static_cast<float>(r[35]), 0.7f);  // held above 700 nm
    Irradiance e = ResampleIrradiance(400, 5, fiveNm);
    EXPECT_EQ(e[0], 0.0);  // no light outside the given range
    EXPECT_FLOAT_EQ(static_cast<float>(e[8]), 0.4f);
    EXPECT_EQ(e[74], 0.0);
    EXPECT_EQ(ResampleReflectance(380, 0, fiveNm)[3], 0.0);
}

TEST(Instrument, LightMeasurementDeliversIlluminanceAndTemperature) {
    auto r = Measure(*MakeLightSource("A", 750));
    float c[3];
    ASSERT_TRUE(r.Colour(6, c));
    EXPECT_NEAR(c[0], 750.0f, 0.01f);
    EXPECT_NEAR(c[1], 2856.0f, 1.0f);
    ASSERT_TRUE(r.Colour(3, c));
    EXPECT_NEAR(c[1], 0.4476f, 2e-4f);
    EXPECT_EQ(r.colour[0][0], kNoValue);
    EXPECT_EQ(r.density[0][0], kNoValue);
    EXPECT_EQ(r.spectrum.size(), 75u);
}

TEST(Instrument, SampleLibraryHasTheExpectedMembers) {
    for (const char *name : {"paper_white", "solid_cyan", "solid_magenta", "solid_yellow", "solid_black",
                             "tint50_cyan", "tint50_black", "cc_dark_skin", "cc_black_2", "spot_orange",
                             "solid_black_gloss", "solid_yellow_wet"})
        EXPECT_TRUE(FindSample(name)) << name;
    EXPECT_FALSE(FindSample("nothing"));
    int colorChecker = 0;
    for (const auto &s : SampleLibrary()) {
        colorChecker += s.name.rfind("cc_", 0) == 0;
        for (double v : s.body)
            EXPECT_TRUE(v >= 0 && v <= 1) << s.name;
    }
    EXPECT_EQ(colorChecker, 24);
    // Process solids read plausible densities in their own channel.
    auto p = Props(kConditionM2);
    EXPECT_GT(Measure(*FindSample("solid_cyan"), p).density[0][0], 1.2f);
    EXPECT_GT(Measure(*FindSample("solid_magenta"), p).density[0][1], 1.2f);
    EXPECT_GT(Measure(*FindSample("solid_yellow"), p).density[0][2], 0.9f);
    float tint = Measure(*FindSample("tint50_cyan"), p).density[0][0];
    EXPECT_GT(tint, 0.3f);
    EXPECT_LT(tint, 0.8f);
}

TEST(Instrument, SampleTextFormats) {
    std::string error;
    std::string single = "# one value per line\n";
    for (int i = 0; i < 36; ++i)
        single += std::to_string(0.01 * i) + "\n";
    auto s = ParseSampleText(single, "ramp", &error);
    ASSERT_TRUE(s) << error;
    EXPECT_DOUBLE_EQ(s->body[35], 0.35);
    EXPECT_EQ(s->name, "ramp");

    auto pairs = ParseSampleText("375 50\n400\t60\n500, 70\n750 80\n", "p", &error);
    ASSERT_TRUE(pairs) << error;  // percent: divided by 100, resampled linearly
    EXPECT_NEAR(pairs->body[0], 0.52, 1e-12);
    EXPECT_NEAR(pairs->body[35], 0.792, 1e-12);

    EXPECT_FALSE(ParseSampleText("0.5\n0.5\n", "short", &error));
    EXPECT_NE(error.find("36"), std::string::npos);
    EXPECT_FALSE(ParseSampleText("400 0.5\n730 0.5\n", "narrow", &error));
    EXPECT_FALSE(ParseSampleText("380 0.5\n380 0.6\n730 0.5\n", "repeat", &error));
    EXPECT_FALSE(ParseSampleText("380 0.5\n0.4\n", "mixed", &error));
    EXPECT_FALSE(ParseSampleText("380 0,5\n", "comma decimal", &error));
    EXPECT_FALSE(ParseSampleText("380 nan\n730 0.5\n", "nan", &error));
    EXPECT_FALSE(ParseSampleText("380 -0.1\n730 0.5\n", "negative", &error));

    std::string path = testing::TempDir() + "/sample_file.txt";
    std::ofstream(path) << single;
    auto fromFile = ReadSampleFile(path, &error);
    ASSERT_TRUE(fromFile) << error;
    EXPECT_EQ(fromFile->name, "sample_file");
    std::remove(path.c_str());
    EXPECT_FALSE(ReadSampleFile(path, &error));
}
