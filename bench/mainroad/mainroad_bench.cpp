// bench_mainroad: how long the main road takes, from the moment the instrument's button is
// pressed to the moment the last cell of that measurement is in the Calc sheet, for the default
// selection and for a full one (every spectral value, every spot density, every colour value).
// Next to it, where the time goes (the program's timing marks, OMBRA_TRACE_TIMINGS), the raw cost of
// writing one cell over the office's pipe and the floor: the same cells written as one batch per
// run of cells plus one selection, measured against the same office in the same run. Each
// selection runs again with the result panel hidden, so the panel's cost is measured in the same
// run too. Prints numbers and the goals; asserts nothing.
//
// It runs the real participants: the virtual instrument (fxsim), a headless office with a new
// workbook, and ombra-dts on an X display (under its own xvfb-run when there is none), clicked
// on its Connect button like a user does.
//
// usage: bench_mainroad [PRESSES [FULL_PRESSES]]   (default 20 for each selection)
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "automation/Automation.h"
#include "calcbridge/CalcBridge.h"
#include "core/platform/Executable.h"
#include "core/platform/ProfileStore.h"

namespace {

using namespace ombra;
using namespace ombra::core;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kBin = OMBRA_BIN_DIR;
const std::string kSupport = OMBRA_SOURCE_DIR "/tests/support";

double MsSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }
void SleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string Run(const std::string &command) {
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

template <typename Condition> bool WaitFor(double seconds, Condition condition) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        if (condition()) return true;
        SleepMs(50);
    }
    return condition();
}

std::string Letters(int column) {
    std::string s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
}

// Every process started here; stopped at the end, also on Ctrl+C.
std::vector<pid_t> g_children;
std::string g_stopOffice;  // the command that stops the office
std::string g_workDir;

void StopChildren() {
    for (pid_t pid : g_children) kill(pid, SIGTERM);
    for (pid_t pid : g_children) {
        for (int i = 0; i < 40 && waitpid(pid, nullptr, WNOHANG) == 0; ++i) SleepMs(50);
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, WNOHANG);
    }
    g_children.clear();
    if (!g_stopOffice.empty()) std::system(g_stopOffice.c_str());
    g_stopOffice.clear();
}

pid_t Spawn(const std::vector<std::string> &args, const std::vector<std::string> &env, const std::string &log) {
    pid_t pid = fork();
    if (pid == 0) {
        for (const std::string &e : env) putenv(strdup(e.c_str()));
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            dup2(fd, 1);
            dup2(fd, 2);
        }
        std::vector<char *> argv;
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (pid > 0) g_children.push_back(pid);
    return pid;
}

void Forget(pid_t pid) { g_children.erase(std::remove(g_children.begin(), g_children.end(), pid), g_children.end()); }

struct Stats {
    double median = 0, p95 = 0, min = 0, max = 0;
};

Stats Summarise(std::vector<double> v) {
    Stats s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) { return v[std::min(v.size() - 1, static_cast<size_t>(q * (v.size() - 1) + 0.5))]; };
    s.median = at(0.5);
    s.p95 = at(0.95);
    s.min = v.front();
    s.max = v.back();
    return s;
}

// The reflection selection of the full case: date and time, every colour value of the colour
// list, the 36 spectral values 380 to 730 nm and the 351 spot densities.
std::string FullSelection(int &cells) {
    std::vector<int> ids = {1035, 1036};
    for (int id = 1045; id <= 1050; ++id) ids.push_back(id);
    for (int id = 1000; id <= 1034; ++id) ids.push_back(id);
    for (int id = 1040; id <= 1043; ++id) ids.push_back(id);
    for (int nm = 380; nm <= 730; nm += 10) ids.push_back(nm);
    for (int id = 2380; id <= 2730; ++id) ids.push_back(id);
    std::string text;
    for (int id : ids) text += std::to_string(id) + ";";
    cells = 2 * static_cast<int>(ids.size());
    return text;
}

double NsToMs(long long ns) { return static_cast<double>(ns) / 1e6; }
long long NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

// The program's timing marks of one press, in the order they are set. Each stage runs from the
// previous mark to its own; the button's stage from the moment of the press.
const char *const kStages[][2] = {
    {"button seen", "poll wait (press to button seen)"},
    {"measure start", "to the user-interface thread"},
    {"measured", "DIDoMeasurement"},
    {"collected", "Collect"},
    {"values built", "BuildValues"},
    {"connected", "foreground window title (and connecting)"},
    {"listed", "list of the workbooks"},
    {"attached", "bind (workbook, sheet, sizes, lock)"},
    {"cells written", "cell writes"},
    {"selected", "final select"},
    {"transfer done", "end of the transfer"},
    {"panel start", "outcome into the journal, session's bookkeeping"},
    {"panel updated", "panel update"},
};
constexpr size_t kStageCount = sizeof kStages / sizeof kStages[0];

// Stage durations of the press at pressNs from the marks file: the first of each mark after the
// previous one. Empty when a mark is missing.
std::vector<double> StagesOf(const std::string &traceFile, long long pressNs) {
    std::ifstream in(traceFile);
    std::vector<std::pair<std::string, long long>> marks;
    std::string line;
    while (std::getline(in, line)) {
        const size_t space = line.rfind(' ');
        if (space == std::string::npos) continue;
        marks.emplace_back(line.substr(0, space), std::atoll(line.c_str() + space + 1));
    }
    std::vector<double> stages;
    long long previous = pressNs;
    size_t from = 0;
    for (const auto &stage : kStages) {
        size_t i = from;
        while (i < marks.size() && (marks[i].first != stage[0] || marks[i].second < previous)) ++i;
        if (i == marks.size()) return {};
        stages.push_back(NsToMs(marks[i].second - previous));
        previous = marks[i].second;
        from = i + 1;
    }
    return stages;
}

class Bench {
public:
    Bench() {
        char tmpl[] = "/tmp/ombra-bench-XXXXXX";
        work_ = mkdtemp(tmpl);
        g_workDir = work_;
        pipe_ = "ombra-bench-" + std::to_string(getpid());
        setenv("FXSIM_DIR", (work_ + "/fxsim").c_str(), 1);
        setenv("OMBRA_UNO_URL", ("uno:pipe,name=" + pipe_ + ";urp;StarOffice.ComponentContext").c_str(), 1);
        setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    }
    ~Bench() {
        StopChildren();
        std::error_code ec;
        fs::remove_all(work_, ec);
    }

    void StartInstrumentAndOffice() {
        // The instrument marks the moment each press happens: the press is timed from there.
        Spawn({kBin + "/fxsim", "serve", "--dir", work_ + "/fxsim"}, {"OMBRA_TRACE_TIMINGS=" + pressMarks_()},
              work_ + "/fxsim.log");
        if (!WaitFor(30, [&] { return Fxsim("status").find("\"model\": 100") != std::string::npos; }))
            throw std::runtime_error("the virtual instrument did not start");
        std::fprintf(stderr, "starting the office...\n");
        g_stopOffice = kSupport + "/stop-office.sh " + work_ + "/office " + pipe_ + " >/dev/null 2>&1";
        if (std::system((kSupport + "/start-office.sh " + work_ + "/office " + pipe_ + " >" + work_ +
                         "/office.log 2>&1").c_str()) != 0)
            throw std::runtime_error("the office did not start (see " + work_ + "/office.log)");
        calc_ = ConnectCalc();
        if (!WaitFor(60, [&] { return !Names().empty(); })) throw std::runtime_error("the office lists no workbook");
    }

    // Starts the program with the given reflection selection (empty: its default), connects and
    // measures once to warm everything up; returns the number of the last column of a measurement.
    // With `compare`, a reference is active (what the comparison items compare with).
    int StartProgram(const std::string &selection, bool panel, bool compare = false) {
        const std::string config = work_ + "/config-" + std::to_string(++programRuns_);
        const std::string runtime = work_ + "/runtime-" + std::to_string(programRuns_);
        const std::string data = work_ + "/data-" + std::to_string(programRuns_);
        fs::create_directories(config + "/LARKSPUR");
        fs::create_directories(runtime);
        fs::create_directories(data + "/ombra-dts");
        chmod(runtime.c_str(), 0700);
        if (compare)
            std::ofstream(data + "/ombra-dts/references.json")
                << R"({"version": 1, "active": "Paper", "nearest": false, "references": [{"name": "Paper",)"
                   R"( "lab": [95.2, -0.5, 2.3], "illuminant": 2, "observer": 0, "tolerance": {"formula": 2,)"
                   R"( "limit": 2, "factors": [1, 1, 1], "components": [0, 0, 0, 0, 0], "warn": 0}}]})" "\n";
        auto store = platform::MakeSettingsProfileStore(config + "/LARKSPUR/ombra-dts.conf");
        if (!selection.empty()) store->WriteString("OS-100", "ReflSelDataItems", selection);
        if (!panel) store->WriteInt("", "ResultPanel", 0);  // as View › Result panel leaves it
        trace_ = work_ + "/marks-" + std::to_string(programRuns_) + ".txt";
        app_ = Spawn({kBin + "/ombra-dts"},
                     // On the bench's display whatever platform the calling shell chose: the window is
                     // found and clicked there.
                     {"XDG_CONFIG_HOME=" + config, "XDG_RUNTIME_DIR=" + runtime, "XDG_DATA_HOME=" + data,
                      "OMBRA_TRACE_TIMINGS=" + trace_, "QT_QPA_PLATFORM=xcb"},
                     work_ + "/app.log");
        const std::string caption = Run(kBin + "/e2e_calc string 1200");
        std::string window;
        WaitFor(60, [&] {
            window = Run("xdotool search --all --onlyvisible --pid " + std::to_string(app_) + " --name '^" + caption +
                         "$' 2>/dev/null | head -1");
            return !window.empty();
        });
        if (window.empty()) throw std::runtime_error("the program's window did not appear");
        // The Connect button: first of the picture buttons, in the 400-pixel client area below the menu.
        const int height = std::atoi(Run("xdotool getwindowgeometry --shell " + window + " | sed -n 's/HEIGHT=//p'").c_str());
        Run("xdotool windowraise " + window + "; xdotool mousemove --window " + window + " 80 " +
            std::to_string(height - 400 + 180) + " click 1");
        if (!WaitFor(60, [&] { return Status().find("\"connected\":true") != std::string::npos; }))
            throw std::runtime_error("the program did not connect");
        // The first press also shows that the button watch is running.
        const int valueRow = ActiveRow() + 1;
        if (!WaitFor(60, [&] {
                Press();
                const bool landed = WaitFor(10, [&] { return !Cell(1, valueRow).empty(); });
                WaitReleased();
                return landed;
            }))
            throw std::runtime_error("no measurement reached the sheet");
        // Done when the cursor is back in the first column, two rows below: while the cells are
        // written it follows them.
        if (!WaitFor(600, [&] { return !Cell(2, valueRow).empty() && ActiveCell() == std::pair(1, valueRow + 1); }))
            throw std::runtime_error("the first measurement did not end");
        int last = 1;
        for (int c = 1; c <= 1200; ++c)
            if (!Cell(c, valueRow).empty()) last = c;
        return last;
    }

    void StopProgram() {
        kill(app_, SIGTERM);
        for (int i = 0; i < 100 && waitpid(app_, nullptr, WNOHANG) == 0; ++i) SleepMs(50);
        kill(app_, SIGKILL);
        waitpid(app_, nullptr, 0);
        Forget(app_);
        WaitFor(10, [&] { return Status().find("\"connected\":false") != std::string::npos; });
    }

    // Press to last cell, once per press; each measurement starts two rows below the last.
    // Also notes when every cell was written (before the final selection).
    std::vector<double> PressToLastCell(int lastColumn, int presses, std::vector<double> &firstCell,
                                        std::vector<std::vector<double>> &stages) {
        std::vector<double> times;
        const int firstRow = ActiveRow();
        for (int i = 0; i < presses; ++i) {
            const int valueRow = firstRow + 2 * i + 1;
            // A user presses at any moment of the button poll's 100 ms cycle, not in step with it.
            SleepMs(static_cast<int>(random() % 100));
            const long long startNs = NowNs();
            Press();
            const long long pressNs = PressedAt(startNs);
            // The press happened at pressNs, before Press() returned: the clock starts there. The
            // sheet is read back only to confirm the cells, every 20 ms, so that the bench's own
            // calls hardly compete with the program's for the office; the times come from the
            // program's marks (a write call returns once the office has the cells).
            const auto start = Clock::now() - std::chrono::nanoseconds(NowNs() - pressNs);
            bool landed = false;
            while (!landed && MsSince(start) < 600000) {
                SleepMs(20);
                landed = !Cell(1, valueRow).empty() && !Cell(lastColumn, valueRow).empty();
            }
            WaitReleased();
            std::vector<double> s = StagesOf(trace_, pressNs);
            if (!landed || s.empty()) {
                std::fprintf(stderr, "press %d: nothing in %s%d, or no marks\n", i + 1, Letters(lastColumn).c_str(), valueRow);
            } else {
                double sum = 0;
                for (size_t k = 0; k < kStageCount; ++k) {
                    sum += s[k];
                    if (std::string(kStages[k][0]) == "cells written") firstCell.push_back(sum);
                    if (std::string(kStages[k][0]) == "selected") times.push_back(sum);
                }
                stages.push_back(s);
                std::fprintf(stderr, "  press %d: %.0f ms\n", i + 1, times.back());
            }
            lastValueRow_ = valueRow;
        }
        return times;
    }

    // The floor of writing a measurement: its cells (the label row and the value row of the last
    // press, as texts) written again below the measurements, one block per row plus one selection,
    // straight to the office through the port, without any of the controller's or the transfer's work.
    Stats Floor(int lastColumn, int repeats) {
        std::vector<std::vector<std::string>> rows;
        for (int r = lastValueRow_ - 1; r <= lastValueRow_; ++r) {
            rows.emplace_back();
            for (int c = 1; c <= lastColumn; ++c) rows.back().push_back(CellText(c, r));
        }
        std::unique_ptr<BoundSheet> sheet = calc_->Bind(Names().at(0));
        if (!sheet) throw std::runtime_error("the workbook cannot be bound");
        std::vector<double> times;
        for (int i = 0; i < repeats; ++i) {
            const int row = lastValueRow_ + 10 + 2 * i;
            auto t = Clock::now();
            sheet->WriteCells({1, row}, RunDirection::Across, rows[0]);
            sheet->WriteCells({1, row + 1}, RunDirection::Across, rows[1]);
            sheet->Select({1, row + 2});
            times.push_back(MsSince(t));
        }
        return Summarise(times);
    }

    // One cell written over the pipe as a block of one, and a row of 20 cells as one block.
    std::pair<Stats, Stats> CellWrite(int repeats) {
        std::unique_ptr<BoundSheet> sheet = calc_->Bind(Names().at(0));
        if (!sheet) throw std::runtime_error("the workbook cannot be bound");
        std::vector<double> one, row;
        for (int i = 0; i < repeats; ++i) {
            auto t = Clock::now();
            sheet->WriteCells({11, 5}, RunDirection::Across, {std::to_string(i) + ".25"});
            one.push_back(MsSince(t));
        }
        const std::vector<std::string> texts(20, "12.5");
        for (int i = 0; i < repeats; ++i) {
            auto t = Clock::now();
            sheet->WriteCells({11, 6 + i}, RunDirection::Across, texts);
            row.push_back(MsSince(t));
        }
        return {Summarise(one), Summarise(row)};
    }

private:
    std::string Fxsim(const std::string &args) { return Run(kBin + "/fxsim --dir " + work_ + "/fxsim " + args + " 2>/dev/null"); }
    std::string Status() {
        std::string s = Fxsim("status");
        s.erase(std::remove_if(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\n'; }), s.end());
        return s;
    }
    void Press() { Fxsim("press --button reflection --hold 300"); }
    void WaitReleased() {
        WaitFor(10, [&] { return Status().find("\"reflection\":0") != std::string::npos; });
        SleepMs(300);  // the program polls the button every 100 ms: let it see the release
    }
    std::vector<std::string> Names() {
        try {
            return calc_->RunningObjectNames();
        } catch (const AutomationError &) {
            return {};
        }
    }
    std::pair<int, int> ActiveCell() {  // column, row
        try {
            const CellPos cell = CalcCursor(*calc_);
            return {cell.column, cell.row};
        } catch (const AutomationError &) {
            return {0, 0};
        }
    }
    int ActiveRow() { return ActiveCell().second; }
    std::string CellText(int column, int row) {
        const CalcCellLook look = CalcShownCell(*calc_, Letters(column) + std::to_string(row));
        if (look.isValue) {
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, "%.17g", look.value);
            return buffer;
        }
        return look.isEmpty ? std::string() : look.shown;
    }
    std::string Cell(int column, int row) {
        try {
            return CalcShownCell(*calc_, Letters(column) + std::to_string(row)).isEmpty ? std::string() : "x";
        } catch (const AutomationError &) {
            return {};
        }
    }
    std::string pressMarks_() const { return work_ + "/press-marks.txt"; }
    // The moment the instrument took the press started at or after startNs; startNs when unmarked.
    long long PressedAt(long long startNs) {
        std::ifstream in(pressMarks_());
        std::string line;
        while (std::getline(in, line)) {
            if (line.rfind("button pressed ", 0) != 0) continue;
            const long long t = std::atoll(line.c_str() + 15);
            if (t >= startNs) return t;
        }
        return startNs;
    }
    int programRuns_ = 0;
    int lastValueRow_ = 0;
    std::string work_, pipe_, trace_;
    std::unique_ptr<Automation> calc_;
    pid_t app_ = 0;
};

void PrintStats(const char *what, const Stats &s, size_t n) {
    std::printf("  %-44s median %8.1f ms   p95 %8.1f ms   (min %.1f, max %.1f, n %zu)\n", what, s.median, s.p95, s.min,
                s.max, n);
}

void OnSignal(int) {
    StopChildren();
    std::error_code ec;
    fs::remove_all(g_workDir, ec);
    _exit(130);
}

}  // namespace

// The office's UNO runtime keeps some type descriptions until the process ends.
extern "C" const char *__asan_default_options() { return "detect_leaks=0"; }

int main(int argc, char **argv) {
    if (!getenv("DISPLAY") || !*getenv("DISPLAY")) {
        std::vector<const char *> args = {"xvfb-run", "-a", "-s", "-screen 0 1280x1024x24"};
        for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
        args.push_back(nullptr);
        execvp("xvfb-run", const_cast<char **>(args.data()));
        std::perror("xvfb-run");
        return 1;
    }
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const int fullPresses = argc > 2 ? std::max(1, std::atoi(argv[2])) : presses;
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    try {
        Bench bench;
        bench.StartInstrumentAndOffice();

        struct Case {
            const char *name;
            std::string selection;
            int cells;
            int presses;
            bool panel;
            bool compare = false;
        };
        int fullCells = 0;
        const std::string full = FullSelection(fullCells);
        // The same selections again with the result panel hidden: the panel's cost, in the same run.
        std::vector<Case> cases = {{"default selection", "", 18, presses, true},
                                   {"full selection", full, fullCells, fullPresses, true},
                                   {"default, no panel", "", 18, presses, false},
                                   {"full, no panel", full, fullCells, fullPresses, false},
                                   // Against a reference: its name, ΔE00 and the verdict beside the default items.
                                   {"default + comparison", "1035;1036;2005;2000;2100;2108;2110;", 24, presses, true,
                                    true}};
        std::vector<Stats> results;
        std::vector<Stats> floors;
        std::vector<double> withMeanWait;
        std::printf("main road: button press to the last cell in Calc\n");
        for (const Case &c : cases) {
            std::fprintf(stderr, "%s: connecting...\n", c.name);
            const int lastColumn = bench.StartProgram(c.selection, c.panel, c.compare);
            std::vector<double> firstCell;
            std::vector<std::vector<double>> stages;
            std::vector<double> times = bench.PressToLastCell(lastColumn, c.presses, firstCell, stages);
            bench.StopProgram();
            results.push_back(Summarise(times));
            char what[96];
            std::snprintf(what, sizeof what, "%s (%d cells, to %s):", c.name, c.cells, Letters(lastColumn).c_str());
            PrintStats(what, results.back(), times.size());
            PrintStats("  of which press to every cell written:", Summarise(firstCell), firstCell.size());
            std::printf("    where the time goes (the program's marks, %zu presses):\n", stages.size());
            double measuredPart = 0;
            std::vector<double> afterSeen;  // button seen to the last call returned, per press
            for (const auto &s : stages) {
                double sum = 0;
                for (size_t k = 1; k < kStageCount && std::string(kStages[k - 1][0]) != "selected"; ++k) sum += s[k];
                afterSeen.push_back(sum);
            }
            for (size_t k = 0; k < kStageCount && !stages.empty(); ++k) {
                std::vector<double> stage;
                for (const auto &s : stages) stage.push_back(s[k]);
                const Stats st = Summarise(stage);
                if (k >= 1 && k <= 4) measuredPart += st.median;  // the instrument's and the values' share
                char label[96];
                std::snprintf(label, sizeof label, "  %s:", kStages[k][1]);
                PrintStats(label, st, stage.size());
            }
            withMeanWait.push_back(50.0 + Summarise(afterSeen).median);
            std::printf("    press to last cell with the mean poll wait (50 ms + median from button seen): %.1f ms\n",
                        withMeanWait.back());
            floors.push_back(bench.Floor(lastColumn, std::min(c.presses, 20)));
            PrintStats("  floor: the same cells, a batch per row + one select:", floors.back(), std::min(c.presses, 20));
            double cellWrites = 0;
            for (size_t k = 0; k < kStageCount && !stages.empty(); ++k) {
                if (std::string(kStages[k][0]) != "cells written") continue;
                std::vector<double> stage;
                for (const auto &s : stages) stage.push_back(s[k]);
                cellWrites = Summarise(stage).median;
            }
            std::printf("    cell writes / floor = %.2f (goal <= 1.5)\n", cellWrites / floors.back().median);
            const double floorTotal = 50.0 + measuredPart + floors.back().median;
            std::printf("    floor of press to last cell (mean poll wait 50 ms + measurement + values + batch): %.1f ms;"
                        " median / floor = %.2f\n", floorTotal, results.back().median / floorTotal);
        }
        auto [one, row] = bench.CellWrite(200);
        std::printf("blocks written over the office's pipe, 200 times each\n");
        PrintStats("one cell:", one, 200);
        PrintStats("a row of 20 cells:", row, 200);
        const double goals[] = {80, 150};
        std::printf("the result panel's cost (press to last cell, median with the panel / without, goal <= 1.05)\n");
        for (size_t i = 0; i < 2; ++i)
            std::printf("  %-18s %.1f / %.1f ms = %.3f: %s\n", cases[i].name, results[i].median, results[i + 2].median,
                        results[i].median / results[i + 2].median,
                        results[i].median <= 1.05 * results[i + 2].median ? "met" : "NOT met");
        std::printf("the comparison items' cost (press to last cell, median with them / the default selection's)\n");
        std::printf("  %-18s %.1f / %.1f ms = %.3f (goal: within the run's noise, <= 1.05): %s\n", cases[4].name,
                    results[4].median, results[0].median, results[4].median / results[0].median,
                    results[4].median <= 1.05 * results[0].median ? "met" : "NOT met");
        std::printf("goals (press to last cell, the button poll's mean wait of 50 ms included)\n");
        for (size_t i = 0; i < 2; ++i)
            std::printf("  %-18s %8.1f ms (measured median %.1f ms)   goal <= %.0f ms: %s\n", cases[i].name,
                        withMeanWait[i], results[i].median, goals[i], withMeanWait[i] <= goals[i] ? "met" : "NOT met");
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_mainroad: %s\n", e.what());
        StopChildren();
        return 1;
    }
    return 0;
}
