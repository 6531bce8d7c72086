// The background thread that polls the instrument's own button every 100 ms and tells the
// main window about it through five private messages. The thread never touches data: it
// only hands message numbers to a poster, which queues them to the main window's thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "instrument/VireoDllAdapter.h"

namespace ombra::core {

namespace msg {
constexpr int kAppBase = 32768;
constexpr int kReflectionPressed = kAppBase + 10;   // 32778: second status value is 1
constexpr int kIrradiancePressed = kAppBase + 11;   // 32779: first status value is 1
constexpr int kInstrumentLost = kAppBase + 12;      // 32780: the button query failed
constexpr int kIrradianceReleased = kAppBase + 13;  // 32781: first status value is 0
constexpr int kReflectionReleased = kAppBase + 14;  // 32782: second status value is 0
}  // namespace msg

// Called on the worker thread with each message number; must only queue it.
using MessagePoster = std::function<void(int message)>;

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
    void Post(int message) const { poster_(message); }

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
