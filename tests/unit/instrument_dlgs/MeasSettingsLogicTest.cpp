#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/MeasSettingsLogic.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/Resources.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"
#include "support/NoticeRecorder.h"

using namespace ombra;
using namespace ombra::core;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;
using ombra::core::test::FakeCall;
using ombra::core::test::FakeInstrument;
namespace mb = ombra::core::platform::mb;

namespace {

// String `id` with its placeholders filled.
std::string Line(int id, std::vector<std::string> args) { return MakeNotice(id, 0, 0, std::move(args)).Text(); }

std::vector<int> Codes(const SettingsListState &s) {
    std::vector<int> codes;
    for (const ListEntry &e : s.entries) codes.push_back(e.code);
    return codes;
}
std::vector<int> StringIds(const SettingsListState &s) {
    std::vector<int> ids;
    for (const ListEntry &e : s.entries) ids.push_back(e.stringId);
    return ids;
}
std::vector<int> Ids(const OutputItemList &items) {
    std::vector<int> ids;
    for (const OutputItem &e : items) ids.push_back(e.identifier);
    return ids;
}

class MeasSettingsLogicTest : public ::testing::Test {
protected:
    MeasSettingsLogicTest() {
        DeviceHandle() = fake.AddDevice();
        s.identity.SetModelName(ResString(1234));
    }

    std::unique_ptr<MeasSettingsLogic> Open() {
        auto logic = std::make_unique<MeasSettingsLogic>(s);
        logic->Initialise(notices.Sink());
        return logic;
    }
    // The instrument refuses property `id` = `value` with `code`.
    void Refuse(int32_t id, int32_t value, int32_t code = kResultNotAccepted) {
        refusals.push_back({id, value, code});
        fake.SetRule([this](const FakeCall &c) -> std::optional<int32_t> {
            if (c.fn != "DISetProperty") return std::nullopt;
            for (const Refusal &r : refusals)
                if (c.a == r.id && c.b == r.value) return r.code;
            return std::nullopt;
        });
    }
    // The DISetProperty calls as (id, value) after the log was last cleared.
    std::vector<std::pair<int, int>> PropertyCalls() const {
        std::vector<std::pair<int, int>> out;
        for (const FakeCall &c : fake.CallsOf("DISetProperty")) out.push_back({c.a, c.b});
        return out;
    }
    std::vector<std::string> WrittenNames() const {
        std::vector<std::string> names;
        for (const auto &w : store.Writes()) names.push_back(w.name);
        return names;
    }
    const platform::MemoryProfileStore::Write *Written(const std::string &name) const {
        for (const auto &w : store.Writes())
            if (w.name == name) return &w;
        return nullptr;
    }

    struct Refusal {
        int32_t id, value, code;
    };
    std::vector<Refusal> refusals;
    FakeInstrument fake;
    platform::MemoryProfileStore store;
    AppSettings s{store};
    test::NoticeRecorder notices;
};

// ---- lists ----

TEST_F(MeasSettingsLogicTest, FullModelWithUserIlluminantGetsAllEntries) {
    auto logic = Open();
    EXPECT_TRUE(logic->SixteenthEntryAvailable());
    EXPECT_EQ(Codes(logic->List(SettingsList::Type)), (std::vector<int>{1, 4}));
    EXPECT_EQ(StringIds(logic->List(SettingsList::Type)), (std::vector<int>{1140, 1141}));
    EXPECT_EQ(StringIds(logic->List(SettingsList::Condition)),
              (std::vector<int>{1142, 1143, 1144, 1145, 1147, 1148, 1149, 1150, 1151, 1152, 1153, 1154, 1155, 1156,
                                1157, 1158}));
    EXPECT_EQ(Codes(logic->List(SettingsList::Condition)),
              (std::vector<int>{0x1, 0x4, 0x4000, 0x2, 0x8, 0x10, 0x20, 0x40, 0x80, 0x100, 0x200, 0x400, 0x800,
                                0x1000, 0x2000, 0x8000}));
    const SettingsListState &illuminants = logic->List(SettingsList::Illuminant);
    ASSERT_EQ(illuminants.entries.size(), 15u);
    for (int n = 0; n < 14; ++n) EXPECT_EQ(illuminants.entries[n], (ListEntry{1163 + n, 1 << n}));
    EXPECT_EQ(illuminants.entries[14], (ListEntry{1177, 0x8000}));
    EXPECT_EQ(Codes(logic->List(SettingsList::DensityWhiteRef)), (std::vector<int>{1, 2}));
    EXPECT_FALSE(logic->List(SettingsList::DensityWhiteRef).enabled);
    EXPECT_EQ(StringIds(logic->List(SettingsList::Observer)), (std::vector<int>{1161, 1162}));
    EXPECT_EQ(StringIds(logic->List(SettingsList::Polarization)), (std::vector<int>{1282, 1283}));
    EXPECT_EQ(logic->List(SettingsList::Condition).texts[15], ResString(1158));
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MeasSettingsLogicTest, ReflectionOnlyModelOffersOneType) {
    s.identity.SetModelName(ResString(1235));
    s.measurement.InForce().MeasurementTypeSel = 1;  // left from elsewhere: shows the one entry instead
    auto logic = Open();
    EXPECT_EQ(Codes(logic->List(SettingsList::Type)), (std::vector<int>{1}));
    EXPECT_EQ(logic->Position(SettingsList::Type), 0);
    EXPECT_EQ(logic->Code(SettingsList::Type), 1);
}

TEST_F(MeasSettingsLogicTest, ProbeSetsConditionFourteenThenPutsTheConditionInForceBack) {
    s.measurement.InForce().MeasurementCond = 0x20;
    auto logic = Open();
    ASSERT_GE(PropertyCalls().size(), 2u);
    EXPECT_EQ(PropertyCalls()[0], std::make_pair(4, 14));
    EXPECT_EQ(PropertyCalls()[1], std::make_pair(4, 5));
    EXPECT_EQ(fake.Property(4), 5);
}

TEST_F(MeasSettingsLogicTest, RefusedProbeShortensListsAndMovesTheSixteenthPositions) {
    Refuse(4, 14);
    s.measurement.InForce().MeasurementCondSel = 15;
    s.measurement.InForce().IlluminantSel = 14;
    auto logic = Open();
    EXPECT_FALSE(logic->SixteenthEntryAvailable());
    EXPECT_EQ(logic->List(SettingsList::Condition).entries.size(), 15u);
    EXPECT_EQ(logic->List(SettingsList::Illuminant).entries.size(), 14u);
    EXPECT_EQ(logic->Position(SettingsList::Condition), 1);
    EXPECT_EQ(logic->Code(SettingsList::Condition), 0x4);
    EXPECT_EQ(logic->Position(SettingsList::Illuminant), 2);
    EXPECT_EQ(logic->Code(SettingsList::Illuminant), 0x4);
    EXPECT_EQ(PropertyCalls().size(), 1u);  // nothing to put back
}

TEST_F(MeasSettingsLogicTest, StoredPositionsGiveCodesAndTextsAndBadOnesShowTheFirstEntry) {
    s.measurement.InForce().MeasurementCondSel = 5;
    s.measurement.InForce().ObserverSel = 1;
    s.measurement.InForce().IlluminantSel = 6;
    auto logic = Open();
    EXPECT_EQ(logic->Code(SettingsList::Condition), 0x10);
    EXPECT_EQ(logic->Text(SettingsList::Condition), ResString(1148));
    EXPECT_EQ(logic->Code(SettingsList::Observer), 2);
    EXPECT_EQ(logic->Text(SettingsList::Observer), ResString(1162));
    EXPECT_EQ(logic->Code(SettingsList::Illuminant), 0x40);
    EXPECT_EQ(logic->Text(SettingsList::Illuminant), ResString(1169));

    s.measurement.InForce().MeasurementCondSel = 40;
    s.measurement.InForce().IlluminantSel = -1;
    s.measurement.InForce().ObserverSel = 2;
    auto bad = Open();
    EXPECT_EQ(bad->Position(SettingsList::Condition), 0);
    EXPECT_EQ(bad->Code(SettingsList::Condition), 0x1);
    EXPECT_EQ(bad->Position(SettingsList::Illuminant), 0);
    EXPECT_EQ(bad->Position(SettingsList::Observer), 0);
}

// ---- change handlers ----

TEST_F(MeasSettingsLogicTest, ConditionChoiceTellsTheUserAndMovesTheIlluminant) {
    s.measurement.InForce().IlluminantSel = 9;
    auto logic = Open();
    struct Case {
        int position;
        int illuminant;
    };
    // 0x20 (matched to D75) -> D75; 0x4000 (M2) -> D50; 0x2 (matched to C) -> C; 0x8000 -> user.
    for (Case c : {Case{6, 0x20}, Case{2, 0x4}, Case{3, 0x2}, Case{15, 0x8000}, Case{0, 0x4}}) {
        notices.Clear();
        const QString illuminantBefore = QString::fromStdString(logic->Text(SettingsList::Illuminant));
        logic->Select(SettingsList::Condition, c.position);
        ASSERT_EQ(notices.Count(), 1u);
        const QString illuminantNow = QString::fromStdString(logic->Text(SettingsList::Illuminant));
        EXPECT_NE(illuminantNow, illuminantBefore);
        EXPECT_EQ(notices.Notices()[0].Text(),
                  ResString(1308) + "\n" + ResQString(2263).arg(illuminantBefore, illuminantNow).toStdString());
        EXPECT_EQ(notices.Notices()[0].Caption(), ResString(1200));
        EXPECT_EQ(notices.Notices()[0].flags, mb::OK);
        EXPECT_EQ(logic->Code(SettingsList::Illuminant), c.illuminant) << c.position;
        EXPECT_EQ(logic->List(SettingsList::Illuminant).selected, logic->Position(SettingsList::Illuminant));
    }
}

TEST_F(MeasSettingsLogicTest, IlluminantFollowsTheConditionValue) {
    for (int n = 0; n <= 13; ++n) {
        int expected = (n == 0 || n == 2) ? 0x4 : 1 << n;
        EXPECT_EQ(IlluminantCodeForCondition(1 << n), expected) << n;
    }
    EXPECT_EQ(IlluminantCodeForCondition(0x4000), 0x4);
    EXPECT_EQ(IlluminantCodeForCondition(0x8000), 0x8000);
    EXPECT_EQ(IlluminantCodeForCondition(161), 0x4);
}

TEST_F(MeasSettingsLogicTest, PolarisationOnLeavesOnlyThePolarisedCondition) {
    s.measurement.InForce().MeasurementCondSel = 6;
    s.measurement.InForce().IlluminantSel = 9;
    auto logic = Open();
    const std::string conditionBefore = logic->Text(SettingsList::Condition);
    const std::string illuminantBefore = logic->Text(SettingsList::Illuminant);
    logic->Select(SettingsList::Polarization, 1);
    const SettingsListState &conditions = logic->List(SettingsList::Condition);
    ASSERT_EQ(conditions.entries.size(), 1u);
    EXPECT_EQ(conditions.entries[0], (ListEntry{1273, 161}));
    EXPECT_FALSE(conditions.enabled);
    EXPECT_EQ(logic->Code(SettingsList::Condition), 161);
    EXPECT_EQ(logic->Text(SettingsList::Condition), ResString(1273));
    EXPECT_EQ(logic->Code(SettingsList::Illuminant), 0x4);
    EXPECT_EQ(logic->Code(SettingsList::Polarization), 1);
    ASSERT_EQ(notices.Count(), 1u);
    const std::string text = notices.Notices()[0].Text();
    EXPECT_EQ(text, ResString(2260) + "\n" + Line(2261, {conditionBefore, ResString(1273)}) + "\n" +
                        Line(2263, {illuminantBefore, ResString(1165)}) + "\n" + ResString(2265));
}

// The case the old message got wrong: the condition changes, the illuminant stays D50.
TEST_F(MeasSettingsLogicTest, PolarisationMessageNamesTheConditionThatChangedAndTheIlluminantKept) {
    s.measurement.InForce().MeasurementCondSel = 1;  // M1, matched to D50
    s.measurement.InForce().IlluminantSel = 2;       // D50
    auto logic = Open();
    ASSERT_EQ(logic->Text(SettingsList::Illuminant), ResString(1165));
    const std::string conditionBefore = logic->Text(SettingsList::Condition);

    logic->Select(SettingsList::Polarization, 1);
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].Text(), ResString(2260) + "\n" + Line(2261, {conditionBefore, ResString(1273)}) +
                                               "\n" + Line(2264, {ResString(1165)}) + "\n" + ResString(2265));
    EXPECT_EQ(notices.Notices()[0].Caption(), ResString(1200));

    // Off again: the polarised condition gives way to the one then in force, and that is said too.
    notices.Clear();
    logic->Select(SettingsList::Polarization, 0);
    ASSERT_EQ(notices.Count(), 1u);
    const std::string conditionNow = logic->Text(SettingsList::Condition);
    EXPECT_NE(conditionNow, ResString(1273));
    EXPECT_EQ(notices.Notices()[0].Text(), ResString(2260) + "\n" + Line(2261, {ResString(1273), conditionNow}) +
                                               "\n" + Line(2264, {ResString(1165)}) + "\n" + ResString(2265));

    // Irradiance switches the filter off without a word: it has no condition or illuminant.
    logic->Select(SettingsList::Polarization, 1);
    notices.Clear();
    logic->Select(SettingsList::Type, 1);
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MeasSettingsLogicTest, OpeningWithPolarisationOnSaysNothingAndKeepsTheIlluminant) {
    s.measurement.InForce().PolarizationSel = 1;
    s.measurement.InForce().IlluminantSel = 9;
    auto logic = Open();
    EXPECT_EQ(Codes(logic->List(SettingsList::Condition)), (std::vector<int>{161}));
    EXPECT_FALSE(logic->List(SettingsList::Condition).enabled);
    EXPECT_EQ(logic->Position(SettingsList::Illuminant), 9);
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MeasSettingsLogicTest, LeavingThePolarisedConditionShowsTheConditionInForce) {
    auto logic = Open();
    logic->Select(SettingsList::Polarization, 1);
    notices.Clear();
    logic->Select(SettingsList::Polarization, 0);
    EXPECT_EQ(logic->List(SettingsList::Condition).entries.size(), 16u);
    EXPECT_TRUE(logic->List(SettingsList::Condition).enabled);
    EXPECT_EQ(logic->Code(SettingsList::Condition), 0x4);
    EXPECT_EQ(logic->Position(SettingsList::Condition), 1);
    EXPECT_EQ(logic->List(SettingsList::Condition).selected, 1);
    EXPECT_EQ(logic->Text(SettingsList::Condition), ResString(1143));
    // The condition changed with the filter: the user is told which it is now.
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_NE(notices.Notices()[0].Text().find(Line(2261, {ResString(1273), ResString(1143)})), std::string::npos)
        << notices.Notices()[0].Text();

    // The same when the dialog opens with the filter off and the polarised condition stored.
    s.measurement.InForce().MeasurementCond = 161;
    s.measurement.InForce().MeasurementCondSel = 0;
    auto reopened = Open();
    EXPECT_EQ(reopened->Code(SettingsList::Condition), 0x4);
    EXPECT_EQ(reopened->Position(SettingsList::Condition), 1);
}

TEST_F(MeasSettingsLogicTest, IrradianceDisablesConditionIlluminantAndPolarisation) {
    auto logic = Open();
    logic->Select(SettingsList::Polarization, 1);
    logic->Select(SettingsList::Type, 1);
    EXPECT_EQ(logic->Code(SettingsList::Type), 4);
    EXPECT_EQ(logic->Code(SettingsList::Polarization), 0);
    EXPECT_EQ(logic->List(SettingsList::Polarization).selected, 0);
    EXPECT_EQ(logic->List(SettingsList::Condition).entries.size(), 16u);
    EXPECT_FALSE(logic->List(SettingsList::Condition).enabled);
    EXPECT_FALSE(logic->List(SettingsList::Illuminant).enabled);
    EXPECT_FALSE(logic->List(SettingsList::Polarization).enabled);

    // Disabled lists take no choices.
    logic->Select(SettingsList::Polarization, 1);
    EXPECT_EQ(logic->Code(SettingsList::Polarization), 0);

    logic->Select(SettingsList::Type, 0);
    EXPECT_TRUE(logic->List(SettingsList::Condition).enabled);
    EXPECT_TRUE(logic->List(SettingsList::Illuminant).enabled);
    EXPECT_TRUE(logic->List(SettingsList::Polarization).enabled);
}

TEST_F(MeasSettingsLogicTest, OpeningAsIrradianceStartsWithTheListsDisabled) {
    s.measurement.InForce().MeasurementTypeSel = 1;
    s.measurement.InForce().MeasurementType = 4;
    auto logic = Open();
    EXPECT_FALSE(logic->List(SettingsList::Condition).enabled);
    EXPECT_FALSE(logic->List(SettingsList::Illuminant).enabled);
    EXPECT_FALSE(logic->List(SettingsList::Polarization).enabled);
    EXPECT_EQ(notices.Count(), 0u);
}

// ---- OK ----

TEST_F(MeasSettingsLogicTest, OkWritesEverySettingInOrderThenTheAcceptedPositions) {
    s.measurement.InForce().MeasurementCondSel = 6;
    s.measurement.InForce().ObserverSel = 1;
    s.measurement.InForce().IlluminantSel = 5;
    auto logic = Open();
    ASSERT_TRUE(logic->Ok());
    EXPECT_EQ(WrittenNames(),
              (std::vector<std::string>{"MeasurementTypeSel", "DensityWhiteRefSel", "ObserverSel", "PrevMeasSel",
                                        "MeasurementType", "MeasurementCond", "Observer", "Illuminant",
                                        "PolarizationSel", "Polarization", "MeasTypeString", "MeasCondString",
                                        "DenWhiteRefString", "ObserverString", "IlluminantString",
                                        "PolarizationString", "MeasurementCondSel", "IlluminantSel"}));
    for (const auto &w : store.Writes()) EXPECT_EQ(w.section, s.identity.ModelName());
    EXPECT_EQ(Written("MeasurementCond")->intValue, 0x20);
    EXPECT_EQ(Written("Observer")->intValue, 2);
    EXPECT_EQ(Written("Illuminant")->intValue, 0x20);
    EXPECT_EQ(Written("PrevMeasSel")->intValue, 1);
    EXPECT_EQ(Written("MeasurementCondSel")->intValue, 6);
    EXPECT_EQ(Written("IlluminantSel")->intValue, 5);
    EXPECT_EQ(Written("MeasCondString")->text, ResString(1149));
    EXPECT_EQ(Written("PolarizationString")->text, ResString(1282));
    EXPECT_EQ(s.measurement.MeasurementCond(), 0x20);
    EXPECT_EQ(s.measurement.Illuminant(), 0x20);
    EXPECT_EQ(s.measurement.Observer(), 2);
    EXPECT_EQ(s.measurement.MeasCondString(), ResString(1149));
    EXPECT_EQ(s.measurement.ObserverString(), ResString(1162));
    EXPECT_EQ(notices.Count(), 0u);  // no type change
}

TEST_F(MeasSettingsLogicTest, OkSendsFilterTypeConditionObserverIlluminantInThisOrder) {
    s.measurement.InForce().MeasurementCondSel = 2;  // M2: value 160
    s.measurement.InForce().ObserverSel = 1;
    s.measurement.InForce().IlluminantSel = 4;       // D65: value 4
    auto logic = Open();
    logic->Select(SettingsList::Polarization, 1);
    fake.ClearLog();
    ASSERT_TRUE(logic->Ok());
    std::vector<std::string> calls = fake.Names();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0], "DISetPolFilterCondition");
    EXPECT_EQ(fake.CallsOf("DISetPolFilterCondition")[0].a, 1);
    // The polarised condition 161 sends the first row of its table: value 0.
    EXPECT_EQ(PropertyCalls(), (std::vector<std::pair<int, int>>{{0, 0}, {4, 0}, {2, 1}, {3, 2}}));
    EXPECT_EQ(s.measurement.Polarization(), 1);
    EXPECT_EQ(s.measurement.MeasurementCond(), 161);
}

TEST_F(MeasSettingsLogicTest, RefusedConditionKeepsTheDialogOpenWithTheOldPositionInForce) {
    s.measurement.InForce().MeasurementCondSel = 1;
    auto logic = Open();
    logic->Select(SettingsList::Condition, 6);  // 0x20: value 5
    Refuse(4, 5);
    notices.Clear();
    store.ClearWrites();
    EXPECT_FALSE(logic->Ok());
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].Text(), ResString(1241));
    EXPECT_EQ(notices.Notices()[0].Caption(), ResString(1200));
    EXPECT_EQ(notices.Notices()[0].flags, mb::ICONEXCLAMATION);
    // Stored: the refused code and text; not the position.
    EXPECT_EQ(Written("MeasurementCond")->intValue, 0x20);
    EXPECT_EQ(Written("MeasCondString")->text, ResString(1149));
    EXPECT_EQ(Written("MeasurementCondSel"), nullptr);
    EXPECT_NE(Written("IlluminantSel"), nullptr);  // the illuminant after it was still sent
    EXPECT_EQ(s.measurement.MeasurementCond(), 4);
    EXPECT_NE(s.measurement.MeasCondString(), ResString(1149));
    AppSettings copy = s;
    EXPECT_EQ(s.measurement.MeasurementCondSel(), 1);
    logic->CopyPositionsTo(copy);
    EXPECT_EQ(copy.measurement.MeasurementCondSel(), 1);
    EXPECT_EQ(copy.measurement.IlluminantSel(), logic->Position(SettingsList::Illuminant));

    // Another choice is accepted and closes the dialog.
    logic->Select(SettingsList::Condition, 2);
    EXPECT_TRUE(logic->Ok());
    EXPECT_EQ(s.measurement.MeasurementCond(), 0x4000);
    logic->CopyPositionsTo(copy);
    EXPECT_EQ(copy.measurement.MeasurementCondSel(), 2);
}

TEST_F(MeasSettingsLogicTest, TypeTakenAtOkKeepsItsPositionWhenTheDialogStaysOpen) {
    auto logic = Open();
    logic->Select(SettingsList::Type, 1);
    logic->Select(SettingsList::Observer, 1);
    Refuse(4, 0);  // the condition 0x1 is refused: the dialog stays open (and may be cancelled)
    EXPECT_FALSE(logic->Ok());
    EXPECT_EQ(s.measurement.MeasurementType(), 4);
    EXPECT_EQ(s.measurement.MeasurementTypeSel(), 1);
    EXPECT_EQ(s.measurement.Observer(), 2);
    EXPECT_EQ(s.measurement.ObserverSel(), 1);
}

TEST_F(MeasSettingsLogicTest, RefusedIlluminantKeepsTheDialogOpen) {
    s.measurement.InForce().IlluminantSel = 2;
    auto logic = Open();
    logic->Select(SettingsList::Illuminant, 14);  // the user illuminant: value 14
    Refuse(3, 14);
    notices.Clear();
    store.ClearWrites();
    EXPECT_FALSE(logic->Ok());
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].Text(), ResString(1242));
    EXPECT_EQ(notices.Notices()[0].Caption(), ResString(1200));
    EXPECT_EQ(notices.Notices()[0].flags, mb::ICONEXCLAMATION);
    EXPECT_EQ(Written("Illuminant")->intValue, 0x8000);
    EXPECT_EQ(Written("IlluminantString")->text, ResString(1177));
    EXPECT_EQ(Written("IlluminantSel"), nullptr);
    EXPECT_NE(Written("MeasurementCondSel"), nullptr);
    EXPECT_EQ(s.measurement.Illuminant(), 4);
    AppSettings copy = s;
    logic->CopyPositionsTo(copy);
    EXPECT_EQ(copy.measurement.IlluminantSel(), 2);
}

TEST_F(MeasSettingsLogicTest, OtherFailuresAreReportedEachStepIsStillSentAndTheDialogCloses) {
    SetConnectedModelName(s.identity.ModelName());  // the error texts begin with the open instrument's model
    auto logic = Open();
    logic->Select(SettingsList::Polarization, 1);
    fake.ClearLog();
    notices.Clear();
    fake.SetResult("DISetPolFilterCondition", 5);
    Refuse(0, 0, 19);
    EXPECT_TRUE(logic->Ok());
    EXPECT_EQ(fake.Count("DISetProperty"), 4);
    ASSERT_EQ(notices.Count(), 2u);
    for (const Notice &notice : notices.Notices()) {
        EXPECT_EQ(notice.Caption(), ResString(1200));
        EXPECT_EQ(notice.Text().rfind(s.identity.ModelName() + " : ", 0), 0u) << notice.Text();
    }
    EXPECT_EQ(s.measurement.Polarization(), 0);  // the filter was not set
    Settings() = AppSettings{};
}

TEST_F(MeasSettingsLogicTest, ChangingTheTypeSwitchesToTheDefaultSelectionOfTheNewType) {
    auto logic = Open();
    logic->Select(SettingsList::Type, 1);
    EXPECT_TRUE(logic->Ok());
    EXPECT_EQ(s.measurement.MeasurementType(), 4);
    EXPECT_EQ(s.measurement.PrevMeasSel(), 1);
    EXPECT_EQ(Ids(s.selection.Irradiance()), (std::vector<int>{1035, 1036, 1037, 1038, 1039}));
    ASSERT_NE(Written("IrrSelDataItems"), nullptr);
    EXPECT_EQ(Written("IrrSelDataItems")->text, "1035;1036;1037;1038;1039;");
    EXPECT_EQ(WrittenNames().back(), "IrrSelDataItems");
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].Text(), ResString(1236));
    EXPECT_EQ(notices.Notices()[0].Caption(), ResString(1200));
    EXPECT_EQ(notices.Notices()[0].flags, mb::ICONASTERISK);
}

TEST_F(MeasSettingsLogicTest, ChangingTheTypeBackLoadsTheStoredSelection) {
    s.measurement.InForce().MeasurementTypeSel = 1;
    s.measurement.InForce().MeasurementType = 4;
    store.Seed(s.identity.ModelName(), "ReflSelDataItems", "2005;1036;9999;");
    auto logic = Open();
    logic->Select(SettingsList::Type, 0);
    EXPECT_TRUE(logic->Ok());
    EXPECT_EQ(s.measurement.PrevMeasSel(), 4);
    EXPECT_EQ(Ids(s.selection.Reflection()), (std::vector<int>{2005, 1036}));
    EXPECT_EQ(Written("ReflSelDataItems")->text, "2005;1036;");
    EXPECT_EQ(notices.Count(), 1u);
}

TEST_F(MeasSettingsLogicTest, ChoicesWithoutOkChangeNothingInForce) {
    AppSettings before = s;
    auto logic = Open();
    logic->Select(SettingsList::Condition, 6);
    logic->Select(SettingsList::Observer, 1);
    logic->Select(SettingsList::Polarization, 1);
    logic.reset();
    EXPECT_TRUE(store.Writes().empty());
    EXPECT_EQ(s.measurement.MeasCondString(), before.measurement.MeasCondString());
    EXPECT_EQ(s.measurement.ObserverString(), before.measurement.ObserverString());
    EXPECT_EQ(s.measurement.IlluminantString(), before.measurement.IlluminantString());
    EXPECT_EQ(s.measurement.PolarizationString(), before.measurement.PolarizationString());
    EXPECT_EQ(s.measurement.MeasurementCond(), before.measurement.MeasurementCond());
}

}  // namespace
