// The names the Sample item writes: the next automatic name or the next name of the loaded
// list, and the names a list file holds.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/settings/AppSettings.h"

namespace ombra::core {

// The name of the next sample, and the settings moved on past it: the prefix with the next
// number (which then goes up by one), or the next name of the list. None when the list has
// no name left.
std::optional<std::string> TakeSampleName(SampleSettings &samples);

// The names a list file holds: one a line, or the first field of each line of a CSV file
// (separated by a comma, a semicolon or a tab; a field in double quotes may hold them).
// Blank lines are left out; spaces around a name go.
std::vector<std::string> SampleNamesOf(const std::string &fileText);

// The names of the file at `path`; none when it cannot be read.
std::optional<std::vector<std::string>> ReadSampleNameFile(const std::string &path);

}  // namespace ombra::core
