#include "app/CommandLine.h"

#include <algorithm>
#include <iterator>

#include <QString>

#include "core/journalserver/ServerConnection.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::app {

using ombra::core::ParseServerAddress;

namespace {

// The toolkit's own options (Qt's GUI, widgets and X11 options); each may also be written with
// "--". Those in the first list take the next argument as their value, or "=value".
const char *const kToolkitOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry", "qwindowtitle",
    "title", "qwindowicon", "icon", "display", "name", "style", "stylesheet", "session", "qmljsdebugger",
};
const char *const kToolkitFlags[] = {"reverse", "sync", "nograb", "dograb", "widgetcount", "testability"};

bool Listed(const std::string &name, const char *const *begin, const char *const *end) {
    return std::any_of(begin, end, [&](const char *option) { return name == option; });
}

// How many arguments a toolkit option at `arg` takes up (1 or 2); 0 when it is none.
int ToolkitOptionLength(const std::string &arg) {
    if (arg.size() < 2 || arg[0] != '-') return 0;
    std::string name = arg.substr(arg[1] == '-' ? 2 : 1);
    const size_t equals = name.find('=');
    const bool inlineValue = equals != std::string::npos;
    if (inlineValue) name.resize(equals);
    if (Listed(name, std::begin(kToolkitOptionsWithValue), std::end(kToolkitOptionsWithValue)))
        return inlineValue ? 1 : 2;
    if (!inlineValue && Listed(name, std::begin(kToolkitFlags), std::end(kToolkitFlags))) return 1;
    return 0;
}

CommandLine Wrong(int problemText, const std::vector<std::string> &args) {
    CommandLine line;
    line.action = CommandLine::Action::Wrong;
    line.problem = core::platform::ResString(problemText, args);
    return line;
}

}  // namespace

const std::vector<CommandLine::OptionHelp> &CommandLine::Options() {
    static const std::vector<OptionHelp> options = {
        {"-h, --help", res::kStrShowHelp},
        {"--version", res::kStrVersionHelp},
        {"--setup-libreoffice", res::kStrSetUpHelp},
        {"--setup-libreoffice --undo", res::kStrUndoHelp},
        {"--journal-server URL", res::kStrJournalServer},
    };
    return options;
}

CommandLine CommandLine::Parse(int argc, const char *const *argv) {
    CommandLine line;
    bool setUp = false, undo = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            if (i + 1 < argc) return Wrong(res::kStrUnexpectedArgument, {argv[i + 1]});
            break;
        }
        if (arg == "-h" || arg == "--help") return CommandLine{Action::Help, {}, {}};
        if (arg == "--journal-server" || arg.rfind("--journal-server=", 0) == 0) {
            const bool inlineValue = arg != "--journal-server";
            if (!inlineValue && i + 1 >= argc) return Wrong(res::kStrNeedsAddress, {"--journal-server"});
            std::string url = inlineValue ? arg.substr(arg.find('=') + 1) : argv[++i];
            if (url == "none") url.clear();
            std::string problem;
            if (!url.empty() && !core::ParseServerAddress(QString::fromStdString(url), &problem))
                return Wrong(res::kStrBadAddress, {"--journal-server", problem});
            line.journalServer = url;
            continue;
        }
        if (arg == "--version") line.action = Action::Version;
        else if (arg == "--setup-libreoffice") setUp = true;
        else if (arg == "--undo") undo = true;
        else if (int length = ToolkitOptionLength(arg)) i += length - 1;
        else if (arg.size() > 1 && arg[0] == '-') return Wrong(res::kStrUnknownOption, {arg});
        else return Wrong(res::kStrUnexpectedArgument, {arg});
    }
    if (undo && !setUp) return Wrong(res::kStrGoesWith, {"--undo", "--setup-libreoffice"});
    if (setUp && line.action == Action::Version) return Wrong(res::kStrExclusive, {"--version", "--setup-libreoffice"});
    if (line.journalServer && (setUp || line.action == Action::Version))
        return Wrong(res::kStrWindowOnly, {"--journal-server"});
    if (setUp) line.action = undo ? Action::UndoOfficeSetUp : Action::SetUpOffice;
    return line;
}

}  // namespace ombra::app
