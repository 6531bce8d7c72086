// How a text put into a cell's value is typed, as typed input is in the spreadsheet: a plain
// decimal becomes a number, an exact "yyyy/mm/dd" a date and an exact "hh:mm:ss" a time of day
// (each shown with a number format that gives the same text back); everything else stays the
// very same text and is never read as a formula.
#pragma once

#include <string>

namespace ombra {

struct TypedInput {
    enum Kind { Text, Number, Date, Time };
    Kind kind = Text;
    double number = 0;           // Number: the value; Time: the fraction of a day
    int year = 0, month = 0, day = 0;  // Date
};

TypedInput TypeCellInput(const std::string &text);

// The number format that shows a date or time value as the text it was typed from.
inline constexpr const char *kDateFormatCode = "YYYY/MM/DD";
inline constexpr const char *kTimeFormatCode = "HH:MM:SS";

// Days from the date (nullYear, nullMonth, nullDay) to (year, month, day): the serial number of a
// date in a document whose day zero is the null date (1899-12-30 unless the document says otherwise).
long DaySerial(int year, int month, int day, int nullYear, int nullMonth, int nullDay);

}  // namespace ombra
