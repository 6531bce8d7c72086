#include "core/platform/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core::platform {

SingleInstanceLock::~SingleInstanceLock() { Release(); }

namespace {

// Why an open marker file cannot be trusted; empty when it is this user's private regular file.
std::string UntrustedMarkerReason(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return ResString(res::kStrUnexaminable);
    if (!S_ISREG(info.st_mode)) return ResString(res::kStrNotRegular);
    if (info.st_uid != ::getuid()) return ResString(res::kStrForeignOwner, {std::to_string(info.st_uid)});
    if (info.st_mode & 077) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return ResString(res::kStrOpenToOthers, {mode});
    }
    return {};
}

}  // namespace

SingleInstanceLock::Result SingleInstanceLock::Acquire(const std::string &lockFilePath) {
    Release();
    problem_.clear();
    // O_NOFOLLOW: in a shared temp folder a planted symbolic link must not redirect us;
    // O_NONBLOCK: a planted pipe must not hold the start-up.
    int fd = ::open(lockFilePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    if (fd < 0) {
        if (errno != ELOOP) return Result::Unavailable;
        problem_ = ResString(res::kStrSymbolicLink);
        return Result::Untrusted;
    }
    problem_ = UntrustedMarkerReason(fd);
    if (!problem_.empty()) {
        ::close(fd);
        return Result::Untrusted;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::HeldElsewhere : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void SingleInstanceLock::Release() {
    if (fd_ < 0) return;
    ::close(fd_);  // closing the only descriptor drops the lock; the file itself stays
    fd_ = -1;
}

std::string SingleInstanceLock::DefaultLockPath(const std::string &name) {
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime && *runtime == '/' && ::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
        return std::string(runtime) + "/" + name;
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp == '/' ? tmp : "/tmp";
    return folder + "/" + name + "-" + std::to_string(::getuid());
}

}  // namespace ombra::core::platform

// ---- the raise channel ----

namespace ombra::core::platform {

namespace {

// The request is "raise", then " TOKEN" when the second start was given a desktop activation
// token (a desktop lets only the program the user started take the focus), then a line end.
constexpr char kRaiseRequest[] = "raise";
constexpr char kRaiseAnswer[] = "ok\n";
constexpr size_t kLongestRequest = 512;
constexpr int kAnswerTimeoutMs = 2000;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until `fd` is ready for `events` or the deadline passes.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int n = ::poll(&p, 1, RemainingMs(deadline));
        if (n > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (n == 0 || errno != EINTR) return false;
    }
}

bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}

// Reads until `expected` has arrived in full (and nothing else), within the deadline.
bool Receive(int fd, const std::string &expected, Clock::time_point deadline) {
    std::string got;
    while (got.size() < expected.size()) {
        if (!WaitFor(fd, POLLIN, deadline)) return false;
        char buffer[16];
        ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, expected.size() - got.size()), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got == expected;
}

// Reads one line (without its end) of at most `longest` bytes, within the deadline.
std::optional<std::string> ReceiveLine(int fd, size_t longest, Clock::time_point deadline) {
    std::string line;
    while (line.size() <= longest) {
        if (!WaitFor(fd, POLLIN, deadline)) return std::nullopt;
        char c = 0;
        ssize_t n = ::recv(fd, &c, 1, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return std::nullopt;
        if (c == '\n') return line;
        line += c;
    }
    return std::nullopt;
}

// The token of "raise TOKEN" when it is one a desktop hands out (no spaces or control characters).
std::optional<std::string> TokenOfRequest(const std::string &request) {
    const std::string prefix = kRaiseRequest;
    if (request == prefix) return std::string();
    if (request.compare(0, prefix.size() + 1, prefix + " ") != 0) return std::nullopt;
    std::string token = request.substr(prefix.size() + 1);
    for (char c : token)
        if (static_cast<unsigned char>(c) <= ' ' || c == 0x7f) return std::nullopt;
    return token;
}

bool Send(int fd, const std::string &text, Clock::time_point deadline) {
    size_t sent = 0;
    while (sent < text.size()) {
        if (!WaitFor(fd, POLLOUT, deadline)) return false;
        ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool FillAddress(const std::string &path, sockaddr_un &address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool IsOwnSocket(const std::string &path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == ::getuid();
}

}  // namespace

std::string RaiseSocketPath(const std::string &lockFilePath) { return lockFilePath + ".socket"; }

RaiseListener::RaiseListener() = default;

RaiseListener::~RaiseListener() {
    notifier_.reset();
    if (fd_ < 0) return;
    ::close(fd_);
    ::unlink(path_.c_str());
}

bool RaiseListener::Listen(const std::string &socketPath, std::function<void(const std::string &)> onRaise) {
    sockaddr_un address{};
    if (fd_ >= 0 || !FillAddress(socketPath, address)) return false;
    struct stat info {};
    if (::lstat(socketPath.c_str(), &info) == 0) {
        if (!IsOwnSocket(socketPath)) return false;
        ::unlink(socketPath.c_str());
    }
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    // Only this user may connect: the socket is made without any permission for others.
    mode_t previous = ::umask(077);
    bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::umask(previous);
    if (!bound || ::listen(fd, 4) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = socketPath;
    onRaise_ = std::move(onRaise);
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Answer(); });
    return true;
}

void RaiseListener::Answer() {
    int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kAnswerTimeoutMs);
    if (PeerIsThisUser(client)) {
        const std::optional<std::string> request = ReceiveLine(client, kLongestRequest, deadline);
        const std::optional<std::string> token = request ? TokenOfRequest(*request) : std::nullopt;
        if (token) {
            if (onRaise_) onRaise_(*token);
            Send(client, kRaiseAnswer, deadline);
        }
    }
    ::close(client);
}

bool AskRunningCopyToRaise(const std::string &socketPath, int timeoutMs, const std::string &activationToken) {
    const std::string request = std::string(kRaiseRequest) + (activationToken.empty() ? "" : " " + activationToken) + "\n";
    if (request.size() > kLongestRequest || !TokenOfRequest(request.substr(0, request.size() - 1))) return false;
    sockaddr_un address{};
    if (!FillAddress(socketPath, address) || !IsOwnSocket(socketPath)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    if (!connected && errno == EAGAIN) {  // a full backlog: wait for room, within the deadline
        while (!connected && RemainingMs(deadline) > 0) {
            ::usleep(10000);
            connected = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        }
    }
    bool answered = connected && PeerIsThisUser(fd) && Send(fd, request, deadline) &&
                    Receive(fd, kRaiseAnswer, deadline);
    ::close(fd);
    return answered;
}

}  // namespace ombra::core::platform
