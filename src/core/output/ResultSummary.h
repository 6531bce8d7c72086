// What the result panel shows of one measurement, taken from its journal entry: the spectrum
// as recorded, the colour for the screen, the first values as the sheet got them, where they
// went (or why not) and the settings in force.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/output/MeasurementJournal.h"

namespace ombra::core {

struct SpectrumPoint {
    double nm = 0;
    double value = 0;  // reflectance in percent, or irradiance in W m^-2 nm^-1

    bool operator==(const SpectrumPoint &) const = default;
};

struct ResultSummary {
    bool irradiance = false;
    std::vector<SpectrumPoint> spectrum;
    // The swatch: sRGB 0..255; for a reflection the sample's L*a*b* (D50, 2°), for a light its
    // chromaticity. None when the spectrum holds no colour.
    std::optional<std::array<int, 3>> swatch;
    bool outOfGamut = false;
    std::array<double, 3> labD50{};  // reflection only
    // Irradiance: illuminance, correlated colour temperature and Δuv as the instrument gave them.
    double lux = 0, cct = 0, duv = 0;
    // The first items of the selection, label and value text as written into the cells.
    std::vector<std::pair<std::string, std::string>> firstValues;
    bool written = false;
    std::string where;        // "Book1.ods › Sheet1 › A3:I4", or why it was not written
    std::string settingsLine;  // the measurement settings in force, one line
    std::string stamp;         // date and time of the measurement
};

// How many items of the selection the panel lists.
inline constexpr size_t kPanelValueCount = 12;

// The spectrum of a recorded measurement point for point: reflection 380..730 nm / 10 nm in
// percent, irradiance 360..730 nm / 5 nm; places without a value are left out.
std::vector<SpectrumPoint> RecordedSpectrum(const JournalEntry &entry);

// "Book1.ods › Sheet1 › A3:I4" (one cell: "… › A3").
std::string WhereText(const TransferOutcome &outcome);

// The panel's contents for an entry. `missText` says why the cells were not written when the
// entry's outcome is not Written (empty: the journal's own words for the outcome).
ResultSummary SummariseEntry(const JournalEntry &entry, const std::string &missText = {});

}  // namespace ombra::core
