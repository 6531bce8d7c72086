// The data-item catalogue: every item a stored selection may name, its label, and the
// groups that stand for a fixed run of component items.
#pragma once

#include <vector>

#include "output/OutputItem.h"

namespace ombra {

enum class MeasKind { Reflection, Irradiance };

// Item identifiers with a meaning of their own in the program.
namespace item {
constexpr int kFirstWavelength = 300;
constexpr int kLastWavelength = 780;
constexpr int kFirstSpotDensity = 2380;  // 380 nm
constexpr int kLastSpotDensity = 2730;   // 730 nm
constexpr int kSpotDensityOffset = 2000; // identifier - offset = wavelength
constexpr int kFirstColourValue = 1000;
constexpr int kModelName = 2023;
constexpr int kSerialNumber = 2024;
constexpr int kDate = 1035;
constexpr int kTime = 1036;
constexpr int kBlank = 1044;
constexpr int kMeasTypeText = 1045;
constexpr int kPolarizationText = 1050;
constexpr int kAutoSpotDensity = 2020;
constexpr int kSpectrumGroup = 1100;
constexpr int kSpotDensityGroup = 2021;
constexpr int kLabGroup = 2000;
constexpr int kLchGroup = 2001;
}  // namespace item

bool IsWavelengthItem(int id);
bool IsSpotDensityItem(int id);
bool IsGroupItem(int id);
// True when group `group` stands for item `id`. Non-groups cover nothing.
bool GroupCovers(int group, int id);
// Components of a fixed group in order (empty for 1100 and 2021, whose runs depend on the
// grid, and for non-groups).
const std::vector<int> &FixedGroupComponents(int group);
// Label of any catalogue identifier: "%dnm", "D (%dnm)" or the text of its label string.
std::string ItemLabel(int id);
// An entry with identifier and label (value 0, empty value text).
OutputItem MakeItem(int id);
// Wavelength items `first`..`last` in steps of `step` with labels "%dnm".
OutputItemList WavelengthItems(int first, int last, int step);

class DataItemCatalogue {
public:
    OutputItemList generalItems;
    OutputItemList colourItems;    // reflection only
    OutputItemList spectralItems;
    OutputItemList densityItems;   // independent of the type

    // Refills the general, colour and spectral lists for `kind`.
    void RebuildForType(MeasKind kind);
    // Refills the density list.
    void RebuildDensity();
    // Every entry with identifier `id`: general, then colour, then spectral, then density.
    OutputItemList Lookup(int id) const;
};

}  // namespace ombra
