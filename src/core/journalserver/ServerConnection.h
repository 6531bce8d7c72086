// The shared journal's server: where it is (parsed from the address the user gives) and one
// connection to it whose every wait ends in a bounded time. The server is PostgreSQL, reached
// through Qt's QPSQL driver; the password comes from the client library's password file
// (~/.pgpass, or the file PGPASSFILE names), never from the program's settings.
//
// Bounds: connecting (the client library's connect_timeout covers the whole handshake), each
// statement (the server's statement_timeout and lock_timeout), and behind both a watchdog of the
// connection's own: a connection or statement still unanswered when it expires is cut (its
// socket shut down), so a server that accepts and then never answers holds nobody for longer.
// A connection is used by the thread that opened it (Qt's database connections are per thread).
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <condition_variable>
#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace ombra::core {

struct ServerAddress {
    QString host;      // a host name, an address, or a folder holding the server's Unix socket
    int port = -1;     // -1: the client library's default (PGPORT, else 5432)
    QString user;      // empty: the client library's default (PGUSER, else the login name)
    QString database;  // empty: the user's name

    bool IsSocketFolder() const { return host.startsWith('/'); }
    // The server's Unix socket in that folder ("<folder>/.s.PGSQL.<port>").
    QString SocketPath() const;
    // The port a connection ends up using.
    int EffectivePort() const;
};

// Reads "postgresql://user@host:port/dbname" (also "postgres://"); every part but the scheme may
// be left out. A folder as host is written with %2F for each "/" or given as "?host=/folder". A
// password in the address is refused (it belongs in ~/.pgpass), as is anything else it cannot
// use; `problem` then says what is wrong, in English, for the command line.
std::optional<ServerAddress> ParseServerAddress(const QString &url, std::string *problem = nullptr);

struct ServerBounds {
    int connectSeconds = 3;  // the client library's connect_timeout (it takes 2 s at the least)
    int statementMs = 5000;  // the server's statement_timeout; lock waits end at half of it
    int watchdogMs = 8000;   // a connection attempt or statement still waiting then is cut
};

// Lets `lock` go for a short slice of the time until `until` (none once it has passed): the
// caller checks its condition and waits again.
void WaitSlice(std::unique_lock<std::mutex> &lock, std::chrono::steady_clock::time_point until);

// Waits on a thread of its own for a deadline; when one passes before it is disarmed, `expire`
// runs on that thread.
class Watchdog {
public:
    explicit Watchdog(std::function<void()> expire);
    ~Watchdog();
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
    void Arm(std::chrono::milliseconds within);
    void Disarm();
    // An armed watchdog expires now (on its own thread); a disarmed one stays so.
    void ExpireNow();
    // True when it expired since it was last armed.
    bool Expired() const;

private:
    void Run();

    std::function<void()> expire_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    bool expired_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

// Shuts down every socket of this process connected to the server at `address` (its Unix socket,
// or for a network server any connection to its port); the number shut down.
int CutConnectionsTo(const ServerAddress &address);

class ServerConnection {
public:
    explicit ServerConnection(ServerAddress address, ServerBounds bounds = {});
    ~ServerConnection();
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    // Connects (when not connected) and sets the statement bounds; false with LastError() when
    // the server cannot be reached or refuses.
    bool Open();
    bool IsOpen() const;
    void Close();
    // Cuts the connection attempt or statement that waits on the server now, if one does (from
    // any thread, while the connection's owner is inside that wait): a stop that cannot wait.
    void Interrupt() { watchdog_.ExpireNow(); }

    QSqlDatabase Database() const;
    // Each of these waits at most the watchdog's time. After a failure the connection counts as
    // closed (IsOpen false); the next Open connects anew.
    bool Prepare(QSqlQuery &query, const QString &sql);  // the driver asks the server to prepare it
    bool Exec(QSqlQuery &query);
    bool Exec(const QString &sql);
    bool Begin();
    bool Commit();
    void Rollback();
    const QString &LastError() const { return error_; }
    const ServerAddress &Address() const { return address_; }

private:
    bool Failed(const QString &error);
    bool Usable();

    ServerAddress address_;
    ServerBounds bounds_;
    QString name_;
    QString error_;
    bool broken_ = false;
    Watchdog watchdog_;
};

}  // namespace ombra::core
