// The thin object through which the program talks to the instrument. Every live adapter
// counts as a user of the open instrument; the last one to go closes it. Each operation
// takes the instrument lock, makes exactly one library call with the process-wide device
// handle, releases the lock and returns the library's result unchanged.
#pragma once

#include <atomic>
#include <cstdint>

#include "core/instrument/InstrumentLibrary.h"

namespace ombra::core {

class CVireoDllAdapter {
public:
    CVireoDllAdapter();
    virtual ~CVireoDllAdapter();
    CVireoDllAdapter(const CVireoDllAdapter &) = delete;
    CVireoDllAdapter &operator=(const CVireoDllAdapter &) = delete;

    // Number of live adapters in the process.
    static int32_t Users() { return users_.load(); }

    // Afterwards the device handle is 0, whatever the library answered.
    int32_t CloseDevice();
    int32_t SetProperty(int32_t id, int32_t *value);
    int32_t DoMeasurement();
    int32_t DoCalibration(int32_t kind);
    int32_t GetSpectrum(float *values, int32_t count);
    int32_t GetColor(float *values3);
    int32_t GetColorIndex(float *values);
    int32_t GetDensity(float *values4);
    int32_t RegUserIlluminant(DIUserIlluminant *record);
    int32_t GetUserIlluminant(DIUserIlluminant *record);
    int32_t GetDevInfo(DIDeviceInfo *record);
    int32_t GetCalibrateStatus(int32_t *status);
    int32_t ClearCertificationColorSet(int32_t slot);
    int32_t SetPolFilterCondition(int32_t condition);
    int32_t DoPolarizationCalib();
    int32_t GetSpotColorDensity(int32_t *wavelength, float *density);
    int32_t GetPolFilterCondition(int32_t *first, int32_t *second);

private:
    static inline std::atomic<int32_t> users_{0};
};

// Closes the open device under the lock and sets the handle to 0 (whatever the result).
int32_t CloseOpenDevice();

}  // namespace ombra::core
