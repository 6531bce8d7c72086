// A short-lived user of the instrument: a stack instance keeps the instrument open across a
// group of calls. It also reads the identity of the open instrument.
#pragma once

#include <cstdint>
#include <string>

#include "core/instrument/VireoDllAdapter.h"
#include "core/settings/AppSettings.h"

namespace ombra::core {

// Model type codes of the identity record.
constexpr int32_t kModelTypeFull = 100;        // model name: string 1234
constexpr int32_t kModelTypeReflection = 200;  // model name: string 1235 (reflection only)

class CPropertySetting {
public:
    CPropertySetting() = default;
    // The identity read is also written into `identity` (model and serial) and, for a
    // reflection-only model, the measurement type in force into `measurement`.
    CPropertySetting(InstrumentIdentity &identity, MeasurementSettings &measurement)
        : identity_(&identity), measurement_(&measurement) {}
    virtual ~CPropertySetting() = default;

    // Reads the identity of the open instrument. On success sets the identity's model name
    // and serial number text (when it was given an identity) and the connected model name, fills `model`, `serial` and `label` ("model : serial") and
    // returns 0. A failed read returns the library's code; an identity whose version words
    // are too old returns 10003. In both cases the three strings are left as they were.
    int32_t QueryDeviceIdentity(std::string &label, std::string &model, std::string &serial);

    CVireoDllAdapter &Adapter() { return adapter_; }

private:
    CVireoDllAdapter adapter_;
    InstrumentIdentity *identity_ = nullptr;
    MeasurementSettings *measurement_ = nullptr;
};

// The model name for a type code: string 1234, string 1235 or empty.
std::string ModelNameForType(int32_t modelType);

}  // namespace ombra::core
