// After the instrument has taken a measurement, fetches every result that the measurement
// type and the instrument model provide into one measured-data record.
#pragma once

#include <cstdint>
#include <string>

#include "core/instrument/MeasuredData.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/settings/AppSettings.h"

namespace ombra::core {

namespace resultmask {
constexpr uint32_t kFullReflection = 0xF3FF;      // spectrum, colour values 0..4, densities, indexes
constexpr uint32_t kReflectionNoSpectrum = 0x73FF; // the same without the spectrum
constexpr uint32_t kIrradiance = 0x10004;         // colour values 3 and 6
constexpr uint32_t kSpectrum = 0x8000;
}  // namespace resultmask

class CMeasure {
public:
    static constexpr int kIrradianceSpectrumPoints = 75;  // 360..730 nm in 5 nm steps

    CMeasure() = default;
    // The model name and the spot-density choice are read from `identity` and `selection` at
    // each collection.
    CMeasure(const InstrumentIdentity &identity, const SelectionSettings &selection)
        : identity_(&identity), selection_(&selection) {}
    virtual ~CMeasure() = default;

    // Single-bit measurement type: 1 reflection, 4 irradiance (2 like 4 without spectrum).
    int32_t measurementType = 1;

    // Fetches the results of the measurement just taken and appends one record to `data`.
    // Returns 0, or the first failing instrument result (then nothing is appended).
    int32_t Collect(CMeasuredData &data);

    // The result items fetched for a measurement type and model name. For reflection, an
    // instrument that is neither known model gets every item but the spectrum.
    static uint32_t ResultMask(int32_t type, const std::string &modelName);

    // Place in the record where the result item `bit` is stored (-1 for no item).
    static int RecordPlace(uint32_t bit);

private:
    int32_t collectSpotDensities(MeasuredDataRecord &record);
    // `spectrumCount`: the spectral points of the data's grid (36 or 97).
    int32_t collectResultItems(uint32_t mask, int32_t spectrumCount, MeasuredDataRecord &record);
    int32_t fetchItem(uint32_t bit, int32_t spectrumCount, MeasuredDataRecord &record);

    CVireoDllAdapter adapter_;
    // None: no model known, no spot densities.
    const InstrumentIdentity *identity_ = nullptr;
    const SelectionSettings *selection_ = nullptr;
};

}  // namespace ombra::core
