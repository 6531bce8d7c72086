#include "output/Transfer.h"

#include <algorithm>
#include <array>

#include "output/ExcelControl.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/TraceTimings.h"

namespace ombra {

namespace {

constexpr int kOutsideSheetMessage = 1239;

// The cells written before the message are in the sheet while the user reads it.
void ShowOutsideSheet(CExcelControl &control, const std::string &caption, QWidget *parent) {
    control.Flush();
    using namespace platform::mb;
    platform::ShowMessageBox(parent, platform::ResString(kOutsideSheetMessage), caption, ICONHAND | SYSTEMMODAL | SETFOREGROUND);
}

// A group of components written together, with the components that count as its first and last value.
struct GroupDef {
    int id;
    int low, high;         // identifier range of the components (used when ids is empty)
    std::array<int, 4> ids;
    int atMost;
    int first, last;       // identifiers; 0: by position (spectral groups)
    int n;
};

constexpr GroupDef kGroups[] = {
    {2000, 0, 0, {1000, 1001, 1002, 0}, 3, 1000, 1002, 3},
    {2001, 0, 0, {1000, 1003, 1004, 0}, 3, 1000, 1004, 3},
    {2002, 0, 0, {1005, 1006, 1007, 0}, 3, 1005, 1007, 3},
    {2003, 0, 0, {1008, 1009, 1010, 0}, 3, 1008, 1010, 3},
    {2004, 0, 0, {1019, 1020, 1021, 1040}, 4, 1019, 1040, 4},
    {2005, 0, 0, {1022, 1023, 1024, 1041}, 4, 1022, 1041, 4},
    {2006, 0, 0, {1025, 1026, 1027, 1042}, 4, 1025, 1042, 4},
    {2007, 0, 0, {1028, 1029, 1030, 1043}, 4, 1028, 1043, 4},
    {2008, 1031, 1034, {0, 0, 0, 0}, 4, 1031, 1034, 4},
    {2009, 1045, 1050, {0, 0, 0, 0}, 7, 1045, 1050, 6},
};

const GroupDef *FixedGroup(int id) {
    for (const GroupDef &g : kGroups)
        if (g.id == id) return &g;
    return nullptr;
}

bool InFixedGroup(const GroupDef &g, int id) {
    if (g.low != 0) return id >= g.low && id <= g.high;
    for (int c : g.ids)
        if (c != 0 && c == id) return true;
    return false;
}

bool IsTextItem(int id) { return id == 1035 || id == 1036 || id == 1044 || id == 2023 || id == 2024; }
bool IsGroup(int id) { return id == 1100 || id == 2021 || FixedGroup(id) != nullptr; }

// The group whose earlier write makes an individual item redundant; 0 when none.
int SkippingGroup(int id) {
    if (id >= 1000 && id <= 1002) return 2000;
    if (id == 1003 || id == 1004) return 2001;
    if (id >= 1005 && id <= 1007) return 2002;
    if (id >= 1008 && id <= 1010) return 2003;
    if ((id >= 1019 && id <= 1021) || id == 1040) return 2004;
    if ((id >= 1022 && id <= 1024) || id == 1041) return 2005;
    if ((id >= 1025 && id <= 1027) || id == 1042) return 2006;
    if ((id >= 1028 && id <= 1030) || id == 1043) return 2007;
    if (id >= 1031 && id <= 1034) return 2008;
    if (id >= 1045 && id <= 1050) return 2009;
    if (id >= 360 && id <= 730) return 1100;
    if (id >= 2380 && id <= 2730) return 2021;
    return 0;
}

bool AlwaysWritten(int id) { return (id >= 1011 && id <= 1018) || (id >= 1037 && id <= 1039) || id == 2020; }

// The components of a group taken from the values, with the positions of its first and last value.
struct Components {
    std::vector<const OutputItem *> items;
    int firstPos = -1;
    int lastPos = -1;
    int n = 0;
};

Components TakeComponents(int group, const TransferLayout &layout, const TransferInput &in) {
    Components c;
    const GroupDef *fixed = FixedGroup(group);
    int atMost = 0, low = 0, high = 0;
    if (fixed) {
        atMost = fixed->atMost;
        c.n = fixed->n;
    } else if (group == 1100) {
        low = layout.MeasurementTypeSel != 0 ? 360 : 380;
        high = 730;
        atMost = in.spectralCount + 1;
        c.n = in.spectralCount;
    } else {
        low = 2380;
        high = 2730;
        atMost = in.densityCount + 1;
        c.n = in.densityCount;
    }
    for (const OutputItem &v : in.valueItems) {
        if (static_cast<int>(c.items.size()) >= atMost) break;
        bool member = fixed ? InFixedGroup(*fixed, v.identifier) : (v.identifier >= low && v.identifier <= high);
        if (member) c.items.push_back(&v);
    }
    for (int i = 0; i < static_cast<int>(c.items.size()); ++i) {
        if (fixed) {
            if (c.firstPos < 0 && c.items[i]->identifier == fixed->first) c.firstPos = i;
            if (c.lastPos < 0 && c.items[i]->identifier == fixed->last) c.lastPos = i;
        }
    }
    if (!fixed) {
        c.firstPos = c.items.empty() ? -1 : 0;
        c.lastPos = c.n - 1;
    }
    return c;
}

// The state of one transfer.
class Transfer {
public:
    Transfer(CExcelControl &control, const TransferLayout &layout, const TransferInput &in,
             const std::string &caption, QWidget *parent)
        : m_control(control), m_layout(layout), m_in(in), m_caption(caption), m_parent(parent) {}

    TransferResult Run();

private:
    bool Cell(const std::string &label, const std::string &value) {
        return WriteCell(m_control, m_layout, label, value, 1, m_column, m_row, m_workbookIndex, m_worksheetIndex,
                         m_rowLimit, m_columnLimit, m_caption, m_parent);
    }
    bool Cell(const TextPair &p) { return Cell(p.label, p.value); }
    bool Entry(const OutputItem &e);
    bool Group(int group);
    bool Individual(const std::string &label, const std::string &value);
    TransferResult EndJoined();
    TransferResult EndMoving();
    bool FuncJoins() const { return IsJoiningCode(m_layout.FuncSep); }
    bool ValJoins() const { return IsJoiningCode(m_layout.ValSep); }

    CExcelControl &m_control;
    const TransferLayout &m_layout;
    const TransferInput &m_in;
    const std::string &m_caption;
    QWidget *m_parent;
    int m_rowLimit = 0, m_columnLimit = 0, m_workbookIndex = 1, m_worksheetIndex = 1;
    int m_column = 1, m_row = 1;
    TextPair m_a, m_b;
    bool m_allJoined = false;
    bool m_isLast = false;
    int m_cells = 0;
    bool m_lastWasIndividual = false;
    std::vector<int> m_writtenGroups;

public:
    int rowLimit() const { return m_rowLimit; }
    int columnLimit() const { return m_columnLimit; }
};

bool Transfer::Individual(const std::string &label, const std::string &value) {
    if (FuncJoins() && m_allJoined) {
        m_a.label += label;
        m_a.value += value;
        AppendJoiner(m_a, m_layout.FuncSep);
        return true;
    }
    if (FuncJoins()) {
        m_b.label += label;
        m_b.value += value;
        AppendJoiner(m_b, m_layout.FuncSep);
        return Cell(m_b);
    }
    return Cell(label, value);
}

bool Transfer::Group(int group) {
    Components comps = TakeComponents(group, m_layout, m_in);
    for (int i = 0; i < static_cast<int>(comps.items.size()); ++i) {
        const OutputItem &c = *comps.items[i];
        bool isLastValue = i == comps.lastPos;
        m_a.label += c.label;
        m_a.value += c.valueText;
        if (ValJoins()) {
            if (!isLastValue) AppendJoiner(m_a, m_layout.ValSep);
        } else if (!FuncJoins()) {
            if (!Cell(c.label, c.valueText)) return false;
            if (!isLastValue) MoveByValueSeparator(m_layout, m_column, m_row);
        } else if (isLastValue) {
            TextPair t{c.label, c.valueText};
            AppendJoiner(t, m_layout.FuncSep);
            m_b.label += t.label;
            m_b.value += t.value;
            if (!Cell(t)) return false;
        } else if (i == comps.firstPos) {
            m_b.label += c.label;
            m_b.value += c.valueText;
            if (!Cell(m_b)) return false;
            m_b = {};
            MoveByValueSeparator(m_layout, m_column, m_row);
        } else {
            if (!Cell(c.label, c.valueText)) return false;
            MoveByValueSeparator(m_layout, m_column, m_row);
        }
        m_writtenGroups.push_back(group);
    }
    if (m_allJoined) {
        AppendJoiner(m_a, m_layout.FuncSep);
        m_cells += 1;
        return true;
    }
    int n = comps.n;
    if (ValJoins()) {
        if (!Cell(m_a)) return false;
        n = 1;
    }
    m_cells += n;
    if (!m_isLast) MoveByFunctionSeparator(m_layout, m_column, m_row, n);
    return true;
}

bool Transfer::Entry(const OutputItem &e) {
    const OutputItem &last = m_in.outputItems.back();
    if (last.identifier == 1044 ? &e == &last : e.identifier == last.identifier) m_isLast = true;
    if (!m_allJoined) m_a = {};
    m_lastWasIndividual = false;
    if (IsGroup(e.identifier)) return Group(e.identifier);
    if (IsTextItem(e.identifier)) {
        int taken = 0;
        for (const OutputItem &v : m_in.valueItems) {
            if (v.identifier != e.identifier) continue;
            if (!Individual(v.label, v.valueText)) return false;
            if (++taken == 2) break;
        }
        m_cells += 1;
        if (!m_isLast) MoveByFunctionSeparator(m_layout, m_column, m_row, 1);
        m_lastWasIndividual = true;
        return true;
    }
    int skipper = SkippingGroup(e.identifier);
    bool skipped = skipper != 0 && std::find(m_writtenGroups.begin(), m_writtenGroups.end(), skipper) != m_writtenGroups.end();
    if (skipped || (skipper == 0 && !AlwaysWritten(e.identifier))) return true;
    if (!Individual(e.label, e.valueText)) return false;
    if (!FuncJoins()) {
        m_cells += 1;
        if (!m_isLast) MoveByFunctionSeparator(m_layout, m_column, m_row, 1);
    }
    m_lastWasIndividual = true;
    return true;
}

TransferResult Transfer::EndJoined() {
    int b = m_layout.BlockSep;
    if (b >= 1 && b <= 4) AppendJoiner(m_a, b);
    if (!Cell(m_a)) return TransferResult::OutsideSheet;
    MoveByBlockSeparator(m_layout, m_column, m_row, static_cast<int>(m_in.outputItems.size()));
    m_control.SelectCell(m_column, m_row, m_workbookIndex, m_worksheetIndex);
    return TransferResult::Written;
}

TransferResult Transfer::EndMoving() {
    MoveByBlockSeparator(m_layout, m_column, m_row, m_cells);
    if (m_row > m_rowLimit || m_column > m_columnLimit || m_row < 1 || m_column < 1) {
        ShowOutsideSheet(m_control, m_caption, m_parent);
        return TransferResult::OutsideSheet;
    }
    if (IsJoiningCode(m_layout.BlockSep)) {
        std::string t = JoiningText(m_layout.BlockSep);
        bool ok = true;
        if (FuncJoins()) {
            m_b.label += t;
            m_b.value += t;
            ok = Cell(m_b);
        } else if (m_lastWasIndividual) {
            const OutputItem &last = m_in.outputItems.back();
            ok = Cell(last.label + t, last.valueText + t);
        } else if (ValJoins()) {
            m_a.label += t;
            m_a.value += t;
            ok = Cell(m_a);
        } else if (!m_in.valueItems.empty()) {
            const OutputItem &last = m_in.valueItems.back();
            ok = Cell(last.label + t, last.valueText + t);
        }
        if (!ok) return TransferResult::OutsideSheet;
    }
    m_control.SelectCell(m_column, m_row, m_workbookIndex, m_worksheetIndex);
    return TransferResult::Written;
}

TransferResult Transfer::Run() {
    m_rowLimit = m_control.rowLimit();
    m_columnLimit = m_control.columnLimit();
    m_workbookIndex = m_control.workbookIndex();
    m_worksheetIndex = m_control.worksheetIndex();
    m_row = m_control.ActiveRow(m_workbookIndex, m_worksheetIndex);
    m_column = m_control.ActiveColumn(m_workbookIndex, m_worksheetIndex);
    m_allJoined = ValJoins() && FuncJoins();
    for (const OutputItem &e : m_in.outputItems) {
        if (!Entry(e)) return TransferResult::OutsideSheet;
    }
    return m_allJoined ? EndJoined() : EndMoving();
}

}  // namespace

bool IsJoiningCode(int code) { return code == 1 || code == 2 || code == 3 || code == 4 || code == 12; }

std::string JoiningText(int code) {
    switch (code) {
    case 1: return " ";
    case 2: return ".";
    case 3: return ";";
    case 4: return ":";
    default: return "";
    }
}

void AppendJoiner(TextPair &texts, int separatorCode) {
    if (!IsJoiningCode(separatorCode)) return;
    std::string t = JoiningText(separatorCode);
    texts.label += t;
    texts.value += t;
}

void MoveBySeparator(const TransferLayout &layout, int code, int &column, int &row, int n) {
    int w = layout.Label == 1 ? 2 : 1;
    int down = layout.Row == 0 ? w : 1;   // rows per step down
    int right = layout.Row == 0 ? 1 : w;  // columns per step right
    switch (code) {
    case 0: case 11: row += down; break;
    case 5: case 9: column += right; break;
    case 6: column = 1; break;
    case 7: row += down; column = 1; break;
    case 8: column -= right; break;
    case 10: row -= down; break;
    case 13: row += down; column -= (n - 1) * right; break;
    case 14: column += right; row -= (n - 1) * down; break;
    case 15: column -= (n - 1) * right; break;
    case 16: row -= (n - 1) * down; break;
    default: break;  // joining codes stay in the cell
    }
}

bool WriteCell(CExcelControl &control, const TransferLayout &layout, const std::string &label,
               const std::string &value, int count, int column, int row, int workbookIndex, int worksheetIndex,
               int rowLimit, int columnLimit, const std::string &messageCaption, QWidget *parent) {
    bool labels = layout.Label == 1;
    bool down = layout.Row == 1;
    // The label goes first across the item: beside the value when items run down, above it otherwise.
    int valueColumn = column + (labels && down ? 1 : 0);
    int valueRow = row + (labels && !down ? 1 : 0);
    if (valueRow > rowLimit || valueColumn > columnLimit || row < 1 || column < 1) {
        ShowOutsideSheet(control, messageCaption, parent);
        return false;
    }
    int direction = down ? 1 : 0;
    int result = 1;
    if (labels) result = control.WriteCells({label}, count, column, row, workbookIndex, worksheetIndex, direction);
    result = control.WriteCells({value}, count, valueColumn, valueRow, workbookIndex, worksheetIndex, direction);
    if (!IsJoiningCode(layout.BlockSep)) {
        int nextColumn = down ? valueColumn + 1 : valueColumn;
        int nextRow = down ? valueRow : valueRow + 1;
        if (valueRow == rowLimit || valueColumn == columnLimit) {
            nextColumn = valueColumn;
            nextRow = valueRow;
        }
        result = control.SelectCell(nextColumn, nextRow, workbookIndex, worksheetIndex);
    }
    return result != 0;
}

TransferOutcome TransferMeasurement(Automation &automation, const TransferLayout &layout, const TransferInput &input,
                                    const std::string &messageCaption, QWidget *parent) {
    TransferOutcome outcome;
    try {
        CExcelControl control(automation);
        if (!control.Attach()) return outcome;
        platform::TraceMark("attached");
        outcome.rowLimit = control.rowLimit();
        outcome.columnLimit = control.columnLimit();
        if (input.outputItems.empty()) {
            outcome.result = TransferResult::Written;
            return outcome;
        }
        Transfer transfer(control, layout, input, messageCaption, parent);
        outcome.result = transfer.Run();
        // A write held back by the automation layer that fails now fails the transfer, before
        // the controller lets the spreadsheet go.
        control.Flush();
        platform::TraceMark("transfer done");
    } catch (const AutomationError &) {
        outcome.result = TransferResult::AutomationFailed;
    }
    return outcome;
}

}  // namespace ombra
