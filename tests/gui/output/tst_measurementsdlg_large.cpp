// The Measurements window over a journal of 100,000 measurements: searching, filtering by outcome
// and recorded day and sorting are the database's (the rows counted and shown match the
// measurements); copying, exporting, writing again and deleting all of them never keep the event
// loop from turning for long. Measured as the longest gap between two turns while the command
// runs: the processor time the user-interface thread spent in it (the command's own work,
// whatever else the machine does) must stay within 200 ms (the ids of the selection are read in
// one step, about a microsecond per selected row on this sanitised build, and a copy hands its
// whole text to the clipboard in one); the time on the clock within 2 s (no
// wait for a whole file or a whole journal transaction of them all: a single flush to a busy disk
// may take a few hundred ms). Opening the window is not measured (bench_journal times it).
#include <time.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "core/output/JournalTransfer.h"
#include "core/platform/Resources.h"
#include "support/JournalFill.h"
#include "support/TestSupport.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;

namespace {

constexpr int kEntries = 100000;
constexpr double kCpuBoundMs = 200;
constexpr qint64 kWallBoundMs = 2000;

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The longest gap between two turns of the event loop from Start() to Stop().
class StallMeter {
public:
    StallMeter() {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }
    void Start() {
        wall_.start();
        cpu_ = ThreadCpuMs();
        longestWall_ = 0;
        longestCpu_ = 0;
        timer_.start(5);
    }
    QString Stop() {
        Tick();
        timer_.stop();
        return QString("longest gap %1 ms on the clock, %2 ms of processor time").arg(longestWall_).arg(longestCpu_, 0, 'f', 1);
    }
    bool Within() const { return longestCpu_ <= kCpuBoundMs && longestWall_ <= kWallBoundMs; }

private:
    void Tick() {
        const double cpu = ThreadCpuMs();
        longestCpu_ = std::max(longestCpu_, cpu - cpu_);
        cpu_ = cpu;
        longestWall_ = std::max(longestWall_, wall_.restart());
    }
    QTimer timer_;
    QElapsedTimer wall_;
    double cpu_ = 0, longestCpu_ = 0;
    qint64 longestWall_ = 0;
};

JournalEntry Entry() {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = "10:00:00";
    e.model = "OS-100";
    e.serial = "4711";
    e.outputItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{2000, "Lab", 0, ""}};
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1000, "L*", 0, "#.5"},
                    OutputItem{1001, "a*", 0, "-0.25"}, OutputItem{1002, "b*", 0, "1.00"}};
    return e;
}

// The copies FillJournal numbers n that a test of n says yes to.
int CountCopies(const std::function<bool(int)> &test) {
    int count = 0;
    for (int n = 0; n < kEntries; ++n) count += test(n);
    return count;
}

TransferOutcome Written() {
    TransferOutcome o;
    o.result = TransferResult::Written;
    o.workbookName = "Book1.ods";
    o.sheetName = "Sheet1";
    o.firstCell = "A1";
    o.lastCell = "D2";
    o.cellsWritten = 8;
    return o;
}

}  // namespace

class LargeJournalTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    std::unique_ptr<MeasurementJournal> journal;
    std::unique_ptr<MeasurementsDlg> dlg;
    std::function<TransferOutcome(const JournalEntry &)> write;
    StallMeter stall;

    JournalModel &Model() { return *dlg->Model(); }
    void SelectAll() {
        dlg->Table()->selectAll();
        QCOMPARE(static_cast<int>(dlg->SelectedIds().size()), Model().rowCount());
    }
    // The export of the selection read back: its lines.
    QByteArray Export(const QString &name) {
        const QString path = dir.path() + "/" + name;
        auto previous = ui::platform::SetFileDialogHook(
            [&](const ui::platform::FileDialogRequest &) -> std::optional<std::string> { return path.toStdString(); });
        const bool exported = dlg->ExportSelected();
        ui::platform::SetFileDialogHook(previous);
        QFile f(path);
        if (!exported || !f.open(QIODevice::ReadOnly)) return {};
        return f.readAll();
    }

private slots:
    void initTestCase() {
        const QString path = dir.path() + "/journal.sqlite";
        journal = std::make_unique<MeasurementJournal>(nullptr, path);
        QVERIFY(journal->IsOpen());
        QVERIFY(journal->Record(Entry()));
        QString error;
        QVERIFY2(ombra::core::test::FillJournal(path, kEntries, &error), qPrintable(error));
        dlg = std::make_unique<MeasurementsDlg>(*journal, [this](const JournalEntry &e) { return write(e); });
        QCOMPARE(Model().rowCount(), kEntries);
        QCOMPARE(Model().data(Model().index(0, MeasurementsDlg::ValuesColumn)).toString(),
                 QString("L* %1.5   a* -0.25   b* 1.00").arg(kEntries - 1));
    }

    // Typed into the search field: the measurements whose texts hold it, after a short pause.
    void searchesAsTyped() {
        dlg->findChild<QLineEdit *>("search")->setText("9999");
        const int expected = CountCopies([](int n) { return QString::number(n).contains("9999"); });
        QTRY_COMPARE_WITH_TIMEOUT(Model().rowCount(), expected, 10000);
        for (int row = 0; row < expected; ++row)
            QVERIFY(Model().data(Model().index(row, MeasurementsDlg::ValuesColumn)).toString().contains("9999"));
        dlg->findChild<QLineEdit *>("search")->clear();
        dlg->ApplyFilter();
        QCOMPARE(Model().rowCount(), kEntries);
    }

    // Not written, on one local day, sorted by instrument: every row counted and in order.
    void filtersByOutcomeAndDayAndSorts() {
        auto *outcome = dlg->findChild<QComboBox *>("outcomeFilter");
        outcome->setCurrentIndex(outcome->findText(core::platform::ResQString(1431)));
        QCOMPARE(Model().rowCount(), CountCopies([](int n) { return n % 10 == 0; }));
        const QDate day(2026, 1, 5);
        dlg->findChild<QDateEdit *>("fromDate")->setDate(day);
        dlg->findChild<QDateEdit *>("toDate")->setDate(day);
        dlg->findChild<QCheckBox *>("fromCheck")->setChecked(true);
        dlg->findChild<QCheckBox *>("toCheck")->setChecked(true);
        const QDateTime from(day, QTime(0, 0)), to(day.addDays(1), QTime(0, 0));
        const auto onTheDay = [&](int n) {
            const QDateTime at = QDateTime::fromString(ombra::core::test::FilledRecordedUtc(n), Qt::ISODateWithMs);
            return n % 10 == 0 && at >= from && at < to;
        };
        const int expected = CountCopies(onTheDay);
        QCOMPARE(Model().rowCount(), expected);
        dlg->Table()->sortByColumn(MeasurementsDlg::InstrumentColumn, Qt::AscendingOrder);
        QStringList instruments;
        for (int row = 0; row < expected; ++row)
            instruments << Model().data(Model().index(row, MeasurementsDlg::InstrumentColumn)).toString();
        QStringList sorted = instruments;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(instruments, sorted);
        QVERIFY(instruments.contains("OS-200 4711") && instruments.contains("OS-100 4711"));
        // The values keep the order there is; the header says so.
        dlg->Table()->sortByColumn(MeasurementsDlg::ValuesColumn, Qt::DescendingOrder);
        QCOMPARE(Model().SortColumn(), static_cast<int>(MeasurementsDlg::InstrumentColumn));
        QCOMPARE(dlg->Table()->horizontalHeader()->sortIndicatorSection(), static_cast<int>(MeasurementsDlg::InstrumentColumn));
        SelectAll();
        const QByteArray csv = Export("day.csv");
        QCOMPARE(csv.count('\n'), expected + 1);

        dlg->findChild<QCheckBox *>("fromCheck")->setChecked(false);
        dlg->findChild<QCheckBox *>("toCheck")->setChecked(false);
        outcome->setCurrentIndex(0);
        dlg->Table()->sortByColumn(MeasurementsDlg::DateColumn, Qt::DescendingOrder);
        QCOMPARE(Model().rowCount(), kEntries);
    }

    void copiesAll() {
        SelectAll();
        stall.Start();
        const QString copied = dlg->CopySelected();
        const QString measured = stall.Stop();
        QCOMPARE(copied.count('\n'), kEntries + 1);  // the header, then one line each
        QCOMPARE(QApplication::clipboard()->text().size(), copied.size());
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("copy: %s", qPrintable(measured));
    }

    void exportsAll() {
        SelectAll();
        stall.Start();
        const QByteArray csv = Export("all.csv");
        const QString measured = stall.Stop();
        QCOMPARE(csv.count('\n'), kEntries + 1);
        // Oldest first: the last line is the newest copy.
        QVERIFY(csv.endsWith(QString("2026/12/08,10:00:00,OS-100,4711,%1.5,-0.25,1.00\r\n").arg(kEntries - 1).toLatin1()));
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("export: %s", qPrintable(measured));
    }

    // Writing every measurement again, cancelled after the oldest 500 (each costs a journal update).
    void writesAgainUntilCancelled() {
        SelectAll();
        const int unwritten = journal->UnwrittenCount();
        int calls = 0;
        write = [&](const JournalEntry &) {
            if (++calls == 500)
                if (auto *progress = dlg->findChild<QProgressDialog *>("progress")) progress->cancel();
            return Written();
        };
        stall.Start();
        const int written = dlg->WriteSelected();
        const QString measured = stall.Stop();
        QCOMPARE(written, 500);
        QCOMPARE(journal->UnwrittenCount(), unwritten - 50);
        // The oldest went first, and the window shows them written.
        QCOMPARE(dlg->EntryAt(kEntries - 1).outcome.result, TransferResult::Written);
        QCOMPARE(dlg->EntryAt(kEntries - 500).outcome.result, TransferResult::Written);
        QCOMPARE(dlg->EntryAt(kEntries - 501).outcome.result, TransferResult::NotWritten);
        const auto unwrittenAt = [&](int row) { return Model().data(Model().index(row, 0), JournalModel::UnwrittenRole).toBool(); };
        QVERIFY(!unwrittenAt(kEntries - 1));
        QVERIFY(unwrittenAt(kEntries - 501));
        QCOMPARE(static_cast<int>(dlg->SelectedIds().size()), kEntries);  // still selected
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("write again: %s", qPrintable(measured));
    }

    // Every other one of 2,000 rows: 1,000 separate runs of the table to take out.
    void deletesAScatteredSelection() {
        std::vector<qint64> ids;
        for (int row = 0; row < 2000; row += 2) ids.push_back(Model().IdAt(row));
        const qint64 kept = Model().IdAt(1);
        dlg->SelectIds(ids);
        QCOMPARE(dlg->SelectedIds().size(), size_t(1000));
        ui::test::MessageBoxRecorder yes(core::platform::mb::IDYES);
        stall.Start();
        const int removed = dlg->DeleteSelected();
        const QString measured = stall.Stop();
        QCOMPARE(removed, 1000);
        QCOMPARE(Model().rowCount(), kEntries - 1000);
        QCOMPARE(Model().IdAt(0), kept);
        QCOMPARE(journal->List(1).at(0).id, kept);
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("delete 1,000 scattered: %s", qPrintable(measured));
    }

    void deletesAll() {
        SelectAll();
        ui::test::MessageBoxRecorder yes(core::platform::mb::IDYES);
        stall.Start();
        const int removed = dlg->DeleteSelected();
        const QString measured = stall.Stop();
        QCOMPARE(removed, kEntries - 1000);
        QCOMPARE(Model().rowCount(), 0);
        QVERIFY(journal->List().empty());
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("delete all: %s", qPrintable(measured));
    }

    void cleanupTestCase() {
        dlg.reset();
        journal.reset();
    }
};

OMBRA_QTEST_MAIN(LargeJournalTest)
#include "tst_measurementsdlg_large.moc"
