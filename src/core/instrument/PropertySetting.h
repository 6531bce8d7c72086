// A short-lived user of the instrument: a stack instance keeps the instrument open across a
// group of calls. It also reads the identity of the open instrument.
#pragma once

#include <cstdint>
#include <string>

#include "instrument/VireoDllAdapter.h"
#include "settings/AppSettings.h"

namespace ombra::core {

// Model type codes of the identity record.
constexpr int32_t kModelTypeFull = 100;        // model name: string 1234
constexpr int32_t kModelTypeReflection = 200;  // model name: string 1235 (reflection only)

class CPropertySetting {
public:
    CPropertySetting() = default;
    // The identity read is also written into `settings` (model, serial, and the measurement
    // type of a reflection-only model).
    explicit CPropertySetting(AppSettings &settings) : settings_(&settings) {}
    virtual ~CPropertySetting() = default;

    // Reads the identity of the open instrument. On success sets the settings' modelName
    // and serialNumberText (when it was given settings) and the connected model name, fills `model`, `serial` and `label` ("model : serial") and
    // returns 0. A failed read returns the library's code; an identity whose version words
    // are too old returns 10003. In both cases the three strings are left as they were.
    int32_t QueryDeviceIdentity(std::string &label, std::string &model, std::string &serial);

    CVireoDllAdapter &Adapter() { return adapter_; }

private:
    CVireoDllAdapter adapter_;
    AppSettings *settings_ = nullptr;
};

// The model name for a type code: string 1234, string 1235 or empty.
std::string ModelNameForType(int32_t modelType);

}  // namespace ombra::core
