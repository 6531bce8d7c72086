#include "app/MainWindowRunner.h"

#include "app/App.h"
#include "app/CVireoDataTransferSoftwareDlg.h"

namespace ombra {

int RunMainWindow(CVireoDataTransferSoftwareApp &app) {
    CVireoDataTransferSoftwareDlg window(QString::fromStdString(app.ProductVersion()));
    // Keyboard accelerators of the resource library reach the window as its commands.
    app.InstallAccelerators(&window, [&window](int command) { window.OnCommand(command); });
    window.exec();
    return 0;
}

}  // namespace ombra
