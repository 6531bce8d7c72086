// Drives the spreadsheet the user is looking at: binds its workbook, learns the sheet's size and
// active cell, writes texts into cells and selects a cell. Never starts the spreadsheet and never
// opens, saves or closes a workbook. Spreadsheet failures propagate as AutomationError.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "automation/Automation.h"

namespace ombra::core {

// A block of consecutive cells as written: its first cell, its direction and the texts the
// sheet holds (the leading ones of the block when its write broke off).
struct WrittenRun {
    CellPos first;
    bool down = false;
    std::vector<std::string> texts;

    CellPos At(size_t i) const {
        const int offset = static_cast<int>(i);
        return down ? CellPos{first.column, first.row + offset} : CellPos{first.column + offset, first.row};
    }
};

class CExcelControl {
public:
    explicit CExcelControl(Automation &automation);
    // Lets the bound workbook go: its views repaint again, whatever happened before.
    virtual ~CExcelControl();
    CExcelControl(const CExcelControl &) = delete;
    CExcelControl &operator=(const CExcelControl &) = delete;

    // Binds the workbook of the window in front (see the .cpp for the rules); true at once when
    // already attached.
    bool Attach();
    // Binds the running workbook whose name the text contains.
    bool BindWorkbook(const std::string &title);
    // The active cell of the bound sheet: as found when binding, then the last cell selected.
    int ActiveRow() const { return attached() ? active_.row : 0; }
    int ActiveColumn() const { return attached() ? active_.column : 0; }
    // Writes the texts into consecutive cells from (column, row), down a row per text when
    // direction is 1, else right a column per text; on a visible sheet the cell cursor then
    // stands on the last of them. 1, or 0 when not attached.
    int WriteCells(const std::vector<std::string> &texts, int column, int row, int direction);
    // The texts of the block from (firstColumn, firstRow) to (lastColumn, lastRow), row by row;
    // empty when not attached.
    std::vector<std::vector<std::string>> ReadCells(int firstColumn, int firstRow, int lastColumn, int lastRow);
    // Empties the block from (firstColumn, firstRow) to (lastColumn, lastRow). 1, or 0 when not attached.
    int ClearCells(int firstColumn, int firstRow, int lastColumn, int lastRow);
    // Moves the cell cursor. 1, or 0 when not attached.
    int SelectCell(int column, int row);
    // Makes everything written so far visible in the spreadsheet.
    void Commit();

    bool attached() const { return sheet_ != nullptr; }
    int worksheetIndex() const { return info_.sheetIndex; }
    int workbookIndex() const { return info_.workbookIndex; }
    int columnLimit() const { return attached() ? info_.columnCount : 256; }
    int rowLimit() const { return attached() ? info_.rowCount : 65536; }
    const std::string &sheetName() const { return info_.sheetName; }
    const std::string &workbookName() const { return info_.workbookName; }
    // The cells the sheet holds of those written so far (also after a failed write): how many,
    // and the first and the last as A1 text for display.
    int cellsWritten() const { return static_cast<int>(written_.size()); }
    std::string firstWrittenCell() const { return written_.empty() ? std::string() : CellName(written_.front()); }
    std::string lastWrittenCell() const { return written_.empty() ? std::string() : CellName(written_.back()); }
    // The same cells as the blocks they were written in, in order.
    const std::vector<WrittenRun> &writtenRuns() const { return runs_; }

    // The A1 name of a cell, for display: column letters (none for a column of 0 or less) and
    // the row limited into 1 to the row limit.
    std::string CellAddress(int column, int row) const;
    static std::string CellName(CellPos cell);
    // The workbook name a running object's display name stands for: without its folder and extension.
    static std::string BaseName(const std::string &displayName);

private:
    static constexpr int kExactMatch = 1 << 20;
    // 0: the fragment does not contain the workbook's base name; kExactMatch: it is the name;
    // otherwise the length of the contained base name.
    static int MatchRank(const std::string &fragment, const std::string &displayName);
    std::vector<std::string> RankedCandidates(const std::vector<std::string> &fragments);
    bool BindBestWorkbook(const std::vector<std::string> &fragments);
    void NoteWritten(CellPos first, bool down, int count);

    Automation &automation_;
    std::unique_ptr<BoundSheet> sheet_;
    SheetInfo info_;
    CellPos active_;
    bool followPending_ = false;  // the cursor is to follow the last cell written
    std::vector<CellPos> written_;  // in the order they were written
    std::vector<WrittenRun> runs_;
};

}  // namespace ombra::core
