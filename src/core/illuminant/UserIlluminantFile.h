// The user illuminant record and its *.uid text file: 97 lines, one value each, the relative
// spectral power at 300, 305, ..., 780 nm. Values are written with "%0.4f" and always with a
// "." whatever the user's locale; a reader accepts lines made only of "0123456789.-".
#pragma once

#include <array>
#include <cfloat>
#include <string>
#include <string_view>

#include <fxapi/fxapi.h>

namespace ombra::core {

using UserIlluminantRecord = DIUserIlluminant;

constexpr int kUserIlluminantPoints = DI_USER_ILLUMINANT_POINTS;  // 97
constexpr int kUserIlluminantFirstNm = 300;
constexpr int kUserIlluminantStepNm = 5;
// The largest float stands for a value the instrument did not deliver.
constexpr float kNoValue = FLT_MAX;

// The characters a value line (and a value checked before saving) may hold.
inline constexpr std::string_view kUidValueCharacters = "0123456789.-";

// The instrument's code for "no user illuminant is registered" (string 1229).
constexpr int32_t kNoUserIlluminantCode = 29;

// Whether a record read from an instrument holds a user illuminant at all: an instrument that
// has none may answer with a record of zeros instead of its code.
bool HoldsUserIlluminant(const UserIlluminantRecord &record);

// Parses the text of a *.uid file into `record`. Lines end with LF or CR LF. The first 97
// lines must each be a value line (an empty line or the end of the text before the 97th value
// fails); anything after the 97th line is ignored. A line converts its leading decimal number
// (a lone "-" or "." gives 0); a number too large for a float fails. `record` is changed only
// on success.
bool ParseUserIlluminant(std::string_view text, UserIlluminantRecord &record);

// Reads the file at `path` as above. Failing to open it is a read failure.
bool ReadUserIlluminantFile(const std::string &path, UserIlluminantRecord &record);

// The check before saving: copies `record` into `scratch`, turning each missing value into 0;
// fails when a value's "%f" text holds a character outside "0123456789.-" (not a number,
// infinite).
bool PrepareUserIlluminantForSave(const UserIlluminantRecord &record, UserIlluminantRecord &scratch);

// The file text: the 97 values, each "%0.4f\n" with a ".".
std::string FormatUserIlluminant(const UserIlluminantRecord &record);

// Writes the file text atomically: on failure the previous file stays as it was.
bool WriteUserIlluminantFile(const std::string &path, const UserIlluminantRecord &record);

}  // namespace ombra::core
