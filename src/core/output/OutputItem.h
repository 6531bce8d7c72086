// One data item that can be written for a measurement: identifier, label, value, value text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ombra::core {

struct OutputItem {
    int32_t identifier = 0;
    std::string label;
    double value = 0.0;
    std::string valueText;

    bool operator==(const OutputItem &) const = default;
};

using OutputItemList = std::vector<OutputItem>;

}  // namespace ombra::core
