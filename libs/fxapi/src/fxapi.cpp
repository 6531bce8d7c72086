// The instrument library: every DI call is one request/response exchange with the device's
// server over a Unix-domain stream socket, bounded by a time-out.
#include "fxapi/fxapi.h"

#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "fxproto.h"

#define FXAPI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using fxproto::Op;
using Clock = std::chrono::steady_clock;

constexpr int kCallTimeoutMs = 1000;
constexpr int kLongCallTimeoutMs = 5000;

int TimeoutFor(Op op) {
    switch (op) {
    case Op::DoMeasurement:
    case Op::DoCalibration:
    case Op::DoPolarizationCalib:
        return kLongCallTimeoutMs;
    default:
        return kCallTimeoutMs;
    }
}

std::string DeviceDirectory() {
    if (const char *dir = std::getenv("FXSIM_DIR"); dir && *dir) return dir;
    if (const char *runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/fxsim";
    return "/tmp/fxsim-" + std::to_string(getuid());
}

// One open device: its socket and the sequence counter of its exchanges.
class Connection {
public:
    Connection(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
    ~Connection() {
        if (fd_ >= 0) ::close(fd_);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    const std::string &Name() const { return name_; }

    // Sends one request and waits for its answer. Serialised per connection.
    int32_t Call(Op op, int32_t arg0, int32_t arg1, const void *payload, size_t payloadSize,
                 fxproto::Response &response) {
        std::lock_guard lock(mutex_);
        if (gone_) return DI_ERR_DEVICE_GONE;
        fxproto::Request request;
        request.header = {fxproto::kRequestMagic, ++seq_, static_cast<int32_t>(op), arg0, arg1, 0};
        const auto *bytes = static_cast<const uint8_t *>(payload);
        if (payloadSize) request.payload.assign(bytes, bytes + payloadSize);
        auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutFor(op));
        int32_t sent = SendAll(fxproto::Encode(request), deadline);
        if (sent != DI_OK) return sent;
        return Receive(request.header.seq, deadline, response);
    }

private:
    int32_t Fail(int32_t code) {
        if (code == DI_ERR_DEVICE_GONE || code == DI_ERR_PROTOCOL) gone_ = true;
        return code;
    }

    static int RemainingMs(Clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return static_cast<int>(std::max<long long>(0, left.count()));
    }

    int32_t SendAll(const std::vector<uint8_t> &bytes, Clock::time_point deadline) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                pollfd pfd{fd_, POLLOUT, 0};
                int left = RemainingMs(deadline);
                if (left == 0) return DI_ERR_TIMEOUT;
                if (::poll(&pfd, 1, left) < 0 && errno != EINTR) return Fail(DI_ERR_DEVICE_GONE);
                continue;
            }
            return Fail(DI_ERR_DEVICE_GONE);
        }
        return DI_OK;
    }

    // Reads until the answer with our sequence number arrives; late answers to earlier,
    // timed-out requests are dropped on the way.
    int32_t Receive(uint32_t seq, Clock::time_point deadline, fxproto::Response &response) {
        for (;;) {
            while (auto message = decoder_.Next()) {
                if (message->header.seq != seq) continue;
                response = std::move(*message);
                return DI_OK;
            }
            if (decoder_.Broken()) return Fail(DI_ERR_PROTOCOL);
            pollfd pfd{fd_, POLLIN, 0};
            int left = RemainingMs(deadline);
            if (left == 0) return DI_ERR_TIMEOUT;
            int ready = ::poll(&pfd, 1, left);
            if (ready < 0 && errno == EINTR) continue;
            if (ready < 0) return Fail(DI_ERR_DEVICE_GONE);
            if (ready == 0) return DI_ERR_TIMEOUT;
            uint8_t buffer[4096];
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                decoder_.Feed(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
            return Fail(DI_ERR_DEVICE_GONE);  // end of stream or a socket error
        }
    }

    std::mutex mutex_;
    int fd_;
    std::string name_;
    uint32_t seq_ = 0;
    bool gone_ = false;
    fxproto::ResponseDecoder decoder_;
};

// Handles of this process and the devices they hold.
struct Registry {
    std::mutex mutex;
    std::map<DIHANDLE, std::shared_ptr<Connection>> open;
    DIHANDLE lastHandle = 0;
};

Registry &Devices() {
    static Registry registry;
    return registry;
}

std::shared_ptr<Connection> Lookup(DIHANDLE handle) {
    auto &registry = Devices();
    std::lock_guard lock(registry.mutex);
    auto found = registry.open.find(handle);
    return found == registry.open.end() ? nullptr : found->second;
}

std::vector<std::string> DeviceNames(const std::string &dir) {
    std::vector<std::string> names;
    DIR *d = ::opendir(dir.c_str());
    if (!d) return names;
    const std::string suffix = fxproto::kDeviceSuffix;
    while (dirent *entry = ::readdir(d)) {
        std::string name = entry->d_name;
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

int ConnectTo(const std::string &path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof(address.sun_path)) return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool AlreadyOpen(const std::string &name) {
    auto &registry = Devices();
    std::lock_guard lock(registry.mutex);
    return std::any_of(registry.open.begin(), registry.open.end(),
                       [&](const auto &entry) { return entry.second->Name() == name; });
}

// Result of a call whose answer carries a fixed-size record.
int32_t CallInto(DIHANDLE handle, Op op, int32_t arg0, int32_t arg1, void *out, size_t outSize,
                 const void *payload = nullptr, size_t payloadSize = 0) {
    auto connection = Lookup(handle);
    if (!connection) return DI_ERR_BAD_HANDLE;
    fxproto::Response response;
    int32_t status = connection->Call(op, arg0, arg1, payload, payloadSize, response);
    if (status != DI_OK) return status;
    if (!response.payload.empty()) {
        if (response.payload.size() != outSize || !out) return DI_ERR_PROTOCOL;
        std::memcpy(out, response.payload.data(), outSize);
    }
    return response.header.result;
}

}  // namespace

FXAPI_EXPORT int32_t DIEnumDevice(DIHANDLE *handle) {
    if (!handle) return DI_ERR_BAD_ARGUMENT;
    const std::string dir = DeviceDirectory();
    // Enumerations are serialised so that two threads never open the same device.
    static std::mutex enumerating;
    std::lock_guard enumLock(enumerating);
    for (const auto &name : DeviceNames(dir)) {
        if (AlreadyOpen(name)) continue;
        int fd = ConnectTo(dir + "/" + name);
        if (fd < 0) continue;  // a stale socket file, or the device just vanished
        auto connection = std::make_shared<Connection>(fd, name);
        fxproto::Response response;
        int32_t status = connection->Call(Op::EnumDevice, 0, 0, nullptr, 0, response);
        if (status == DI_ERR_DEVICE_GONE || status == DI_ERR_PROTOCOL) continue;
        if (status == DI_OK) status = response.header.result;
        if (status == DI_ERR_DEVICE_BUSY) continue;
        if (status != DI_OK) return status;
        auto &registry = Devices();
        std::lock_guard lock(registry.mutex);
        do {
            registry.lastHandle = registry.lastHandle == INT32_MAX ? 1 : registry.lastHandle + 1;
        } while (registry.open.count(registry.lastHandle));
        registry.open[registry.lastHandle] = connection;
        *handle = registry.lastHandle;
        return DI_OK;
    }
    return DI_ERR_NO_DEVICE;
}

FXAPI_EXPORT int32_t DICloseDevice(DIHANDLE handle) {
    std::shared_ptr<Connection> connection;
    {
        auto &registry = Devices();
        std::lock_guard lock(registry.mutex);
        auto found = registry.open.find(handle);
        if (found == registry.open.end()) return DI_ERR_BAD_HANDLE;
        connection = found->second;
        registry.open.erase(found);
    }
    // The handle is released whatever the device answers; the socket closes with the last
    // reference, after any call still running on another thread has ended.
    fxproto::Response response;
    int32_t status = connection->Call(Op::CloseDevice, 0, 0, nullptr, 0, response);
    if (status == DI_ERR_DEVICE_GONE) return DI_OK;  // nothing left to release on the far side
    return status != DI_OK ? status : response.header.result;
}

FXAPI_EXPORT int32_t DISetProperty(DIHANDLE handle, int32_t id, int32_t *value) {
    if (!value) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::SetProperty, id, *value, nullptr, 0);
}

FXAPI_EXPORT int32_t DIGetButtonStatus(DIHANDLE handle, DIButtonStatus *status) {
    if (!status) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetButtonStatus, 0, 0, status, sizeof(*status));
}

FXAPI_EXPORT int32_t DIDoMeasurement(DIHANDLE handle) {
    return CallInto(handle, Op::DoMeasurement, 0, 0, nullptr, 0);
}

FXAPI_EXPORT int32_t DIDoCalibration(DIHANDLE handle, int32_t kind) {
    return CallInto(handle, Op::DoCalibration, kind, 0, nullptr, 0);
}

FXAPI_EXPORT int32_t DIDoPolarizationCalib(DIHANDLE handle) {
    return CallInto(handle, Op::DoPolarizationCalib, 0, 0, nullptr, 0);
}

FXAPI_EXPORT int32_t DIGetCalibrateStatus(DIHANDLE handle, int32_t *status) {
    if (!status) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetCalibrateStatus, 0, 0, status, sizeof(*status));
}

FXAPI_EXPORT int32_t DIGetSpectrum(DIHANDLE handle, int32_t reserved, float *values, int32_t count) {
    if (!values || count < 1 || count > 97) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetSpectrum, reserved, count, values, sizeof(float) * static_cast<size_t>(count));
}

FXAPI_EXPORT int32_t DIGetColor(DIHANDLE handle, int32_t reserved, float *values3) {
    if (!values3) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetColor, reserved, 0, values3, 3 * sizeof(float));
}

FXAPI_EXPORT int32_t DIGetDensity(DIHANDLE handle, int32_t reserved, float *values4) {
    if (!values4) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetDensity, reserved, 0, values4, 4 * sizeof(float));
}

// The number of floats depends on the index chosen with property 7 (1, 2 or 3); the device
// sends exactly as many as that index has, and the caller's buffer is sized for it.
FXAPI_EXPORT int32_t DIGetColorIndex(DIHANDLE handle, int32_t reserved, float *values) {
    if (!values) return DI_ERR_BAD_ARGUMENT;
    auto connection = Lookup(handle);
    if (!connection) return DI_ERR_BAD_HANDLE;
    fxproto::Response response;
    int32_t status = connection->Call(Op::GetColorIndex, reserved, 0, nullptr, 0, response);
    if (status != DI_OK) return status;
    size_t size = response.payload.size();
    if (size % sizeof(float) != 0 || size > 3 * sizeof(float)) return DI_ERR_PROTOCOL;
    if (size) std::memcpy(values, response.payload.data(), size);
    return response.header.result;
}

FXAPI_EXPORT int32_t DIGetSpotColorDensity(DIHANDLE handle, int32_t reserved, int32_t *wavelength, float *density) {
    if (!wavelength || !density) return DI_ERR_BAD_ARGUMENT;
    struct {
        int32_t wavelength;
        float density;
    } answer{*wavelength, 0.0f};
    int32_t status = CallInto(handle, Op::GetSpotColorDensity, reserved, *wavelength, &answer, sizeof(answer));
    if (status == DI_OK || status == DI_ERR_VALUE_UNAVAILABLE) {
        *wavelength = answer.wavelength;
        *density = answer.density;
    }
    return status;
}

FXAPI_EXPORT int32_t DIGetDevInfo(DIHANDLE handle, DIDeviceInfo *info) {
    if (!info) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetDevInfo, 0, 0, info, sizeof(*info));
}

FXAPI_EXPORT int32_t DIRegUserIlluminant(DIHANDLE handle, DIUserIlluminant *illuminant) {
    if (!illuminant) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::RegUserIlluminant, 0, 0, nullptr, 0, illuminant, sizeof(*illuminant));
}

FXAPI_EXPORT int32_t DIGetUserIlluminant(DIHANDLE handle, DIUserIlluminant *illuminant) {
    if (!illuminant) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetUserIlluminant, 0, 0, illuminant, sizeof(*illuminant));
}

FXAPI_EXPORT int32_t DIGetCertificationColorSet(DIHANDLE handle, int32_t slot, void *record1260) {
    if (!record1260 || slot < 0 || slot >= DI_COLORSET_SLOTS) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::GetCertificationColorSet, slot, 0, record1260, DI_COLORSET_RECORD_SIZE);
}

FXAPI_EXPORT int32_t DISetCertificationColorSet(DIHANDLE handle, int32_t slot, void *record1260) {
    if (!record1260 || slot < 0 || slot >= DI_COLORSET_SLOTS) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::SetCertificationColorSet, slot, 0, nullptr, 0, record1260, DI_COLORSET_RECORD_SIZE);
}

FXAPI_EXPORT int32_t DIClearCertificationColorSet(DIHANDLE handle, int32_t slot) {
    if (slot < 0 || slot >= DI_COLORSET_SLOTS) return DI_ERR_BAD_ARGUMENT;
    return CallInto(handle, Op::ClearCertificationColorSet, slot, 0, nullptr, 0);
}

FXAPI_EXPORT int32_t DISetPolFilterCondition(DIHANDLE handle, int32_t condition) {
    return CallInto(handle, Op::SetPolFilterCondition, condition, 0, nullptr, 0);
}

FXAPI_EXPORT int32_t DIGetPolFilterCondition(DIHANDLE handle, int32_t *first, int32_t *second) {
    if (!first || !second) return DI_ERR_BAD_ARGUMENT;
    int32_t values[2] = {*first, *second};
    int32_t status = CallInto(handle, Op::GetPolFilterCondition, 0, 0, values, sizeof(values));
    if (status == DI_OK) {
        *first = values[0];
        *second = values[1];
    }
    return status;
}
