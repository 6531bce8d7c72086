// The result panel's one way in from the session: what the panel shows of the measurement
// just transferred. Everything the panel needs of the session is read here and nowhere else.
#pragma once

#include "core/instrument/InstrumentSession.h"
#include "core/output/ResultSummary.h"

namespace ombra::ui {

// The measurement the session has just handed to the spreadsheet, as its report tells it: the
// values, where the cells went, and why they did not when they did not.
core::ResultSummary PanelSummaryOf(const core::MeasurementReport &report);

}  // namespace ombra::ui
