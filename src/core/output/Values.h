// The values of one measurement: the selection of the current type expanded into single
// items, each with its value and the text written into its cell.
#pragma once

#include <string>

#include "core/instrument/MeasuredData.h"
#include "core/output/OutputItem.h"
#include "core/settings/AppSettings.h"

namespace ombra::core {

struct Comparison;
struct SampleSpread;

// Local date and time texts stamped when the measurement was taken, and the sample's name.
struct MeasurementStamp {
    std::string date;
    std::string time;
    std::string sampleName = {};  // empty: the sample has no name (the Sample item shows it missing)
};

class OutputValues {
public:
    OutputItemList outputItems;  // the selection in order, groups included, with values
    OutputItemList valueItems;   // the expanded selection with values
    int spectralCount = 0;       // spectral values group 1100 writes: 36 or 75
    int densityCount = 0;        // 351 per occurrence of group 2021

    // Replaces groups in `items` by their components (grid of the type position in force);
    // sets spectralCount and densityCount.
    void ExpandSelection(OutputItemList &items, const AppSettings &settings);
    // Fills every list from the first record of `data` and the settings. The comparison items
    // take their values from `comparison`; without one (no reference) they are not delivered.
    // The spread items take theirs from `spread`, the spread of the readings an averaged
    // measurement was made of; without one (a single reading) they are not delivered.
    void BuildValues(const AppSettings &settings, const CMeasuredData &data, const MeasurementStamp &stamp,
                     const Comparison *comparison = nullptr, const SampleSpread *spread = nullptr);
};

// Locale-independent fixed-point text ("." as decimal point), like "%0.<decimals>f".
std::string FormatFixed(double value, int decimals);
// "%d" of `value` truncated toward zero, saturated to the int range (NaN gives 0).
std::string FormatTruncated(double value);
// True for the value that stands for "not delivered" (the largest float32).
bool IsMissingValue(double value);

}  // namespace ombra::core
