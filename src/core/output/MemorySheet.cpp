#include "output/MemorySheet.h"

#include <cctype>

namespace ombra::core {

namespace {

enum class Kind { Application, Workbooks, Workbook, Worksheets, Worksheet, Rows, Columns, Range };

std::string Letters(int column) {
    std::string s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
}

std::string Address(int column, int row) { return Letters(column) + std::to_string(row); }

std::string Describe(const Variant &v) {
    if (v.IsEmpty()) return "empty";
    if (auto *i = std::get_if<int32_t>(&v.value)) return std::to_string(*i);
    if (auto *d = std::get_if<double>(&v.value)) return std::to_string(*d);
    if (auto *s = std::get_if<std::string>(&v.value)) return "\"" + *s + "\"";
    if (auto *b = std::get_if<bool>(&v.value)) return *b ? "true" : "false";
    return "object";
}

class MemoryObject : public DispatchObject, public CellBlockWriter, public std::enable_shared_from_this<MemoryObject> {
public:
    MemoryObject(MemoryAutomation &model, Kind kind, int workbook = -1, int sheet = -1, int column = 0, int row = 0)
        : m_(model), kind_(kind), wb_(workbook), sheet_(sheet), column_(column), row_(row) {}

    Variant Get(int id, const VariantArgs &args) override {
        m_.Record(Name() + " get " + std::to_string(id) + Args(args));
        switch (kind_) {
        case Kind::Application:
            if (id == dispid::Workbooks) return Make(Kind::Workbooks);
            if (id == dispid::ActiveCell) {
                const MemorySheet &s = Book(m_.activeWorkbook).sheets.at(Book(m_.activeWorkbook).activeSheet);
                return Make(Kind::Range, m_.activeWorkbook, Book(m_.activeWorkbook).activeSheet, s.cursorColumn, s.cursorRow);
            }
            break;
        case Kind::Workbooks:
            if (id == dispid::Count) return static_cast<int32_t>(m_.workbooks.size());
            if (id == dispid::Item) return Make(Kind::Workbook, Index(args, m_.workbooks.size()));
            break;
        case Kind::Workbook:
            if (id == dispid::Application) return Book(wb_).hasApplication ? Make(Kind::Application) : Variant();
            if (id == dispid::Name) return Book(wb_).name;
            if (id == dispid::ActiveSheet) return Book(wb_).sheets.empty() ? Variant() : Make(Kind::Worksheet, wb_, Book(wb_).activeSheet);
            if (id == dispid::Worksheets) return Make(Kind::Worksheets, wb_);
            break;
        case Kind::Worksheets:
            if (id == dispid::Count) return static_cast<int32_t>(Book(wb_).sheets.size());
            if (id == dispid::Item) return Make(Kind::Worksheet, wb_, Index(args, Book(wb_).sheets.size()));
            break;
        case Kind::Worksheet:
            if (id == dispid::Name) return SheetRef().name;
            if (id == dispid::Rows) return Make(Kind::Rows, wb_, sheet_);
            if (id == dispid::Columns) return Make(Kind::Columns, wb_, sheet_);
            if (id == dispid::Visible) return static_cast<int32_t>(SheetRef().visible ? -1 : 0);
            if (id == dispid::Range) return RangeOf(args);
            break;
        case Kind::Rows:
            if (id == dispid::Count) return static_cast<int32_t>(SheetRef().rowCount);
            break;
        case Kind::Columns:
            if (id == dispid::Count) return static_cast<int32_t>(SheetRef().columnCount);
            break;
        case Kind::Range:
            if (id == dispid::Row) return static_cast<int32_t>(row_);
            if (id == dispid::Column) return static_cast<int32_t>(column_);
            if (id == dispid::Value) {
                auto it = SheetRef().cells.find({column_, row_});
                return it == SheetRef().cells.end() ? Variant() : Variant(it->second);
            }
            break;
        }
        throw AutomationError("unknown member " + std::to_string(id));
    }

    void Put(int id, const Variant &value) override {
        m_.Record(Name() + " put " + std::to_string(id) + " " + Describe(value));
        if (kind_ == Kind::Application && id == dispid::Interactive) {
            m_.interactive = value.ToBool();
        } else if (kind_ == Kind::Application && id == dispid::ScreenUpdating) {
            m_.screenUpdating = value.ToBool();
        } else if (kind_ == Kind::Range && id == dispid::Value) {
            SheetRef().cells[{column_, row_}] = value.ToText();
            m_.RecordWrite(wb_, sheet_, column_, row_, value.ToText());
        } else {
            throw AutomationError("unknown member " + std::to_string(id));
        }
    }

    Variant Call(int id, const VariantArgs &args) override {
        m_.Record(Name() + " call " + std::to_string(id) + Args(args));
        if (kind_ == Kind::Range && id == dispid::Select) {
            Activate();
            SheetRef().cursorColumn = column_;
            SheetRef().cursorRow = row_;
            m_.selections.push_back(Address(column_, row_));
            return Variant(true);
        }
        if (kind_ == Kind::Worksheet && id == dispid::Activate) {
            Activate();
            return {};
        }
        throw AutomationError("unknown method " + std::to_string(id));
    }

    // Worksheets write runs of cells and select cells directly, each as one recorded call.
    void WriteBlock(int column, int row, bool down, const std::vector<std::string> &texts) override {
        const int last = static_cast<int>(texts.size()) - 1;
        const int lastColumn = down ? column : column + last, lastRow = down ? row + last : row;
        m_.Record(Name() + " block " + Address(column, row) + ":" + Address(lastColumn, lastRow));
        if (kind_ != Kind::Worksheet) throw AutomationError("not a worksheet");
        if (column < 1 || row < 1 || lastRow > SheetRef().rowCount || lastColumn > SheetRef().columnCount)
            throw AutomationError("invalid range " + Address(column, row));
        for (int i = 0; i <= last; ++i) {
            const int c = down ? column : column + i, r = down ? row + i : row;
            SheetRef().cells[{c, r}] = texts[i];
            m_.RecordWrite(wb_, sheet_, c, r, texts[i]);
        }
    }
    void SelectAt(int column, int row) override {
        m_.Record(Name() + " select " + Address(column, row));
        if (kind_ != Kind::Worksheet) throw AutomationError("not a worksheet");
        if (column < 1 || row < 1 || row > SheetRef().rowCount || column > SheetRef().columnCount)
            throw AutomationError("invalid range " + Address(column, row));
        Activate();
        SheetRef().cursorColumn = column;
        SheetRef().cursorRow = row;
        m_.selections.push_back(Address(column, row));
    }

private:
    Variant Make(Kind kind, int wb = -1, int sheet = -1, int column = 0, int row = 0) {
        return Variant(DispatchPtr(std::make_shared<MemoryObject>(m_, kind, wb, sheet, column, row)));
    }
    MemoryWorkbook &Book(int i) {
        if (i < 0 || i >= static_cast<int>(m_.workbooks.size())) throw AutomationError("workbook closed");
        return m_.workbooks[i];
    }
    MemorySheet &SheetRef() {
        MemoryWorkbook &b = Book(wb_);
        if (sheet_ < 0 || sheet_ >= static_cast<int>(b.sheets.size())) throw AutomationError("worksheet gone");
        return b.sheets[sheet_];
    }
    void Activate() {
        m_.activeWorkbook = wb_;
        Book(wb_).activeSheet = sheet_;
    }
    static int Index(const VariantArgs &args, size_t count) {
        if (args.size() != 1) throw AutomationError("Item takes one index");
        int i = args[0].ToInt();
        if (i < 1 || i > static_cast<int>(count)) throw AutomationError("index out of range");
        return i - 1;
    }
    Variant RangeOf(const VariantArgs &args) {
        if (args.size() != 2) throw AutomationError("Range takes two addresses");
        int column = 0, row = 0;
        std::string address = args[0].ToText();
        if (address != args[1].ToText() || !MemoryAutomation::ParseAddress(address, column, row) ||
            row > SheetRef().rowCount || column > SheetRef().columnCount)
            throw AutomationError("invalid range " + address);
        return Make(Kind::Range, wb_, sheet_, column, row);
    }
    std::string Name() const {
        switch (kind_) {
        case Kind::Application: return "Application";
        case Kind::Workbooks: return "Workbooks";
        case Kind::Workbook: return "Workbook(" + std::to_string(wb_ + 1) + ")";
        case Kind::Worksheets: return "Worksheets";
        case Kind::Worksheet: return "Worksheet(" + std::to_string(sheet_ + 1) + ")";
        case Kind::Rows: return "Rows";
        case Kind::Columns: return "Columns";
        case Kind::Range: return "Range(" + Address(column_, row_) + ")";
        }
        return "?";
    }
    static std::string Args(const VariantArgs &args) {
        std::string s;
        for (const Variant &a : args) s += " " + Describe(a);
        return s;
    }

    MemoryAutomation &m_;
    Kind kind_;
    int wb_, sheet_, column_, row_;
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

DispatchPtr MemoryAutomation::RunningObject(const std::string &displayName) {
    if (unreachable.count(displayName)) return nullptr;
    for (size_t i = 0; i < workbooks.size(); ++i) {
        if (workbooks[i].displayName == displayName)
            return std::make_shared<MemoryObject>(*this, Kind::Workbook, static_cast<int>(i));
    }
    return nullptr;
}

std::string MemoryAutomation::ForegroundWindowTitle() { return foregroundTitle; }
std::vector<ChildWindow> MemoryAutomation::ForegroundChildWindows() { return childWindows; }

void MemoryAutomation::Record(const std::string &call) {
    int number = static_cast<int>(calls.size());
    calls.push_back(call);
    if (number == failAtCall) throw AutomationError("injected failure at call " + std::to_string(number) + ": " + call);
}

void MemoryAutomation::RecordWrite(int workbook, int sheet, int column, int row, const std::string &text) {
    writes.push_back({workbook, sheet, column, row, text});
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
