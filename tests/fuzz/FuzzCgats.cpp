// libFuzzer target for the CGATS reader and the reference-file readers: any bytes give either
// tables/entries or one error with a line, never both; a file the reader accepts (with names
// that are single plain words) writes out and reads back to the same text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cgats/Cgats.h"
#include "cgats/ReferenceFile.h"

namespace {

using namespace ombra::cgats;

bool PlainWord(const std::string &name) {
    static const char *const kStructure[] = {"BEGIN_DATA_FORMAT", "END_DATA_FORMAT", "BEGIN_DATA", "END_DATA",
                                             "NUMBER_OF_FIELDS", "NUMBER_OF_SETS"};
    if (name.empty() || name.find_first_of(" \t\r\f\v\"#") != std::string::npos) return false;
    for (const char *word : kStructure)
        if (name == word) return false;
    return true;
}

bool PlainNames(const std::vector<Table> &tables) {
    for (const Table &t : tables) {
        if (!PlainWord(t.identifier)) return false;
        for (const Keyword &k : t.keywords)
            if (!PlainWord(k.name)) return false;
        for (const std::string &f : t.fields)
            if (!PlainWord(f)) return false;
    }
    return true;
}

// The writer puts a space for a carriage return inside a value.
std::vector<std::vector<std::string>> AsWritten(std::vector<std::vector<std::string>> rows) {
    for (auto &row : rows)
        for (std::string &value : row)
            for (char &c : value)
                if (c == '\r') c = ' ';
    return rows;
}

void CheckReferences(const ReferenceFileResult &r) {
    if (r.ok() == r.entries.empty()) std::abort();  // entries and no error, or an error and none
    if (!r.ok() && r.error->line < 1) std::abort();
    for (const ReferenceFileEntry &e : r.entries)
        if (!std::isfinite(e.L) || !std::isfinite(e.a) || !std::isfinite(e.b) || e.name.empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    CheckReferences(ReadReferenceFile(text));
    CheckReferences(ReadReferenceCsv(text));
    const ParseResult parsed = Parse(text);
    if (parsed.ok() == parsed.tables.empty()) std::abort();
    if (!parsed.ok()) {
        if (parsed.error->line < 1) std::abort();
        return 0;
    }
    if (!PlainNames(parsed.tables)) return 0;
    const std::string written = Write(parsed.tables);
    const ParseResult again = Parse(written);
    if (!again.ok()) std::abort();  // what was read writes out readable
    if (Write(again.tables) != written) std::abort();
    for (size_t i = 0; i < again.tables.size(); ++i)
        if (again.tables[i].rows != AsWritten(parsed.tables[i].rows)) std::abort();
    return 0;
}
