#include "app/OfficeConnection.h"

#include <QGuiApplication>
#include <QObject>
#include <QWindow>
#include <optional>
#include <vector>

#include "core/instrument/ConnectedDevice.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/platform/MessageBox.h"

#ifdef OMBRA_HAVE_CALCBRIDGE
#include "calcbridge/CalcBridge.h"
#include "calcbridge/CalcSetup.h"
#include "corvexres/ResourceIds.h"
#endif

namespace ombra::app {

namespace {

OfficeSetupReport Report(int textId, bool succeeded, std::vector<std::string> args) {
    const unsigned icon = succeeded ? core::platform::mb::ICONINFORMATION : core::platform::mb::ICONWARNING;
    return {core::MakeNotice(textId, res::kStrMessageCaption, icon | core::platform::mb::OK, std::move(args)), succeeded ? 0 : 1};
}
}  // namespace

#ifdef OMBRA_HAVE_CALCBRIDGE

namespace {
// The window-system ids of the program's windows that exist on screen (none is made for asking).
std::vector<unsigned long> ProgramWindowIds() {
    std::vector<unsigned long> ids;
    for (const QWindow *window : QGuiApplication::allWindows())
        if (window->handle()) ids.push_back(static_cast<unsigned long>(window->winId()));
    return ids;
}
}  // namespace

OfficeSetupReport SetUpOffice(bool undo) {
    using Outcome = OfficeSetup::Outcome;
    const OfficeSetup done = SetUpLibreOffice(undo);
    const bool ok = done.Succeeded();
    switch (done.outcome) {
    case Outcome::SetUp:
        if (done.newProfile) return Report(res::kStrSetUpNewProfile, ok, {done.file});
        if (!done.otherUrl.empty()) return Report(res::kStrSetUpReplaced, ok, {done.file, done.otherUrl});
        return Report(res::kStrSetUpDone, ok, {done.file});
    case Outcome::AlreadySetUp: return Report(res::kStrAlreadySetUp, ok, {done.file});
    case Outcome::Undone:
        if (done.newProfile) return Report(res::kStrUndoneProfileRemoved, ok, {done.file});
        if (!done.otherUrl.empty()) return Report(res::kStrUndoneRestored, ok, {done.file, done.otherUrl});
        return Report(res::kStrUndone, ok, {done.file});
    case Outcome::NotSetUp: return Report(res::kStrNotSetUp, ok, {done.file});
    case Outcome::OfficeRunning:
        return Report(undo ? res::kStrRunningUndo : res::kStrRunningSetUp, ok, {done.file, std::to_string(done.officePid)});
    case Outcome::Damaged: return Report(res::kStrOfficeSettingsDamaged, ok, {done.file});
    case Outcome::Failed: break;
    }
    return Report(res::kStrSetUpFailed, false, {done.file, done.error});
}

void ConnectOffice(ui::CVireoDataTransferSoftwareDlg &window) {
#ifdef OMBRA_OFFICE_SDK_VERSION
    core::SetOfficeConnectionVersion(OMBRA_OFFICE_SDK_VERSION);
#endif
    // Each measurement asks for LibreOffice Calc; the bridge keeps one connection per office.
    window.SetAutomationFactory([] { return ConnectCalc(); });
    // With one of these in front, a press goes to the workbook the user last worked in.
    SetProgramWindows(ProgramWindowIds);
    // A pipe at the office's address that is not the user's own office is never written to;
    // the user learns which file it is and why after the measurement that met it.
    QObject::connect(&window.Session(), &core::InstrumentSession::measurementWritten, &window, [&window] {
        if (const std::optional<OfficePipeRefusal> refused = TakeOfficePipeRefusal())
            ui::platform::ShowNotice(&window, core::MakeNotice(res::kStrOfficePipeRefused, res::kStrMessageCaption,
                                                     core::platform::mb::ICONWARNING, {refused->path, refused->reason}));
    });
    window.SetOfficeSetup([] { return SetUpOffice(false).notice; });
}

#else

OfficeSetupReport SetUpOffice(bool) { return Report(res::kStrNoOfficeInBuild, false, {}); }

void ConnectOffice(ui::CVireoDataTransferSoftwareDlg &window) {
    window.SetOfficeSetup([] { return SetUpOffice(false).notice; });
}

#endif

}  // namespace ombra::app
