#include "output/ExcelControl.h"

#include <set>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>

namespace ombra::core {

namespace {

std::chrono::milliseconds g_childWindowWait{2000};

// Shared with the child-window enumeration: signalled when a child with an active caption is found.
struct ChildTitleEvent {
    std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
    std::string title;
};
ChildTitleEvent g_childEvent;

std::string Trim(const std::string &s) {
    const char *space = " \t\r\n\v\f";
    size_t b = s.find_first_not_of(space);
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(space);
    return s.substr(b, e - b + 1);
}

Variant Index(int i) { return Variant(static_cast<int32_t>(i)); }

DispatchPtr Object(const Variant &v) {
    DispatchPtr p = v.ToObject();
    if (!p) throw AutomationError("automation call returned no object");
    return p;
}

}  // namespace

void CExcelControl::SetChildWindowWait(std::chrono::milliseconds wait) { g_childWindowWait = wait; }

CExcelControl::CExcelControl(Automation &automation) : automation_(automation) {}

CExcelControl::~CExcelControl() {
    if (application_) {
        try {
            application_->Put(dispid::Interactive, Variant(true));
        } catch (const AutomationError &) {
            // The spreadsheet is gone; nothing left to restore.
        }
    }
    application_.reset();
    attached_ = 0;
}

bool CExcelControl::Attach() {
    if (attached_) return true;
    std::string title = automation_.ForegroundWindowTitle().substr(0, 999);
    size_t firstDash = title.find('-');
    if (firstDash == std::string::npos) {
        {
            std::lock_guard lock(g_childEvent.mutex);
            g_childEvent.signalled = false;
            g_childEvent.title.clear();
        }
        const std::vector<ChildWindow> children = automation_.ForegroundChildWindows();
        // The enumeration answers before the wait starts; with no child windows at all (platforms
        // whose windows have none) nothing can signal later, so waiting would only stall the user.
        if (children.empty()) return false;
        for (const ChildWindow &child : children) {
            if (child.captionActive && !child.title.empty()) {
                std::lock_guard lock(g_childEvent.mutex);
                g_childEvent.title = child.title;
                g_childEvent.signalled = true;
                break;
            }
        }
        std::string childTitle;
        {
            std::unique_lock lock(g_childEvent.mutex);
            if (!g_childEvent.cv.wait_for(lock, g_childWindowWait, [] { return g_childEvent.signalled; }))
                return false;
            g_childEvent.signalled = false;  // auto-reset
            childTitle = g_childEvent.title;
        }
        return BindWorkbook(childTitle);
    }
    std::string after = firstDash + 2 <= title.size() ? title.substr(firstDash + 2) : std::string();
    size_t lastDash = title.rfind('-');
    std::string before = title.substr(0, lastDash == 0 ? 0 : lastDash - 1);
    // Both title forms are judged together: the application's name in one half can contain a
    // short workbook name ("a" in "LibreOffice Calc") while the other half names the right one.
    return BindBestWorkbook({Trim(after), Trim(before)});
}

std::string CExcelControl::BaseName(const std::string &displayName) {
    // The folder goes first so that a dot in a folder name cannot cut the name.
    std::string base = displayName;
    size_t slash = base.find_last_of("\\/");
    if (slash != std::string::npos) base.erase(0, slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.erase(dot);
    return base;
}

int CExcelControl::MatchRank(const std::string &fragment, const std::string &displayName) {
    std::string base = BaseName(displayName);
    if (base.empty() || fragment.find(base) == std::string::npos) return 0;
    size_t slash = displayName.find_last_of("\\/");
    std::string fileName = slash == std::string::npos ? displayName : displayName.substr(slash + 1);
    if (base == fragment || fileName == fragment) return kExactMatch;
    return static_cast<int>(std::min<size_t>(base.size(), kExactMatch - 1));
}

// The workbook the fragments name: one whose name equals a fragment (with or without its
// extension) before any whose name is only contained, then the longest contained name. A
// shorter name inside the fragment ("Book" in "Book1.ods") is never preferred to the exact one.
// Equal ranks keep the order of the fragments, then the running-object order.
std::vector<std::string> CExcelControl::RankedCandidates(const std::vector<std::string> &fragments) {
    struct Candidate {
        int rank;
        std::string displayName;
    };
    std::vector<Candidate> candidates;
    const std::vector<std::string> running = automation_.RunningObjectNames();
    for (const std::string &fragment : fragments) {
        for (const std::string &displayName : running) {
            int rank = MatchRank(fragment, displayName);
            if (rank > 0) candidates.push_back({rank, displayName});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate &a, const Candidate &b) { return a.rank > b.rank; });
    std::vector<std::string> names;
    for (const Candidate &c : candidates)
        if (std::find(names.begin(), names.end(), c.displayName) == names.end()) names.push_back(c.displayName);
    return names;
}

bool CExcelControl::BindWorkbook(const std::string &title) { return BindBestWorkbook({title}); }

bool CExcelControl::BindBestWorkbook(const std::vector<std::string> &fragments) {
    for (const std::string &displayName : RankedCandidates(fragments)) {
        DispatchPtr workbook = automation_.RunningObject(displayName);
        if (!workbook) continue;
        application_ = workbook->Get(dispid::Application).ToObject();
        if (!application_) return false;
        application_->Put(dispid::Interactive, Variant(false));
        application_->Put(dispid::ScreenUpdating, Variant(true));
        std::string workbookName = GetName(workbook);
        DispatchPtr sheet = workbook->Get(dispid::ActiveSheet).ToObject();
        if (!sheet) return false;
        std::string sheetName = GetName(sheet);
        attached_ = 1;
        workbookIndex_ = FindWorkbook(workbookName);
        worksheetIndex_ = FindWorksheet(workbookName, sheetName);
        workbookName_ = workbookName;
        sheetName_ = sheetName;
        rowLimit_ = Object(sheet->Get(dispid::Rows))->Get(dispid::Count).ToInt();
        columnLimit_ = Object(sheet->Get(dispid::Columns))->Get(dispid::Count).ToInt();
        application_->Put(dispid::Interactive, Variant(false));
        return true;
    }
    return false;
}

std::string CExcelControl::GetName(const DispatchPtr &object) { return object->Get(dispid::Name).ToText(); }

int CExcelControl::WorkbookCount() {
    if (!attached_) return 0;
    return Object(application_->Get(dispid::Workbooks))->Get(dispid::Count).ToInt();
}

int CExcelControl::FindWorkbook(const std::string &name) {
    if (!attached_) return -1;
    DispatchPtr workbooks = Object(application_->Get(dispid::Workbooks));
    int count = workbooks->Get(dispid::Count).ToInt();
    if (count <= 0) return -1;
    for (int i = 1; i <= count; ++i) {
        if (GetName(Object(workbooks->Get(dispid::Item, {Index(i)}))) == name) return i;
    }
    return 0;
}

int CExcelControl::FindWorksheet(const std::string &workbookName, const std::string &sheetName) {
    if (!attached_) return -1;
    int workbookIndex = FindWorkbook(workbookName);
    if (workbookIndex <= 0) return -1;
    DispatchPtr workbook = Object(Object(application_->Get(dispid::Workbooks))->Get(dispid::Item, {Index(workbookIndex)}));
    DispatchPtr sheets = Object(workbook->Get(dispid::Worksheets));
    int count = sheets->Get(dispid::Count).ToInt();
    for (int i = 1; i <= count; ++i) {
        if (GetName(Object(sheets->Get(dispid::Item, {Index(i)}))) == sheetName) return i;
    }
    return 0;
}

std::string CExcelControl::CellAddress(int column, int row) const {
    row = std::clamp(row, 1, std::max(1, rowLimit_));
    std::string letters;
    while (column > 0) {
        int e = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + e));
        column = (column - e) / 26;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%d", row);
    return letters + number;
}

DispatchPtr CExcelControl::Worksheet(int workbookIndex, int worksheetIndex) {
    DispatchPtr workbook = Object(Object(application_->Get(dispid::Workbooks))->Get(dispid::Item, {Index(workbookIndex)}));
    return Object(Object(workbook->Get(dispid::Worksheets))->Get(dispid::Item, {Index(worksheetIndex)}));
}

int CExcelControl::SelectCell(int column, int row, int workbookIndex, int worksheetIndex) {
    if (!attached_) return 0;
    std::string address = CellAddress(column, row);
    DispatchPtr range = Object(Worksheet(workbookIndex, worksheetIndex)->Get(dispid::Range, {address, address}));
    range->Call(dispid::Select);
    return 1;
}

int CExcelControl::WriteCells(const std::vector<std::string> &texts, int count, int column, int row,
                              int workbookIndex, int worksheetIndex, int direction) {
    if (!attached_) return 0;
    DispatchPtr sheet = Worksheet(workbookIndex, worksheetIndex);
    for (int i = 0; i < count && i < static_cast<int>(texts.size()); ++i) {
        std::string address = direction == 1 ? CellAddress(column, row + i) : CellAddress(column + i, row);
        DispatchPtr range = Object(sheet->Get(dispid::Range, {address, address}));
        if (sheet->Get(dispid::Visible).ToInt() == -1) range->Call(dispid::Select);
        range->Put(dispid::Value, Variant(texts[i]));
        written_.push_back(address);
    }
    return 1;
}

void CExcelControl::ForgetDroppedWrites() {
    const std::vector<std::string> dropped = automation_.TakeDroppedCells();
    if (dropped.empty()) return;
    const std::set<std::string> gone(dropped.begin(), dropped.end());
    std::erase_if(written_, [&](const std::string &address) { return gone.count(address) > 0; });
}

DispatchPtr CExcelControl::ActiveCellOf(int workbookIndex, int worksheetIndex) {
    Worksheet(workbookIndex, worksheetIndex)->Call(dispid::Activate);
    return Object(application_->Get(dispid::ActiveCell));
}

int CExcelControl::ActiveRow(int workbookIndex, int worksheetIndex) {
    if (!attached_) return 0;
    return ActiveCellOf(workbookIndex, worksheetIndex)->Get(dispid::Row).ToInt();
}

int CExcelControl::ActiveColumn(int workbookIndex, int worksheetIndex) {
    if (!attached_) return 0;
    return ActiveCellOf(workbookIndex, worksheetIndex)->Get(dispid::Column).ToInt();
}

}  // namespace ombra::core
