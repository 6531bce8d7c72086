#include "platform/Notice.h"

#include "platform/Resources.h"

namespace ombra::core {

std::string Notice::Text() const {
    if (textId == 0) return text;
    std::string result = platform::ResString(textId);
    // %1..%9, each replaced wherever it stands; a missing argument leaves its marker.
    for (size_t i = 0; i < args.size() && i < 9; ++i) {
        const std::string marker = "%" + std::to_string(i + 1);
        for (size_t at = result.find(marker); at != std::string::npos; at = result.find(marker, at + args[i].size()))
            result.replace(at, marker.size(), args[i]);
    }
    return result;
}

std::string Notice::Caption() const { return captionId == 0 ? caption : platform::ResString(captionId); }

}  // namespace ombra::core
