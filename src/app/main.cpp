// Entry point of ombra-dts. Options that do their job without a window are handled here
// first; anything else (including the toolkit's own options) goes to the application.
#include <cstdio>
#include <cstring>

#include "app/App.h"
#include "app/VersionInfo.h"
#include "platform/Executable.h"
#ifdef OMBRA_HAVE_CALCBRIDGE
#include "calcbridge/CalcBridge.h"
#endif

namespace {

int PrintVersion(int, char **);
int PrintHelp(int, char **);
int SetUpLibreOffice(int, char **);

// One row per option that runs instead of the program; the function returns the exit status.
struct StandaloneOption {
    const char *name;
    const char *help;
    int (*run)(int argc, char **argv);
};
const StandaloneOption kStandaloneOptions[] = {
    {"--help", "show this help and exit", PrintHelp},
    {"--version", "show the program's version and exit", PrintVersion},
    {"--setup-libreoffice", "make LibreOffice accept this program's connection whenever it starts", SetUpLibreOffice},
};

std::string ProgramName() {
    std::string name = ombra::app::platform::ExecutableBaseName();
    return name.empty() ? "ombra-dts" : name;
}

int PrintVersion(int, char **) {
    std::printf("%s %s\n", ProgramName().c_str(), ombra::app::LookUpProductVersion(&ombra::app::ProgramVersionBlock()).c_str());
    return 0;
}

int PrintHelp(int, char **) {
    std::printf("Usage: %s [option]\n\n"
                "Writes each measurement of the connected instrument into the open LibreOffice Calc sheet.\n"
                "Without an option the program window opens.\n\nOptions:\n",
                ProgramName().c_str());
    for (const StandaloneOption &option : kStandaloneOptions) std::printf("  %-22s %s\n", option.name, option.help);
    std::printf("  %-22s %s\n", "-h", "same as --help");
    return 0;
}

int SetUpLibreOffice(int, char **) {
#ifdef OMBRA_HAVE_CALCBRIDGE
    std::string message;
    int status = ombra::SetupLibreOffice(message);
    std::fprintf(status == 0 ? stdout : stderr, "%s\n", message.c_str());
    return status;
#else
    std::fprintf(stderr, "This build has no LibreOffice connection.\n");
    return 1;
#endif
}

const StandaloneOption *FindStandaloneOption(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) break;
        if (std::strcmp(argv[i], "-h") == 0) return &kStandaloneOptions[0];
        for (const StandaloneOption &option : kStandaloneOptions)
            if (std::strcmp(argv[i], option.name) == 0) return &option;
    }
    return nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    if (const StandaloneOption *option = FindStandaloneOption(argc, argv)) return option->run(argc, argv);
    ombra::app::CVireoDataTransferSoftwareApp app;
    return app.Run(argc, argv);
}
