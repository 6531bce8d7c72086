// One virtual instrument: its settings, its stored data and its answers to library requests.
// Plain logic without sockets, so that it can be driven directly.
#pragma once

#include <QJsonObject>
#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ResultEngine.h"
#include "Samples.h"
#include "fxproto.h"

namespace fxsim {

// How a device starts, as written in the scenario.
struct DeviceConfig {
    std::string name;
    int32_t model = 100;
    int32_t serial = 1000001;
    std::array<uint32_t, 2> version{1, 20};
    int32_t calibrationStatus = 0;  // ready
    std::array<int32_t, 2> polarization{0, 0};
    std::string sample = "paper";     // reflecting surface under the measuring head
    std::string light = "daylight";   // light source seen in irradiance mode
    bool userIlluminantSupported = true;  // false: value 14 refused for illuminant and condition
};

// Data a device keeps across restarts of the server.
struct StoredData {
    std::array<std::optional<std::vector<uint8_t>>, 50> colorSets;
    std::array<float, 97> userIlluminant{};
};

enum class Button { Reflection, Irradiance };

class Device {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int kPropertyCount = 9;

    Device(DeviceConfig config, const ResultEngine &engine);

    const DeviceConfig &Config() const { return config_; }

    // The answer to one request (fault injection included; delays are the caller's business).
    fxproto::Response Handle(const fxproto::Request &request);
    // How long the answer to this operation is held back, in ms.
    int DelayFor(fxproto::Op op) const;

    // The client went away: the connection flag drops.
    void ClientGone() { properties_[8] = 0; }

    // Control.
    void Press(Button button, std::optional<Clock::time_point> releaseAt);
    void Release();
    void Tick(Clock::time_point now);  // releases a held button when its time has come
    std::optional<Clock::time_point> NextEvent() const { return releaseAt_; }
    void SetSample(const Sample &sample);
    void Fail(fxproto::Op op, int32_t code, int times);  // times < 0: always; 0 clears
    void Delay(fxproto::Op op, int ms, int times = -1);  // times < 0: every call
    // The device is pulled out when the next request for `op` arrives, before it is answered.
    void UnplugDuring(fxproto::Op op) { faults_[op].unplug = true; }
    bool TakeUnplugDuring(fxproto::Op op);
    void ClearFaults();
    void SetCalibrationStatus(int32_t status) { calibrationStatus_ = status; }
    void SetPolarization(int32_t first, int32_t second) { polarization_ = {first, second}; }

    // Persisted data; Dirty() is set whenever it changed since the last TakeDirty().
    const StoredData &Stored() const { return stored_; }
    void Restore(const StoredData &data) { stored_ = data; }
    bool TakeDirty() { return std::exchange(dirty_, false); }

    bool plugged = true;
    bool connected = false;

    QJsonObject ToJson() const;
    // Counts a delayed answer: a delay given for a number of calls wears off.
    void DelayUsed(fxproto::Op op);
    int32_t Property(int id) const { return properties_.at(static_cast<size_t>(id)); }

private:
    int32_t SetProperty(int32_t id, int32_t value);
    bool Supports(int32_t id, int32_t value) const;
    int32_t Measure();
    fxproto::Response Execute(const fxproto::Request &request);

    struct Fault {
        int32_t code = 0;
        int remaining = 0;  // < 0: every call
        int delayMs = 0;
        int delayTimes = -1;  // < 0: every call
        bool unplug = false;
    };

    DeviceConfig config_;
    const ResultEngine &engine_;
    std::array<int32_t, kPropertyCount> properties_{0, 0, 0, 2, 2, 0, 0, 0, 0};
    int32_t calibrationStatus_;
    std::array<int32_t, 2> polarization_;
    std::array<int32_t, 2> buttons_{0, 0};  // irradiance, reflection
    // For scripts that drive the button: how often the client read the buttons, and whether it
    // has read them released since the last press (it then takes the next press as a new one).
    long long buttonReads_ = 0;
    bool releaseSeen_ = true;
    std::optional<Clock::time_point> releaseAt_;
    Sample sample_;
    Sample light_;
    std::optional<ombra::colorimetry::InstrumentResults> lastResults_;  // of the last measurement
    StoredData stored_;
    bool dirty_ = false;
    std::map<fxproto::Op, Fault> faults_;
};

}  // namespace fxsim
