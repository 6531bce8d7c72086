// How long one collection of a full reflection record (all 351 spot densities) takes against
// the virtual instrument, and how much processor time the virtual instrument uses while the
// button is polled every 100 ms.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Server.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/Measure.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"
#include "fxproto.h"

extern char **environ;

namespace {

using namespace ombra;
using namespace ombra::core;
using namespace std::chrono_literals;

pid_t Spawn(const std::vector<std::string> &args) {
    std::vector<char *> argv;
    for (const auto &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    return pid;
}

// Waits for `pid` at most `limit`; true when it ended.
bool WaitFor(pid_t pid, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// fxsim serve on a temporary directory for the lifetime of the object.
class VirtualInstrument {
public:
    VirtualInstrument() {
        char pattern[] = "/tmp/fxbench-XXXXXX";
        if (!mkdtemp(pattern)) return;
        root_ = pattern;
        dir_ = root_ + "/dev";
        std::ofstream(root_ + "/scenario.json") << R"({"devices": [{"model": 100, "serial": 9001}]})";
        setenv("FXSIM_DIR", dir_.c_str(), 1);
        pid_ = Spawn({FXSIM_PROGRAM, "serve", "--scenario", root_ + "/scenario.json", "--dir", dir_, "--state",
                      root_ + "/state.json"});
        for (int i = 0; i < 1500 && pid_ > 0; ++i) {
            int fd = fxsim::ConnectTo(dir_ + "/" + fxproto::kControlSocketName);
            if (fd >= 0) {
                ::close(fd);
                ready_ = true;
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    }
    ~VirtualInstrument() {
        if (pid_ > 0) {
            pid_t stopper = Spawn({FXSIM_PROGRAM, "--dir", dir_, "stop"});
            if (stopper > 0) WaitFor(stopper, 10s);
            if (!WaitFor(pid_, 10s)) {
                ::kill(pid_, SIGKILL);
                WaitFor(pid_, 5s);
            }
        }
        if (!root_.empty()) std::filesystem::remove_all(root_);
    }
    bool Ready() const { return ready_; }
    pid_t Pid() const { return pid_; }

private:
    std::string root_, dir_;
    pid_t pid_ = -1;
    bool ready_ = false;
};

// User plus system time of a process, in clock ticks.
long long CpuTicks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {  // field 3 is the state
        if (i == 14) utime = std::stoll(field);
        if (i == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime + stime;
}

void BM_CollectAllSpotDensities(benchmark::State &state) {
    CMeasure measure(Settings().identity, Settings().selection);
    measure.measurementType = 1;
    CVireoDllAdapter adapter;
    if (adapter.DoMeasurement() != 0) {
        state.SkipWithError("the measurement failed");
        return;
    }
    for (auto _ : state) {
        CMeasuredData data;
        if (measure.Collect(data) != 0 || data.Count() != 1) {
            state.SkipWithError("the collection failed");
            return;
        }
        benchmark::DoNotOptimize(data);
    }
    state.counters["calls"] = 352 + 2 * 14 + 1;  // spot densities, property + result pairs, spectrum
}
BENCHMARK(BM_CollectAllSpotDensities)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The virtual instrument's processor use while a client polls the button every 100 ms.
void PrintIdleCpu(pid_t pid) {
    CButtonWatchThread watcher([](WatchEvent) {}, CButtonWatchThread::kPollIntervalMs);
    long long before = CpuTicks(pid);
    auto start = std::chrono::steady_clock::now();
    watcher.Start();
    std::this_thread::sleep_for(3s);
    watcher.Stop();
    long long after = CpuTicks(pid);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double percent = 100.0 * static_cast<double>(after - before) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
    std::printf("fxsim CPU while the button is polled every 100 ms: %.2f %% of one core over %.1f s (%lld ticks)\n",
                percent, seconds, after - before);
}

}  // namespace

int main(int argc, char **argv) {
    platform::LoadResourceLibrary(std::string(OMBRA_BIN_DIR) + "/libCorvexRes.so");
    VirtualInstrument instrument;
    if (!instrument.Ready()) {
        std::fprintf(stderr, "fxsim did not start\n");
        return 1;
    }
    std::string error;
    if (!LoadInstrumentLibrary(std::string(OMBRA_BIN_DIR) + "/libfxAPI.so", &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    CVireoDllAdapter session;  // keeps the device open for the whole run
    DIHANDLE handle = 0;
    if (Instrument().DIEnumDevice(&handle) != 0) {
        std::fprintf(stderr, "no virtual device\n");
        return 1;
    }
    DeviceHandle() = handle;
    Settings().identity.SetModelName(platform::ResString(1234));  // the full model: spectrum included
    Settings().selection.InForce().densitySpectrumSelected = true;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PrintIdleCpu(instrument.Pid());
    session.CloseDevice();
    return 0;
}
