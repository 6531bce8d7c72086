// The settings groups: what a setter writes and where, what the next load reads back, and
// where copies write.
#include <gtest/gtest.h>

#include <functional>

#include "core/settings/SettingsStore.h"
#include "support/MemoryProfileStore.h"
#include "support/OutputItems.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using platform::MemoryProfileStore;

struct Setter {
    const char *name;
    std::function<void(AppSettings &)> set;
    std::function<bool(const AppSettings &)> readBack;
    bool inForceAtOnce = true;  // a selection text is only stored: the item list is in memory
};

// Every stored value: set it, load the model's section into fresh settings, find it again.
TEST(SettingsFacade, EverySetterWritesAtOnceWhatTheNextLoadReads) {
    const Setter setters[] = {
        {"MeasurementTypeSel", [](AppSettings &s) { s.measurement.SetMeasurementTypeSel(1); },
         [](const AppSettings &s) { return s.measurement.MeasurementTypeSel() == 1; }},
        {"MeasurementCondSel", [](AppSettings &s) { s.measurement.SetMeasurementCondSel(6); },
         [](const AppSettings &s) { return s.measurement.MeasurementCondSel() == 6; }},
        {"DensityWhiteRefSel", [](AppSettings &s) { s.measurement.SetDensityWhiteRefSel(1); },
         [](const AppSettings &s) { return s.measurement.DensityWhiteRefSel() == 1; }},
        {"ObserverSel", [](AppSettings &s) { s.measurement.SetObserverSel(1); },
         [](const AppSettings &s) { return s.measurement.ObserverSel() == 1; }},
        {"IlluminantSel", [](AppSettings &s) { s.measurement.SetIlluminantSel(9); },
         [](const AppSettings &s) { return s.measurement.IlluminantSel() == 9; }},
        {"PrevMeasSel", [](AppSettings &s) { s.measurement.SetPrevMeasSel(4); },
         [](const AppSettings &s) { return s.measurement.PrevMeasSel() == 4; }},
        {"MeasurementType", [](AppSettings &s) { s.measurement.SetMeasurementType(2); },
         [](const AppSettings &s) { return s.measurement.MeasurementType() == 2; }},
        {"MeasurementCond", [](AppSettings &s) { s.measurement.SetMeasurementCond(0x20); },
         [](const AppSettings &s) { return s.measurement.MeasurementCond() == 0x20; }},
        {"Observer", [](AppSettings &s) { s.measurement.SetObserver(2); },
         [](const AppSettings &s) { return s.measurement.Observer() == 2; }},
        {"Illuminant", [](AppSettings &s) { s.measurement.SetIlluminant(0x40); },
         [](const AppSettings &s) { return s.measurement.Illuminant() == 0x40; }},
        {"MeasTypeString", [](AppSettings &s) { s.measurement.SetMeasTypeString("t"); },
         [](const AppSettings &s) { return s.measurement.MeasTypeString() == "t"; }},
        {"MeasCondString", [](AppSettings &s) { s.measurement.SetMeasCondString("c"); },
         [](const AppSettings &s) { return s.measurement.MeasCondString() == "c"; }},
        {"DenWhiteRefString", [](AppSettings &s) { s.measurement.SetDenWhiteRefString("w"); },
         [](const AppSettings &s) { return s.measurement.DenWhiteRefString() == "w"; }},
        {"ObserverString", [](AppSettings &s) { s.measurement.SetObserverString("o"); },
         [](const AppSettings &s) { return s.measurement.ObserverString() == "o"; }},
        {"IlluminantString", [](AppSettings &s) { s.measurement.SetIlluminantString("i"); },
         [](const AppSettings &s) { return s.measurement.IlluminantString() == "i"; }},
        {"PolarizationString", [](AppSettings &s) { s.measurement.SetPolarizationString("p"); },
         [](const AppSettings &s) { return s.measurement.PolarizationString() == "p"; }},
        {"Label", [](AppSettings &s) { s.layout.SetLabel(0); }, [](const AppSettings &s) { return s.layout.Label() == 0; }},
        {"Row", [](AppSettings &s) { s.layout.SetRow(1); }, [](const AppSettings &s) { return s.layout.Row() == 1; }},
        {"BlockSep", [](AppSettings &s) { s.layout.SetBlockSep(3); },
         [](const AppSettings &s) { return s.layout.BlockSep() == 3; }},
        {"ValSep", [](AppSettings &s) { s.layout.SetValSep(7); }, [](const AppSettings &s) { return s.layout.ValSep() == 7; }},
        {"FuncSep", [](AppSettings &s) { s.layout.SetFuncSep(8); },
         [](const AppSettings &s) { return s.layout.FuncSep() == 8; }},
        {"ReflSelDataItems", [](AppSettings &s) { s.selection.StoreText(0, test::Items({1044})); },
         [](const AppSettings &s) { return test::Ids(s.selection.Reflection()) == std::vector<int>{1044}; }, false},
        {"IrrSelDataItems", [](AppSettings &s) { s.selection.StoreText(1, test::Items({1037})); },
         [](const AppSettings &s) { return test::Ids(s.selection.Irradiance()) == std::vector<int>{1037}; }, false},
    };
    for (const Setter &setter : setters) {
        MemoryProfileStore store;
        AppSettings settings{store};
        settings.identity.SetModelName("ModelA");
        setter.set(settings);
        ASSERT_EQ(store.Writes().size(), 1u) << setter.name;
        EXPECT_EQ(store.Writes()[0].section, "ModelA");
        EXPECT_EQ(store.Writes()[0].name, setter.name);

        AppSettings loaded{store};
        loaded.identity.SetModelName("ModelA");
        DataItemCatalogue catalogue;
        LoadSettings(loaded, catalogue, {});
        EXPECT_TRUE(setter.readBack(loaded)) << setter.name;
        if (setter.inForceAtOnce) {
            EXPECT_TRUE(setter.readBack(settings)) << setter.name << " is in force at once";
        }
    }
}

TEST(SettingsFacade, CopiesWriteWhereTheOriginalWritesAndAssignmentWritesNothing) {
    MemoryProfileStore first, second;
    AppSettings a{first};
    a.identity.SetModelName("ModelA");
    a.measurement.SetObserver(2);

    AppSettings copy = a;
    EXPECT_EQ(copy.measurement.Observer(), 2);
    copy.layout.SetRow(1);
    EXPECT_EQ(first.GetInt("ModelA", "Row", -1), 1);
    EXPECT_EQ(a.layout.Row(), 0) << "the copy has values of its own";

    AppSettings b{second};
    b = a;
    EXPECT_TRUE(second.Writes().empty());
    EXPECT_EQ(b.measurement.Observer(), 2);
    b.measurement.SetIlluminant(0x40);
    EXPECT_EQ(second.GetInt("ModelA", "Illuminant", -1), 0x40) << "assignment keeps the store";
    EXPECT_EQ(first.GetInt("ModelA", "Illuminant", -1), -1);

    // A refused write leaves the value in force and is told once.
    second.FailWrites("read-only");
    b.layout.SetValSep(3);
    b.layout.SetFuncSep(4);
    EXPECT_EQ(b.layout.ValSep(), 3);
    ASSERT_TRUE(platform::TakeSettingsFailureNotice(b.Store()).has_value());
    EXPECT_FALSE(platform::TakeSettingsFailureNotice(b.Store()).has_value());
}

}  // namespace

// The sound of a missed measurement is the program's, not a model's: on until switched off, and
// kept at the application level whichever instrument is connected.
TEST(SettingsFacade, MissSoundIsOnByDefaultAndKeptForEveryModel) {
    MemoryProfileStore store;
    AppSettings a{store};
    EXPECT_TRUE(a.feedback.MissSound());
    a.identity.SetModelName("ModelA");
    a.feedback.SetMissSound(false);
    ASSERT_EQ(store.Writes().size(), 1u);
    EXPECT_EQ(store.Writes()[0].section, "");
    a.identity.SetModelName("ModelB");
    EXPECT_FALSE(a.feedback.MissSound());
    AppSettings later{store};
    EXPECT_FALSE(later.feedback.MissSound()) << "read back by the next start";
    later.feedback.SetMissSound(true);
    EXPECT_TRUE(a.feedback.MissSound());
}

TEST(SettingsFacade, ReadingsPerSampleAreKeptPerModelWithinOneToTen) {
    MemoryProfileStore store;
    AppSettings a{store};
    a.identity.SetModelName("ModelA");
    EXPECT_EQ(a.sampling.ReadingsPerSample(), 1);
    a.sampling.SetReadingsPerSample(3);
    ASSERT_EQ(store.Writes().size(), 1u);
    EXPECT_EQ(store.Writes()[0].section, "ModelA");
    a.identity.SetModelName("ModelB");
    EXPECT_EQ(a.sampling.ReadingsPerSample(), 1) << "another model's own";
    a.sampling.SetReadingsPerSample(25);
    EXPECT_EQ(a.sampling.ReadingsPerSample(), 10);
    store.WriteInt("ModelA", "ReadingsPerSample", -4);  // edited by hand
    a.identity.SetModelName("ModelA");
    EXPECT_EQ(a.sampling.ReadingsPerSample(), 1);
}
