// A NoticeSink for tests of logic: records every notice and answers it without any window.
#pragma once

#include <vector>

#include "platform/Notice.h"

namespace ombra::test {

class NoticeRecorder {
public:
    explicit NoticeRecorder(int answer = platform::mb::IDOK) : answer_(answer) {}
    NoticeRecorder(const NoticeRecorder &) = delete;
    NoticeRecorder &operator=(const NoticeRecorder &) = delete;

    // The sink refers to this recorder: it must not outlive it.
    NoticeSink Sink() {
        return [this](const Notice &notice) {
            notices_.push_back(notice);
            return answer_;
        };
    }
    const std::vector<Notice> &Notices() const { return notices_; }
    size_t Count() const { return notices_.size(); }
    void Clear() { notices_.clear(); }

private:
    int answer_;
    std::vector<Notice> notices_;
};

}  // namespace ombra::test
