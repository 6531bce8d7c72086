// The instrument library and the virtual instrument when the other side misbehaves: a server
// that does not answer, a folder or socket someone else controls, idle or flooding clients,
// answers without their records.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <atomic>
#include <thread>

#include "FxsimHarness.h"
#include "fxapi/fxapi.h"

namespace {

using fxtest::Clock;
using fxtest::FxsimServe;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A listening socket at `path` that never accepts: connections pile up unanswered.
int SilentSocket(const std::string &path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 2) != 0)
        return -1;
    return fd;
}

struct ScopedEnv {
    explicit ScopedEnv(const QString &dir) : old(qgetenv("FXSIM_DIR")) { qputenv("FXSIM_DIR", dir.toLocal8Bit()); }
    ~ScopedEnv() { qputenv("FXSIM_DIR", old); }
    QByteArray old;
};

int32_t EnumAndClose() {
    DIHANDLE handle = 0;
    int32_t rc = DIEnumDevice(&handle);
    if (rc == DI_OK) DICloseDevice(handle);
    return rc;
}

TEST(FxHardening, AStoppedServerNeverHoldsAnEnumerationPastItsDeadline) {
    FxsimServe serve("{}");
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    ASSERT_EQ(::kill(static_cast<pid_t>(serve.Pid()), SIGSTOP), 0);
    long long longest = 0;
    for (int i = 0; i < 12; ++i) {
        auto start = Clock::now();
        EXPECT_NE(EnumAndClose(), DI_OK);
        longest = std::max(longest, MsSince(start));
    }
    ::kill(static_cast<pid_t>(serve.Pid()), SIGCONT);
    EXPECT_LT(longest, 1500);
    std::printf("longest enumeration against a stopped server: %lld ms\n", longest);
    // Running again, it is found again.
    auto deadline = Clock::now() + std::chrono::seconds(10);
    int32_t rc = DI_ERR_NO_DEVICE;
    while (rc != DI_OK && Clock::now() < deadline) rc = EnumAndClose();
    EXPECT_EQ(rc, DI_OK);
}

TEST(FxHardening, ASilentSocketDoesNotHideTheDeviceAfterIt) {
    FxsimServe serve("{}");
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    int silent = SilentSocket((serve.DeviceDir() + "/aaa.dev").toStdString());
    ASSERT_GE(silent, 0);
    for (int i = 0; i < 4; ++i) {  // also once its queue is full
        auto start = Clock::now();
        DIHANDLE handle = 0;
        ASSERT_EQ(DIEnumDevice(&handle), DI_OK) << i;
        EXPECT_LT(MsSince(start), 1500);
        DIDeviceInfo info{};
        EXPECT_EQ(DIGetDevInfo(handle, &info), DI_OK);
        EXPECT_EQ(info.serialNumber, 1000001);
        DICloseDevice(handle);
    }
    ::close(silent);
}

// A folder another user could change: neither the server nor the library uses it.
TEST(FxHardening, UntrustedFoldersAreRefusedByBothSides) {
    FxsimServe serve("{}");
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    const QString dir = serve.DeviceDir();
    const QString root = QFileInfo(dir).path();
    ASSERT_EQ(EnumAndClose(), DI_OK);

    struct Case {
        const char *what;
        std::function<QString()> make;  // the folder to use
        const char *reason;
    };
    std::vector<Case> cases = {
        {"writable by others", [&] { ::chmod(qPrintable(dir), 0777); return dir; }, "mode 0777"},
        {"symbolic link", [&] { QFile::link(dir, root + "/link"); return root + "/link"; }, "symbolic link"},
    };
    if (::geteuid() == 0)
        cases.push_back({"owned by another user", [&] { (void)::chown(qPrintable(dir), 12345, 12345); return dir; }, "uid 12345"});
    for (const auto &c : cases) {
        QString folder = c.make();
        {
            ScopedEnv env(folder);
            DIHANDLE handle = 0;
            EXPECT_EQ(DIEnumDevice(&handle), DI_ERR_UNTRUSTED_FOLDER) << c.what;
        }
        QString output;
        EXPECT_EQ(fxtest::RunFxsim({"serve", "--dir", folder, "--state", root + "/other-state.json"}, &output), 1) << c.what;
        EXPECT_TRUE(output.contains("refusing the device folder " + folder)) << output.toStdString();
        EXPECT_TRUE(output.contains(c.reason)) << output.toStdString();
        EXPECT_NE(fxtest::RunFxsim({"--dir", folder, "status"}, &output), 0) << c.what;
        (void)::chown(qPrintable(dir), ::geteuid(), ::getegid());
        ::chmod(qPrintable(dir), 0700);
    }
    EXPECT_EQ(EnumAndClose(), DI_OK);
}

// A socket planted by another user in a good folder is skipped; it receives nothing.
TEST(FxHardening, ASocketServedByAnotherUserIsSkipped) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    FxsimServe serve("{}");
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    const std::string path = (serve.DeviceDir() + "/aaa.dev").toStdString();
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    if (child == 0) {  // binds as root, then listens and reads as uid 12345
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::setuid(12345) != 0 ||
            ::listen(fd, 4) != 0)
            ::_exit(2);
        (void)::write(ready[1], "x", 1);
        size_t received = 0;
        for (int i = 0; i < 3; ++i) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, 1000) <= 0) continue;
            int client = ::accept(fd, nullptr, nullptr);
            char buffer[256];
            pollfd cfd{client, POLLIN, 0};
            while (::poll(&cfd, 1, 300) > 0) {
                ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                received += static_cast<size_t>(n);
            }
            ::close(client);
        }
        ::_exit(received == 0 ? 0 : 1);
    }
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    DIHANDLE handle = 0;
    ASSERT_EQ(DIEnumDevice(&handle), DI_OK);
    DIDeviceInfo info{};
    EXPECT_EQ(DIGetDevInfo(handle, &info), DI_OK);
    EXPECT_EQ(info.serialNumber, 1000001);
    DICloseDevice(handle);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the planted socket received bytes";
    ::close(ready[0]);
    ::close(ready[1]);
}

// The button poll of the program: every 100 ms, with idle control clients connected all along.
TEST(FxHardening, IdleControlClientsDoNotDelayTheDevice) {
    FxsimServe serve("{}");
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    DIHANDLE handle = 0;
    ASSERT_EQ(DIEnumDevice(&handle), DI_OK);
    const std::string control = (serve.DeviceDir() + "/" + fxproto::kControlSocketName).toStdString();
    std::vector<int> idle;
    int timeouts = 0;
    long long slowest = 0;
    for (int poll = 0; poll < 300; ++poll) {
        if (poll % 5 == 0) {  // two fresh idle clients twice a second; the old ones let go
            for (int fd : idle) ::close(fd);
            idle = {fxsim::ConnectTo(control), fxsim::ConnectTo(control)};
        }
        auto start = Clock::now();
        DIButtonStatus status{};
        timeouts += DIGetButtonStatus(handle, &status) != DI_OK;
        slowest = std::max(slowest, MsSince(start));
        QThread::msleep(100);
    }
    for (int fd : idle) ::close(fd);
    EXPECT_EQ(timeouts, 0);
    std::printf("slowest button poll with idle control clients: %lld ms\n", slowest);
    EXPECT_TRUE(serve.Ok({"status"}));
    DICloseDevice(handle);
}

// A client that sends without reading answers is not buffered without limit.
TEST(FxHardening, AFloodingClientIsHeldBack) {
    FxsimServe serve("{}");
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    ASSERT_TRUE(serve.Ok({"delay", "--call", "DIGetButtonStatus", "--ms", "3000"}));
    int fd = fxsim::ConnectTo((serve.DeviceDir() + "/fx00-1000001.dev").toStdString());
    ASSERT_GE(fd, 0);
    fxproto::Request request;
    request.header = {fxproto::kRequestMagic, 1, static_cast<int32_t>(fxproto::Op::GetButtonStatus), 0, 0, 0};
    auto one = fxproto::Encode(request);
    std::vector<uint8_t> burst;
    for (int i = 0; i < 1000; ++i) burst.insert(burst.end(), one.begin(), one.end());
    size_t sent = 0;
    auto deadline = Clock::now() + std::chrono::seconds(2);
    while (sent < 40u * 1024 * 1024 && Clock::now() < deadline) {
        ssize_t n = ::send(fd, burst.data(), burst.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) sent += static_cast<size_t>(n);
        else QThread::msleep(5);
    }
    EXPECT_LT(sent, 8u * 1024 * 1024) << "the server kept reading";
    EXPECT_TRUE(serve.Ok({"status"}));
    ::close(fd);
}

// A stand-in device that opens, then answers "success" to everything without a record.
TEST(FxHardening, ASuccessWithoutItsRecordIsAProtocolError) {
    QTemporaryDir dir;
    ScopedEnv env(dir.path());
    int listener = SilentSocket((dir.path() + "/empty.dev").toStdString());
    ASSERT_GE(listener, 0);
    std::atomic<bool> stop{false};
    std::thread device([&] {
        int fd = -1;
        fxproto::RequestDecoder decoder;
        while (!stop) {
            pollfd pfd{fd < 0 ? listener : fd, POLLIN, 0};
            if (::poll(&pfd, 1, 50) <= 0) continue;
            if (fd < 0) {
                fd = ::accept(listener, nullptr, nullptr);
                continue;
            }
            uint8_t buffer[4096];
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            decoder.Feed(buffer, static_cast<size_t>(n));
            while (auto in = decoder.Next()) {
                fxproto::Response out;
                out.header = {fxproto::kResponseMagic, in->header.seq, DI_OK, 0};
                auto bytes = fxproto::Encode(out);
                (void)::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            }
        }
        if (fd >= 0) ::close(fd);
    });
    DIHANDLE handle = 0;
    ASSERT_EQ(DIEnumDevice(&handle), DI_OK);
    float values[4] = {7, 7, 7, 7};
    EXPECT_EQ(DIGetColor(handle, 0, values), DI_ERR_PROTOCOL);
    EXPECT_EQ(DIGetDensity(handle, 0, values), DI_ERR_PROTOCOL);
    EXPECT_EQ(DIGetColorIndex(handle, 0, values), DI_ERR_PROTOCOL);
    EXPECT_EQ(values[0], 7.0f);
    DIDeviceInfo info{};
    EXPECT_EQ(DIGetDevInfo(handle, &info), DI_ERR_PROTOCOL);
    int32_t wavelength = 0;
    EXPECT_EQ(DIGetSpotColorDensity(handle, 0, &wavelength, values), DI_ERR_PROTOCOL);
    int32_t value = 0;
    EXPECT_EQ(DISetProperty(handle, 5, &value), DI_OK);  // no record expected
    DICloseDevice(handle);
    stop = true;
    device.join();
    ::close(listener);
}

}  // namespace
