#include "Server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "fxapi/fxapi.h"
#include "fxtrust.h"

namespace fxsim {

namespace {

volatile std::sig_atomic_t terminationRequested = 0;
void OnTerminate(int) { terminationRequested = 1; }

bool FillAddress(const std::string &path, sockaddr_un &address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

// Sends everything within `timeoutMs`; a peer that does not take its bytes in time is given up.
bool SendAll(int fd, const std::vector<uint8_t> &bytes, int timeoutMs = 1000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd pfd{fd, POLLOUT, 0};
            if (left.count() <= 0 || ::poll(&pfd, 1, static_cast<int>(left.count())) == 0) return false;
            continue;
        }
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Requests a client may have sent ahead of their answers; beyond this the server stops reading
// from it until it has answered.
constexpr size_t kMaxBufferedRequestBytes = 4 * (sizeof(fxproto::RequestHeader) + fxproto::kMaxPayload);

int32_t PeekResult(const std::vector<uint8_t> &response) {
    fxproto::ResponseHeader header{};
    std::memcpy(&header, response.data(), sizeof header);
    return header.result;
}

}  // namespace

int ListenAt(const std::string &path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return -1;
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Connects without hanging on a server that does not accept (a stopped one with a full
// queue): tries again for at most a second, then gives up. The socket is blocking afterwards.
int ConnectTo(const std::string &path) {
    sockaddr_un address;
    if (!FillAddress(path, address)) return -1;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 && errno != EISCONN) {
        bool retry = errno == EAGAIN || errno == EINTR || errno == EINPROGRESS || errno == EALREADY;
        if (!retry || std::chrono::steady_clock::now() >= deadline) {
            ::close(fd);
            return -1;
        }
        ::usleep(10000);
    }
    if (!fxproto::PeerIsThisUser(fd)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

QJsonObject SendControl(const std::string &dir, const QStringList &args, int timeoutMs) {
    if (std::string why = fxproto::UntrustedFolderReason(dir); !why.empty() && why != "it does not exist")
        return {{"ok", false}, {"error", QString::fromStdString("refusing the device folder " + dir + ": " + why)}};
    int fd = ConnectTo(dir + "/" + fxproto::kControlSocketName);
    if (fd < 0) return {{"ok", false}, {"error", QString::fromStdString("no virtual instrument is running in " + dir)}};
    QByteArray request = QJsonDocument(QJsonArray::fromStringList(args)).toJson(QJsonDocument::Compact) + "\n";
    ::send(fd, request.constData(), static_cast<size_t>(request.size()), MSG_NOSIGNAL);
    QByteArray reply;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        reply.append(buffer, n);
    }
    ::close(fd);
    QJsonObject answer = QJsonDocument::fromJson(reply).object();
    if (answer.isEmpty()) return {{"ok", false}, {"error", "no answer from the virtual instrument"}};
    return answer;
}

Server::Server(std::vector<DeviceConfig> devices, std::string dir, std::string stateFile)
    : engine_(MakeResultEngine()), dir_(std::move(dir)), stateFile_(std::move(stateFile)) {
    for (size_t i = 0; i < devices.size(); ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/fx%02zu-%d%s", i, devices[i].serial, fxproto::kDeviceSuffix);
        slots_.push_back({std::make_unique<Device>(devices[i], *engine_), dir_ + name, -1});
    }
    controlPath_ = dir_ + "/" + fxproto::kControlSocketName;
}

Server::~Server() {
    for (size_t i = 0; i < slots_.size(); ++i) Unplug(i);  // drops every connection too
    for (auto &client : controlClients_)
        if (client->fd >= 0) ::close(client->fd);
    if (controlFd_ >= 0) {
        ::close(controlFd_);
        ::unlink(controlPath_.c_str());
    }
}

bool Server::Start(std::string &error) {
    ::mkdir(dir_.c_str(), 0700);
    // Another user able to change this folder could swap a device socket for one of its own.
    if (std::string why = fxproto::UntrustedFolderReason(dir_); !why.empty()) {
        error = "refusing the device folder " + dir_ + ": " + why;
        return false;
    }
    if (int running = ConnectTo(controlPath_); running >= 0) {
        ::close(running);
        error = "a virtual instrument is already running in " + dir_;
        return false;
    }
    if (QFile::exists(QString::fromStdString(stateFile_))) {
        QFile file(QString::fromStdString(stateFile_));
        std::string why;
        std::optional<StoredBySerial> state;
        if (file.open(QIODevice::ReadOnly)) state = ParseState(file.readAll(), why);
        if (!state) {
            error = "state file " + stateFile_ + ": " + (why.empty() ? "cannot be read" : why);
            return false;
        }
        stored_ = *state;
    }
    for (auto &slot : slots_) {
        auto found = stored_.find(slot.device->Config().serial);
        if (found != stored_.end()) slot.device->Restore(found->second);
    }
    stateWriter_ = std::make_unique<StateWriter>(stateFile_);
    for (size_t i = 0; i < slots_.size(); ++i)
        if (!Plug(i, error)) return false;
    // The control socket comes last: once it exists, every device socket exists too.
    controlFd_ = ListenAt(controlPath_);
    if (controlFd_ < 0) {
        error = "cannot create the control socket " + controlPath_ + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Server::Plug(size_t index, std::string &error) {
    Slot &slot = slots_[index];
    if (slot.listenFd >= 0) return true;
    slot.listenFd = ListenAt(slot.path);
    if (slot.listenFd < 0) {
        error = "cannot create the device socket " + slot.path + ": " + std::strerror(errno);
        return false;
    }
    slot.device->plugged = true;
    return true;
}

void Server::Unplug(size_t index) {
    Slot &slot = slots_[index];
    if (slot.listenFd >= 0) {
        ::close(slot.listenFd);
        ::unlink(slot.path.c_str());
        slot.listenFd = -1;
    }
    slot.device->plugged = false;
    for (auto &connection : connections_)
        if (connection->device == index) Drop(*connection);
}

void Server::Drop(Connection &connection) {
    if (connection.dead) return;
    connection.dead = true;
    ::close(connection.fd);
    connection.fd = -1;
    if (!connection.refused) {
        slots_[connection.device].device->connected = false;
        slots_[connection.device].device->ClientGone();
    }
}

void Server::Accept(size_t index) {
    int fd = ::accept4(slots_[index].listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    if (!fxproto::PeerIsThisUser(fd)) {
        ::close(fd);  // only this user's programs may use the instrument
        return;
    }
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    connection->device = index;
    Device &device = *slots_[index].device;
    // A client that has just gone away may not have been noticed yet: look before refusing.
    for (auto &existing : connections_)
        if (existing->device == index && !existing->refused && !existing->dead) ReadFrom(*existing);
    connection->refused = device.connected;
    device.connected = true;
    connections_.push_back(std::move(connection));
}

void Server::ReadFrom(Connection &connection) {
    uint8_t buffer[8192];
    while (connection.decoder.Buffered() < kMaxBufferedRequestBytes) {
        ssize_t n = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            connection.decoder.Feed(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        Drop(connection);  // the client closed its end
        return;
    }
}

// Answers the requests received so far; an answer held back by a delay holds back the
// following ones too, so answers leave in request order.
void Server::Serve(Connection &connection, Clock::time_point now) {
    while (!connection.dead && connection.outgoing.empty()) {
        auto request = connection.decoder.Next();
        if (!request) {
            if (connection.decoder.Broken()) Drop(connection);
            return;
        }
        auto op = static_cast<fxproto::Op>(request->header.op);
        Outgoing out;
        out.due = now;
        if (connection.refused) {
            fxproto::Response busy;
            busy.header = {fxproto::kResponseMagic, request->header.seq, DI_ERR_DEVICE_BUSY, 0};
            out.bytes = fxproto::Encode(busy);
            out.closeAfter = true;
        } else {
            Device &device = *slots_[connection.device].device;
            if (device.TakeUnplugDuring(op)) {
                Unplug(connection.device);  // the request stays unanswered
                return;
            }
            out.bytes = fxproto::Encode(device.Handle(*request));
            out.due = now + std::chrono::milliseconds(device.DelayFor(op));
            device.DelayUsed(op);
            // A refused opening leaves the device free, as does closing.
            out.closeAfter = op == fxproto::Op::CloseDevice ||
                             (op == fxproto::Op::EnumDevice && PeekResult(out.bytes) != DI_OK);
            if (device.TakeDirty()) {
                stored_[device.Config().serial] = device.Stored();
                SaveState();
            }
        }
        connection.outgoing.push_back(std::move(out));
        Flush(connection, now);
    }
}

void Server::Flush(Connection &connection, Clock::time_point now) {
    while (!connection.dead && !connection.outgoing.empty() && connection.outgoing.front().due <= now) {
        Outgoing out = std::move(connection.outgoing.front());
        connection.outgoing.pop_front();
        if (!SendAll(connection.fd, out.bytes) || out.closeAfter) Drop(connection);
    }
}

void Server::SaveState() { stateWriter_->Save(SerializeState(stored_)); }

StateWriter::StateWriter(std::string path) : path_(std::move(path)), thread_([this] { Loop(); }) {}

StateWriter::~StateWriter() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void StateWriter::Save(QByteArray contents) {
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(contents);
    }
    wake_.notify_one();
}

void StateWriter::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || pending_; });
        if (!pending_) return;  // stopping with nothing left to write
        QByteArray contents = std::move(*pending_);
        pending_.reset();
        lock.unlock();
        QSaveFile file(QString::fromStdString(path_));  // a whole new file, synced, then renamed
        if (!file.open(QIODevice::WriteOnly) || file.write(contents) < 0 || !file.commit())
            std::fprintf(stderr, "fxsim: cannot write the state file %s\n", path_.c_str());
        lock.lock();
    }
}

int Server::PollTimeoutMs(Clock::time_point now) const {
    auto next = now + std::chrono::milliseconds(250);
    for (const auto &connection : connections_)
        if (!connection->outgoing.empty()) next = std::min(next, connection->outgoing.front().due);
    for (const auto &slot : slots_)
        if (auto event = slot.device->NextEvent()) next = std::min(next, *event);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
    return static_cast<int>(std::clamp<long long>(ms + 1, 0, 250));
}

void Server::Run() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTERM, OnTerminate);
    std::signal(SIGINT, OnTerminate);
    enum Kind { ControlListener, DeviceListener, DeviceClient, Controller };
    while (!stopping_ && !terminationRequested) {
        std::vector<pollfd> fds;
        std::vector<std::pair<Kind, size_t>> what;
        fds.push_back({controlFd_, POLLIN, 0});
        what.push_back({ControlListener, 0});
        for (size_t i = 0; i < slots_.size(); ++i)
            if (slots_[i].listenFd >= 0) {
                fds.push_back({slots_[i].listenFd, POLLIN, 0});
                what.push_back({DeviceListener, i});
            }
        for (size_t i = 0; i < connections_.size(); ++i)
            if (connections_[i]->decoder.Buffered() < kMaxBufferedRequestBytes) {
                fds.push_back({connections_[i]->fd, POLLIN, 0});
                what.push_back({DeviceClient, i});
            }
        for (size_t i = 0; i < controlClients_.size(); ++i) {
            fds.push_back({controlClients_[i]->fd, POLLIN, 0});
            what.push_back({Controller, i});
        }
        int ready = ::poll(fds.data(), fds.size(), PollTimeoutMs(Clock::now()));
        if (ready < 0 && errno != EINTR) break;
        for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
            if (!fds[i].revents) continue;
            auto [kind, index] = what[i];
            if (kind == ControlListener) AcceptControlClient();
            else if (kind == DeviceListener && slots_[index].listenFd >= 0) Accept(index);
            else if (kind == DeviceClient && !connections_[index]->dead) ReadFrom(*connections_[index]);
            else if (kind == Controller) ReadControlClient(*controlClients_[index]);
        }
        auto now = Clock::now();
        for (auto &client : controlClients_)
            if (!client->done && now >= client->deadline) AnswerControlClient(*client);
        for (auto &slot : slots_) slot.device->Tick(now);
        for (auto &connection : connections_) {
            Flush(*connection, now);
            Serve(*connection, now);
        }
        std::erase_if(connections_, [](const auto &connection) { return connection->dead; });
        std::erase_if(controlClients_, [](const auto &client) { return client->done; });
    }
}

void Server::AcceptControlClient() {
    int fd = ::accept4(controlFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    if (!fxproto::PeerIsThisUser(fd)) {
        ::close(fd);
        return;
    }
    auto client = std::make_unique<ControlClient>();
    client->fd = fd;
    client->deadline = Clock::now() + std::chrono::seconds(1);
    controlClients_.push_back(std::move(client));
}

// Collects what has arrived; a whole line (or the end of the stream) is the request.
void Server::ReadControlClient(ControlClient &client) {
    char buffer[4096];
    ssize_t n = ::recv(client.fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    if (n > 0) client.text.append(buffer, static_cast<size_t>(n));
    if (n <= 0 || client.text.find('\n') != std::string::npos || client.text.size() >= 65536)
        AnswerControlClient(client);
}

void Server::AnswerControlClient(ControlClient &client) {
    QJsonDocument request = QJsonDocument::fromJson(QByteArray::fromStdString(client.text));
    QJsonObject reply;
    if (!request.isArray()) {
        reply = {{"ok", false}, {"error", "a control request is a JSON list of arguments"}};
    } else {
        QStringList args;
        for (const auto &value : request.array()) args << value.toString();
        reply = Control(args);
    }
    QByteArray bytes = QJsonDocument(reply).toJson(QJsonDocument::Compact) + "\n";
    SendAll(client.fd, std::vector<uint8_t>(bytes.begin(), bytes.end()), 100);  // a client that does not read loses it
    ::close(client.fd);
    client.fd = -1;
    client.done = true;
}

QJsonObject Server::Status() const {
    QJsonArray devices;
    for (const auto &slot : slots_) {
        QJsonObject device = slot.device->ToJson();
        device.insert("socket", QString::fromStdString(slot.path));
        devices.append(device);
    }
    return {{"dir", QString::fromStdString(dir_)}, {"stateFile", QString::fromStdString(stateFile_)},
            {"devices", devices}};
}

}  // namespace fxsim
