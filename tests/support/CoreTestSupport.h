// Common set-up for the test programs of the core layer: an application without windows,
// the resource library from the build, settings kept in memory, and notices recorded.
#pragma once

#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "platform/Notice.h"
#include "platform/ProfileStore.h"

namespace ombra::test {

// Loads the build's resource library and keeps settings in memory (the user's own settings
// are never touched by a test).
void EnterTestState();

// Creates the application object (no windows) and puts the process into its test state.
class CoreTestEnvironment {
public:
    CoreTestEnvironment(int &argc, char **argv);
    ~CoreTestEnvironment();

private:
    std::unique_ptr<QCoreApplication> app_;
};

// Records the notices given to its sink and answers each with `answer` (or the answers
// queued with Answer()).
class NoticeRecorder {
public:
    explicit NoticeRecorder(int answer = platform::mb::IDOK) : answer_(answer) {}

    NoticeSink Sink() {
        return [this](const Notice &notice) {
            notices_.push_back(notice);
            if (queued_.empty()) return answer_;
            const int next = queued_.front();
            queued_.erase(queued_.begin());
            return next;
        };
    }
    void Answer(int next) { queued_.push_back(next); }
    const std::vector<Notice> &Notices() const { return notices_; }
    size_t Count() const { return notices_.size(); }
    void Clear() { notices_.clear(); }
    // The text ids told so far, in order.
    std::vector<int> TextIds() const {
        std::vector<int> ids;
        for (const Notice &notice : notices_) ids.push_back(notice.textId);
        return ids;
    }

private:
    int answer_;
    std::vector<int> queued_;
    std::vector<Notice> notices_;
};

// Installs a fresh in-memory settings store for the lifetime of the object.
class ScopedMemoryProfile {
public:
    ScopedMemoryProfile();
    ~ScopedMemoryProfile();
    platform::MemoryProfileStore &Store() { return *store_; }

private:
    platform::MemoryProfileStore *store_;
    std::unique_ptr<platform::ProfileStore> previous_;
};

}  // namespace ombra::test
