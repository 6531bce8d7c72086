// The result panel's one way in from the session: what the panel shows of the measurement
// just transferred. Everything the panel needs of the session is read here and nowhere else.
#pragma once

#include "instrument/InstrumentSession.h"
#include "output/ResultSummary.h"
#include "UiLayer.h"

namespace ombra::ui {

// The measurement the session has just handed to the spreadsheet, with `result` the way it
// went: its journal entry when the journal holds it (where the cells went, exactly), else the
// same entry made from the session's values.
ResultSummary PanelSummaryOf(InstrumentSession &session, const MeasurementWriteResult &result);

}  // namespace ombra::ui
