// Replacing a configuration file of another program so that it is never seen half-written:
// the bytes go to a new file beside the target, reach the disk, and then take the target's
// place in one rename.
#pragma once

#include <functional>
#include <string>

namespace ombra::calcbridge {

// Replaces the contents of `path`. When `path` is a symbolic link, the file it points to is
// replaced and the link stays. The new file keeps the old one's permission bits (and owner,
// where allowed); a new file gets mode 0600. The temporary file has a unique name, is created
// exclusively (never through a planted link) and is removed on failure. The file and then its
// folder are synced, so after a crash the folder holds either the old or the new file.
// Returns false with the reason in `error`; the old file is then untouched.
// `beforeRename` runs after the new file is complete and synced (tests simulate a crash there).
bool ReplaceFileAtomically(const std::string &path, const std::string &bytes, std::string &error,
                           const std::function<void()> &beforeRename = {});

// The file a path finally names after following symbolic links (at most 40); the path itself
// when it is no link. A link to a missing file gives the missing file's path.
std::string FinalLinkTarget(const std::string &path);

}  // namespace ombra::calcbridge
