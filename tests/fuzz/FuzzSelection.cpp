// libFuzzer target for the stored data-item selection text ("1035;1036;2005;2000;"): any text
// gives a list of known catalogue items, never more than the token limit allows, and the text
// written for that list reads back to the same list.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/SettingsStore.h"

namespace {

constexpr size_t kTokenLimit = 1000;  // at most this many identifiers are read

const ombra::DataItemCatalogue &Catalogue(ombra::MeasKind kind) {
    static ombra::DataItemCatalogue reflection, irradiance;
    static bool built = [] {
        for (auto *c : {&reflection, &irradiance}) c->RebuildDensity();
        reflection.RebuildForType(ombra::MeasKind::Reflection);
        irradiance.RebuildForType(ombra::MeasKind::Irradiance);
        return true;
    }();
    (void)built;
    return kind == ombra::MeasKind::Reflection ? reflection : irradiance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    ombra::MeasKind kind = data[0] & 1 ? ombra::MeasKind::Irradiance : ombra::MeasKind::Reflection;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    const ombra::DataItemCatalogue &catalogue = Catalogue(kind);
    ombra::OutputItemList items = ombra::ParseSelectionText(text, catalogue);
    for (const ombra::OutputItem &item : items)
        if (catalogue.Lookup(item.identifier).empty()) std::abort();  // only catalogue items
    if (items.size() > kTokenLimit * 4) std::abort();
    // Written out and read again, a list of single entries is the same list.
    ombra::OutputItemList again = ombra::ParseSelectionText(ombra::SelectionText(items), catalogue);
    bool singles = true;
    for (const ombra::OutputItem &item : items) singles = singles && catalogue.Lookup(item.identifier).size() == 1;
    if (singles && items.size() <= kTokenLimit) {
        if (again.size() != items.size()) std::abort();
        for (size_t i = 0; i < items.size(); ++i)
            if (again[i].identifier != items[i].identifier) std::abort();
    }
    return 0;
}
