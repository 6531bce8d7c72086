#include "calcbridge/AtomicReplace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace ombra::calcbridge {

namespace {

std::string FolderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Reason(const std::string &what, int error) { return what + ": " + std::strerror(error); }

bool WriteAll(int fd, const std::string &bytes) {
    const char *data = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

// Gives the new file the old one's permission bits and, where the process may, its owner.
void TakeOverMode(int fd, const std::string &target) {
    struct stat old {};
    if (::stat(target.c_str(), &old) != 0) return;  // a new file keeps mkstemp's 0600
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        // Not allowed to give it away: it stays ours, which is who edits it anyway.
    }
    ::fchmod(fd, old.st_mode & 07777);
}

bool SyncFolder(const std::string &folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

std::string FinalLinkTarget(const std::string &path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> buffer(PATH_MAX + 1);
        ssize_t n = ::readlink(current.c_str(), buffer.data(), PATH_MAX);
        if (n < 0) return current;
        std::string link(buffer.data(), static_cast<size_t>(n));
        current = link[0] == '/' ? link : FolderOf(current) + "/" + link;
    }
    return current;
}

bool ReplaceFileAtomically(const std::string &path, const std::string &bytes, std::string &error,
                           const std::function<void()> &beforeRename) {
    const std::string target = FinalLinkTarget(path);
    const std::string folder = FolderOf(target);
    std::string temp = target + ".XXXXXX";
    // mkostemp creates the name exclusively (O_EXCL): it never opens a file or link planted there.
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        error = Reason("cannot create a file in " + folder, errno);
        return false;
    }
    TakeOverMode(fd, target);
    bool written = WriteAll(fd, bytes);
    int writeError = errno;
    if (!written || ::fsync(fd) != 0) {
        error = Reason("cannot write " + temp, written ? errno : writeError);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    }
    ::close(fd);
    if (beforeRename) beforeRename();
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        error = Reason("cannot replace " + target, errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (!SyncFolder(folder)) {
        error = Reason("replaced " + target + ", but its folder could not be synced", errno);
        return false;
    }
    return true;
}

}  // namespace ombra::calcbridge
