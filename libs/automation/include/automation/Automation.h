// The automation layer the spreadsheet controller talks to: dispatch-like objects addressed by
// dispatch identifier with typed variants, the list of running workbooks and the foreground
// window. Failures of the spreadsheet are AutomationError exceptions.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace ombra {

class AutomationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class DispatchObject;
using DispatchPtr = std::shared_ptr<DispatchObject>;

// A typed automation value: empty, 32-bit integer, double, text, Boolean or object.
struct Variant {
    std::variant<std::monostate, int32_t, double, std::string, bool, DispatchPtr> value;

    Variant() = default;
    Variant(int32_t v) : value(v) {}
    Variant(double v) : value(v) {}
    Variant(std::string v) : value(std::move(v)) {}
    Variant(const char *v) : value(std::string(v)) {}
    Variant(bool v) : value(v) {}
    Variant(DispatchPtr v) : value(std::move(v)) {}

    bool IsEmpty() const { return std::holds_alternative<std::monostate>(value); }
    // Conversions raise AutomationError when the value has another type.
    int32_t ToInt() const {
        if (auto *i = std::get_if<int32_t>(&value)) return *i;
        if (auto *b = std::get_if<bool>(&value)) return *b ? -1 : 0;
        if (auto *d = std::get_if<double>(&value)) return static_cast<int32_t>(*d);
        throw AutomationError("automation value is not an integer");
    }
    std::string ToText() const {
        if (auto *s = std::get_if<std::string>(&value)) return *s;
        throw AutomationError("automation value is not a text");
    }
    bool ToBool() const {
        if (auto *b = std::get_if<bool>(&value)) return *b;
        if (auto *i = std::get_if<int32_t>(&value)) return *i != 0;
        throw AutomationError("automation value is not a Boolean");
    }
    DispatchPtr ToObject() const {  // null for an empty value
        if (IsEmpty()) return nullptr;
        if (auto *o = std::get_if<DispatchPtr>(&value)) return *o;
        throw AutomationError("automation value is not an object");
    }
};

using VariantArgs = std::vector<Variant>;

class DispatchObject {
public:
    virtual ~DispatchObject() = default;
    virtual Variant Get(int dispid, const VariantArgs &args = {}) = 0;
    virtual void Put(int dispid, const Variant &value) = 0;
    virtual Variant Call(int dispid, const VariantArgs &args = {}) = 0;
};

// What a worksheet object may offer besides its members: a run of cells written at once and a
// cell selected without looking the cell up first. Cells are 1-based; the texts go into
// consecutive cells from (column, row), down a row per text when down is set, else right a column.
// Each text is typed exactly as a Value put types it.
class CellBlockWriter {
public:
    virtual ~CellBlockWriter() = default;
    virtual void WriteBlock(int column, int row, bool down, const std::vector<std::string> &texts) = 0;
    virtual void SelectAt(int column, int row) = 0;
};

// A child window of the foreground window, as the window enumeration reports it.
struct ChildWindow {
    std::string title;
    bool captionActive = false;
};

// Whether the spreadsheet application answers the program.
enum class SpreadsheetPresence {
    Answering,     // it answers (whether or not a workbook is open)
    NotRunning,    // no spreadsheet application of this user runs
    NotAccepting,  // it runs but does not accept the program's connection (not set up for it)
};

// Everything the controller needs of the platform: the running workbooks and the foreground window.
class Automation {
public:
    virtual ~Automation() = default;
    // Display names of the running workbooks, in the order of the running-object list.
    virtual std::vector<std::string> RunningObjectNames() = 0;
    // The object registered under a display name; null when it cannot be had (any more).
    virtual DispatchPtr RunningObject(const std::string &displayName) = 0;
    // Title of the window the user is looking at (empty when there is none).
    virtual std::string ForegroundWindowTitle() = 0;
    virtual std::vector<ChildWindow> ForegroundChildWindows() = 0;
    // Whether the window in front is one of this program's own (its main window or a dialog).
    virtual bool ForegroundIsProgram() { return false; }
    // The display name of the workbook the spreadsheet application had in front last (its current
    // document); empty when it cannot tell or that document is no workbook.
    virtual std::string CurrentWorkbookName() { return {}; }
    // Asked when no workbook could be bound: whether the spreadsheet application answers at all.
    virtual SpreadsheetPresence Presence() { return SpreadsheetPresence::Answering; }
    // Performs the cell writes and the selection an automation layer still holds back; raises
    // AutomationError when one of them fails. Nothing to do for a layer that writes at once.
    virtual void Flush() {}
    // The A1 addresses of cell writes a layer accepted but never performed because a write
    // before them failed; the list is emptied by the call. A layer that writes at once has none.
    virtual std::vector<std::string> TakeDroppedCells() { return {}; }
};

// Dispatch identifiers of the spreadsheet object model used by the controller.
namespace dispid {
constexpr int Application = 148;
constexpr int Interactive = 929;  // Boolean application flag, off while the program is attached
constexpr int ScreenUpdating = 382;
constexpr int Workbooks = 572;
constexpr int Count = 118;
constexpr int Item = 170;
constexpr int Name = 110;
constexpr int ActiveSheet = 307;
constexpr int Worksheets = 494;
constexpr int Rows = 258;
constexpr int Columns = 241;
constexpr int Range = 197;
constexpr int Visible = 558;
constexpr int Select = 235;
constexpr int Value = 6;
constexpr int Activate = 304;
constexpr int ActiveCell = 305;
constexpr int Row = 257;
constexpr int Column = 240;
}  // namespace dispid

}  // namespace ombra
