// Numbers typed by the user and numbers written by the program. What the user types
// honours the user's decimal separator (a "." is accepted too); what the program writes
// into files and cells always uses ".", whatever the locale.
#pragma once

#include <optional>
#include <string>

namespace ombra::core::platform {

// The decimal separator of the user's locale (UTF-8, usually "." or ",").
std::string UserDecimalSeparator();

// `typed` with the user's decimal separator replaced by ".".
std::string NormalizeDecimalSeparator(const std::string &typed, const std::string &separator);
std::string NormalizeDecimalSeparator(const std::string &typed);

// Parses a whole typed decimal number (surrounding blanks allowed, optional sign and
// exponent, no digit grouping). Empty when the text is not one finite number.
std::optional<double> ParseUserNumber(const std::string &typed, const std::string &separator);
std::optional<double> ParseUserNumber(const std::string &typed);

// `value` with `decimals` digits after a "." (no grouping), e.g. FormatNumber(1.5, 2) == "1.50".
std::string FormatNumber(double value, int decimals);

}  // namespace ombra::core::platform
