// Whether an office of this user runs, whatever it listens on: an office started the ordinary
// way before it was set up for the program runs without the program's pipe.
#pragma once

#include <string>

namespace ombra {

// True when a process of this user named like the office's ("soffice.bin") is listed under
// procRoot (the process file system).
bool OfficeProcessOfThisUser(const std::string &procRoot = "/proc");

}  // namespace ombra
