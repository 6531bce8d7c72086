// Invariants of the item registry that every reader relies on: each identifier has one
// meaning, group rows agree with their components, every component is skipped by exactly
// one group, and the catalogue offers exactly the items the registry knows.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/instrument/MeasuredData.h"
#include "core/output/Catalogue.h"
#include "core/output/ItemRegistry.h"

namespace {

using namespace ombra;
using namespace ombra::core;

TEST(ItemRegistry, EachIdentifierHasOneRowAndEveryValueAPlaceOfItsOwn) {
    const RangeRow &densities = *FindRange(item::kFirstSpotDensity);
    const int lastDensityPlace = densities.firstPlace + densities.ids.last - densities.ids.first;
    std::map<int, int> rowsPerId;
    std::set<int> places;
    for (const ItemRow &row : ItemRows()) {
        ++rowsPerId[row.id];
        SCOPED_TRACE(row.id);
        EXPECT_EQ(FindRange(row.id), nullptr);
        EXPECT_EQ(FindGroup(row.id), nullptr);
        bool text = row.kind == ItemKind::CellText || row.kind == ItemKind::SettingText;
        EXPECT_EQ(row.format == ValueFormat::Text, text);
        EXPECT_EQ(row.text != TextField::None, text);
        if (text) {
            EXPECT_EQ(row.place, kNoPlace);
            continue;
        }
        // Past the spectrum, outside the densities, below the int at the record's end, unshared.
        EXPECT_TRUE(row.place >= 97 && row.place < MeasuredDataRecord::kAutoSpotWavelength) << row.place;
        EXPECT_FALSE(row.place >= densities.firstPlace && row.place <= lastDensityPlace) << row.place;
        EXPECT_TRUE(places.insert(row.place).second) << "place " << row.place << " read twice";
    }
    for (const GroupRow &row : GroupRows()) ++rowsPerId[row.id];
    for (auto [id, rows] : rowsPerId) EXPECT_EQ(rows, 1) << id;

    // Range items: each run its own, the spot densities on the record's density places.
    for (const RangeRow &row : RangeRows()) {
        for (const RangeRow &other : RangeRows()) {
            if (&row == &other) continue;
            EXPECT_TRUE(row.ids.last < other.ids.first || other.ids.last < row.ids.first);
        }
    }
    EXPECT_EQ(densities.firstPlace, MeasuredDataRecord::kSpotDensityFirst);
    EXPECT_EQ(FindRange(item::kLastSpotDensity), &densities);
}

TEST(ItemRegistry, GroupRowsAgreeWithTheirComponentsAndSkipEachOnce) {
    std::map<int, std::set<int>> skippersOf;  // component -> groups whose write skips it
    for (const GroupRow &group : GroupRows()) {
        SCOPED_TRACE(group.id);
        EXPECT_EQ(KindOf(group.id), ItemKind::Group);
        std::span<const int> c = Components(group);
        if (group.run != GroupRun::Fixed) {
            EXPECT_TRUE(c.empty());
            IdRun taken = TakenRun(group, true);
            EXPECT_TRUE(GroupCovers(group.id, taken.first) && GroupCovers(group.id, taken.last));
            EXPECT_TRUE(GroupCovers(group.id, group.skips.first) && GroupCovers(group.id, group.skips.last));
            continue;
        }
        ASSERT_FALSE(c.empty());
        EXPECT_EQ(group.first, c.front());
        EXPECT_EQ(group.last, c.back());
        EXPECT_EQ(group.n, static_cast<int>(c.size()));
        EXPECT_GE(group.atMost, group.n);
        for (size_t i = 0; i < c.size(); ++i) {
            ItemKind kind = KindOf(c[i]);
            EXPECT_TRUE(kind == ItemKind::Number || kind == ItemKind::SettingText) << c[i];
            if (static_cast<int>(i) >= group.skipFrom) skippersOf[c[i]].insert(group.id);
        }
    }
    // A component that an earlier group left out of its skips would be written twice or never.
    for (const GroupRow &group : GroupRows()) {
        for (int id : Components(group)) {
            ASSERT_EQ(skippersOf[id].size(), 1u) << id;
            EXPECT_EQ(SkippingGroup(id), *skippersOf[id].begin()) << id;
        }
    }
    EXPECT_EQ(SkippingGroup(1000), item::kLabGroup) << "shared by 2000 and 2001";
    EXPECT_TRUE(IsSharedComponent(1000));
    EXPECT_EQ(SkippingGroup(355), 0);
    EXPECT_EQ(SkippingGroup(360), item::kSpectrumGroup);
    EXPECT_EQ(SkippingGroup(2730), item::kSpotDensityGroup);

    // The written part of each grid: 36 reflection values, 75 irradiance values (360..730 nm).
    for (bool irradiance : {false, true}) {
        const WavelengthGrid &grid = GridFor(irradiance);
        EXPECT_TRUE(grid.items.Index(grid.written.first) >= 0 && grid.items.Index(grid.written.last) >= 0);
        EXPECT_EQ(grid.written.step, grid.items.step);
    }
    EXPECT_EQ(GridFor(false).written.Count(), 36);
    EXPECT_EQ(GridFor(true).written.Count(), 75);
}

TEST(ItemRegistry, TheCatalogueOffersExactlyTheKnownItems) {
    std::set<int> offered;
    for (MeasKind kind : {MeasKind::Reflection, MeasKind::Irradiance}) {
        DataItemCatalogue catalogue;
        catalogue.RebuildForType(kind);
        catalogue.RebuildDensity();
        for (const OutputItemList *list :
             {&catalogue.generalItems, &catalogue.colourItems, &catalogue.spectralItems, &catalogue.densityItems,
              &catalogue.comparisonItems})
            for (const OutputItem &e : *list) {
                EXPECT_NE(KindOf(e.identifier), ItemKind::None) << e.identifier;
                offered.insert(e.identifier);
            }
        for (int id : DefaultSelectionIds(kind == MeasKind::Irradiance))
            EXPECT_EQ(catalogue.Lookup(id).size(), 1u) << "default item " << id;
    }
    for (const ItemRow &row : ItemRows()) EXPECT_TRUE(offered.count(row.id)) << row.id;
    for (const GroupRow &row : GroupRows()) EXPECT_TRUE(offered.count(row.id)) << row.id;
    // Comparison items are numbers of their own identifiers, unknown to the other tables.
    for (const ComparisonRow &row : ComparisonRows()) {
        EXPECT_TRUE(offered.count(row.id)) << row.id;
        EXPECT_EQ(KindOf(row.id), ItemKind::Number) << row.id;
        EXPECT_TRUE(!FindItem(row.id) && !FindRange(row.id) && !FindGroup(row.id)) << row.id;
        EXPECT_EQ(LabelString(row.id), row.labelString);
    }
}

}  // namespace
