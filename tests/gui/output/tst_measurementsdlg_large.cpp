// The Measurements window over a journal of 50,000 measurements: copying, exporting, writing
// again and deleting all of them never keep the event loop from turning for long. Measured as
// the longest gap between two turns while the command runs: the processor time the
// user-interface thread spent in it (the command's own work, whatever else the machine does) must
// stay within 100 ms; the time on the clock within 2 s (no wait for a whole file or a whole
// journal transaction of them all: a single flush to a busy disk may take a few hundred ms).
// Opening the window is not measured.
#include <time.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "output/JournalTransfer.h"
#include "output/MeasurementsDlg.h"
#include "platform/FileDialog.h"
#include "support/TestSupport.h"

using namespace ombra;
using namespace ombra::ui;

namespace {

constexpr int kEntries = 50000;
constexpr double kCpuBoundMs = 100;
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
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1000, "L*", 0, "95.5"},
                    OutputItem{1001, "a*", 0, "-0.25"}, OutputItem{1002, "b*", 0, "1.00"}};
    return e;
}

// Copies the journal's one measurement until it holds `count`, in one transaction.
bool FillJournal(const QString &path, int count) {
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "fill");
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            QStringList columns;
            q.exec("PRAGMA table_info(measurements)");
            while (q.next())
                if (q.value(1).toString() != "id") columns << q.value(1).toString();
            const QString list = columns.join(", ");
            ok = !columns.isEmpty() && db.transaction() &&
                 q.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                "INSERT INTO measurements (%2) SELECT %2 FROM measurements, n")
                            .arg(count - 1)
                            .arg(list)) &&
                 db.commit();
            if (!ok) qWarning() << q.lastError().text();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("fill");
    return ok;
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

    void SelectAll() {
        dlg->Table()->selectAll();
        QCOMPARE(dlg->Table()->selectionModel()->selectedRows().size(), dlg->Table()->rowCount());
    }

private slots:
    void initTestCase() {
        const QString path = dir.path() + "/journal.sqlite";
        journal = std::make_unique<MeasurementJournal>(nullptr, path);
        QVERIFY(journal->IsOpen());
        QVERIFY(journal->Record(Entry()));
        QVERIFY(FillJournal(path, kEntries));
        dlg = std::make_unique<MeasurementsDlg>(*journal, [this](const JournalEntry &e) { return write(e); });
        QCOMPARE(dlg->Table()->rowCount(), kEntries);
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
        const QString path = dir.path() + "/all.csv";
        auto previous = ui::platform::SetFileDialogHook(
            [&](const ui::platform::FileDialogRequest &) -> std::optional<std::string> { return path.toStdString(); });
        stall.Start();
        const bool exported = dlg->ExportSelected();
        const QString measured = stall.Stop();
        ui::platform::SetFileDialogHook(previous);
        QVERIFY(exported);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray csv = f.readAll();
        QCOMPARE(csv.count('\n'), kEntries + 1);
        QVERIFY(csv.endsWith("2026/12/08,10:00:00,OS-100,4711,95.5,-0.25,1.00\r\n"));
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("export: %s", qPrintable(measured));
    }

    // Writing every measurement again, cancelled after the oldest 500 (each costs a journal update).
    void writesAgainUntilCancelled() {
        SelectAll();
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
        QCOMPARE(journal->UnwrittenCount(), kEntries - 500);
        // The oldest went first, and the window shows them written.
        QCOMPARE(dlg->EntryAt(kEntries - 1).outcome.result, TransferResult::Written);
        QCOMPARE(dlg->EntryAt(kEntries - 500).outcome.result, TransferResult::Written);
        QCOMPARE(dlg->EntryAt(kEntries - 501).outcome.result, TransferResult::Pending);
        QVERIFY(!dlg->Table()->item(kEntries - 1, 0)->font().bold());
        QVERIFY(dlg->Table()->item(kEntries - 501, 0)->font().bold());
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("write again: %s", qPrintable(measured));
    }

    // Every other one of 2,000 rows: 1,000 separate runs of the table to take out.
    void deletesAScatteredSelection() {
        std::vector<qint64> ids;
        for (int row = 0; row < 2000; row += 2) ids.push_back(dlg->EntryAt(row).id);
        const qint64 kept = dlg->EntryAt(1).id;
        dlg->SelectIds(ids);
        ui::test::MessageBoxRecorder yes(ui::platform::mb::IDYES);
        stall.Start();
        const int removed = dlg->DeleteSelected();
        const QString measured = stall.Stop();
        QCOMPARE(removed, 1000);
        QCOMPARE(dlg->Table()->rowCount(), kEntries - 1000);
        QCOMPARE(dlg->EntryAt(0).id, kept);
        QCOMPARE(journal->List(1).at(0).id, kept);
        QVERIFY2(stall.Within(), qPrintable(measured));
        qInfo("delete 1,000 scattered: %s", qPrintable(measured));
    }

    void deletesAll() {
        SelectAll();
        ui::test::MessageBoxRecorder yes(ui::platform::mb::IDYES);
        stall.Start();
        const int removed = dlg->DeleteSelected();
        const QString measured = stall.Stop();
        QCOMPARE(removed, kEntries - 1000);
        QCOMPARE(dlg->Table()->rowCount(), 0);
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
