/* The instrument library: 21 C functions, each returning an int32 status
 * (0 = success). Records are little-endian with 32-bit fields. */
#ifndef FXAPI_H
#define FXAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int32_t DIHANDLE; /* 0 = no device */

typedef struct DIDeviceInfo {          /* 104 bytes */
    int32_t reserved0;                 /* offset 0 */
    int32_t reserved1;                 /* offset 4 */
    int32_t serialNumber;              /* offset 8 */
    uint32_t versionWord1;             /* offset 12 */
    uint32_t versionWord2;             /* offset 16 */
    uint8_t reserved2[80];             /* offset 20..99 */
    int32_t modelType;                 /* offset 100: 100 or 200 */
} DIDeviceInfo;

typedef struct DIButtonStatus {        /* 8 bytes */
    int32_t irradianceTrigger;         /* first status value: 1 pressed, 0 released */
    int32_t reflectionTrigger;         /* second status value */
} DIButtonStatus;

#define DI_USER_ILLUMINANT_POINTS 97   /* 300..780 nm in 5 nm steps */
typedef struct DIUserIlluminant {      /* 388 bytes */
    float power[DI_USER_ILLUMINANT_POINTS];
} DIUserIlluminant;

#define DI_COLORSET_RECORD_SIZE 1260
#define DI_COLORSET_SLOTS 50

/* Result codes with a meaning to callers. */
#define DI_OK 0
#define DI_ERR_CALIBRATION_DUE 19
#define DI_ERR_NO_USER_ILLUMINANT 29  /* DIGetUserIlluminant: none has been registered */
#define DI_ERR_VALUE_UNAVAILABLE 31
#define DI_ERR_COLORSET_EMPTY 33
#define DI_ERR_WHITE_CALIBRATION_DUE 34
#define DI_ERR_NOT_SUPPORTED 10001
#define DI_ERR_IDENTITY_UNUSABLE 10003

/* Failures the library itself detects. They use the instrument's own codes wherever one
 * describes the situation, so that a program turning codes into messages can explain them:
 *   20001 DI_ERR_NO_DEVICE      DIEnumDevice: no further device could be opened (never shown).
 *       4 DI_ERR_DEVICE_GONE    communication failed: the device vanished (unplugged, its server
 *                               stopped); the handle stays unusable until DICloseDevice releases it.
 *       5 DI_ERR_TIMEOUT        the device did not answer in time (1 s; 5 s for a measurement
 *                               or a calibration). The handle stays usable, unless the request
 *                               itself could only be sent in part. DIEnumDevice: no device
 *                               answered within its 1 s, connecting included.
 *   10002 DI_ERR_BAD_HANDLE     the handle is not open in this process.
 *       1 DI_ERR_BAD_ARGUMENT   a null pointer, a slot outside 0..49, a spectrum count
 *                               outside 1..97, an unknown property id or calibration kind.
 *      35 DI_ERR_DEVICE_BUSY    the device is in use by another client.
 *   10000 DI_ERR_PROTOCOL       the device's answer could not be understood: a success (0 or 31)
 *                               without its whole record, or a stream out of step (the handle is
 *                               then unusable).
 *      16 DI_ERR_NO_MEASUREMENT a result was asked for before any measurement.
 *   20002 DI_ERR_UNTRUSTED_FOLDER DIEnumDevice: the device folder ($FXSIM_DIR, else
 *                               $XDG_RUNTIME_DIR/fxsim, else /tmp/fxsim-<uid>) is refused because
 *                               it is a symbolic link, not a folder, owned by another user or
 *                               writable by group or others; the path and the reason are written
 *                               once to the standard error output. A device socket whose server
 *                               runs under another user is skipped the same way. */
#define DI_ERR_NO_DEVICE 20001
#define DI_ERR_DEVICE_GONE 4
#define DI_ERR_TIMEOUT 5
#define DI_ERR_BAD_HANDLE 10002
#define DI_ERR_BAD_ARGUMENT 1
#define DI_ERR_DEVICE_BUSY 35
#define DI_ERR_PROTOCOL 10000
#define DI_ERR_NO_MEASUREMENT 16
#define DI_ERR_UNTRUSTED_FOLDER 20002

/* Calibration status values of the virtual instrument: 0 ready; 2 and 5 ready, with a
 * calibration reminder; 3 zero and white calibration due (a measurement answers 19);
 * 4 white calibration due (a measurement answers 34). */
#define DI_CALIB_READY 0
#define DI_CALIB_DUE 3
#define DI_CALIB_WHITE_DUE 4
#define DI_CALIBRATION_WHITE 7

int32_t DIEnumDevice(DIHANDLE *handle);
int32_t DICloseDevice(DIHANDLE handle);
int32_t DISetProperty(DIHANDLE handle, int32_t id, int32_t *value);
int32_t DIGetButtonStatus(DIHANDLE handle, DIButtonStatus *status);
int32_t DIDoMeasurement(DIHANDLE handle);
int32_t DIDoCalibration(DIHANDLE handle, int32_t kind);
int32_t DIDoPolarizationCalib(DIHANDLE handle);
int32_t DIGetCalibrateStatus(DIHANDLE handle, int32_t *status);
int32_t DIGetSpectrum(DIHANDLE handle, int32_t reserved, float *values, int32_t count);
int32_t DIGetColor(DIHANDLE handle, int32_t reserved, float *values3);
int32_t DIGetDensity(DIHANDLE handle, int32_t reserved, float *values4);
int32_t DIGetColorIndex(DIHANDLE handle, int32_t reserved, float *values);
int32_t DIGetSpotColorDensity(DIHANDLE handle, int32_t reserved, int32_t *wavelength, float *density);
int32_t DIGetDevInfo(DIHANDLE handle, DIDeviceInfo *info);
int32_t DIRegUserIlluminant(DIHANDLE handle, DIUserIlluminant *illuminant);
int32_t DIGetUserIlluminant(DIHANDLE handle, DIUserIlluminant *illuminant);
int32_t DIGetCertificationColorSet(DIHANDLE handle, int32_t slot, void *record1260);
int32_t DISetCertificationColorSet(DIHANDLE handle, int32_t slot, void *record1260);
int32_t DIClearCertificationColorSet(DIHANDLE handle, int32_t slot);
int32_t DISetPolFilterCondition(DIHANDLE handle, int32_t condition);
int32_t DIGetPolFilterCondition(DIHANDLE handle, int32_t *first, int32_t *second);

#ifdef __cplusplus
}
static_assert(sizeof(DIDeviceInfo) == 104, "device identity record is 104 bytes");
static_assert(sizeof(DIButtonStatus) == 8, "button status record is 8 bytes");
static_assert(sizeof(DIUserIlluminant) == 388, "user illuminant record is 388 bytes");
#endif

#endif
