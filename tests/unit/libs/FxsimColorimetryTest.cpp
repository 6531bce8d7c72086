// The virtual instrument's results through the instrument library equal the colorimetry
// library's values for the same sample and settings.
#include <gtest/gtest.h>

#include <cmath>

#include "FxsimHarness.h"
#include "Samples.h"
#include "colorimetry/Instrument.h"
#include "fxapi/fxapi.h"

namespace {

namespace cm = ombra::colorimetry;
using fxtest::FxsimServe;

class FxsimColorimetry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(serve_.Start()) << serve_.Output().toStdString();
        ASSERT_EQ(DIEnumDevice(&handle_), DI_OK);
        ASSERT_NE(handle_, 0);
    }
    void TearDown() override {
        if (handle_) DICloseDevice(handle_);
    }

    void Set(int32_t property, int32_t value) {
        ASSERT_EQ(DISetProperty(handle_, property, &value), DI_OK) << "property " << property << " = " << value;
    }
    // Points the instrument at `sample` and measures with the given observer, illuminant, condition.
    void MeasureReflection(const QString &sample, int observer, int illuminant, int condition) {
        ASSERT_TRUE(serve_.Ok({"sample", sample})) << sample.toStdString();
        Set(0, 0);
        Set(2, observer);
        Set(3, illuminant);
        Set(4, condition);
        ASSERT_EQ(DIDoMeasurement(handle_), DI_OK);
    }
    std::array<float, 3> Colour(int value) {
        std::array<float, 3> out{};
        Set(5, value);
        EXPECT_EQ(DIGetColor(handle_, 0, out.data()), DI_OK);
        return out;
    }
    std::array<float, 4> Density(int set) {
        std::array<float, 4> out{};
        Set(6, set);
        EXPECT_EQ(DIGetDensity(handle_, 0, out.data()), DI_OK);
        return out;
    }

    FxsimServe serve_{R"({"devices": [{"model": 100, "serial": 7001}]})"};
    DIHANDLE handle_ = 0;
};

cm::InstrumentResults Library(const std::string &sample, int observer, int illuminant, int condition,
                              bool polarised = false) {
    cm::MeasurementProperties props;
    props.observer = observer;
    props.illuminant = illuminant;
    props.condition = condition;
    props.polarised = polarised;
    return cm::Measure(*cm::FindSample(sample), props);
}

TEST_F(FxsimColorimetry, ColorCheckerLabEqualsTheLibrary) {
    struct Case {
        int illuminant, observer;
    };
    for (Case c : {Case{cm::kIlluminantD50, cm::kObserver2}, Case{cm::kIlluminantD65, cm::kObserver10}}) {
        for (const char *patch : {"cc_dark_skin", "cc_blue_sky", "cc_orange_yellow", "cc_cyan", "cc_neutral_5"}) {
            SCOPED_TRACE(std::string(patch) + " illuminant " + std::to_string(c.illuminant));
            MeasureReflection(patch, c.observer, c.illuminant, cm::kConditionM1);
            auto expected = Library(patch, c.observer, c.illuminant, cm::kConditionM1).colour[0];
            auto lab = Colour(0);
            for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(lab[i], expected[i]);
        }
    }
    // The two settings really give different values (the settings reached the instrument).
    MeasureReflection("cc_orange_yellow", cm::kObserver2, cm::kIlluminantD50, cm::kConditionM1);
    float b50 = Colour(0)[2];
    MeasureReflection("cc_orange_yellow", cm::kObserver10, cm::kIlluminantD65, cm::kConditionM1);
    EXPECT_GT(std::fabs(Colour(0)[2] - b50), 0.5f);
}

TEST_F(FxsimColorimetry, FlatGreyDensityIsMinusLogReflectance) {
    MeasureReflection("grey_18", cm::kObserver2, cm::kIlluminantD50, cm::kConditionM1);
    for (int set = 0; set < cm::kDensitySetCount; ++set) {
        auto d = Density(set);
        for (float value : d) EXPECT_NEAR(value, -std::log10(0.18), 1e-5) << "set " << set;
    }
}

TEST_F(FxsimColorimetry, MeasurementConditionsHaveTheirPhysicalEffects) {
    // The brightener of the paper shows under M1 and disappears with the UV-cut filter (M2).
    MeasureReflection("paper_white", cm::kObserver2, cm::kIlluminantD50, cm::kConditionM1);
    float withUv = Colour(0)[2];
    EXPECT_FLOAT_EQ(withUv, Library("paper_white", 0, cm::kIlluminantD50, cm::kConditionM1).colour[0][2]);
    MeasureReflection("paper_white", cm::kObserver2, cm::kIlluminantD50, cm::kConditionM2);
    float withoutUv = Colour(0)[2];
    EXPECT_FLOAT_EQ(withoutUv, Library("paper_white", 0, cm::kIlluminantD50, cm::kConditionM2).colour[0][2]);
    EXPECT_LT(withUv, withoutUv - 1.0f) << "brightened paper is bluer";

    // Crossed polarisers (filter on, sent as condition 0) remove the gloss of a wet solid.
    MeasureReflection("solid_black_wet", cm::kObserver2, cm::kIlluminantD50, cm::kConditionM0);
    float glossy = Density(0)[3];
    ASSERT_TRUE(serve_.Ok({"set", "polarization", "1", "1"}));
    MeasureReflection("solid_black_wet", cm::kObserver2, cm::kIlluminantD50, cm::kConditionM0);
    float polarised = Density(0)[3];
    EXPECT_FLOAT_EQ(polarised, Library("solid_black_wet", 0, cm::kIlluminantD50, cm::kConditionM0, true).density[0][3]);
    EXPECT_GT(polarised, glossy + 0.1f);
}

TEST_F(FxsimColorimetry, IrradianceOfD65AtThousandLux) {
    ASSERT_TRUE(serve_.Ok({"sample", "--light", "D65", "--lux", "1000"}));
    Set(0, 3);
    ASSERT_EQ(DIDoMeasurement(handle_), DI_OK);
    auto light = Colour(6);
    EXPECT_NEAR(light[0], 1000.0f, 0.01f);
    EXPECT_NEAR(light[1], 6504.0f, 3.0f);
    auto expected = cm::Measure(*cm::MakeLightSource("D65", 1000)).colour[6];
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(light[i], expected[i]);

    float spectrum[97];
    ASSERT_EQ(DIGetSpectrum(handle_, 0, spectrum, 97), DI_OK);
    EXPECT_GT(spectrum[20], 0.0f);  // 460 nm
    EXPECT_EQ(spectrum[74 + 1], FLT_MAX) << "nothing beyond 730 nm";

    // The same source by name with its illuminance.
    ASSERT_TRUE(serve_.Ok({"sample", "D65@250"}));
    ASSERT_EQ(DIDoMeasurement(handle_), DI_OK);
    EXPECT_NEAR(Colour(6)[0], 250.0f, 0.01f);
    EXPECT_FALSE(serve_.Ok({"sample", "D65@-5"}));
    EXPECT_FALSE(serve_.Ok({"sample", "--light", "D93"}));
}

}  // namespace

namespace {

TEST(FxsimSamples, ShortNamesLibraryNamesLightsAndTextFiles) {
    auto paper = fxsim::FindSample("paper");
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper->name, "paper");
    EXPECT_EQ(paper->reflecting.body, cm::FindSample("paper_white")->body);
    EXPECT_GT(paper->reflecting.brightener, 0.0);
    ASSERT_TRUE(fxsim::FindSample("cc_black_2"));
    auto tungsten = fxsim::FindSample("tungsten");
    ASSERT_TRUE(tungsten);
    EXPECT_EQ(tungsten->kind, fxsim::SampleKind::Irradiance);
    EXPECT_EQ(tungsten->light.irradiance, cm::MakeLightSource("A", 500)->irradiance);
    EXPECT_FALSE(fxsim::FindSample("D65@"));
    EXPECT_FALSE(fxsim::FindSample("D65@1e9"));
    EXPECT_FALSE(fxsim::FindSample("plutonium"));

    QTemporaryDir dir;
    QFile text(dir.filePath("ramp.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("# nm value\n380 0.10\n730 0.80\n");
    text.close();
    std::string error;
    auto ramp = fxsim::LoadSampleFile(text.fileName().toStdString(), error);
    ASSERT_TRUE(ramp) << error;
    EXPECT_EQ(ramp->name, "ramp");
    EXPECT_NEAR(ramp->reflecting.body[35], 0.80, 1e-9);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly | QIODevice::Truncate));
    text.write("0.5\nabc\n");
    text.close();
    EXPECT_FALSE(fxsim::LoadSampleFile(text.fileName().toStdString(), error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

}  // namespace
