#include "core/instrument/PropertySetting.h"

#include <cstdio>

#include "core/instrument/ConnectedDevice.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {

namespace {
constexpr uint32_t kMinVersionWord1 = 1;
constexpr uint32_t kMinVersionWord2 = 20;
}  // namespace

std::string ModelNameForType(int32_t modelType) {
    if (modelType == kModelTypeFull) return platform::ResString(res::kStrModelNameType100);
    if (modelType == kModelTypeReflection) return platform::ResString(res::kStrModelNameType200);
    return {};
}

int32_t CPropertySetting::QueryDeviceIdentity(std::string &label, std::string &model, std::string &serial) {
    SetConnectedDevice(std::nullopt);
    DIDeviceInfo info{};
    int32_t rc = adapter_.GetDevInfo(&info);
    if (rc != 0) return rc;
    // Both words are unsigned: a "negative" word is a very large version, not an old one.
    if (info.versionWord1 < kMinVersionWord1 || info.versionWord2 < kMinVersionWord2)
        return kResultIdentityUnusable;

    char serialText[16];
    std::snprintf(serialText, sizeof serialText, "%d", static_cast<int>(info.serialNumber));
    std::string modelName = ModelNameForType(info.modelType);

    SetConnectedModelName(modelName);
    if (identity_) {
        if (info.modelType == kModelTypeReflection) {
            // This model measures reflection only (in force now; the model's stored settings
            // are loaded next).
            measurement_->InForce().MeasurementTypeSel = 0;
            measurement_->InForce().MeasurementType = 1;
        }
        identity_->SetModelName(modelName);
        identity_->SetSerialNumberText(serialText);
    }

    SetConnectedDevice(ConnectedDevice{modelName, serialText,
                                       std::to_string(info.versionWord1) + '.' + std::to_string(info.versionWord2)});
    serial = serialText;
    model = modelName;
    label = modelName + " : " + serial;
    return 0;
}

}  // namespace ombra::core
