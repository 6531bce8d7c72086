#include "core/colorset/ColorSetFields.h"

#include <cmath>
#include <limits>

#include "core/colorset/ColorSet.h"
#include "core/colorset/ColorSetFile.h"
#include "core/platform/Numbers.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

Notice fieldNotice(int textId, unsigned icon, std::vector<std::string> args = {}) {
    return MakeNotice(textId, res::kStrMessageCaption, icon, std::move(args));
}

std::string limitText(double limit, int decimals) {
    return decimals == 0 ? std::to_string(static_cast<long long>(std::lround(limit)))
                         : platform::FormatNumber(limit, decimals);
}

FieldCheck refuse(double previous, const NumericFieldRule &rule, Notice notice) {
    double kept = rule.fallback.value_or(previous);
    return FieldCheck{kept, FieldText(kept, rule), std::move(notice)};
}

NumericFieldRule makeRule(const char *allowed, double minimum, double maximum, int decimals = 2) {
    NumericFieldRule rule;
    rule.allowed = allowed;
    rule.minimum = minimum;
    rule.maximum = maximum;
    rule.decimals = decimals;
    rule.limitDecimals = decimals;
    return rule;
}

}  // namespace

namespace fields {
NumericFieldRule Lightness() { return makeRule(kUnsignedCharacters, 0.0, 999.99); }
NumericFieldRule ColorAxis() { return makeRule(kSignedCharacters, -999.99, 999.99); }
NumericFieldRule ColorTolerance() { return makeRule(kUnsignedCharacters, 0.01, 9.99); }
NumericFieldRule Factor() {
    NumericFieldRule rule = makeRule(kUnsignedCharacters, 0.01, 9.99);
    rule.fallback = 1.0;
    rule.emptyValue = 0.0;  // read as 0, so refused by the range
    return rule;
}
NumericFieldRule ToneFactor() {
    NumericFieldRule rule = Factor();
    rule.minimum = 0.5;
    rule.maximum = 9.9;
    return rule;
}
NumericFieldRule MidToneTolerance() {
    NumericFieldRule rule = makeRule(kUnsignedCharacters, 0.1, 99.9, 1);
    rule.fallback = 5.0;
    rule.emptyValue = 5.0;
    return rule;
}
NumericFieldRule Tint() {
    NumericFieldRule rule = makeRule(kUnsignedCharacters, 1.0, 99.0, 0);
    rule.badCharacterIcon = platform::mb::ICONHAND;
    return rule;
}
// The three fields of a tone step refuse a bad character alike, with the stop icon.
NumericFieldRule Aim() {
    NumericFieldRule rule = makeRule(kSignedCharacters, -99.9, 99.9, 1);
    rule.badCharacterIcon = platform::mb::ICONHAND;
    return rule;
}
NumericFieldRule StepTolerance() {
    NumericFieldRule rule = makeRule(kUnsignedCharacters, 0.1, 99.9, 1);
    rule.badCharacterIcon = platform::mb::ICONHAND;
    return rule;
}
}  // namespace fields

namespace {

// The value a field holds once checked against its range; `previous` when refused.
FieldCheck CheckRange(double value, double previous, const NumericFieldRule &rule) {
    if (!std::isfinite(value) || value < rule.minimum || value > rule.maximum)
        return refuse(previous, rule,
                      fieldNotice(res::kStrValueOutOfRange, platform::mb::ICONEXCLAMATION,
                                  {limitText(rule.minimum, rule.limitDecimals), limitText(rule.maximum, rule.limitDecimals)}));
    return FieldCheck{value, FieldText(value, rule), std::nullopt};
}

// The instrument gives the largest float for a value it could not deliver.
bool isUndelivered(double value) { return value == static_cast<double>(std::numeric_limits<float>::max()); }

}  // namespace

std::string FieldText(double value, const NumericFieldRule &rule) { return platform::FormatNumber(value, rule.decimals); }

std::string MeasuredFieldText(double value, const NumericFieldRule &rule) {
    return isUndelivered(value) ? platform::ResString(res::kStrMissingValue) : FieldText(value, rule);
}

FieldCheck CheckMeasuredValue(double value, double previous, const NumericFieldRule &rule) {
    return CheckRange(value, previous, rule);
}

FieldCheck CheckNumericField(const std::string &typed, double previous, const NumericFieldRule &rule,
                             const std::string &separator) {
    const std::string text = platform::NormalizeDecimalSeparator(typed, separator);
    if (text.find_first_not_of(rule.allowed) != std::string::npos)
        return refuse(previous, rule, fieldNotice(res::kStrBadCharacter, rule.badCharacterIcon));
    double value = 0;
    if (text.empty()) {
        if (!rule.emptyValue) return FieldCheck{previous, FieldText(previous, rule), std::nullopt};
        value = *rule.emptyValue;
    } else {
        value = ReadLeadingDecimal(text);
    }
    return CheckRange(value, previous, rule);
}

NameCheck CheckNameField(const std::string &typed, const std::string &previous, int maximumLength) {
    std::string name = typed.substr(0, static_cast<size_t>(maximumLength));
    // Only the characters are judged here; the length was limited above.
    if (!IsValidColorSetText(name, maximumLength))
        return NameCheck{previous, fieldNotice(res::kStrBadName, platform::mb::ICONEXCLAMATION)};
    return NameCheck{name, std::nullopt};
}

}  // namespace ombra::core
