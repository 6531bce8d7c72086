// The references kept per user: what is stored comes back as it was, a damaged file is set
// aside instead of overwritten, an import takes every entry or none, the sources (a colour
// set, a measurement) give the references they should, and the store compares with the active
// or the nearest reference.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/colorset/ColorSet.h"
#include "core/instrument/MeasuredData.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/Resources.h"
#include "core/quality/ReferenceStore.h"

#include "support/QualityTestSupport.h"

namespace {

using namespace ombra::core;
namespace cm = ombra::colorimetry;

using namespace ombra::core::test;

struct StoreFixture : ::testing::Test {
    QTemporaryDir dir;
    QString Path() const { return dir.filePath("data/references.json"); }
};

TEST_F(StoreFixture, WhatIsStoredComesBackAfterARestart) {
    Reference full = Ref("Cyan 100", {55.12, -37.5, -50.25}, kD65_10);
    full.spectrum.emplace();
    for (int i = 0; i < cm::kReflectanceCount; ++i) (*full.spectrum)[i] = 0.01 * i + 0.03;
    full.tolerance = {DeltaEFormula::Cmc, 1.5, {2, 1, 1}, {0.5, 0, 0, 0.75, 1.25}, 0.8};
    {
        ReferenceStore store(Path());
        EXPECT_TRUE(store.References().empty());
        ASSERT_TRUE(store.Put(full)) << store.saveError();
        ASSERT_TRUE(store.Put(Ref("Paper", {95, 0.5, -2})));
        ASSERT_TRUE(store.SetActive("Paper"));
        EXPECT_FALSE(store.SetActive("Nobody")) << "only a listed name";
        ASSERT_TRUE(store.SetNearestMode(true));
    }
    ReferenceStore again(Path());
    EXPECT_TRUE(again.loadProblem().empty());
    ASSERT_EQ(again.References().size(), 2u);
    EXPECT_EQ(again.References()[0], full) << "spectrum, tolerance and conditions exactly";
    EXPECT_EQ(again.ActiveName(), "Paper");
    EXPECT_TRUE(again.NearestMode());
    EXPECT_EQ(again.Active(), nullptr) << "nearest mode has no single active reference";

    // Putting a name again replaces it; removing the active one leaves none active.
    ASSERT_TRUE(again.SetNearestMode(false));
    ASSERT_TRUE(again.Put(Ref("Paper", {94, 0, -1})));
    EXPECT_EQ(again.References().size(), 2u);
    EXPECT_EQ(again.Active()->lab[0], 94);
    ASSERT_TRUE(again.Remove("Paper"));
    EXPECT_EQ(again.Active(), nullptr);
    EXPECT_EQ(ReferenceStore(Path()).References().size(), 1u);
    EXPECT_FALSE(again.Put(Ref("", {50, 0, 0}))) << "a reference needs a name";
    EXPECT_FALSE(again.Put(Ref("Over", {101, 0, 0})));
}

TEST_F(StoreFixture, ADamagedFileIsSetAsideNotOverwritten) {
    QDir().mkpath(dir.filePath("data"));
    QFile file(Path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"version\": 1, \"references\": [{\"name\": \"Half\"");
    file.close();

    ReferenceStore store(Path());
    EXPECT_TRUE(store.References().empty());
    ASSERT_FALSE(store.loadProblem().empty());
    EXPECT_TRUE(QFile::exists(QString::fromStdString(store.loadProblem())));
    ASSERT_TRUE(store.Put(Ref("New", {50, 0, 0})));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(store.loadProblem()))) << "the damaged file is kept";

    // A folder that cannot be made: the change stays in memory and the reason is given.
    ReferenceStore blocked(Path() + "/inside-a-file/references.json");
    EXPECT_FALSE(blocked.Put(Ref("X", {50, 0, 0})));
    EXPECT_FALSE(blocked.saveError().empty());
}

TEST_F(StoreFixture, AnImportTakesEveryEntryOrNone) {
    ReferenceStore store(Path());
    ASSERT_TRUE(store.Put(Ref("Kept", {30, 1, 1})));
    ColourTolerance dE2;
    dE2.limit = 2;
    std::vector<ReferenceFileEntry> entries = {
        {"Red", {48, 68, 48}, std::nullopt, std::nullopt, std::nullopt, 2},
        {"", {50, 0, 0}, std::nullopt, std::nullopt, std::nullopt, 3},
        {"Blue", {30, 20, -55}, kD65_10, std::nullopt, std::nullopt, 4},
    };
    ImportResult result = store.Import(entries, kD50_2, dE2);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.badLine, 3);
    EXPECT_NE(result.error.find("line 3"), std::string::npos) << result.error;
    EXPECT_EQ(store.References().size(), 1u) << "nothing half-loaded";

    entries[1].name = "Kept";  // replaces the stored one
    result = store.Import(entries, kD50_2, dE2);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.imported, 3);
    ReferenceStore again(Path());
    ASSERT_EQ(again.References().size(), 3u);
    EXPECT_EQ(again.Find("Kept")->lab[0], 50);
    EXPECT_EQ(again.Find("Red")->conditions, kD50_2) << "the import's defaults";
    EXPECT_EQ(again.Find("Red")->tolerance.limit, 2);
    EXPECT_EQ(again.Find("Blue")->conditions, kD65_10) << "the entry's own";
}

TEST(ReferenceSources, AColourSetGivesItsDefinedColoursWithTheirTolerances) {
    ColorSet set;
    set.illuminant = cm::kIlluminantD65;
    set.observer = cm::kObserver10;
    set.differenceFormula = 3;  // ΔE00
    set.factors = {1.0f, 1.5f, 1.0f};
    set.colors[0] = {"Brand", 61.5f, 12.25f, -40.0f, 1, 1, {Tolerance{1, 1.0f}, {0, 5.0f}, {1, 2.0f}, {1, 1.5f}}};
    set.name = "Brand set";
    set.colors[3] = {"", 80.0f, 0.0f, 5.0f, 1, 0, {}};
    set.colors[5].name = "Empty";  // not defined
    const std::vector<Reference> refs = ReferencesOfColorSet(set);
    ASSERT_EQ(refs.size(), 2u);
    const Reference &brand = refs[0];
    EXPECT_EQ(brand.name, "Brand");
    EXPECT_DOUBLE_EQ(brand.lab[1], 12.25);
    EXPECT_EQ(brand.conditions, kD65_10);
    EXPECT_EQ(brand.tolerance.formula, DeltaEFormula::Ciede2000);
    EXPECT_DOUBLE_EQ(brand.tolerance.limit, 1.5);
    EXPECT_DOUBLE_EQ(brand.tolerance.factors[1], 1.5);
    EXPECT_EQ(brand.tolerance.componentLimits, (std::array<double, kComponents>{1.0, 0, 0, 0, 2.0}))
        << "ΔL* in use, ΔC* not, ΔH* in use";
    EXPECT_FALSE(refs[1].tolerance.InUse()) << "a colour without tolerance check";
    EXPECT_EQ(refs[1].name, "Brand set 4") << "an unnamed colour by its set and number";

    set.differenceFormula = 4;  // Hunter: its ΔE limit has no counterpart
    EXPECT_EQ(ReferencesOfColorSet(set)[0].tolerance.limit, 0);
    EXPECT_DOUBLE_EQ(ReferencesOfColorSet(set)[0].tolerance.componentLimits[0], 1.0);
}

TEST(ReferenceSources, AMeasurementOfTheJournalBecomesAReferenceWithItsSpectrum) {
    MeasuredDataRecord record;
    for (int i = 0; i < MeasuredDataRecord::kCells - 1; ++i) record.SetFloat(i, std::numeric_limits<float>::max());
    for (int i = 0; i < cm::kReflectanceCount; ++i) record.SetFloat(i, 0.5f);
    record.SetFloat(MeasuredDataRecord::kColorValue0, 76.07f);
    record.SetFloat(MeasuredDataRecord::kColorValue0 + 1, 0.0f);
    record.SetFloat(MeasuredDataRecord::kColorValue0 + 2, 0.0f);
    JournalEntry entry;
    entry.measurementType = 1;
    entry.settingTexts[3] = ombra::core::platform::ResString(1162);  // 10°
    entry.settingTexts[4] = ombra::core::platform::ResString(1167);  // D65
    entry.rawRecord.assign(reinterpret_cast<const char *>(&record), sizeof record);

    const std::optional<Reference> r = ReferenceOfJournalEntry("Grey", entry);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->conditions, kD65_10);
    EXPECT_FLOAT_EQ(static_cast<float>(r->lab[0]), 76.07f);
    ASSERT_TRUE(r->spectrum);
    EXPECT_FLOAT_EQ(static_cast<float>((*r->spectrum)[20]), 0.5f);

    entry.measurementType = 4;
    EXPECT_FALSE(ReferenceOfJournalEntry("Light", entry));
    entry.measurementType = 1;
    record.SetFloat(MeasuredDataRecord::kColorValue0 + 1, std::numeric_limits<float>::max());
    entry.rawRecord.assign(reinterpret_cast<const char *>(&record), sizeof record);
    EXPECT_FALSE(ReferenceOfJournalEntry("Grey", entry)) << "a* not delivered";
}

TEST_F(StoreFixture, ComparesWithTheActiveOrTheNearestReference) {
    ReferenceStore store(Path());
    const MeasuredColour measured{{57, 0, 0}, kD50_2};
    EXPECT_FALSE(store.CompareWith(measured)) << "no reference: the items stay empty";
    ASSERT_TRUE(store.Put(Ref("Dark", {40, 0, 0})));
    ASSERT_TRUE(store.Put(Ref("Mid", {55, 0, 0})));
    EXPECT_FALSE(store.CompareWith(measured)) << "none active";
    ASSERT_TRUE(store.SetActive("Dark"));
    std::optional<Comparison> c = store.CompareWith(measured);
    ASSERT_TRUE(c && c->Computed());
    EXPECT_EQ(c->referenceName, "Dark");
    c = store.CompareWith(std::nullopt);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->reason, NotCompared::NoLab);
    EXPECT_EQ(c->referenceName, "Dark");

    ASSERT_TRUE(store.SetNearestMode(true));
    c = store.CompareWith(measured);
    ASSERT_TRUE(c && c->Computed());
    EXPECT_EQ(c->referenceName, "Mid");
    c = store.CompareWith(MeasuredColour{{57, 0, 0}, kD65_10});
    ASSERT_TRUE(c);
    EXPECT_EQ(c->reason, NotCompared::ConditionsDiffer);
}

}  // namespace
