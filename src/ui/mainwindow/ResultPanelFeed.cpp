#include "mainwindow/ResultPanelFeed.h"

namespace ombra::ui {

ResultSummary PanelSummaryOf(const MeasurementReport &report) {
    return SummariseEntry(report.measurement, report.measurement.outcome.written() ? std::string() : report.miss.text);
}

}  // namespace ombra::ui
