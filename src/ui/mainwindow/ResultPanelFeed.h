// The result panel's one way in from the session: what the panel shows of the measurement
// just transferred. Everything the panel needs of the session is read here and nowhere else.
#pragma once

#include "instrument/InstrumentSession.h"
#include "output/ResultSummary.h"
#include "UiLayer.h"

namespace ombra::ui {

// The measurement the session has just handed to the spreadsheet, as its report tells it: the
// values, where the cells went, and why they did not when they did not.
ResultSummary PanelSummaryOf(const MeasurementReport &report);

}  // namespace ombra::ui
