// Serves the devices of a scenario: one Unix-domain socket per plugged device and one control
// socket, all in one directory, driven by a single poll loop.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "Device.h"
#include "Scenario.h"

namespace fxsim {

class Server {
public:
    Server(std::vector<DeviceConfig> devices, std::string dir, std::string stateFile);
    ~Server();
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    // Creates the sockets; false with `error` set when that is impossible.
    bool Start(std::string &error);
    // Runs until a stop command or a termination signal.
    void Run();

    // Executes one control command (the arguments after "fxsim"); the reply is
    // {"ok": bool, "output": text} or {"ok": false, "error": text}.
    QJsonObject Control(const QStringList &args);

private:
    using Clock = std::chrono::steady_clock;

    struct Outgoing {
        Clock::time_point due;
        std::vector<uint8_t> bytes;
        bool closeAfter = false;
    };
    struct Connection {
        int fd = -1;
        size_t device = 0;
        bool refused = false;  // a second client: answered "busy" and dropped
        fxproto::RequestDecoder decoder;
        std::deque<Outgoing> outgoing;
        bool dead = false;
    };
    struct Slot {
        std::unique_ptr<Device> device;
        std::string path;
        int listenFd = -1;
    };

    bool Plug(size_t index, std::string &error);
    void Unplug(size_t index);
    void Accept(size_t index);
    void ReadFrom(Connection &connection);
    void Serve(Connection &connection, Clock::time_point now);
    void Flush(Connection &connection, Clock::time_point now);
    void Drop(Connection &connection);
    void HandleControlClient(int fd);
    int PollTimeoutMs(Clock::time_point now) const;
    void SaveState();
    QJsonObject Status() const;

    std::unique_ptr<ResultEngine> engine_;
    std::vector<Slot> slots_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::string dir_;
    std::string stateFile_;
    StoredBySerial stored_;
    std::string controlPath_;
    int controlFd_ = -1;
    bool stopping_ = false;
};

// A listening Unix-domain socket at `path` (a stale file there is replaced), or -1.
int ListenAt(const std::string &path);
// A connection to the socket at `path`, or -1.
int ConnectTo(const std::string &path);
// Sends one control command to the server in `dir` and returns its reply
// ({"ok": false, "error": ...} when no server answers within `timeoutMs`).
QJsonObject SendControl(const std::string &dir, const QStringList &args, int timeoutMs = 10000);

}  // namespace fxsim
