#include "cgats/ReferenceFile.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace ombra::cgats {
namespace {

enum Column { Name, L, A, B, Illuminant, Observer, Formula, Limit, Warning, DL, DA, DB, ColumnCount };

// Normalised column names (lower case, without spaces, "_", "-" and "*") of each column.
constexpr std::array<std::array<const char *, 4>, ColumnCount> kAliases = {{
    {"name", "samplename", "sample", nullptr},
    {"l", "labl", nullptr, nullptr},
    {"a", "laba", nullptr, nullptr},
    {"b", "labb", nullptr, nullptr},
    {"illuminant", "illuminationname", nullptr, nullptr},
    {"observer", "observerangle", nullptr, nullptr},
    {"formula", "deformula", "toleranceformula", nullptr},
    {"limit", "delimit", "tolerance", nullptr},
    {"warning", "warn", "warninglimit", nullptr},
    {"dl", "deltal", nullptr, nullptr},
    {"da", "deltaa", nullptr, nullptr},
    {"db", "deltab", nullptr, nullptr},
}};

std::string Normalised(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '_' && c != '-' && c != '*' && c != '\t')
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

// The wavelength a spectral column stands for ("380nm", "spec380", "nm380", "spectral380"), or 0.
int SpectralNm(const std::string &normalised) {
    std::string_view s = normalised;
    for (std::string_view prefix : {"spectral", "spec", "nm"})
        if (s.substr(0, prefix.size()) == prefix) {
            s.remove_prefix(prefix.size());
            break;
        }
    if (s.size() > 2 && s.substr(s.size() - 2) == "nm") s.remove_suffix(2);
    if (s.size() != 3 || !std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return 0;
    return std::stoi(std::string(s));
}

struct Layout {
    std::array<int, ColumnCount> column;  // the place of each column; -1 when absent
    std::vector<std::pair<int, int>> spectral;  // (nm, place), by wavelength
    int step = 0;
};

struct Defaults {
    std::string illuminant;
    int observer = 0;
    double spectralNorm = 100;
    bool decimalComma = false;
};

class Rows {
public:
    Rows(const std::vector<std::string> &header, int headerLine, const Defaults &defaults)
        : header_(header), headerLine_(headerLine), defaults_(defaults) {}

    std::optional<ParseError> MapColumns();
    // The name column is optional for CGATS, which may name its sets by SAMPLE_ID.
    void NameBy(const char *field) {
        if (layout_.column[Name] < 0)
            for (size_t i = 0; i < header_.size(); ++i)
                if (header_[i] == field) layout_.column[Name] = static_cast<int>(i);
    }
    std::optional<ParseError> Add(const std::vector<std::string> &row, int line, std::vector<ReferenceFileEntry> &out);

private:
    ParseError Error(Reason reason, std::vector<std::string> args) const { return {line_, reason, std::move(args)}; }
    const std::string &Cell(const std::vector<std::string> &row, Column c) const;
    std::optional<ParseError> Number(const std::string &text, std::optional<double> &out) const;
    std::optional<ParseError> Required(const std::vector<std::string> &row, Column c, double &out) const;
    std::optional<ParseError> Conditions(const std::vector<std::string> &row, ReferenceFileEntry &e) const;
    std::optional<ParseError> Tolerance(const std::vector<std::string> &row, ReferenceTolerance &t) const;
    std::optional<ParseError> Spectrum(const std::vector<std::string> &row, ReferenceFileEntry &e) const;

    const std::vector<std::string> &header_;
    int headerLine_;
    Defaults defaults_;
    Layout layout_{};
    int line_ = 0;
};

std::optional<ParseError> Rows::MapColumns() {
    layout_.column.fill(-1);
    for (size_t i = 0; i < header_.size(); ++i) {
        const std::string n = Normalised(header_[i]);
        if (const int nm = SpectralNm(n)) {
            layout_.spectral.push_back({nm, static_cast<int>(i)});
            continue;
        }
        for (int c = 0; c < ColumnCount; ++c)
            for (const char *alias : kAliases[static_cast<size_t>(c)])
                if (alias && n == alias) {
                    if (layout_.column[static_cast<size_t>(c)] >= 0) return ParseError{headerLine_, Reason::Unexpected, {header_[i]}};
                    layout_.column[static_cast<size_t>(c)] = static_cast<int>(i);
                }
    }
    for (Column c : {L, A, B})
        if (layout_.column[c] < 0) return ParseError{headerLine_, Reason::Missing, {c == L ? "L*" : c == A ? "a*" : "b*"}};
    std::sort(layout_.spectral.begin(), layout_.spectral.end());
    for (size_t i = 1; i < layout_.spectral.size(); ++i) {
        const int step = layout_.spectral[i].first - layout_.spectral[i - 1].first;
        if (i == 1) layout_.step = step;
        if (step <= 0 || step != layout_.step)
            return ParseError{headerLine_, Reason::Unexpected, {header_[static_cast<size_t>(layout_.spectral[i].second)]}};
    }
    return std::nullopt;
}

const std::string &Rows::Cell(const std::vector<std::string> &row, Column c) const {
    static const std::string none;
    const int place = layout_.column[c];
    return place < 0 ? none : row[static_cast<size_t>(place)];
}

std::optional<ParseError> Rows::Number(const std::string &text, std::optional<double> &out) const {
    out.reset();
    std::string t = Trimmed(text);
    if (t.empty()) return std::nullopt;
    if (defaults_.decimalComma && t.find('.') == std::string::npos) std::replace(t.begin(), t.end(), ',', '.');
    out = ParseNumber(t);
    if (!out) return Error(Reason::NotANumber, {Trimmed(text)});
    return std::nullopt;
}

std::optional<ParseError> Rows::Required(const std::vector<std::string> &row, Column c, double &out) const {
    std::optional<double> v;
    if (auto error = Number(Cell(row, c), v)) return error;
    if (!v) return Error(Reason::Missing, {header_[static_cast<size_t>(layout_.column[c])]});
    out = *v;
    return std::nullopt;
}

std::string IlluminantName(const std::string &text) {
    std::string up;
    for (char c : Trimmed(text)) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char *const kNames[] = {"A",  "C",  "D50", "D55", "D65", "D75", "F1", "F2", "F3",
                                         "F4", "F5", "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12"};
    for (const char *name : kNames)
        if (up == name) return up;
    return {};
}

int ObserverDegrees(const std::string &text) {
    std::string t = Trimmed(text);
    for (const char *suffix : {"\xC2\xB0", "deg", "\xC2\xBA"})  // "°", "deg", "º"
        if (t.size() > std::char_traits<char>::length(suffix) && t.ends_with(suffix))
            t = Trimmed(t.substr(0, t.size() - std::char_traits<char>::length(suffix)));
    if (t == "2" || t == "1931") return 2;
    if (t == "10" || t == "1964") return 10;
    return 0;
}

std::string FormulaName(const std::string &text) {
    const std::string n = Normalised(text);
    struct Alias {
        const char *alias, *name;
    };
    static const Alias kFormulas[] = {
        {"de76", "dE76"},  {"deab", "dE76"},    {"de1976", "dE76"}, {"de94", "dE94"},   {"de94g", "dE94"},
        {"de94t", "dE94T"}, {"de00", "dE00"},   {"de2000", "dE00"}, {"ciede2000", "dE00"}, {"cmc", "CMC2:1"},
        {"cmc2:1", "CMC2:1"}, {"decmc", "CMC2:1"}, {"cmc1:1", "CMC1:1"},
    };
    for (const Alias &a : kFormulas)
        if (n == a.alias) return a.name;
    return {};
}

std::optional<ParseError> Rows::Conditions(const std::vector<std::string> &row, ReferenceFileEntry &e) const {
    const std::string &illuminant = Cell(row, Illuminant);
    e.illuminant = defaults_.illuminant;
    if (!Trimmed(illuminant).empty() && (e.illuminant = IlluminantName(illuminant)).empty())
        return Error(Reason::Unexpected, {Trimmed(illuminant)});
    const std::string &observer = Cell(row, Observer);
    e.observer = defaults_.observer;
    if (!Trimmed(observer).empty() && (e.observer = ObserverDegrees(observer)) == 0)
        return Error(Reason::Unexpected, {Trimmed(observer)});
    return std::nullopt;
}

std::optional<ParseError> Rows::Tolerance(const std::vector<std::string> &row, ReferenceTolerance &t) const {
    const std::pair<Column, std::optional<double> *> limits[] = {
        {Limit, &t.limit}, {Warning, &t.warning}, {DL, &t.dL}, {DA, &t.da}, {DB, &t.db}};
    for (const auto &[column, value] : limits) {
        if (auto error = Number(Cell(row, column), *value)) return error;
        if (*value && **value < 0) return Error(Reason::Unexpected, {Trimmed(Cell(row, column))});
    }
    const std::string formula = Trimmed(Cell(row, Formula));
    if (!formula.empty() && (t.formula = FormulaName(formula)).empty()) return Error(Reason::Unexpected, {formula});
    // A formula needs its limit and a limit its formula; a warning needs both.
    if (t.formula.empty() && (t.limit || t.warning)) return Error(Reason::Missing, {"formula"});
    if (!t.formula.empty() && !t.limit) return Error(Reason::Missing, {"limit"});
    if (t.warning && *t.warning > *t.limit) return Error(Reason::Unexpected, {Trimmed(Cell(row, Warning))});
    return std::nullopt;
}

std::optional<ParseError> Rows::Spectrum(const std::vector<std::string> &row, ReferenceFileEntry &e) const {
    size_t given = 0;
    for (const auto &[nm, place] : layout_.spectral) given += !Trimmed(row[static_cast<size_t>(place)]).empty();
    if (given == 0) return std::nullopt;
    for (const auto &[nm, place] : layout_.spectral) {
        std::optional<double> v;
        if (auto error = Number(row[static_cast<size_t>(place)], v)) return error;
        if (!v) return Error(Reason::Missing, {header_[static_cast<size_t>(place)]});
        e.spectrum.push_back(*v / defaults_.spectralNorm);
    }
    e.spectrumFirstNm = layout_.spectral.front().first;
    e.spectrumStepNm = layout_.step;
    return std::nullopt;
}

std::optional<ParseError> Rows::Add(const std::vector<std::string> &row, int line, std::vector<ReferenceFileEntry> &out) {
    line_ = line;
    ReferenceFileEntry e;
    e.line = line;
    e.name = Trimmed(Cell(row, Name));
    if (e.name.empty()) return Error(Reason::Missing, {layout_.column[Name] < 0 ? "name" : header_[static_cast<size_t>(layout_.column[Name])]});
    for (auto [column, value] : {std::pair{L, &e.L}, std::pair{A, &e.a}, std::pair{B, &e.b}})
        if (auto error = Required(row, column, *value)) return error;
    if (auto error = Conditions(row, e)) return error;
    if (auto error = Tolerance(row, e.tolerance)) return error;
    if (auto error = Spectrum(row, e)) return error;
    out.push_back(std::move(e));
    return std::nullopt;
}

// CSV records, RFC 4180 quoting; a record's line is the line it starts on.
struct CsvRecord {
    std::vector<std::string> cells;
    int line = 0;
};

char SeparatorOf(std::string_view firstLine) {
    size_t best = 0;
    char separator = ',';
    for (char c : {',', ';', '\t'}) {
        const size_t n = static_cast<size_t>(std::count(firstLine.begin(), firstLine.end(), c));
        if (n > best) best = n, separator = c;
    }
    return separator;
}

std::optional<ParseError> SplitCsv(std::string_view text, char separator, std::vector<CsvRecord> &records) {
    int line = 1;
    size_t i = 0;
    while (i < text.size()) {
        CsvRecord record{{std::string()}, line};
        bool blank = true, quoted = false;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '\n') ++line;
            if (quoted) {
                if (c != '"') record.cells.back() += c;
                else if (i + 1 < text.size() && text[i + 1] == '"') record.cells.back() += text[++i];
                else quoted = false;
            } else if (c == '"') {
                quoted = true;
                blank = false;
            } else if (c == separator) {
                record.cells.emplace_back();
                blank = false;
            } else if (c == '\n') {
                ++i;
                break;
            } else if (c != '\r') {
                record.cells.back() += c;
                blank = blank && (c == ' ' || c == '\t');
            }
        }
        if (quoted) return ParseError{record.line, Reason::UnclosedQuote, {}};
        if (!blank) records.push_back(std::move(record));
    }
    return std::nullopt;
}

ReferenceFileResult Failed(ParseError error) { return {{}, std::move(error)}; }

}  // namespace

ReferenceFileResult ReadReferenceCsv(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    const size_t firstLine = text.find_first_not_of("\r\n \t");
    const char separator = SeparatorOf(firstLine == std::string_view::npos ? std::string_view{}
                                                                           : text.substr(firstLine, text.find('\n', firstLine) - firstLine));
    std::vector<CsvRecord> records;
    if (auto error = SplitCsv(text, separator, records)) return Failed(*error);
    const int lastLine = std::max(1, static_cast<int>(std::count(text.begin(), text.end(), '\n')) +
                                         (text.empty() || text.back() != '\n' ? 1 : 0));
    if (records.empty()) return Failed({lastLine, Reason::NoData, {}});
    Rows rows(records.front().cells, records.front().line, {{}, 0, 100, separator != ','});
    if (auto error = rows.MapColumns()) return Failed(*error);
    const size_t width = records.front().cells.size();
    ReferenceFileResult result;
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvRecord &record = records[r];
        if (record.cells.size() != width)
            return Failed({record.line, Reason::ValueCount, {std::to_string(record.cells.size()), std::to_string(width)}});
        if (auto error = rows.Add(record.cells, record.line, result.entries)) return Failed(*error);
    }
    if (result.entries.empty()) return Failed({lastLine, Reason::NoData, {}});
    return result;
}

ReferenceFileResult ReadReferenceCgats(std::string_view text) {
    ParseResult parsed = Parse(text);
    if (!parsed.ok()) return Failed(*parsed.error);
    ReferenceFileResult result;
    for (const Table &table : parsed.tables) {
        Defaults defaults;
        const std::string *illuminant = table.Value("ILLUMINATION_NAME");
        if (illuminant && !Trimmed(*illuminant).empty() && (defaults.illuminant = IlluminantName(*illuminant)).empty())
            return Failed({table.formatLine, Reason::Unexpected, {*illuminant}});
        const std::string *observer = table.Value("OBSERVER_ANGLE");
        if (observer && !Trimmed(*observer).empty() && (defaults.observer = ObserverDegrees(*observer)) == 0)
            return Failed({table.formatLine, Reason::Unexpected, {*observer}});
        if (const std::string *norm = table.Value("SPECTRAL_NORM")) {
            const std::optional<double> v = ParseNumber(*norm);
            if (!v || *v <= 0) return Failed({table.formatLine, Reason::NotANumber, {*norm}});
            defaults.spectralNorm = *v;
        }
        Rows rows(table.fields, table.formatLine, defaults);
        if (auto error = rows.MapColumns()) return Failed(*error);
        rows.NameBy("SAMPLE_ID");
        for (size_t r = 0; r < table.rows.size(); ++r)
            if (auto error = rows.Add(table.rows[r], table.rowLines[r], result.entries)) return Failed(*error);
    }
    if (result.entries.empty()) {
        const int line = parsed.tables.back().rowLines.empty() ? parsed.tables.back().formatLine : parsed.tables.back().rowLines.back();
        return Failed({line, Reason::NoData, {}});
    }
    return result;
}

ReferenceFileResult ReadReferenceFile(std::string_view text) {
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        if (line.substr(0, 17) == "BEGIN_DATA_FORMAT") return ReadReferenceCgats(text);
        start = end + 1;
    }
    return ReadReferenceCsv(text);
}

}  // namespace ombra::cgats
