#include "core/illuminant/LightSourceMeasurement.h"

#include <algorithm>

#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"

namespace ombra::core {
namespace {

// Measures and takes the values over; `typeSet` and `observerSet` say what was changed.
int32_t measure(CVireoDllAdapter &adapter, UserIlluminantRecord &record, IlluminantResults &results,
                bool &typeSet, bool &observerSet, bool &recordChanged) {
    if (int32_t rc = SetPropertyFromMask(PropertyTable::MeasurementType, kIrradianceTypeMask)) return rc;
    typeSet = true;
    if (int32_t rc = SetPropertyFromMask(PropertyTable::Observer, kTwoDegreeObserverMask)) return rc;
    observerSet = true;
    if (int32_t rc = adapter.DoMeasurement()) return rc;
    if (int32_t rc = SetPropertyFromMask(PropertyTable::ResultItem, kLightSourceValuesItem)) return rc;
    float values[3] = {0, 0, 0};
    if (int32_t rc = adapter.GetColor(values)) return rc;
    float spectrum[kIrradianceSpectrumCount] = {};
    if (int32_t rc = adapter.GetSpectrum(spectrum, kIrradianceSpectrumCount)) return rc;
    std::copy(std::begin(spectrum), std::end(spectrum), record.power + kColorSpectrumFirstPlace);
    results = {values[0], values[1], values[2]};
    recordChanged = true;
    return 0;
}

}  // namespace

LightSourceMeasurement MeasureLightSource(CVireoDllAdapter &adapter, uint32_t storedType, uint32_t storedObserver,
                                          UserIlluminantRecord &record, IlluminantResults &results) {
    LightSourceMeasurement outcome;
    bool typeSet = false;
    bool observerSet = false;
    outcome.code = measure(adapter, record, results, typeSet, observerSet, outcome.recordChanged);
    int32_t restored = 0;
    if (typeSet) restored = SetPropertyFromMask(PropertyTable::MeasurementType, storedType);
    if (observerSet) {
        int32_t rc = SetPropertyFromMask(PropertyTable::Observer, storedObserver);
        if (restored == 0) restored = rc;
    }
    if (outcome.code == 0) outcome.code = restored;
    return outcome;
}

}  // namespace ombra::core
