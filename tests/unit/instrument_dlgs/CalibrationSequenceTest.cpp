#include <gtest/gtest.h>

#include <vector>

#include "core/instrument/CalibrationSequence.h"
#include "support/FakeInstrument.h"

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::FakeInstrument;

namespace {

// Answers each step with the next scripted result and remembers the steps shown.
struct StepScript {
    explicit StepScript(std::vector<int> scripted) : answers(std::move(scripted)) {}
    std::vector<int> answers;
    std::vector<CalibrationStep> shown;
    ShowCalibrationStep Show() {
        return [this](const CalibrationStep &step) {
            shown.push_back(step);
            int answer = answers.empty() ? 0 : answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            return answer;
        };
    }
};

class CalibrationSequenceTest : public ::testing::Test {
protected:
    CalibrationSequenceTest() { DeviceHandle() = fake.AddDevice(); }
    FakeInstrument fake;
};

TEST_F(CalibrationSequenceTest, WithoutPolarisationOnlyTheWhiteStepIsShown) {
    StepScript script({calib::kOkResult});
    CalibrationOutcome outcome = RunCalibrationSequence(0, "/opt/prog", script.Show());
    ASSERT_EQ(script.shown.size(), 1u);
    const CalibrationStep &white = script.shown[0];
    EXPECT_FALSE(white.zeroMode);
    EXPECT_EQ(white.titleId, 1316);
    EXPECT_EQ(white.messageId, 1318);
    EXPECT_EQ(white.picturePath, "/opt/prog/PIC/Ombra-White-Calib.bmp");
    EXPECT_FALSE(outcome.zeroShown);
    EXPECT_TRUE(outcome.whiteShown);
    EXPECT_TRUE(outcome.ready());
    EXPECT_EQ(fake.Count("DIGetCalibrateStatus"), 0);
}

TEST_F(CalibrationSequenceTest, ZeroStepComesFirstAndCarriedOutOrSkippedLeadsToWhite) {
    for (int zeroAnswer : {calib::kOkResult, calib::kSkipResult}) {
        StepScript script({zeroAnswer, calib::kOkResult});
        CalibrationOutcome outcome = RunCalibrationSequence(1, "/p", script.Show());
        ASSERT_EQ(script.shown.size(), 2u) << zeroAnswer;
        const CalibrationStep &zero = script.shown[0];
        EXPECT_TRUE(zero.zeroMode);
        EXPECT_EQ(zero.titleId, 1315);
        EXPECT_EQ(zero.messageId, 1317);
        EXPECT_EQ(zero.picturePath, "/p/PIC/Ombra-Zero-Calib.bmp");
        EXPECT_FALSE(script.shown[1].zeroMode);
        EXPECT_TRUE(outcome.ready());
    }
}

TEST_F(CalibrationSequenceTest, CancelledOrEndedZeroStepSkipsTheWhiteStep) {
    for (int zeroAnswer : {0, 2}) {
        StepScript script({zeroAnswer});
        CalibrationOutcome outcome = RunCalibrationSequence(1, "/p", script.Show());
        EXPECT_EQ(script.shown.size(), 1u);
        EXPECT_FALSE(outcome.whiteShown);
        EXPECT_FALSE(outcome.ready());
    }
}

TEST_F(CalibrationSequenceTest, CancelledWhiteStepIsNotReady) {
    StepScript script({0});
    CalibrationOutcome outcome = RunCalibrationSequence(0, "/p", script.Show());
    EXPECT_TRUE(outcome.whiteShown);
    EXPECT_FALSE(outcome.ready());
}

TEST_F(CalibrationSequenceTest, SkipIsAllowedUnlessTheStatusIsFourOrUnreadable) {
    struct Case {
        int32_t status;
        int32_t queryResult;
        bool allowed;
    };
    for (Case c : {Case{0, 0, true}, Case{2, 0, true}, Case{3, 0, true}, Case{5, 0, true}, Case{4, 0, false},
                   Case{0, 20002, false}}) {
        fake.SetCalibrationStatus(c.status);
        fake.SetResult("DIGetCalibrateStatus", c.queryResult);
        StepScript script({0});
        RunCalibrationSequence(1, "/p", script.Show());
        ASSERT_EQ(script.shown.size(), 1u);
        EXPECT_EQ(script.shown[0].skipAllowed, c.allowed) << "status " << c.status << " rc " << c.queryResult;
    }
}

}  // namespace
