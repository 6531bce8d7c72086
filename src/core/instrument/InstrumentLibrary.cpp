#include "core/instrument/InstrumentLibrary.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <chrono>
#include <thread>

#include "core/platform/Resources.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

// Stand-ins while no library is loaded: every call fails with the same code.
int32_t missingEnum(DIHANDLE *) { return kResultLibraryMissing; }
int32_t missingHandle(DIHANDLE) { return kResultLibraryMissing; }
template <class... Args>
int32_t missing(DIHANDLE, Args...) { return kResultLibraryMissing; }

DIFunctions missingTable() {
    DIFunctions t;
    t.DIEnumDevice = missingEnum;
    t.DICloseDevice = missingHandle;
    t.DISetProperty = missing<int32_t, int32_t *>;
    t.DIGetButtonStatus = missing<DIButtonStatus *>;
    t.DIDoMeasurement = missingHandle;
    t.DIDoCalibration = missing<int32_t>;
    t.DIDoPolarizationCalib = missingHandle;
    t.DIGetCalibrateStatus = missing<int32_t *>;
    t.DIGetSpectrum = missing<int32_t, float *, int32_t>;
    t.DIGetColor = missing<int32_t, float *>;
    t.DIGetDensity = missing<int32_t, float *>;
    t.DIGetColorIndex = missing<int32_t, float *>;
    t.DIGetSpotColorDensity = missing<int32_t, int32_t *, float *>;
    t.DIGetDevInfo = missing<DIDeviceInfo *>;
    t.DIRegUserIlluminant = missing<DIUserIlluminant *>;
    t.DIGetUserIlluminant = missing<DIUserIlluminant *>;
    t.DIGetCertificationColorSet = missing<int32_t, void *>;
    t.DISetCertificationColorSet = missing<int32_t, void *>;
    t.DIClearCertificationColorSet = missing<int32_t>;
    t.DISetPolFilterCondition = missing<int32_t>;
    t.DIGetPolFilterCondition = missing<int32_t *, int32_t *>;
    return t;
}

DIFunctions &table() {
    static DIFunctions instance = missingTable();
    return instance;
}

InstrumentPauseHook &pauseHook() {
    static InstrumentPauseHook instance;
    return instance;
}

template <class Fn>
bool resolve(void *lib, const char *name, Fn &slot, std::string &missingNames) {
    slot = reinterpret_cast<Fn>(dlsym(lib, name));
    if (!slot) missingNames += std::string(missingNames.empty() ? "" : ", ") + name;
    return slot != nullptr;
}

}  // namespace

std::string DefaultInstrumentLibraryPath() {
    return QCoreApplication::applicationDirPath().toStdString() + "/libfxAPI.so";
}

bool LoadInstrumentLibrary(const std::string &path, std::string *error) {
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        if (error) *error = dlerror();
        return false;
    }
    DIFunctions t;
    std::string missingNames;
#define OMBRA_RESOLVE(fn) resolve(lib, #fn, t.fn, missingNames)
    OMBRA_RESOLVE(DIEnumDevice); OMBRA_RESOLVE(DICloseDevice); OMBRA_RESOLVE(DISetProperty);
    OMBRA_RESOLVE(DIGetButtonStatus); OMBRA_RESOLVE(DIDoMeasurement); OMBRA_RESOLVE(DIDoCalibration);
    OMBRA_RESOLVE(DIDoPolarizationCalib); OMBRA_RESOLVE(DIGetCalibrateStatus); OMBRA_RESOLVE(DIGetSpectrum);
    OMBRA_RESOLVE(DIGetColor); OMBRA_RESOLVE(DIGetDensity); OMBRA_RESOLVE(DIGetColorIndex);
    OMBRA_RESOLVE(DIGetSpotColorDensity); OMBRA_RESOLVE(DIGetDevInfo); OMBRA_RESOLVE(DIRegUserIlluminant);
    OMBRA_RESOLVE(DIGetUserIlluminant); OMBRA_RESOLVE(DIGetCertificationColorSet);
    OMBRA_RESOLVE(DISetCertificationColorSet); OMBRA_RESOLVE(DIClearCertificationColorSet);
    OMBRA_RESOLVE(DISetPolFilterCondition); OMBRA_RESOLVE(DIGetPolFilterCondition);
#undef OMBRA_RESOLVE
    if (!missingNames.empty()) {
        
        if (error) *error = platform::ResString(res::kStrMissingFunctions, {missingNames});
        dlclose(lib);
        return false;
    }
    table() = t;  // the library stays loaded for the life of the process
    return true;
}

const DIFunctions &Instrument() { return table(); }

DIFunctions InstallInstrumentFunctions(const DIFunctions &newTable) {
    DIFunctions previous = table();
    table() = newTable;
    return previous;
}

std::atomic<DIHANDLE> &DeviceHandle() {
    static std::atomic<DIHANDLE> handle{0};
    return handle;
}

namespace {
std::mutex modelNameLock;
std::string &modelNameStorage() {
    static std::string name;
    return name;
}
}  // namespace

std::string ConnectedModelName() {
    std::lock_guard<std::mutex> guard(modelNameLock);
    return modelNameStorage();
}

void SetConnectedModelName(const std::string &modelName) {
    std::lock_guard<std::mutex> guard(modelNameLock);
    modelNameStorage() = modelName;
}

std::mutex &InstrumentLock() {
    static std::mutex lock;
    return lock;
}

void InstrumentPause(int milliseconds) {
    if (pauseHook()) {
        pauseHook()(milliseconds);
        return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

InstrumentPauseHook SetInstrumentPauseHook(InstrumentPauseHook hook) {
    std::swap(pauseHook(), hook);
    return hook;
}

}  // namespace ombra::core
