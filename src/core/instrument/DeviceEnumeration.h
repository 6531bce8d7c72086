// Opening, identifying, choosing and releasing instruments. The connect command opens every
// attached instrument it can find, keeps the usable ones (at most ten), lets the user pick
// one when there are several, and releases and closes all the others.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/platform/Notice.h"
#include "core/settings/AppSettings.h"
#include "fxapi/fxapi.h"

namespace ombra::core {

constexpr int kMaxListedDevices = 10;
constexpr int kEnumerationAttempts = 100;
constexpr int kSettleAfterOpenMs = 500;
constexpr int kEnumerationPatienceMs = 1000;  // total wait of failing attempts before giving up

// Index (0..9) -> (model name, serial number), in the order the devices were found.
using DeviceList = std::map<int, std::pair<std::string, std::string>>;

struct EnumeratedDevices {
    std::array<DIHANDLE, kMaxListedDevices> handles{};
    DeviceList devices;
    std::vector<DIHANDLE> unusable;        // identity refused (10003)
    std::vector<DIHANDLE> unidentified;    // identity could not be read (any other code)
};

// Sets the connection flag (property 8) of the open device; on failure shows string 1244
// with the stop icon through `notify`. Returns the library's result.
int32_t SetConnectionFlag(int32_t value, const NoticeSink &notify);

// Releases the device `handle`: connection flag 0 (string 1244 on failure), then close.
// Afterwards the process-wide handle is 0.
void ReleaseDevice(DIHANDLE handle, const NoticeSink &notify);

// Opens every device the library offers in 100 attempts and
// returns the number of usable ones recorded in `found` (cleared first).
int EnumerateDevices(EnumeratedDevices &found, const NoticeSink &notify);

// Shows the device list and returns true when the user confirmed a choice, having
// written it to the selected instrument of the identity given to ChooseDevice.
using DeviceChooser = std::function<bool(const DeviceList &devices)>;

// Picks the device to keep after EnumerateDevices returned `count`: none (string 1401
// when only refused devices were seen, else 1183), the only one, or the user's choice
// through `chooser`. Every other opened device is released and closed. Returns true when
// the process-wide handle now holds the chosen device.
bool ChooseDevice(EnumeratedDevices &found, int count, const NoticeSink &notify, const DeviceChooser &chooser,
                  InstrumentIdentity &identity);

}  // namespace ombra::core
