// Drives the spreadsheet the user is looking at: binds its workbook, learns the sheet's size and
// active cell, writes texts into cells and selects a cell. Never starts the spreadsheet and never
// opens, saves or closes a workbook. Automation failures propagate as AutomationError.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "automation/Automation.h"

namespace ombra::core {

class CExcelControl {
public:
    explicit CExcelControl(Automation &automation);
    virtual ~CExcelControl();
    CExcelControl(const CExcelControl &) = delete;
    CExcelControl &operator=(const CExcelControl &) = delete;

    bool Attach();
    bool BindWorkbook(const std::string &title);
    std::string GetName(const DispatchPtr &object);
    int WorkbookCount();
    int FindWorkbook(const std::string &name);
    int FindWorksheet(const std::string &workbookName, const std::string &sheetName);
    std::string CellAddress(int column, int row) const;
    int SelectCell(int column, int row, int workbookIndex, int worksheetIndex);
    int WriteCells(const std::vector<std::string> &texts, int count, int column, int row, int workbookIndex,
                   int worksheetIndex, int direction);
    int ActiveRow(int workbookIndex, int worksheetIndex);
    int ActiveColumn(int workbookIndex, int worksheetIndex);

    // Makes every cell written so far visible in the spreadsheet (see Automation::Flush).
    void Flush() { automation_.Flush(); }

    bool attached() const { return attached_ != 0; }
    int worksheetIndex() const { return worksheetIndex_; }
    int workbookIndex() const { return workbookIndex_; }
    int columnLimit() const { return columnLimit_; }
    int rowLimit() const { return rowLimit_; }
    const std::string &sheetName() const { return sheetName_; }
    const std::string &workbookName() const { return workbookName_; }
    // The cells WriteCells has written so far: how many, the first and the last address.
    int cellsWritten() const { return static_cast<int>(written_.size()); }
    std::string firstWrittenCell() const { return written_.empty() ? std::string() : written_.front(); }
    std::string lastWrittenCell() const { return written_.empty() ? std::string() : written_.back(); }
    // After a failure: forgets the writes the automation layer held back and then dropped, so
    // that the cells counted above are the ones that reached the sheet.
    void ForgetDroppedWrites();

    // How long Attach waits for a child window with an active caption (tests shorten it).
    static void SetChildWindowWait(std::chrono::milliseconds wait);

    // The workbook name a running object's display name stands for: without its folder and extension.
    static std::string BaseName(const std::string &displayName);

private:
    static constexpr int kExactMatch = 1 << 20;
    // 0: the fragment does not contain the workbook's base name; kExactMatch: it is the name;
    // otherwise the length of the contained base name.
    static int MatchRank(const std::string &fragment, const std::string &displayName);
    std::vector<std::string> RankedCandidates(const std::vector<std::string> &fragments);
    bool BindBestWorkbook(const std::vector<std::string> &fragments);
    DispatchPtr Worksheet(int workbookIndex, int worksheetIndex);
    DispatchPtr ActiveCellOf(int workbookIndex, int worksheetIndex);

    Automation &automation_;
    std::string sheetName_;
    std::string workbookName_;
    DispatchPtr application_;
    int attached_ = 0;
    int worksheetIndex_ = 1;
    int workbookIndex_ = 1;
    int columnLimit_ = 256;
    int rowLimit_ = 65536;
    std::vector<std::string> written_;  // addresses in the order they were written
};

}  // namespace ombra::core
