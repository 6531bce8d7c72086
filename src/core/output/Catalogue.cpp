#include "output/Catalogue.h"

#include <cstdio>

#include "platform/Resources.h"

namespace ombra {
namespace {

// A run of identifiers first..last (step apart); a single identifier when last is 0.
struct Span {
    int first;
    int last = 0;
    int step = 1;
};

// Identifiers first..last carry the label strings firstString, firstString + 1, ...
struct LabelRun {
    int first, last, firstString;
};

constexpr LabelRun kLabelRuns[] = {
    {2023, 2024, 1313}, {1035, 1036, 1138}, {1044, 1044, 1266}, {1045, 1049, 1267},
    {1050, 1050, 1319}, {1000, 1012, 1100}, {1013, 1018, 1116}, {1019, 1021, 1122},
    {1040, 1040, 1250}, {1022, 1024, 1125}, {1041, 1041, 1251}, {1025, 1027, 1128},
    {1042, 1042, 1252}, {1028, 1030, 1131}, {1043, 1043, 1253}, {1031, 1034, 1134},
    {1037, 1039, 1113}, {2020, 2020, 1310},
    // groups
    {1100, 1100, 1265}, {2000, 2008, 1256}, {2009, 2009, 1272}, {2021, 2021, 1311},
};

struct FixedGroup {
    int id;
    std::vector<int> components;
};

const std::vector<FixedGroup> &FixedGroups() {
    static const std::vector<FixedGroup> groups = {
        {2000, {1000, 1001, 1002}},
        {2001, {1000, 1003, 1004}},
        {2002, {1005, 1006, 1007}},
        {2003, {1008, 1009, 1010}},
        {2004, {1019, 1020, 1021, 1040}},
        {2005, {1022, 1023, 1024, 1041}},
        {2006, {1025, 1026, 1027, 1042}},
        {2007, {1028, 1029, 1030, 1043}},
        {2008, {1031, 1032, 1033, 1034}},
        {2009, {1045, 1046, 1047, 1048, 1049, 1050}},
    };
    return groups;
}

const std::vector<Span> kGeneralReflection = {{2023, 2024}, {1035, 1036}, {2009}, {2000, 2008}, {1044}};
const std::vector<Span> kGeneralIrradiance = {{2023, 2024}, {1035, 1036}, {1045}, {1048}, {1037, 1039}, {1044}};
const std::vector<Span> kColourReflection = {
    {1045, 1050}, {1000, 1012}, {1013, 1018}, {1019, 1021}, {1040}, {1022, 1024}, {1041},
    {1025, 1027}, {1042}, {1028, 1030}, {1043}, {1031, 1034}};
const std::vector<Span> kSpectralReflection = {{1100}, {380, 730, 10}};
const std::vector<Span> kSpectralIrradiance = {{1100}, {300, 780, 5}};
const std::vector<Span> kDensity = {{2020, 2021}, {2380, 2730}};

OutputItemList Build(const std::vector<Span> &spans) {
    OutputItemList list;
    for (const Span &s : spans) {
        int last = s.last ? s.last : s.first;
        for (int id = s.first; id <= last; id += s.step) list.push_back(MakeItem(id));
    }
    return list;
}

std::string Format(const char *format, int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, n);
    return buf;
}

}  // namespace

bool IsWavelengthItem(int id) { return id >= item::kFirstWavelength && id <= item::kLastWavelength; }
bool IsSpotDensityItem(int id) { return id >= item::kFirstSpotDensity && id <= item::kLastSpotDensity; }

bool IsGroupItem(int id) {
    return id == item::kSpectrumGroup || id == item::kSpotDensityGroup || !FixedGroupComponents(id).empty();
}

const std::vector<int> &FixedGroupComponents(int group) {
    static const std::vector<int> none;
    for (const FixedGroup &g : FixedGroups())
        if (g.id == group) return g.components;
    return none;
}

bool GroupCovers(int group, int id) {
    if (group == item::kSpectrumGroup) return IsWavelengthItem(id);
    if (group == item::kSpotDensityGroup) return IsSpotDensityItem(id);
    for (int c : FixedGroupComponents(group))
        if (c == id) return true;
    return false;
}

std::string ItemLabel(int id) {
    if (IsWavelengthItem(id)) return Format("%dnm", id);
    if (IsSpotDensityItem(id)) return Format("D (%dnm)", id - item::kSpotDensityOffset);
    for (const LabelRun &r : kLabelRuns)
        if (id >= r.first && id <= r.last) return platform::ResString(r.firstString + id - r.first);
    return {};
}

OutputItem MakeItem(int id) {
    OutputItem item;
    item.identifier = id;
    item.label = ItemLabel(id);
    return item;
}

OutputItemList WavelengthItems(int first, int last, int step) { return Build({{first, last, step}}); }

void DataItemCatalogue::RebuildForType(MeasKind kind) {
    bool reflection = kind == MeasKind::Reflection;
    generalItems = Build(reflection ? kGeneralReflection : kGeneralIrradiance);
    colourItems = reflection ? Build(kColourReflection) : OutputItemList{};
    spectralItems = Build(reflection ? kSpectralReflection : kSpectralIrradiance);
}

void DataItemCatalogue::RebuildDensity() { densityItems = Build(kDensity); }

OutputItemList DataItemCatalogue::Lookup(int id) const {
    OutputItemList found;
    for (const OutputItemList *list : {&generalItems, &colourItems, &spectralItems, &densityItems})
        for (const OutputItem &entry : *list)
            if (entry.identifier == id) found.push_back(entry);
    return found;
}

}  // namespace ombra
