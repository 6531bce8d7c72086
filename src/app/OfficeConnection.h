// The program's connection to LibreOffice Calc, the one place that knows whether this build has
// one: the spreadsheet each measurement writes into, the notice of an office pipe that was
// refused, and the set-up that makes LibreOffice accept the program.
#pragma once

#include "core/platform/Notice.h"

namespace ombra::ui {
class CVireoDataTransferSoftwareDlg;
}

namespace ombra::app {

// Wires the office into the main window: measurements write into Calc, and Data › Set up
// LibreOffice runs the set-up below and shows what it did.
void ConnectOffice(ui::CVireoDataTransferSoftwareDlg &window);

// The set-up of the user's LibreOffice (with `undo`: taking it back): what it did, as a notice,
// and the exit status of --setup-libreoffice (0 done or nothing to do, 1 nothing could be changed).
struct OfficeSetupReport {
    core::Notice notice;
    int status = 1;
};
OfficeSetupReport SetUpOffice(bool undo);

}  // namespace ombra::app
