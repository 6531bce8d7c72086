#include "core/instrument/Measure.h"

#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {

constexpr int kFirstSpotWavelength = 380;
constexpr int kLastSpotWavelength = 730;
constexpr int kSpotItemBase = 2000;  // item 2380..2730 is the density at item - 2000 nm

bool accepted(int32_t rc) { return rc == 0 || rc == DI_ERR_VALUE_UNAVAILABLE || rc == kResultNotAccepted; }

}  // namespace

uint32_t CMeasure::ResultMask(int32_t type, const std::string &modelName) {
    if (type != 1) return resultmask::kIrradiance;
    if (!modelName.empty() && modelName == platform::ResString(res::kStrModelNameType100)) return resultmask::kFullReflection;
    // Model string 1235, or a model that is neither: no spectrum is asked for.
    return resultmask::kReflectionNoSpectrum;
}

int CMeasure::RecordPlace(uint32_t bit) {
    using R = MeasuredDataRecord;
    switch (bit) {
    case 0x8000: return R::kSpectrum;
    case 0x1: return R::kColorValue0;
    case 0x2: return R::kColorValue1;
    case 0x4: return R::kColorValue3;
    case 0x8: return R::kColorValue2;
    case 0x10: return R::kColorValue4;
    case 0x20: return R::kDensitySet0;
    case 0x40: return R::kDensitySet1;
    case 0x80: return R::kDensitySet2;
    case 0x100: return R::kDensitySet3;
    case 0x200: return R::kDensitySet4;
    case 0x1000: return R::kColorIndex1;
    case 0x2000: return R::kColorIndex0;
    case 0x4000: return R::kColorIndex2;
    case 0x10000: return R::kColorValue6;
    default: return -1;
    }
}

int32_t CMeasure::Collect(CMeasuredData &data) {
    uint32_t mask = ResultMask(measurementType, identity_ ? identity_->ModelName() : std::string());
    data.SetHeaderForType(measurementType);
    if (measurementType == 1) data.Reserve(16);
    else if (measurementType == 4) data.Reserve(1);

    MeasuredDataRecord record;
    int32_t rc = 0;
    if (measurementType == 1 && (rc = collectSpotDensities(record)) != 0) return rc;
    if ((rc = collectResultItems(mask, data.spectralCount, record)) != 0) return rc;
    if (measurementType == 4) {
        float spectrum[kIrradianceSpectrumPoints] = {};
        if ((rc = adapter_.GetSpectrum(spectrum, kIrradianceSpectrumPoints)) != 0) return rc;
        for (int i = 0; i < kIrradianceSpectrumPoints; ++i)
            record.SetFloat(MeasuredDataRecord::kIrradianceSpectrumFirst + i, spectrum[i]);
    }
    data.Append(record);
    return 0;
}

// Automatic density first, then every wavelength or the selected ones; before any
// property is changed.
int32_t CMeasure::collectSpotDensities(MeasuredDataRecord &record) {
    int32_t wavelength = 0;
    float density = 0.f;
    int32_t rc = adapter_.GetSpotColorDensity(&wavelength, &density);
    if (rc != 0) return rc;
    record.SetFloat(MeasuredDataRecord::kAutoSpotDensity, density);
    record.SetInt(MeasuredDataRecord::kAutoSpotWavelength, wavelength);

    auto fetch = [&](int nm) {
        int32_t asked = nm;
        float value = 0.f;
        int32_t result = adapter_.GetSpotColorDensity(&asked, &value);
        if (result == 0) record.SetFloat(MeasuredDataRecord::SpotDensityIndex(nm), value);
        return result;
    };
    if (!selection_) return 0;
    if (selection_->DensitySpectrumSelected()) {
        for (int nm = kFirstSpotWavelength; nm <= kLastSpotWavelength; ++nm)
            if ((rc = fetch(nm)) != 0) return rc;
        return 0;
    }
    for (const OutputItem &item : selection_->DensitySpectrumItems()) {
        int nm = item.identifier - kSpotItemBase;
        if (nm < kFirstSpotWavelength || nm > kLastSpotWavelength) continue;  // not a spot item
        if ((rc = fetch(nm)) != 0) return rc;
    }
    return 0;
}

int32_t CMeasure::collectResultItems(uint32_t mask, int32_t spectrumCount, MeasuredDataRecord &record) {
    while (mask != 0) {
        std::optional<PropertyRow> row = FindPropertyRow(PropertyTable::ResultItem, mask);
        if (!row) break;  // bits without an item are never fetched
        int32_t rc = SetInstrumentProperty(row->id, row->value);
        if (rc != 0) return rc;
        rc = fetchItem(row->bit, spectrumCount, record);
        if (!accepted(rc)) return rc;
        mask &= ~row->bit;
    }
    return 0;
}

int32_t CMeasure::fetchItem(uint32_t bit, int32_t spectrumCount, MeasuredDataRecord &record) {
    float *place = record.FloatsAt(RecordPlace(bit));
    if (bit == resultmask::kSpectrum) return adapter_.GetSpectrum(place, spectrumCount);
    if (bit <= 0x10 || bit == 0x10000) return adapter_.GetColor(place);
    if (bit <= 0x200) return adapter_.GetDensity(place);
    return adapter_.GetColorIndex(place);
}

}  // namespace ombra::core
