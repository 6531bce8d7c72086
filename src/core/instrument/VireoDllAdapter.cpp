#include "core/instrument/VireoDllAdapter.h"

namespace ombra::core {
namespace {

DIHANDLE handle() { return DeviceHandle().load(); }

}  // namespace

int32_t CloseOpenDevice() {
    int32_t rc = LockedCall([](const DIFunctions &di) { return di.DICloseDevice(handle()); });
    DeviceHandle() = 0;
    return rc;
}

CVireoDllAdapter::CVireoDllAdapter() { ++users_; }

// One atomic step decides who was last, so two adapters ending on two threads cannot both
// (or neither) close the instrument.
CVireoDllAdapter::~CVireoDllAdapter() {
    if (users_.fetch_sub(1) == 1 && handle() != 0) CloseOpenDevice();
}

int32_t CVireoDllAdapter::CloseDevice() { return CloseOpenDevice(); }

int32_t CVireoDllAdapter::SetProperty(int32_t id, int32_t *value) {
    return LockedCall([&](const DIFunctions &di) { return di.DISetProperty(handle(), id, value); });
}

int32_t CVireoDllAdapter::DoMeasurement() {
    return LockedCall([&](const DIFunctions &di) { return di.DIDoMeasurement(handle()); });
}

int32_t CVireoDllAdapter::DoCalibration(int32_t kind) {
    return LockedCall([&](const DIFunctions &di) { return di.DIDoCalibration(handle(), kind); });
}

int32_t CVireoDllAdapter::GetSpectrum(float *values, int32_t count) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetSpectrum(handle(), 0, values, count); });
}

int32_t CVireoDllAdapter::GetColor(float *values3) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetColor(handle(), 0, values3); });
}

int32_t CVireoDllAdapter::GetColorIndex(float *values) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetColorIndex(handle(), 0, values); });
}

int32_t CVireoDllAdapter::GetDensity(float *values4) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetDensity(handle(), 0, values4); });
}

int32_t CVireoDllAdapter::RegUserIlluminant(DIUserIlluminant *record) {
    return LockedCall([&](const DIFunctions &di) { return di.DIRegUserIlluminant(handle(), record); });
}

int32_t CVireoDllAdapter::GetUserIlluminant(DIUserIlluminant *record) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetUserIlluminant(handle(), record); });
}

int32_t CVireoDllAdapter::GetDevInfo(DIDeviceInfo *record) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetDevInfo(handle(), record); });
}

int32_t CVireoDllAdapter::GetCalibrateStatus(int32_t *status) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetCalibrateStatus(handle(), status); });
}

int32_t CVireoDllAdapter::ClearCertificationColorSet(int32_t slot) {
    return LockedCall([&](const DIFunctions &di) { return di.DIClearCertificationColorSet(handle(), slot); });
}

int32_t CVireoDllAdapter::SetPolFilterCondition(int32_t condition) {
    return LockedCall([&](const DIFunctions &di) { return di.DISetPolFilterCondition(handle(), condition); });
}

int32_t CVireoDllAdapter::DoPolarizationCalib() {
    return LockedCall([&](const DIFunctions &di) { return di.DIDoPolarizationCalib(handle()); });
}

int32_t CVireoDllAdapter::GetSpotColorDensity(int32_t *wavelength, float *density) {
    return LockedCall(
        [&](const DIFunctions &di) { return di.DIGetSpotColorDensity(handle(), 0, wavelength, density); });
}

int32_t CVireoDllAdapter::GetPolFilterCondition(int32_t *first, int32_t *second) {
    return LockedCall([&](const DIFunctions &di) { return di.DIGetPolFilterCondition(handle(), first, second); });
}

}  // namespace ombra::core
