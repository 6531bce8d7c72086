// libFuzzer target for the stored data-item selection text ("1035;1036;2005;2000;"): any text
// gives a list of known catalogue items, never more than the token limit allows, and the text
// written for that list reads back to the same list.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/settings/SettingsStore.h"

namespace {

constexpr size_t kTokenLimit = 1000;  // at most this many identifiers are read

const ombra::core::DataItemCatalogue &Catalogue(ombra::core::MeasKind kind) {
    static ombra::core::DataItemCatalogue reflection, irradiance;
    static bool built = [] {
        for (auto *c : {&reflection, &irradiance}) c->RebuildDensity();
        reflection.RebuildForType(ombra::core::MeasKind::Reflection);
        irradiance.RebuildForType(ombra::core::MeasKind::Irradiance);
        return true;
    }();
    (void)built;
    return kind == ombra::core::MeasKind::Reflection ? reflection : irradiance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0) return 0;
    ombra::core::MeasKind kind = data[0] & 1 ? ombra::core::MeasKind::Irradiance : ombra::core::MeasKind::Reflection;
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    const ombra::core::DataItemCatalogue &catalogue = Catalogue(kind);
    ombra::core::OutputItemList items = ombra::core::ParseSelectionText(text, catalogue);
    for (const ombra::core::OutputItem &item : items)
        if (catalogue.Lookup(item.identifier).empty()) std::abort();  // only catalogue items
    if (items.size() > kTokenLimit * 4) std::abort();
    // Written out and read again, a list of single entries is the same list.
    ombra::core::OutputItemList again = ombra::core::ParseSelectionText(ombra::core::SelectionText(items), catalogue);
    bool singles = true;
    for (const ombra::core::OutputItem &item : items) singles = singles && catalogue.Lookup(item.identifier).size() == 1;
    if (singles && items.size() <= kTokenLimit) {
        if (again.size() != items.size()) std::abort();
        for (size_t i = 0; i < items.size(); ++i)
            if (again[i].identifier != items[i].identifier) std::abort();
    }
    return 0;
}
