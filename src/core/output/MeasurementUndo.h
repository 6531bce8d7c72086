// Takes back the measurements written last: the cells each one wrote are emptied again, as long
// as they still hold what was written, and the cell cursor goes back to where it began. The
// last measurements are kept newest first, a bounded number of them, for one run of the program.
#pragma once

#include <deque>
#include <string>

#include <QtGlobal>

#include "core/output/Transfer.h"

namespace ombra::core {

// A measurement as it reached the sheet.
struct WrittenMeasurement {
    qint64 journalId = 0;  // 0: not in the journal
    std::string workbookName;
    std::string sheetName;
    CellPos start;
    std::vector<WrittenRun> runs;
};

enum class UndoResult {
    Undone,         // the cells are empty again and the cursor stands on the measurement's start
    NothingToUndo,  // no measurement written (any more) in this run of the program
    OtherSheet,     // the sheet in front is not the one the measurement went to
    CellChanged,    // a cell no longer holds what the measurement wrote: nothing was changed
    NoSpreadsheet,  // no workbook could be bound
    Failed,         // the spreadsheet failed on the way (the cells may be partly emptied)
};

struct UndoOutcome {
    UndoResult result = UndoResult::NothingToUndo;
    std::string cell;      // CellChanged: the A1 name of the first changed cell
    std::string sheet;     // OtherSheet: the workbook and sheet the measurement went to ("Book1.ods, Sheet1")
    qint64 journalId = 0;  // Undone: the journal's row of the measurement taken back
};

class MeasurementUndo {
public:
    static constexpr size_t kDepth = 20;

    // Keeps a measurement that left cells in a sheet; the oldest goes beyond kDepth.
    void Remember(const TransferOutcome &outcome, qint64 journalId);
    size_t Count() const { return written_.size(); }
    // Takes back the newest measurement in the workbook `automation` binds; it is forgotten
    // once taken back and kept otherwise (a changed cell, another sheet, a failing spreadsheet).
    UndoOutcome UndoLast(Automation &automation);

private:
    // The first cell of the measurement that no longer holds its text; empty when none.
    static std::string ChangedCell(CExcelControl &control, const WrittenMeasurement &m);

    std::deque<WrittenMeasurement> written_;  // newest first
};

}  // namespace ombra::core
