// A named marker that tells a starting copy of the program whether another copy runs.
// It is an exclusive lock on a file of that name in the user's runtime folder; the kernel
// drops the lock when its process ends in any way, so a crashed copy never blocks the next.
#pragma once

#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

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

// The running copy's door for a second start: the copy that holds the marker listens on a socket
// beside it, and a copy started after it asks it there to bring its window to the front. Only
// this user's processes are answered and only this user's socket is asked; every wait is bounded.
class RaiseListener {
public:
    RaiseListener();
    ~RaiseListener();  // stops listening and removes the socket
    RaiseListener(const RaiseListener &) = delete;
    RaiseListener &operator=(const RaiseListener &) = delete;

    // Listens at `socketPath` (needs a Qt event loop to answer). The caller holds the marker, so
    // a socket of this user's that is there was left by a copy that ended, and is replaced; any
    // other file there is left alone and false returned.
    // `onRaise` gets the desktop activation token the second start was given ("" without one).
    bool Listen(const std::string &socketPath, std::function<void(const std::string &activationToken)> onRaise);

private:
    void Answer();

    int fd_ = -1;
    std::string path_;
    std::function<void(const std::string &)> onRaise_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

// Asks the copy listening at `socketPath` to bring its window to the front; true once it has
// confirmed, false when there is no such copy, the socket is not this user's, or no answer came
// within `timeoutMs`. `activationToken` (XDG_ACTIVATION_TOKEN of the second start) lets the running
// copy take the focus on a desktop that hands out the focus by token.
bool AskRunningCopyToRaise(const std::string &socketPath, int timeoutMs, const std::string &activationToken = {});

// The socket beside the marker at `lockFilePath`.
std::string RaiseSocketPath(const std::string &lockFilePath);

}  // namespace ombra::core::platform
