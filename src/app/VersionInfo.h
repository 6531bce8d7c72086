// The program's version block and the product-version lookup.
//
// The block is compiled into the program. Like a classic executable version resource it
// may carry a translation list (language in the low 16 bits, code page in the high 16
// bits of each entry) and string entries addressed by a query path such as
// "\StringFileInfo\040904B0\ProductVersion" (the hexadecimal part is matched without
// regard to case).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ombra::app {

struct VersionBlock {
    // Absent: the block has no translation table at all. Present but empty: the table
    // exists and lists nothing.
    std::optional<std::vector<uint32_t>> translations;
    std::vector<std::pair<std::string, std::string>> strings;  // query path -> text

    // The text under `queryPath`, or nothing.
    std::optional<std::string> Query(const std::string &queryPath) const;
};

// "\StringFileInfo\%04x%04x\<name>" for `language` and `codePage`.
std::string StringQueryPath(unsigned language, unsigned codePage, const std::string &name);

// The version text used when a block exists but no product version can be found in it.
inline constexpr const char *kFallbackProductVersion = "1.00.0000";

// Product version of `block` (nullptr: the program has no block at all):
//   no block, or no translation table           -> ""
//   the first translation's entry               -> that text
//   otherwise the first entry found by trying the fixed code pages (outer loop) and
//   languages (inner loop)                      -> that text
//   nothing found                               -> "1.00.0000"
std::string LookUpProductVersion(const VersionBlock *block);

// The fixed trial lists, in the order they are tried.
const std::vector<unsigned> &VersionSearchCodePages();  // 12 entries
const std::vector<unsigned> &VersionSearchLanguages();  // 55 entries

// The program's own block: the build's version under language 0409, code page 04B0.
const VersionBlock &ProgramVersionBlock();

}  // namespace ombra::app
