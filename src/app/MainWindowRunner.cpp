#include "app/MainWindowRunner.h"

#include <cstdio>
#include <string>

#include "app/App.h"
#include "app/OfficeConnection.h"
#include "app/SharedJournal.h"
#include "mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "instrument/InstrumentLibrary.h"
#include "output/MeasurementJournal.h"
#include "quality/ReferenceStore.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::app {

int RunMainWindow(CVireoDataTransferSoftwareApp &app) {
    // Without the instrument library the window still opens; Connect then finds no instrument.
    std::string error;
    if (!LoadInstrumentLibrary(DefaultInstrumentLibraryPath(), &error))
        std::fprintf(stderr, "%s\n", platform::ResString(res::kStrNotLoaded, {error}).c_str());
    CVireoDataTransferSoftwareDlg window(QString::fromStdString(app.ProductVersion()), nullptr, app.Settings());
    ConnectOffice(window);
    app.SetMainWindow(&window);
    // Every reading is kept on disk before its cells are written; a journal that cannot be
    // opened is told once and measuring goes on without it.
    MeasurementJournal journal(platform::NoticeSinkFor(&window));
    window.SetJournal(&journal);
    // With a shared journal server set, each measurement is also sent there, in the background.
    const std::unique_ptr<JournalSender> sender = StartSharedJournal(app.Settings(), journal, window);
    ReferenceStore references;
    window.SetReferences(&references);
    // Keyboard accelerators of the resource library reach the window as its commands.
    app.InstallAccelerators(&window, [&window](int command) { window.OnCommand(command); });
    window.exec();
    app.SetMainWindow(nullptr);
    return 0;
}

}  // namespace ombra::app
