// The office pipe is a Unix socket in a folder every user can write to, so another local user
// could put a socket of their own at its name before the office starts. The connection is made
// here rather than by the UNO connector so that the socket's owner and the peer's credentials are
// checked before a single byte is sent, and so that connecting is bounded by the call's deadline.
#include "OfficePipe.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

#include <cppuhelper/implbase1.hxx>
#include <rtl/ustring.hxx>

#include <com/sun/star/connection/NoConnectException.hpp>
#include <com/sun/star/io/IOException.hpp>

namespace ombra::calcbridge {

namespace {

using namespace com::sun::star;

rtl::OUString OU(const std::string &s) { return rtl::OUString::createFromAscii(s.c_str()); }

std::string Octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", mode & 07777);
    return text;
}

// The folder must not let others replace the socket: only its owner (root or this user) may
// change it, or it has the sticky bit like /tmp.
std::string UntrustedFolderReason(const std::string &folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return "its folder cannot be examined: " + std::string(std::strerror(errno));
    if (!S_ISDIR(info.st_mode)) return "its folder is not a plain folder";
    if (info.st_uid != 0 && info.st_uid != ::getuid()) return "its folder belongs to user " + std::to_string(info.st_uid);
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) && !(info.st_mode & S_ISVTX))
        return "its folder " + folder + " (mode " + Octal(info.st_mode) + ") lets other users replace it";
    return {};
}

// The connection over a connected socket. Reads and writes block; close() shuts the socket
// down, which ends a blocked read or write at once (the descriptor itself is closed last, so
// a thread still inside read never sees it reused).
class PipeConnection : public cppu::WeakImplHelper1<connection::XConnection> {
public:
    PipeConnection(int fd, std::string description) : fd_(fd), description_(std::move(description)) {}
    ~PipeConnection() override { ::close(fd_); }

    sal_Int32 SAL_CALL read(uno::Sequence<sal_Int8> &bytes, sal_Int32 count) override {
        if (count < 0) throw io::IOException("negative read size");
        bytes.realloc(count);
        sal_Int32 done = 0;
        while (done < count) {
            ssize_t n = ::recv(fd_, bytes.getArray() + done, static_cast<size_t>(count - done), 0);
            if (n > 0) {
                done += static_cast<sal_Int32>(n);
            } else if (n == 0) {
                break;  // the office closed its end
            } else if (errno != EINTR) {
                if (closed_) break;
                throw io::IOException(OU("read from the office pipe failed: " + std::string(std::strerror(errno))));
            }
        }
        if (done < count) bytes.realloc(done);
        return done;
    }

    void SAL_CALL write(const uno::Sequence<sal_Int8> &bytes) override {
        const sal_Int8 *data = bytes.getConstArray();
        size_t left = static_cast<size_t>(bytes.getLength());
        while (left > 0) {
            ssize_t n = ::send(fd_, data, left, MSG_NOSIGNAL);
            if (n >= 0) {
                data += n;
                left -= static_cast<size_t>(n);
            } else if (errno != EINTR) {
                throw io::IOException(OU("write to the office pipe failed: " + std::string(std::strerror(errno))));
            }
        }
    }

    void SAL_CALL flush() override {}

    void SAL_CALL close() override {
        if (!closed_.exchange(true)) ::shutdown(fd_, SHUT_RDWR);
    }

    rtl::OUString SAL_CALL getDescription() override { return OU(description_); }

private:
    int fd_;
    std::string description_;
    std::atomic<bool> closed_{false};
};

[[noreturn]] void NoOffice(const std::string &path, const std::string &why) {
    throw connection::NoConnectException(OU("couldn't connect to pipe " + path + ": " + why));
}

// Connects without waiting on the office: a non-blocking connect of a Unix socket either
// completes or says "try again" (the office's backlog is full), retried until the deadline.
int ConnectBefore(const std::string &path, std::chrono::steady_clock::time_point deadline) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) NoOffice(path, "the path is too long");
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) NoOffice(path, std::strerror(errno));
    while (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        int error = errno;
        if ((error == EAGAIN || error == EINTR) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        ::close(fd);
        NoOffice(path, error == EAGAIN ? "the office does not accept" : std::strerror(error));
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Waits until a non-blocking connect of `fd` has finished or `deadline` has passed; returns 0 or
// the error of the attempt (ETIMEDOUT past the deadline).
int FinishConnect(int fd, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return ETIMEDOUT;
        pollfd waiting{fd, POLLOUT, 0};
        int ready = ::poll(&waiting, 1, static_cast<int>(left.count()) + 1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return errno;
        if (ready == 0) continue;  // the deadline is checked again above
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0) return errno;
        return error;
    }
}

}  // namespace

std::string OfficePipePath(const std::string &name) {
    std::string folder = ::access("/tmp", W_OK) == 0 ? "/tmp" : "/var/tmp";
    return folder + "/OSL_PIPE_" + std::to_string(::getuid()) + "_" + name;
}

std::string UntrustedPipeReason(const std::string &path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return {};  // nothing there: nothing to trust or refuse
    if (S_ISLNK(info.st_mode)) return "it is a symbolic link";
    if (!S_ISSOCK(info.st_mode)) return "it is not a socket";
    if (info.st_uid != ::getuid())
        return "it belongs to user " + std::to_string(info.st_uid) + ", not to user " + std::to_string(::getuid());
    size_t slash = path.rfind('/');
    return UntrustedFolderReason(slash == 0 ? "/" : path.substr(0, slash));
}

uno::Reference<connection::XConnection> ConnectOfficePipe(const std::string &name,
                                                          std::chrono::steady_clock::time_point deadline) {
    const std::string path = OfficePipePath(name);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) NoOffice(path, std::strerror(errno));
    if (std::string reason = UntrustedPipeReason(path); !reason.empty()) throw PipeRefused(path, reason);
    int fd = ConnectBefore(path, deadline);
    // The file was ours a moment ago; the listening process must be ours too.
    ucred peer{};
    socklen_t size = sizeof peer;
    std::string reason;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0)
        reason = "the process serving it cannot be identified";
    else if (peer.uid != ::getuid())
        reason = "it is served by user " + std::to_string(peer.uid) + ", not by user " + std::to_string(::getuid());
    if (!reason.empty()) {
        ::close(fd);
        throw PipeRefused(path, reason);
    }
    return new PipeConnection(fd, "pipe,name=" + name);
}

uno::Reference<connection::XConnection> ConnectOfficeSocket(const std::string &host, int port,
                                                            std::chrono::steady_clock::time_point deadline) {
    const std::string where = host + ":" + std::to_string(port);
    auto noOffice = [&](const std::string &why) {
        throw connection::NoConnectException(OU("couldn't connect to socket " + where + ": " + why));
    };
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo *found = nullptr;
    if (int error = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); error != 0)
        noOffice(::gai_strerror(error));
    std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);
    int lastError = ENOENT;
    for (addrinfo *address = found; address; address = address->ai_next) {
        int fd = ::socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, address->ai_protocol);
        if (fd < 0) {
            lastError = errno;
            continue;
        }
        int error = ::connect(fd, address->ai_addr, address->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) error = FinishConnect(fd, deadline);
        if (error == 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
            int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            return new PipeConnection(fd, "socket,host=" + host + ",port=" + std::to_string(port));
        }
        ::close(fd);
        lastError = error;
        if (error == ETIMEDOUT) break;  // the deadline is spent: no time for another address
    }
    noOffice(lastError == ETIMEDOUT ? "no answer before the deadline" : std::strerror(lastError));
    return {};  // not reached
}

}  // namespace ombra::calcbridge
