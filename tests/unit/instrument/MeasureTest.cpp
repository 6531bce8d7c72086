#include <gtest/gtest.h>

#include <cfloat>

#include "core/instrument/Measure.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/FakeInstrument.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::FakeCall;
using ombra::core::test::FakeInstrument;

class Collect : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = AppSettings{};
        Settings().identity.SetModelName(fullModel());
        DeviceHandle() = 0x150;
    }
    void TearDown() override { Settings() = AppSettings{}; }

    // Model names must differ even while the resource library has no texts yet.
    static std::string fullModel() {
        std::string name = platform::ResString(1234);
        return name;
    }
    int32_t collect(int32_t type) {
        measure.measurementType = type;
        return measure.Collect(data);
    }
    // The (id, value) pairs of the result properties sent, in order.
    std::vector<std::pair<int, int>> resultProperties() const {
        std::vector<std::pair<int, int>> out;
        for (const FakeCall &c : fake.CallsOf("DISetProperty")) out.push_back({c.a, c.b});
        return out;
    }

    FakeInstrument fake;
    CMeasure measure{Settings().identity, Settings().selection};
    CMeasuredData data;
};

TEST_F(Collect, ResultMasksByTypeAndModel) {
    EXPECT_EQ(CMeasure::ResultMask(4, fullModel()), 0x10004u);
    EXPECT_EQ(CMeasure::ResultMask(2, fullModel()), 0x10004u);
    EXPECT_EQ(CMeasure::ResultMask(1, platform::ResString(1235) + "x"), 0x73FFu)
        << "an unknown model gets everything but the spectrum";
    EXPECT_EQ(CMeasure::ResultMask(1, ""), 0x73FFu);
    if (!fullModel().empty()) {
        EXPECT_EQ(CMeasure::ResultMask(1, fullModel()), 0xF3FFu);
        EXPECT_EQ(CMeasure::ResultMask(1, platform::ResString(1235)), 0x73FFu);
    }
}

TEST_F(Collect, ReflectionFetchesSpotDensitiesFirstThenEveryItemInTableOrder) {
    if (fullModel().empty()) GTEST_SKIP() << "needs the model texts of the resource library";
    ASSERT_EQ(collect(1), 0);
    EXPECT_EQ(data.firstWavelength, 380);
    EXPECT_EQ(data.lastWavelength, 730);
    EXPECT_EQ(data.spectralCount, 36);
    EXPECT_EQ(data.wavelengthInterval, 10);

    auto names = fake.Names();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "DIGetSpotColorDensity") << "before any property is changed";
    EXPECT_EQ(resultProperties(), (std::vector<std::pair<int, int>>{
                                      {5, 0}, {5, 0}, {5, 1}, {5, 3}, {5, 2}, {5, 4}, {6, 0}, {6, 1},
                                      {6, 2}, {6, 3}, {6, 4}, {7, 1}, {7, 0}, {7, 2}}))
        << "mask 0xF3FF: colour value 6 is not among the reflection items";
    EXPECT_EQ(fake.CallsOf("DIGetSpectrum")[0].a, 36);

    ASSERT_EQ(data.Count(), 1u);
    const MeasuredDataRecord &r = data.Record(0);
    EXPECT_FLOAT_EQ(r.Float(0), FakeInstrument::SpectrumValue(0));
    EXPECT_FLOAT_EQ(r.Float(35), FakeInstrument::SpectrumValue(35));
    EXPECT_EQ(r.Float(36), 0.f);
    EXPECT_FLOAT_EQ(r.Float(97), FakeInstrument::ColorValue(0, 0));
    EXPECT_FLOAT_EQ(r.Float(103), FakeInstrument::ColorValue(3, 0));
    EXPECT_FLOAT_EQ(r.Float(106), FakeInstrument::ColorValue(2, 0));
    EXPECT_FLOAT_EQ(r.Float(131), FakeInstrument::DensityValue(4, 3));
    EXPECT_FLOAT_EQ(r.Float(133), FakeInstrument::ColorIndexValue(1, 1));
    EXPECT_FLOAT_EQ(r.Float(134), FakeInstrument::ColorIndexValue(0, 0));
    EXPECT_FLOAT_EQ(r.Float(137), FakeInstrument::ColorIndexValue(2, 2));
    EXPECT_EQ(r.Float(140), 0.f);
}

TEST_F(Collect, AutomaticSpotWavelengthIsStoredAsAnInteger) {
    fake.SetAutoWavelength(580);
    ASSERT_EQ(collect(1), 0);
    const MeasuredDataRecord &r = data.Record(0);
    EXPECT_EQ(r.Int(MeasuredDataRecord::kAutoSpotWavelength), 580);
    EXPECT_FLOAT_EQ(r.Float(MeasuredDataRecord::kAutoSpotDensity), FakeInstrument::kAutoSpotDensity);
    EXPECT_EQ(fake.CallsOf("DIGetSpotColorDensity")[0].a, 0);
}

TEST_F(Collect, AllSpotWavelengthsOrOnlyTheSelectedOnes) {
    Settings().selection.InForce().densitySpectrumSelected = true;
    ASSERT_EQ(collect(1), 0);
    auto spots = fake.CallsOf("DIGetSpotColorDensity");
    ASSERT_EQ(spots.size(), 352u);
    EXPECT_EQ(spots[1].a, 380);
    EXPECT_EQ(spots.back().a, 730);
    const MeasuredDataRecord &all = data.Record(0);
    EXPECT_FLOAT_EQ(all.Float(MeasuredDataRecord::SpotDensityIndex(380)), FakeInstrument::SpotDensity(380));
    EXPECT_FLOAT_EQ(all.Float(491), FakeInstrument::SpotDensity(730));

    fake.ClearLog();
    data.Empty();
    Settings().selection.InForce().densitySpectrumSelected = false;
    Settings().selection.InForce().densitySpectrumItems = {{2650, "", 0, ""}, {2400, "", 0, ""}, {1035, "", 0, ""}};
    ASSERT_EQ(collect(1), 0);
    spots = fake.CallsOf("DIGetSpotColorDensity");
    ASSERT_EQ(spots.size(), 3u) << "an item outside 2380..2730 is not a wavelength";
    EXPECT_EQ(spots[1].a, 650);
    EXPECT_EQ(spots[2].a, 400);
    const MeasuredDataRecord &some = data.Record(0);
    EXPECT_FLOAT_EQ(some.Float(MeasuredDataRecord::SpotDensityIndex(650)), FakeInstrument::SpotDensity(650));
    EXPECT_EQ(some.Float(MeasuredDataRecord::SpotDensityIndex(651)), 0.f);
}

TEST_F(Collect, ReflectionOnlyModelHasAZeroSpectrum) {
    Settings().identity.SetModelName(platform::ResString(1235));
    ASSERT_EQ(collect(1), 0);
    EXPECT_EQ(fake.Count("DIGetSpectrum"), 0);
    EXPECT_EQ(fake.Names()[0], "DIGetSpotColorDensity") << "spot densities before any property is changed";
    EXPECT_EQ(resultProperties(), (std::vector<std::pair<int, int>>{
                                      {5, 0}, {5, 1}, {5, 3}, {5, 2}, {5, 4}, {6, 0}, {6, 1}, {6, 2},
                                      {6, 3}, {6, 4}, {7, 1}, {7, 0}, {7, 2}}));
    std::vector<std::string> fetches;
    for (const std::string &name : fake.Names())
        if (name != "DISetProperty" && name != "DIGetSpotColorDensity") fetches.push_back(name);
    EXPECT_EQ(fetches, (std::vector<std::string>{"DIGetColor", "DIGetColor", "DIGetColor", "DIGetColor",
                                                 "DIGetColor", "DIGetDensity", "DIGetDensity", "DIGetDensity",
                                                 "DIGetDensity", "DIGetDensity", "DIGetColorIndex",
                                                 "DIGetColorIndex", "DIGetColorIndex"}));
    EXPECT_FLOAT_EQ(data.Record(0).Float(100), FakeInstrument::ColorValue(1, 0));
    EXPECT_FLOAT_EQ(data.Record(0).Float(127), FakeInstrument::DensityValue(3, 3));
    for (int i = 0; i < 97; ++i) EXPECT_EQ(data.Record(0).Float(i), 0.f) << i;
}

TEST_F(Collect, IrradianceFetchesTwoColourValuesAndThe75PointSpectrum) {
    ASSERT_EQ(collect(4), 0);
    EXPECT_EQ(data.firstWavelength, 300);
    EXPECT_EQ(data.spectralCount, 97);
    EXPECT_EQ(fake.Count("DIGetSpotColorDensity"), 0);
    EXPECT_EQ(resultProperties(), (std::vector<std::pair<int, int>>{{5, 3}, {5, 6}}));
    EXPECT_EQ(fake.Count("DIGetColor"), 2);
    auto spectra = fake.CallsOf("DIGetSpectrum");
    ASSERT_EQ(spectra.size(), 1u);
    EXPECT_EQ(spectra[0].a, 75);

    const MeasuredDataRecord &r = data.Record(0);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(r.Float(i), 0.f) << i;
    for (int i = 87; i < 97; ++i) EXPECT_EQ(r.Float(i), 0.f) << i;
    EXPECT_FLOAT_EQ(r.Float(12), FakeInstrument::SpectrumValue(0));
    EXPECT_FLOAT_EQ(r.Float(86), FakeInstrument::SpectrumValue(74));
    EXPECT_FLOAT_EQ(r.Float(103), FakeInstrument::ColorValue(3, 0));
    EXPECT_FLOAT_EQ(r.Float(138), FakeInstrument::ColorValue(6, 0));
}

TEST_F(Collect, OtherTypesFetchNoSpectrumAtAll) {
    ASSERT_EQ(collect(2), 0);
    EXPECT_EQ(fake.Count("DIGetSpectrum"), 0);
    EXPECT_EQ(fake.Count("DIGetColor"), 2);
}

TEST_F(Collect, UnavailableAndNotAcceptedResultsCountAsSuccess) {
    fake.Script("DIGetColor", {DI_ERR_VALUE_UNAVAILABLE, kResultNotAccepted});
    ASSERT_EQ(collect(4), 0);
    EXPECT_EQ(fake.Count("DIGetColor"), 2) << "each bit is fetched once and cleared";
    EXPECT_EQ(data.Count(), 1u);
}

TEST_F(Collect, MissingValuesStayTheLargestFloat) {
    fake.SetMissingValues(true);
    ASSERT_EQ(collect(4), 0);
    EXPECT_EQ(data.Record(0).Float(103), FLT_MAX);
    EXPECT_EQ(data.Record(0).Float(12), FLT_MAX);
}

TEST_F(Collect, AFailureReturnsItsCodeAndAppendsNothing) {
    struct Case {
        const char *fn;
        int32_t type;
    };
    for (Case c : {Case{"DIGetSpotColorDensity", 1}, Case{"DISetProperty", 1}, Case{"DIGetDensity", 1},
                   Case{"DIGetColor", 4}, Case{"DIGetSpectrum", 4}}) {
        SCOPED_TRACE(c.fn);
        fake.SetResult(c.fn, 17);
        EXPECT_EQ(collect(c.type), 17);
        EXPECT_EQ(data.Count(), 0u);
        fake.SetResult(c.fn, 0);
    }
    fake.ClearLog();
    fake.Script("DISetProperty", {0, 22});
    EXPECT_EQ(collect(4), 22);
    EXPECT_EQ(fake.Count("DIGetColor"), 1) << "stops at once";
}

TEST_F(Collect, RecordsAreAppendedAndRoomIsReserved) {
    ASSERT_EQ(collect(1), 0);
    ASSERT_EQ(collect(1), 0);
    EXPECT_EQ(data.Count(), 2u);
    EXPECT_GE(data.Records().capacity(), 16u);
}

// Each collection takes its spectral grid and its items from the measurement just taken: an
// irradiance collection before a reflection one (or another collector before this one) changes
// neither the calls nor the record.
TEST_F(Collect, ConsecutiveCollectionsGiveWhatEachGivesAlone) {
    struct Outcome {
        int32_t spectralCount;
        std::vector<std::pair<std::string, int32_t>> calls;
        std::vector<uint8_t> record;
    };
    auto collectWith = [this](CMeasure &collector, int32_t type) {
        fake.ClearLog();
        CMeasuredData collected;
        collector.measurementType = type;
        EXPECT_EQ(collector.Collect(collected), 0);
        Outcome outcome{collected.spectralCount, {}, {}};
        for (const FakeCall &c : fake.Calls()) outcome.calls.push_back({c.fn, c.a});
        const uint8_t *bytes = collected.Record(0).Bytes();
        outcome.record.assign(bytes, bytes + sizeof(MeasuredDataRecord));
        return outcome;
    };
    auto same = [](const Outcome &a, const Outcome &b) {
        EXPECT_EQ(a.spectralCount, b.spectralCount);
        EXPECT_EQ(a.calls, b.calls);
        EXPECT_TRUE(a.record == b.record);
    };
    const Outcome irradianceFirst = collectWith(measure, 4);
    const Outcome reflectionAfter = collectWith(measure, 1);
    const Outcome irradianceAgain = collectWith(measure, 4);
    CMeasure fresh{Settings().identity, Settings().selection};
    const Outcome reflectionAlone = collectWith(fresh, 1);
    CMeasure another{Settings().identity, Settings().selection};
    const Outcome irradianceAlone = collectWith(another, 4);

    EXPECT_EQ(reflectionAlone.spectralCount, 36);
    EXPECT_EQ(irradianceAlone.spectralCount, 97);
    same(reflectionAfter, reflectionAlone);
    same(irradianceFirst, irradianceAlone);
    same(irradianceAgain, irradianceAlone);
}

}  // namespace
