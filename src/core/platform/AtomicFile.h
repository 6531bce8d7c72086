// Writing a whole file so that a crash or a full disk never leaves a half-written file:
// the bytes go to a temporary file beside the target, which replaces the target only
// once everything reached the disk; the folder is synced after the rename so that it lasts.
#pragma once

#include <string>

namespace ombra::core::platform {

// Returns false (and the reason in `error`, when given) if the file could not be written;
// the previous contents of `path` are then untouched.
bool WriteFileAtomically(const std::string &path, const std::string &bytes, std::string *error = nullptr);

}  // namespace ombra::core::platform
