#include "core/journalserver/ServerConnection.h"

#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QSqlError>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <cstdlib>
#include <cstring>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

std::atomic<int> g_connections{0};

constexpr int kDefaultPort = 5432;

QString Decoded(const QString &text) { return QUrl::fromPercentEncoding(text.toUtf8()); }

bool SetPort(const QString &text, ServerAddress &address) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 1 || port > 65535) return false;
    address.port = port;
    return true;
}

bool Refuse(std::string *problem, const std::string &what) {
    if (problem) *problem = what;
    return false;
}

// "host", "host:port", "[v6]:port"; empty keeps the default.
bool ReadHostAndPort(const QString &text, ServerAddress &address, std::string *problem) {
    QString host = text;
    QString port;
    if (host.startsWith('[')) {
        const qsizetype close = host.indexOf(']');
        if (close < 0) return Refuse(problem, platform::ResString(res::kStrNoClosingBracket, {text.toStdString()}));
        port = host.mid(close + 1);
        host = host.mid(1, close - 1);
        if (!port.isEmpty() && !port.startsWith(':')) return Refuse(problem, platform::ResString(res::kStrTextAfterBracket, {text.toStdString()}));
        port = port.mid(1);
    } else if (const qsizetype colon = host.lastIndexOf(':'); colon >= 0) {
        port = host.mid(colon + 1);
        host = host.left(colon);
    }
    if (!port.isEmpty() && !SetPort(port, address)) return Refuse(problem, platform::ResString(res::kStrNoPortNumber, {port.toStdString()}));
    address.host = Decoded(host);
    return true;
}

bool ReadQuery(const QString &query, ServerAddress &address, std::string *problem) {
    for (const QString &pair : query.split('&', Qt::SkipEmptyParts)) {
        const QString key = pair.section('=', 0, 0);
        const QString value = Decoded(pair.section('=', 1));
        if (key == "host") address.host = value;
        else if (key == "user") address.user = value;
        else if (key == "dbname") address.database = value;
        else if (key == "port") {
            if (!SetPort(value, address)) return Refuse(problem, platform::ResString(res::kStrNoPortNumber, {value.toStdString()}));
        } else if (key == "password") {
            return Refuse(problem, platform::ResString(res::kStrNoPasswordHere));
        } else {
            return Refuse(problem, platform::ResString(res::kStrUnusedParameter, {key.toStdString()}));
        }
    }
    return true;
}

bool IsServerSocket(int fd, const ServerAddress &address, const QByteArray &socketPath) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISSOCK(st.st_mode)) return false;
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) != 0) return false;
    if (peer.ss_family == AF_UNIX) {
        const auto *un = reinterpret_cast<const sockaddr_un *>(&peer);
        return !socketPath.isEmpty() && std::strncmp(un->sun_path, socketPath.constData(), sizeof un->sun_path) == 0;
    }
    if (address.IsSocketFolder()) return false;
    if (peer.ss_family == AF_INET) return ntohs(reinterpret_cast<const sockaddr_in *>(&peer)->sin_port) == address.EffectivePort();
    if (peer.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<const sockaddr_in6 *>(&peer)->sin6_port) == address.EffectivePort();
    return false;
}

}  // namespace

int ServerAddress::EffectivePort() const {
    if (port > 0) return port;
    const int fromEnvironment = qEnvironmentVariableIntValue("PGPORT");
    return fromEnvironment > 0 ? fromEnvironment : kDefaultPort;
}

QString ServerAddress::SocketPath() const {
    return IsSocketFolder() ? host + "/.s.PGSQL." + QString::number(EffectivePort()) : QString();
}

std::optional<ServerAddress> ParseServerAddress(const QString &url, std::string *problem) {
    QString rest;
    for (const char *scheme : {"postgresql://", "postgres://"})
        if (url.startsWith(QLatin1String(scheme))) rest = url.mid(static_cast<qsizetype>(std::strlen(scheme)));
    if (rest.isNull()) {
        Refuse(problem, platform::ResString(res::kStrNotPostgresAddress, {url.toStdString()}));
        return std::nullopt;
    }
    ServerAddress address;
    const QString query = rest.section('?', 1);
    rest = rest.section('?', 0, 0);
    const qsizetype slash = rest.indexOf('/');
    const QString authority = slash < 0 ? rest : rest.left(slash);
    address.database = slash < 0 ? QString() : Decoded(rest.mid(slash + 1));
    const qsizetype at = authority.lastIndexOf('@');
    const QString user = at < 0 ? QString() : authority.left(at);
    if (user.contains(':')) {
        Refuse(problem, platform::ResString(res::kStrNoPasswordHere));
        return std::nullopt;
    }
    address.user = Decoded(user);
    if (!ReadHostAndPort(authority.mid(at + 1), address, problem) || !ReadQuery(query, address, problem))
        return std::nullopt;
    if (address.database.contains('/')) {
        Refuse(problem, platform::ResString(res::kStrSlashInDatabase, {address.database.toStdString()}));
        return std::nullopt;
    }
    return address;
}

// ---- Watchdog ----

void WaitSlice(std::unique_lock<std::mutex> &lock, std::chrono::steady_clock::time_point until) {
    // Short sleeps rather than a timed wait of a condition variable: the thread checkers of this
    // toolchain do not see the lock taken again inside such a wait and report races that are none.
    constexpr auto kSlice = std::chrono::milliseconds(10);
    const auto left = until - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) return;
    lock.unlock();
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, kSlice));
    lock.lock();
}

Watchdog::Watchdog(std::function<void()> expire) : expire_(std::move(expire)), thread_([this] { Run(); }) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Watchdog::Arm(std::chrono::milliseconds within) {
    {
        std::lock_guard lock(mutex_);
        deadline_ = std::chrono::steady_clock::now() + within;
        expired_ = false;
    }
    wake_.notify_all();
}

void Watchdog::ExpireNow() {
    {
        std::lock_guard lock(mutex_);
        if (!deadline_) return;
        deadline_ = std::chrono::steady_clock::now();
    }
    wake_.notify_all();
}

void Watchdog::Disarm() {
    std::lock_guard lock(mutex_);
    deadline_.reset();
}

bool Watchdog::Expired() const {
    std::lock_guard lock(mutex_);
    return expired_;
}

void Watchdog::Run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!deadline_) {
            wake_.wait(lock);
            continue;
        }
        WaitSlice(lock, *deadline_);
        if (!deadline_ || std::chrono::steady_clock::now() < *deadline_) continue;
        deadline_.reset();
        expired_ = true;
        lock.unlock();
        expire_();
        lock.lock();
    }
}

int CutConnectionsTo(const ServerAddress &address) {
    DIR *fds = ::opendir("/proc/self/fd");
    if (!fds) return 0;
    const QByteArray socketPath = address.SocketPath().toLocal8Bit();
    int cut = 0;
    while (const dirent *entry = ::readdir(fds)) {
        char *end = nullptr;
        const long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == ::dirfd(fds)) continue;
        if (IsServerSocket(static_cast<int>(fd), address, socketPath) && ::shutdown(static_cast<int>(fd), SHUT_RDWR) == 0)
            ++cut;
    }
    ::closedir(fds);
    return cut;
}

// ---- ServerConnection ----

ServerConnection::ServerConnection(ServerAddress address, ServerBounds bounds)
    : address_(std::move(address)), bounds_(bounds), watchdog_([this] { CutConnectionsTo(address_); }) {}

ServerConnection::~ServerConnection() { Close(); }

bool ServerConnection::IsOpen() const { return !name_.isEmpty() && !broken_; }

QSqlDatabase ServerConnection::Database() const { return QSqlDatabase::database(name_, false); }

bool ServerConnection::Open() {
    if (IsOpen()) return true;
    Close();  // a broken connection: its queries are gone by now
    if (!QSqlDatabase::isDriverAvailable("QPSQL")) {
        error_ = platform::ResQString(res::kStrNoDriver);
        return false;
    }
    name_ = QString("ombra-server-%1").arg(g_connections++);
    QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name_);
    db.setHostName(address_.host);
    if (address_.port > 0) db.setPort(address_.port);
    db.setUserName(address_.user);
    db.setDatabaseName(address_.database);
    db.setConnectOptions(QString("connect_timeout=%1;application_name=ombra-dts;keepalives_idle=10;"
                                 "keepalives_interval=5;keepalives_count=3")
                             .arg(bounds_.connectSeconds));
    watchdog_.Arm(std::chrono::milliseconds(bounds_.connectSeconds * 1000 + bounds_.watchdogMs));
    const bool opened = db.open();
    watchdog_.Disarm();
    if (!opened) return Failed(db.lastError().text());
    return Exec("SET client_min_messages = warning") &&
           Exec(QString("SET statement_timeout = %1").arg(bounds_.statementMs)) &&
           Exec(QString("SET lock_timeout = %1").arg(bounds_.statementMs / 2)) &&
           Exec(QString("SET idle_in_transaction_session_timeout = %1").arg(bounds_.watchdogMs * 4));
}

void ServerConnection::Close() {
    if (name_.isEmpty()) return;
    {
        QSqlDatabase db = QSqlDatabase::database(name_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(name_);
    name_.clear();
    broken_ = false;
}

bool ServerConnection::Failed(const QString &reported) {
    const QString error = reported.trimmed().isEmpty() ? platform::ResQString(res::kStrConnectionFailed) : reported;
    error_ = watchdog_.Expired() ? QString::fromStdString(platform::ResString(res::kStrNoAnswerInTime, {error.toStdString()})) : error;
    // Closed at the next Open or at the end, once the queries of the failed statement are gone.
    if (!name_.isEmpty()) broken_ = true;
    return false;
}

bool ServerConnection::Usable() {
    if (IsOpen()) return true;
    if (!broken_) error_ = platform::ResQString(res::kStrNotConnected);  // a broken one keeps what broke it
    return false;
}

bool ServerConnection::Prepare(QSqlQuery &query, const QString &sql) {
    if (!Usable()) return false;
    watchdog_.Arm(std::chrono::milliseconds(bounds_.watchdogMs));
    const bool ok = query.prepare(sql);
    watchdog_.Disarm();
    return ok || Failed(query.lastError().text());
}

bool ServerConnection::Exec(QSqlQuery &query) {
    if (!Usable()) return false;
    watchdog_.Arm(std::chrono::milliseconds(bounds_.watchdogMs));
    const bool ok = query.exec();
    watchdog_.Disarm();
    return ok || Failed(query.lastError().text());
}

bool ServerConnection::Exec(const QString &sql) {
    if (!Usable()) return false;
    QSqlQuery query(Database());
    watchdog_.Arm(std::chrono::milliseconds(bounds_.watchdogMs));
    const bool ok = query.exec(sql);
    watchdog_.Disarm();
    return ok || Failed(query.lastError().text());
}

bool ServerConnection::Begin() { return Exec("BEGIN"); }

bool ServerConnection::Commit() { return Exec("COMMIT"); }

void ServerConnection::Rollback() {
    if (IsOpen()) Exec("ROLLBACK");
}

}  // namespace ombra::core
