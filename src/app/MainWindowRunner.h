// The seam between start-up and the main window: constructs the main window, hands it the
// application object, makes it the application's main window and runs it modally.
// Returns the window's result once it has closed and been destroyed.
#pragma once


namespace ombra::app {

class CVireoDataTransferSoftwareApp;

int RunMainWindow(CVireoDataTransferSoftwareApp &app);

}  // namespace ombra::app
