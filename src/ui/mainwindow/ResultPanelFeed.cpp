#include "ui/mainwindow/ResultPanelFeed.h"

namespace ombra::ui {

core::ResultSummary PanelSummaryOf(const core::MeasurementReport &report) {
    return core::SummariseEntry(report.measurement, report.measurement.outcome.written() ? std::string() : report.miss.text);
}

}  // namespace ombra::ui
