// Timing marks for finding where the time of a measurement goes. When the environment variable
// OMBRA_TRACE_TIMINGS names a file, every mark appends the line "<name> <ns>" to it, <ns> being the
// system's monotonic clock (the clock std::chrono::steady_clock reads), so that another process can
// set the marks against its own moments. Without the variable a mark costs one test of a flag.
#pragma once

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace ombra::trace {

inline int TraceTimingsFile() {
    static const int fd = [] {
        const char *path = std::getenv("OMBRA_TRACE_TIMINGS");
        return path && *path ? ::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644) : -1;
    }();
    return fd;
}

inline void TraceMark(const char *name) {
    const int fd = TraceTimingsFile();
    if (fd < 0) return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    char line[128];
    const int n = std::snprintf(line, sizeof line, "%s %lld\n", name,
                                static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    // One write per line: with O_APPEND the lines of concurrent marks never interleave.
    if (n <= 0) return;
    const ssize_t written = ::write(fd, line, static_cast<size_t>(n < 128 ? n : 127));
    (void)written;
}

}  // namespace ombra::trace
