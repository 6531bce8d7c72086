#include <gtest/gtest.h>

#include "support/OutputItems.h"

#include "settings/SettingsStore.h"
#include "platform/Resources.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using platform::MemoryProfileStore;
using platform::ResString;

using test::Ids;
using test::Items;

struct SettingsLoad : ::testing::Test {
    MemoryProfileStore store;
    AppSettings settings;
    DataItemCatalogue catalogue;
    int polFirst = 0, polSecond = 0;
    int polCalls = 0;

    SettingsLoadResult Load(const std::string &model = "ModelA") {
        settings.modelName = model;
        return LoadSettings(settings, catalogue, [this](int *first, int *second) {
            ++polCalls;
            *first = polFirst;
            *second = polSecond;
            return 0;
        }, store);
    }
    OutputItemList Parse(const std::string &text, MeasKind kind = MeasKind::Reflection) {
        DataItemCatalogue c;
        c.RebuildDensity();
        c.RebuildForType(kind);
        return ParseSelectionText(text, c);
    }
};

TEST_F(SettingsLoad, FirstConnectionOfANewModelTakesDefaultsAndWritesNothing) {
    settings.IlluminantSel = 9;
    settings.Observer = 7;
    settings.BlockSep = 0;
    Load();
    EXPECT_TRUE(store.Writes().empty());
    EXPECT_EQ(settings.MeasurementTypeSel, 0);
    EXPECT_EQ(settings.IlluminantSel, 2);
    EXPECT_EQ(settings.PrevMeasSel, 1);
    EXPECT_EQ(settings.MeasurementType, 1);
    EXPECT_EQ(settings.MeasurementCond, 4);
    EXPECT_EQ(settings.Observer, 1);
    EXPECT_EQ(settings.Illuminant, 4);
    EXPECT_EQ(settings.Label, 1);
    EXPECT_EQ(settings.Row, 0);
    EXPECT_EQ(settings.BlockSep, 13);
    EXPECT_EQ(settings.FuncSep, 5);
    EXPECT_EQ(settings.ValSep, 5);
    EXPECT_EQ(settings.MeasTypeString, ResString(1140));
    EXPECT_EQ(settings.PolarizationString, ResString(1282));
    EXPECT_EQ(Ids(settings.reflectionSelection), (std::vector<int>{1035, 1036, 2005, 2000}));
    EXPECT_EQ(settings.reflectionSelection[2].label, ResString(1261));
    EXPECT_EQ(settings.reflectionSelection[3].label, ResString(1256));
    EXPECT_EQ(Ids(settings.irradianceSelection), (std::vector<int>{1035, 1036, 1037, 1038, 1039}));
    EXPECT_EQ(settings.irradianceSelection[4].label, ResString(1115));
    EXPECT_FALSE(settings.densitySpectrumSelected);
    EXPECT_EQ(polCalls, 1);
}

TEST_F(SettingsLoad, TwoModelsKeepSeparateSettings) {
    settings.modelName = "ModelA";
    WriteSettingInt(settings, "Observer", 2, store);
    WriteSettingString(settings, "ReflSelDataItems", "1044;", store);
    Load("ModelB");
    EXPECT_EQ(settings.Observer, 1);
    EXPECT_EQ(Ids(settings.reflectionSelection), (std::vector<int>{1035, 1036, 2005, 2000}));
    Load("ModelA");
    EXPECT_EQ(settings.Observer, 2);
    EXPECT_EQ(Ids(settings.reflectionSelection), (std::vector<int>{1044}));
    ASSERT_EQ(store.Writes().size(), 2u);
    EXPECT_EQ(store.Writes()[0].section, "ModelA");

    // Without a model the values lie at the application level.
    store.Seed("", "Observer", 4);
    Load("");
    EXPECT_EQ(settings.Observer, 4);
}

TEST_F(SettingsLoad, MinusOneLeavesTheFirstTenFieldsButNotTheOthers) {
    settings.MeasurementType = 4;
    settings.IlluminantSel = 6;
    store.Seed("ModelA", "MeasurementType", -1);
    store.Seed("ModelA", "IlluminantSel", -1);
    store.Seed("ModelA", "Observer", 2);
    store.Seed("ModelA", "Label", -1);
    store.Seed("ModelA", "BlockSep", -1);
    Load();
    EXPECT_EQ(settings.MeasurementType, 4);
    EXPECT_EQ(settings.IlluminantSel, 6);
    EXPECT_EQ(settings.Observer, 2);
    EXPECT_EQ(settings.Label, -1);
    EXPECT_EQ(settings.BlockSep, -1);
}

TEST_F(SettingsLoad, PolarizationComesFromTheInstrument) {
    store.Seed("ModelA", "Polarization", 1);
    store.Seed("ModelA", "PolarizationSel", 1);
    polFirst = 0;
    polSecond = 0;
    EXPECT_FALSE(Load().restorePolarizationCondition2);
    EXPECT_EQ(settings.Polarization, 0) << "the stored value is not read";

    polFirst = 1;
    polSecond = 1;
    Load();
    EXPECT_EQ(settings.Polarization, 1);
    EXPECT_EQ(settings.PolarizationSel, 1);

    polFirst = 2;
    polSecond = 0;
    SettingsLoadResult result = Load();
    EXPECT_TRUE(result.restorePolarizationCondition2);
    EXPECT_EQ(settings.Polarization, 0);
    EXPECT_EQ(settings.PolarizationSel, 0);

    store.Seed("ModelA", "MeasurementType", 4);
    polFirst = 1;
    polSecond = 1;
    result = Load();
    EXPECT_EQ(settings.Polarization, 0) << "irradiance ignores the filter";
    EXPECT_EQ(settings.PolarizationSel, 0);
    EXPECT_EQ(result.polFirst, 0);
    EXPECT_EQ(result.polSecond, 0);
}

TEST_F(SettingsLoad, StoredSelectionTextsAreResolvedAgainstTheCatalogue) {
    store.Seed("ModelA", "ReflSelDataItems", "1036;1035;9999;");
    store.Seed("ModelA", "IrrSelDataItems", "1045;735;2380;");
    Load();
    EXPECT_EQ(Ids(settings.reflectionSelection), (std::vector<int>{1036, 1035}));
    EXPECT_EQ(settings.reflectionSelection[0].label, ResString(1139));
    EXPECT_EQ(Ids(settings.irradianceSelection), (std::vector<int>{1045, 735, 2380}));

    // A text naming nothing known gives an empty selection, not the default.
    store.Seed("ModelA", "ReflSelDataItems", "9999;");
    Load();
    EXPECT_TRUE(settings.reflectionSelection.empty());

    store.Seed("ModelA", "ReflSelDataItems", "2021;2400;2380;");
    Load();
    EXPECT_TRUE(settings.densitySpectrumSelected);
    EXPECT_EQ(Ids(settings.densitySpectrumItems), (std::vector<int>{2400, 2380}));
}

TEST_F(SettingsLoad, SelectionTextTokens) {
    EXPECT_EQ(Ids(Parse("1035;1036")), (std::vector<int>{1035})) << "text after the last ; is ignored";
    EXPECT_EQ(Ids(Parse("735;")), (std::vector<int>{}));
    EXPECT_EQ(Ids(Parse("735;", MeasKind::Irradiance)), (std::vector<int>{735}));
    EXPECT_EQ(Ids(Parse("1044;1044;1044;")), (std::vector<int>{1044, 1044, 1044}));
    EXPECT_TRUE(Parse(";").empty());
    EXPECT_TRUE(Parse("").empty());

    std::string many;
    for (int i = 0; i < 1500; ++i) many += "1044;";
    EXPECT_EQ(Parse(many).size(), 1000u);
    std::string unknownFirst;
    for (int i = 0; i < 1000; ++i) unknownFirst += "9999;";
    EXPECT_TRUE(Parse(unknownFirst + "1035;").empty()) << "unknown tokens count too";
}

TEST_F(SettingsLoad, GarbageYieldsAShorterSelection) {
    std::string garbage = "abc;-1035;99999999999999999999999;;  1035;1036junk;0;4294968331;2000";
    EXPECT_EQ(Ids(Parse(garbage + ";")), (std::vector<int>{1036, 2000}));
    EXPECT_EQ(Ids(Parse(garbage)), (std::vector<int>{1036}));
    EXPECT_TRUE(Parse(std::string(100000, '9') + ";").empty());
    EXPECT_TRUE(Parse(std::string(5000, ';')).empty());
}

TEST(SettingsSelection, StoreTargetsAndDensityList) {
    AppSettings s;
    StoreSelection(s, Items({1035}), SelectionTarget::Irradiance);
    EXPECT_EQ(Ids(s.irradianceSelection), (std::vector<int>{1035}));
    EXPECT_TRUE(s.reflectionSelection.empty());

    s.MeasurementType = 1;
    StoreSelection(s, Items({2021, 2400, 1000, 2380}), SelectionTarget::ByMeasurementType);
    EXPECT_EQ(Ids(s.reflectionSelection), (std::vector<int>{2021, 2400, 1000, 2380}));
    EXPECT_TRUE(s.densitySpectrumSelected);
    EXPECT_EQ(Ids(s.densitySpectrumItems), (std::vector<int>{2400, 2380}));

    s.MeasurementType = 4;
    StoreSelection(s, Items({1036}), SelectionTarget::ByMeasurementType);
    EXPECT_EQ(Ids(s.irradianceSelection), (std::vector<int>{1036}));
    StoreSelection(s, Items({1035}), SelectionTarget::Reflection);
    EXPECT_TRUE(s.densitySpectrumSelected) << "irradiance leaves the density flag alone";

    s.MeasurementType = 1;
    StoreSelection(s, Items({1035}), SelectionTarget::Reflection);
    EXPECT_FALSE(s.densitySpectrumSelected);
    EXPECT_TRUE(s.densitySpectrumItems.empty());

    s.MeasurementType = 2;
    StoreSelection(s, Items({1044}), SelectionTarget::ByMeasurementType);
    EXPECT_EQ(Ids(s.reflectionSelection), (std::vector<int>{1035}));
    EXPECT_EQ(Ids(s.irradianceSelection), (std::vector<int>{1036}));

    ClearReflectionSelection(s);
    EXPECT_TRUE(s.reflectionSelection.empty());
    EXPECT_FALSE(s.irradianceSelection.empty());
}

TEST(SettingsSelection, Text) {
    EXPECT_EQ(SelectionText(Items({2000, 1035})), "2000;1035;");
    EXPECT_EQ(SelectionText({}), "");
    EXPECT_STREQ(SelectionValueName(0), "ReflSelDataItems");
    EXPECT_STREQ(SelectionValueName(1), "IrrSelDataItems");
}

}  // namespace
