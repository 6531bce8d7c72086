// Runs the main window modally for the application object; returns when it closes.
#pragma once

class CVireoDataTransferSoftwareApp;

int RunMainWindow(CVireoDataTransferSoftwareApp &app);
