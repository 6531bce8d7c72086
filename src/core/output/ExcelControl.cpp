#include "core/output/ExcelControl.h"

#include <algorithm>
#include <cstdio>

namespace ombra::core {

namespace {

std::string Trim(const std::string &s) {
    const char *space = " \t\r\n\v\f";
    size_t b = s.find_first_not_of(space);
    if (b == std::string::npos) return {};
    size_t e = s.find_last_not_of(space);
    return s.substr(b, e - b + 1);
}

}  // namespace

CExcelControl::CExcelControl(Automation &automation) : automation_(automation) {}

CExcelControl::~CExcelControl() = default;  // the bound sheet lets its workbook go

// The title names the workbook on one side of a "-". A title without one is a frame whose
// workbook windows are its children: the child with the active caption names it. The children
// are enumerated at once, so there is nothing to wait for.
bool CExcelControl::Attach() {
    if (attached()) return true;
    std::string title = automation_.ForegroundWindowTitle().substr(0, 999);
    size_t firstDash = title.find('-');
    if (firstDash == std::string::npos) {
        for (const ChildWindow &child : automation_.ForegroundChildWindows()) {
            if (child.captionActive && !child.title.empty()) return BindWorkbook(child.title);
        }
        return false;
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
// Equal ranks keep the order of the fragments, then the order of the workbook list.
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
        std::unique_ptr<BoundSheet> sheet = automation_.Bind(displayName);
        if (!sheet) continue;
        info_ = sheet->Info();
        active_ = info_.activeCell;
        sheet_ = std::move(sheet);
        return true;
    }
    return false;
}

std::string CExcelControl::CellName(CellPos cell) {
    std::string letters;
    for (int column = cell.column; column > 0;) {
        int e = (column - 1) % 26;
        letters.insert(letters.begin(), static_cast<char>('A' + e));
        column = (column - e) / 26;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%d", cell.row);
    return letters + number;
}

std::string CExcelControl::CellAddress(int column, int row) const {
    return CellName({column, std::clamp(row, 1, std::max(1, rowLimit()))});
}

int CExcelControl::SelectCell(int column, int row) {
    if (!attached()) return 0;
    sheet_->Select({column, row});
    active_ = {column, row};
    followPending_ = false;
    return 1;
}

std::vector<std::vector<std::string>> CExcelControl::ReadCells(int firstColumn, int firstRow, int lastColumn,
                                                              int lastRow) {
    if (!attached()) return {};
    return sheet_->ReadCells({firstColumn, firstRow}, {lastColumn, lastRow});
}

int CExcelControl::ClearCells(int firstColumn, int firstRow, int lastColumn, int lastRow) {
    if (!attached()) return 0;
    sheet_->ClearCells({firstColumn, firstRow}, {lastColumn, lastRow});
    return 1;
}

int CExcelControl::WriteCells(const std::vector<std::string> &texts, int column, int row, int direction) {
    if (!attached()) return 0;
    if (texts.empty()) return 1;
    const bool down = direction == 1;
    try {
        sheet_->WriteCells({column, row}, down ? RunDirection::Down : RunDirection::Across, texts);
    } catch (const CellWriteError &e) {
        const int held = std::clamp(e.held(), 0, static_cast<int>(texts.size()));
        NoteWritten({column, row}, down, held);
        if (held > 0) runs_.push_back({{column, row}, down, {texts.begin(), texts.begin() + held}});
        throw;
    }
    NoteWritten({column, row}, down, static_cast<int>(texts.size()));
    runs_.push_back({{column, row}, down, texts});
    return 1;
}

void CExcelControl::NoteWritten(CellPos first, bool down, int count) {
    for (int i = 0; i < count; ++i)
        written_.push_back(down ? CellPos{first.column, first.row + i} : CellPos{first.column + i, first.row});
    // The cursor follows the cells written on a visible sheet; the sheet moves it with the next
    // selection or the commit, whichever comes first.
    if (count > 0 && info_.visible) {
        active_ = written_.back();
        followPending_ = true;
    }
}

void CExcelControl::Commit() {
    if (!attached()) return;
    if (followPending_) SelectCell(active_.column, active_.row);
    sheet_->Commit();
}

}  // namespace ombra::core
