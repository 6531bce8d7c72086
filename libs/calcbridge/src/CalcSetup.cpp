// Makes the user's LibreOffice accept the program's pipe at every start: the office reads its
// connection URL from the per-user configuration (registrymodifications.xcu).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <system_error>
#include <unistd.h>

#include "calcbridge/AtomicReplace.h"
#include "calcbridge/CalcBridge.h"

namespace ombra {

namespace {

namespace fs = std::filesystem;

const std::string kItemStart = "<item oor:path=\"/org.openoffice.Setup/Office\"><prop oor:name=\"ooSetupConnectionURL\"";

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

fs::path DefaultUserDir() {
    const char *xdg = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    fs::path config = xdg && *xdg ? fs::path(xdg) : fs::path(home ? home : ".") / ".config";
    return config / "libreoffice" / "4" / "user";
}

}  // namespace

int SetupLibreOfficeProfile(const std::string &userDir, std::string &message, const std::string &pipeName) {
    fs::path dir(userDir);
    fs::path file = dir / "registrymodifications.xcu";
    std::error_code ec;
    std::string text;
    if (fs::exists(file, ec)) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream buffer;
        buffer << in.rdbuf();
        if (!in) {
            message = "Cannot read " + file.string() + ".";
            return 1;
        }
        text = buffer.str();
    }
    std::string error;
    std::optional<std::string> replaced;  // the connection URL that was set before
    if (text.empty()) {
        fs::create_directories(dir, ec);
        if (ec || !calcbridge::ReplaceFileAtomically(file.string(), NewConfiguration(pipeName), error)) {
            message = "Cannot set up LibreOffice: " + (error.empty() ? ec.message() : error) + ".";
            return 1;
        }
    } else {
        size_t start = text.find(kItemStart);
        if (start != std::string::npos) {
            size_t end = text.find("</item>", start);
            if (end == std::string::npos) {
                message = "The LibreOffice configuration " + file.string() + " is damaged; nothing was changed.";
                return 1;
            }
            end += 7;
            if (text.compare(start, end - start, Item(pipeName)) == 0) {
                message = "LibreOffice is already set up to accept Ombra Data Transfer (" + file.string() + ").";
                return 0;
            }
            replaced = ConnectionUrlOf(text.substr(start, end - start));
            text.replace(start, end - start, Item(pipeName));
        } else {
            size_t close = text.rfind("</oor:items>");
            if (close == std::string::npos) {
                message = "The LibreOffice configuration " + file.string() + " is damaged; nothing was changed.";
                return 1;
            }
            text.insert(close, Item(pipeName) + "\n");
        }
        if (!calcbridge::ReplaceFileAtomically(file.string(), text, error)) {
            message = "Cannot set up LibreOffice: " + error + ".";
            return 1;
        }
    }
    message = "LibreOffice is now set up to accept Ombra Data Transfer (" + file.string() +
              "). The change takes effect the next time LibreOffice starts. If LibreOffice was running, "
              "close it completely and run this again: it rewrites its configuration when it closes.";
    if (replaced)
        message += " It replaced the connection URL that was set before, \"" + *replaced +
                   "\"; a program that used it can no longer connect.";
    return 0;
}

int SetupLibreOffice(std::string &message) {
    return SetupLibreOfficeProfile(DefaultUserDir().string(), message, kCalcPipeName);
}

}  // namespace ombra
