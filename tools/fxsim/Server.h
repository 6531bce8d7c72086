// Serves the devices of a scenario: one Unix-domain socket per plugged device and one control
// socket, all in one directory, driven by a single poll loop.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QByteArray>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Device.h"
#include "Scenario.h"

namespace fxsim {

// Writes the state file on a thread of its own, so that syncing it to disk never holds up an
// answer to a device. Only the newest state is written; the destructor writes what is left.
class StateWriter {
public:
    explicit StateWriter(std::string path);
    ~StateWriter();
    StateWriter(const StateWriter &) = delete;
    StateWriter &operator=(const StateWriter &) = delete;

    void Save(QByteArray contents);

private:
    void Loop();

    std::string path_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<QByteArray> pending_;
    bool stopping_ = false;
    std::thread thread_;
};

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
    // A control client: its request line is collected as it arrives, within a second.
    struct ControlClient {
        int fd = -1;
        std::string text;
        Clock::time_point deadline;
        bool done = false;
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
    void AcceptControlClient();
    void ReadControlClient(ControlClient &client);
    void AnswerControlClient(ControlClient &client);
    int PollTimeoutMs(Clock::time_point now) const;
    void SaveState();
    QJsonObject Status() const;

    std::unique_ptr<ResultEngine> engine_;
    std::vector<Slot> slots_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<std::unique_ptr<ControlClient>> controlClients_;
    std::string dir_;
    std::string stateFile_;
    StoredBySerial stored_;
    std::string controlPath_;
    int controlFd_ = -1;
    bool stopping_ = false;
    std::unique_ptr<StateWriter> stateWriter_;
};

// A listening Unix-domain socket at `path` (a stale file there is replaced), or -1.
int ListenAt(const std::string &path);
// A connection to the socket at `path` served by this user, or -1.
int ConnectTo(const std::string &path);
// Sends one control command to the server in `dir` and returns its reply
// ({"ok": false, "error": ...} when no server answers within `timeoutMs`).
QJsonObject SendControl(const std::string &dir, const QStringList &args, int timeoutMs = 10000);

}  // namespace fxsim
