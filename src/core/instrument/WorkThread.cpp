#include "core/instrument/WorkThread.h"
#include "trace/TraceTimings.h"

#include <chrono>

namespace ombra::core {

std::optional<WatchEvent> WatchEventOf(int message) {
    if (message < static_cast<int>(WatchEvent::ReflectionPressed) || message > static_cast<int>(WatchEvent::ReflectionReleased))
        return std::nullopt;
    return static_cast<WatchEvent>(message);
}

CWorkThread::CWorkThread(MessagePoster poster, int pollIntervalMs)
    : pollInterval_(pollIntervalMs), poster_(std::move(poster)) {}

CWorkThread::~CWorkThread() { StopWorker(); }

void CWorkThread::StartWorker(std::function<void()> pollOnce) {
    if (thread_.joinable()) return;
    thread_ = std::thread([this, poll = std::move(pollOnce)] { workerLoop(poll); });
    SetRunning(true);
}

void CWorkThread::StopWorker() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(eventLock_);
        stopSignalled_ = true;
    }
    eventChanged_.notify_all();
    // A call stuck in the library is bounded by the library's own time-out, so joining
    // cannot hang; ending a thread forcibly could leave the instrument lock taken.
    thread_.join();
    std::lock_guard<std::mutex> guard(eventLock_);
    stopSignalled_ = false;
}

void CWorkThread::SetRunning(bool run) {
    {
        std::lock_guard<std::mutex> guard(eventLock_);
        runSignalled_ = run;
    }
    eventChanged_.notify_all();
}

void CWorkThread::workerLoop(const std::function<void()> &pollOnce) {
    std::unique_lock<std::mutex> lock(eventLock_);
    for (;;) {
        if (stopSignalled_) return;
        eventChanged_.wait(lock, [this] { return runSignalled_ || stopSignalled_; });
        if (stopSignalled_) return;
        lock.unlock();
        pollOnce();
        lock.lock();
        eventChanged_.wait_for(lock, std::chrono::milliseconds(pollInterval_), [this] { return stopSignalled_; });
    }
}

CButtonWatchThread::CButtonWatchThread(MessagePoster poster, int pollIntervalMs)
    : CWorkThread(std::move(poster), pollIntervalMs) {}

CButtonWatchThread::~CButtonWatchThread() { StopWorker(); }

void CButtonWatchThread::Start() { StartWorker([this] { PollOnce(); }); }
void CButtonWatchThread::Stop() { StopWorker(); }
void CButtonWatchThread::Pause() { SetRunning(false); }
void CButtonWatchThread::Resume() { SetRunning(true); }

void CButtonWatchThread::PollOnce() const {
    DIButtonStatus status{};
    int32_t rc = LockedCall([&](const DIFunctions &di) { return di.DIGetButtonStatus(DeviceHandle().load(), &status); });
    if (rc != 0) {
        Post(WatchEvent::InstrumentLost);
        return;
    }
    if (status.irradianceTrigger == 1) Post(WatchEvent::IrradiancePressed);
    else if (status.irradianceTrigger == 0) Post(WatchEvent::IrradianceReleased);
    if (status.reflectionTrigger == 1) trace::TraceMark("button seen");
    if (status.reflectionTrigger == 1) Post(WatchEvent::ReflectionPressed);
    else if (status.reflectionTrigger == 0) Post(WatchEvent::ReflectionReleased);
}

}  // namespace ombra::core
