// The cells two consecutive measurements would fill with a selection and a layout, starting at
// A1 of an empty sheet: the real transfer runs twice against the in-memory spreadsheet with
// typical values of the measurement type. Nothing is journalled, no setting is read or written
// and nobody is told anything: what the user would be told becomes the preview's warning.
#pragma once

#include <string>
#include <vector>

#include "core/output/Transfer.h"
#include "core/output/Values.h"

namespace ombra::core {

struct PreviewCell {
    int column = 1;       // 1-based
    int row = 1;
    std::string text;
    int measurement = 1;  // 1 or 2: the measurement that wrote the cell last
    bool label = false;   // a label cell (else a value cell)

    bool operator==(const PreviewCell &) const = default;
};

enum class PreviewWarning {
    None,
    LeavesSheet,     // a measurement would leave the sheet (the transfer stops with message 1239)
    WritesOntoFirst, // the second measurement writes over cells of the first
};

struct LayoutPreview {
    std::vector<PreviewCell> cells;  // by row, then by column
    bool hasNext = false;            // where the third measurement would begin
    int nextColumn = 1;
    int nextRow = 1;
    PreviewWarning warning = PreviewWarning::None;
    std::string warningText;         // one line for the user; empty without a warning

    // The last column and row the preview covers (the next cell included; at least A1).
    int LastColumn() const;
    int LastRow() const;
    const PreviewCell *CellAt(int column, int row) const;
};

// The values one measurement of the type would have (irradiance when `irradiance`) for the
// selection `ids`, in order: typical numbers, "---" for a value the type does not deliver, and
// the program's texts for the text items.
OutputValues TypicalValues(const std::vector<int> &ids, bool irradiance);

// The preview of `ids` with `layout` (its MeasurementTypeSel chooses the type).
LayoutPreview ComputeLayoutPreview(const std::vector<int> &ids, const TransferLayout &layout);

}  // namespace ombra::core
