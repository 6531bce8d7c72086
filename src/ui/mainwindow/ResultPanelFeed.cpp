#include "mainwindow/ResultPanelFeed.h"

#include "output/MeasurementJournal.h"
#include "output/Values.h"

namespace ombra::ui {
namespace {

bool SameMeasurement(const JournalEntry &entry, const JournalEntry &made) {
    return entry.rawRecord == made.rawRecord && entry.date == made.date && entry.time == made.time;
}

}  // namespace

ResultSummary PanelSummaryOf(InstrumentSession &session, const MeasurementWriteResult &result) {
    const MeasurementStamp stamp{session.MeasurementDate(), session.MeasurementTime()};
    OutputValues values;
    values.BuildValues(session.Settings(), session.MeasuredData(), stamp);
    JournalEntry entry = MakeJournalEntry(session.Settings(), values, stamp, session.MeasuredData());
    const bool written = result.kind == MeasurementWriteResult::Written;
    entry.outcome.kind = written ? JournalOutcome::Written : JournalOutcome::NotWritten;
    entry.outcome.workbook = written ? session.LastWorkbook() : std::string();
    entry.outcome.lastCell = result.lastCell;
    if (MeasurementJournal *journal = session.Journal()) {
        std::vector<JournalEntry> newest = journal->List(1);
        if (!newest.empty() && SameMeasurement(newest.front(), entry)) entry = std::move(newest.front());
    }
    return SummariseEntry(entry, written ? std::string() : session.LastMiss().text);
}

}  // namespace ombra::ui
