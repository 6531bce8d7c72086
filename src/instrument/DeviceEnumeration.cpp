#include "instrument/DeviceEnumeration.h"

#include <chrono>

#include "app/AppSettings.h"
#include "instrument/InstrumentLibrary.h"
#include "instrument/PropertySetting.h"
#include "instrument/PropertyTables.h"
#include "instrument/VireoDllAdapter.h"
#include "platform/MessageBox.h"
#include "platform/Resources.h"
#include "platform/WaitCursor.h"

namespace ombra {
namespace {

constexpr int kCaptionId = 1200;
constexpr int kConnectionFlagFailed = 1244;
constexpr int kNoDeviceFound = 1183;
constexpr int kOnlyRefusedDevices = 1401;

void showStop(QWidget *parent, int stringId) {
    platform::ShowMessageBox(parent, platform::ResString(stringId), platform::ResString(kCaptionId),
                             platform::mb::ICONHAND);
}

// A device just opened by the library: let it settle, then mark it connected and read
// its identity into `found`. Returns true when enumeration has to stop (list full).
bool takeOpenedDevice(EnumeratedDevices &found, int &count, CPropertySetting &setting, QWidget *parent) {
    InstrumentPause(kSettleAfterOpenMs);
    if (SetConnectionFlag(1, parent) != 0) {
        SetConnectionFlag(0, parent);
        CloseOpenDevice();
        return false;
    }
    DIHANDLE handle = DeviceHandle().load();
    std::string label, model, serial;
    int32_t rc = setting.QueryDeviceIdentity(label, model, serial);
    if (rc == 0) {
        found.devices[count] = {model, serial};
        found.handles[count] = handle;
        return ++count == kMaxListedDevices;
    }
    if (rc == kResultIdentityUnusable)
        found.unusable.push_back(handle);
    else
        found.unidentified.push_back(handle);  // kept open until the choice releases it
    return false;
}

void releaseAll(const std::vector<DIHANDLE> &handles, QWidget *parent) {
    for (DIHANDLE handle : handles) ReleaseDevice(handle, parent);
}

void releaseNotUsable(const EnumeratedDevices &found, QWidget *parent) {
    releaseAll(found.unusable, parent);
    releaseAll(found.unidentified, parent);
}

}  // namespace

int32_t SetConnectionFlag(int32_t value, QWidget *parent) {
    int32_t rc = SetInstrumentProperty(prop::kConnection, value);
    if (rc != 0) showStop(parent, kConnectionFlagFailed);
    return rc;
}

void ReleaseDevice(DIHANDLE handle, QWidget *parent) {
    DeviceHandle() = handle;
    SetConnectionFlag(0, parent);
    CloseOpenDevice();
}

int EnumerateDevices(EnumeratedDevices &found, QWidget *parent) {
    platform::WaitCursor waitCursor;
    CPropertySetting setting;  // keeps each opened device open while it is identified
    found.devices.clear();
    found.unusable.clear();
    found.unidentified.clear();
    int count = 0;
    // A failing attempt normally returns at once. Attempts that fail only after waiting (a
    // device that does not answer) stop the search once they have waited a second in all, so
    // a silent device cannot hold the window for a hundred time-outs.
    std::chrono::steady_clock::duration waitedInVain{};
    for (int attempt = 0; attempt < kEnumerationAttempts; ++attempt) {
        DIHANDLE opened = DeviceHandle().load();
        auto start = std::chrono::steady_clock::now();
        int32_t rc = LockedCall([&](const DIFunctions &di) { return di.DIEnumDevice(&opened); });
        if (rc != 0) {
            waitedInVain += std::chrono::steady_clock::now() - start;
            if (waitedInVain >= std::chrono::milliseconds(kEnumerationPatienceMs)) break;
            continue;
        }
        DeviceHandle() = opened;
        if (takeOpenedDevice(found, count, setting, parent)) break;
    }
    return count;
}

bool ChooseDevice(EnumeratedDevices &found, int count, QWidget *parent, const DeviceChooser &chooser) {
    if (count <= 0) {
        bool onlyRefused = !found.unusable.empty();
        releaseNotUsable(found, parent);
        showStop(parent, onlyRefused ? kOnlyRefusedDevices : kNoDeviceFound);
        return false;
    }
    if (count == 1) {
        releaseNotUsable(found, parent);
        DeviceHandle() = found.handles[0];
        return true;
    }
    if (!chooser || !chooser(found.devices)) {
        for (int i = 0; i < count; ++i) ReleaseDevice(found.handles[i], parent);
        releaseNotUsable(found, parent);
        return false;
    }
    // Only a listed row can be kept: a choice outside the list falls back to the first row.
    int chosen = Settings().selectedInstrument;
    if (chosen < 0 || chosen >= count) chosen = Settings().selectedInstrument = 0;
    for (int i = 0; i < count; ++i)
        if (i != chosen) ReleaseDevice(found.handles[i], parent);
    releaseNotUsable(found, parent);
    DeviceHandle() = found.handles[chosen];
    return true;
}

}  // namespace ombra
