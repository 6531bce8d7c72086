// bench_journalserver: how fast the shared journal's sender forwards measurements to a
// PostgreSQL server on this machine (its Unix socket), beside the floor: as many plain INSERTs
// of a measurement's bulk (identity, texts, items as JSON, the raw record) through the same
// driver, as many to a transaction. The sender does more for each: it reads the outbox, works out
// the typed values, upserts 34 columns and confirms in the local journal. Each run
// takes a new database of the test run's server (OMBRA_TEST_PG_SOCKET, OMBRA_TEST_PG_PORT; see
// tests/support/pg-cluster.sh) and drops it again. Prints numbers; asserts nothing.
//
// usage: bench_journalserver [ROWS]   (2000 unless told otherwise)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/journalserver/JournalSender.h"
#include "core/journalserver/ServerJournal.h"
#include "core/output/MeasurementJournal.h"
#include "support/PgTestServer.h"

namespace {

using namespace ombra::core;
using ombra::core::test::PgTestDatabase;

JournalEntry Measurement(int n) {
    JournalEntry e;
    e.date = "2026/12/09";
    e.time = std::to_string(n);
    e.model = "OS-100";
    e.serial = "4711";
    e.settingTexts = {"Reflection", "M0", "Absolute", "2 deg", "D50", "Off"};
    for (int i = 0; i < 12; ++i) e.valueItems.push_back(OutputItem{1000 + i, "L*", 50.0 + n % 10, "50.00"});
    e.outputItems = e.valueItems;
    e.rawRecord.assign(1200, 'x');
    return e;
}

// Rows per second the sender forwards: every measurement recorded first, then one sender
// started that empties the outbox.
double SenderRate(const PgTestDatabase &db, int rows, size_t batch) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/journal.sqlite";
    {
        MeasurementJournal journal(nullptr, path, QStringList{});
        std::vector<JournalEntry> entries;
        for (int n = 0; n < rows; ++n) entries.push_back(Measurement(n));
        journal.Import(entries);
    }
    SenderTimings timings;
    timings.batchRows = batch;
    timings.pollMs = 5;
    JournalSender sender(path, db.Address(), ThisStation("bench"), timings);
    QElapsedTimer clock;
    clock.start();
    sender.Start();
    while (sender.Sent() < rows && clock.elapsed() < 600000) QThread::msleep(1);
    const double seconds = clock.nsecsElapsed() / 1e9;
    sender.Stop();
    return rows / seconds;
}

// The floor: plain INSERTs, prepared once, `batch` to a transaction.
double InsertRate(const PgTestDatabase &db, int rows, int batch) {
    ServerConnection c(db.Address());
    if (!c.Open() || !c.Exec("CREATE TABLE floor (id uuid PRIMARY KEY, n bigint, a text, b text, c text, d text,"
                             " items jsonb, raw bytea)"))
        return 0;
    QSqlQuery q(c.Database());
    c.Prepare(q, "INSERT INTO floor VALUES (CAST(? AS uuid), ?, ?, ?, ?, ?, CAST(? AS jsonb), ?)");
    const QString items = QString("[%1]").arg(QString(R"({"id":1000,"label":"L*","text":"50.00","value":50},)").repeated(11) +
                                              R"({"id":1000,"label":"L*","text":"50.00","value":50})");
    const QByteArray raw(1200, 'x');
    QElapsedTimer clock;
    clock.start();
    for (int n = 0; n < rows; ++n) {
        if (n % batch == 0) c.Begin();
        for (const QVariant &v : {QVariant(QString::fromStdString(NewMeasurementUid())), QVariant(n), QVariant("2026/12/09"),
                                  QVariant("10:00:00"), QVariant("OS-100"), QVariant("4711"), QVariant(items), QVariant(raw)})
            q.addBindValue(v);
        c.Exec(q);
        if (n % batch == batch - 1 || n == rows - 1) c.Commit();
    }
    return rows / (clock.nsecsElapsed() / 1e9);
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    PgTestDatabase db;
    if (!db.Ready()) {
        std::printf("bench_journalserver: no server (%s); start one with tests/support/pg-cluster.sh\n", db.Problem().c_str());
        return 0;
    }
    std::printf("shared journal, %d measurements to a PostgreSQL server on this machine (Unix socket)\n", rows);
    std::printf("  sender, 200 per transaction:        %8.0f measurements/s\n", SenderRate(db, rows, 200));
    std::printf("  floor, plain INSERTs, 200 per tx:   %8.0f rows/s\n", InsertRate(db, rows, 200));
    return 0;
}
