// The office's local pipe: where it lives, whether the socket there may be trusted, and a
// connection to it that is made before a deadline and can be cut from another thread; the same
// bounded connection to an office listening on a TCP port.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>

#include <com/sun/star/connection/XConnection.hpp>

namespace ombra::calcbridge {

// "/tmp/OSL_PIPE_<uid>_<name>": where an office of this user listens on the pipe `name` (the
// office puts it in /tmp, or /var/tmp when /tmp cannot be written).
std::string OfficePipePath(const std::string &name);

// Why the socket at `path` must not be used (another user's, a symbolic link, no socket, a folder
// others may change); empty when it is this user's own socket.
std::string UntrustedPipeReason(const std::string &path);

// The socket exists but belongs to someone else: nothing was sent to it.
class PipeRefused : public std::runtime_error {
public:
    PipeRefused(std::string path, std::string reason)
        : std::runtime_error("the office pipe " + path + " was not used: " + reason), path_(std::move(path)),
          reason_(std::move(reason)) {}
    const std::string &Path() const { return path_; }
    const std::string &Reason() const { return reason_; }

private:
    std::string path_, reason_;
};

// Connects to the pipe before `deadline`. No office there: connection::NoConnectException. A
// socket that is not the user's own (checked on the file before connecting and on the peer's
// credentials after): PipeRefused. A full backlog past the deadline: NoConnectException too.
// close() on the result makes a blocked read or write fail at once.
com::sun::star::uno::Reference<com::sun::star::connection::XConnection>
ConnectOfficePipe(const std::string &name, std::chrono::steady_clock::time_point deadline);

// Connects to an office listening on a TCP port (for diagnostics) before `deadline`: a host that
// does not answer, refuses or cannot be resolved gives connection::NoConnectException. Numeric
// addresses and names in the hosts file resolve at once; other names wait on the system resolver,
// whose own time-outs bound that wait.
com::sun::star::uno::Reference<com::sun::star::connection::XConnection>
ConnectOfficeSocket(const std::string &host, int port, std::chrono::steady_clock::time_point deadline);

}  // namespace ombra::calcbridge
