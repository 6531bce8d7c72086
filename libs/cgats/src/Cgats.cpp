#include "cgats/Cgats.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace ombra::cgats {
namespace {

constexpr double kMaxCount = 1e9;

struct Tokens {
    std::vector<std::string> items;
    bool firstQuoted = false;  // a quoted word is a value, never END_DATA or another structure word
    bool unclosed = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// The values of one line: plain runs of characters or quoted texts ("" inside stands for one
// quote); a "#" where a value would start begins a comment.
Tokens Tokenize(std::string_view line) {
    Tokens t;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i == line.size() || line[i] == '#') break;
        std::string value;
        if (line[i] == '"') {
            bool closed = false;
            for (++i; i < line.size(); ++i) {
                if (line[i] != '"') {
                    value += line[i];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    value += '"';
                    ++i;
                } else {
                    closed = true;
                    ++i;
                    break;
                }
            }
            if (!closed) {
                t.unclosed = true;
                return t;
            }
            if (t.items.empty()) t.firstQuoted = true;
        } else {
            while (i < line.size() && !IsBlank(line[i])) value += line[i++];
        }
        t.items.push_back(std::move(value));
    }
    return t;
}

std::string Joined(const std::vector<std::string> &items, size_t from) {
    std::string out;
    for (size_t i = from; i < items.size(); ++i) out += (i > from ? " " : "") + items[i];
    return out;
}

std::optional<long long> ParseCount(const std::string &text) {
    const std::optional<double> v = ParseNumber(text);
    if (!v || *v < 0 || *v > kMaxCount || std::floor(*v) != *v) return std::nullopt;
    return static_cast<long long>(*v);
}

// A count keyword as given, checked once its table is complete.
struct Declared {
    std::optional<long long> count;
    int line = 0;
};

class Reader {
public:
    ParseResult Run(std::string_view text);

private:
    enum class State { Header, Format, Data };

    std::optional<ParseError> Line(const Tokens &tokens);
    std::optional<ParseError> HeaderLine(const std::vector<std::string> &items, bool firstQuoted);
    std::optional<ParseError> FormatLine(const std::vector<std::string> &items);
    std::optional<ParseError> DataLine(const std::vector<std::string> &items, bool firstQuoted);
    std::optional<ParseError> EndTable();
    ParseError Error(Reason reason, std::vector<std::string> args = {}) const { return {line_, reason, std::move(args)}; }

    int line_ = 0;
    State state_ = State::Header;
    Table table_;
    bool started_ = false;    // the current table has an identifier or keywords
    bool haveFormat_ = false;
    Declared fields_, sets_;
    std::vector<Table> tables_;
};

ParseResult Reader::Run(std::string_view text) {
    while (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // byte-order marks (an editor may add a second)
    size_t start = 0;
    while (start < text.size()) {  // nothing after the last line break is no line
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        ++line_;
        const Tokens tokens = Tokenize(text.substr(start, end - start));
        if (tokens.unclosed) return {{}, Error(Reason::UnclosedQuote)};
        if (std::optional<ParseError> error = Line(tokens)) return {{}, std::move(error)};
        start = end + 1;
    }
    line_ = std::max(line_, 1);
    if (state_ == State::Format) return {{}, Error(Reason::Missing, {"END_DATA_FORMAT"})};
    if (state_ == State::Data) return {{}, Error(Reason::Missing, {"END_DATA"})};
    if (haveFormat_) return {{}, Error(Reason::Missing, {"BEGIN_DATA"})};
    if (started_) return {{}, Error(Reason::Missing, {"BEGIN_DATA_FORMAT"})};
    if (tables_.empty()) return {{}, Error(Reason::NoData)};
    return {std::move(tables_), std::nullopt};
}

std::optional<ParseError> Reader::Line(const Tokens &tokens) {
    if (tokens.items.empty()) return std::nullopt;
    switch (state_) {
    case State::Header: return HeaderLine(tokens.items, tokens.firstQuoted);
    case State::Format: return FormatLine(tokens.items);
    case State::Data: return DataLine(tokens.items, tokens.firstQuoted);
    }
    return std::nullopt;
}

std::optional<ParseError> Reader::HeaderLine(const std::vector<std::string> &items, bool firstQuoted) {
    const std::string first = firstQuoted ? std::string() : items.front();  // only plain words are structure
    if (first == "BEGIN_DATA_FORMAT") {
        if (haveFormat_) return Error(Reason::Unexpected, {first});
        state_ = State::Format;
        started_ = true;
        table_.formatLine = line_;
        return FormatLine({items.begin() + 1, items.end()});
    }
    if (first == "BEGIN_DATA") {
        if (!haveFormat_) return Error(Reason::Missing, {"BEGIN_DATA_FORMAT"});
        if (items.size() > 1) return Error(Reason::Unexpected, {items[1]});
        state_ = State::Data;
        return std::nullopt;
    }
    if (first == "END_DATA" || first == "END_DATA_FORMAT") return Error(Reason::Unexpected, {first});
    if (first == "NUMBER_OF_FIELDS" || first == "NUMBER_OF_SETS") {
        const std::string value = Joined(items, 1);
        const std::optional<long long> count = ParseCount(value);
        if (!count) return Error(Reason::NotANumber, {value});
        (first == "NUMBER_OF_FIELDS" ? fields_ : sets_) = {count, line_};
    } else if (items.size() == 1 && !started_) {
        table_.identifier = items.front();
    } else {
        table_.keywords.push_back({items.front(), Joined(items, 1)});
    }
    started_ = true;
    return std::nullopt;
}

std::optional<ParseError> Reader::FormatLine(const std::vector<std::string> &items) {
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == "END_DATA_FORMAT") {
            if (i + 1 < items.size()) return Error(Reason::Unexpected, {items[i + 1]});
            if (table_.fields.empty()) return Error(Reason::Unexpected, {items[i]});  // a format of no fields
            state_ = State::Header;
            haveFormat_ = true;
            return std::nullopt;
        }
        if (table_.FieldIndex(items[i]) >= 0) return Error(Reason::Unexpected, {items[i]});
        table_.fields.push_back(items[i]);
    }
    return std::nullopt;
}

std::optional<ParseError> Reader::DataLine(const std::vector<std::string> &items, bool firstQuoted) {
    if (!firstQuoted && items.front() == "END_DATA" && items.size() == 1) return EndTable();
    if (items.size() != table_.fields.size())
        return Error(Reason::ValueCount, {std::to_string(items.size()), std::to_string(table_.fields.size())});
    table_.rows.push_back(items);
    table_.rowLines.push_back(line_);
    return std::nullopt;
}

std::optional<ParseError> Reader::EndTable() {
    const auto check = [](const Declared &d, size_t found, const char *name) -> std::optional<ParseError> {
        if (!d.count || *d.count == static_cast<long long>(found)) return std::nullopt;
        return ParseError{d.line, Reason::CountMismatch, {name, std::to_string(*d.count), std::to_string(found)}};
    };
    if (auto error = check(fields_, table_.fields.size(), "NUMBER_OF_FIELDS")) return error;
    if (auto error = check(sets_, table_.rows.size(), "NUMBER_OF_SETS")) return error;
    tables_.push_back(std::move(table_));
    table_ = Table{};
    state_ = State::Header;
    started_ = haveFormat_ = false;
    fields_ = sets_ = Declared{};
    return std::nullopt;
}

bool IsNumberText(const std::string &text) {
    return !text.empty() && text.find_first_of(" \t") == std::string::npos && ParseNumber(text).has_value();
}

bool NamesSomething(const std::string &field) {
    return field.size() >= 5 && field.compare(field.size() - 5, 5, "_NAME") == 0;
}

std::string Quoted(const std::string &value) {
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += "\"\"";
        else if (c == '\n' || c == '\r') out += ' ';
        else out += c;
    }
    return out + '"';
}

}  // namespace

const std::string *Table::Value(std::string_view name) const {
    for (const Keyword &k : keywords)
        if (k.name == name) return &k.value;
    return nullptr;
}

int Table::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < fields.size(); ++i)
        if (fields[i] == name) return static_cast<int>(i);
    return -1;
}

ParseResult Parse(std::string_view text) { return Reader().Run(text); }

std::string Write(const std::vector<Table> &tables) {
    std::string out;
    for (const Table &t : tables) {
        if (!out.empty()) out += '\n';
        out += t.identifier + "\n";
        for (const Keyword &k : t.keywords) out += k.name + " " + Quoted(k.value) + "\n";
        out += "NUMBER_OF_FIELDS " + std::to_string(t.fields.size()) + "\nBEGIN_DATA_FORMAT\n";
        for (size_t i = 0; i < t.fields.size(); ++i) out += (i ? "\t" : "") + t.fields[i];
        out += "\nEND_DATA_FORMAT\nNUMBER_OF_SETS " + std::to_string(t.rows.size()) + "\nBEGIN_DATA\n";
        for (const std::vector<std::string> &row : t.rows) {
            for (size_t i = 0; i < row.size(); ++i) {
                const bool plain = IsNumberText(row[i]) && !(i < t.fields.size() && NamesSomething(t.fields[i]));
                out += (i ? "\t" : "") + (plain ? row[i] : Quoted(row[i]));
            }
            out += '\n';
        }
        out += "END_DATA\n";
    }
    return out;
}

std::string FormatNumber(double value, int decimals) {
    if (!std::isfinite(value)) return {};
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return {};
    std::string text(buf, end);
    // "-0.00" says nothing "0.00" does not.
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::optional<double> ParseNumber(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.front() == '+') return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace ombra::cgats
