#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace ombra::core::platform {

SingleInstanceLock::~SingleInstanceLock() { Release(); }

namespace {

// Why an open marker file cannot be trusted; empty when it is this user's private regular file.
std::string UntrustedMarkerReason(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return "it cannot be examined";
    if (!S_ISREG(info.st_mode)) return "it is not a regular file";
    if (info.st_uid != ::getuid()) return "it belongs to user " + std::to_string(info.st_uid);
    if (info.st_mode & 077) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("its mode ") + mode + " lets other users open it";
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
        problem_ = "it is a symbolic link";
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
