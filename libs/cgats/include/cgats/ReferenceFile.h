// Files of named colour references: CSV with a header row, or CGATS text with SAMPLE_NAME and
// LAB_L, LAB_A, LAB_B. Either gives a plain list of entries; a file with a fault gives one
// error (its line and reason) and no entries at all.
//
// Columns (CSV header cells, CGATS field names), matched without regard to case, spaces,
// "_", "-" and "*"; columns of other names are ignored:
//   name          the reference's name (also SAMPLE_NAME, sample; CGATS falls back on SAMPLE_ID)
//   L, a, b       L*, a*, b* (also LAB_L, LAB_A, LAB_B)                         required
//   illuminant    A, C, D50, D55, D65, D75, F1..F12 (CGATS: ILLUMINATION_NAME keyword)
//   observer      2 or 10 (also 2°, 10°, 1931, 1964; CGATS: OBSERVER_ANGLE keyword)
//   formula       dE76, dE94, dE94T (textile), dE00, CMC2:1, CMC1:1
//   limit         the ΔE limit of `formula` (a formula and its limit come together)
//   warning       the ΔE above which a measurement within the limit warns
//   dL, da, db    ± limits of ΔL*, Δa*, Δb*
//   380nm, SPEC_380, nm380 ...   a reflectance spectrum in percent, on an even grid
//                                (CGATS: divided by SPECTRAL_NORM when given)
// An empty cell of an optional column means "not given". CSV cells are separated by ",", ";"
// or a tab (the one the header row uses); numbers use ".", or "," when cells are not
// separated by commas.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cgats/Cgats.h"

namespace ombra::cgats {

struct ReferenceTolerance {
    std::string formula;            // one of the formula names above; empty: no ΔE limit
    std::optional<double> limit;    // with `formula`
    std::optional<double> warning;  // at most `limit`
    std::optional<double> dL, da, db;

    bool operator==(const ReferenceTolerance &) const = default;
};

struct ReferenceFileEntry {
    std::string name;
    double L = 0, a = 0, b = 0;
    std::string illuminant;  // as listed above; empty when the file does not say
    int observer = 0;        // 2 or 10; 0 when the file does not say
    std::vector<double> spectrum;  // reflectance factors (1 = perfect diffuser); empty: none
    int spectrumFirstNm = 0;
    int spectrumStepNm = 0;
    ReferenceTolerance tolerance;
    int line = 0;  // where the entry stands in the file

    bool operator==(const ReferenceFileEntry &) const = default;
};

struct ReferenceFileResult {
    std::vector<ReferenceFileEntry> entries;  // empty when `error` is set
    std::optional<ParseError> error;

    bool ok() const { return !error; }
};

ReferenceFileResult ReadReferenceCsv(std::string_view text);
ReferenceFileResult ReadReferenceCgats(std::string_view text);
// CGATS when the text has a BEGIN_DATA_FORMAT line, CSV otherwise.
ReferenceFileResult ReadReferenceFile(std::string_view text);

}  // namespace ombra::cgats
