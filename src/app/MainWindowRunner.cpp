#include "app/MainWindowRunner.h"

#include <QGuiApplication>
#include <QWindow>

#include <cstdio>
#include <string>
#include <vector>

#include "app/App.h"
#include "mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "instrument/InstrumentLibrary.h"
#include "output/MeasurementJournal.h"
#include "platform/MessageBox.h"

#ifdef OMBRA_HAVE_CALCBRIDGE
#include "calcbridge/CalcBridge.h"
#include "AppLayer.h"
#endif

namespace ombra::app {

namespace {
constexpr int kStrProgramCaption = 1200;
constexpr int kStrOfficePipeRefused = 1602;

#ifdef OMBRA_HAVE_CALCBRIDGE
// The window-system ids of the program's windows that exist on screen (none is made for asking).
std::vector<unsigned long> ProgramWindowIds() {
    std::vector<unsigned long> ids;
    for (const QWindow *window : QGuiApplication::allWindows())
        if (window->handle()) ids.push_back(static_cast<unsigned long>(window->winId()));
    return ids;
}
#endif

}  // namespace

int RunMainWindow(CVireoDataTransferSoftwareApp &app) {
    // Without the instrument library the window still opens; Connect then finds no instrument.
    std::string error;
    if (!LoadInstrumentLibrary(DefaultInstrumentLibraryPath(), &error))
        std::fprintf(stderr, "instrument library not loaded: %s\n", error.c_str());
    CVireoDataTransferSoftwareDlg window(QString::fromStdString(app.ProductVersion()), nullptr, app.Settings());
    // Each measurement asks for LibreOffice Calc; the bridge keeps one connection per office.
#ifdef OMBRA_HAVE_CALCBRIDGE
    window.SetAutomationFactory([] { return ConnectCalc(); });
    // With one of these in front, a press goes to the workbook the user last worked in.
    SetProgramWindows(ProgramWindowIds);
#endif
    // Every reading is kept on disk before its cells are written; a journal that cannot be
    // opened is told once and measuring goes on without it.
    MeasurementJournal journal(platform::NoticeSinkFor(&window));
    window.SetJournal(&journal);
#ifdef OMBRA_HAVE_CALCBRIDGE
    // A pipe at the office's address that is not the user's own office is never written to;
    // the user learns which file it is and why after the measurement that met it.
    QObject::connect(&window.Session(), &InstrumentSession::measurementWritten, &window, [&window] {
        if (const std::optional<OfficePipeRefusal> refused = TakeOfficePipeRefusal())
            platform::ShowNotice(&window, MakeNotice(kStrOfficePipeRefused, kStrProgramCaption,
                                                     platform::mb::ICONWARNING, {refused->path, refused->reason}));
    });
#endif
    // Keyboard accelerators of the resource library reach the window as its commands.
    app.InstallAccelerators(&window, [&window](int command) { window.OnCommand(command); });
    window.exec();
    return 0;
}

}  // namespace ombra::app
