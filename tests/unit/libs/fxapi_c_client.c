/* Opens the instrument library at run time, as a C caller does, and prints the identity of
 * the first device it can open. Exit 0 on success. */
#include <dlfcn.h>
#include <stddef.h>
#include <stdio.h>

#include "fxapi/fxapi.h"

_Static_assert(sizeof(DIDeviceInfo) == 104, "identity record size");
_Static_assert(offsetof(DIDeviceInfo, serialNumber) == 8, "serial offset");
_Static_assert(offsetof(DIDeviceInfo, versionWord1) == 12, "version offset");
_Static_assert(offsetof(DIDeviceInfo, versionWord2) == 16, "version offset");
_Static_assert(offsetof(DIDeviceInfo, modelType) == 100, "model offset");

typedef int32_t (*EnumFn)(DIHANDLE *);
typedef int32_t (*InfoFn)(DIHANDLE, DIDeviceInfo *);
typedef int32_t (*CloseFn)(DIHANDLE);

int main(int argc, char **argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s LIBRARY\n", argv[0]);
        return 2;
    }
    void *library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        fprintf(stderr, "dlopen: %s\n", dlerror());
        return 3;
    }
    EnumFn enumDevice = (EnumFn)dlsym(library, "DIEnumDevice");
    InfoFn devInfo = (InfoFn)dlsym(library, "DIGetDevInfo");
    CloseFn closeDevice = (CloseFn)dlsym(library, "DICloseDevice");
    if (!enumDevice || !devInfo || !closeDevice) {
        fprintf(stderr, "missing symbol\n");
        return 4;
    }
    DIHANDLE handle = 0;
    int32_t status = enumDevice(&handle);
    if (status != 0) {
        fprintf(stderr, "DIEnumDevice: %d\n", (int)status);
        return 5;
    }
    DIDeviceInfo info;
    status = devInfo(handle, &info);
    closeDevice(handle);
    if (status != 0) {
        fprintf(stderr, "DIGetDevInfo: %d\n", (int)status);
        return 6;
    }
    printf("serial=%d model=%d version=%u.%u\n", (int)info.serialNumber, (int)info.modelType,
           (unsigned)info.versionWord1, (unsigned)info.versionWord2);
    dlclose(library);
    return 0;
}
