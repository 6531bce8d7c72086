// The measurement journal: recorded before the sheet is touched, every way a transfer ends,
// damaged and unwritable files, a killed program, and a resend that writes the same cells.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/instrument/MeasuredData.h"
#include "core/output/HeldMeasurements.h"
#include "core/output/JournalModel.h"
#include "core/output/JournalTransfer.h"
#include "core/output/Values.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/MemoryAutomation.h"
#include "support/OutputItems.h"

namespace ombra::core {
namespace {

OutputItem Item(int id) { return OutputItem{id, "L" + std::to_string(id), id * 0.5, "v" + std::to_string(id)}; }

JournalEntry SampleEntry(const std::string &time = "10:11:12") {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = time;
    e.model = "OS-100";
    e.serial = "4711";
    e.settingTexts = {"Reflection", "M1", "Paper", "2°", "D50", "Off"};
    e.outputItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1036, "Time", 0, time}, Item(2000)};
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1036, "Time", 0, time}, Item(1000), Item(1001),
                    Item(1002)};
    e.rawRecord = std::string("\x01\x00\x02\xff", 4);
    return e;
}

// Hands the spreadsheet of a test to code that owns its connection.
class Borrowed : public Automation {
public:
    explicit Borrowed(MemoryAutomation &sheet) : m_sheet(sheet) {}
    std::vector<std::string> RunningObjectNames() override { return m_sheet.RunningObjectNames(); }
    std::unique_ptr<BoundSheet> Bind(const std::string &name) override { return m_sheet.Bind(name); }
    std::string ForegroundWindowTitle() override { return m_sheet.ForegroundWindowTitle(); }
    std::vector<ChildWindow> ForegroundChildWindows() override { return m_sheet.ForegroundChildWindows(); }

private:
    MemoryAutomation &m_sheet;
};

// A connector that lends `sheet`.
AutomationConnector Lend(MemoryAutomation &sheet) {
    return [&sheet] { return std::unique_ptr<Automation>(std::make_unique<Borrowed>(sheet)); };
}

struct JournalFixture : ::testing::Test {
    QTemporaryDir dir;
    // Held measurements go to the test's own folder, never to the user's.
    QByteArray savedStateHome = qgetenv("XDG_STATE_HOME"), savedRuntimeDir = qgetenv("XDG_RUNTIME_DIR");
    void SetUp() override {
        qputenv("XDG_STATE_HOME", (dir.path() + "/state").toLocal8Bit());
        qunsetenv("XDG_RUNTIME_DIR");
    }
    void TearDown() override {
        qputenv("XDG_STATE_HOME", savedStateHome);
        if (!savedRuntimeDir.isEmpty()) qputenv("XDG_RUNTIME_DIR", savedRuntimeDir);
    }
    QString HeldFolder() const { return dir.path() + "/state/ombra-dts"; }
    // What the fallback file holds, read as the next start would.
    size_t HeldOnDisk() const { return HeldMeasurements({HeldFolder()}).size(); }
    std::vector<Notice> notices;
    NoticeSink sink = [this](const Notice &n) {
        notices.push_back(n);
        return platform::mb::IDOK;
    };
    QString JournalPath() const { return dir.path() + "/ombra-dts/journal.sqlite"; }
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
};

// The spreadsheet that looks into the journal when the transfer first reaches it.
class CheckingSheet : public MemoryAutomation {
public:
    CheckingSheet(MemoryAutomation base, MeasurementJournal &journal) : MemoryAutomation(std::move(base)), m_journal(journal) {}
    std::vector<std::string> RunningObjectNames() override {
        if (journalCountAtFirstCall < 0) journalCountAtFirstCall = static_cast<int>(m_journal.List().size());
        return MemoryAutomation::RunningObjectNames();
    }
    int journalCountAtFirstCall = -1;

private:
    MeasurementJournal &m_journal;
};

TEST_F(JournalFixture, RecordedBeforeTheFirstCellAndReadBackWhole) {
    MeasurementJournal journal(sink, JournalPath());
    ASSERT_TRUE(journal.IsOpen());
    CheckingSheet checking(sheet, journal);
    const JournalEntry entry = SampleEntry();
    std::optional<qint64> id;
    size_t journaledAtConnect = 0;
    TransferOutcome t = TransferAndJournal(&journal, entry, [&] {
        journaledAtConnect = journal.List().size();
        return Lend(checking)();
    }, "Caption", nullptr, &id);
    EXPECT_EQ(journaledAtConnect, 1u);
    EXPECT_EQ(checking.journalCountAtFirstCall, 1);
    ASSERT_TRUE(id.has_value());
    EXPECT_EQ(t.result, TransferResult::Written);

    std::optional<JournalEntry> back = journal.Entry(*id);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->date, entry.date);
    EXPECT_EQ(back->serial, entry.serial);
    EXPECT_EQ(back->settingTexts, entry.settingTexts);
    EXPECT_EQ(back->outputItems, entry.outputItems);
    EXPECT_EQ(back->valueItems, entry.valueItems);
    EXPECT_EQ(back->rawRecord, entry.rawRecord);
    EXPECT_EQ(back->layout.BlockSep, entry.layout.BlockSep);
    EXPECT_EQ(back->outcome.result, TransferResult::Written);
    EXPECT_EQ(back->outcome.reason, MissReason::None);
    EXPECT_EQ(std::vector<std::string>({back->outcome.workbookName, back->outcome.sheetName, back->outcome.firstCell, back->outcome.lastCell}),
              (std::vector<std::string>{"Book1.ods", "Sheet1", "A1", "E2"}));
    EXPECT_TRUE(notices.empty());
}

TEST_F(JournalFixture, EveryOutcomeKindIsKept) {
    MeasurementJournal journal(sink, JournalPath());
    // Written.
    TransferAndJournal(&journal, SampleEntry("10:00:01"), Lend(sheet), "Caption");
    // Not written: no spreadsheet could be reached.
    TransferAndJournal(&journal, SampleEntry("10:00:02"), [] () -> std::unique_ptr<Automation> { throw AutomationError("no office"); }, "Caption");
    // Partly written: the spreadsheet fails after some cells.
    MemoryAutomation failing = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    TransferAndJournal(&journal, SampleEntry("10:00:03"), Lend(failing), "Caption");
    const int calls = static_cast<int>(failing.calls.size());
    failing = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    failing.failAtCall = calls * 2 / 3;
    TransferAndJournal(&journal, SampleEntry("10:00:04"), Lend(failing), "Caption");
    // Refused: the active cell on the sheet's last row.
    MemoryAutomation small = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    small.Sheet().rowCount = 10;
    small.Sheet().cursorRow = 10;
    TransferAndJournal(&journal, SampleEntry("10:00:05"), Lend(small), "Caption");  // its message is answered by the tests' hook

    std::vector<JournalEntry> all = journal.List();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0].time, "10:00:05") << "newest first";
    EXPECT_EQ(all[0].outcome.result, TransferResult::OutsideSheet);
    EXPECT_EQ(all[1].outcome.result, TransferResult::PartlyWritten);
    EXPECT_FALSE(all[1].outcome.lastCell.empty());
    EXPECT_TRUE(failing.HasCell(all[1].outcome.lastCell));
    EXPECT_EQ(all[2].outcome.result, TransferResult::Written);
    EXPECT_EQ(all[3].outcome.result, TransferResult::NotWritten);
    EXPECT_EQ(all[4].outcome.result, TransferResult::Written);
    EXPECT_EQ(journal.UnwrittenCount(), 3);
    EXPECT_EQ(UnwrittenNoticeText(journal.UnwrittenCount()), "3 measurements not written – Data › Measurements");

    EXPECT_EQ(journal.Delete({all[0].id, all[3].id, 9999}), 2);
    EXPECT_EQ(journal.UnwrittenCount(), 1);
    EXPECT_TRUE(journal.SetOutcome(all[1].id, KeptOutcome(1, "B.ods", "S", "A1", "B2")));
    EXPECT_EQ(journal.UnwrittenCount(), 0);
    EXPECT_EQ(journal.List(1).size(), 1u);
}

TEST_F(JournalFixture, DamagedJournalIsSetAsideAndANewOneWorks) {
    QDir().mkpath(QFileInfo(JournalPath()).absolutePath());
    const QByteArray garbage(8192, 'x');
    {
        QFile f(JournalPath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    MeasurementJournal journal(sink, JournalPath());
    ASSERT_TRUE(journal.IsOpen());
    ASSERT_FALSE(journal.setAsidePath().isEmpty());
    EXPECT_TRUE(journal.setAsidePath().startsWith(JournalPath() + ".corrupt-"));
    QFile kept(journal.setAsidePath());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage) << "never deleted, never changed";
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].textId, 1422);
    EXPECT_TRUE(journal.Record(SampleEntry()).has_value());
    EXPECT_EQ(journal.List().size(), 1u);
}

TEST_F(JournalFixture, UnwritableFolderGivesOneNoticeAndTheTransferGoesOn) {
    const QString folder = dir.path() + "/locked";
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    QString path = folder + "/ombra-dts/journal.sqlite";
    if (QFileInfo(folder).isWritable()) {
        // Permissions do not bind this user (root): a folder that is a file cannot be created either.
        QFile blocker(dir.path() + "/blocker");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        path = dir.path() + "/blocker/ombra-dts/journal.sqlite";
    }
    MeasurementJournal journal(sink, path);
    EXPECT_FALSE(journal.IsOpen());
    for (int press = 0; press < 3; ++press) {
        TransferOutcome t = TransferAndJournal(&journal, SampleEntry(), Lend(sheet), "Caption");
        EXPECT_EQ(t.result, TransferResult::Written);
    }
    EXPECT_EQ(sheet.Cell("C2"), "v1000");
    EXPECT_EQ(sheet.Cell("C6"), "v1000") << "the third measurement was written too";
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].textId, 1421);
    EXPECT_EQ(journal.UnwrittenCount(), 0);
    EXPECT_EQ(journal.HeldCount(), 3);
    EXPECT_EQ(HeldOnDisk(), 3u) << "each press is in the fallback file at once";
    // The folder can be made again: the three move in, once, with the outcome their transfer had.
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::remove(dir.path() + "/blocker");
    std::vector<JournalEntry> all = journal.List();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].outcome.result, TransferResult::Written);
    EXPECT_EQ(all[0].outcome.firstCell, "A5");
    EXPECT_EQ(journal.HeldCount(), 0);
    EXPECT_EQ(HeldOnDisk(), 0u);
    EXPECT_FALSE(QFile::exists(HeldFolder() + "/" + HeldMeasurements::kFileName));
    EXPECT_EQ(journal.List().size(), 3u);
}

// A program killed right after the press keeps the reading: the next start finds it.
TEST_F(JournalFixture, KilledRightAfterRecordingLosesNothing) {
    const std::string path = JournalPath().toStdString();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        MeasurementJournal journal(nullptr, QString::fromStdString(path));
        if (!journal.Record(SampleEntry("23:59:59"))) _exit(3);
        raise(SIGKILL);
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    MeasurementJournal journal(sink, JournalPath());
    std::vector<JournalEntry> all = journal.List();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].time, "23:59:59");
    EXPECT_EQ(all[0].outcome.result, TransferResult::Pending);
    EXPECT_EQ(journal.UnwrittenCount(), 1);
}

TEST_F(JournalFixture, SchemaIsVersionedAndANewerJournalIsKept) {
    {
        MeasurementJournal journal(sink, JournalPath());
        ASSERT_TRUE(journal.Record(SampleEntry()).has_value());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
        db.setDatabaseName(JournalPath());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("SELECT version FROM schema_version") && q.next());
        EXPECT_EQ(q.value(0).toInt(), MeasurementJournal::kSchemaVersion);
        ASSERT_TRUE(q.exec("PRAGMA journal_mode") && q.next());
        EXPECT_EQ(q.value(0).toString(), "wal");
        ASSERT_TRUE(q.exec("UPDATE schema_version SET version = 99"));
        ASSERT_TRUE(q.exec("CREATE TABLE later_things (x INTEGER)"));
        q.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase("peek");
    MeasurementJournal journal(sink, JournalPath());
    EXPECT_EQ(journal.List().size(), 1u) << "a newer journal is used, never dropped";
    EXPECT_TRUE(journal.Record(SampleEntry()).has_value());
    EXPECT_TRUE(notices.empty());
}

TEST_F(JournalFixture, AWithdrawnMeasurementStaysMarkedAndAHeldOneIsNotMarked) {
    std::optional<qint64> first, second;
    {
        MeasurementJournal journal(sink, JournalPath());
        first = journal.Record(SampleEntry("10:00:00"));
        second = journal.Record(SampleEntry("10:00:01"));
        ASSERT_TRUE(first && second);
        EXPECT_TRUE(journal.SetWithdrawn(*second));
        EXPECT_FALSE(journal.SetWithdrawn(-1));
        EXPECT_FALSE(journal.SetWithdrawn(*second + 100));
        EXPECT_TRUE(journal.Entry(*second)->withdrawn);
        EXPECT_FALSE(journal.Entry(*first)->withdrawn);
        EXPECT_EQ(journal.List().size(), 2u) << "the row stays";
    }

    MeasurementJournal reopened(sink, JournalPath());
    EXPECT_TRUE(reopened.Entry(*second)->withdrawn);
    JournalModel model(reopened);
    ASSERT_EQ(model.rowCount(), 2);
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(model.data(model.index(row, 0), JournalModel::WithdrawnRole).toBool(), model.IdAt(row) == *second);
}

TEST_F(JournalFixture, DefaultPathFollowsXdgDataHome) {
    qputenv("XDG_DATA_HOME", dir.path().toUtf8());
    EXPECT_EQ(MeasurementJournal::DefaultPath(), dir.path() + "/ombra-dts/journal.sqlite");
    qputenv("XDG_DATA_HOME", "");
    EXPECT_EQ(MeasurementJournal::DefaultPath(), QDir::homePath() + "/.local/share/ombra-dts/journal.sqlite");
    qunsetenv("XDG_DATA_HOME");
}

TEST(JournalEntryOf, MeasurementSettingsValuesAndRawRecord) {
    AppSettings settings;
    settings.identity.SetModelName("OS-200");
    settings.identity.SetSerialNumberText("12");
    settings.measurement.InForce().MeasurementType = 4;
    settings.measurement.InForce().IlluminantString = "D65";
    settings.layout.InForce().Label = 0;
    settings.layout.InForce().BlockSep = 7;
    OutputValues values;
    values.outputItems = {Item(1037)};
    values.valueItems = {Item(1037)};
    values.spectralCount = 36;
    CMeasuredData data;
    MeasuredDataRecord record;
    record.SetInt(493, 77);
    data.Append(record);
    JournalEntry e = MakeJournalEntry(settings, values, {"2026/01/02", "03:04:05"}, data);
    EXPECT_EQ(e.model, "OS-200");
    EXPECT_EQ(e.serial, "12");
    EXPECT_EQ(e.measurementType, 4);
    EXPECT_EQ(e.settingTexts[4], "D65");
    EXPECT_EQ(e.layout.Label, 0);
    EXPECT_EQ(e.layout.BlockSep, 7);
    EXPECT_EQ(e.spectralCount, 36);
    EXPECT_EQ(e.Selection(), std::vector<int>{1037});
    ASSERT_EQ(e.rawRecord.size(), 1976u);
    EXPECT_EQ(std::memcmp(e.rawRecord.data(), &data.Record(0), 1976), 0);
}

// A resend writes the cells of a direct measurement from the same active cell, also while the
// program's own window is in front.
TEST_F(JournalFixture, ResendWritesTheCellsOfADirectMeasurement) {
    JournalEntry entry = SampleEntry();
    entry.layout.Label = 1;
    entry.layout.BlockSep = 7;
    MemoryAutomation direct = sheet;
    direct.Sheet().cursorColumn = 3;
    direct.Sheet().cursorRow = 4;
    MemoryAutomation again = direct;
    const TransferInput input{entry.outputItems, entry.valueItems, entry.spectralCount, entry.densityCount};
    for (int press = 0; press < 3; ++press) TransferMeasurement(direct, entry.layout, input, "Caption", {});

    again.foregroundTitle = "Measurements";
    WorkbookInFront front(again, "");
    for (int press = 0; press < 3; ++press)
        EXPECT_EQ(TransferEntry(front, entry, "Caption").result, TransferResult::Written);
    EXPECT_EQ(again.Sheet().cells, direct.Sheet().cells);
    EXPECT_EQ(again.ActiveAddress(), direct.ActiveAddress());
}

TEST_F(JournalFixture, ResendFunctionConnectsOnceAndFollowsTheLastWorkbook) {
    MemoryWorkbook second = sheet.workbooks[0];
    second.displayName = "/home/u/Other.ods";
    second.name = "Other.ods";
    sheet.workbooks.push_back(second);
    sheet.foregroundTitle = "Measurements";  // the program's own window is in front
    int connections = 0;
    bool officeUp = false;
    WriteEntryFunction write = ResendFunction([&]() -> std::unique_ptr<Automation> {
        ++connections;
        if (!officeUp) throw AutomationError("no office");
        return std::make_unique<Borrowed>(sheet);
    }, "Other.ods", "Caption");
    EXPECT_EQ(write(SampleEntry()).reason, MissReason::OfficeNotRunning);
    officeUp = true;
    for (int i = 0; i < 2; ++i) {
        TransferOutcome o = write(SampleEntry());
        EXPECT_EQ(o.result, TransferResult::Written);
        EXPECT_EQ(o.workbookName, "Other.ods");
    }
    EXPECT_EQ(connections, 2);
    EXPECT_EQ(sheet.Cell("C2", 1), "v1000");
    EXPECT_TRUE(sheet.Sheet(0).cells.empty());

    MeasurementJournal journal(sink, JournalPath());
    EXPECT_EQ(TransferAndJournal(&journal, SampleEntry(), nullptr, "Caption").reason, MissReason::OfficeNotRunning);
    TransferAndJournal(&journal, SampleEntry(), nullptr, "Caption");
    EXPECT_EQ(journal.UnwrittenCount(), 2);
}

TEST(WorkbookInFrontTitle, PrefersTheTitleThenTheLastWorkbookThenTheOnlyOne) {
    MemoryAutomation a = MemoryAutomation::WithWorkbook("/d/Book1.ods", "Book1.ods");
    a.foregroundTitle = "Book1.ods - LibreOffice Calc";
    EXPECT_EQ(WorkbookInFront(a, "x").ForegroundWindowTitle(), "Book1.ods - LibreOffice Calc");
    a.foregroundTitle = "Measurements";
    EXPECT_EQ(WorkbookInFront(a, "").ForegroundWindowTitle(), "Book1.ods - ");
    MemoryWorkbook other = a.workbooks[0];
    other.displayName = "Untitled 2";
    a.workbooks.push_back(other);
    EXPECT_EQ(WorkbookInFront(a, "").ForegroundWindowTitle(), "Measurements") << "two candidates: no guess";
    EXPECT_EQ(WorkbookInFront(a, "Untitled 2").ForegroundWindowTitle(), "Untitled 2 - ");
}

TEST(JournalText, CsvQuotingAndTsvFields) {
    EXPECT_EQ(CsvLine({"a", "1.5", "x,y", "say \"hi\"", "two\nlines", ""}),
              "a,1.5,\"x,y\",\"say \"\"hi\"\"\",\"two\nlines\",\r\n");
    EXPECT_EQ(TsvLine({"a\tb", "c\nd", "1.25"}), "a b\tc d\t1.25\n");
    JournalEntry one = SampleEntry("01:00:00"), two = SampleEntry("02:00:00"), other = SampleEntry("03:00:00");
    other.valueItems.push_back(Item(1037));
    auto table = JournalTable({one, two, other});
    ASSERT_EQ(table.size(), 5u) << "a new header where the items change";
    EXPECT_EQ(table[0], (std::vector<std::string>{platform::ResString(1425), platform::ResString(1426), platform::ResString(1427),
                                                  platform::ResString(1448), "L1000", "L1001", "L1002"}));
    EXPECT_EQ(table[1], (std::vector<std::string>{"2026/12/08", "01:00:00", "OS-100", "4711", "v1000", "v1001", "v1002"}));
    EXPECT_EQ(table[3].back(), "L1037");
}

TEST(JournalText, FormulasAreNeutralisedNumbersAndMissingValuesAreNot) {
    const std::vector<std::string> row = {"=HYPERLINK(\"http://x\";A1)", "+cmd|' /C calc'!A0", "@SUM(1)", "-2+3",
                                          "-3.45", "+1.5e-3", "---", "12.00", "L*"};
    EXPECT_EQ(CsvLine(row), "\"'=HYPERLINK(\"\"http://x\"\";A1)\",'+cmd|' /C calc'!A0,'@SUM(1),'-2+3,-3.45,+1.5e-3,---,12.00,L*\r\n");
    EXPECT_EQ(TsvLine(row), "'=HYPERLINK(\"http://x\";A1)\t'+cmd|' /C calc'!A0\t'@SUM(1)\t'-2+3\t-3.45\t+1.5e-3\t---\t12.00\tL*\n");
    EXPECT_EQ(CsvLine({"=1,2"}), "\"'=1,2\"\r\n") << "neutralised before quoting";
}

TEST_F(JournalFixture, FolderAndFilesAreTheUsersAlone) {
    const mode_t previous = ::umask(022);
    {
        MeasurementJournal journal(sink, JournalPath());
        ASSERT_TRUE(journal.IsOpen());
        TransferAndJournal(&journal, SampleEntry(), Lend(sheet), "Caption", nullptr);
    }
    ::umask(previous);
    EXPECT_EQ(QFileInfo(dir.path() + "/ombra-dts").permissions() & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
              QFileDevice::ExeOwner | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    for (const QString &name : QDir(dir.path() + "/ombra-dts").entryList(QDir::Files))
        EXPECT_EQ(QFileInfo(dir.path() + "/ombra-dts/" + name).permissions() & 0x7777,
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser) << name.toStdString();
}

// A disk that takes no more bytes: the process's file size limit stops the journal's log from
// growing (the short fallback file still fits), and the writes fail as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { Lift(); }
    void Lift() {
        if (lifted_) return;
        lifted_ = true;
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_ {};
    void (*previousHandler_)(int) = nullptr;
    bool lifted_ = false;
};

AutomationConnector NoOffice() {
    return [] { return std::unique_ptr<Automation>(); };
}

TEST_F(JournalFixture, FullDiskWithoutOfficeLosesNoPressAndMovesThemInOnce) {
    MeasurementJournal journal(sink, JournalPath());
    ASSERT_TRUE(journal.IsOpen());
    journal.Record(SampleEntry("09:00:00"));
    const QString log = JournalPath() + "-wal";
    const qint64 full = std::max(QFileInfo(log).size(), QFileInfo(JournalPath()).size());
    ASSERT_GT(full, 8192) << "the fallback file of the presses below must fit under the limit";
    FileSizeLimit limit(static_cast<rlim_t>(full));
    constexpr int kPresses = 8;
    for (int press = 0; press < kPresses; ++press) {
        std::optional<qint64> id;
        const TransferOutcome t =
            TransferAndJournal(&journal, SampleEntry("09:00:0" + std::to_string(press + 1)), NoOffice(), "Caption", {}, &id);
        EXPECT_TRUE(t.foundNoWorkbook());
        ASSERT_TRUE(id.has_value()) << "press " << press;
        EXPECT_LT(*id, 0) << "held, not in the journal";
    }
    EXPECT_EQ(journal.HeldCount(), kPresses);
    EXPECT_EQ(HeldOnDisk(), static_cast<size_t>(kPresses));
    EXPECT_EQ(journal.UnwrittenCount(), kPresses + 1);
    EXPECT_TRUE(journal.AcceptsMeasurements());
    ASSERT_EQ(notices.size(), 1u) << "one fault, one notice";
    EXPECT_EQ(notices[0].textId, 1421);

    limit.Lift();
    EXPECT_EQ(journal.MoveHeldIn(), 0);
    std::vector<JournalEntry> all = journal.List();
    ASSERT_EQ(all.size(), static_cast<size_t>(kPresses + 1));
    for (int i = 0; i <= kPresses; ++i) EXPECT_EQ(all[kPresses - i].time, "09:00:0" + std::to_string(i)) << "in press order";
    EXPECT_EQ(all[0].outcome.result, TransferResult::NotWritten);
    EXPECT_EQ(HeldOnDisk(), 0u);
    EXPECT_EQ(journal.List().size(), all.size()) << "moved in exactly once";
}

// What an earlier run held but could not clear after moving it in is not moved in twice.
TEST_F(JournalFixture, HeldFileLeftByAnEarlierRunMovesInOnce) {
    HeldMeasurements held({HeldFolder()});
    held.Add(SampleEntry("08:00:01"));
    held.Add(SampleEntry("08:00:02"));
    const QByteArray leftOver = [&] {
        QFile f(held.filePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    {
        MeasurementJournal journal(sink, JournalPath());
        EXPECT_EQ(journal.HeldCount(), 0);
        EXPECT_EQ(journal.List().size(), 2u);
    }
    QFile f(HeldFolder() + "/" + HeldMeasurements::kFileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(leftOver);
    f.close();
    MeasurementJournal journal(sink, JournalPath());
    std::vector<JournalEntry> all = journal.List();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].time, "08:00:01");
    EXPECT_EQ(all[1].rawRecord, SampleEntry().rawRecord);
    EXPECT_EQ(all[1].valueItems, SampleEntry("08:00:01").valueItems);
    EXPECT_TRUE(notices.empty());
}

// The rows in the file at the journal's path, read by a connection of their own.
int RowsAtPath(const QString &path) {
    int rows = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "rows-at-path");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("SELECT COUNT(*) FROM measurements") && q.next()) rows = q.value(0).toInt();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("rows-at-path");
    return rows;
}

TEST_F(JournalFixture, RemovedOrTruncatedJournalFileIsReopenedBeforeTheNextRecord) {
    MeasurementJournal journal(sink, JournalPath());
    ASSERT_TRUE(journal.Record(SampleEntry("07:00:00")).value_or(-1) > 0);
    for (const char *suffix : {"", "-wal", "-shm"}) QFile::remove(JournalPath() + suffix);
    for (int press = 1; press <= 2; ++press) EXPECT_GT(journal.Record(SampleEntry("07:00:0" + std::to_string(press))).value_or(-1), 0);
    EXPECT_EQ(RowsAtPath(JournalPath()), 2) << "written to the file at the path, not the removed one";
    EXPECT_EQ(journal.List().size(), 2u);

    ASSERT_TRUE(QFile::resize(JournalPath(), 0));
    EXPECT_TRUE(journal.Record(SampleEntry("07:00:03")).has_value());
    EXPECT_EQ(journal.HeldCount(), 0);
    const std::vector<JournalEntry> all = journal.List();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all[0].time, "07:00:03");
    EXPECT_EQ(RowsAtPath(JournalPath()), static_cast<int>(all.size()));
}

// Neither the journal nor the fallback folder can be written: the press is kept in memory, further
// presses are refused, and the kept one reaches the journal once it can be written.
TEST_F(JournalFixture, WithNothingWritableFurtherPressesAreRefusedAndNoneIsLost) {
    QFile blocker(dir.path() + "/blocker");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString path = dir.path() + "/blocker/ombra-dts/journal.sqlite";
    MeasurementJournal journal(sink, path, {dir.path() + "/blocker/state"});
    EXPECT_TRUE(journal.AcceptsMeasurements());
    TransferAndJournal(&journal, SampleEntry("06:00:01"), NoOffice(), "Caption");
    EXPECT_EQ(journal.HeldCount(), 1);
    EXPECT_FALSE(journal.AcceptsMeasurements());
    EXPECT_EQ(notices.size(), 1u);
    ASSERT_TRUE(QFile::remove(dir.path() + "/blocker"));
    EXPECT_TRUE(journal.AcceptsMeasurements());
    const std::vector<JournalEntry> all = journal.List();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].time, "06:00:01");
    EXPECT_EQ(all[0].outcome.result, TransferResult::NotWritten);
}

}  // namespace
}  // namespace ombra::core
