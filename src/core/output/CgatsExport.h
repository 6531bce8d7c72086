// Journal entries as CGATS.17 text, and files of named references read for the program.
//
// The export holds for every measurement its spectrum (reflectance in percent, or irradiance),
// XYZ and L*a*b* as the instrument delivered them, taken from the measured record the journal
// keeps (or, for an entry without one, from its values). Measurements taken under the same
// conditions (measurement type, illuminant, observer, measurement condition, polarisation,
// instrument) share one table, whose keywords name those conditions; a selection measured
// under several conditions gives one table for each. Field and keyword names follow the
// colour tools' conventions, so that ArgyllCMS reads a table with a spectrum as its spectral
// file type ("SPECT", SPEC_380 ... fields) and recomputes its colour values.
#pragma once

#include <string>
#include <vector>

#include "cgats/Cgats.h"
#include "cgats/ReferenceFile.h"
#include "core/output/MeasurementJournal.h"

namespace ombra::core {

// The CGATS text of the entries in the order given (oldest first is the caller's order);
// `createdUtc` is the CREATED keyword (ISO 8601, e.g. "2026-12-09T10:41:57Z").
std::string CgatsOfEntries(const std::vector<JournalEntry> &entries, const std::string &createdUtc);
// The present instant as `createdUtc` wants it.
std::string CgatsCreatedNow();

// "Line 12: 37 values where 38 are expected": one text of a fault in a CGATS or reference file.
std::string ParseErrorText(const cgats::ParseError &error);

// A file of named references (CSV or CGATS) read in full; on any fault `entries` is empty and
// `error` says why (the line and reason, or that the file cannot be read).
struct ReferenceFileLoad {
    std::vector<cgats::ReferenceFileEntry> entries;
    std::string error;
};
ReferenceFileLoad LoadReferenceFile(const std::string &path);

}  // namespace ombra::core
