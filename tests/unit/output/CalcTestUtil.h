// Helpers shared by the spreadsheet tests: items with predictable texts and cell maps.
#pragma once

#include <map>
#include <sstream>
#include <string>

#include "core/output/OutputItem.h"
#include "core/output/Transfer.h"
#include "support/MemoryAutomation.h"

namespace ombra::core::test {

// Item with label "L<id>" and value text "v<id>".
inline OutputItem Item(int id) { return OutputItem{id, "L" + std::to_string(id), 0.0, "v" + std::to_string(id)}; }

inline OutputItemList Items(std::initializer_list<int> ids) {
    OutputItemList list;
    for (int id : ids) list.push_back(Item(id));
    return list;
}

// "A1=x|B1=y" -> {A1: x, B1: y}
inline std::map<std::string, std::string> CellMap(const std::string &spec) {
    std::map<std::string, std::string> cells;
    std::stringstream in(spec);
    std::string part;
    while (std::getline(in, part, '|')) {
        size_t eq = part.find('=');
        if (eq != std::string::npos) cells[part.substr(0, eq)] = part.substr(eq + 1);
    }
    return cells;
}

inline std::string Letters(int column) {
    std::string s;
    for (int c = column; c > 0; c = (c - 1) / 26) s.insert(s.begin(), static_cast<char>('A' + (c - 1) % 26));
    return s;
}

// A transfer layout: labels, direction and the three separator codes.
inline TransferLayout Layout(int label, int row, int valSep, int funcSep, int blockSep) {
    TransferLayout l;
    l.Label = label;
    l.Row = row;
    l.ValSep = valSep;
    l.FuncSep = funcSep;
    l.BlockSep = blockSep;
    return l;
}

inline std::map<std::string, std::string> WrittenCells(const MemoryAutomation &a, int workbook = 0, int sheet = 0) {
    std::map<std::string, std::string> cells;
    for (const auto &[pos, text] : a.workbooks.at(workbook).sheets.at(sheet).cells)
        cells[Letters(pos.first) + std::to_string(pos.second)] = text;
    return cells;
}

}  // namespace ombra::core::test
