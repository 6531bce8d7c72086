// The set-up of the office's connection URL in a profile and its undo. The profile's file is
// changed in one item only, so that the undo can give the office its file back byte for byte
// when nothing else changed it. What the set-up replaced is kept in a file beside it:
//   line 1  "ombra-dts set-up 1"
//   line 2  "none" (the item was added), "replaced" (the previous item follows line 3) or
//           "created" (there was no profile: line 3 names the first folder the set-up made)
//   line 3  that folder (empty unless "created")
//   then    the previous item, byte for byte
#include "calcbridge/CalcSetup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

#include "calcbridge/AtomicReplace.h"

namespace ombra {

namespace {

namespace fs = std::filesystem;

const std::string kItemStart = "<item oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupConnectionURL\"";
const std::string kBackupName = "registrymodifications.xcu.ombra-dts-undo";
const std::string kBackupHeader = "ombra-dts set-up 1";

// The office accepts "pipe,name=N;urp;...": the same pipe that kDefaultUnoUrl connects to.
std::string Item(const std::string &pipeName) {
    return kItemStart + " oor:op=\"fuse\"><value>pipe,name=" + pipeName +
           ";urp;StarOffice.ServiceManager</value></prop></item>";
}

std::string NewConfiguration(const std::string &pipeName) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
           "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n" +
           Item(pipeName) + "\n</oor:items>\n";
}

// The text of the <value> element of a connection item ("" when it has none).
std::string ConnectionUrlOf(const std::string &item) {
    size_t from = item.find("<value>");
    size_t to = item.find("</value>");
    if (from == std::string::npos || to == std::string::npos || to < from) return {};
    return item.substr(from + 7, to - from - 7);
}

std::optional<std::string> ReadFile(const fs::path &file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return buffer.str();
}

// Where the connection item sits in a configuration: [start, end); npos when there is none.
struct ItemSpan {
    size_t start = std::string::npos, end = std::string::npos;
    bool damaged = false;
};
ItemSpan FindItem(const std::string &text) {
    ItemSpan span;
    span.start = text.find(kItemStart);
    if (span.start == std::string::npos) return span;
    span.end = text.find("</item>", span.start);
    if (span.end == std::string::npos) span.damaged = true;
    else span.end += 7;
    return span;
}

struct Backup {
    std::string state;  // "none", "replaced", "created"
    fs::path createdDir;
    std::string previousItem;
};

std::optional<Backup> ReadBackup(const fs::path &file) {
    std::optional<std::string> text = ReadFile(file);
    if (!text) return std::nullopt;
    std::istringstream in(*text);
    std::string header, state, dir;
    if (!std::getline(in, header) || header != kBackupHeader || !std::getline(in, state) || !std::getline(in, dir))
        return std::nullopt;
    if (state != "none" && state != "replaced" && state != "created") return std::nullopt;
    Backup backup{state, dir, {}};
    size_t rest = header.size() + state.size() + dir.size() + 3;
    if (rest < text->size()) backup.previousItem = text->substr(rest);
    return backup;
}

bool WriteBackup(const fs::path &file, const Backup &backup, std::string &error) {
    return calcbridge::ReplaceFileAtomically(
        file.string(), kBackupHeader + "\n" + backup.state + "\n" + backup.createdDir.string() + "\n" + backup.previousItem,
        error);
}

// The outermost folder of `dir` that does not exist yet; empty when `dir` exists.
fs::path FirstMissingFolder(const fs::path &dir) {
    std::error_code ec;
    fs::path missing;
    for (fs::path p = dir; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
        missing = p;
        if (p == p.parent_path()) break;
    }
    return missing;
}

OfficeSetup Result(OfficeSetup::Outcome outcome, const fs::path &file) {
    OfficeSetup result;
    result.outcome = outcome;
    result.file = file.string();
    return result;
}

OfficeSetup Failure(const fs::path &file, const std::string &error) {
    OfficeSetup result = Result(OfficeSetup::Outcome::Failed, file);
    result.error = error;
    return result;
}

OfficeSetup SetUpProfile(const fs::path &dir, const std::string &pipeName) {
    const fs::path file = dir / "registrymodifications.xcu";
    const fs::path backupFile = dir / kBackupName;
    std::error_code ec;
    std::string error;
    if (!fs::exists(file, ec)) {
        // No profile yet: the office makes the rest of it on its first start and keeps this item.
        Backup backup{"created", FirstMissingFolder(dir), {}};
        fs::create_directories(dir, ec);
        if (ec) return Failure(file, ec.message());
        if (!WriteBackup(backupFile, backup, error) ||
            !calcbridge::ReplaceFileAtomically(file.string(), NewConfiguration(pipeName), error))
            return Failure(file, error);
        OfficeSetup result = Result(OfficeSetup::Outcome::SetUp, file);
        result.newProfile = true;
        return result;
    }
    std::optional<std::string> text = ReadFile(file);
    if (!text) return Failure(file, "it cannot be read");
    ItemSpan span = FindItem(*text);
    if (span.damaged) return Result(OfficeSetup::Outcome::Damaged, file);
    Backup backup{"none", {}, {}};
    std::string changed = *text;
    if (span.start != std::string::npos) {
        backup.previousItem = text->substr(span.start, span.end - span.start);
        if (backup.previousItem == Item(pipeName)) return Result(OfficeSetup::Outcome::AlreadySetUp, file);
        backup.state = "replaced";
        changed.replace(span.start, span.end - span.start, Item(pipeName));
    } else {
        size_t close = text->rfind("</oor:items>");
        if (close == std::string::npos) return Result(OfficeSetup::Outcome::Damaged, file);
        // The office writes one item a line: added the same way, it comes out again byte for byte.
        const bool lineStart = close == 0 || (*text)[close - 1] == '\n';
        changed.insert(close, lineStart ? Item(pipeName) + "\n" : "\n" + Item(pipeName));
    }
    // The backup first: a set-up that stops half-way leaves an undo that still knows the old item.
    if (!WriteBackup(backupFile, backup, error) || !calcbridge::ReplaceFileAtomically(file.string(), changed, error))
        return Failure(file, error);
    OfficeSetup result = Result(OfficeSetup::Outcome::SetUp, file);
    if (backup.state == "replaced") result.otherUrl = ConnectionUrlOf(backup.previousItem);
    return result;
}

// Removes the folders the set-up made for a new profile, innermost first, as long as they are empty.
void RemoveCreatedFolders(const fs::path &dir, const fs::path &outermost) {
    std::error_code ec;
    for (fs::path p = dir; !p.empty(); p = p.parent_path()) {
        if (!fs::is_empty(p, ec) || !fs::remove(p, ec)) return;
        if (p == outermost || p == p.parent_path()) return;
    }
}

OfficeSetup UndoProfile(const fs::path &dir, const std::string &pipeName) {
    const fs::path file = dir / "registrymodifications.xcu";
    const fs::path backupFile = dir / kBackupName;
    std::error_code ec;
    std::optional<Backup> backup = ReadBackup(backupFile);
    if (!fs::exists(file, ec)) {
        fs::remove(backupFile, ec);
        return Result(OfficeSetup::Outcome::NotSetUp, file);
    }
    std::optional<std::string> text = ReadFile(file);
    if (!text) return Failure(file, "it cannot be read");
    // A profile the set-up made and the office never started with: it goes as it came.
    if (backup && backup->state == "created" && *text == NewConfiguration(pipeName)) {
        if (!fs::remove(file, ec)) return Failure(file, ec.message());
        fs::remove(backupFile, ec);
        if (!backup->createdDir.empty()) RemoveCreatedFolders(dir, backup->createdDir);
        OfficeSetup result = Result(OfficeSetup::Outcome::Undone, file);
        result.newProfile = true;
        return result;
    }
    ItemSpan span = FindItem(*text);
    if (span.damaged) return Result(OfficeSetup::Outcome::Damaged, file);
    if (span.start == std::string::npos || text->compare(span.start, span.end - span.start, Item(pipeName)) != 0) {
        fs::remove(backupFile, ec);  // someone else changed or removed the item: it is no longer ours to take back
        return Result(OfficeSetup::Outcome::NotSetUp, file);
    }
    std::string restored = *text;
    OfficeSetup result = Result(OfficeSetup::Outcome::Undone, file);
    if (backup && backup->state == "replaced") {
        restored.replace(span.start, span.end - span.start, backup->previousItem);
        result.otherUrl = ConnectionUrlOf(backup->previousItem);
    } else {
        size_t end = span.end;
        size_t start = span.start;
        if (end < restored.size() && restored[end] == '\n') ++end;
        else if (start > 0 && restored[start - 1] == '\n') --start;
        restored.erase(start, end - start);
    }
    std::string error;
    if (!calcbridge::ReplaceFileAtomically(file.string(), restored, error)) return Failure(file, error);
    fs::remove(backupFile, ec);
    return result;
}

// "file:///home/a%20b/x" -> "/home/a b/x"; empty when it is no local file URL.
std::string LocalPathOfUrl(const std::string &url) {
    const std::string scheme = "file://";
    if (url.compare(0, scheme.size(), scheme) != 0) return {};
    std::string path;
    for (size_t i = scheme.size(); i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size()) {
            path += static_cast<char>(std::strtol(url.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

// The NUL-separated strings of /proc/PID/cmdline or environ.
std::vector<std::string> ProcStrings(const fs::path &file) {
    std::vector<std::string> strings;
    std::optional<std::string> text = ReadFile(file);
    if (!text) return strings;
    std::istringstream in(*text);
    for (std::string s; std::getline(in, s, '\0');) strings.push_back(s);
    return strings;
}

// The profile folder (the one holding user/) a running office uses.
fs::path ProfileOfProcess(const fs::path &proc) {
    const std::string option = "-env:UserInstallation=";
    for (const std::string &arg : ProcStrings(proc / "cmdline"))
        if (arg.compare(0, option.size(), option) == 0) return LocalPathOfUrl(arg.substr(option.size()));
    std::string home, config, installation;
    for (const std::string &var : ProcStrings(proc / "environ")) {
        if (var.compare(0, 5, "HOME=") == 0) home = var.substr(5);
        else if (var.compare(0, 16, "XDG_CONFIG_HOME=") == 0) config = var.substr(16);
        else if (var.compare(0, 17, "UserInstallation=") == 0) installation = LocalPathOfUrl(var.substr(17));
    }
    if (!installation.empty()) return installation;
    if (config.empty()) config = home + "/.config";
    return fs::path(config) / "libreoffice" / "4";
}

bool SameFolder(const fs::path &a, const fs::path &b) {
    std::error_code ec1, ec2;
    return fs::weakly_canonical(a, ec1) == fs::weakly_canonical(b, ec2) && !ec1 && !ec2;
}

}  // namespace

std::string DefaultOfficeUserDir() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    fs::path config = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : ".") / ".config";
    return (config / "libreoffice" / "4" / "user").string();
}

long RunningOfficeFor(const std::string &userDir) {
    const fs::path profile = fs::path(userDir).parent_path();
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const fs::directory_entry &entry = *it;
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0 || info.st_uid != ::getuid()) continue;
        std::optional<std::string> comm = ReadFile(entry.path() / "comm");
        if (!comm || *comm != "soffice.bin\n") continue;
        if (SameFolder(ProfileOfProcess(entry.path()), profile)) return std::stol(name);
    }
    return 0;
}

OfficeSetup SetUpLibreOfficeProfile(const std::string &userDir, bool undo, const std::string &pipeName) {
    const fs::path dir(userDir);
    // A running office holds its configuration in memory and writes all of it back when it
    // closes: a change made now would be lost then.
    if (long office = RunningOfficeFor(userDir)) {
        OfficeSetup result = Result(OfficeSetup::Outcome::OfficeRunning, dir / "registrymodifications.xcu");
        result.officePid = office;
        return result;
    }
    return undo ? UndoProfile(dir, pipeName) : SetUpProfile(dir, pipeName);
}

}  // namespace ombra
