// A scripted stand-in for the instrument library. While alive it is the process's function
// table: it hands out devices, answers every call with a scripted or default result, fills
// records with recognisable values, and logs every call (also from other threads).
#pragma once

#include <atomic>
#include <cfloat>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/instrument/InstrumentLibrary.h"

namespace ombra::core::test {

struct FakeCall {
    std::string fn;       // library function name, e.g. "DISetProperty"
    DIHANDLE handle = 0;  // handle passed (0 for DIEnumDevice)
    int32_t a = 0;        // first int argument: property id, kind, count, wavelength asked, slot, condition
    int32_t b = 0;        // second: property value
};

struct FakeDevice {
    int32_t serial = 1000;
    int32_t modelType = 100;
    uint32_t version1 = 1;
    uint32_t version2 = 20;
};

class FakeInstrument {
public:
    static constexpr DIHANDLE kFirstHandle = 0x100;
    static constexpr int32_t kNoDevice = 1;  // DIEnumDevice's answer when nothing is left

    FakeInstrument() {
        current() = this;
        previous_ = InstallInstrumentFunctions(Table());
        previousPause_ = SetInstrumentPauseHook([this](int ms) {
            std::lock_guard<std::mutex> g(mutex_);
            pauses_.push_back(ms);
        });
        DeviceHandle() = 0;
    }
    ~FakeInstrument() {
        InstallInstrumentFunctions(previous_);
        SetInstrumentPauseHook(previousPause_);
        DeviceHandle() = 0;
        current() = nullptr;
    }
    FakeInstrument(const FakeInstrument &) = delete;
    FakeInstrument &operator=(const FakeInstrument &) = delete;

    // ---- set-up ----
    // Adds an attachable device; returns the handle it gets when opened.
    DIHANDLE AddDevice(FakeDevice device = {}) {
        std::lock_guard<std::mutex> g(mutex_);
        devices_.push_back(device);
        return kFirstHandle + static_cast<DIHANDLE>(devices_.size() - 1);
    }
    // The next calls of `fn` answer these results in turn (then the usual answer again).
    void Script(const std::string &fn, std::vector<int32_t> results) {
        std::lock_guard<std::mutex> g(mutex_);
        for (int32_t r : results) scripted_[fn].push_back(r);
    }
    // Every call of `fn` answers `result` (until changed).
    void SetResult(const std::string &fn, int32_t result) {
        std::lock_guard<std::mutex> g(mutex_);
        fixed_[fn] = result;
    }
    // Decides a call's result before scripts and fixed results; nothing = go on.
    using Rule = std::function<std::optional<int32_t>(const FakeCall &)>;
    void SetRule(Rule rule) {
        std::lock_guard<std::mutex> g(mutex_);
        rule_ = std::move(rule);
    }
    void SetButtons(int32_t first, int32_t second) {
        std::lock_guard<std::mutex> g(mutex_);
        buttons_ = {first, second};
    }
    void SetPolFilter(int32_t first, int32_t second) {
        std::lock_guard<std::mutex> g(mutex_);
        pol_ = {first, second};
    }
    void SetCalibrationStatus(int32_t status) { calibrationStatus_ = status; }
    void SetMissingValues(bool missing) { missing_ = missing; }  // every value FLT_MAX
    // Added to every colour value from now on (readings of one sample that differ).
    void SetColorShift(float shift) { colorShift_ = shift; }
    void SetAutoWavelength(int32_t nm) { autoWavelength_ = nm; }
    void SetCallDelay(std::chrono::microseconds delay) { delay_ = delay; }

    // ---- recognisable values ----
    static float ColorValue(int propertyValue, int component) { return float(propertyValue * 10 + component + 1); }
    static float DensityValue(int propertyValue, int component) { return 100.f + propertyValue * 10 + component + 1; }
    static float ColorIndexValue(int propertyValue, int component) { return 200.f + propertyValue * 10 + component + 1; }
    static float SpectrumValue(int point) { return 0.01f * (point + 1); }
    static float SpotDensity(int nm) { return nm / 1000.f; }
    static constexpr float kAutoSpotDensity = 0.75f;

    // ---- inspection ----
    std::vector<FakeCall> Calls() const {
        std::lock_guard<std::mutex> g(mutex_);
        return log_;
    }
    std::vector<FakeCall> CallsOf(const std::string &fn) const {
        std::vector<FakeCall> out;
        for (const FakeCall &c : Calls())
            if (c.fn == fn) out.push_back(c);
        return out;
    }
    int Count(const std::string &fn) const { return static_cast<int>(CallsOf(fn).size()); }
    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const FakeCall &c : Calls()) out.push_back(c.fn);
        return out;
    }
    int CloseCount(DIHANDLE handle) const {
        int n = 0;
        for (const FakeCall &c : CallsOf("DICloseDevice")) n += c.handle == handle;
        return n;
    }
    int OpenedCount() const {
        std::lock_guard<std::mutex> g(mutex_);
        return nextDevice_;
    }
    std::vector<int> Pauses() const {
        std::lock_guard<std::mutex> g(mutex_);
        return pauses_;
    }
    int Overlaps() const { return overlaps_; }  // calls that ran while another was running
    void ClearLog() {
        std::lock_guard<std::mutex> g(mutex_);
        log_.clear();
    }
    int32_t Property(int32_t id) const {
        std::lock_guard<std::mutex> g(mutex_);
        auto it = properties_.find(id);
        return it == properties_.end() ? -1 : it->second;
    }

    static DIFunctions Table() {
        DIFunctions t;
        t.DIEnumDevice = [](DIHANDLE *h) { return self().enumDevice(h); };
        t.DICloseDevice = [](DIHANDLE h) { return self().call({"DICloseDevice", h}); };
        t.DISetProperty = [](DIHANDLE h, int32_t id, int32_t *v) { return self().setProperty(h, id, v); };
        t.DIGetButtonStatus = [](DIHANDLE h, DIButtonStatus *s) { return self().buttonStatus(h, s); };
        t.DIDoMeasurement = [](DIHANDLE h) { return self().call({"DIDoMeasurement", h}); };
        t.DIDoCalibration = [](DIHANDLE h, int32_t kind) { return self().call({"DIDoCalibration", h, kind}); };
        t.DIDoPolarizationCalib = [](DIHANDLE h) { return self().call({"DIDoPolarizationCalib", h}); };
        t.DIGetCalibrateStatus = [](DIHANDLE h, int32_t *s) {
            int32_t rc = self().call({"DIGetCalibrateStatus", h});
            if (rc == 0) *s = self().calibrationStatus_;
            return rc;
        };
        t.DIGetSpectrum = [](DIHANDLE h, int32_t, float *v, int32_t n) { return self().spectrum(h, v, n); };
        t.DIGetColor = [](DIHANDLE h, int32_t, float *v) { return self().values("DIGetColor", h, 5, v); };
        t.DIGetDensity = [](DIHANDLE h, int32_t, float *v) { return self().values("DIGetDensity", h, 6, v); };
        t.DIGetColorIndex = [](DIHANDLE h, int32_t, float *v) { return self().values("DIGetColorIndex", h, 7, v); };
        t.DIGetSpotColorDensity = [](DIHANDLE h, int32_t, int32_t *w, float *d) { return self().spot(h, w, d); };
        t.DIGetDevInfo = [](DIHANDLE h, DIDeviceInfo *info) { return self().devInfo(h, info); };
        t.DIRegUserIlluminant = [](DIHANDLE h, DIUserIlluminant *) { return self().call({"DIRegUserIlluminant", h}); };
        t.DIGetUserIlluminant = [](DIHANDLE h, DIUserIlluminant *) { return self().call({"DIGetUserIlluminant", h}); };
        t.DIGetCertificationColorSet = [](DIHANDLE h, int32_t slot, void *) {
            return self().call({"DIGetCertificationColorSet", h, slot});
        };
        t.DISetCertificationColorSet = [](DIHANDLE h, int32_t slot, void *) {
            return self().call({"DISetCertificationColorSet", h, slot});
        };
        t.DIClearCertificationColorSet = [](DIHANDLE h, int32_t slot) {
            return self().call({"DIClearCertificationColorSet", h, slot});
        };
        t.DISetPolFilterCondition = [](DIHANDLE h, int32_t c) { return self().call({"DISetPolFilterCondition", h, c}); };
        t.DIGetPolFilterCondition = [](DIHANDLE h, int32_t *a, int32_t *b) {
            int32_t rc = self().call({"DIGetPolFilterCondition", h});
            if (rc == 0) std::tie(*a, *b) = self().polPair();
            return rc;
        };
        return t;
    }

private:
    static FakeInstrument *&current() {
        static FakeInstrument *instance = nullptr;
        return instance;
    }
    static FakeInstrument &self() { return *current(); }

    // Logs the call, notes overlapping calls and decides its result.
    int32_t call(const FakeCall &c, int32_t usual = 0) {
        if (++inFlight_ > 1) ++overlaps_;
        if (auto delay = delay_.load(); delay.count() > 0) std::this_thread::sleep_for(delay);
        int32_t rc = usual;
        {
            std::lock_guard<std::mutex> g(mutex_);
            log_.push_back(c);
            std::optional<int32_t> ruled = rule_ ? rule_(c) : std::nullopt;
            auto queued = scripted_.find(c.fn);
            auto fixed = fixed_.find(c.fn);
            if (ruled) rc = *ruled;
            else if (queued != scripted_.end() && !queued->second.empty()) {
                rc = queued->second.front();
                queued->second.pop_front();
            } else if (fixed != fixed_.end()) rc = fixed->second;
        }
        --inFlight_;
        return rc;
    }

    int32_t enumDevice(DIHANDLE *handle) {
        int32_t usual;
        {
            std::lock_guard<std::mutex> g(mutex_);
            usual = nextDevice_ < static_cast<int>(devices_.size()) ? 0 : kNoDevice;
        }
        int32_t rc = call({"DIEnumDevice", 0}, usual);
        if (rc != 0) return rc;
        std::lock_guard<std::mutex> g(mutex_);
        if (nextDevice_ >= static_cast<int>(devices_.size())) return kNoDevice;
        *handle = kFirstHandle + nextDevice_++;
        return 0;
    }
    int32_t setProperty(DIHANDLE h, int32_t id, int32_t *value) {
        int32_t rc = call({"DISetProperty", h, id, *value});
        if (rc == 0) {
            std::lock_guard<std::mutex> g(mutex_);
            properties_[id] = *value;
        }
        return rc;
    }
    int32_t buttonStatus(DIHANDLE h, DIButtonStatus *status) {
        int32_t rc = call({"DIGetButtonStatus", h});
        if (rc == 0) {
            std::lock_guard<std::mutex> g(mutex_);
            status->irradianceTrigger = buttons_.first;
            status->reflectionTrigger = buttons_.second;
        }
        return rc;
    }
    int32_t spectrum(DIHANDLE h, float *values, int32_t count) {
        int32_t rc = call({"DIGetSpectrum", h, count});
        if (rc == 0)
            for (int i = 0; i < count; ++i) values[i] = missing_ ? FLT_MAX : SpectrumValue(i);
        return rc;
    }
    int32_t values(const char *fn, DIHANDLE h, int32_t property, float *out) {
        int32_t selected = Property(property);
        int32_t rc = call({fn, h, selected});
        if (rc != 0) return rc;
        int count = property == 5 ? 3 : property == 6 ? 4 : (selected == 0 ? 1 : selected == 1 ? 2 : 3);
        for (int i = 0; i < count; ++i) {
            float v = property == 5 ? ColorValue(selected, i) + colorShift_
                      : property == 6 ? DensityValue(selected, i) : ColorIndexValue(selected, i);
            out[i] = missing_ ? FLT_MAX : v;
        }
        return 0;
    }
    int32_t spot(DIHANDLE h, int32_t *wavelength, float *density) {
        int32_t rc = call({"DIGetSpotColorDensity", h, *wavelength});
        if (rc != 0) return rc;
        if (*wavelength == 0) {
            *wavelength = autoWavelength_;
            *density = missing_ ? FLT_MAX : kAutoSpotDensity;
        } else {
            *density = missing_ ? FLT_MAX : SpotDensity(*wavelength);
        }
        return 0;
    }
    int32_t devInfo(DIHANDLE h, DIDeviceInfo *info) {
        int32_t rc = call({"DIGetDevInfo", h});
        if (rc != 0) return rc;
        std::lock_guard<std::mutex> g(mutex_);
        int index = h - kFirstHandle;
        if (index < 0 || index >= static_cast<int>(devices_.size())) return 2;
        *info = DIDeviceInfo{};
        info->serialNumber = devices_[index].serial;
        info->versionWord1 = devices_[index].version1;
        info->versionWord2 = devices_[index].version2;
        info->modelType = devices_[index].modelType;
        return 0;
    }
    std::pair<int32_t, int32_t> polPair() {
        std::lock_guard<std::mutex> g(mutex_);
        return pol_;
    }

    mutable std::mutex mutex_;
    std::vector<FakeDevice> devices_;
    int nextDevice_ = 0;
    std::map<std::string, std::deque<int32_t>> scripted_;
    std::map<std::string, int32_t> fixed_;
    Rule rule_;
    std::map<int32_t, int32_t> properties_;
    std::pair<int32_t, int32_t> buttons_{0, 0};
    std::pair<int32_t, int32_t> pol_{0, 0};
    std::atomic<int32_t> calibrationStatus_{1};
    std::atomic<bool> missing_{false};
    std::atomic<float> colorShift_{0.f};
    std::atomic<int32_t> autoWavelength_{580};
    std::atomic<std::chrono::microseconds> delay_{std::chrono::microseconds(0)};
    std::atomic<int> inFlight_{0};
    std::atomic<int> overlaps_{0};
    std::vector<int> pauses_;
    std::vector<FakeCall> log_;
    DIFunctions previous_;
    InstrumentPauseHook previousPause_;
};

}  // namespace ombra::core::test
