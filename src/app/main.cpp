// Entry point of ombra-dts. The command line is checked first: options that do their job without
// a window run here; an option nobody knows ends the program with the usage; the toolkit's own
// options go on to the application.
#include <cstdio>
#include <string>

#include "app/App.h"
#include "app/CommandLine.h"
#include "app/OfficeConnection.h"
#include "app/VersionInfo.h"
#include "platform/Executable.h"
#include "platform/Resources.h"

namespace {

using ombra::app::CommandLine;

std::string ProgramName() {
    std::string name = ombra::app::platform::ExecutableBaseName();
    return name.empty() ? "ombra-dts" : name;
}

void PrintUsage(FILE *to) {
    std::fprintf(to,
                 "Usage: %s [option]\n\n"
                 "Writes each measurement of the connected instrument into the open LibreOffice Calc sheet.\n"
                 "Without an option the program window opens; started while it is open, it brings that\n"
                 "window to the front.\n\nOptions:\n",
                 ProgramName().c_str());
    for (const CommandLine::OptionHelp &option : CommandLine::Options())
        std::fprintf(to, "  %-30s %s\n", option.name, option.help);
}

int PrintVersion() {
    std::printf("%s %s\n", ProgramName().c_str(),
                ombra::app::LookUpProductVersion(&ombra::app::ProgramVersionBlock()).c_str());
    return 0;
}

// The set-up says what it did in the words of the resource library beside the program.
int SetUpLibreOffice(bool undo) {
    const std::string library = ombra::app::platform::ExecutableDirectory() + "/libCorvexRes.so";
    if (!ombra::app::platform::LoadResourceLibrary(library)) {
        std::fprintf(stderr, "%s: the resource library %s cannot be loaded\n", ProgramName().c_str(), library.c_str());
        return 1;
    }
    const ombra::app::OfficeSetupReport report = ombra::app::SetUpOffice(undo);
    std::fprintf(report.status == 0 ? stdout : stderr, "%s\n", report.notice.Text().c_str());
    return report.status;
}

}  // namespace

int main(int argc, char **argv) {
    const CommandLine line = CommandLine::Parse(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help: PrintUsage(stdout); return 0;
    case CommandLine::Action::Version: return PrintVersion();
    case CommandLine::Action::SetUpOffice: return SetUpLibreOffice(false);
    case CommandLine::Action::UndoOfficeSetUp: return SetUpLibreOffice(true);
    case CommandLine::Action::Wrong:
        std::fprintf(stderr, "%s: %s\n\n", ProgramName().c_str(), line.problem.c_str());
        PrintUsage(stderr);
        return 2;
    case CommandLine::Action::RunWindow: break;
    }
    ombra::app::CVireoDataTransferSoftwareApp app;
    return app.Run(argc, argv);
}
