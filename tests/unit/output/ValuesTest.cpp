#include <gtest/gtest.h>

#include "support/OutputItems.h"

#include "support/CommaLocale.h"

#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/output/Catalogue.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using platform::ResString;

constexpr float kMissing = std::numeric_limits<float>::max();

using test::Ids;
using test::Items;

struct ValuesFixture : ::testing::Test {
    AppSettings settings;
    CMeasuredData data;
    MeasuredDataRecord record;
    OutputValues values;
    MeasurementStamp stamp{"2026/12/07", "20:15:03"};

    const OutputItem &Value(int id) {
        for (const OutputItem &e : values.valueItems)
            if (e.identifier == id) return e;
        static OutputItem none;
        ADD_FAILURE() << "no value item " << id;
        return none;
    }
    void Build(std::initializer_list<int> selection, int type = 1) {
        settings.measurement.InForce().MeasurementType = type;
        settings.measurement.InForce().MeasurementTypeSel = type == 4 ? 1 : 0;
        SelectionValues &in = settings.selection.InForce();
        (type == 4 ? in.irradianceSelection : in.reflectionSelection) = Items(selection);
        data.Empty();
        data.Append(record);
        values.BuildValues(settings, data, stamp);
    }
};

TEST_F(ValuesFixture, ExpandReplacesGroupsInTableOrder) {
    OutputItemList list = Items({2000, 2001});
    values.ExpandSelection(list, settings);
    EXPECT_EQ(Ids(list), (std::vector<int>{1000, 1001, 1002, 1003, 1004})) << "1000 once";

    list = Items({2001, 1035, 2000});
    values.ExpandSelection(list, settings);
    EXPECT_EQ(Ids(list), (std::vector<int>{1000, 1003, 1004, 1035, 1001, 1002}));

    list = Items({2004, 2009, 1044, 1044, 1044});
    values.ExpandSelection(list, settings);
    EXPECT_EQ(Ids(list), (std::vector<int>{1019, 1020, 1021, 1040, 1045, 1046, 1047, 1048, 1049, 1050, 1044, 1044, 1044}));
    EXPECT_EQ(list[0].label, ResString(1122));
}

TEST_F(ValuesFixture, ExpandCountsSpectralAndDensityValues) {
    OutputItemList list = Items({1100, 2021, 2021});
    values.ExpandSelection(list, settings);
    EXPECT_EQ(values.spectralCount, 36);
    EXPECT_EQ(values.densityCount, 702);
    ASSERT_EQ(list.size(), 36u + 702u);
    EXPECT_EQ(list[0].identifier, 380);
    EXPECT_EQ(list[35].identifier, 730);
    EXPECT_EQ(list[36].identifier, 2380);
    EXPECT_EQ(list[36].label, "D (380nm)");

    settings.measurement.InForce().MeasurementTypeSel = 1;
    list = Items({1100});
    values.ExpandSelection(list, settings);
    EXPECT_EQ(values.spectralCount, 75);
    EXPECT_EQ(values.densityCount, 0);
    ASSERT_EQ(list.size(), 97u);
    EXPECT_EQ(list.front().label, "300nm");
    EXPECT_EQ(list.back().identifier, 780);
}

TEST_F(ValuesFixture, ValueTableFormatsFromTheRecordPlaces) {
    struct Case { int id, place; const char *text; float value; };
    const Case cases[] = {
        {1000, 97, "52.35", 52.345678f}, {1002, 99, "-3.10", -3.1f},    {1003, 101, "12.00", 12.0f},
        {1005, 109, "1.25", 1.2549f},    {1008, 106, "7.50", 7.5f},     {1011, 104, "0.3127", 0.31270f},
        {1012, 105, "0.3290", 0.3290f},  {1013, 132, "1.11", 1.11f},    {1015, 134, "2.22", 2.22f},
        {1016, 136, "3.33", 3.33f},      {1018, 135, "4.44", 4.44f},    {1040, 115, "0.75", 0.75f},
        {1041, 119, "0.80", 0.8f},       {1042, 123, "0.90", 0.9f},     {1043, 127, "1.00", 1.0f},
        {1031, 128, "0.05", 0.05f},      {1034, 131, "0.06", 0.06f},    {1037, 138, "5499", 5499.9f},
        {1038, 139, "-2", -2.7f},        {1039, 140, "0.333", 0.3333f}, {2020, 492, "1.45", 1.45f},
        {2380, 141, "0.12", 0.12f},      {2730, 491, "0.98", 0.98f},
    };
    std::vector<int> ids;
    for (const Case &c : cases) {
        record.SetFloat(c.place, c.value);
        ids.push_back(c.id);
    }
    settings.selection.InForce().reflectionSelection.clear();
    for (int id : ids) settings.selection.InForce().reflectionSelection.push_back(MakeItem(id));
    data.Append(record);
    values.BuildValues(settings, data, stamp);
    ASSERT_EQ(values.valueItems.size(), std::size(cases));
    for (const Case &c : cases) {
        EXPECT_EQ(Value(c.id).valueText, c.text) << c.id;
        EXPECT_EQ(Value(c.id).value, static_cast<double>(c.value)) << c.id;
    }
}

TEST_F(ValuesFixture, MissingValueIsTheMissingTextInEveryFormat) {
    for (int place : {97, 104, 138, 140, 492, 141, 2}) record.SetFloat(place, kMissing);
    Build({1000, 1011, 1037, 1039, 2020, 2380, 1100});
    for (int id : {1000, 1011, 1037, 1039, 2020, 2380, 400}) {
        EXPECT_EQ(Value(id).valueText, ResString(1196)) << id;
        EXPECT_EQ(Value(id).valueText.find("340282"), std::string::npos) << id;
    }
    EXPECT_EQ(Value(390).valueText, "0.0000");
}

TEST_F(ValuesFixture, TruncationSaturatesInsteadOfOverflowing) {
    EXPECT_EQ(FormatTruncated(5499.9), "5499");
    EXPECT_EQ(FormatTruncated(-2.7), "-2");
    EXPECT_EQ(FormatTruncated(-0.5), "0");
    EXPECT_EQ(FormatTruncated(1e30), "2147483647");
    EXPECT_EQ(FormatTruncated(-1e30), "-2147483648");
    EXPECT_EQ(FormatTruncated(std::numeric_limits<double>::quiet_NaN()), "0");
}

TEST_F(ValuesFixture, WavelengthPlacesAndFormatsPerType) {
    record.SetFloat(0, 0.1f);
    record.SetFloat(35, 0.8765432f);
    Build({1100});
    EXPECT_EQ(values.valueItems.size(), 36u);
    EXPECT_EQ(Value(380).valueText, "0.1000");
    EXPECT_EQ(Value(730).valueText, "0.8765");

    record.SetFloat(12, 0.25f);   // 360 nm
    record.SetFloat(86, 1.5f);    // 730 nm
    record.SetFloat(87, 2.345f);  // 735 nm
    record.SetFloat(96, 3.5f);    // 780 nm
    Build({1100}, 4);
    EXPECT_EQ(values.spectralCount, 75);
    EXPECT_EQ(Value(360).valueText, "0.2500");
    EXPECT_EQ(Value(730).valueText, "1.5000");
    EXPECT_EQ(Value(735).valueText, "2.35");
    EXPECT_EQ(Value(780).valueText, "3.50");
}

TEST_F(ValuesFixture, AutoSpotDensityLabelCarriesTheWavelength) {
    record.SetInt(MeasuredDataRecord::kAutoSpotWavelength, 580);
    record.SetFloat(492, 1.234f);
    Build({2020});
    EXPECT_EQ(Value(2020).label, "D (Auto: 580nm)");
    ASSERT_EQ(values.outputItems.size(), 1u);
    EXPECT_EQ(values.outputItems[0].label, "D (Auto: 580nm)");
    EXPECT_EQ(values.outputItems[0].valueText, "1.23");
}

TEST_F(ValuesFixture, TextItemsAndOutputList) {
    settings.identity.SetModelName("ModelX");
    settings.identity.SetSerialNumberText("4711");
    settings.measurement.InForce().MeasTypeString = "Reflection";
    settings.measurement.InForce().PolarizationString = "Off";
    record.SetFloat(97, 50.0f);
    Build({2023, 2024, 1035, 1036, 1044, 2009, 2000, 1000});
    EXPECT_EQ(Value(2023).valueText, "ModelX");
    EXPECT_EQ(Value(2024).valueText, "4711");
    EXPECT_EQ(Value(1035).valueText, "2026/12/07");
    EXPECT_EQ(Value(1036).valueText, "20:15:03");
    EXPECT_EQ(Value(1044).valueText, "");
    EXPECT_EQ(Value(1045).valueText, "Reflection");
    EXPECT_EQ(Value(1050).valueText, "Off");
    for (int id : {2023, 2024, 1035, 1036, 1044, 1045}) EXPECT_EQ(Value(id).value, 0.0) << id;

    // The output list keeps the selection (groups included); an item after a group finds
    // its first namesake among the expanded values.
    EXPECT_EQ(Ids(values.outputItems), (std::vector<int>{2023, 2024, 1035, 1036, 1044, 2009, 2000, 1000}));
    EXPECT_EQ(values.outputItems[5].valueText, "");
    EXPECT_EQ(values.outputItems[6].valueText, "");
    EXPECT_EQ(values.outputItems[7].valueText, "50.00");
    EXPECT_EQ(values.outputItems[7].value, 50.0);
}

TEST_F(ValuesFixture, NoRecordOrUnknownTypeLeavesValuesEmpty) {
    settings.selection.InForce().reflectionSelection = Items({1035, 2000});
    values.BuildValues(settings, data, stamp);
    EXPECT_TRUE(values.valueItems.empty());
    ASSERT_EQ(values.outputItems.size(), 2u);
    EXPECT_EQ(values.outputItems[0].valueText, "");

    Build({1035}, 2);
    EXPECT_TRUE(values.outputItems.empty());
    EXPECT_TRUE(values.valueItems.empty());
}

TEST_F(ValuesFixture, NumbersUseAPointInACommaLocale) {
    ombra::core::test::CommaLocale comma;
    if (!comma.CLibraryUsesComma()) GTEST_SKIP() << "no comma locale available";
    record.SetFloat(97, 1.5f);
    record.SetFloat(104, 0.3127f);
    record.SetFloat(140, 0.25f);
    Build({1000, 1011, 1039});
    comma.Restore();
    EXPECT_EQ(Value(1000).valueText, "1.50");
    EXPECT_EQ(Value(1011).valueText, "0.3127");
    EXPECT_EQ(Value(1039).valueText, "0.250");
}

TEST_F(ValuesFixture, TheSampleItemWritesTheStampedNameOrTheMissingValueText) {
    stamp.sampleName = "Sample 7";
    Build({item::kDate, item::kSampleName});
    EXPECT_EQ(Value(item::kSampleName).valueText, "Sample 7");
    stamp.sampleName.clear();
    Build({item::kSampleName}, 4);
    EXPECT_EQ(Value(item::kSampleName).valueText, ResString(1196)) << "a sample without a name, as irradiance too";
}

}  // namespace

