#include "core/journalserver/JournalSender.h"

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

namespace ombra::core {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

JournalSender::JournalSender(QString journalPath, ServerAddress server, Station station, SenderTimings timings)
    : journalPath_(std::move(journalPath)), server_(std::move(server)), station_(std::move(station)), timings_(timings) {}

JournalSender::~JournalSender() { Stop(); }

void JournalSender::Start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { Run(); });
}

void JournalSender::Stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // A connection attempt or statement under way is cut rather than waited for; the outbox
        // keeps what it carried.
        if (connection_) connection_->Interrupt();
    }
    wake_.notify_all();
    thread_.join();
}

void JournalSender::Nudge() {
    {
        std::lock_guard lock(mutex_);
        nudged_ = true;
    }
    wake_.notify_all();
}

bool JournalSender::Stopping() const {
    std::lock_guard lock(mutex_);
    return stopping_;
}

void JournalSender::Publish(int waiting) {
    if (waiting_.exchange(waiting) != waiting) emit waitingChanged(waiting);
}

void JournalSender::SetReachable(bool reachable, const QString &problem) {
    const bool first = !everTried_.exchange(true);
    if (reachable_.exchange(reachable) != reachable || first) emit reachableChanged(reachable, problem);
}

void JournalSender::Run() {
    // Connections of this thread only; the journal object takes nothing held elsewhere.
    MeasurementJournal journal(nullptr, journalPath_, {});
    ServerConnection server(server_, timings_.bounds);
    {
        std::lock_guard lock(mutex_);
        connection_ = &server;
    }
    bool schemaChecked = false;
    int retryMs = timings_.firstRetryMs;
    Clock::time_point nextTry = Clock::now();
    while (!Stopping()) {
        {
            std::lock_guard lock(mutex_);
            nudged_ = false;
        }
        const int waiting = journal.OutboxCount();
        Publish(waiting);
        if (waiting > 0 && Clock::now() >= nextTry) {
            schemaChecked = schemaChecked && server.IsOpen();
            const bool sent = (schemaChecked || (schemaChecked = MigrateServerSchema(server))) && SendWaiting(journal, server);
            SetReachable(sent, sent ? QString() : server.LastError());
            if (sent) {
                retryMs = timings_.firstRetryMs;
                continue;
            }
            nextTry = Clock::now() + milliseconds(retryMs);
            retryMs = std::min(retryMs * 2, timings_.longestRetryMs);
        }
        Clock::time_point until = Clock::now() + milliseconds(timings_.pollMs);
        if (waiting > 0) until = std::min(until, nextTry);
        std::unique_lock lock(mutex_);
        while (!stopping_ && !nudged_ && Clock::now() < until) WaitSlice(lock, until);
    }
    std::lock_guard lock(mutex_);
    connection_ = nullptr;
}

// Batch after batch until the outbox is empty; each batch confirmed locally once the server has
// committed it.
bool JournalSender::SendWaiting(MeasurementJournal &journal, ServerConnection &server) {
    while (!Stopping()) {
        const std::vector<OutboxItem> items = journal.Outbox(timings_.batchRows);
        if (items.empty()) return true;
        if (!SendToServer(server, station_, items)) return false;
        if (afterServerCommit_) afterServerCommit_();
        std::vector<std::pair<qint64, qint64>> sent;
        sent.reserve(items.size());
        for (const OutboxItem &item : items) sent.emplace_back(item.entry.id, item.revision);
        if (!journal.ConfirmSent(sent)) return false;
        sent_ += static_cast<qint64>(items.size());
        Publish(journal.OutboxCount());
    }
    return true;
}

}  // namespace ombra::core
