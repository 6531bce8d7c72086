#include <gtest/gtest.h>

#include <algorithm>

#include "core/output/Catalogue.h"
#include "core/platform/Resources.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using platform::ResString;

std::vector<int> Ids(const OutputItemList &list) {
    std::vector<int> ids;
    for (const OutputItem &e : list) ids.push_back(e.identifier);
    return ids;
}

std::vector<int> Range(int first, int last, int step = 1) {
    std::vector<int> ids;
    for (int i = first; i <= last; i += step) ids.push_back(i);
    return ids;
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto &p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

DataItemCatalogue Built(MeasKind kind) {
    DataItemCatalogue c;
    c.RebuildForType(kind);
    c.RebuildDensity();
    return c;
}

TEST(Catalogue, ListsInTheirOrderPerType) {
    DataItemCatalogue refl = Built(MeasKind::Reflection);
    EXPECT_EQ(Ids(refl.generalItems),
              Concat({{2023, 2024, 1035, 1036, 2130, 2009}, Range(2000, 2008), {1044}}));
    EXPECT_EQ(Ids(refl.colourItems),
              Concat({Range(1045, 1050), Range(1000, 1012), Range(1013, 1018), {1019, 1020, 1021, 1040},
                      {1022, 1023, 1024, 1041}, {1025, 1026, 1027, 1042}, {1028, 1029, 1030, 1043},
                      Range(1031, 1034)}));
    EXPECT_EQ(Ids(refl.spectralItems), Concat({{1100}, Range(380, 730, 10)}));
    EXPECT_EQ(Ids(refl.densityItems), Concat({{2020, 2021}, Range(2380, 2730)}));

    DataItemCatalogue irr = Built(MeasKind::Irradiance);
    EXPECT_EQ(Ids(irr.generalItems), (std::vector<int>{2023, 2024, 1035, 1036, 2130, 1045, 1048, 1037, 1038, 1039, 1044}));
    // The sample's name follows date and time for both types, under its own label.
    EXPECT_EQ(refl.Lookup(2130).at(0).label, platform::ResString(2021));
    EXPECT_EQ(irr.Lookup(2130).at(0).label, platform::ResString(2021));
    EXPECT_TRUE(irr.colourItems.empty());
    EXPECT_EQ(Ids(irr.spectralItems), Concat({{1100}, Range(300, 780, 5)}));
    EXPECT_EQ(irr.densityItems.size(), 353u);

    // Rebuilding replaces, never appends.
    irr.RebuildForType(MeasKind::Reflection);
    EXPECT_EQ(irr.generalItems.size(), refl.generalItems.size());
    EXPECT_EQ(irr.spectralItems.size(), 37u);
}

TEST(Catalogue, Labels) {
    EXPECT_EQ(ItemLabel(505), "505nm");
    EXPECT_EQ(ItemLabel(300), "300nm");
    EXPECT_EQ(ItemLabel(2450), "D (450nm)");
    EXPECT_EQ(ItemLabel(2730), "D (730nm)");
    const std::pair<int, int> fixed[] = {{2023, 1313}, {2024, 1314}, {1035, 1138}, {1036, 1139}, {1044, 1266},
                                         {1045, 1267}, {1049, 1271}, {1050, 1319}, {1000, 1100}, {1012, 1112},
                                         {1013, 1116}, {1018, 1121}, {1021, 1124}, {1040, 1250}, {1041, 1251},
                                         {1042, 1252}, {1043, 1253}, {1034, 1137}, {1037, 1113}, {1039, 1115},
                                         {2020, 1310}, {1100, 1265}, {2000, 1256}, {2008, 1264}, {2009, 1272},
                                         {2021, 1311}};
    for (auto [id, string] : fixed) EXPECT_EQ(ItemLabel(id), ResString(string)) << id;
    OutputItem item = MakeItem(1040);
    EXPECT_EQ(item.identifier, 1040);
    EXPECT_EQ(item.value, 0.0);
    EXPECT_TRUE(item.valueText.empty());
}

TEST(Catalogue, GroupsCoverTheirComponents) {
    EXPECT_TRUE(GroupCovers(1100, 300));
    EXPECT_TRUE(GroupCovers(1100, 780));
    EXPECT_TRUE(GroupCovers(1100, 735));
    EXPECT_FALSE(GroupCovers(1100, 299));
    EXPECT_FALSE(GroupCovers(1100, 781));
    EXPECT_TRUE(GroupCovers(2021, 2380));
    EXPECT_TRUE(GroupCovers(2021, 2730));
    EXPECT_FALSE(GroupCovers(2021, 2731));
    EXPECT_FALSE(GroupCovers(2021, 2020));
    EXPECT_TRUE(GroupCovers(2000, 1000));
    EXPECT_TRUE(GroupCovers(2001, 1000));
    EXPECT_FALSE(GroupCovers(2000, 1003));
    EXPECT_TRUE(GroupCovers(2001, 1004));
    EXPECT_TRUE(GroupCovers(2004, 1040));
    EXPECT_TRUE(GroupCovers(2009, 1050));
    EXPECT_FALSE(GroupCovers(2000, 2000)) << "a group does not cover itself";
    EXPECT_FALSE(GroupCovers(1035, 1035)) << "plain items cover nothing";
    for (int g : {1100, 2000, 2005, 2009, 2021}) EXPECT_TRUE(IsGroupItem(g)) << g;
    for (int i : {1000, 1044, 2020, 400, 2380}) EXPECT_FALSE(IsGroupItem(i)) << i;
}

TEST(Catalogue, LookupSearchesTheListsInOrder) {
    DataItemCatalogue refl = Built(MeasKind::Reflection);
    DataItemCatalogue irr = Built(MeasKind::Irradiance);

    // 1045 lives in the colour list for reflection and in the general list for irradiance.
    ASSERT_EQ(refl.Lookup(1045).size(), 1u);
    std::vector<int> general = Ids(refl.generalItems);
    EXPECT_EQ(std::count(general.begin(), general.end(), 1045), 0);
    EXPECT_EQ(refl.Lookup(1045)[0], refl.colourItems[0]);
    ASSERT_EQ(irr.Lookup(1045).size(), 1u);
    EXPECT_EQ(irr.Lookup(1045)[0], irr.generalItems[5]);

    EXPECT_TRUE(refl.Lookup(735).empty());
    ASSERT_EQ(irr.Lookup(735).size(), 1u);
    EXPECT_EQ(irr.Lookup(735)[0].label, "735nm");

    for (const DataItemCatalogue *c : {&refl, &irr}) {
        ASSERT_EQ(c->Lookup(2380).size(), 1u);
        EXPECT_EQ(c->Lookup(2380)[0].label, "D (380nm)");
    }
    EXPECT_TRUE(refl.Lookup(0).empty());
    EXPECT_TRUE(refl.Lookup(9999).empty());
    EXPECT_TRUE(irr.Lookup(2000).empty()) << "no colour groups for irradiance";
}

}  // namespace
