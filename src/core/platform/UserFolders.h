// The folders of the user's own files that the file dialogs start in: the user's documents
// folder (as the desktop names it, ~/Documents by default) with "Ombra Data Transfer/ColorSet"
// and "Ombra Data Transfer/Illuminants" in it. The program's own folder is never offered: an
// installed program's folder is not the user's to write in.
#pragma once

#include <string>

namespace ombra::core::platform {

enum class UserFiles { ColorSets, Illuminants };

// The folder of `kind`. It may not exist yet: the file dialog makes it when it first opens
// there, so that nothing is created in a user's documents folder before it is needed.
std::string UserFilesFolder(UserFiles kind);

}  // namespace ombra::core::platform
