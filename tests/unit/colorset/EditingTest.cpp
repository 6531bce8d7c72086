// The window-free part of the colour-set editor: the mid-tone spread message, the proposed
// file name and the start folder. (Rows and clears are tested through the list dialog.)
#include <gtest/gtest.h>

#include "core/colorset/ColorSetEditing.h"
#include "core/colorset/Configuration.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using namespace ombra::core::colorsets;

std::string line(int id, const char *step) {
    std::string text = platform::ResString(id);
    text.replace(text.find("%1"), 2, step);
    return "\n - " + text;
}
std::string heading() { return platform::ResString(res::kStrMidToneHeading) + "\n"; }

class MidToneTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (platform::ResString(res::kStrMidToneStepOff).find("%1") == std::string::npos)
            GTEST_SKIP() << "needs the texts of the resource library";
    }
};

TEST_F(MidToneTest, BitsChooseTheBulletLines) {
    EXPECT_EQ(MidToneSpreadText(midtone::kRepeatedTone, 1), heading() + line(res::kStrMidToneConsistency, "2"));
    EXPECT_EQ(MidToneSpreadText(midtone::kSameColor | midtone::kDifferentTints, 0),
              heading() + line(res::kStrMidToneConsistency, "1"));
    EXPECT_EQ(MidToneSpreadText(midtone::kStepOff, 2), heading() + line(res::kStrMidToneStepOff, "3"));
    EXPECT_EQ(MidToneSpreadText(midtone::kRepeatedTone | midtone::kStepOff, 2),
              heading() + line(res::kStrMidToneConsistency, "3") + line(res::kStrMidToneStepOff, "3"));
}

// A rule naming an entry or step that does not exist gets a reason and a step within 1..3.
TEST_F(MidToneTest, ARuleOutsideTheToneEntriesIsExplained) {
    EXPECT_EQ(MidToneSpreadText(midtone::kNoSuchEntry, 7), heading() + line(res::kStrMidToneConsistency, "3"));
    EXPECT_EQ(MidToneSpreadText(midtone::kNoSuchEntry, -4), heading() + line(res::kStrMidToneConsistency, "1"));

    CConfiguration config;
    config.ResetAll();
    config.Slot(4)->midToneSpread = MidToneSpread{1, 9, {0, 1, 2}, 5.0f};
    std::optional<Notice> notice = MidToneSpreadNotice(config, 4);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->Text(), heading() + line(res::kStrMidToneConsistency, "3"));
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
    EXPECT_EQ(both->Text(), heading() + line(res::kStrMidToneConsistency, "2") + line(res::kStrMidToneStepOff, "2"));
    EXPECT_EQ(both->flags, platform::mb::OK);

    set.midToneSpread.toneIndexes = {0, 1, 2};
    std::optional<Notice> stepOff = MidToneSpreadNotice(config, 0);
    ASSERT_TRUE(stepOff);
    EXPECT_EQ(stepOff->Text(), heading() + line(res::kStrMidToneStepOff, "2"));

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
}

TEST(ColorSetQuestions, AnEmptyNameIsFollowedDirectlyByTheQuestionMark) {
    EXPECT_EQ(ClearOneQuestion(""), platform::ResString(res::kStrReallyDelete) + " ?");
}

}  // namespace
