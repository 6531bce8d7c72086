// The entry fields of the colour-set editors. Numbers: the user's decimal separator becomes
// ".", the characters are checked against the field's set, the value is the longest leading
// number (read as the colour-set file reader reads it), checked against the field's range and
// shown again in the field's fixed-point format with "." in every locale. Names: the
// characters of IsValidColorSetText. Each check returns the value to keep, the text to show
// and, when the input was refused, the notice for the user.
#pragma once

#include <optional>
#include <string>

#include "core/platform/MessageFlags.h"
#include "core/platform/Notice.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

inline constexpr const char *kUnsignedCharacters = "1234567890.,";
inline constexpr const char *kSignedCharacters = "1234567890.,-";

struct NumericFieldRule {
    const char *allowed = kUnsignedCharacters;
    double minimum = 0;
    double maximum = 0;
    int decimals = 2;        // shown as "%1.<decimals>f"
    int limitDecimals = 2;   // the limits in the range message; 0 gives "%d"
    unsigned badCharacterIcon = platform::mb::ICONEXCLAMATION;
    // Refused input gives this value; without one the previous value stays.
    std::optional<double> fallback;
    // An empty field gives this value; without one the previous value stays. (A value
    // outside the range is refused like a typed one.)
    std::optional<double> emptyValue;
};

// The fields of the colour data, condition and tone editors.
namespace fields {
NumericFieldRule Lightness();      // L* 0.00..999.99
NumericFieldRule ColorAxis();      // a*, b* -999.99..999.99
NumericFieldRule ColorTolerance(); // 0.01..9.99
NumericFieldRule Factor();         // 0.01..9.99; refused or empty: 1.0
NumericFieldRule ToneFactor();     // 0.5..9.9 shown "%1.2f"; refused or empty: 1.0
NumericFieldRule MidToneTolerance();  // 0.1..99.9 "%1.1f"; refused or empty: 5.0
NumericFieldRule Tint();           // 1..99 "%1.0f", limits "%d", bad character with the stop icon
NumericFieldRule Aim();            // -99.9..99.9 "%0.1f", bad character with the stop icon
NumericFieldRule StepTolerance();  // 0.1..99.9 "%0.1f", bad character with the stop icon
}  // namespace fields

struct FieldCheck {
    double value = 0;             // the value the field holds now
    std::string text;             // what the field shows now
    std::optional<Notice> notice; // set when the input was refused
    bool refused() const { return notice.has_value(); }
};

// Checks what the user typed into a numeric field holding `previous`. `separator` is the
// user's decimal separator.
FieldCheck CheckNumericField(const std::string &typed, double previous, const NumericFieldRule &rule,
                             const std::string &separator);

// The field's display text for `value` ("." whatever the locale).
std::string FieldText(double value, const NumericFieldRule &rule);

// A value the instrument measured for a field. It is shown as FieldText, or as the
// missing-value text (string 1196) when the instrument did not deliver it (the largest
// float), and it counts only once checked like a typed value: outside the field's range
// (where an undelivered value always is) it is refused with the range message and
// `previous` stays.
std::string MeasuredFieldText(double value, const NumericFieldRule &rule);
FieldCheck CheckMeasuredValue(double value, double previous, const NumericFieldRule &rule);

// A name field: the typed text when every character is allowed, else `previous` with the
// notice of string 1293. The length is limited by the edit itself; a longer text is cut.
struct NameCheck {
    std::string name;
    std::optional<Notice> notice;
};
NameCheck CheckNameField(const std::string &typed, const std::string &previous, int maximumLength);

}  // namespace ombra::core
