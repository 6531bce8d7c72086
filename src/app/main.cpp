// Entry point of ombra-dts. The command line is checked first: options that do their job without
// a window run here; an option nobody knows ends the program with the usage; the toolkit's own
// options go on to the application. What the program prints is in the words of the resource
// library beside it, in the user's language.
#include <cstdio>
#include <string>
#include <utility>

#include "app/App.h"
#include "app/CommandLine.h"
#include "app/OfficeConnection.h"
#include "app/VersionInfo.h"
#include "core/platform/Executable.h"
#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace {

using ombra::app::CommandLine;
namespace core = ombra::core;

std::string LibraryPath() { return core::platform::ExecutableDirectory() + "/libCorvexRes.so"; }

// The library's words are needed for everything but the version and the window (which ends
// silently without them); the one line that cannot come from the library says it is missing.
bool HaveTexts() {
    if (core::platform::ResourceLibraryLoaded()) return true;
    std::fprintf(stderr, "%s: the resource library %s cannot be loaded\n", core::platform::ProgramName().c_str(),
                 LibraryPath().c_str());
    return false;
}

void PrintUsage(FILE *to) {
    std::fprintf(to, "%s\n\n%s\n\n%s\n", core::platform::ResString(ombra::res::kStrUsage, {core::platform::ProgramName()}).c_str(),
                 core::platform::ResString(ombra::res::kStrPurpose).c_str(), core::platform::ResString(ombra::res::kStrOptions).c_str());
    for (const CommandLine::OptionHelp &option : CommandLine::Options())
        std::fprintf(to, "  %-30s %s\n", option.name, core::platform::ResString(option.helpText).c_str());
}

int PrintVersion() {
    std::printf("%s %s\n", core::platform::ProgramName().c_str(),
                ombra::app::LookUpProductVersion(&ombra::app::ProgramVersionBlock()).c_str());
    return 0;
}

// The set-up says what it did.
int SetUpLibreOffice(bool undo) {
    const ombra::app::OfficeSetupReport report = ombra::app::SetUpOffice(undo);
    std::fprintf(report.status == 0 ? stdout : stderr, "%s\n", report.notice.Text().c_str());
    return report.status;
}

}  // namespace

int main(int argc, char **argv) {
    core::platform::LoadResourceLibrary(LibraryPath());  // a missing library is told where it matters
    const CommandLine line = CommandLine::Parse(argc, argv);
    switch (line.action) {
    case CommandLine::Action::RunWindow: break;
    case CommandLine::Action::Version: return PrintVersion();
    case CommandLine::Action::Help:
        if (!HaveTexts()) return 1;
        PrintUsage(stdout);
        return 0;
    case CommandLine::Action::SetUpOffice: return HaveTexts() ? SetUpLibreOffice(false) : 1;
    case CommandLine::Action::UndoOfficeSetUp: return HaveTexts() ? SetUpLibreOffice(true) : 1;
    case CommandLine::Action::Wrong:
        if (!HaveTexts()) return 2;
        std::fprintf(stderr, "%s: %s\n\n", core::platform::ProgramName().c_str(), line.problem.c_str());
        PrintUsage(stderr);
        return 2;
    }
    ombra::app::CVireoDataTransferSoftwareApp::Options options;
    options.journalServer = line.journalServer;
    ombra::app::CVireoDataTransferSoftwareApp app(std::move(options));
    return app.Run(argc, argv);
}
