#include "Tables.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace ombra::colorimetry::tables {
namespace {

const char kCmf2[] =
#include "cmf_1931_2deg.inc"
    ;
const char kCmf2_1nm[] =
#include "cmf_1931_2deg_1nm.inc"
    ;
const char kCmf10_1nm[] =
#include "cmf_1964_10deg_1nm.inc"
    ;
const char kIlluminants[] =
#include "illuminants.inc"
    ;
const char kStatus[] =
#include "iso5_3_status_linear.inc"
    ;
const char kColorChecker[] =
#include "colorchecker_babelcolor_avg_380_730.inc"
    ;
const char kHunter[] =
#include "hunterlab_constants.inc"
    ;
const char kWeights[] =
#include "astm_e2022_weights_10nm_380_730.inc"
    ;

std::vector<std::string> SplitCells(const std::string &line) {
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream in(line);
    while (std::getline(in, cell, ','))
        cells.push_back(cell);
    if (!line.empty() && line.back() == ',')
        cells.emplace_back();
    return cells;
}

// The tables use "." as decimal point: parse with the classic locale whatever the user's.
double ParseNumber(const std::string &cell) {
    if (cell.empty())
        return std::nan("");
    std::istringstream in(cell);
    in.imbue(std::locale::classic());
    double value = std::nan("");
    in >> value;
    return value;
}

std::vector<std::vector<std::string>> ParseCells(const char *text) {
    std::vector<std::vector<std::string>> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            out.push_back(SplitCells(line));
    }
    return out;
}

Table ParseNumeric(const char *text) {
    Table t;
    auto cells = ParseCells(text);
    t.columns = cells.front();
    for (size_t i = 1; i < cells.size(); ++i) {
        std::vector<double> row;
        for (const auto &c : cells[i])
            row.push_back(ParseNumber(c));
        row.resize(t.columns.size(), std::nan(""));
        t.rows.push_back(std::move(row));
    }
    return t;
}

}  // namespace

int Table::Column(const std::string &name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i] == name)
            return static_cast<int>(i);
    return -1;
}

const Table &Cmf2Deg5nm() {
    static const Table t = ParseNumeric(kCmf2);
    return t;
}
const Table &Cmf1nm(int observer) {
    static const Table t2 = ParseNumeric(kCmf2_1nm);
    static const Table t10 = [] {
        Table t = ParseNumeric(kCmf10_1nm);
        for (auto &row : t.rows)  // z10 is not defined (zero) from 560 nm on
            for (auto &v : row)
                if (std::isnan(v))
                    v = 0;
        return t;
    }();
    return observer == 1 ? t10 : t2;
}
const Table &Illuminants() {
    static const Table t = ParseNumeric(kIlluminants);
    return t;
}
const Table &StatusLinear() {
    static const Table t = ParseNumeric(kStatus);
    return t;
}
const Table &ColorChecker() {
    static const Table t = ParseNumeric(kColorChecker);
    return t;
}
const std::vector<HunterRow> &HunterRows() {
    static const std::vector<HunterRow> rows = [] {
        std::vector<HunterRow> out;
        auto cells = ParseCells(kHunter);
        for (size_t i = 1; i < cells.size(); ++i) {
            const auto &c = cells[i];
            out.push_back({c[0], static_cast<int>(ParseNumber(c[1])), ParseNumber(c[2]),
                           ParseNumber(c[3]), ParseNumber(c[4]), ParseNumber(c[5]),
                           ParseNumber(c[6])});
        }
        return out;
    }();
    return rows;
}
const std::map<std::string, std::vector<std::vector<double>>> &WeightSets() {
    static const auto sets = [] {
        std::map<std::string, std::vector<std::vector<double>>> out;
        auto cells = ParseCells(kWeights);
        for (size_t i = 1; i < cells.size(); ++i) {
            const auto &c = cells[i];
            if (c[2] != "T5_no_bandpass_corr")
                continue;
            out[c[0] + "/" + c[1]].push_back(
                {ParseNumber(c[4]), ParseNumber(c[5]), ParseNumber(c[6])});
        }
        return out;
    }();
    return sets;
}

}  // namespace ombra::colorimetry::tables
