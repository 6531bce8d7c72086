#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <fstream>
#include <string>

#include "calcbridge/OfficePresence.h"

namespace ombra {

namespace {

constexpr const char *kOfficeProcessName = "soffice.bin";

bool IsNumber(const char *name) {
    if (!*name) return false;
    for (; *name; ++name)
        if (!std::isdigit(static_cast<unsigned char>(*name))) return false;
    return true;
}

// The process's name as the kernel keeps it (at most 15 characters, enough for the office's).
std::string ProcessName(const std::string &folder) {
    std::ifstream in(folder + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace

bool OfficeProcessOfThisUser(const std::string &procRoot) {
    DIR *proc = ::opendir(procRoot.c_str());
    if (!proc) return false;
    const uid_t me = ::getuid();
    bool found = false;
    while (dirent *entry = ::readdir(proc)) {
        if (!IsNumber(entry->d_name)) continue;
        const std::string folder = procRoot + "/" + entry->d_name;
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || info.st_uid != me) continue;
        if (ProcessName(folder) == kOfficeProcessName) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

}  // namespace ombra
