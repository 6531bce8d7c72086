// A NoticeSink for tests of logic: records every notice and answers it without any window.
#pragma once

#include <vector>

#include "core/platform/Notice.h"

namespace ombra::core::test {

// Records the notices given to its sink and answers each with `answer` (or the answers
// queued with Answer()).
class NoticeRecorder {
public:
    explicit NoticeRecorder(int answer = platform::mb::IDOK) : answer_(answer) {}
    NoticeRecorder(const NoticeRecorder &) = delete;
    NoticeRecorder &operator=(const NoticeRecorder &) = delete;

    // The sink refers to this recorder: it must not outlive it.
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

}  // namespace ombra::core::test
