#include "core/platform/Executable.h"

#include <unistd.h>

#include <climits>
#include <vector>

namespace ombra::core::platform {

std::string ExecutablePath() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory() {
    std::string path = ExecutablePath();
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {};
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string ExecutableBaseName() {
    std::string path = ExecutablePath();
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.find('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string ProgramName() {
    const std::string name = ExecutableBaseName();
    return name.empty() ? "ombra-dts" : name;
}

}  // namespace ombra::core::platform
