// A server that accepts connections and then never answers, before its greeting or after it:
// every wait on it ends within its bound, the sender can always be stopped, and the measurements
// stay in the outbox for a server that answers.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "core/journalserver/JournalSender.h"
#include "core/journalserver/ServerConnection.h"
#include "core/output/MeasurementJournal.h"

namespace ombra::core {
namespace {

// Listens on "<folder>/.s.PGSQL.<port>". Silent: takes connections and says nothing. Greeting:
// answers the start-up message as a server that trusts everybody, then says nothing more.
class MuteServer {
public:
    enum Kind { Silent, Greeting };
    MuteServer(const QString &folder, int port, Kind kind) : kind_(kind) {
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray path = QDir(folder).filePath(".s.PGSQL." + QString::number(port)).toLocal8Bit();
        std::strncpy(addr.sun_path, path.constData(), sizeof addr.sun_path - 1);
        ok_ = ::bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 && ::listen(listener_, 16) == 0;
        thread_ = std::thread([this] { Serve(); });
    }
    ~MuteServer() {
        stop_ = true;
        thread_.join();
        for (int fd : clients_) ::close(fd);
        ::close(listener_);
    }
    bool ok() const { return ok_; }
    int accepted() const { return accepted_; }

private:
    void Serve() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int fd = ::accept(listener_, nullptr, nullptr);
            if (fd < 0) continue;
            ++accepted_;
            clients_.push_back(fd);
            if (kind_ == Greeting) Greet(fd);
        }
    }
    // Reads the start-up message, then: authentication done, ready for a query.
    static void Greet(int fd) {
        unsigned char length[4];
        if (::recv(fd, length, 4, MSG_WAITALL) != 4) return;
        std::vector<char> rest((length[0] << 24 | length[1] << 16 | length[2] << 8 | length[3]) - 4);
        if (::recv(fd, rest.data(), rest.size(), MSG_WAITALL) != static_cast<ssize_t>(rest.size())) return;
        const char answer[] = {'R', 0, 0, 0, 8, 0, 0, 0, 0, 'Z', 0, 0, 0, 5, 'I'};
        ::send(fd, answer, sizeof answer, MSG_NOSIGNAL);
    }

    Kind kind_;
    int listener_ = -1;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<int> accepted_{0};
    std::vector<int> clients_;
    std::thread thread_;
};

ServerAddress AddressIn(const QString &folder) {
    ServerAddress a;
    a.host = folder;
    a.port = 5999;
    a.user = "postgres";
    a.database = "journal";
    return a;
}

ServerBounds Short() {
    ServerBounds b;
    b.connectSeconds = 2;
    b.statementMs = 500;
    b.watchdogMs = 1000;
    return b;
}

TEST(SilentServer, EveryWaitEndsWithinItsBound) {
    for (MuteServer::Kind kind : {MuteServer::Silent, MuteServer::Greeting}) {
        QTemporaryDir dir;
        MuteServer mute(dir.path(), 5999, kind);
        ASSERT_TRUE(mute.ok());
        ServerConnection connection(AddressIn(dir.path()), Short());
        QElapsedTimer waited;
        waited.start();
        EXPECT_FALSE(connection.Open());
        // Connecting is bounded by the client library (2 s), the whole attempt by the watchdog
        // behind it (2 s + 1 s); far more means a wait without a bound.
        EXPECT_LT(waited.elapsed(), 6000) << "kind " << kind;
        EXPECT_GE(mute.accepted(), 1);
        EXPECT_FALSE(connection.LastError().isEmpty());
        EXPECT_FALSE(connection.IsOpen());
    }
}

// The sender keeps trying a server that never answers; the measurements stay counted and it
// stops at once, also in the middle of a wait.
TEST(SilentServer, TheSenderStopsAtOnceAndLosesNothing) {
    QTemporaryDir dir;
    MuteServer mute(dir.path(), 5999, MuteServer::Greeting);
    ASSERT_TRUE(mute.ok());
    const QString path = dir.path() + "/journal.sqlite";
    MeasurementJournal journal(nullptr, path, QStringList{});
    for (int n = 0; n < 3; ++n) {
        JournalEntry e;
        e.date = "2026/12/09";
        e.time = "11:00:0" + std::to_string(n);
        e.model = "OS-100";
        e.serial = "1";
        e.outputItems = {OutputItem{1000, "L*", 50, "50.00"}};
        ASSERT_GT(journal.Record(e).value_or(0), 0);
    }
    SenderTimings timings;
    timings.bounds = Short();
    timings.firstRetryMs = 50;
    JournalSender sender(path, AddressIn(dir.path()), ThisStation("mute"), timings);
    sender.Start();
    QElapsedTimer clock;
    clock.start();
    while (mute.accepted() < 1 && clock.elapsed() < 5000) QThread::msleep(10);
    ASSERT_GE(mute.accepted(), 1);
    QThread::msleep(200);  // inside the greeting's first unanswered statement
    clock.restart();
    sender.Stop();
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(sender.Sent(), 0);
    EXPECT_EQ(journal.OutboxCount(), 3);
}

}  // namespace
}  // namespace ombra::core
