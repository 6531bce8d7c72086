#include "core/instrument/DeviceEnumeration.h"

#include <chrono>

#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/InstrumentLink.h"
#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"
#include "core/instrument/VireoDllAdapter.h"
#include "corvexres/ResourceIds.h"

namespace ombra::core {
namespace {


void showStop(const NoticeSink &notify, int stringId) {
    if (notify) notify(MakeNotice(stringId, res::kStrMessageCaption, platform::mb::ICONHAND));
}

// A device just opened by the library: let it settle, then mark it connected and read
// its identity into `found`. Returns true when enumeration has to stop (list full).
bool takeOpenedDevice(EnumeratedDevices &found, int &count, CPropertySetting &setting, const NoticeSink &notify) {
    InstrumentPause(kSettleAfterOpenMs);
    if (const int32_t rc = SetInstrumentProperty(prop::kConnection, 1); rc != 0) {
        // A device that vanished while it was being opened is simply not found; one that
        // refused remote operation is told once, and letting it go again tells nothing more.
        if (!IsInstrumentLoss(rc)) showStop(notify, res::kStrRemoteSwitchFailed);
        SetConnectionFlag(0, NoticeSink{});
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

void releaseAll(const std::vector<DIHANDLE> &handles, const NoticeSink &notify) {
    for (DIHANDLE handle : handles) ReleaseDevice(handle, notify);
}

void releaseNotUsable(const EnumeratedDevices &found, const NoticeSink &notify) {
    releaseAll(found.unusable, notify);
    // A device that could not even tell who it is has most likely gone: releasing it is no news.
    releaseAll(found.unidentified, NoticeSink{});
}

}  // namespace

int32_t SetConnectionFlag(int32_t value, const NoticeSink &notify) {
    int32_t rc = SetInstrumentProperty(prop::kConnection, value);
    if (rc != 0) showStop(notify, res::kStrRemoteSwitchFailed);
    return rc;
}

void ReleaseDevice(DIHANDLE handle, const NoticeSink &notify) {
    DeviceHandle() = handle;
    SetConnectionFlag(0, notify);
    CloseOpenDevice();
}

int EnumerateDevices(EnumeratedDevices &found, const NoticeSink &notify) {
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
        if (takeOpenedDevice(found, count, setting, notify)) break;
    }
    return count;
}

bool ChooseDevice(EnumeratedDevices &found, int count, const NoticeSink &notify, const DeviceChooser &chooser,
                  InstrumentIdentity &identity) {
    if (count <= 0) {
        bool onlyRefused = !found.unusable.empty();
        releaseNotUsable(found, notify);
        showStop(notify, onlyRefused ? res::kStrOnlyUnsupportedFound : res::kStrNoInstrument);
        return false;
    }
    if (count == 1) {
        releaseNotUsable(found, notify);
        DeviceHandle() = found.handles[0];
        return true;
    }
    if (!chooser || !chooser(found.devices)) {
        for (int i = 0; i < count; ++i) ReleaseDevice(found.handles[i], notify);
        releaseNotUsable(found, notify);
        return false;
    }
    // Only a listed row can be kept: a choice outside the list falls back to the first row.
    int chosen = identity.SelectedInstrument();
    if (chosen < 0 || chosen >= count) identity.SetSelectedInstrument(chosen = 0);
    for (int i = 0; i < count; ++i)
        if (i != chosen) ReleaseDevice(found.handles[i], notify);
    releaseNotUsable(found, notify);
    DeviceHandle() = found.handles[chosen];
    return true;
}

}  // namespace ombra::core
