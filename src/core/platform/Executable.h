// Where the running program lives. Works before any application object exists.
#pragma once

#include <string>

namespace ombra::core::platform {

// Absolute path of the running executable (symbolic links resolved); empty if unknown.
std::string ExecutablePath();
// Its folder, without a trailing "/".
std::string ExecutableDirectory();
// Its file name without folder and without extension ("ombra-dts").
std::string ExecutableBaseName();
// The name the program goes by in what it prints: ExecutableBaseName(), or "ombra-dts" when
// that cannot be told.
std::string ProgramName();

}  // namespace ombra::core::platform
