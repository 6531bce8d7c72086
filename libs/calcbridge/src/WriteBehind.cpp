#include "calcbridge/WriteBehind.h"

#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <tuple>

#include "trace/TraceTimings.h"

namespace ombra {

namespace {

struct HeldCell {
    DispatchPtr sheet;  // the worksheet of the layer below
    int column, row;
    std::string text;
};

struct CellRun {
    DispatchPtr sheet;
    int column, row;
    bool down;
    std::vector<std::string> texts;
    size_t order;  // queue position of the run's earliest cell
};

std::string AddressOf(int column, int row) {
    std::string letters;
    for (int c = column; c > 0; c = (c - 1) / 26) letters.insert(letters.begin(), static_cast<char>('A' + (c - 1) % 26));
    return letters + std::to_string(row);
}

// Runs along one direction: cells sorted by their line and then their place in it, cut where a
// place is skipped. `down` runs follow the columns.
std::vector<CellRun> RunsAlong(const std::vector<std::pair<HeldCell, size_t>> &cells, bool down) {
    auto line = [down](const HeldCell &c) { return down ? c.column : c.row; };
    auto place = [down](const HeldCell &c) { return down ? c.row : c.column; };
    std::vector<std::pair<HeldCell, size_t>> sorted = cells;
    std::sort(sorted.begin(), sorted.end(), [&](const auto &a, const auto &b) {
        return std::tuple(a.first.sheet.get(), line(a.first), place(a.first)) <
               std::tuple(b.first.sheet.get(), line(b.first), place(b.first));
    });
    std::vector<CellRun> runs;
    for (const auto &[cell, order] : sorted) {
        if (!runs.empty()) {
            CellRun &last = runs.back();
            const HeldCell lastCell{last.sheet, last.column + (down ? 0 : int(last.texts.size()) - 1),
                                    last.row + (down ? int(last.texts.size()) - 1 : 0), {}};
            if (last.sheet == cell.sheet && line(lastCell) == line(cell) && place(lastCell) + 1 == place(cell)) {
                last.texts.push_back(cell.text);
                last.order = std::min(last.order, order);
                continue;
            }
        }
        runs.push_back({cell.sheet, cell.column, cell.row, down, {cell.text}, order});
    }
    return runs;
}

// The queued cells as runs of consecutive cells, in whichever direction needs fewer runs, in
// the order their first cell was queued. A cell written twice keeps its last text.
std::vector<CellRun> Runs(const std::vector<HeldCell> &queue) {
    std::map<std::tuple<DispatchObject *, int, int>, size_t> index;
    std::vector<std::pair<HeldCell, size_t>> cells;
    for (size_t i = 0; i < queue.size(); ++i) {
        auto key = std::tuple(queue[i].sheet.get(), queue[i].column, queue[i].row);
        auto found = index.find(key);
        if (found != index.end()) {
            cells[found->second].first.text = queue[i].text;
            continue;
        }
        index.emplace(key, cells.size());
        cells.emplace_back(queue[i], i);
    }
    std::vector<CellRun> across = RunsAlong(cells, false);
    std::vector<CellRun> down = RunsAlong(cells, true);
    std::vector<CellRun> &runs = down.size() < across.size() ? down : across;
    std::sort(runs.begin(), runs.end(), [](const CellRun &a, const CellRun &b) { return a.order < b.order; });
    return std::move(runs);
}

void WriteRun(const CellRun &run) {
    if (auto *writer = dynamic_cast<CellBlockWriter *>(run.sheet.get())) {
        writer->WriteBlock(run.column, run.row, run.down, run.texts);
        return;
    }
    for (size_t i = 0; i < run.texts.size(); ++i) {
        const int offset = static_cast<int>(i);
        const std::string a = run.down ? AddressOf(run.column, run.row + offset) : AddressOf(run.column + offset, run.row);
        DispatchPtr range = run.sheet->Get(dispid::Range, {a, a}).ToObject();
        if (!range) throw AutomationError("no cell " + a);
        range->Put(dispid::Value, Variant(run.texts[i]));
    }
}

void SelectCell(const DispatchPtr &sheet, int column, int row) {
    if (auto *writer = dynamic_cast<CellBlockWriter *>(sheet.get())) {
        writer->SelectAt(column, row);
        return;
    }
    const std::string a = AddressOf(column, row);
    DispatchPtr range = sheet->Get(dispid::Range, {a, a}).ToObject();
    if (!range) throw AutomationError("no cell " + a);
    range->Call(dispid::Select);
}

// Members whose answer stays the same for the life of a controller.
bool IsLookup(int id) {
    switch (id) {
    case dispid::Application: case dispid::Workbooks: case dispid::Count: case dispid::Item: case dispid::Name:
    case dispid::ActiveSheet: case dispid::Worksheets: case dispid::Rows: case dispid::Columns: case dispid::Visible:
        return true;
    default:
        return false;
    }
}

std::string LookupKey(int id, const VariantArgs &args) {
    std::string key = std::to_string(id);
    for (const Variant &a : args) {
        if (auto *i = std::get_if<int32_t>(&a.value)) key += " i" + std::to_string(*i);
        else if (auto *s = std::get_if<std::string>(&a.value)) key += " s" + *s;
        else return {};  // not an argument a look-up is asked with: not remembered
    }
    return key;
}

}  // namespace

struct HeldWrites {
    std::vector<HeldCell> cells;
    std::optional<HeldCell> selection;
    std::vector<std::string> dropped;  // addresses of cells a failed batch did not write

    // Takes everything out of the queue first: after a failure nothing held is left to write.
    void Perform() {
        if (cells.empty() && !selection) return;
        std::vector<HeldCell> queue = std::move(cells);
        cells.clear();
        std::optional<HeldCell> select = std::move(selection);
        selection.reset();
        const std::vector<CellRun> runs = Runs(queue);
        for (size_t i = 0; i < runs.size(); ++i) {
            try {
                WriteRun(runs[i]);
            } catch (const AutomationError &) {
                // A run that failed part-way may have written some of its cells: all of them are
                // counted as not written, so a resend rather than the record errs.
                for (size_t j = i; j < runs.size(); ++j) NoteDropped(runs[j]);
                throw;
            }
        }
        trace::TraceMark("cells written");
        if (select) {
            SelectCell(select->sheet, select->column, select->row);
            trace::TraceMark("selected");
        }
    }

    void NoteDropped(const CellRun &run) {
        for (size_t i = 0; i < run.texts.size(); ++i) {
            const int offset = static_cast<int>(i);
            dropped.push_back(run.down ? AddressOf(run.column, run.row + offset) : AddressOf(run.column + offset, run.row));
        }
    }
};

namespace {

class HeldObject;

Variant Wrap(const std::shared_ptr<HeldWrites> &held, Variant v);

// A single cell of a worksheet, known by its address only until a call needs the real one.
class HeldRange : public DispatchObject {
public:
    HeldRange(std::shared_ptr<HeldWrites> held, DispatchPtr sheet, int column, int row)
        : held_(std::move(held)), sheet_(std::move(sheet)), column_(column), row_(row) {}

    Variant Get(int id, const VariantArgs &args) override {
        if (id == dispid::Row && args.empty()) return static_cast<int32_t>(row_);
        if (id == dispid::Column && args.empty()) return static_cast<int32_t>(column_);
        held_->Perform();
        return Wrap(held_, Real()->Get(id, args));
    }
    void Put(int id, const Variant &value) override {
        if (id == dispid::Value) {
            if (auto *text = std::get_if<std::string>(&value.value)) {
                held_->cells.push_back({sheet_, column_, row_, *text});
                return;
            }
        }
        held_->Perform();
        Real()->Put(id, value);
    }
    Variant Call(int id, const VariantArgs &args) override {
        if (id == dispid::Select && args.empty()) {
            held_->selection = HeldCell{sheet_, column_, row_, {}};
            return Variant(true);
        }
        held_->Perform();
        return Wrap(held_, Real()->Call(id, args));
    }

private:
    DispatchPtr Real() {
        if (!real_) {
            const std::string a = AddressOf(column_, row_);
            real_ = sheet_->Get(dispid::Range, {a, a}).ToObject();
            if (!real_) throw AutomationError("no cell " + a);
        }
        return real_;
    }

    std::shared_ptr<HeldWrites> held_;
    DispatchPtr sheet_;
    int column_, row_;
    DispatchPtr real_;
};

// Any other object of the layer below: look-ups remembered, every other call performs the queue first.
class HeldObject : public DispatchObject {
public:
    HeldObject(std::shared_ptr<HeldWrites> held, DispatchPtr inner) : held_(std::move(held)), inner_(std::move(inner)) {}

    Variant Get(int id, const VariantArgs &args) override {
        int column = 0, row = 0;
        if (id == dispid::Range && args.size() == 2 && std::holds_alternative<std::string>(args[0].value) &&
            args[0].ToText() == args[1].ToText() && ParseCellAddress(args[0].ToText(), column, row))
            return Variant(DispatchPtr(std::make_shared<HeldRange>(held_, inner_, column, row)));
        const std::string key = IsLookup(id) ? LookupKey(id, args) : std::string();
        if (!key.empty()) {
            auto found = lookups_.find(key);
            if (found != lookups_.end()) return found->second;
        }
        held_->Perform();
        Variant v = Wrap(held_, inner_->Get(id, args));
        if (!key.empty()) lookups_.emplace(key, v);
        return v;
    }
    void Put(int id, const Variant &value) override {
        if (id != dispid::Interactive) {
            held_->Perform();
            inner_->Put(id, value);
            return;
        }
        // Letting the spreadsheet go always reaches it, also when the writes before it fail.
        try {
            held_->Perform();
        } catch (const AutomationError &) {
            try {
                inner_->Put(id, value);
            } catch (const AutomationError &) {
            }
            throw;
        }
        inner_->Put(id, value);
    }
    Variant Call(int id, const VariantArgs &args) override {
        held_->Perform();
        return Wrap(held_, inner_->Call(id, args));
    }

private:
    std::shared_ptr<HeldWrites> held_;
    DispatchPtr inner_;
    std::map<std::string, Variant> lookups_;
};

Variant Wrap(const std::shared_ptr<HeldWrites> &held, Variant v) {
    if (auto *object = std::get_if<DispatchPtr>(&v.value)) {
        if (*object) return Variant(DispatchPtr(std::make_shared<HeldObject>(held, *object)));
    }
    return v;
}

}  // namespace

bool ParseCellAddress(const std::string &address, int &column, int &row) {
    size_t i = 0;
    column = 0;
    for (; i < address.size() && address[i] >= 'A' && address[i] <= 'Z'; ++i) {
        column = column * 26 + (address[i] - 'A' + 1);
        if (column > 1'000'000) return false;
    }
    if (i == 0 || i == address.size()) return false;
    row = 0;
    for (; i < address.size(); ++i) {
        if (address[i] < '0' || address[i] > '9') return false;
        row = row * 10 + (address[i] - '0');
        if (row > 100'000'000) return false;
    }
    return row >= 1;
}

WriteBehindAutomation::WriteBehindAutomation(std::unique_ptr<Automation> inner)
    : owned_(std::move(inner)), inner_(owned_.get()), held_(std::make_shared<HeldWrites>()) {}

WriteBehindAutomation::WriteBehindAutomation(Automation &inner)
    : inner_(&inner), held_(std::make_shared<HeldWrites>()) {}

WriteBehindAutomation::~WriteBehindAutomation() {
    try {
        held_->Perform();
    } catch (const AutomationError &) {
        // Nobody is left to tell; the spreadsheet keeps what was written before the failure.
    }
}

std::vector<std::string> WriteBehindAutomation::RunningObjectNames() {
    held_->Perform();
    return inner_->RunningObjectNames();
}

DispatchPtr WriteBehindAutomation::RunningObject(const std::string &displayName) {
    held_->Perform();
    DispatchPtr object = inner_->RunningObject(displayName);
    return object ? std::make_shared<HeldObject>(held_, object) : nullptr;
}

std::string WriteBehindAutomation::ForegroundWindowTitle() { return inner_->ForegroundWindowTitle(); }

std::vector<ChildWindow> WriteBehindAutomation::ForegroundChildWindows() { return inner_->ForegroundChildWindows(); }

void WriteBehindAutomation::Flush() { held_->Perform(); }

std::vector<std::string> WriteBehindAutomation::TakeDroppedCells() { return std::exchange(held_->dropped, {}); }

}  // namespace ombra
