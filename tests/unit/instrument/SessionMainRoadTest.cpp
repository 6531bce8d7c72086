// The main road of the measurement session, without a window: connecting (one instrument,
// several, none), the settings put on the instrument, the half-connected state, disconnecting,
// loss of the instrument, and the press from the instrument's button to the cells in the
// in-memory sheet, with the report and the notice that follow each measurement.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "core/instrument/ErrorMng.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/InstrumentSession.h"
#include "core/instrument/WorkThread.h"
#include "core/output/Catalogue.h"
#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/Resources.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"
#include "support/MemoryAutomation.h"

namespace ombra::core {
namespace {

namespace mb = platform::mb;
constexpr unsigned kUrgent = mb::SYSTEMMODAL | mb::SETFOREGROUND;

std::vector<int> Identifiers(const OutputItemList &items) {
    std::vector<int> ids;
    for (const OutputItem &item : items) ids.push_back(item.identifier);
    return ids;
}

const OutputItem *FindItem(const OutputItemList &items, int id) {
    for (const OutputItem &item : items)
        if (item.identifier == id) return &item;
    return nullptr;
}

// A session over the scripted instrument that writes through the real transfer into an
// in-memory sheet (or finds no office), with its notices recorded and every report kept.
class MainRoad : public ::testing::Test {
protected:
    MainRoad() : session(settings) {
        session.SetNoticeSink(notices.Sink());
        session.SetAutomationFactory([this]() -> std::unique_ptr<Automation> {
            if (!officeUp) return nullptr;
            return std::make_unique<SheetConnection>(sheet);
        });
        session.SetDeviceChooser([this](const DeviceList &devices) {
            ++chooserCalls;
            chooserDevices = devices.size();
            return chooserAnswer;
        });
        QObject::connect(&session, &InstrumentSession::measurementWritten,
                         [this](const MeasurementReport &report) { reports.push_back(report); });
    }
    ~MainRoad() override { session.SetJournal(nullptr); }

    void Post(WatchEvent event, int times = 1) {
        for (int i = 0; i < times; ++i) session.HandleWatchEvent(event);
    }
    void Press() {
        Post(WatchEvent::ReflectionPressed);
        Post(WatchEvent::ReflectionReleased);
    }
    int Told(int stringId) const {
        const std::vector<int> ids = notices.TextIds();
        return static_cast<int>(std::count(ids.begin(), ids.end(), stringId));
    }
    const Notice *Find(int stringId) const {
        for (const Notice &notice : notices.Notices())
            if (notice.textId == stringId) return &notice;
        return nullptr;
    }
    // Notices of the error manager for an instrument code.
    int ErrorsTold(int32_t code) const {
        CErrorMng errors;
        const std::string text = errors.NoticeFor(code).Text();
        int n = 0;
        for (const Notice &notice : notices.Notices()) n += notice.Text() == text;
        return n;
    }
    // The last value written to a property, or -1.
    int LastProperty(int32_t id) const {
        int value = -1;
        for (const test::FakeCall &call : fake.CallsOf("DISetProperty"))
            if (call.a == id) value = call.b;
        return value;
    }
    const TransferOutcome &LastOutcome() const { return reports.back().measurement.outcome; }

    test::ScopedMemoryProfile profile;
    test::FakeInstrument fake;
    test::NoticeRecorder notices;
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    bool officeUp = true;
    int chooserCalls = 0;
    size_t chooserDevices = 0;
    bool chooserAnswer = false;
    AppSettings settings;
    InstrumentSession session;
    std::vector<MeasurementReport> reports;
};

// ---------------------------------------------------------------------------------------
// Connection

TEST_F(MainRoad, ConnectWithoutInstrumentEnumeratesAndSaysSo) {
    EXPECT_FALSE(session.Connect());
    EXPECT_EQ(fake.Count("DIEnumDevice"), 100);
    ASSERT_EQ(Told(1183), 1);
    EXPECT_EQ(Find(1183)->Caption(), platform::ResString(1200));
    EXPECT_EQ(chooserCalls, 0);
    EXPECT_FALSE(session.IsConnected());
    EXPECT_FALSE(session.HoldsInstrument());
    EXPECT_FALSE(session.IsWatching());
}

TEST_F(MainRoad, TwoInstrumentsAndTheChoiceCancelledOrMade) {
    const DIHANDLE a = fake.AddDevice({1001});
    const DIHANDLE b = fake.AddDevice({1002});
    EXPECT_FALSE(session.Connect());
    EXPECT_EQ(chooserCalls, 1);
    EXPECT_EQ(chooserDevices, 2u);
    EXPECT_EQ(fake.CloseCount(a), 1);
    EXPECT_EQ(fake.CloseCount(b), 1);
    EXPECT_EQ(LastProperty(8), 0);
    EXPECT_EQ(fake.Count("DISetPolFilterCondition"), 0);
    EXPECT_FALSE(session.HoldsInstrument());

    fake.ClearLog();
    fake.AddDevice({1001});  // both were closed: they are found anew
    const DIHANDLE chosen = fake.AddDevice({1002});
    QString identity;
    QObject::connect(&session, &InstrumentSession::identityRead, [&](const QString &label) { identity = label; });
    session.SetDeviceChooser([this](const DeviceList &) {
        settings.identity.SetSelectedInstrument(1);
        return true;
    });
    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(fake.CloseCount(chosen - 1), 1);
    EXPECT_EQ(fake.CloseCount(chosen), 0);
    EXPECT_EQ(DeviceHandle().load(), chosen);
    EXPECT_TRUE(identity.endsWith(" : 1002"));
}

TEST_F(MainRoad, ConnectPutsTheSettingsOnTheInstrumentInOrder) {
    fake.AddDevice({4711});
    ASSERT_TRUE(session.Connect());
    // After enumeration: polarisation filter, type, condition, observer, illuminant, status.
    std::vector<std::string> tail;
    bool afterIdentity = false;
    for (const test::FakeCall &call : fake.Calls()) {
        if (call.fn == "DIGetPolFilterCondition") afterIdentity = true;
        if (!afterIdentity || call.fn == "DIGetButtonStatus") continue;
        tail.push_back(call.fn == "DISetProperty" ? "P" + std::to_string(call.a) + "=" + std::to_string(call.b) : call.fn);
    }
    EXPECT_EQ(tail, (std::vector<std::string>{"DIGetPolFilterCondition", "DISetPolFilterCondition", "P0=0", "P4=2",
                                              "P2=0", "P3=2", "DIGetCalibrateStatus"}));
    EXPECT_TRUE(session.IsWatching());
    EXPECT_TRUE(session.IsReadyToMeasure());
    EXPECT_EQ(session.Status(), SessionStatus::Ready);
    EXPECT_EQ(notices.Count(), 0u);
    EXPECT_FALSE(settings.selection.Reflection().empty()) << "the stored selections are loaded for the model";
}

TEST_F(MainRoad, TheCalibrationStatusAtConnectionDecidesReadiness) {
    struct Case {
        int status;
        int notice;  // 0: none
        bool ready;
    };
    for (const Case c : {Case{3, 1246, false}, Case{4, 1246, false}, Case{2, 1238, true}, Case{5, 1238, true}}) {
        fake.AddDevice();  // a closed instrument is found anew
        fake.SetCalibrationStatus(c.status);
        notices.Clear();
        ASSERT_TRUE(session.Connect()) << c.status;
        ASSERT_EQ(Told(c.notice), 1) << c.status;
        EXPECT_EQ(Find(c.notice)->flags & 0xF0, mb::ICONINFORMATION);
        EXPECT_EQ(session.IsReadyToMeasure(), c.ready) << c.status;
        EXPECT_EQ(session.Status(),
                  c.ready ? SessionStatus::Ready : SessionStatus::CalibrationNeeded);
        EXPECT_EQ(session.CalibrationStatus(), c.status);
        session.Disconnect();
    }
    fake.AddDevice();
    fake.SetResult("DIGetCalibrateStatus", 7);  // a status query that fails counts as ready
    notices.Clear();
    ASSERT_TRUE(session.Connect());
    EXPECT_TRUE(session.IsReadyToMeasure());
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MainRoad, ARefusedConditionFallsBackToFourSilently) {
    fake.AddDevice();
    const std::string model = platform::ResString(1234);  // the section is named after the model
    profile.Store().WriteInt(model, "MeasurementCond", 8);
    profile.Store().WriteInt(model, "Illuminant", 16);
    fake.SetRule([](const test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn != "DISetProperty") return std::nullopt;
        if ((c.a == 4 && c.b == 3) || (c.a == 3 && c.b == 4)) return 10001;  // condition 8, illuminant 16
        return std::nullopt;
    });
    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(profile.Store().GetInt(model, "MeasurementCond", -1), 4);
    EXPECT_EQ(profile.Store().GetInt(model, "Illuminant", -1), 4);
    EXPECT_EQ(settings.measurement.MeasurementCond(), 4);
    EXPECT_EQ(settings.measurement.Illuminant(), 4);
    std::vector<int> conditionWrites, illuminantWrites;
    for (const test::FakeCall &call : fake.CallsOf("DISetProperty")) {
        if (call.a == 4) conditionWrites.push_back(call.b);
        if (call.a == 3) illuminantWrites.push_back(call.b);
    }
    EXPECT_EQ(conditionWrites, (std::vector<int>{3, 2}));
    EXPECT_EQ(illuminantWrites, (std::vector<int>{4, 2}));
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MainRoad, ASettingRefusedTwiceLeavesTheInstrumentOpenUntilDisconnect) {
    const DIHANDLE h = fake.AddDevice();
    fake.SetRule([](const test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 4) return 10001;
        return std::nullopt;
    });
    EXPECT_FALSE(session.Connect());
    EXPECT_EQ(notices.Count(), 0u);
    EXPECT_FALSE(session.IsWatching());
    EXPECT_FALSE(session.IsConnected());
    EXPECT_TRUE(session.HoldsInstrument()) << "the Connect command disconnects next";
    EXPECT_EQ(fake.CloseCount(h), 0);
    EXPECT_EQ(fake.Count("DIGetCalibrateStatus"), 0);
    session.Disconnect();
    EXPECT_EQ(fake.CloseCount(h), 1);
    EXPECT_FALSE(session.HoldsInstrument());
}

TEST_F(MainRoad, AnUnreadableIdentityIsToldAndTheConnectionGoesOn) {
    fake.AddDevice();
    fake.Script("DIGetDevInfo", {0, 9});  // enumeration reads it once; the session's own read fails
    bool identityRead = false;
    QObject::connect(&session, &InstrumentSession::identityRead, [&] { identityRead = true; });
    EXPECT_TRUE(session.Connect());
    ASSERT_EQ(Told(1243), 1);
    EXPECT_EQ(Find(1243)->flags & 0xF0, mb::ICONERROR);
    EXPECT_FALSE(identityRead);
}

TEST_F(MainRoad, DisconnectReleasesTheInstrumentAndStopsPolling) {
    const DIHANDLE h = fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    EXPECT_FALSE(settings.selection.Reflection().empty());
    fake.ClearLog();
    session.Disconnect();
    EXPECT_EQ(LastProperty(8), 0);
    EXPECT_EQ(fake.CloseCount(h), 1);
    EXPECT_EQ(fake.Count("DISetPolFilterCondition"), 0) << "the condition was not 2";
    EXPECT_FALSE(session.IsConnected());
    EXPECT_FALSE(session.HoldsInstrument());
    EXPECT_FALSE(session.IsWatching()) << "the thread has ended: nothing polls any more";
    EXPECT_TRUE(settings.selection.Reflection().empty());
    EXPECT_EQ(notices.Count(), 0u);
    fake.ClearLog();
    QCoreApplication::processEvents();
    EXPECT_EQ(fake.Count("DIGetButtonStatus"), 0);

    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    EXPECT_TRUE(session.IsWatching());
}

TEST_F(MainRoad, DisconnectPutsBackThePolarisationCondition) {
    fake.AddDevice();
    fake.SetPolFilter(2, 1);
    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(session.PolarizationCondition(), 2);
    EXPECT_EQ(session.PolarizationState(), 1);
    EXPECT_TRUE(session.RestorePolarizationCondition());
    EXPECT_EQ(settings.measurement.Polarization(), 1);
    EXPECT_EQ(settings.measurement.PolarizationSel(), 1);
    EXPECT_EQ(fake.CallsOf("DISetPolFilterCondition").back().a, 1);
    fake.ClearLog();
    session.Disconnect();
    const std::vector<std::string> names = fake.Names();
    const auto restore = std::find(names.begin(), names.end(), "DISetPolFilterCondition");
    ASSERT_NE(restore, names.end());
    EXPECT_EQ(fake.CallsOf("DISetPolFilterCondition").front().a, 2);
    EXPECT_LT(restore, std::find(names.begin(), names.end(), "DICloseDevice"));
}

TEST_F(MainRoad, AFailedCloseKeepsTheConnection) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.Script("DICloseDevice", {4});
    session.Disconnect();
    EXPECT_EQ(Told(1184), 1);
    EXPECT_TRUE(session.IsConnected());
    EXPECT_TRUE(session.HoldsInstrument());
    EXPECT_FALSE(session.IsWatching());
    EXPECT_TRUE(settings.selection.Reflection().empty());
}

TEST_F(MainRoad, TheLossIsToldOnceAfterTheDisconnectedStateAndConnectingAgainLeavesIt) {
    const DIHANDLE h = fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.SetResult("DISetProperty", 4);  // releasing the vanished instrument fails, as on a real loss
    std::vector<std::string> order;
    QObject::connect(&session, &InstrumentSession::connectionChanged, [&](bool on) { order.push_back(on ? "on" : "off"); });
    session.SetNoticeSink([&](const Notice &notice) {
        order.push_back("notice " + std::to_string(notice.textId) + (session.Status() == SessionStatus::Lost ? " lost" : ""));
        return notices.Sink()(notice);
    });
    Post(WatchEvent::InstrumentLost, 3);  // the thread posts on every poll
    EXPECT_EQ(order, (std::vector<std::string>{"off", "notice 1197 lost"}));
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].flags, mb::ICONERROR | kUrgent);
    EXPECT_EQ(notices.Notices()[0].Caption(), platform::ResString(1200));
    EXPECT_EQ(fake.CloseCount(h), 1);
    EXPECT_EQ(LastProperty(8), 0);
    EXPECT_FALSE(session.HoldsInstrument());
    EXPECT_FALSE(session.IsWatching());

    fake.SetResult("DISetProperty", 0);
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    EXPECT_EQ(session.Status(), SessionStatus::Ready);
}

TEST_F(MainRoad, ALossDuringAMeasurementIsOneMessageAndWritesNothing) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.Script("DIDoMeasurement", {4});  // communication failed: the instrument vanished
    fake.SetResult("DISetProperty", 4);
    Post(WatchEvent::ReflectionPressed);
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(Told(1197), 1);
    EXPECT_EQ(session.Status(), SessionStatus::Lost);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(sheet.writes.empty());
}

TEST_F(MainRoad, AFailingButtonQueryIsTheLossOfTheInstrument) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.SetResult("DIGetButtonStatus", 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.IsConnected(); }, 5000));
    // Copies the thread posted before it stopped arrive and are ignored.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !session.IsWatching(); }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(Told(1197), 1);
}

TEST(SessionEnding, StopsTheThreadAndReleasesTheInstrument) {
    test::ScopedMemoryProfile profile;
    test::FakeInstrument fake;
    AppSettings settings;
    auto session = std::make_unique<InstrumentSession>(settings);
    const DIHANDLE h = fake.AddDevice();
    ASSERT_TRUE(session->Connect());
    ASSERT_TRUE(session->IsWatching());
    fake.ClearLog();
    session.reset();  // ended without Exit
    EXPECT_EQ(fake.CloseCount(h), 1) << "the last adapter holder closes it";
    int remote = -1;
    for (const test::FakeCall &call : fake.CallsOf("DISetProperty"))
        if (call.a == 8) remote = call.b;
    EXPECT_EQ(remote, 0);
}

// ---------------------------------------------------------------------------------------
// Measurement

TEST_F(MainRoad, OnePressIsOneMeasurementHoweverLongItIsHeld) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    Post(WatchEvent::ReflectionPressed, 5);  // held down for half a second
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
    EXPECT_EQ(reports.size(), 1u);
    Post(WatchEvent::ReflectionReleased);
    Post(WatchEvent::ReflectionPressed, 3);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 2);
    EXPECT_EQ(reports.size(), 2u);
    EXPECT_EQ(notices.Count(), 0u);
    EXPECT_TRUE(session.IsWatching());
}

TEST_F(MainRoad, TheWatchThreadMeasuresOncePerPressAndNeverPollsDuringIt) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.SetButtons(0, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.Count("DIDoMeasurement") == 1; }, 5000));
    const int polls = fake.Count("DIGetButtonStatus");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.Count("DIGetButtonStatus") >= polls + 4; }, 5000));  // still held
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
    fake.SetButtons(0, 0);
    const int released = fake.Count("DIGetButtonStatus");
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.Count("DIGetButtonStatus") >= released + 2; }, 5000));
    fake.SetButtons(0, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.Count("DIDoMeasurement") == 2; }, 5000));
    EXPECT_EQ(fake.Overlaps(), 0);
}

TEST_F(MainRoad, TheOtherTypesMessagesDoNothing) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    Post(WatchEvent::IrradiancePressed, 3);
    Post(WatchEvent::IrradianceReleased);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 0);
    EXPECT_EQ(fake.Count("DIGetPolFilterCondition"), 1) << "only the connection's";
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MainRoad, IrradianceMeasuresOnItsOwnButtonWithItsOwnLatch) {
    fake.AddDevice();
    profile.Store().WriteInt(platform::ResString(1234), "MeasurementType", 4);
    profile.Store().WriteInt(platform::ResString(1234), "MeasurementTypeSel", 1);
    fake.SetPolFilter(1, 1);  // forced to 0 for irradiance at connection
    ASSERT_TRUE(session.Connect());
    fake.SetButtons(-1, -1);  // the test posts the button's messages itself
    EXPECT_EQ(settings.measurement.Polarization(), 0);
    EXPECT_EQ(fake.CallsOf("DISetPolFilterCondition").back().a, 0);
    fake.SetPolFilter(0, 0);
    Post(WatchEvent::ReflectionPressed, 2);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 0);
    Post(WatchEvent::IrradiancePressed, 2);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
    Post(WatchEvent::ReflectionReleased);  // the other release leaves the latch set
    Post(WatchEvent::IrradiancePressed);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
    Post(WatchEvent::IrradianceReleased);
    Post(WatchEvent::IrradiancePressed);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 2);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(Identifiers(reports.back().measurement.outputItems), (std::vector<int>{1035, 1036, 1037, 1038, 1039}));
}

TEST_F(MainRoad, NotReadyPressesGetTheirReactionEachTime) {
    for (const auto &[status, code] : {std::pair{3, 19}, std::pair{4, 34}}) {
        fake.AddDevice();  // a closed instrument is found anew
        fake.SetCalibrationStatus(status);
        ASSERT_TRUE(session.Connect());
        notices.Clear();
        Post(WatchEvent::ReflectionPressed);
        EXPECT_EQ(ErrorsTold(code), 1);
        EXPECT_EQ(notices.Count(), 1u);
        Post(WatchEvent::ReflectionPressed);  // not latched: the press, still held, reacts again
        EXPECT_EQ(ErrorsTold(code), 2);
        EXPECT_TRUE(session.IsWatching());
        session.Disconnect();
    }
    fake.AddDevice();
    fake.SetCalibrationStatus(5);  // readiness lost (after the settings dialog) with a notice status
    ASSERT_TRUE(session.Connect());
    session.SetReadyToMeasure(false);
    notices.Clear();
    Post(WatchEvent::ReflectionPressed);
    ASSERT_EQ(Told(1238), 1);
    EXPECT_EQ(Find(1238)->flags, mb::ICONINFORMATION | kUrgent);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 0);
    EXPECT_TRUE(reports.empty());
}

TEST_F(MainRoad, APolarisationMismatchMeasuresNothing) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.SetPolFilter(0, 1);  // filter turned on at the instrument
    Post(WatchEvent::ReflectionPressed);
    ASSERT_EQ(Told(1394), 1);
    EXPECT_EQ(Find(1394)->flags, mb::ICONERROR | kUrgent);
    EXPECT_EQ(Find(1394)->Caption(), platform::ResString(1200));
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 0);
    fake.SetPolFilter(0, 0);
    Post(WatchEvent::ReflectionReleased);
    Post(WatchEvent::ReflectionPressed);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
}

TEST_F(MainRoad, AFailedMeasurementIsReportedAndTheNextPressMeasures) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.Script("DIDoMeasurement", {5});
    Press();
    EXPECT_EQ(ErrorsTold(5), 1);
    EXPECT_TRUE(session.IsConnected());
    fake.Script("DIGetColor", {12});  // a failing result fetch is reported the same way
    Press();
    EXPECT_EQ(ErrorsTold(12), 1);
    EXPECT_TRUE(reports.empty());
    Press();
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 3);
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(MainRoad, ACalibrationDueWhileConnectedMakesTheSessionNotReady) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.SetCalibrationStatus(3);
    fake.Script("DIDoMeasurement", {19});  // the instrument refuses the next measurement
    Press();
    EXPECT_EQ(ErrorsTold(19), 1);
    EXPECT_EQ(session.Status(), SessionStatus::CalibrationNeeded);
    EXPECT_EQ(session.CalibrationStatus(), 3);
    Press();  // not sent to the instrument: the session knows it is not ready
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
    EXPECT_EQ(ErrorsTold(19), 2);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(session.IsConnected());
}

TEST_F(MainRoad, TheStatusIsReadingWhileTheInstrumentMeasures) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    std::vector<SessionStatus> shown;
    QObject::connect(&session, &InstrumentSession::statusChanged, [&] { shown.push_back(session.Status()); });
    Press();
    EXPECT_EQ(shown, (std::vector<SessionStatus>{SessionStatus::Reading, SessionStatus::Ready}));
    EXPECT_EQ(reports.size(), 1u);
}

TEST_F(MainRoad, AFailedPolarisationQueryIsSilent) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    fake.Script("DIGetPolFilterCondition", {3});
    Press();
    EXPECT_EQ(notices.Count(), 0u);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 0);
    Press();
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
}

// The report carries what a window or a panel shows of a press: the values, where they went,
// or why not, and the counts.
TEST_F(MainRoad, APressWritesFromTheActiveCellAndReportsItsValuesAndWhereTheyWent) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    sheet.Sheet().cursorColumn = 2;
    sheet.Sheet().cursorRow = 3;
    Press();
    ASSERT_EQ(reports.size(), 1u);
    const MeasurementReport &report = reports[0];
    EXPECT_EQ(Identifiers(report.measurement.outputItems), (std::vector<int>{1035, 1036, 2005, 2000}));
    const OutputItem *date = FindItem(report.measurement.valueItems, 1035);
    const OutputItem *time = FindItem(report.measurement.valueItems, 1036);
    ASSERT_TRUE(date && time);
    EXPECT_TRUE(std::regex_match(date->valueText, std::regex(R"(\d{4}/\d\d/\d\d)")));
    EXPECT_TRUE(std::regex_match(time->valueText, std::regex(R"(\d\d:\d\d:\d\d)")));
    EXPECT_EQ(date->valueText, session.MeasurementDate());
    EXPECT_EQ(time->valueText, session.MeasurementTime());
    const OutputItem *lightness = FindItem(report.measurement.valueItems, 1000);  // L* of colour value set 0
    ASSERT_TRUE(lightness);
    EXPECT_EQ(lightness->valueText, "1.00");
    EXPECT_EQ(session.MeasuredData().Count(), 1u);
    // Labels across row 3, values below, from the active cell B3.
    EXPECT_EQ(sheet.Cell("B4"), session.MeasurementDate());
    EXPECT_EQ(sheet.Cell("C4"), session.MeasurementTime());
    EXPECT_FALSE(sheet.Cell("B3").empty());
    const TransferOutcome &where = report.measurement.outcome;
    EXPECT_TRUE(where.written());
    EXPECT_EQ(where.reason, MissReason::None);
    EXPECT_EQ(where.workbookName, "Book1.ods");
    EXPECT_EQ(where.sheetName, "Sheet1");
    EXPECT_EQ(where.firstCell, "B3");
    EXPECT_TRUE(sheet.HasCell(where.lastCell));
    EXPECT_EQ(report.miss.reason, MissReason::None);
    EXPECT_FALSE(report.unwritten.has_value()) << "no journal";
    EXPECT_EQ(session.RowLimit(), sheet.Sheet().rowCount);
    EXPECT_EQ(session.ColumnLimit(), sheet.Sheet().columnCount);
    EXPECT_EQ(session.LastWorkbook(), "Book1.ods");

    sheet.foregroundTitle = "Some other window";  // no workbook in front: nothing written, silently
    Press();
    EXPECT_EQ(LastOutcome().result, TransferResult::NotWritten);
    EXPECT_EQ(reports.back().miss.reason, MissReason::NoWorkbookInFront);
    EXPECT_EQ(reports.back().miss.text, platform::ResString(1723));
    EXPECT_FALSE(reports.back().measurement.valueItems.empty()) << "the values of a miss are reported too";
    EXPECT_EQ(notices.Count(), 0u);
}

TEST_F(MainRoad, TheSampleItemNamesEachMeasurementAndTellsOnceThatTheListEnded) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    settings.selection.InForce().reflectionSelection = {MakeItem(item::kSampleName), MakeItem(item::kDate)};
    settings.samples.SetMode(SampleSettings::Naming::List);
    settings.samples.SetList({"first", "second"});
    const auto nameWritten = [this] { return FindItem(reports.back().measurement.valueItems, item::kSampleName)->valueText; };
    Press();
    EXPECT_EQ(nameWritten(), "first");
    EXPECT_EQ(sheet.Cell("A2"), "first");
    Press();
    EXPECT_EQ(nameWritten(), "second");
    EXPECT_EQ(Told(2022), 0);
    Press();
    Press();
    EXPECT_EQ(nameWritten(), platform::ResString(1196));
    EXPECT_EQ(LastOutcome().result, TransferResult::Written) << "the measurement is written all the same";
    ASSERT_EQ(Told(2022), 1) << "once, not at every measurement after the end";
    EXPECT_EQ(Find(2022)->Caption(), platform::ResString(1200));

    settings.samples.SetList({"third"});
    Press();
    EXPECT_EQ(nameWritten(), "third");
    Press();
    EXPECT_EQ(Told(2022), 2) << "a new list that ends is told again";

    // A selection without the item leaves the numbering where it is.
    settings.samples.SetMode(SampleSettings::Naming::Automatic);
    settings.selection.InForce().reflectionSelection = {MakeItem(item::kDate)};
    Press();
    EXPECT_EQ(settings.samples.NextNumber(), 1);
}

// Without a journal the notice says what became of this measurement; with one it counts the
// unwritten ones, and held measurements outrank both. A written measurement ends the notice.
TEST_F(MainRoad, TheSessionSaysWhichNoticeFollowsAMeasurement) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    officeUp = false;
    Press();
    EXPECT_EQ(reports.back().statusNotice, kNotWrittenNotice);
    officeUp = true;
    const MemoryAutomation whole = sheet;
    sheet.Sheet().rowCount = 10;  // the sheet ends: the banner alone tells it
    sheet.Sheet().cursorRow = 10;
    Press();
    EXPECT_EQ(LastOutcome().result, TransferResult::OutsideSheet);
    EXPECT_EQ(reports.back().statusNotice, kNotWrittenNotice);
    sheet = whole;
    Press();
    EXPECT_EQ(reports.back().statusNotice, "");
    EXPECT_EQ(session.LastingNotice(), "");
    const int calls = static_cast<int>(sheet.calls.size());
    sheet = whole;
    sheet.failAtCall = calls * 2 / 3;  // stops answering part-way
    Press();
    EXPECT_EQ(LastOutcome().result, TransferResult::PartlyWritten);
    EXPECT_EQ(reports.back().statusNotice, kSpreadsheetFailedNotice);

    const TransferOutcome written = TransferOutcome::Of(TransferResult::Written, MissReason::None);
    const TransferOutcome missed = TransferOutcome::Of(TransferResult::NotWritten, MissReason::OfficeNotRunning);
    EXPECT_EQ(StatusNoticeAfter(missed, 2, 0, ""), UnwrittenNoticeText(2));
    EXPECT_EQ(StatusNoticeAfter(written, 2, 0, "standing"), "");
    EXPECT_EQ(StatusNoticeAfter(written, 2, 1, ""), HeldNoticeText(1));
}

// ---------------------------------------------------------------------------------------
// A measurement cut off part-way

// With the journal: the call of the transfer at which the 10th cell of a measurement fails.
class PartialBlock : public MainRoad {
protected:
    void SetUp() override {
        journal = std::make_unique<MeasurementJournal>(nullptr, dir.path() + "/journal.sqlite",
                                                       QStringList{dir.path() + "/held"});
        session.SetJournal(journal.get());
        fake.AddDevice();
        ASSERT_TRUE(session.Connect());
        // A whole measurement elsewhere tells the calls of one: the first that leaves nine cells
        // is where the tenth fails.
        const MemoryAutomation fresh = sheet;
        Press();
        ASSERT_TRUE(LastOutcome().written());
        const JournalEntry probe = reports.back().measurement;
        for (int call = 0; tenthCell < 0 && call < 400; ++call) {
            MemoryAutomation trial = fresh;
            trial.failAtCall = call;
            TransferEntry(trial, probe, "Caption");
            if (trial.writes.size() == 9) tenthCell = call;
        }
        ASSERT_GE(tenthCell, 0);
        sheet = fresh;
        sheet.Sheet().cursorColumn = 2;
        sheet.Sheet().cursorRow = 3;
    }
    // The cells of the sheet as they are now.
    std::map<std::pair<int, int>, std::string> Cells() { return sheet.Sheet().cells; }

    QTemporaryDir dir;
    std::unique_ptr<MeasurementJournal> journal;
    int tenthCell = -1;
};

TEST_F(PartialBlock, TheNextMeasurementStartsAfterTheCutOffOneAndAResendWritesItWhole) {
    sheet.failAtCall = tenthCell;
    Press();
    const TransferOutcome cut = LastOutcome();
    ASSERT_EQ(cut.result, TransferResult::PartlyWritten);
    EXPECT_EQ(cut.cellsWritten, 9);
    EXPECT_EQ(cut.firstCell, "B3");
    EXPECT_EQ(reports.back().miss.text, MakeNotice(1725, 0, 0, {"B3", cut.lastCell}).Text())
        << "the banner names the cells that hold it";
    EXPECT_EQ(sheet.ActiveAddress(), "B5") << "the office still answers: the cursor left the block at once";
    const auto firstCells = Cells();

    // The office lost that move: the cursor is back where the block began.
    sheet.Sheet().cursorColumn = 2;
    sheet.Sheet().cursorRow = 3;
    Press();
    ASSERT_TRUE(LastOutcome().written());
    EXPECT_EQ(LastOutcome().firstCell, "B5") << "where an untouched block would have ended";
    for (const auto &[cell, text] : firstCells) EXPECT_EQ(sheet.Sheet().cells.at(cell), text) << "cells intact";
    EXPECT_EQ(sheet.ActiveAddress(), "B7");

    const std::optional<JournalEntry> kept = journal->Entry(journal->List().at(1).id);
    ASSERT_TRUE(kept.has_value());
    ASSERT_EQ(kept->outcome.result, TransferResult::PartlyWritten);
    WriteEntryFunction resend = ResendFunction(session.SpreadsheetConnector(), session.LastWorkbook(), "Caption");
    const TransferOutcome again = resend(*kept);
    journal->SetOutcome(kept->id, again);
    EXPECT_TRUE(again.written());
    EXPECT_EQ(again.firstCell, "B7") << "at the active cell";
    EXPECT_EQ(again.cellsWritten, reports[0].measurement.outcome.cellsWritten) << "completely";
    EXPECT_EQ(journal->UnwrittenCount(), 0);
}

TEST_F(PartialBlock, ACellTheUserChoseAfterwardsIsKept) {
    sheet.failAtCall = tenthCell;
    Press();
    ASSERT_EQ(LastOutcome().result, TransferResult::PartlyWritten);
    sheet.Sheet().cursorColumn = 8;
    sheet.Sheet().cursorRow = 20;
    Press();
    EXPECT_EQ(LastOutcome().firstCell, "H20");
}

}  // namespace
}  // namespace ombra::core
