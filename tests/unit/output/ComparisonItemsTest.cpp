// The comparison items: offered for reflection only, valued from the comparison with two
// decimals and "." whatever the locale, the missing-value text without a reference or a
// comparison, and written by the transfer like any colour value; the preview shows them. The
// spread items beside them: of the readings an averaged measurement was made of.
#include <gtest/gtest.h>

#include "support/CommaLocale.h"
#include "support/MemoryAutomation.h"

#include "core/output/Catalogue.h"
#include "core/output/LayoutPreview.h"
#include "core/output/Transfer.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "core/quality/Reference.h"
#include "core/quality/SampleAverager.h"

namespace ombra::core {
namespace {

using platform::ResString;

constexpr int kName = 2100, kdL = 2101, kda = 2102, kdE76 = 2106, kdE00 = 2108, kVerdict = 2110;

struct ComparisonItems : ::testing::Test {
    AppSettings settings;
    CMeasuredData data;
    OutputValues values;

    ComparisonItems() {
        for (int id = item::kFirstComparison; id <= item::kLastComparison; ++id)
            settings.selection.InForce().reflectionSelection.push_back(MakeItem(id));
        MeasuredDataRecord record;
        record.SetFloat(MeasuredDataRecord::kColorValue0, 50.0f);
        data.Append(record);
    }
    std::string Text(int id) const {
        for (const OutputItem &e : values.valueItems)
            if (e.identifier == id) return e.valueText;
        return "(absent)";
    }
};

TEST_F(ComparisonItems, ValuesComeFromTheComparisonWithTwoDecimalsAndAPoint) {
    values.BuildValues(settings, data, {});
    ASSERT_EQ(values.valueItems.size(), 11u);
    for (int id = item::kFirstComparison; id <= item::kLastComparison; ++id)
        EXPECT_EQ(Text(id), ResString(1196)) << "no reference: " << id;

    Reference r;
    r.name = "Sample A";
    r.lab = {50, 2.6772, -79.7751};
    r.tolerance.limit = 2.5;
    const Comparison c = Compare(r, {{50, 0, -82.7485}, r.conditions});
    test::CommaLocale comma;
    values.BuildValues(settings, data, {}, &c);
    EXPECT_EQ(Text(kName), "Sample A");
    EXPECT_EQ(Text(kdL), "0.00");
    EXPECT_EQ(Text(kda), "-2.68");
    EXPECT_EQ(Text(kdE76), "4.00");
    EXPECT_EQ(Text(kdE00), "2.04");
    EXPECT_EQ(Text(kVerdict), ResString(1962));
    EXPECT_EQ(values.outputItems[8].label, ResString(1958)) << "labels from the resource library";

    // Not compared: the reference is named, its numbers and verdict are missing.
    Comparison other = c;
    other.reason = NotCompared::ConditionsDiffer;
    values.BuildValues(settings, data, {}, &other);
    EXPECT_EQ(Text(kName), "Sample A");
    EXPECT_EQ(Text(kdE00), ResString(1196));
    EXPECT_EQ(Text(kVerdict), ResString(1196));
}

TEST_F(ComparisonItems, OfferedForReflectionAndWrittenLikeColourValues) {
    DataItemCatalogue catalogue;
    catalogue.RebuildForType(MeasKind::Reflection);
    EXPECT_EQ(catalogue.comparisonItems.size(), 15u) << "eleven of the comparison, four of the spread";
    EXPECT_EQ(catalogue.comparisonItems.back().identifier, item::kLastSpread);
    EXPECT_EQ(catalogue.Lookup(kdE00).size(), 1u) << "a stored selection may name them";
    catalogue.RebuildForType(MeasKind::Irradiance);
    EXPECT_TRUE(catalogue.comparisonItems.empty()) << "irradiance has no L*a*b*";

    // L* (1000) then ΔE00 and the verdict, labels above values across the row.
    settings.selection.InForce().reflectionSelection = {MakeItem(1000), MakeItem(kdE00), MakeItem(kVerdict)};
    Reference r;
    r.name = "A";
    r.lab = {52, 0, 0};
    r.tolerance.limit = 1.0;
    const Comparison c = Compare(r, {{50, 0, 0}, r.conditions});
    values.BuildValues(settings, data, {}, &c);
    TransferInput in{values.outputItems, values.valueItems, values.spectralCount, values.densityCount};
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    TransferLayout layout;
    ASSERT_EQ(TransferMeasurement(sheet, layout, in, "", {}).result, TransferResult::Written);
    const auto &cells = sheet.Sheet().cells;  // (column, row)
    EXPECT_EQ(cells.at({1, 2}), "50.00");
    EXPECT_EQ(cells.at({2, 1}), ResString(1958));
    EXPECT_EQ(cells.at({2, 2}), "1.99") << "ΔE00 weights a lightness step near L* 50 a little less";
    EXPECT_EQ(cells.at({3, 2}), ResString(1964)) << "ΔE00 1.99 over a limit of 1";

    // The preview shows typical comparison values.
    const LayoutPreview preview = ComputeLayoutPreview({kName, kdE00, kVerdict}, layout);
    const PreviewCell *dE = preview.CellAt(2, 2);
    ASSERT_TRUE(dE);
    EXPECT_NE(dE->text, ResString(1196));
    EXPECT_NE(dE->text.find('.'), std::string::npos);
    ASSERT_TRUE(preview.CellAt(3, 2));
    EXPECT_EQ(preview.CellAt(3, 2)->text, ResString(1962));
}

TEST_F(ComparisonItems, SpreadItemsComeFromTheSpreadWithTwoDecimalsAndAPoint) {
    settings.selection.InForce().reflectionSelection.clear();
    for (int id = item::kFirstSpread; id <= item::kLastSpread; ++id)
        settings.selection.InForce().reflectionSelection.push_back(MakeItem(id));
    values.BuildValues(settings, data, {});
    ASSERT_EQ(values.valueItems.size(), 4u);
    for (int id = item::kFirstSpread; id <= item::kLastSpread; ++id)
        EXPECT_EQ(Text(id), ResString(1196)) << "one reading has no spread: " << id;

    SampleSpread spread;
    spread.sdL = 0.456;
    spread.sdA = 1.0 / 3;
    spread.sdB = 0;
    spread.maxDeltaE00 = 12.346;
    test::CommaLocale comma;
    Reference r;
    r.lab = {50, 0, 0};
    const Comparison c = Compare(r, {{50, 0, 0}, r.conditions});
    values.BuildValues(settings, data, {}, &c, &spread);
    EXPECT_EQ(Text(2111), "0.46");
    EXPECT_EQ(Text(2112), "0.33");
    EXPECT_EQ(Text(2113), "0.00");
    EXPECT_EQ(Text(2114), "12.35");
    EXPECT_EQ(values.outputItems[0].label, ResString(2060)) << "labels from the resource library";
    EXPECT_EQ(KindOf(2114), ItemKind::Number) << "written like a colour value";
}

}  // namespace
}  // namespace ombra::core
