#include "core/illuminant/UserIlluminantFile.h"

#include "core/output/Values.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/platform/AtomicFile.h"

namespace ombra::core {
namespace {

// A valid file is about a kilobyte; this bounds what a stray choice of file makes us read.
constexpr std::streamsize kMaxFileBytes = 1 << 20;

bool onlyValueCharacters(std::string_view text) {
    return text.find_first_not_of(kUidValueCharacters) == std::string_view::npos;
}

// The leading decimal number of a value line, as a float. A line with no leading number
// ("-", ".", "--1") gives 0. A number beyond the float range gives nothing; one too small for
// a float gives 0.
std::optional<float> convertLine(std::string_view line) {
    double value = 0;
    const char *first = line.data();
    auto [ptr, ec] = std::from_chars(first, first + line.size(), value, std::chars_format::fixed);
    if (ec == std::errc::invalid_argument) return 0.0f;
    if (ec == std::errc::result_out_of_range) {
        // Out of range either way: huge when a digit other than 0 comes before the point.
        std::string_view number(first, static_cast<size_t>(ptr - first));
        std::string_view whole = number.substr(0, number.find('.'));
        if (whole.find_first_not_of("-0") != std::string_view::npos) return std::nullopt;
        return 0.0f;
    }
    if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(FLT_MAX)) return std::nullopt;
    return static_cast<float>(value);
}

}  // namespace

bool ParseUserIlluminant(std::string_view text, UserIlluminantRecord &record) {
    UserIlluminantRecord scratch{};
    size_t pos = 0;
    for (int place = 0; place < kUserIlluminantPoints; ++place) {
        if (pos >= text.size()) return false;  // end of file before the 97th value
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || !onlyValueCharacters(line)) return false;
        std::optional<float> value = convertLine(line);
        if (!value) return false;
        scratch.power[place] = *value;
    }
    record = scratch;
    return true;
}

bool ReadUserIlluminantFile(const std::string &path, UserIlluminantRecord &record) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::string text(static_cast<size_t>(kMaxFileBytes), '\0');
    file.read(text.data(), kMaxFileBytes);
    if (file.bad()) return false;
    text.resize(static_cast<size_t>(file.gcount()));
    return ParseUserIlluminant(text, record);
}

bool HoldsUserIlluminant(const UserIlluminantRecord &record) {
    for (const float value : record.power)
        if (value != 0.0f && value != kNoValue) return true;
    return false;
}

bool PrepareUserIlluminantForSave(const UserIlluminantRecord &record, UserIlluminantRecord &scratch) {
    scratch = record;
    for (float &value : scratch.power) {
        if (value == kNoValue) {
            value = 0;
            continue;
        }
        std::string text = std::isfinite(value) ? FormatFixed(value, 6) : std::string("nan");
        if (text.empty() || !onlyValueCharacters(text)) return false;
    }
    return true;
}

std::string FormatUserIlluminant(const UserIlluminantRecord &record) {
    std::string text;
    text.reserve(kUserIlluminantPoints * 12);
    for (float value : record.power) text += FormatFixed(value, 4) + "\n";
    return text;
}

bool WriteUserIlluminantFile(const std::string &path, const UserIlluminantRecord &record) {
    return platform::WriteFileAtomically(path, FormatUserIlluminant(record));
}

}  // namespace ombra::core
