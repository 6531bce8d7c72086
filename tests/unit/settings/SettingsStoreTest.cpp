#include <gtest/gtest.h>

#include "support/MemoryProfileStore.h"
#include "support/OutputItems.h"

#include "core/platform/Resources.h"
#include "core/settings/SettingsStore.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using platform::MemoryProfileStore;
using platform::ResString;

using test::Ids;
using test::Items;

struct SettingsLoad : ::testing::Test {
    MemoryProfileStore store;
    AppSettings settings{store};
    DataItemCatalogue catalogue;
    int polFirst = 0, polSecond = 0;
    int polCalls = 0;

    SettingsLoadResult Load(const std::string &model = "ModelA") {
        settings.identity.SetModelName(model);
        return LoadSettings(settings, catalogue, [this](int *first, int *second) {
            ++polCalls;
            *first = polFirst;
            *second = polSecond;
            return 0;
        });
    }
    OutputItemList Parse(const std::string &text, MeasKind kind = MeasKind::Reflection) {
        DataItemCatalogue c;
        c.RebuildDensity();
        c.RebuildForType(kind);
        return ParseSelectionText(text, c);
    }
};

TEST_F(SettingsLoad, FirstConnectionOfANewModelTakesDefaultsAndWritesNothing) {
    settings.measurement.InForce().IlluminantSel = 9;
    settings.measurement.InForce().Observer = 7;
    settings.layout.InForce().BlockSep = 0;
    Load();
    EXPECT_TRUE(store.Writes().empty());
    EXPECT_EQ(settings.measurement.MeasurementTypeSel(), 0);
    EXPECT_EQ(settings.measurement.IlluminantSel(), 2);
    EXPECT_EQ(settings.measurement.PrevMeasSel(), 1);
    EXPECT_EQ(settings.measurement.MeasurementType(), 1);
    EXPECT_EQ(settings.measurement.MeasurementCond(), 4);
    EXPECT_EQ(settings.measurement.Observer(), 1);
    EXPECT_EQ(settings.measurement.Illuminant(), 4);
    EXPECT_EQ(settings.layout.Label(), 1);
    EXPECT_EQ(settings.layout.Row(), 0);
    EXPECT_EQ(settings.layout.BlockSep(), 13);
    EXPECT_EQ(settings.layout.FuncSep(), 5);
    EXPECT_EQ(settings.layout.ValSep(), 5);
    EXPECT_EQ(settings.measurement.MeasTypeString(), ResString(1140));
    EXPECT_EQ(settings.measurement.PolarizationString(), ResString(1282));
    EXPECT_EQ(Ids(settings.selection.Reflection()), (std::vector<int>{1035, 1036, 2005, 2000}));
    EXPECT_EQ(settings.selection.Reflection()[2].label, ResString(1261));
    EXPECT_EQ(settings.selection.Reflection()[3].label, ResString(1256));
    EXPECT_EQ(Ids(settings.selection.Irradiance()), (std::vector<int>{1035, 1036, 1037, 1038, 1039}));
    EXPECT_EQ(settings.selection.Irradiance()[4].label, ResString(1115));
    EXPECT_FALSE(settings.selection.DensitySpectrumSelected());
    EXPECT_EQ(polCalls, 1);
}

TEST_F(SettingsLoad, LayoutValuesOutOfRangeReadAsDefaultsAndAreNamed) {
    store.Seed("ModelA", "FuncSep", 999);
    store.Seed("ModelA", "Row", 2);
    store.Seed("ModelA", "BlockSep", -1);
    store.Seed("ModelA", "ValSep", 16);
    store.Seed("ModelA", "Label", 0);
    const SettingsLoadResult result = Load();
    EXPECT_EQ(settings.layout.FuncSep(), 5);
    EXPECT_EQ(settings.layout.Row(), 0);
    EXPECT_EQ(settings.layout.BlockSep(), 13);
    EXPECT_EQ(settings.layout.ValSep(), 16) << "the highest code is in range";
    EXPECT_EQ(settings.layout.Label(), 0);
    EXPECT_EQ(result.layoutOutOfRange, (std::vector<std::string>{"Row=2", "BlockSep=-1", "FuncSep=999"}));
    EXPECT_TRUE(store.Writes().empty()) << "nothing is corrected behind the user's back";
}

TEST_F(SettingsLoad, LabelsOnceAsATableHeaderIsTheHighestLabelChoice) {
    store.Seed("ModelA", "Label", 2);
    EXPECT_TRUE(Load().layoutOutOfRange.empty());
    EXPECT_EQ(settings.layout.Label(), 2);
    store.Seed("ModelA", "Label", 3);
    EXPECT_EQ(Load().layoutOutOfRange, (std::vector<std::string>{"Label=3"}));
    EXPECT_EQ(settings.layout.Label(), 1);
}

TEST_F(SettingsLoad, TwoModelsKeepSeparateSettings) {
    settings.identity.SetModelName("ModelA");
    settings.measurement.SetObserver(2);
    settings.selection.StoreText(0, Items({1044}));
    Load("ModelB");
    EXPECT_EQ(settings.measurement.Observer(), 1);
    EXPECT_EQ(Ids(settings.selection.Reflection()), (std::vector<int>{1035, 1036, 2005, 2000}));
    Load("ModelA");
    EXPECT_EQ(settings.measurement.Observer(), 2);
    EXPECT_EQ(Ids(settings.selection.Reflection()), (std::vector<int>{1044}));
    ASSERT_EQ(store.Writes().size(), 2u);
    EXPECT_EQ(store.Writes()[0].section, "ModelA");

    // Without a model the values lie at the application level.
    store.Seed("", "Observer", 4);
    Load("");
    EXPECT_EQ(settings.measurement.Observer(), 4);
}

TEST_F(SettingsLoad, MinusOneLeavesTheFirstTenFieldsButNotTheOthers) {
    settings.measurement.InForce().MeasurementType = 4;
    settings.measurement.InForce().IlluminantSel = 6;
    store.Seed("ModelA", "MeasurementType", -1);
    store.Seed("ModelA", "IlluminantSel", -1);
    store.Seed("ModelA", "Observer", 2);
    store.Seed("ModelA", "Label", -1);
    store.Seed("ModelA", "BlockSep", -1);
    Load();
    EXPECT_EQ(settings.measurement.MeasurementType(), 4);
    EXPECT_EQ(settings.measurement.IlluminantSel(), 6);
    EXPECT_EQ(settings.measurement.Observer(), 2);
    EXPECT_EQ(settings.layout.Label(), 1) << "out of range: the default";
    EXPECT_EQ(settings.layout.BlockSep(), 13) << "out of range: the default";
}

TEST_F(SettingsLoad, PolarizationComesFromTheInstrument) {
    store.Seed("ModelA", "Polarization", 1);
    store.Seed("ModelA", "PolarizationSel", 1);
    polFirst = 0;
    polSecond = 0;
    EXPECT_FALSE(Load().restorePolarizationCondition2);
    EXPECT_EQ(settings.measurement.Polarization(), 0) << "the stored value is not read";

    polFirst = 1;
    polSecond = 1;
    Load();
    EXPECT_EQ(settings.measurement.Polarization(), 1);
    EXPECT_EQ(settings.measurement.PolarizationSel(), 1);

    polFirst = 2;
    polSecond = 0;
    SettingsLoadResult result = Load();
    EXPECT_TRUE(result.restorePolarizationCondition2);
    EXPECT_EQ(settings.measurement.Polarization(), 0);
    EXPECT_EQ(settings.measurement.PolarizationSel(), 0);

    store.Seed("ModelA", "MeasurementType", 4);
    polFirst = 1;
    polSecond = 1;
    result = Load();
    EXPECT_EQ(settings.measurement.Polarization(), 0) << "irradiance ignores the filter";
    EXPECT_EQ(settings.measurement.PolarizationSel(), 0);
    EXPECT_EQ(result.polFirst, 0);
    EXPECT_EQ(result.polSecond, 0);
}

TEST_F(SettingsLoad, StoredSelectionTextsAreResolvedAgainstTheCatalogue) {
    store.Seed("ModelA", "ReflSelDataItems", "1036;1035;9999;");
    store.Seed("ModelA", "IrrSelDataItems", "1045;735;2380;");
    Load();
    EXPECT_EQ(Ids(settings.selection.Reflection()), (std::vector<int>{1036, 1035}));
    EXPECT_EQ(settings.selection.Reflection()[0].label, ResString(1139));
    EXPECT_EQ(Ids(settings.selection.Irradiance()), (std::vector<int>{1045, 735, 2380}));

    // A text naming nothing known gives an empty selection, not the default.
    store.Seed("ModelA", "ReflSelDataItems", "9999;");
    Load();
    EXPECT_TRUE(settings.selection.Reflection().empty());

    store.Seed("ModelA", "ReflSelDataItems", "2021;2400;2380;");
    Load();
    EXPECT_TRUE(settings.selection.DensitySpectrumSelected());
    EXPECT_EQ(Ids(settings.selection.DensitySpectrumItems()), (std::vector<int>{2400, 2380}));
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
    EXPECT_EQ(Ids(s.selection.Irradiance()), (std::vector<int>{1035}));
    EXPECT_TRUE(s.selection.Reflection().empty());

    s.measurement.InForce().MeasurementType = 1;
    StoreSelection(s, Items({2021, 2400, 1000, 2380}), SelectionTarget::ByMeasurementType);
    EXPECT_EQ(Ids(s.selection.Reflection()), (std::vector<int>{2021, 2400, 1000, 2380}));
    EXPECT_TRUE(s.selection.DensitySpectrumSelected());
    EXPECT_EQ(Ids(s.selection.DensitySpectrumItems()), (std::vector<int>{2400, 2380}));

    s.measurement.InForce().MeasurementType = 4;
    StoreSelection(s, Items({1036}), SelectionTarget::ByMeasurementType);
    EXPECT_EQ(Ids(s.selection.Irradiance()), (std::vector<int>{1036}));
    StoreSelection(s, Items({1035}), SelectionTarget::Reflection);
    EXPECT_TRUE(s.selection.DensitySpectrumSelected()) << "irradiance leaves the density flag alone";

    s.measurement.InForce().MeasurementType = 1;
    StoreSelection(s, Items({1035}), SelectionTarget::Reflection);
    EXPECT_FALSE(s.selection.DensitySpectrumSelected());
    EXPECT_TRUE(s.selection.DensitySpectrumItems().empty());

    s.measurement.InForce().MeasurementType = 2;
    StoreSelection(s, Items({1044}), SelectionTarget::ByMeasurementType);
    EXPECT_EQ(Ids(s.selection.Reflection()), (std::vector<int>{1035}));
    EXPECT_EQ(Ids(s.selection.Irradiance()), (std::vector<int>{1036}));

    s.selection.ClearReflection();
    EXPECT_TRUE(s.selection.Reflection().empty());
    EXPECT_FALSE(s.selection.Irradiance().empty());
}

TEST(SettingsSelection, Text) {
    EXPECT_EQ(SelectionText(Items({2000, 1035})), "2000;1035;");
    EXPECT_EQ(SelectionText({}), "");
    MemoryProfileStore store;
    AppSettings s{store};
    s.selection.StoreText(0, Items({2000}));
    s.selection.StoreText(1, Items({1035}));
    ASSERT_EQ(store.Writes().size(), 2u);
    EXPECT_EQ(store.Writes()[0].name, "ReflSelDataItems");
    EXPECT_EQ(store.Writes()[1].name, "IrrSelDataItems");
}

}  // namespace
