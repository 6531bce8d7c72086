// The background sender of the shared journal: every measurement the local journal keeps goes
// on to the server, oldest first, from a thread of its own with its own connections (to the
// local journal and to the server). The local journal stays the place a measurement is recorded
// first; its outbox says what the server has not confirmed yet, in the same transactions as the
// measurements themselves, so a measurement recorded is sent even when the program is killed
// before the send, and one sent but not yet confirmed locally is sent again (the server keeps it
// once under its identity). While the server cannot be reached the measurements wait in the
// outbox and the sender tries again, at growing intervals up to a limit; it is nudged after
// each new measurement. Nothing on the measuring road waits for it.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>

#include "core/journalserver/ServerConnection.h"
#include "core/journalserver/ServerJournal.h"

namespace ombra::core {

struct SenderTimings {
    ServerBounds bounds;
    int firstRetryMs = 1000;    // after a failed send; doubled after each further one
    int longestRetryMs = 8000;
    int pollMs = 2000;          // the outbox is looked at this often between nudges
    size_t batchRows = 200;     // measurements sent in one transaction
};

class JournalSender : public QObject {
    Q_OBJECT
public:
    JournalSender(QString journalPath, ServerAddress server, Station station, SenderTimings timings = {});
    ~JournalSender() override;
    JournalSender(const JournalSender &) = delete;
    JournalSender &operator=(const JournalSender &) = delete;

    void Start();
    // Ends the thread; what waits on the server then is cut, so this returns at once.
    void Stop();
    // New measurements may wait: they are counted and sent now (or at the next try).
    void Nudge();

    // The measurements waiting for the server when last counted.
    int Waiting() const { return waiting_.load(); }
    // The measurements the server has confirmed since the start.
    qint64 Sent() const { return sent_.load(); }
    bool Reachable() const { return reachable_.load(); }
    // Runs on the sender's thread after the server has taken a batch, before the outbox is told
    // (to stop the program there in a test). Set before Start.
    void SetAfterServerCommit(std::function<void()> hook) { afterServerCommit_ = std::move(hook); }

signals:
    // From the sender's thread: connect with a queued connection (the default across threads).
    void waitingChanged(int waiting);
    void reachableChanged(bool reachable, const QString &problem);

private:
    void Run();
    bool SendWaiting(MeasurementJournal &journal, ServerConnection &server);
    void Publish(int waiting);
    void SetReachable(bool reachable, const QString &problem);
    bool Stopping() const;

    const QString journalPath_;
    const ServerAddress server_;
    const Station station_;
    const SenderTimings timings_;
    std::function<void()> afterServerCommit_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool nudged_ = false;
    bool stopping_ = false;
    ServerConnection *connection_ = nullptr;  // the thread's own, while it runs
    std::atomic<int> waiting_{-1};
    std::atomic<qint64> sent_{0};
    std::atomic<bool> reachable_{false};
    std::atomic<bool> everTried_{false};
    std::thread thread_;
};

}  // namespace ombra::core
