#include "app/MainWindowRunner.h"

#include <cstdio>
#include <string>

#include "app/App.h"
#include "app/CVireoDataTransferSoftwareDlg.h"
#include "instrument/InstrumentLibrary.h"

namespace ombra {

int RunMainWindow(CVireoDataTransferSoftwareApp &app) {
    // Without the instrument library the window still opens; Connect then finds no instrument.
    std::string error;
    if (!LoadInstrumentLibrary(DefaultInstrumentLibraryPath(), &error))
        std::fprintf(stderr, "instrument library not loaded: %s\n", error.c_str());
    CVireoDataTransferSoftwareDlg window(QString::fromStdString(app.ProductVersion()));
    // Keyboard accelerators of the resource library reach the window as its commands.
    app.InstallAccelerators(&window, [&window](int command) { window.OnCommand(command); });
    window.exec();
    return 0;
}

}  // namespace ombra
