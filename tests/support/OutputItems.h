// Small helpers for tests that build and compare lists of data items.
#pragma once

#include <initializer_list>
#include <vector>

#include "core/output/Catalogue.h"
#include "core/output/OutputItem.h"

namespace ombra::core::test {

// The identifiers of a list, in order.
inline std::vector<int> Ids(const OutputItemList &list) {
    std::vector<int> ids;
    for (const OutputItem &e : list) ids.push_back(e.identifier);
    return ids;
}

// Catalogue items (identifier and label) for the given identifiers, in order.
inline OutputItemList Items(std::initializer_list<int> ids) {
    OutputItemList list;
    for (int id : ids) list.push_back(MakeItem(id));
    return list;
}

}  // namespace ombra::core::test
