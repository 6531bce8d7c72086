#include "calcbridge/TypedInput.h"

#include <charconv>

namespace ombra {

namespace {

// A plain decimal: digits with at most one "." that has digits after it, and an optional leading
// "-". No blanks, exponents, groupings or signs elsewhere: those stay text.
bool PlainNumber(const std::string &text, double &value) {
    size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    int digits = 0, fraction = 0;
    bool dot = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            ++(dot ? fraction : digits);
        else if (c == '.' && !dot)
            dot = true;
        else
            return false;
    }
    if (digits == 0 || (dot && fraction == 0)) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// The number of the digits text[at, at + count), or -1 when one of them is not a digit.
int Digits(const std::string &text, size_t at, size_t count) {
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeapYear(y) ? 29 : days[m - 1];
}

bool ExactDate(const std::string &text, TypedInput &out) {
    if (text.size() != 10 || text[4] != '/' || text[7] != '/') return false;
    const int y = Digits(text, 0, 4), m = Digits(text, 5, 2), d = Digits(text, 8, 2);
    if (y < 1 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
    out = {TypedInput::Date, 0, y, m, d};
    return true;
}

bool ExactTime(const std::string &text, TypedInput &out) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
    const int h = Digits(text, 0, 2), m = Digits(text, 3, 2), s = Digits(text, 6, 2);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    out = {TypedInput::Time, (h * 3600 + m * 60 + s) / 86400.0};
    return true;
}

// Days since 0000-03-01 of the proleptic Gregorian calendar.
long CivilDays(int y, int m, int d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    return era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy;
}

}  // namespace

TypedInput TypeCellInput(const std::string &text) {
    TypedInput typed;
    if (PlainNumber(text, typed.number)) {
        typed.kind = TypedInput::Number;
        return typed;
    }
    if (ExactDate(text, typed) || ExactTime(text, typed)) return typed;
    return TypedInput{};
}

long DaySerial(int year, int month, int day, int nullYear, int nullMonth, int nullDay) {
    return CivilDays(year, month, day) - CivilDays(nullYear, nullMonth, nullDay);
}

}  // namespace ombra
