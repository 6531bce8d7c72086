#include "core/illuminant/ColorCalculation.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

#include "core/platform/Executable.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {

using RawSpectrumToColor = int (*)(const float *, int, void *);

// Laid out as the library expects: three int32 codes, then the three values it fills.
struct ColorRequest {
    int32_t code;
    int32_t reserved;
    int32_t kind;
    float values[3];
};
static_assert(sizeof(ColorRequest) == 24, "the colour request is 24 bytes");

SpectrumToColorFunction &testFunction() {
    static SpectrumToColorFunction function;
    return function;
}

// Loaded once by absolute path, so no other library of that name can stand in; the handle
// stays open for the life of the process.
RawSpectrumToColor libraryFunction() {
    static std::once_flag once;
    static RawSpectrumToColor function = nullptr;
    std::call_once(once, [] {
        std::string path = ColorLibraryPath();
        if (path.empty() || path.front() != '/') return;
        void *handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return;
        function = reinterpret_cast<RawSpectrumToColor>(dlsym(handle, "SpectrumToColor"));
    });
    return function;
}

int callLibrary(const float *spectrum, int count, void *request) {
    if (testFunction()) return testFunction()(spectrum, count, request);
    RawSpectrumToColor function = libraryFunction();
    return function ? function(spectrum, count, request) : kColorLibraryMissing;
}

}  // namespace

std::string ColorLibraryPath() {
    std::string folder = platform::ExecutableDirectory();
    if (folder.empty()) return {};
    return (folder == "/" ? std::string() : folder) + "/libcalcolor.so";
}

SpectrumToColorFunction SetSpectrumToColorForTest(SpectrumToColorFunction function) {
    std::swap(testFunction(), function);
    return function;
}

int ComputeIlluminantResults(const UserIlluminantRecord &record, IlluminantResults &results) {
    float spectrum[kColorSpectrumCount];
    std::memcpy(spectrum, record.power + kColorSpectrumFirstPlace, sizeof spectrum);
    ColorRequest request{kColorRequestCode, kColorRequestReserved, kColorRequestKind, {0, 0, 0}};
    int result = callLibrary(spectrum, kColorSpectrumCount, &request);
    if (result == 0) results = {request.values[0], request.values[1], request.values[2]};
    return result;
}

int ColorResultMessageId(int result) {
    switch (result) {
    case 1: return res::kStrErrorInvalidParameter;
    case 2: return res::kStrErrorValueOutOfRange;
    case 3: return res::kStrErrorOutOfMemory;
    case 4: return res::kStrErrorFunctionNotSupported;
    case 5: return res::kStrColourCalcIlluminantInvalid;
    case 6: return res::kStrColourCalcObserverInvalid;
    case 7: return res::kStrColourCalcRangeUnsupported;
    case 8: return res::kStrColourCalcNoLight;
    case 9: return res::kStrColourCalcTemperatureOutOfRange;
    case 10: return res::kStrColourCalcValuesUnsupported;
    case 11:
    case 12: return res::kStrErrorSpectrumInvalid;
    case 13: return res::kStrColourCalcInternalError;
    default: return res::kStrColourCalcFailed;
    }
}

}  // namespace ombra::core
