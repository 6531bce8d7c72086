// CGATS.17 text: the exchange format of colour measurements. A file is one or more tables; each
// table has an identifier line, keywords (name and value), a data format (the field names) and
// the data (one set per line, one value per field).
//
// The reader is tolerant where files differ in practice (keyword order, comments after "#",
// quoted or plain values, blank lines, CRLF line ends, a missing identifier line) and strict
// where a mistake would shift values into the wrong field: every set must hold exactly as many
// values as the data format names fields, and NUMBER_OF_FIELDS / NUMBER_OF_SETS, when given,
// must match. A file with a fault gives one error (its line and reason) and no tables.
//
// Numbers are written and read with "." whatever the locale. Plain C++, no Qt.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombra::cgats {

struct Keyword {
    std::string name;
    std::string value;  // without its quotes
};

struct Table {
    std::string identifier = "CGATS.17";
    // In file order. NUMBER_OF_FIELDS and NUMBER_OF_SETS are not kept here: the writer derives
    // them from the fields and rows, the reader checks them.
    std::vector<Keyword> keywords;
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> rows;  // each as long as `fields`, values without quotes
    std::vector<int> rowLines;                   // reader: the line of each row (1-based)
    int formatLine = 0;                          // reader: the line of BEGIN_DATA_FORMAT

    // The value of the first keyword `name` (exact spelling); nullptr when there is none.
    const std::string *Value(std::string_view name) const;
    // The position of field `name` (exact spelling); -1 when there is none.
    int FieldIndex(std::string_view name) const;
};

// Why a text is not a sound CGATS file (or a sound reference file). The arguments complete the
// reason: the texts the user reads are made from them by the program.
enum class Reason {
    UnclosedQuote,  // a quoted value does not end on its line
    ValueCount,     // args: values found, values expected
    NotANumber,     // args: the text
    CountMismatch,  // args: keyword or column, the count it gives, the count found
    Missing,        // args: what is missing (a keyword, field or column name)
    Unexpected,     // args: what is not expected where it stands
    NoData,         // the file holds nothing to read
};

struct ParseError {
    int line = 0;  // 1-based
    Reason reason = Reason::NoData;
    std::vector<std::string> args;

    bool operator==(const ParseError &) const = default;
};

struct ParseResult {
    std::vector<Table> tables;         // empty when `error` is set
    std::optional<ParseError> error;

    bool ok() const { return !error; }
};

ParseResult Parse(std::string_view text);

// The text of the tables, lines ending in "\n". Keyword values are quoted; a data value is
// quoted when it is not a number or its field names something (ends in "_NAME"). Quotes in a
// value are doubled, line breaks become spaces.
std::string Write(const std::vector<Table> &tables);

// "%.<decimals>f" with "." whatever the locale; empty for NaN and infinity.
std::string FormatNumber(double value, int decimals);
// The number a whole text (spaces around it allowed) stands for, read with "." whatever the
// locale; nothing for anything else, NaN and infinity included.
std::optional<double> ParseNumber(std::string_view text);

}  // namespace ombra::cgats
