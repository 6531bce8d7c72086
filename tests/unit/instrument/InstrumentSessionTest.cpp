// The measurement session without any window: what it tells (notices), what it signals and
// what reaches the sheet, over the scripted instrument and the in-memory spreadsheet.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/InstrumentSession.h"
#include "core/output/JournalTransfer.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"
#include "support/MemoryAutomation.h"

namespace ombra::core {
namespace {

namespace mb = platform::mb;
constexpr unsigned kUrgent = mb::SYSTEMMODAL | mb::SETFOREGROUND;

class Session : public ::testing::Test {
protected:
    Session() : session(settings) {
        session.SetNoticeSink(notices.Sink());
        session.SetAutomationFactory([this] { return std::make_unique<SheetConnection>(sheet); });
        QObject::connect(&session, &InstrumentSession::instrumentOpened, [this] { events.push_back("opened"); });
        QObject::connect(&session, &InstrumentSession::identityRead,
                         [this](const QString &label) { events.push_back("identity " + label.toStdString()); });
        QObject::connect(&session, &InstrumentSession::readyChanged,
                         [this](bool ready) { events.push_back(ready ? "ready" : "not ready"); });
        QObject::connect(&session, &InstrumentSession::connectionChanged,
                         [this](bool on) { events.push_back(on ? "connected" : "disconnected"); });
        QObject::connect(&session, &InstrumentSession::instrumentLost, [this] { events.push_back("lost"); });
        QObject::connect(&session, &InstrumentSession::measurementWritten, [this](const MeasurementReport &r) {
            events.push_back("written " + std::to_string(int(r.measurement.outcome.result)));
        });
    }
    void Press() {
        session.HandleWatchMessage(32778);
        session.HandleWatchMessage(32782);
    }

    test::ScopedMemoryProfile profile;
    test::FakeInstrument fake;
    test::NoticeRecorder notices;
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    AppSettings settings;
    InstrumentSession session;
    std::vector<std::string> events;
};

TEST_F(Session, ConnectsInTheDescribedOrderAndWatchesTheButton) {
    fake.AddDevice({4711});
    ASSERT_TRUE(session.Connect());
    const std::string label = platform::ResString(1234) + " : 4711";
    EXPECT_EQ(events, (std::vector<std::string>{"opened", "identity " + label, "ready", "connected"}));
    EXPECT_TRUE(session.IsWatching());
    EXPECT_EQ(settings.identity.ModelName(), platform::ResString(1234)) << "the session's settings, not a global";
    EXPECT_EQ(notices.Count(), 0u);
    session.Disconnect();
    EXPECT_FALSE(session.IsWatching());
    EXPECT_EQ(events.back(), "disconnected");
}

TEST_F(Session, LossIsToldOnceUrgentlyAndClosesTheInstrument) {
    const DIHANDLE h = fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    events.clear();
    for (int i = 0; i < 3; ++i) session.HandleWatchMessage(32780);  // the thread posts on every poll
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].textId, 1197);
    EXPECT_EQ(notices.Notices()[0].flags, mb::ICONERROR | kUrgent);
    EXPECT_EQ(events, (std::vector<std::string>{"lost", "disconnected"})) << "dialogs end before the close";
    EXPECT_EQ(fake.CloseCount(h), 1);
    EXPECT_FALSE(session.IsConnected());
}

TEST_F(Session, PressesThatMustNotMeasureMeasureNothing) {
    fake.AddDevice();
    fake.SetCalibrationStatus(3);
    ASSERT_TRUE(session.Connect());
    ASSERT_FALSE(session.IsReadyToMeasure());
    notices.Clear();
    Press();
    ASSERT_EQ(notices.Count(), 1u) << "not ready: one message, the instrument's own code";
    CErrorMng errors;
    EXPECT_EQ(notices.Notices()[0].Text(), errors.NoticeFor(19).Text());

    session.SetReadyToMeasure(true);
    notices.Clear();
    fake.SetPolFilter(0, 1);  // filter turned on at the instrument, off in the settings
    Press();
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].textId, 1394);
    EXPECT_EQ(notices.Notices()[0].flags, mb::ICONERROR | kUrgent);
    session.HandleWatchMessage(32779);  // an irradiance press while measuring reflection
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 0);
    EXPECT_TRUE(sheet.Sheet().cells.empty());
}

TEST_F(Session, APressWritesItsValuesFromTheActiveCellAndALatchedPressDoesNot) {
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    sheet.Sheet().cursorColumn = 2;
    sheet.Sheet().cursorRow = 3;
    session.HandleWatchMessage(32778);
    session.HandleWatchMessage(32778);  // still held: no second measurement
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1);
    EXPECT_EQ(sheet.Cell("B4"), session.MeasurementDate());
    EXPECT_EQ(sheet.Cell("C4"), session.MeasurementTime());
    EXPECT_EQ(events.back(), "written " + std::to_string(int(TransferResult::Written)));
    EXPECT_EQ(session.RowLimit(), sheet.Sheet().rowCount);

    session.HandleWatchMessage(32782);  // released
    sheet.foregroundTitle = "Some other window";
    Press();
    EXPECT_EQ(events.back(), "written " + std::to_string(int(TransferResult::NotWritten)));
    EXPECT_EQ(notices.Count(), 0u) << "a missing spreadsheet ends the transfer silently";
}

// Neither the journal nor its fallback folder can be written (a file stands where their folders
// would be): the first press is kept in memory, the next is refused with one message and
// measures nothing, and once the journal can be written the kept one moves in.
TEST_F(Session, APressThatCouldNotBeKeptIsRefused) {
    QTemporaryDir dir;
    QFile blocker(dir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    MeasurementJournal journal(nullptr, dir.path() + "/blocker/journal.sqlite", {dir.path() + "/blocker/held"});
    session.SetJournal(&journal);
    std::vector<int> heldCounts;
    QObject::connect(&session, &InstrumentSession::heldCountChanged, [&](int held) { heldCounts.push_back(held); });
    fake.AddDevice();
    ASSERT_TRUE(session.Connect());
    Press();
    EXPECT_EQ(sheet.Cell("A2"), session.MeasurementDate()) << "the office still gets the values";
    EXPECT_EQ(session.HeldCount(), 1);
    EXPECT_EQ(session.LastingNotice(), HeldNoticeText(1));
    notices.Clear();
    Press();
    ASSERT_EQ(notices.Count(), 1u);
    EXPECT_EQ(notices.Notices()[0].textId, 1821);
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 1) << "refused before the instrument measured";

    ASSERT_TRUE(QFile::remove(dir.path() + "/blocker"));
    Press();
    EXPECT_EQ(fake.Count("DIDoMeasurement"), 2);
    EXPECT_EQ(journal.List().size(), 2u);
    EXPECT_EQ(session.HeldCount(), 0);
    EXPECT_EQ(session.LastingNotice(), "") << "both reached the sheet";
    EXPECT_EQ(heldCounts, (std::vector<int>{1, 0}));
    session.SetJournal(nullptr);
}

}  // namespace
}  // namespace ombra::core
