#include "core/output/MeasurementUndo.h"

namespace ombra::core {
namespace {

CellPos LastOf(const WrittenRun &run) { return run.At(run.texts.size() - 1); }

}  // namespace

void MeasurementUndo::Remember(const TransferOutcome &outcome, qint64 journalId) {
    if (outcome.runs.empty()) return;
    written_.push_front({journalId, outcome.workbookName, outcome.sheetName, outcome.start, outcome.runs});
    if (written_.size() > kDepth) written_.pop_back();
}

std::string MeasurementUndo::ChangedCell(CExcelControl &control, const WrittenMeasurement &m) {
    for (const WrittenRun &run : m.runs) {
        const CellPos last = LastOf(run);
        const auto texts = control.ReadCells(run.first.column, run.first.row, last.column, last.row);
        for (size_t i = 0; i < run.texts.size(); ++i) {
            const size_t r = run.down ? i : 0, c = run.down ? 0 : i;
            const bool read = r < texts.size() && c < texts[r].size();
            if (!read || !CellShows(texts[r][c], run.texts[i])) return CExcelControl::CellName(run.At(i));
        }
    }
    return {};
}

UndoOutcome MeasurementUndo::UndoLast(Automation &automation) {
    UndoOutcome outcome;
    if (written_.empty()) return outcome;
    const WrittenMeasurement &m = written_.front();
    CExcelControl control(automation);
    try {
        if (!control.Attach()) {
            outcome.result = UndoResult::NoSpreadsheet;
            return outcome;
        }
        if (control.workbookName() != m.workbookName || control.sheetName() != m.sheetName) {
            outcome.result = UndoResult::OtherSheet;
            outcome.sheet = m.workbookName + ", " + m.sheetName;
            return outcome;
        }
        outcome.cell = ChangedCell(control, m);
        if (!outcome.cell.empty()) {
            outcome.result = UndoResult::CellChanged;
            return outcome;
        }
        for (const WrittenRun &run : m.runs) {
            const CellPos last = LastOf(run);
            control.ClearCells(run.first.column, run.first.row, last.column, last.row);
        }
        control.SelectCell(m.start.column, m.start.row);
        control.Commit();
        outcome.result = UndoResult::Undone;
        outcome.journalId = m.journalId;
        written_.pop_front();
    } catch (const AutomationError &) {
        outcome.result = UndoResult::Failed;
    }
    return outcome;
}

}  // namespace ombra::core
