#include "core/platform/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace ombra::core::platform {

namespace fs = std::filesystem;

bool MakePrivateFolder(const std::string &folder) {
    if (folder.empty()) return false;
    const fs::path path = fs::path(folder).lexically_normal();
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        // Parents are ordinary folders (~/.local/share may be shared with other programs).
        if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
        if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    // Someone else's folder (or a shared one) is used as it is, never changed.
    if (st.st_uid != ::geteuid()) return true;
    return (st.st_mode & 0777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

bool MakePrivateFile(const std::string &file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_uid == ::geteuid() && (st.st_mode & 0777) != 0600) ok = ::fchmod(fd, 0600) == 0;
    ::close(fd);
    return ok;
}

}  // namespace ombra::core::platform
