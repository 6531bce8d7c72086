#include "Device.h"

#include <QJsonArray>
#include <cstring>
#include <utility>

#include "fxapi/fxapi.h"

namespace fxsim {

using fxproto::Op;

namespace {

template <typename T>
void PutBytes(fxproto::Response &response, const T *data, size_t count = 1) {
    const auto *bytes = reinterpret_cast<const uint8_t *>(data);
    response.payload.assign(bytes, bytes + sizeof(T) * count);
}

template <typename Values>
bool AnyMissing(const Values &values) {
    for (float v : values)
        if (v == kNoValue) return true;
    return false;
}

bool AllZero(const std::array<float, 97> &values) {
    for (float v : values)
        if (v != 0.0f) return false;
    return true;
}

}  // namespace

Device::Device(DeviceConfig config, const ResultEngine &engine)
    : config_(std::move(config)),
      engine_(engine),
      calibrationStatus_(config_.calibrationStatus),
      polarization_(config_.polarization) {
    auto sample = FindSample(config_.sample);
    auto light = FindSample(config_.light);
    sample_ = sample && sample->kind == SampleKind::Reflectance ? *sample : *FindSample("paper");
    light_ = light && light->kind == SampleKind::Irradiance ? *light : *FindSample("daylight");
}

bool Device::Supports(int32_t id, int32_t value) const {
    const bool model200 = config_.model == 200;
    switch (id) {
    case 0: return value == 0 || (!model200 && (value == 1 || value == 3));
    case 2: return value == 0 || value == 1;
    case 3: return (value >= 0 && value <= 13) || (value == 14 && config_.userIlluminantSupported);
    case 4:
        if (value == 14) return config_.userIlluminantSupported && !model200;
        if (model200) return value >= 0 && value <= 5;  // no UV-cut filter, no fluorescent sources
        return (value >= 0 && value <= 13) || value == 160;
    case 5: return (value >= 0 && value <= 4) || value == 6;
    case 6: return value >= 0 && value <= 4;
    case 7: return value >= 0 && value <= 2;
    case 8: return value == 0 || value == 1;
    default: return false;
    }
}

int32_t Device::SetProperty(int32_t id, int32_t value) {
    if (id < 0 || id >= kPropertyCount || id == 1) return DI_ERR_BAD_ARGUMENT;
    if (!Supports(id, value)) return DI_ERR_NOT_SUPPORTED;
    properties_[static_cast<size_t>(id)] = value;
    return DI_OK;
}

int32_t Device::Measure() {
    if (calibrationStatus_ == DI_CALIB_DUE) return DI_ERR_CALIBRATION_DUE;
    if (calibrationStatus_ == DI_CALIB_WHITE_DUE) return DI_ERR_WHITE_CALIBRATION_DUE;
    MeasurementInput input;
    input.measurementType = properties_[0];
    input.observer = properties_[2];
    input.illuminant = properties_[3];
    input.condition = properties_[4];
    input.polarized = polarization_[1] == 1;
    input.sample = input.Irradiance() ? light_ : sample_;
    input.userIlluminant = stored_.userIlluminant;
    lastResults_ = engine_.Evaluate(input);
    return DI_OK;
}

int Device::DelayFor(Op op) const {
    auto found = faults_.find(op);
    return found == faults_.end() ? 0 : found->second.delayMs;
}

fxproto::Response Device::Handle(const fxproto::Request &request) {
    auto op = static_cast<Op>(request.header.op);
    auto found = faults_.find(op);
    // "Value not available" still carries a record, as a real answer does.
    if (found != faults_.end() && found->second.remaining != 0 && found->second.code == DI_ERR_VALUE_UNAVAILABLE) {
        if (found->second.remaining > 0) --found->second.remaining;
        fxproto::Response response = Execute(request);
        response.header = {fxproto::kResponseMagic, request.header.seq, DI_ERR_VALUE_UNAVAILABLE,
                           static_cast<uint32_t>(response.payload.size())};
        return response;
    }
    if (found != faults_.end() && found->second.remaining != 0) {
        fxproto::Response failed;
        failed.header = {fxproto::kResponseMagic, request.header.seq, found->second.code, 0};
        if (found->second.remaining > 0) --found->second.remaining;
        return failed;
    }
    fxproto::Response response = Execute(request);
    response.header.magic = fxproto::kResponseMagic;
    response.header.seq = request.header.seq;
    response.header.payloadSize = static_cast<uint32_t>(response.payload.size());
    return response;
}

fxproto::Response Device::Execute(const fxproto::Request &request) {
    fxproto::Response response;
    int32_t &result = response.header.result;
    const int32_t arg0 = request.header.arg0, arg1 = request.header.arg1;
    const auto op = static_cast<Op>(request.header.op);
    const bool needsMeasurement = op == Op::GetSpectrum || op == Op::GetColor || op == Op::GetDensity ||
                                  op == Op::GetColorIndex || op == Op::GetSpotColorDensity;
    if (needsMeasurement && !lastResults_) {
        result = DI_ERR_NO_MEASUREMENT;
        return response;
    }
    switch (op) {
    case Op::EnumDevice:
    case Op::CloseDevice:
        break;
    case Op::SetProperty: result = SetProperty(arg0, arg1); break;
    case Op::GetButtonStatus:
        PutBytes(response, buttons_.data(), 2);
        ++buttonReads_;
        if (buttons_[0] == 0 && buttons_[1] == 0) releaseSeen_ = true;
        break;
    case Op::DoMeasurement: result = Measure(); break;
    case Op::DoCalibration:
        if (arg0 != DI_CALIBRATION_WHITE) result = DI_ERR_BAD_ARGUMENT;
        else calibrationStatus_ = DI_CALIB_READY;
        break;
    case Op::DoPolarizationCalib:
        if (calibrationStatus_ == DI_CALIB_DUE) calibrationStatus_ = DI_CALIB_WHITE_DUE;
        break;
    case Op::GetCalibrateStatus: PutBytes(response, &calibrationStatus_); break;
    case Op::GetSpectrum: {
        if (arg1 < 1 || arg1 > 97) {
            result = DI_ERR_BAD_ARGUMENT;
            break;
        }
        auto values = lastResults_->SpectrumPadded(arg1);
        PutBytes(response, values.data(), values.size());
        break;
    }
    case Op::GetColor: {
        std::array<float, 3> values{kNoValue, kNoValue, kNoValue};
        lastResults_->Colour(properties_[5], values.data());
        PutBytes(response, values.data(), values.size());
        if (AnyMissing(values)) result = DI_ERR_VALUE_UNAVAILABLE;
        break;
    }
    case Op::GetDensity: {
        std::array<float, 4> values{kNoValue, kNoValue, kNoValue, kNoValue};
        lastResults_->Density(properties_[6], values.data());
        PutBytes(response, values.data(), values.size());
        if (AnyMissing(values)) result = DI_ERR_VALUE_UNAVAILABLE;
        break;
    }
    case Op::GetColorIndex: {
        std::vector<float> values(static_cast<size_t>(lastResults_->IndexCount(properties_[7])), kNoValue);
        lastResults_->Index(properties_[7], values.data());
        PutBytes(response, values.data(), values.size());
        if (AnyMissing(values)) result = DI_ERR_VALUE_UNAVAILABLE;
        break;
    }
    case Op::GetSpotColorDensity: {
        struct {
            int32_t wavelength;
            float density;
        } answer{arg1, kNoValue};
        if (!lastResults_->SpotDensity(answer.wavelength, answer.density)) answer.density = kNoValue;
        PutBytes(response, &answer);
        if (answer.density == kNoValue) result = DI_ERR_VALUE_UNAVAILABLE;
        break;
    }
    case Op::GetDevInfo: {
        DIDeviceInfo info{};
        info.serialNumber = config_.serial;
        info.versionWord1 = config_.version[0];
        info.versionWord2 = config_.version[1];
        info.modelType = config_.model;
        PutBytes(response, &info);
        break;
    }
    case Op::RegUserIlluminant:
        if (request.payload.size() != sizeof(DIUserIlluminant)) {
            result = DI_ERR_BAD_ARGUMENT;
            break;
        }
        std::memcpy(stored_.userIlluminant.data(), request.payload.data(), sizeof(DIUserIlluminant));
        dirty_ = true;
        break;
    case Op::GetUserIlluminant:
        // All zero: none registered (a new device, or one whose stored data has none).
        if (AllZero(stored_.userIlluminant)) result = DI_ERR_NO_USER_ILLUMINANT;
        else PutBytes(response, stored_.userIlluminant.data(), 97);
        break;
    case Op::GetCertificationColorSet:
    case Op::SetCertificationColorSet:
    case Op::ClearCertificationColorSet: {
        if (arg0 < 0 || arg0 >= DI_COLORSET_SLOTS) {
            result = DI_ERR_BAD_ARGUMENT;
            break;
        }
        auto &slot = stored_.colorSets[static_cast<size_t>(arg0)];
        if (op == Op::GetCertificationColorSet) {
            if (slot) response.payload = *slot;
            else result = DI_ERR_COLORSET_EMPTY;
        } else if (op == Op::ClearCertificationColorSet) {
            slot.reset();
            dirty_ = true;
        } else if (request.payload.size() != DI_COLORSET_RECORD_SIZE) {
            result = DI_ERR_BAD_ARGUMENT;
        } else {
            slot = request.payload;
            dirty_ = true;
        }
        break;
    }
    case Op::SetPolFilterCondition:
        if (arg0 == 0 || arg0 == 1) polarization_ = {arg0, arg0};
        else if (arg0 == 2) polarization_[0] = 2;
        else result = DI_ERR_NOT_SUPPORTED;
        break;
    case Op::GetPolFilterCondition: PutBytes(response, polarization_.data(), 2); break;
    default: result = DI_ERR_BAD_ARGUMENT; break;
    }
    return response;
}

void Device::Press(Button button, std::optional<Clock::time_point> releaseAt) {
    buttons_[button == Button::Irradiance ? 0 : 1] = 1;
    releaseAt_ = releaseAt;
    releaseSeen_ = false;
}

void Device::Release() {
    buttons_ = {0, 0};
    releaseAt_.reset();
}

void Device::Tick(Clock::time_point now) {
    if (releaseAt_ && now >= *releaseAt_) Release();
}

void Device::SetSample(const Sample &sample) {
    (sample.kind == SampleKind::Irradiance ? light_ : sample_) = sample;
}

void Device::Fail(Op op, int32_t code, int times) {
    auto &fault = faults_[op];
    fault.code = code;
    fault.remaining = code == 0 ? 0 : times;
}

void Device::Delay(Op op, int ms, int times) {
    faults_[op].delayMs = std::max(0, ms);
    faults_[op].delayTimes = times;
}

void Device::DelayUsed(Op op) {
    auto found = faults_.find(op);
    if (found == faults_.end() || found->second.delayTimes < 0) return;
    if (--found->second.delayTimes <= 0) found->second.delayMs = 0;
}

bool Device::TakeUnplugDuring(Op op) {
    auto found = faults_.find(op);
    if (found == faults_.end() || !found->second.unplug) return false;
    found->second.unplug = false;
    return true;
}

void Device::ClearFaults() { faults_.clear(); }

QJsonObject Device::ToJson() const {
    QJsonArray properties, colorSets, faults;
    for (int32_t value : properties_) properties.append(value);
    for (size_t i = 0; i < stored_.colorSets.size(); ++i)
        if (stored_.colorSets[i]) colorSets.append(static_cast<int>(i));
    for (const auto &[op, fault] : faults_)
        faults.append(QJsonObject{{"call", fxproto::OpName(op)},
                                  {"code", fault.code},
                                  {"times", fault.remaining},
                                  {"delayMs", fault.delayMs},
                                  {"unplugDuring", fault.unplug}});
    QJsonObject object{
        {"name", QString::fromStdString(config_.name)},
        {"model", config_.model},
        {"serial", config_.serial},
        {"version", QJsonArray{static_cast<qint64>(config_.version[0]), static_cast<qint64>(config_.version[1])}},
        {"plugged", plugged},
        {"connected", connected},
        {"calibrationStatus", calibrationStatus_},
        {"polarization", QJsonArray{polarization_[0], polarization_[1]}},
        {"buttons", QJsonObject{{"irradiance", buttons_[0]}, {"reflection", buttons_[1]}}},
        {"buttonReads", static_cast<qint64>(buttonReads_)},
        {"releaseSeen", releaseSeen_},
        {"properties", properties},
        {"sample", QString::fromStdString(sample_.name)},
        {"light", QString::fromStdString(light_.name)},
        {"usedSlots", colorSets},
        {"measured", lastResults_.has_value()},
        {"faults", faults},
    };
    QJsonArray illuminant;
    for (float value : stored_.userIlluminant) illuminant.append(static_cast<double>(value));
    object.insert("userIlluminant", illuminant);
    return object;
}

}  // namespace fxsim
