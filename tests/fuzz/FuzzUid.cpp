// libFuzzer target for the *.uid reader: any bytes give a clean yes or no, and a yes only ever
// comes with 97 finite values that survive writing and reading again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/illuminant/UserIlluminantFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    ombra::core::UserIlluminantRecord record{};
    if (!ombra::core::ParseUserIlluminant(std::string_view(reinterpret_cast<const char *>(data), size), record)) return 0;
    for (float value : record.power)
        if (!std::isfinite(value)) std::abort();
    ombra::core::UserIlluminantRecord scratch{};
    if (!ombra::core::PrepareUserIlluminantForSave(record, scratch)) std::abort();
    ombra::core::UserIlluminantRecord again{};
    if (!ombra::core::ParseUserIlluminant(ombra::core::FormatUserIlluminant(scratch), again)) std::abort();
    return 0;
}
