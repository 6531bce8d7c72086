// One message per instrument fault: a sequence of the session (measure, collect) or of a
// dialog that reaches the instrument through the session's link ends at its first failing
// call; a loss is told once, by the session, after it has ended the connection; a call that was
// only late is told by its own code.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <vector>

#include "core/instrument/CalibrationSequence.h"
#include "core/instrument/DialogInstrument.h"
#include "core/instrument/ErrorMng.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/InstrumentSession.h"
#include "core/platform/Resources.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"

namespace ombra::core {
namespace {

constexpr int32_t kGone = DI_ERR_DEVICE_GONE;
constexpr int32_t kLate = DI_ERR_TIMEOUT;

class SessionFaults : public ::testing::Test {
protected:
    SessionFaults() : session(settings) {
        session.SetNoticeSink(notices.Sink());
        QObject::connect(&session, &InstrumentSession::connectionChanged, [this](bool on) {
            if (!on) disconnectedAtNotice = notices.Count();
        });
        session.SetMeasurementWriter([this](const OutputValues &) {
            ++written;
            return TransferOutcome::Of(TransferResult::Written, MissReason::None);
        });
    }
    void SetUp() override {
        fake.AddDevice();
        ASSERT_TRUE(session.Connect());
        // The poll would take the scripted answers: the faults here come from the sequences.
        session.StopWatching();
        notices.Clear();
        fake.ClearLog();
    }
    void Press() {
        session.HandleWatchMessage(32778);
        session.HandleWatchMessage(32782);
    }
    // The calls made after `fn`, by name.
    std::vector<std::string> CallsAfter(const std::string &fn) const {
        std::vector<std::string> after;
        bool seen = false;
        for (const auto &name : fake.Names()) {
            if (seen) after.push_back(name);
            seen |= name == fn;
        }
        return after;
    }
    void ExpectLossToldOnce() {
        ASSERT_EQ(notices.Count(), 1u);
        EXPECT_EQ(notices.Notices()[0].textId, 1197);
        EXPECT_EQ(disconnectedAtNotice, 0u) << "the window shows the loss before its message";
        EXPECT_FALSE(session.IsConnected());
        EXPECT_EQ(session.Status(), SessionStatus::Lost);
        EXPECT_EQ(written, 0);
    }

    test::ScopedMemoryProfile profile;
    test::FakeInstrument fake;
    test::NoticeRecorder notices;
    AppSettings settings;
    InstrumentSession session;
    int written = 0;
    size_t disconnectedAtNotice = 99;
};

struct LossCase {
    const char *fn;
    std::vector<int32_t> answers;
    std::vector<int32_t> probe;  // the button query that follows a late answer
};

class SessionLoss : public SessionFaults, public ::testing::WithParamInterface<LossCase> {};

TEST_P(SessionLoss, AnInstrumentGoneOrSilentUnderAMeasurementIsItsLossToldOnce) {
    const LossCase &c = GetParam();
    fake.Script(c.fn, c.answers);
    fake.Script("DIGetButtonStatus", c.probe);
    Press();
    ExpectLossToldOnce();
    // The sequence ended at its failing call: only the probe and the silent release follow.
    for (const std::string &after : CallsAfter(c.fn))
        EXPECT_TRUE(after == "DIGetButtonStatus" || after == "DISetProperty" || after == "DICloseDevice") << after;
}

INSTANTIATE_TEST_SUITE_P(
    EverySequenceStep, SessionLoss,
    ::testing::Values(LossCase{"DIDoMeasurement", {kGone}, {}},
                      LossCase{"DIDoMeasurement", {kLate}, {kLate}},  // stopped: the probe is not answered either
                      LossCase{"DIGetColor", {kGone}, {}},            // part-way through the collection
                      LossCase{"DIGetSpotColorDensity", {kLate}, {kGone}},
                      LossCase{"DIGetPolFilterCondition", {kGone}, {}}));  // before the measurement

TEST_F(SessionFaults, ALateAnswerFromAnInstrumentThatAnswersAgainIsToldByItsCode) {
    fake.Script("DIDoMeasurement", {kLate});
    Press();
    ASSERT_EQ(notices.Count(), 1u);
    const std::string late = platform::ResString(1205);
    EXPECT_NE(notices.Notices()[0].text.find(late), std::string::npos);
    EXPECT_TRUE(session.IsConnected());
    EXPECT_EQ(written, 0);
    Press();
    EXPECT_EQ(written, 1) << "the next press measures again";
}

// A dialog's error manager asks the session's link first, as every instrument dialog does.
TEST_F(SessionFaults, ADialogsFailedCallIsToldOnceThroughTheLink) {
    CErrorMng errors;
    errors.Init(notices.Sink(), session.Link().Judge());
    errors.Report(12);
    ASSERT_EQ(notices.Count(), 1u) << "an ordinary failure keeps its own message";
    EXPECT_TRUE(session.IsConnected());

    notices.Clear();
    errors.Report(kGone);
    ExpectLossToldOnce();

    // A later action on the lost instrument hears why it cannot work, not a code of the call.
    notices.Clear();
    errors.Report(DI_ERR_BAD_HANDLE);
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].textId, 1197);
}

// What the dialogs ask for goes to the instrument the session holds: each operation reaches the
// session's device under the instrument lock, the dialog brings no user of the instrument of its
// own, and a loss under a dialog's call ends the session's connection, told once.
TEST_F(SessionFaults, TheDialogsOperationsAreTheSessionsCallsUnderTheLock) {
    std::vector<std::string> unlocked;
    fake.SetRule([&unlocked](const test::FakeCall &call) -> std::optional<int32_t> {
        bool lockFree = false;  // asked from another thread: the caller may hold it
        std::thread([&lockFree] {
            lockFree = InstrumentLock().try_lock();
            if (lockFree) InstrumentLock().unlock();
        }).join();
        if (lockFree) unlocked.push_back(call.fn);
        return std::nullopt;
    });
    const DIHANDLE device = DeviceHandle().load();
    const int32_t users = CVireoDllAdapter::Users();
    DialogInstrument &instrument = session.Link();
    UserIlluminantRecord record{};
    IlluminantResults results{};
    EXPECT_EQ(instrument.CalibrateZero(), 0);
    EXPECT_EQ(instrument.CalibrateWhite(calib::kWhiteKind), 0);
    EXPECT_EQ(instrument.ReadUserIlluminant(record), 0);
    EXPECT_EQ(instrument.RegisterUserIlluminant(record), 0);
    EXPECT_EQ(instrument.MeasureLightSource(1, 2, record, results).code, 0);
    std::array<double, 3> lab{};
    EXPECT_EQ(instrument.MeasureColorLab(0x4, lab), 0);
    fake.SetRule({});

    EXPECT_TRUE(unlocked.empty()) << unlocked.front();
    EXPECT_EQ(CVireoDllAdapter::Users(), users);
    const std::vector<test::FakeCall> calls = fake.Calls();
    ASSERT_GE(calls.size(), 5u);
    const std::vector<std::string> first{calls[0].fn, calls[1].fn, calls[2].fn, calls[3].fn};
    EXPECT_EQ(first, (std::vector<std::string>{"DIDoPolarizationCalib", "DIDoCalibration", "DIGetUserIlluminant",
                                               "DIRegUserIlluminant"}));
    EXPECT_EQ(calls[1].a, calib::kWhiteKind);
    for (const test::FakeCall &call : calls) EXPECT_EQ(call.handle, device) << call.fn;
    EXPECT_EQ(lab[0], test::FakeInstrument::ColorValue(0, 0)) << "the colour entry's L*a*b*";
    EXPECT_EQ(calls.back().fn, "DISetProperty") << "the stored measurement type is set back";
    EXPECT_TRUE(notices.Notices().empty());

    fake.Script("DIDoCalibration", {kGone});
    CErrorMng errors;
    errors.Init(notices.Sink(), instrument.Judge());
    errors.Report(instrument.CalibrateWhite(calib::kWhiteKind));
    ExpectLossToldOnce();
}

}  // namespace
}  // namespace ombra::core
