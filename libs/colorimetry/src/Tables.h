// The compiled-in data tables, parsed once on first use.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace ombra::colorimetry::tables {

// One CSV table: column names and rows of numbers (NaN for an empty cell).
struct Table {
    std::vector<std::string> columns;
    std::vector<std::vector<double>> rows;
    int Column(const std::string &name) const;  // -1 when absent
};

const Table &Cmf2Deg5nm();   // 360..830 / 5 nm: nm, xbar, ybar, zbar
const Table &Cmf1nm(int observer);  // 360..830 / 1 nm
const Table &Illuminants();  // 300..830 / 5 nm: nm, A, C, D50, ...
const Table &StatusLinear(); // 340..770 / 10 nm
const Table &ColorChecker(); // 380..730 / 10 nm
struct HunterRow {
    std::string illuminant;
    int observer;
    double xn, yn, zn, ka, kb;
};
const std::vector<HunterRow> &HunterRows();
// T5 weights keyed by "<illuminant>/<observer deg>", 36 rows of Wx, Wy, Wz.
const std::map<std::string, std::vector<std::vector<double>>> &WeightSets();

}  // namespace ombra::colorimetry::tables
