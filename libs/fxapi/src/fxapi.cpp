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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "fxproto.h"
#include "fxtrust.h"

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

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<long long>(0, left.count()));
}

// A refusal is written to the standard error output once per path and reason, so that the
// person running the program learns why no instrument is found.
void ReportOnce(const std::string &message) {
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.insert(message).second) std::fprintf(stderr, "fxAPI: %s\n", message.c_str());
}

void ReportRefusedFolder(const std::string &dir, const std::string &why) {
    ReportOnce("refusing the device folder " + dir + ": " + why);
}

void ReportRefusedPeer(const std::string &path) {
    ReportOnce("refusing the device socket " + path + ": it is served by another user");
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
    // `seq` is the sequence number of the last request already exchanged on `fd`.
    Connection(int fd, std::string name, uint32_t seq = 0) : fd_(fd), name_(std::move(name)), seq_(seq) {}
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

    // A request that left only in part cannot be completed later without mixing it with the
    // next one: the stream is then broken for good.
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
                if (left == 0 || (::poll(&pfd, 1, left) == 0 && RemainingMs(deadline) == 0)) {
                    if (done > 0) gone_ = true;
                    return DI_ERR_TIMEOUT;
                }
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
    // An answer that counts as a result must carry the whole record: an empty or short one
    // would otherwise pass for a record of zeros.
    const int32_t result = response.header.result;
    const bool carriesRecord = outSize > 0 && (result == DI_OK || result == DI_ERR_VALUE_UNAVAILABLE);
    if (carriesRecord && response.payload.size() != outSize) return DI_ERR_PROTOCOL;
    if (!response.payload.empty()) {
        if (response.payload.size() != outSize || !out) return DI_ERR_PROTOCOL;
        std::memcpy(out, response.payload.data(), outSize);
    }
    return result;
}

// One device being opened by an enumeration. All devices are asked at once, so that one that
// does not answer (a stopped server, a socket nobody serves) costs no more than the
// enumeration's own deadline and does not hide the devices after it.
struct Probe {
    enum State { Connecting, Waiting, Answered, Failed };

    Probe(std::string deviceName, std::string socketPath) : name(std::move(deviceName)), path(std::move(socketPath)) {}
    ~Probe() {
        if (fd >= 0) ::close(fd);
    }
    Probe(const Probe &) = delete;
    Probe &operator=(const Probe &) = delete;

    bool Pending() const { return state == Connecting || state == Waiting; }

    // Connects without waiting: a server that does not accept (its queue full) is tried again
    // at the next round. Once connected, the peer is checked and the opening request sent.
    void TryConnect() {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (path.size() >= sizeof(address.sun_path)) return Fail();
        std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
        if (fd < 0) fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) return Fail();
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0 && errno != EISCONN) {
            if (errno == EAGAIN || errno == EINPROGRESS || errno == EALREADY || errno == EINTR) return;
            return Fail();  // a stale socket file, or the device just vanished
        }
        if (!fxproto::PeerIsThisUser(fd)) {
            ReportRefusedPeer(path);
            return Fail();
        }
        fxproto::Request request;
        request.header = {fxproto::kRequestMagic, seq, static_cast<int32_t>(Op::EnumDevice), 0, 0, 0};
        auto bytes = fxproto::Encode(request);
        // 24 bytes always fit into a new connection's buffer.
        if (::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) != static_cast<ssize_t>(bytes.size()))
            return Fail();
        state = Waiting;
    }

    void Read() {
        uint8_t buffer[512];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        if (n <= 0) return Fail();
        decoder.Feed(buffer, static_cast<size_t>(n));
        if (auto answer = decoder.Next(); answer && answer->header.seq == seq) {
            result = answer->header.result;
            state = Answered;
        } else if (decoder.Broken()) {
            Fail();
        }
    }

    void Fail() { state = Failed; }

    std::string name;
    std::string path;
    int fd = -1;
    State state = Connecting;
    uint32_t seq = 1;
    int32_t result = 0;
    fxproto::ResponseDecoder decoder;
};

struct Opening {
    int32_t status = DI_ERR_NO_DEVICE;
    Probe *chosen = nullptr;
};

// The outcome once the probes in name order are decided: the first that opened, or the first
// failure code other than "busy". A probe still pending holds the decision until `expired`.
std::optional<Opening> Decide(const std::vector<std::unique_ptr<Probe>> &probes, bool expired) {
    bool silent = false;
    for (const auto &probe : probes) {
        if (probe->Pending()) {
            if (!expired) return std::nullopt;
            silent = true;
            continue;
        }
        if (probe->state == Probe::Failed || probe->result == DI_ERR_DEVICE_BUSY) continue;
        if (probe->result == DI_OK) return Opening{DI_OK, probe.get()};
        return Opening{probe->result, nullptr};
    }
    return Opening{silent ? DI_ERR_TIMEOUT : DI_ERR_NO_DEVICE, nullptr};
}

Opening OpenFirstAnswering(std::vector<std::unique_ptr<Probe>> &probes, Clock::time_point deadline) {
    for (;;) {
        std::vector<pollfd> fds;
        std::vector<Probe *> waiting;
        bool connecting = false;
        for (auto &probe : probes) {
            if (probe->state == Probe::Connecting) probe->TryConnect();
            connecting |= probe->state == Probe::Connecting;
            if (probe->state == Probe::Waiting) {
                fds.push_back({probe->fd, POLLIN, 0});
                waiting.push_back(probe.get());
            }
        }
        const bool expired = Clock::now() >= deadline;
        if (auto decided = Decide(probes, expired)) return *decided;
        // A server whose queue is full gives no event to wait for: look again shortly.
        int wait = std::min(connecting ? 20 : 1000, std::max(1, RemainingMs(deadline)));
        if (::poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR) return Opening{DI_ERR_NO_DEVICE, nullptr};
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents) waiting[i]->Read();
    }
}

}  // namespace

FXAPI_EXPORT int32_t DIEnumDevice(DIHANDLE *handle) {
    if (!handle) return DI_ERR_BAD_ARGUMENT;
    const std::string dir = DeviceDirectory();
    if (std::string why = fxproto::UntrustedFolderReason(dir); !why.empty()) {
        if (why == "it does not exist") return DI_ERR_NO_DEVICE;  // no instrument running
        ReportRefusedFolder(dir, why);
        return DI_ERR_UNTRUSTED_FOLDER;
    }
    // Enumerations are serialised so that two threads never open the same device.
    static std::mutex enumerating;
    std::lock_guard enumLock(enumerating);
    std::vector<std::unique_ptr<Probe>> probes;
    for (const auto &name : DeviceNames(dir))
        if (!AlreadyOpen(name)) probes.push_back(std::make_unique<Probe>(name, dir + "/" + name));
    Opening opening = OpenFirstAnswering(probes, Clock::now() + std::chrono::milliseconds(kCallTimeoutMs));
    if (opening.status != DI_OK) return opening.status;
    Probe &chosen = *opening.chosen;
    auto connection = std::make_shared<Connection>(std::exchange(chosen.fd, -1), chosen.name, chosen.seq);
    auto &registry = Devices();
    std::lock_guard lock(registry.mutex);
    do {
        registry.lastHandle = registry.lastHandle == INT32_MAX ? 1 : registry.lastHandle + 1;
    } while (registry.open.count(registry.lastHandle));
    registry.open[registry.lastHandle] = connection;
    *handle = registry.lastHandle;
    return DI_OK;
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
    const int32_t result = response.header.result;
    const bool carriesRecord = result == DI_OK || result == DI_ERR_VALUE_UNAVAILABLE;
    if (size % sizeof(float) != 0 || size > 3 * sizeof(float) || (carriesRecord && size == 0)) return DI_ERR_PROTOCOL;
    if (size) std::memcpy(values, response.payload.data(), size);
    return result;
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
