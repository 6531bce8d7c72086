// The program's command line: its own options, and the toolkit's options it lets through to the
// toolkit. Anything else is a mistake the user hears about (and the program does not start).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ombra::app {

struct CommandLine {
    enum class Action { RunWindow, Help, Version, SetUpOffice, UndoOfficeSetUp, Wrong };
    Action action = Action::RunWindow;
    std::string problem;  // Wrong: what is wrong, in the resource library's words ("unknown option --setup-libreofice")
    // --journal-server URL: the shared journal's server, kept in the settings from this start
    // on ("none" or an empty URL: no server any more); unset when not given.
    std::optional<std::string> journalServer;

    // argv[0] is the program. "--" ends the options; the program takes no other arguments.
    static CommandLine Parse(int argc, const char *const *argv);

    struct OptionHelp {
        const char *name;  // as typed
        int helpText;      // string of the resource library
    };
    // The options for the usage, in its order.
    static const std::vector<OptionHelp> &Options();
};

}  // namespace ombra::app
