#include "core/instrument/ConnectedDevice.h"

#include <mutex>

namespace ombra::core {
namespace {

// The identity is read on the session's thread and shown on the window's.
std::mutex &Lock() {
    static std::mutex lock;
    return lock;
}
std::optional<ConnectedDevice> &Device() {
    static std::optional<ConnectedDevice> device;
    return device;
}
std::string &OfficeVersion() {
    static std::string version;
    return version;
}

}  // namespace

void SetConnectedDevice(std::optional<ConnectedDevice> device) {
    std::lock_guard<std::mutex> hold(Lock());
    Device() = std::move(device);
}

std::optional<ConnectedDevice> LastConnectedDevice() {
    std::lock_guard<std::mutex> hold(Lock());
    return Device();
}

void SetOfficeConnectionVersion(const std::string &version) {
    std::lock_guard<std::mutex> hold(Lock());
    OfficeVersion() = version;
}

std::string OfficeConnectionVersion() {
    std::lock_guard<std::mutex> hold(Lock());
    return OfficeVersion();
}

}  // namespace ombra::core
