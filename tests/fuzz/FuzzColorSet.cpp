// libFuzzer target for the colour-set file reader: any bytes give a clean yes or no, and what
// it accepts saves without complaint and reads back to the same text.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "core/colorset/ColorSetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ombra::core::ColorSet set;
    if (!ombra::core::ReadColorSetFileText(std::string_view(reinterpret_cast<const char *>(data), size), set)) return 0;
    std::optional<std::string> saved = ombra::core::ColorSetFileText(set);
    if (!saved) std::abort();  // accepted but not savable
    ombra::core::ColorSet again;
    if (!ombra::core::ReadColorSetFileText(*saved, again)) std::abort();
    if (ombra::core::ColorSetFileText(again) != saved) std::abort();  // one save makes the text stable
    return 0;
}
