// bench_journal: the Measurements window over a large journal (1,000,000 measurements unless
// told otherwise). Fills a journal fast (one transaction, one prepared statement), then times
// what the user meets: the program's start with that journal, the window opening, a scroll to
// the end, a search, a filter, and the CSV export of every row with its progress; and the
// program's memory. Beside each figure its floor: the same statements through the sqlite3
// library alone. Prints numbers and the goals; asserts nothing.
//
// usage: bench_journal [ROWS]   (offscreen; the journal goes to a temporary folder)
#include <malloc.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "core/output/JournalModel.h"
#include "core/platform/ProfileStore.h"
#include "core/platform/Resources.h"
#include "support/MemoryProfileStore.h"
#include "ui/output/MeasurementsDlg.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

namespace {

using namespace ombra;
using namespace ombra::ui;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

double Ms(const std::function<void()> &work) {
    const auto t = Clock::now();
    work();
    return MsSince(t);
}

std::string Machine() {
    std::ifstream in("/proc/cpuinfo");
    std::string line, model = "unknown processor";
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    return model + ", " + std::to_string(sysconf(_SC_NPROCESSORS_ONLN)) + " cores";
}

// Resident memory now and at its peak, in MB.
std::pair<double, double> Rss() {
    std::ifstream in("/proc/self/status");
    std::string line;
    double now = 0, peak = 0;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) now = std::stod(line.substr(6)) / 1024;
        if (line.rfind("VmHWM:", 0) == 0) peak = std::stod(line.substr(6)) / 1024;
    }
    return {now, peak};
}

// Starts the peak over again from what is resident now: the journal's filling is the bench's
// own work, not the program's (Linux: "5" to clear_refs resets the high-water mark).
bool ResetPeakRss() {
    malloc_trim(0);  // what the filling freed goes back to the system, as a fresh start would have it
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

void Row(const char *what, double ms, double floorMs, const char *goal) {
    std::printf("%-44s %10.1f ms   floor %9.1f ms   goal %s\n", what, ms, floorMs, goal);
}

// A measurement of the default selection as the journal keeps it: the time stamp, L*a*b* and
// a few more values, and the instrument's whole record.
JournalEntry Typical() {
    JournalEntry e;
    e.date = "2026/12/08";
    e.time = "10:00:00";
    e.model = "OS-100";
    e.serial = "4711";
    e.settingTexts = {"Reflection", "M1", "Paper", "2°", "D50", "Off"};
    e.outputItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1036, "Time", 0, e.time},
                     OutputItem{2000, "Lab", 0, ""}, OutputItem{2001, "LCh", 0, ""}};
    e.valueItems = {OutputItem{1035, "Date", 0, e.date}, OutputItem{1036, "Time", 0, e.time},
                    OutputItem{1000, "L*", 95.12, "95.12"}, OutputItem{1001, "a*", -0.41, "-0.41"},
                    OutputItem{1002, "b*", 2.3, "2.30"},     OutputItem{1003, "C*", 2.34, "2.34"},
                    OutputItem{1004, "h", 100.1, "100.10"},  OutputItem{1010, "D Vis", 0.05, "0.05"}};
    e.rawRecord.assign(1976, '\x11');
    return e;
}

class Db {
public:
    explicit Db(const std::string &path) { sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr); }
    ~Db() { sqlite3_close(db_); }
    void Exec(const char *sql) {
        char *error = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", sql, error ? error : "");
            sqlite3_free(error);
        }
    }
    // Steps through the rows, handing each to `row`; the number of rows.
    long Each(const std::string &sql, const std::function<void(sqlite3_stmt *)> &row = {}) {
        sqlite3_stmt *st = nullptr;
        long n = 0;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db_));
            return -1;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            if (row) row(st);
            ++n;
        }
        sqlite3_finalize(st);
        return n;
    }
    sqlite3 *get() { return db_; }

private:
    sqlite3 *db_ = nullptr;
};

// Copies the journal's one measurement until it holds `rows`: recorded 20 s apart, every 50th
// not written, every 7th from a second instrument, each with its own L* text.
void Fill(const std::string &path, int rows) {
    Db db(path);
    db.Exec("BEGIN");
    std::string columns;
    db.Each("SELECT name FROM pragma_table_info('measurements') WHERE name NOT IN"
            " ('id', 'recorded_utc', 'time_text', 'model', 'outcome', 'value_items', 'uid')",
            [&](sqlite3_stmt *st) { columns += std::string(", ") + reinterpret_cast<const char *>(sqlite3_column_text(st, 0)); });
    const std::string insert = "INSERT INTO measurements (recorded_utc, time_text, model, outcome, value_items, uid" + columns +
                               ") SELECT ?, ?, ?, ?, replace(value_items, '95.12', ?), lower(hex(randomblob(16)))" + columns +
                               " FROM measurements WHERE id = 1";
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db.get(), insert.c_str(), -1, &st, nullptr);
    const long long start = 1767225600;  // 2026-01-01 00:00 UTC
    char recorded[40], time[16], value[16];
    for (int n = 1; n < rows; ++n) {
        const long long t = start + 20LL * n;
        const time_t tt = static_cast<time_t>(t);
        tm utc{};
        gmtime_r(&tt, &utc);
        std::strftime(recorded, sizeof recorded, "%Y-%m-%dT%H:%M:%S.000Z", &utc);
        std::strftime(time, sizeof time, "%H:%M:%S", &utc);
        std::snprintf(value, sizeof value, "%d.%02d", 90 + n % 10, n % 100);
        sqlite3_bind_text(st, 1, recorded, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, time, -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, n % 7 == 0 ? "OS-200" : "OS-100", -1, SQLITE_STATIC);
        sqlite3_bind_int(st, 4, n % 50 == 0 ? 2 : 1);
        sqlite3_bind_text(st, 5, value, -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    db.Exec("UPDATE measurements SET recorded_utc = '2025-12-31T23:59:59.000Z', outcome = 1 WHERE id = 1");
    db.Exec("COMMIT");
}

// The statements the window makes for one page: the ids in the order's index, then their rows.
double PageFloor(Db &db, const std::string &where, const char *order, int offset) {
    return Ms([&] {
        std::string ids;
        db.Each("SELECT id FROM measurements INDEXED BY measurements_by_time" + where + " ORDER BY recorded_utc " +
                    order + ", id " + order + " LIMIT 100 OFFSET " + std::to_string(offset),
                [&](sqlite3_stmt *st) { ids += (ids.empty() ? "" : ",") + std::to_string(sqlite3_column_int64(st, 0)); });
        db.Each("SELECT id, date_text, time_text, model, serial, outcome, workbook, sheet, first_cell, last_cell,"
                " value_items FROM measurements WHERE id IN (" + ids + ")",
                [](sqlite3_stmt *st) { sqlite3_column_text(st, 10); });
    });
}

// Turns the event loop until the view has painted what it shows.
void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int rows = argc > 1 ? std::max(2, std::atoi(argv[1])) : 1000000;
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    core::platform::InstallProfileStore(std::make_unique<ombra::core::platform::MemoryProfileStore>());
    core::platform::LoadResourceLibrary(OMBRA_BIN_DIR "/libCorvexRes.so");
    QTemporaryDir dir;
    qputenv("XDG_STATE_HOME", (dir.path() + "/state").toLocal8Bit());
    const QString path = dir.path() + "/journal.sqlite";
    const std::string file = path.toStdString();
    std::printf("bench_journal: %d measurements, %s\n", rows, Machine().c_str());
    const double baseRss = Rss().first;
    {
        MeasurementJournal journal(nullptr, path);
        journal.Record(Typical());
    }
    const double fillMs = Ms([&] { Fill(file, rows); });
    std::printf("%-44s %10.1f s    (%.0f MB on disk)\n", "fill (one transaction)", fillMs / 1000,
                static_cast<double>(QFile(path).size()) / 1e6);
    const double filledRss = Rss().first;
    const bool peakReset = ResetPeakRss();

    // Start-up: the journal opened and its unwritten measurements counted, as the program does.
    std::unique_ptr<MeasurementJournal> journal;
    int unwritten = 0;
    const double startMs = Ms([&] {
        journal = std::make_unique<MeasurementJournal>(nullptr, path);
        unwritten = journal->UnwrittenCount();
    });
    Db db(file);
    const double startFloor = Ms([&] {
        Db open(file);
        open.Each("SELECT count(*) FROM sqlite_master");
        open.Each("SELECT count(*) FROM measurements WHERE outcome IN (0, 2, 3, 4)");
    });
    Row("program start with the journal", startMs, startFloor, "does not grow with the journal");

    std::unique_ptr<MeasurementsDlg> dlg;
    const double openMs = Ms([&] {
        dlg = std::make_unique<MeasurementsDlg>(*journal, nullptr);
        dlg->show();
        Settle();
    });
    const double openFloor = Ms([&] { db.Each("SELECT count(*) FROM measurements"); }) + PageFloor(db, "", "DESC", 0);
    Row("window opens", openMs, openFloor, "<= 300 ms");
    QTableView *table = dlg->Table();
    const double endMs = Ms([&] {
        table->scrollToBottom();
        Settle();
    });
    Row("scroll to the end", endMs, PageFloor(db, "", "ASC", 0), "<= 100 ms");
    const double middleMs = Ms([&] {
        table->verticalScrollBar()->setValue(table->verticalScrollBar()->maximum() / 2);
        Settle();
    });
    Row("jump to the middle", middleMs, PageFloor(db, "", "DESC", rows / 2), "");
    const double stepMs = Ms([&] {
        for (int i = 0; i < 10; ++i) {
            table->verticalScrollBar()->setValue(table->verticalScrollBar()->value() + 30);
            Settle();
        }
    }) / 10;
    Row("scroll on by a screen, there", stepMs, 0, "");

    JournalFilter filter;
    filter.text = "97.47";
    const double searchMs = Ms([&] {
        dlg->Model()->SetFilter(filter);
        Settle();
    });
    const int found = dlg->Model()->rowCount();
    const double searchFloor = Ms([&] {
        db.Each("SELECT count(*) FROM measurement_text WHERE text LIKE '%97.47%'");
    }) + PageFloor(db, " WHERE id IN (SELECT id FROM measurement_text WHERE text LIKE '%97.47%')", "DESC", 0);
    Row(("search (" + std::to_string(found) + " found)").c_str(), searchMs, searchFloor, "");
    filter = {};
    filter.outcomes = {TransferResult::NotWritten};
    filter.from = QDate(2026, 1, 2);
    const double filterMs = Ms([&] {
        dlg->Model()->SetFilter(filter);
        table->scrollToBottom();
        Settle();
    });
    const int filtered = dlg->Model()->rowCount();
    const std::string where = " WHERE outcome IN (2) AND recorded_utc >= '2026-01-02'";
    const double filterFloor = Ms([&] { db.Each("SELECT count(*) FROM measurements" + where); }) +
                               PageFloor(db, where, "ASC", 0);
    Row(("not written since a day, to the end (" + std::to_string(filtered) + ")").c_str(), filterMs, filterFloor, "");
    dlg->Model()->SetFilter({});
    Settle();
    const auto [openRss, openPeak] = Rss();

    // The export of every row, with the progress the user sees.
    const QString csv = dir.path() + "/all.csv";
    auto previous = ui::platform::SetFileDialogHook(
        [&](const ui::platform::FileDialogRequest &) -> std::optional<std::string> { return csv.toStdString(); });
    int progressShown = 0, progressLast = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto *p = dlg->findChild<QProgressDialog *>("progress"); p && p->isVisible()) {
            ++progressShown;
            progressLast = p->value();
        }
    });
    watch.start(100);
    table->selectAll();
    bool exported = false;
    const double exportMs = Ms([&] { exported = dlg->ExportSelected(); });
    watch.stop();
    ui::platform::SetFileDialogHook(previous);
    const double exportFloor = Ms([&] {
        FILE *out = std::fopen((dir.path() + "/floor.csv").toLocal8Bit().constData(), "w");
        db.Each("SELECT date_text, time_text, model, serial, value_items FROM measurements ORDER BY id", [&](sqlite3_stmt *st) {
            for (int c = 0; c < 5; ++c) {
                std::fputs(reinterpret_cast<const char *>(sqlite3_column_text(st, c)), out);
                std::fputc(c == 4 ? '\n' : ',', out);
            }
        });
        std::fclose(out);
    });
    Row(exported ? "CSV export of every row" : "CSV export of every row FAILED", exportMs, exportFloor, "<= 30 s");
    std::printf("%-44s %10d times, last at row %d of %d\n", "  progress seen (polled every 100 ms)", progressShown,
                progressLast, rows);
    std::printf("%-44s %10.1f MB\n", "  file", static_cast<double>(QFile(csv).size()) / 1e6);
    const auto [endRss, endPeak] = Rss();
    std::printf("%-44s %10.1f MB   before the journal %.1f MB, after filling it %.1f MB, window open %.1f MB"
                " (peak %.1f)   goal <= 100 MB\n",
                peakReset ? "program RSS, peak from its start" : "program RSS, peak with the filling", endPeak,
                baseRss, filledRss, openRss, openPeak);
    std::printf("%-44s %10d\n", "unwritten at start", unwritten);
    (void)endRss;
    dlg.reset();
    journal.reset();
    return 0;
}
