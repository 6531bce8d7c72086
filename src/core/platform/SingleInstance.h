// A named marker that tells a starting copy of the program whether another copy runs.
// It is an exclusive lock on a file of that name in the user's runtime folder; the kernel
// drops the lock when its process ends in any way, so a crashed copy never blocks the next.
#pragma once

#include <string>

namespace ombra::core::platform {

class SingleInstanceLock {
public:
    enum class Result {
        Acquired,     // this process now holds the marker
        HeldElsewhere,  // another running process holds it
        Unavailable,  // the lock file could not be opened or locked at all
        Untrusted,    // the file there is not this user's private file (see Problem())
    };

    SingleInstanceLock() = default;
    ~SingleInstanceLock();  // releases the marker (the process's end does so as well)
    SingleInstanceLock(const SingleInstanceLock &) = delete;
    SingleInstanceLock &operator=(const SingleInstanceLock &) = delete;

    // Tries once, never waits. Only a regular file owned by this user that no one else may
    // open is used: in a shared temp folder another user could create the file first and hold
    // its lock to keep the program from starting.
    Result Acquire(const std::string &lockFilePath);
    // Why the last Acquire returned Untrusted ("it belongs to user 1001", "it is a symbolic
    // link", "its mode 0666 lets other users open it"); empty otherwise.
    const std::string &Problem() const { return problem_; }
    bool Held() const { return fd_ >= 0; }
    void Release();

    // "$XDG_RUNTIME_DIR/<name>", or "<temp>/<name>-<uid>" when there is no runtime folder.
    static std::string DefaultLockPath(const std::string &name);

private:
    int fd_ = -1;
    std::string problem_;
};

}  // namespace ombra::core::platform
