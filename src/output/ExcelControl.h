// Drives the spreadsheet the user is looking at: binds its workbook, learns the sheet's size and
// active cell, writes texts into cells and selects a cell. Never starts the spreadsheet and never
// opens, saves or closes a workbook. Automation failures propagate as AutomationError.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "output/Automation.h"

namespace ombra {

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
    void Flush() { m_automation.Flush(); }

    bool attached() const { return m_attached != 0; }
    int worksheetIndex() const { return m_worksheetIndex; }
    int workbookIndex() const { return m_workbookIndex; }
    int columnLimit() const { return m_columnLimit; }
    int rowLimit() const { return m_rowLimit; }
    const std::string &sheetName() const { return m_sheetName; }
    const std::string &workbookName() const { return m_workbookName; }

    // How long Attach waits for a child window with an active caption (tests shorten it).
    static void SetChildWindowWait(std::chrono::milliseconds wait);

    // The workbook name a running object's display name stands for: without its folder and extension.
    static std::string BaseName(const std::string &displayName);

private:
    DispatchPtr Worksheet(int workbookIndex, int worksheetIndex);
    DispatchPtr ActiveCellOf(int workbookIndex, int worksheetIndex);

    Automation &m_automation;
    std::string m_sheetName;
    std::string m_workbookName;
    DispatchPtr m_application;
    int m_attached = 0;
    int m_worksheetIndex = 1;
    int m_workbookIndex = 1;
    int m_columnLimit = 256;
    int m_rowLimit = 65536;
};

}  // namespace ombra
