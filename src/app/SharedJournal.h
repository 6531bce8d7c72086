// The shared journal's wiring: with a server set (the JournalServer setting, or
// --journal-server at the start), every measurement the local journal keeps is also sent there
// by a background sender; the result panel counts what waits for the server, each measurement
// nudges the sender, and the Measurements window can show every station's measurements.
#pragma once

#include <memory>

#include "core/journalserver/JournalSender.h"

namespace ombra::ui {
class CVireoDataTransferSoftwareDlg;
}

namespace ombra::app {

// The running sender; null when no server is set or its address cannot be used (said on the
// error output).
std::unique_ptr<core::JournalSender> StartSharedJournal(const core::AppSettings &settings, const core::MeasurementJournal &journal,
                                                  ui::CVireoDataTransferSoftwareDlg &window);

}  // namespace ombra::app
