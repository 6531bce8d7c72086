// The background thread that polls the instrument's own button every 100 ms and tells the
// session about it through five events. The thread never touches data: it only hands events
// to a poster, which queues them to the session's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "core/instrument/VireoDllAdapter.h"

namespace ombra::core {

// What the watch thread tells, numbered as the program's private messages that carry it (a
// window or a test posts these numbers too).
enum class WatchEvent : int {
    ReflectionPressed = 32778,   // second status value is 1
    IrradiancePressed = 32779,   // first status value is 1
    InstrumentLost = 32780,      // the button query failed
    IrradianceReleased = 32781,  // first status value is 0
    ReflectionReleased = 32782,  // second status value is 0
};
// The event a posted message number carries; none for any other number.
std::optional<WatchEvent> WatchEventOf(int message);

// Called on the worker thread with each event; must only queue it.
using MessagePoster = std::function<void(WatchEvent event)>;

class CWorkThread {
public:
    CWorkThread(MessagePoster poster, int pollIntervalMs);
    virtual ~CWorkThread();
    CWorkThread(const CWorkThread &) = delete;
    CWorkThread &operator=(const CWorkThread &) = delete;

    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;

    bool HasThread() const { return thread_.joinable(); }
    int PollInterval() const { return pollInterval_; }

protected:
    // The worker's body calls one poll per round while running.
    void StartWorker(std::function<void()> pollOnce);
    void StopWorker();
    void SetRunning(bool run);
    void Post(WatchEvent event) const { poster_(event); }

private:
    void workerLoop(const std::function<void()> &pollOnce);

    int pollInterval_;
    MessagePoster poster_;
    std::thread thread_;
    CVireoDllAdapter adapter_;
    // The stop and run events share one condition so a paused worker also sees a stop.
    std::mutex eventLock_;
    std::condition_variable eventChanged_;
    bool stopSignalled_ = false;
    bool runSignalled_ = true;
};

class CButtonWatchThread : public CWorkThread {
public:
    static constexpr int kPollIntervalMs = 100;
    explicit CButtonWatchThread(MessagePoster poster, int pollIntervalMs = kPollIntervalMs);
    ~CButtonWatchThread() override;

    void Start() override;   // no effect while a worker exists
    void Stop() override;    // returns once the worker has ended, also when paused
    void Pause() override;   // the poll under way finishes; the next one waits
    void Resume() override;

    // One poll: query the button status and post its messages (public for tests).
    void PollOnce() const;
};

}  // namespace ombra::core
