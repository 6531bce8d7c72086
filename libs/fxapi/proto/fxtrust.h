// Who may sit at the other end of a device socket. The device folder is where the sockets are
// found: another local user able to create or swap files there could pose as the instrument
// (or, the other way round, as the program). So both sides accept a folder only when it is a
// real folder (not a symbolic link), owned by this user and not writable by group or others,
// and every connected socket only when its peer runs under this user.
#pragma once

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace fxproto {

// Why the device folder `dir` cannot be trusted, or "" when it can. A missing folder is
// reported as such; creating it (mode 0700) is the server's business.
inline std::string UntrustedFolderReason(const std::string &dir) {
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) return "it does not exist";
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (!S_ISDIR(info.st_mode)) return "it is not a folder";
    if (info.st_uid != ::geteuid())
        return "it is owned by another user (uid " + std::to_string(info.st_uid) + ")";
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        char mode[16];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return std::string("other users can write to it (mode ") + mode + ")";
    }
    return {};
}

// True when the process at the other end of the connected Unix socket `fd` runs under this
// user.
inline bool PeerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer) return false;
    return peer.uid == ::geteuid();
}

}  // namespace fxproto
