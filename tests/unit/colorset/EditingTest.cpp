// The window-free part of the colour-set list and editor: list rows, clear sequences, the
// mid-tone spread message, the proposed file name and the start folder.
#include <gtest/gtest.h>

#include "ColorSetTestSupport.h"
#include "colorset/ColorSetEditing.h"
#include "colorset/Configuration.h"
#include "instrument/VireoDllAdapter.h"
#include "platform/Resources.h"

namespace {

using namespace ombra;
using namespace ombra::colorsets;
using ombra::test::ColorSetInstrument;
using ombra::test::FakeCall;
using ombra::test::SampleSet;

std::string line(int id, const char *step) {
    std::string text = platform::ResString(id);
    text.replace(text.find("%1"), 2, step);
    return "\n - " + text;
}
std::string heading() { return platform::ResString(kMidToneHeading) + "\n"; }

class MidToneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::ResString(kMidToneStepOffLine).find("%1") == std::string::npos)
            GTEST_SKIP() << "needs the texts of the resource library";
    }
};

TEST_F(MidToneTest, BitsChooseTheBulletLines) {
    EXPECT_EQ(MidToneSpreadText(midtone::kRepeatedTone, 1), heading() + line(kMidToneConsistencyLine, "2"));
    EXPECT_EQ(MidToneSpreadText(midtone::kSameColor | midtone::kDifferentTints, 0),
              heading() + line(kMidToneConsistencyLine, "1"));
    EXPECT_EQ(MidToneSpreadText(midtone::kStepOff, 2), heading() + line(kMidToneStepOffLine, "3"));
    EXPECT_EQ(MidToneSpreadText(midtone::kRepeatedTone | midtone::kStepOff, 2),
              heading() + line(kMidToneConsistencyLine, "3") + line(kMidToneStepOffLine, "3"));
}

// A rule naming an entry or step that does not exist gets a reason and a step within 1..3.
TEST_F(MidToneTest, ARuleOutsideTheToneEntriesIsExplained) {
    EXPECT_EQ(MidToneSpreadText(midtone::kNoSuchEntry, 7), heading() + line(kMidToneConsistencyLine, "3"));
    EXPECT_EQ(MidToneSpreadText(midtone::kNoSuchEntry, -4), heading() + line(kMidToneConsistencyLine, "1"));

    CConfiguration config;
    config.ResetAll();
    config.Slot(4)->midToneSpread = MidToneSpread{1, 9, {0, 1, 2}, 5.0f};
    std::optional<Notice> notice = MidToneSpreadNotice(config, 4);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->Text(), heading() + line(kMidToneConsistencyLine, "3"));
}

TEST_F(MidToneTest, TheSlotsRuleDecidesTheMessage) {
    CConfiguration config;
    config.ResetAll();
    ColorSet &set = *config.Slot(0);
    EXPECT_FALSE(MidToneSpreadNotice(config, 0)) << "a rule that is off passes";

    set.midToneSpread = MidToneSpread{1, 1, {0, 0, 2}, 5.0f};  // entry 1 twice ...
    set.tones[2].steps[1].on = false;                          // ... and step 2 off in entry 3
    std::optional<Notice> both = MidToneSpreadNotice(config, 0);
    ASSERT_TRUE(both);
    EXPECT_EQ(both->Text(), heading() + line(kMidToneConsistencyLine, "2") + line(kMidToneStepOffLine, "2"));
    EXPECT_EQ(both->flags, platform::mb::OK);

    set.midToneSpread.toneIndexes = {0, 1, 2};
    std::optional<Notice> stepOff = MidToneSpreadNotice(config, 0);
    ASSERT_TRUE(stepOff);
    EXPECT_EQ(stepOff->Text(), heading() + line(kMidToneStepOffLine, "2"));

    set.tones[2].steps[1].on = true;
    for (int i = 0; i < 3; ++i) set.tones[i].color = i;
    EXPECT_FALSE(MidToneSpreadNotice(config, 0)) << "three entries, three colours, one tint";
}

TEST(ColorSetFileNames, ProposalsNeverLeaveTheChosenFolder) {
    EXPECT_EQ(ProposedFileName("A/B"), "A_B");
    EXPECT_EQ(ProposedFileName(R"(a\b:c*d?e"f<g>h|i)"), "a_b_c_d_e_f_g_h_i");
    EXPECT_EQ(ProposedFileName("Press A 12"), "Press A 12");
    EXPECT_EQ(ProposedFileName(""), "");
    EXPECT_EQ(ProposedFileName(".."), "__");
    EXPECT_EQ(ProposedFileName("."), "_");
    EXPECT_EQ(ProposedFileName("v1.2"), "v1.2");

    EXPECT_EQ(ColorSetFolder("/opt/ombra/bin/ombra-dts"), "/opt/ombra/bin/ColorSet");
    EXPECT_EQ(ColorSetFolder("/ombra-dts"), "/ColorSet");
    EXPECT_EQ(ColorSetFolder("ombra-dts"), "");
}

TEST(ColorSetRows, OneRowPerSlotNumberedFromOne) {
    CConfiguration config;
    config.ResetAll();
    config.Slot(7)->name = "Proof 8";
    std::vector<SlotRow> rows = SlotRows(config);
    ASSERT_EQ(rows.size(), 50u);
    EXPECT_EQ(rows[0].number, "1");
    EXPECT_EQ(rows[49].number, "50");
    EXPECT_EQ(rows[7].name, "Proof 8");
    EXPECT_EQ(rows[8].name, "");
    EXPECT_EQ(ClearOneQuestion(""), platform::ResString(kClearOneQuestion) + " ?");
}

class ClearTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeviceHandle() = 0x1A0;
        for (int slot : {2, 5, 9, 30}) instrument.Hold(slot, SampleSet());
        ASSERT_EQ(config.ReadAllFromInstrument(), 0);
        DeviceHandle() = 0x1A0;
        instrument.fake.ClearLog();
    }
    void TearDown() override { DeviceHandle() = 0; }

    std::vector<int> clearedSlots() const {
        std::vector<int> slots;
        for (const FakeCall &c : instrument.fake.CallsOf("DIClearCertificationColorSet")) slots.push_back(c.a);
        return slots;
    }

    ColorSetInstrument instrument;
    CVireoDllAdapter owner;  // the main window's hold on the instrument
    CConfiguration config;
};

TEST_F(ClearTest, ClearingOneSlotEmptiesItOnlyWhenTheInstrumentDid) {
    instrument.fake.Script("DIClearCertificationColorSet", {DI_ERR_TIMEOUT});
    EXPECT_EQ(ClearSlot(config, 5), DI_ERR_TIMEOUT);
    EXPECT_TRUE(config.Slot(5)->registered);
    EXPECT_EQ(ClearSlot(config, 5), 0);
    EXPECT_EQ(*config.Slot(5), ColorSet{});
    EXPECT_EQ(ClearSlot(config, -1), DI_ERR_BAD_ARGUMENT) << "no slot, nothing sent";
    EXPECT_EQ(clearedSlots(), (std::vector<int>{5, 5}));
}

TEST_F(ClearTest, ClearAllStopsAtTheFirstFailureAndKeepsTheCollection) {
    const std::map<int, ColorSet> before = config.Slots();
    instrument.fake.SetRule([](const FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DIClearCertificationColorSet" && c.a == 9) return DI_ERR_TIMEOUT;
        return std::nullopt;
    });
    EXPECT_EQ(ClearAllRegistered(config), DI_ERR_TIMEOUT);
    EXPECT_EQ(clearedSlots(), (std::vector<int>{2, 5, 9}));
    EXPECT_EQ(config.Slots(), before);
    EXPECT_EQ(instrument.held.count(2), 0u) << "the instrument has lost the first two all the same";

    instrument.fake.SetRule(nullptr);
    instrument.fake.ClearLog();
    EXPECT_EQ(ClearAllRegistered(config), 0);
    EXPECT_EQ(clearedSlots(), (std::vector<int>{2, 5, 9, 30})) << "the old list still names 2 and 5";
    ASSERT_EQ(config.Slots().size(), 50u);
    EXPECT_FALSE(config.AnyRegistered());
}

}  // namespace
