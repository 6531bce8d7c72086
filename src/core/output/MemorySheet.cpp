#include "core/output/MemorySheet.h"

#include <algorithm>
#include <cctype>

namespace ombra::core {

namespace {

class MemoryBoundSheet : public BoundSheet {
public:
    MemoryBoundSheet(MemoryAutomation &model, int workbook, SheetInfo info)
        : m_(model), wb_(workbook), sheet_(info.sheetIndex - 1), info_(std::move(info)) {
        ++m_.lockedViews;
    }
    // Letting the workbook go always succeeds, also when its recorded call is made to fail.
    ~MemoryBoundSheet() override {
        if (!locked_) return;
        try {
            m_.Record("release");
        } catch (const AutomationError &) {
        }
        Unlock();
    }

    const SheetInfo &Info() const override { return info_; }

    void WriteCells(CellPos first, RunDirection direction, const std::vector<std::string> &texts) override {
        const bool down = direction == RunDirection::Down;
        const int last = static_cast<int>(texts.size()) - 1;
        const CellPos end = down ? CellPos{first.column, first.row + last} : CellPos{first.column + last, first.row};
        const std::string range = MemoryAutomation::Address(first.column, first.row) + ":" +
                                  MemoryAutomation::Address(end.column, end.row);
        try {
            m_.Record("write " + range);
        } catch (const AutomationError &e) {
            const int held = std::min(m_.cellsHeldOnFailedWrite, last + 1);
            Put(first, down, texts, held);
            throw CellWriteError(e.what(), held);
        }
        MemorySheet &s = SheetRef();
        if (first.column < 1 || first.row < 1 || end.row > s.rowCount || end.column > s.columnCount)
            throw CellWriteError("invalid range " + range, 0);
        Put(first, down, texts, last + 1);
    }

    std::vector<std::vector<std::string>> ReadCells(CellPos first, CellPos last) override {
        m_.Record("read " + MemoryAutomation::Address(first.column, first.row) + ":" +
                  MemoryAutomation::Address(last.column, last.row));
        const MemorySheet &s = SheetRef();
        if (first.column < 1 || first.row < 1 || last.row > s.rowCount || last.column > s.columnCount)
            throw AutomationError("invalid range to read");
        std::vector<std::vector<std::string>> rows;
        for (int r = first.row; r <= last.row; ++r) {
            std::vector<std::string> &line = rows.emplace_back();
            for (int c = first.column; c <= last.column; ++c) {
                auto it = s.cells.find({c, r});
                line.push_back(it == s.cells.end() ? std::string() : it->second);
            }
        }
        return rows;
    }

    void ClearCells(CellPos first, CellPos last) override {
        m_.Record("clear " + MemoryAutomation::Address(first.column, first.row) + ":" +
                  MemoryAutomation::Address(last.column, last.row));
        MemorySheet &s = SheetRef();
        for (int r = first.row; r <= last.row; ++r)
            for (int c = first.column; c <= last.column; ++c) s.cells.erase({c, r});
    }

    void Select(CellPos cell) override {
        m_.Record("select " + MemoryAutomation::Address(cell.column, cell.row));
        MemorySheet &s = SheetRef();
        if (cell.column < 1 || cell.row < 1 || cell.row > s.rowCount || cell.column > s.columnCount)
            throw AutomationError("invalid cell " + MemoryAutomation::Address(cell.column, cell.row));
        m_.activeWorkbook = wb_;
        m_.workbooks.at(wb_).activeSheet = sheet_;
        s.cursorColumn = cell.column;
        s.cursorRow = cell.row;
        m_.selections.push_back(MemoryAutomation::Address(cell.column, cell.row));
    }

    void Commit() override {
        m_.Record("commit");
        Unlock();
    }

private:
    MemorySheet &SheetRef() {
        if (wb_ >= static_cast<int>(m_.workbooks.size())) throw AutomationError("workbook closed");
        MemoryWorkbook &b = m_.workbooks[wb_];
        if (sheet_ >= static_cast<int>(b.sheets.size())) throw AutomationError("worksheet gone");
        return b.sheets[sheet_];
    }
    void Put(CellPos first, bool down, const std::vector<std::string> &texts, int count) {
        for (int i = 0; i < count; ++i) {
            const int c = down ? first.column : first.column + i, r = down ? first.row + i : first.row;
            SheetRef().cells[{c, r}] = texts[i];
            m_.RecordWrite(wb_, sheet_, c, r, texts[i]);
        }
    }
    void Unlock() {
        if (!locked_) return;
        locked_ = false;
        --m_.lockedViews;
    }

    MemoryAutomation &m_;
    int wb_, sheet_;
    SheetInfo info_;
    bool locked_ = true;
};

}  // namespace

MemoryAutomation MemoryAutomation::WithWorkbook(const std::string &displayName, const std::string &name) {
    MemoryAutomation a;
    MemoryWorkbook book;
    book.displayName = displayName;
    book.name = name;
    MemorySheet sheet;
    sheet.name = "Sheet1";
    book.sheets.push_back(sheet);
    a.workbooks.push_back(book);
    a.foregroundTitle = name + " - Spreadsheet";
    return a;
}

std::vector<std::string> MemoryAutomation::RunningObjectNames() {
    std::vector<std::string> names;
    for (const MemoryWorkbook &b : workbooks) names.push_back(b.displayName);
    return names;
}

std::unique_ptr<BoundSheet> MemoryAutomation::Bind(const std::string &displayName) {
    Record("bind " + displayName);
    if (unreachable.count(displayName)) return nullptr;
    for (size_t i = 0; i < workbooks.size(); ++i) {
        const MemoryWorkbook &b = workbooks[i];
        if (b.displayName != displayName) continue;
        if (b.sheets.empty()) return nullptr;
        const MemorySheet &s = b.sheets.at(b.activeSheet);
        SheetInfo info;
        info.workbookName = b.name;
        info.sheetName = s.name;
        info.workbookIndex = static_cast<int>(i) + 1;
        info.sheetIndex = b.activeSheet + 1;
        info.rowCount = s.rowCount;
        info.columnCount = s.columnCount;
        info.activeCell = {s.cursorColumn, s.cursorRow};
        info.visible = s.visible;
        return std::make_unique<MemoryBoundSheet>(*this, static_cast<int>(i), info);
    }
    return nullptr;
}

void MemoryAutomation::Record(const std::string &call) {
    int number = static_cast<int>(calls.size());
    calls.push_back(call);
    if (number == failAtCall) throw AutomationError("injected failure at call " + std::to_string(number) + ": " + call);
}

void MemoryAutomation::RecordWrite(int workbook, int sheet, int column, int row, const std::string &text) {
    writes.push_back({workbook, sheet, column, row, text});
}

std::string MemoryAutomation::Address(int column, int row) {
    std::string s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s + std::to_string(row);
}

bool MemoryAutomation::ParseAddress(const std::string &address, int &column, int &row) {
    size_t i = 0;
    column = 0;
    while (i < address.size() && std::isupper(static_cast<unsigned char>(address[i]))) {
        column = column * 26 + (address[i] - 'A' + 1);
        if (column > 1'000'000) return false;
        ++i;
    }
    if (i == 0 || i == address.size()) return false;
    row = 0;
    for (; i < address.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(address[i]))) return false;
        row = row * 10 + (address[i] - '0');
        if (row > 100'000'000) return false;
    }
    return row >= 1;
}

std::string MemoryAutomation::Cell(const std::string &address, int workbook, int sheet) const {
    int column = 0, row = 0;
    if (!ParseAddress(address, column, row)) return {};
    const auto &cells = workbooks.at(workbook).sheets.at(sheet).cells;
    auto it = cells.find({column, row});
    return it == cells.end() ? std::string() : it->second;
}

bool MemoryAutomation::HasCell(const std::string &address, int workbook, int sheet) const {
    int column = 0, row = 0;
    if (!ParseAddress(address, column, row)) return false;
    return workbooks.at(workbook).sheets.at(sheet).cells.count({column, row}) != 0;
}

std::string MemoryAutomation::ActiveAddress() const {
    const MemoryWorkbook &b = workbooks.at(activeWorkbook);
    const MemorySheet &s = b.sheets.at(b.activeSheet);
    return Address(s.cursorColumn, s.cursorRow);
}

}  // namespace ombra::core
