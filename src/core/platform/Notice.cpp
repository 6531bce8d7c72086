#include "core/platform/Notice.h"

#include "core/platform/Resources.h"

namespace ombra::core {

std::string Notice::Text() const {
    return textId == 0 ? text : platform::ResString(textId, args);
}

std::string Notice::Caption() const { return captionId == 0 ? caption : platform::ResString(captionId); }

}  // namespace ombra::core
