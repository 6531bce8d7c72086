#include "app/MainWindowRunner.h"

#include <cstdio>
#include <string>

#include "app/App.h"
#include "app/OfficeConnection.h"
#include "app/SharedJournal.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/output/MeasurementJournal.h"
#include "core/platform/Resources.h"
#include "core/quality/ReferenceStore.h"
#include "corvexres/ResourceIds.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/platform/MessageBox.h"

namespace ombra::app {

int RunMainWindow(CVireoDataTransferSoftwareApp &app) {
    // Without the instrument library the window still opens; Connect then finds no instrument.
    std::string error;
    if (!core::LoadInstrumentLibrary(core::DefaultInstrumentLibraryPath(), &error))
        std::fprintf(stderr, "%s\n", core::platform::ResString(res::kStrNotLoaded, {error}).c_str());
    ui::CVireoDataTransferSoftwareDlg window(QString::fromStdString(app.ProductVersion()), nullptr, app.Settings());
    ConnectOffice(window);
    app.SetMainWindow(&window);
    // Every reading is kept on disk before its cells are written; a journal that cannot be
    // opened is told once and measuring goes on without it.
    core::MeasurementJournal journal(ui::platform::NoticeSinkFor(&window));
    window.SetJournal(&journal);
    // With a shared journal server set, each measurement is also sent there, in the background.
    const std::unique_ptr<core::JournalSender> sender = StartSharedJournal(app.Settings(), journal, window);
    core::ReferenceStore references;
    window.SetReferences(&references);
    // Keyboard accelerators of the resource library reach the window as its commands.
    app.InstallAccelerators(&window, [&window](int command) { window.OnCommand(command); });
    window.exec();
    app.SetMainWindow(nullptr);
    return 0;
}

}  // namespace ombra::app
