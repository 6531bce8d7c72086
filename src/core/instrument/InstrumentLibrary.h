// The instrument library's 21 functions, resolved once into a table of pointers, and the
// process-wide instrument state: the open device's handle and the lock that serialises every
// call into the library. (The count of adapters in use is the adapter class's own.)
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "fxapi/fxapi.h"

namespace ombra::core {

// Result codes produced by the program itself (never by the library).
constexpr int32_t kResultIdentityUnusable = 10003;   // version words below the thresholds
constexpr int32_t kResultNoMatchingProperty = 10010; // a stored mask matches no table row
constexpr int32_t kResultLibraryMissing = 10011;     // the instrument library is not loaded

struct DIFunctions {
    decltype(&::DIEnumDevice) DIEnumDevice = nullptr;
    decltype(&::DICloseDevice) DICloseDevice = nullptr;
    decltype(&::DISetProperty) DISetProperty = nullptr;
    decltype(&::DIGetButtonStatus) DIGetButtonStatus = nullptr;
    decltype(&::DIDoMeasurement) DIDoMeasurement = nullptr;
    decltype(&::DIDoCalibration) DIDoCalibration = nullptr;
    decltype(&::DIDoPolarizationCalib) DIDoPolarizationCalib = nullptr;
    decltype(&::DIGetCalibrateStatus) DIGetCalibrateStatus = nullptr;
    decltype(&::DIGetSpectrum) DIGetSpectrum = nullptr;
    decltype(&::DIGetColor) DIGetColor = nullptr;
    decltype(&::DIGetDensity) DIGetDensity = nullptr;
    decltype(&::DIGetColorIndex) DIGetColorIndex = nullptr;
    decltype(&::DIGetSpotColorDensity) DIGetSpotColorDensity = nullptr;
    decltype(&::DIGetDevInfo) DIGetDevInfo = nullptr;
    decltype(&::DIRegUserIlluminant) DIRegUserIlluminant = nullptr;
    decltype(&::DIGetUserIlluminant) DIGetUserIlluminant = nullptr;
    decltype(&::DIGetCertificationColorSet) DIGetCertificationColorSet = nullptr;
    decltype(&::DISetCertificationColorSet) DISetCertificationColorSet = nullptr;
    decltype(&::DIClearCertificationColorSet) DIClearCertificationColorSet = nullptr;
    decltype(&::DISetPolFilterCondition) DISetPolFilterCondition = nullptr;
    decltype(&::DIGetPolFilterCondition) DIGetPolFilterCondition = nullptr;
};

// Path of libfxAPI.so beside the running executable.
std::string DefaultInstrumentLibraryPath();

// Opens the library at `path` (absolute) and resolves all 21 functions. On failure the
// current table stays in place and `error` (when given) says why.
bool LoadInstrumentLibrary(const std::string &path, std::string *error = nullptr);

// The table in use. Until a library is loaded every function answers kResultLibraryMissing
// (so enumeration simply finds no device).
const DIFunctions &Instrument();

// Puts `table` in place (tests install a scripted one) and returns the table it replaces.
// Only while no other thread is calling the library.
DIFunctions InstallInstrumentFunctions(const DIFunctions &table);

// The process-wide device handle (0: no instrument open).
std::atomic<DIHANDLE> &DeviceHandle();
// The model name of the instrument whose identity was read last (empty before); the
// error messages begin with it.
std::string ConnectedModelName();
void SetConnectedModelName(const std::string &modelName);

// The one lock around every library call.
std::mutex &InstrumentLock();

// Makes one library call under the instrument lock: `call(Instrument())`.
template <class Call>
int32_t LockedCall(Call &&call) {
    std::lock_guard<std::mutex> guard(InstrumentLock());
    return call(Instrument());
}

// The settle times of device handling (500 ms after a device is opened). Tests replace the
// waiting with a hook so the counts stay and the time goes; returns the previous hook.
void InstrumentPause(int milliseconds);
using InstrumentPauseHook = std::function<void(int milliseconds)>;
InstrumentPauseHook SetInstrumentPauseHook(InstrumentPauseHook hook);

}  // namespace ombra::core
