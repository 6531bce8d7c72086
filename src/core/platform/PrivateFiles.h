// The journal and the settings hold the user's readings and choices: their folders are the
// user's alone (0700) and so are their files (0600), whatever the umask.
#pragma once

#include <string>

namespace ombra::core::platform {

// Creates `folder` and any missing parents; the folder itself ends as 0700 when it is the
// user's (parents keep the ordinary mode). Returns false when it cannot be made or is not a
// folder.
bool MakePrivateFolder(const std::string &folder);

// Creates `file` empty and 0600 when it does not exist yet, so that whatever opens it later
// never makes it readable by others; an existing file of the user's is set to 0600.
// Returns false when it could neither be created nor changed.
bool MakePrivateFile(const std::string &file);

}  // namespace ombra::core::platform
