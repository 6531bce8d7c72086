#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace ombra::platform {

SingleInstanceLock::~SingleInstanceLock() { Release(); }

SingleInstanceLock::Result SingleInstanceLock::Acquire(const std::string &lockFilePath) {
    Release();
    // O_NOFOLLOW: in a shared temp folder a planted symbolic link must not redirect us.
    int fd = ::open(lockFilePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Result::Unavailable;
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

}  // namespace ombra::platform
