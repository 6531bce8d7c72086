// The connection to the readers of references files (CSV with a header, CGATS text): the
// References window imports through the reader installed here, and offers no import while
// none is.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/quality/ReferenceStore.h"

namespace ombra::core {

// What a reader made of a file: every entry, or (entries empty) the line and reason of the
// first fault, for the user ("line 7: L* is not a number").
struct ReferenceFileRead {
    std::vector<ReferenceFileEntry> entries;
    std::string error;
};

using ReferenceFileReader = std::function<ReferenceFileRead(const std::string &path)>;

// The reader in use (empty while none is installed).
const ReferenceFileReader &InstalledReferenceFileReader();
// Installs `reader` (an empty function removes it); returns the one it replaces.
ReferenceFileReader InstallReferenceFileReader(ReferenceFileReader reader);

}  // namespace ombra::core
