// e2e_calc: small helper for the end-to-end scripts and the demo. It talks to the running office
// through the program's own Calc bridge (OMBRA_UNO_URL names the pipe) and reads texts of the
// resource library and the X clipboard.
//
//   e2e_calc wait [SECONDS]      until the office lists a spreadsheet document (exit 1 on time-out)
//   e2e_calc cells RANGE         "A1:I6": one line "A1<TAB>text" per non-empty cell, row by row
//   e2e_calc grid RANGE          the same cells as a table: one line per row, cells split by TAB
//   e2e_calc shown CELL          "value<TAB>text" or "text<TAB>text": what the cell holds and shows
//   e2e_calc active              the active cell ("A3")
//   e2e_calc select CELL         moves the cell cursor to CELL
//   e2e_calc save PATH           stores the document as PATH (.ods), replacing it
//   e2e_calc quit                ends the office as File › Exit does (save the document first: it
//                                would ask); the office writes its settings back as it closes
//   e2e_calc string ID           the text of string ID of the resource library beside this program
//   e2e_calc clipboard           the text on the X clipboard (needs DISPLAY)
//   e2e_calc journal PATH        the measurement journal at PATH, oldest first: one line per entry,
//                                "<outcome><TAB><value texts split by TAB>" (outcome: pending,
//                                written, not-written, partly, refused); nothing when there is none
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "automation/Automation.h"
#include "calcbridge/CalcBridge.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/Executable.h"
#include "core/platform/Resources.h"

namespace {

using namespace ombra;
using namespace ombra::core;

int Usage() {
    std::fprintf(stderr,
                 "usage: e2e_calc wait [SECONDS] | cells RANGE | grid RANGE | shown CELL | active | select CELL |"
                 " save PATH | quit |"
                 " string ID | clipboard | journal PATH\n");
    return 2;
}

std::string Letters(int column) {
    std::string s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
}

// "C12" -> column 3, row 12; false when it names no cell.
bool ParseCell(const std::string &cell, int &column, int &row) {
    size_t i = 0;
    column = 0;
    while (i < cell.size() && cell[i] >= 'A' && cell[i] <= 'Z') column = column * 26 + (cell[i++] - 'A' + 1);
    if (i == 0 || i == cell.size()) return false;
    auto [end, ec] = std::from_chars(cell.data() + i, cell.data() + cell.size(), row);
    return ec == std::errc() && end == cell.data() + cell.size() && row > 0;
}

// A value as the sheet shows it: numbers in their shortest form with ".".
// What a cell holds: a number as its value (a date or time as its serial), a text as it is.
std::string Text(const CalcCellLook &look) {
    if (look.isEmpty) return {};
    if (!look.isValue) return look.shown;
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, look.value);
    return ec == std::errc() ? std::string(buffer, end) : std::string();
}

int Wait(Automation &calc, double seconds) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        try {
            if (!calc.RunningObjectNames().empty()) return 0;
        } catch (const AutomationError &) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    std::fprintf(stderr, "e2e_calc: no spreadsheet document after %.0f s\n", seconds);
    return 1;
}

int Cells(Automation &calc, const std::string &range, bool asGrid) {
    const size_t colon = range.find(':');
    int c1 = 0, r1 = 0, c2 = 0, r2 = 0;
    if (!ParseCell(range.substr(0, colon), c1, r1)) return Usage();
    if (colon == std::string::npos) {
        c2 = c1;
        r2 = r1;
    } else if (!ParseCell(range.substr(colon + 1), c2, r2)) {
        return Usage();
    }
    for (int r = r1; r <= r2; ++r) {
        std::string line;
        for (int c = c1; c <= c2; ++c) {
            const std::string address = Letters(c) + std::to_string(r);
            const std::string text = Text(CalcShownCell(calc, address));
            if (asGrid) {
                line += (c == c1 ? "" : "\t") + text;
            } else if (!text.empty()) {
                std::printf("%s\t%s\n", address.c_str(), text.c_str());
            }
        }
        if (asGrid) std::printf("%s\n", line.c_str());
    }
    return 0;
}

int Active(Automation &calc) {
    const CellPos cell = CalcCursor(calc);
    std::printf("%s%d\n", Letters(cell.column).c_str(), cell.row);
    return 0;
}

int Select(Automation &calc, const std::string &address) {
    int c = 0, r = 0;
    if (!ParseCell(address, c, r)) return Usage();
    CalcDispatch(calc, ".uno:GoToCell", {{"ToPoint", address}});
    return 0;
}

int Save(Automation &calc, const std::string &path) {
    const std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
    // An office with a window would ask before replacing a file: there is nobody to answer.
    std::error_code ignored;
    std::filesystem::remove(absolute, ignored);
    CalcDispatch(calc, ".uno:SaveAs", {{"URL", "file://" + absolute}, {"FilterName", "calc8"}});
    if (!std::filesystem::exists(absolute)) {
        std::fprintf(stderr, "e2e_calc: the office did not save %s\n", absolute.c_str());
        return 1;
    }
    return 0;
}

int String(const std::string &id) {
    if (!platform::LoadResourceLibrary(platform::ExecutableDirectory() + "/libCorvexRes.so")) {
        std::fprintf(stderr, "e2e_calc: no resource library beside the program\n");
        return 1;
    }
    std::printf("%s\n", platform::ResString(std::atoi(id.c_str())).c_str());
    return 0;
}

int Clipboard(int argc, char **argv) {
    QApplication app(argc, argv);
    // The owner answers the selection request through the event loop.
    QElapsedTimer timer;
    timer.start();
    QString text;
    while (timer.elapsed() < 10000) {
        QCoreApplication::processEvents();
        text = QApplication::clipboard()->text();
        if (!text.isEmpty()) break;
        QThread::msleep(50);
    }
    std::printf("%s\n", text.toUtf8().constData());
    return 0;
}

// Read while the program may be writing it: the journal's write-ahead log lets a reader in.
int Journal(int argc, char **argv, const std::string &path) {
    if (!std::filesystem::exists(path)) return 0;
    QCoreApplication app(argc, argv);  // the database driver is a plug-in
    static const char *const kOutcomes[] = {"pending", "written", "not-written", "partly", "refused"};
    MeasurementJournal journal([](const Notice &notice) {
        std::fprintf(stderr, "e2e_calc: journal: %s\n", notice.text.c_str());
        return 0;
    }, QString::fromStdString(path));
    if (!journal.IsOpen()) return 1;
    std::vector<JournalEntry> entries = journal.List();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        std::string line = kOutcomes[static_cast<int>(entry->outcome.result)];
        for (const OutputItem &item : entry->valueItems) line += "\t" + item.valueText;
        std::printf("%s\n", line.c_str());
    }
    return 0;
}

}  // namespace

// The office's UNO runtime keeps some type descriptions until the process ends.
extern "C" const char *__asan_default_options() { return "detect_leaks=0"; }

int Run(int argc, char **argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    const std::string argument = argc > 2 ? argv[2] : "";
    if (command == "string" && argc == 3) return String(argument);
    if (command == "clipboard") return Clipboard(argc, argv);
    if (command == "journal" && argc == 3) return Journal(argc, argv, argument);
    // Storing a document can take longer than the bridge's usual call time-out.
    if (command == "save") setenv("OMBRA_UNO_TIMEOUT_MS", "60000", 0);
    try {
        std::unique_ptr<Automation> calc = ConnectCalc();
        if (command == "wait") return Wait(*calc, argc > 2 ? std::atof(argv[2]) : 60.0);
        if (argc != 3) {
            if (command == "active") return Active(*calc);
            if (command == "quit") {
                // The office may close the connection before it answers.
                try {
                    CalcDispatch(*calc, ".uno:Quit");
                } catch (const AutomationError &) {
                }
                return 0;
            }
            return Usage();
        }
        if (command == "cells" || command == "grid") return Cells(*calc, argument, command == "grid");
        if (command == "select") return Select(*calc, argument);
        if (command == "shown") {
            const CalcCellLook look = CalcShownCell(*calc, argument);
            std::printf("%s\t%s\n", look.isValue ? "value" : "text", look.shown.c_str());
            return 0;
        }
        if (command == "save") return Save(*calc, argument);
        return Usage();
    } catch (const AutomationError &e) {
        std::fprintf(stderr, "e2e_calc: %s\n", e.what());
        return 1;
    }
}

int main(int argc, char **argv) {
    const int status = Run(argc, argv);
    std::fflush(stdout);  // before any exit-time report of a sanitizer
    return status;
}
