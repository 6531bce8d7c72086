#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <span>

#include "core/instrument/PropertyTables.h"
#include "core/platform/Resources.h"
#include "support/FakeInstrument.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::FakeInstrument;

struct Expected {
    uint32_t bit;
    int32_t value;
    int32_t id;
};

void expectRows(PropertyTable table, const std::vector<Expected> &expected) {
    auto rows = Rows(table);
    ASSERT_EQ(rows.size(), expected.size() + 1);
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].bit, expected[i].bit);
        EXPECT_EQ(rows[i].value, expected[i].value);
        EXPECT_EQ(rows[i].id, expected[i].id);
    }
    EXPECT_EQ(rows.back().bit, 0u) << "a table ends with bit 0";
}

TEST(PropertyTables, RowsInTheirOrder) {
    expectRows(PropertyTable::MeasurementType, {{0x1, 0, 0}, {0x2, 1, 0}, {0x4, 3, 0}});
    expectRows(PropertyTable::Observer, {{0x1, 0, 2}, {0x2, 1, 2}});
    for (auto [table, id] : {std::pair{PropertyTable::Illuminant, 3}, std::pair{PropertyTable::MeasurementCondition, 4}}) {
        std::vector<Expected> rows;
        for (int n = 0; n < 14; ++n) rows.push_back({1u << n, n, id});
        rows.push_back({0x4000, 160, id});
        rows.push_back({0x8000, 14, id});
        expectRows(table, rows);
    }
    expectRows(PropertyTable::ResultItem,
               {{0x8000, 0, 5}, {0x1, 0, 5}, {0x2, 1, 5}, {0x4, 3, 5}, {0x8, 2, 5}, {0x10, 4, 5},
                {0x20, 0, 6}, {0x40, 1, 6}, {0x80, 2, 6}, {0x100, 3, 6}, {0x200, 4, 6},
                {0x1000, 1, 7}, {0x2000, 0, 7}, {0x4000, 2, 7}, {0x10000, 6, 5}});
}

// Every entry of the measurement-settings lists reaches the instrument as the value it stands
// for (through its property table, or as the code itself), and shows a text of its own.
TEST(PropertyTables, SettingsListEntriesSendTheirValues) {
    struct ListCase {
        const char *name;
        std::span<const ListEntry> entries;
        std::optional<PropertyTable> table;
        std::vector<int32_t> values;  // sent per entry, in list order
    };
    std::vector<int32_t> lightValues;
    for (int32_t n = 0; n <= 13; ++n) lightValues.push_back(n);
    lightValues.push_back(14);
    const ListCase cases[] = {
        {"type", meas::kTypeEntries, PropertyTable::MeasurementType, {0, 3}},
        {"condition", meas::kConditionEntries, PropertyTable::MeasurementCondition,
         {0, 2, 160, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {"polarised condition", {&meas::kPolarizedCondition, 1}, PropertyTable::MeasurementCondition, {0}},
        {"density white reference", meas::kDensityWhiteRefEntries, std::nullopt, {1, 2}},
        {"observer", meas::kObserverEntries, PropertyTable::Observer, {0, 1}},
        {"illuminant", meas::kIlluminantEntries, PropertyTable::Illuminant, lightValues},
        {"polarisation", meas::kPolarizationEntries, std::nullopt, {0, 1}},
    };
    std::set<int> strings;
    for (const ListCase &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.entries.size(), c.values.size());
        for (size_t i = 0; i < c.entries.size(); ++i) {
            const ListEntry &e = c.entries[i];
            if (c.table) {
                std::optional<PropertyRow> row = FindPropertyRow(*c.table, static_cast<uint32_t>(e.code));
                ASSERT_TRUE(row.has_value()) << e.code;
                EXPECT_EQ(row->value, c.values[i]) << "entry " << i;
            } else {
                EXPECT_EQ(e.code, c.values[i]) << "entry " << i;
            }
            EXPECT_TRUE(platform::HasResString(e.stringId)) << e.stringId;
            EXPECT_TRUE(strings.insert(e.stringId).second) << "string " << e.stringId << " shown twice";
        }
    }
    EXPECT_EQ(strings.count(1146), 0u) << "1146 names no condition of the list";
}

TEST(PropertyTables, LookupSendsTheRowValueToItsProperty) {
    FakeInstrument fake;
    DeviceHandle() = 0x77;
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::MeasurementCondition, 0x4000), 0);
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::MeasurementCondition, 0x8000), 0);
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::MeasurementType, 0x4), 0);
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::Illuminant, 0x2000), 0);
    auto calls = fake.CallsOf("DISetProperty");
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].a, 4);
    EXPECT_EQ(calls[0].b, 160);
    EXPECT_EQ(calls[1].b, 14);
    EXPECT_EQ(calls[2].a, 0);
    EXPECT_EQ(calls[2].b, 3);
    EXPECT_EQ(calls[3].a, 3);
    EXPECT_EQ(calls[3].b, 13);
    EXPECT_EQ(calls[3].handle, 0x77);
}

TEST(PropertyTables, SeveralBitsSelectTheFirstRowInTableOrder) {
    // The polarised condition 161 has bits 0x1, 0x20 and 0x80.
    auto row = FindPropertyRow(PropertyTable::MeasurementCondition, 161);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->value, 0);
    // The spectrum row comes first in the result-item table although its bit is high.
    EXPECT_EQ(FindPropertyRow(PropertyTable::ResultItem, 0x8001)->bit, 0x8000u);
    EXPECT_EQ(FindPropertyRow(PropertyTable::ResultItem, 0x10004)->bit, 0x4u);
}

TEST(PropertyTables, MaskWithoutRowSendsNothing) {
    FakeInstrument fake;
    EXPECT_FALSE(FindPropertyRow(PropertyTable::ResultItem, 0x400 | 0x800));
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::Observer, 0x4), kResultNoMatchingProperty);
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::MeasurementType, 0), kResultNoMatchingProperty);
    EXPECT_EQ(SetPropertyFromMask(PropertyTable::Illuminant, 0x10000), kResultNoMatchingProperty);
    EXPECT_EQ(fake.Count("DISetProperty"), 0);
}

class ApplySettings : public ::testing::Test {
protected:
    FakeInstrument fake;
    MeasurementMasks masks{1, 0x4, 0x8000, 0x2, 0x4000};
};

TEST_F(ApplySettings, SendsTheFiveStepsInOrder) {
    ApplyResult result = ApplyMeasurementSettings(masks);
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.step, ApplyStep::None);
    auto calls = fake.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].fn, "DISetPolFilterCondition");
    EXPECT_EQ(calls[0].a, 1);
    std::vector<std::pair<int, int>> sent;
    for (size_t i = 1; i < calls.size(); ++i) sent.push_back({calls[i].a, calls[i].b});
    EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{0, 3}, {4, 14}, {2, 1}, {3, 160}}));
}

TEST_F(ApplySettings, PolarisationOffSendsZero) {
    masks.polarization = 0;
    ApplyMeasurementSettings(masks);
    EXPECT_EQ(fake.CallsOf("DISetPolFilterCondition")[0].a, 0);
}

TEST_F(ApplySettings, StopsAtTheFirstFailureAndNamesTheStep) {
    fake.Script("DISetPolFilterCondition", {9});
    ApplyResult result = ApplyMeasurementSettings(masks);
    EXPECT_EQ(result.step, ApplyStep::Polarization);
    EXPECT_EQ(result.code, 9);
    EXPECT_EQ(fake.Calls().size(), 1u);

    fake.ClearLog();
    fake.SetRule([](const ombra::core::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 2) return 12;
        return std::nullopt;
    });
    result = ApplyMeasurementSettings(masks);
    EXPECT_EQ(result.step, ApplyStep::Observer);
    EXPECT_EQ(result.code, 12);
    EXPECT_EQ(fake.Count("DISetProperty"), 3) << "illuminant not sent after the failed observer";
}

TEST_F(ApplySettings, RefusedConditionGoesBackToTheCallerWithoutAHandler) {
    fake.SetRule([](const ombra::core::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 4) return kResultNotAccepted;
        return std::nullopt;
    });
    ApplyResult result = ApplyMeasurementSettings(masks);
    EXPECT_EQ(result.step, ApplyStep::MeasurementCondition);
    EXPECT_EQ(result.code, kResultNotAccepted);
    EXPECT_EQ(fake.Count("DISetProperty"), 2);
}

TEST_F(ApplySettings, RefusalHandlerReplacesTheMaskAndTheRestFollows) {
    fake.SetRule([](const ombra::core::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && (c.a == 4 || c.a == 3) && c.b != 2) return kResultNotAccepted;
        return std::nullopt;
    });
    std::vector<ApplyStep> refused;
    ApplyResult result = ApplyMeasurementSettings(masks, [&](ApplyStep step) -> std::optional<uint32_t> {
        refused.push_back(step);
        return 4u;
    });
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(refused, (std::vector<ApplyStep>{ApplyStep::MeasurementCondition, ApplyStep::Illuminant}));
    std::vector<std::pair<int, int>> sent;
    for (const auto &c : fake.CallsOf("DISetProperty")) sent.push_back({c.a, c.b});
    EXPECT_EQ(sent, (std::vector<std::pair<int, int>>{{0, 3}, {4, 14}, {4, 2}, {2, 1}, {3, 160}, {3, 2}}));
}

TEST_F(ApplySettings, ASecondRefusalStops) {
    fake.SetRule([](const ombra::core::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 4) return kResultNotAccepted;
        return std::nullopt;
    });
    int asked = 0;
    ApplyResult result = ApplyMeasurementSettings(masks, [&](ApplyStep) -> std::optional<uint32_t> {
        ++asked;
        return 4u;
    });
    EXPECT_EQ(asked, 1) << "retried once only";
    EXPECT_EQ(result.step, ApplyStep::MeasurementCondition);
    EXPECT_EQ(result.code, kResultNotAccepted);
    EXPECT_EQ(fake.Count("DISetProperty"), 3);
}

}  // namespace
