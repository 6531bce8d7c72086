#include "core/platform/Numbers.h"

#include <QLocale>
#include <charconv>
#include <cmath>

namespace ombra::core::platform {
namespace {

std::string trimmed(const std::string &text) {
    const char *blanks = " \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace

std::string UserDecimalSeparator() { return QLocale::system().decimalPoint().toStdString(); }

std::string NormalizeDecimalSeparator(const std::string &typed, const std::string &separator) {
    if (separator.empty() || separator == ".") return typed;
    std::string out;
    for (size_t i = 0; i < typed.size();) {
        if (typed.compare(i, separator.size(), separator) == 0) {
            out += '.';
            i += separator.size();
        } else {
            out += typed[i++];
        }
    }
    return out;
}

std::string NormalizeDecimalSeparator(const std::string &typed) {
    return NormalizeDecimalSeparator(typed, UserDecimalSeparator());
}

std::optional<double> ParseUserNumber(const std::string &typed, const std::string &separator) {
    std::string text = trimmed(NormalizeDecimalSeparator(typed, separator));
    // from_chars takes no leading "+" and reads letters such as "inf"; allow only what a
    // person types as a decimal number.
    if (!text.empty() && text.front() == '+') text.erase(0, 1);
    if (text.empty() || text.find_first_not_of("0123456789.-eE+") != std::string::npos) return std::nullopt;
    double value = 0;
    const char *end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<double> ParseUserNumber(const std::string &typed) {
    return ParseUserNumber(typed, UserDecimalSeparator());
}

std::string FormatNumber(double value, int decimals) {
    char buffer[400];
    auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                   decimals < 0 ? 0 : decimals);
    if (ec != std::errc()) return {};
    std::string out(buffer, ptr);
    if (out.find_first_not_of("-0.") == std::string::npos && out.front() == '-') out.erase(0, 1);  // no "-0.00"
    return out;
}

}  // namespace ombra::core::platform
