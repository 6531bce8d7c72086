// The wire format, the virtual device's answers and the scenario/state files, without sockets.
#include <gtest/gtest.h>

#include <cstring>

#include "Device.h"
#include "Scenario.h"
#include "fxapi/fxapi.h"
#include "fxproto.h"

namespace {

using fxproto::Op;

fxproto::Request MakeRequest(Op op, int32_t arg0 = 0, int32_t arg1 = 0, std::vector<uint8_t> payload = {}) {
    static uint32_t seq = 0;
    fxproto::Request request;
    request.header = {fxproto::kRequestMagic, ++seq, static_cast<int32_t>(op), arg0, arg1, 0};
    request.payload = std::move(payload);
    return request;
}

template <typename T>
T PayloadAs(const fxproto::Response &response) {
    T value{};
    EXPECT_EQ(response.payload.size(), sizeof(T));
    if (response.payload.size() == sizeof(T)) std::memcpy(&value, response.payload.data(), sizeof(T));
    return value;
}

TEST(FxProtocol, RoundTripsSplitAndJoinedMessages) {
    fxproto::Request first = MakeRequest(Op::SetCertificationColorSet, 7, 0, std::vector<uint8_t>(1260, 0xAB));
    fxproto::Request second = MakeRequest(Op::GetColor);
    auto bytes = fxproto::Encode(first);
    auto more = fxproto::Encode(second);
    bytes.insert(bytes.end(), more.begin(), more.end());

    fxproto::RequestDecoder decoder;
    // Byte by byte: nothing comes out before a message is complete.
    size_t delivered = 0;
    std::vector<fxproto::Request> out;
    for (uint8_t byte : bytes) {
        decoder.Feed(&byte, 1);
        ++delivered;
        while (auto message = decoder.Next()) out.push_back(*message);
        if (delivered < sizeof(fxproto::RequestHeader) + 1260) {
            EXPECT_TRUE(out.empty());
        }
    }
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].header.op, static_cast<int32_t>(Op::SetCertificationColorSet));
    EXPECT_EQ(out[0].header.arg0, 7);
    EXPECT_EQ(out[0].payload, first.payload);
    EXPECT_EQ(out[1].header.seq, second.header.seq);
    EXPECT_TRUE(out[1].payload.empty());
}

TEST(FxProtocol, RejectsForeignOrOversizedMessages) {
    fxproto::RequestDecoder foreign;
    uint8_t garbage[32] = {'G', 'E', 'T', ' ', '/'};
    foreign.Feed(garbage, sizeof garbage);
    EXPECT_FALSE(foreign.Next());
    EXPECT_TRUE(foreign.Broken());

    fxproto::ResponseDecoder oversized;
    fxproto::ResponseHeader header{fxproto::kResponseMagic, 1, 0, fxproto::kMaxPayload + 1};
    oversized.Feed(reinterpret_cast<const uint8_t *>(&header), sizeof header);
    EXPECT_FALSE(oversized.Next());
    EXPECT_TRUE(oversized.Broken());
}

TEST(FxProtocol, NamesEveryCall) {
    for (int i = 1; i <= fxproto::kOpCount; ++i) {
        auto op = static_cast<Op>(i);
        EXPECT_EQ(fxproto::OpFromName(fxproto::OpName(op)), op);
    }
    EXPECT_FALSE(fxproto::OpFromName("DIFormatDisk"));
}

class VirtualDevice : public ::testing::Test {
protected:
    fxsim::Device MakeDevice(fxsim::DeviceConfig config = {}) { return fxsim::Device(config, *engine_); }
    std::unique_ptr<fxsim::ResultEngine> engine_ = fxsim::MakeResultEngine();
};

TEST_F(VirtualDevice, IdentityCarriesTheScenarioValues) {
    fxsim::DeviceConfig config;
    config.serial = 4711;
    config.version = {2, 31};
    config.model = 200;
    auto device = MakeDevice(config);
    auto info = PayloadAs<DIDeviceInfo>(device.Handle(MakeRequest(Op::GetDevInfo)));
    EXPECT_EQ(info.serialNumber, 4711);
    EXPECT_EQ(info.versionWord1, 2u);
    EXPECT_EQ(info.versionWord2, 31u);
    EXPECT_EQ(info.modelType, 200);
}

TEST_F(VirtualDevice, RefusesValuesTheModelLacks) {
    auto m100 = MakeDevice();
    fxsim::DeviceConfig config;
    config.model = 200;
    auto m200 = MakeDevice(config);
    auto set = [](fxsim::Device &device, int id, int value) {
        return device.Handle(MakeRequest(Op::SetProperty, id, value)).header.result;
    };
    EXPECT_EQ(set(m100, 0, 3), DI_OK);
    EXPECT_EQ(set(m200, 0, 3), DI_ERR_NOT_SUPPORTED);  // reflection only
    EXPECT_EQ(set(m100, 4, 160), DI_OK);
    EXPECT_EQ(set(m200, 4, 160), DI_ERR_NOT_SUPPORTED);
    EXPECT_EQ(set(m200, 4, 9), DI_ERR_NOT_SUPPORTED);
    EXPECT_EQ(set(m200, 4, 2), DI_OK);  // the fallback condition always works
    EXPECT_EQ(set(m100, 3, 160), DI_ERR_NOT_SUPPORTED);
    EXPECT_EQ(set(m100, 5, 5), DI_ERR_NOT_SUPPORTED);
    EXPECT_EQ(set(m100, 1, 0), DI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(m200.Property(4), 2);

    config.model = 100;
    config.userIlluminantSupported = false;
    auto noUser = MakeDevice(config);
    EXPECT_EQ(set(noUser, 3, 14), DI_ERR_NOT_SUPPORTED);
    EXPECT_EQ(set(noUser, 4, 14), DI_ERR_NOT_SUPPORTED);
    EXPECT_EQ(set(m100, 3, 14), DI_OK);
}

TEST_F(VirtualDevice, MeasuresOnlyWhenCalibrated) {
    fxsim::DeviceConfig config;
    config.calibrationStatus = DI_CALIB_DUE;
    auto device = MakeDevice(config);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetColor)).header.result, DI_ERR_NO_MEASUREMENT);
    EXPECT_EQ(device.Handle(MakeRequest(Op::DoMeasurement)).header.result, DI_ERR_CALIBRATION_DUE);
    // The zero calibration leaves the white calibration due.
    EXPECT_EQ(device.Handle(MakeRequest(Op::DoPolarizationCalib)).header.result, DI_OK);
    EXPECT_EQ(PayloadAs<int32_t>(device.Handle(MakeRequest(Op::GetCalibrateStatus))), DI_CALIB_WHITE_DUE);
    EXPECT_EQ(device.Handle(MakeRequest(Op::DoMeasurement)).header.result, DI_ERR_WHITE_CALIBRATION_DUE);
    EXPECT_EQ(device.Handle(MakeRequest(Op::DoCalibration, 3)).header.result, DI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(device.Handle(MakeRequest(Op::DoCalibration, DI_CALIBRATION_WHITE)).header.result, DI_OK);
    EXPECT_EQ(PayloadAs<int32_t>(device.Handle(MakeRequest(Op::GetCalibrateStatus))), DI_CALIB_READY);
    EXPECT_EQ(device.Handle(MakeRequest(Op::DoMeasurement)).header.result, DI_OK);
}

TEST_F(VirtualDevice, ResultsHaveTheShapesOfTheirSelection) {
    auto device = MakeDevice();
    ASSERT_EQ(device.Handle(MakeRequest(Op::DoMeasurement)).header.result, DI_OK);
    auto spectrum = device.Handle(MakeRequest(Op::GetSpectrum, 0, 36));
    EXPECT_EQ(spectrum.header.result, DI_OK);
    EXPECT_EQ(spectrum.payload.size(), 36 * sizeof(float));
    for (int which : {0, 1, 2}) {
        ASSERT_EQ(device.Handle(MakeRequest(Op::SetProperty, 7, which)).header.result, DI_OK);
        EXPECT_EQ(device.Handle(MakeRequest(Op::GetColorIndex)).payload.size(), (which == 0 ? 1 : which == 1 ? 2 : 3) * sizeof(float));
    }
    // Irradiance colour values are not measured in reflection.
    ASSERT_EQ(device.Handle(MakeRequest(Op::SetProperty, 5, 6)).header.result, DI_OK);
    auto light = device.Handle(MakeRequest(Op::GetColor));
    EXPECT_EQ(light.header.result, DI_ERR_VALUE_UNAVAILABLE);
    EXPECT_EQ((PayloadAs<std::array<float, 3>>(light)[0]), fxsim::kNoValue);

    struct {
        int32_t wavelength;
        float density;
    } spot{};
    auto automatic = device.Handle(MakeRequest(Op::GetSpotColorDensity, 0, 0));
    std::memcpy(&spot, automatic.payload.data(), sizeof spot);
    EXPECT_GE(spot.wavelength, 380);
    EXPECT_LE(spot.wavelength, 730);
}

TEST_F(VirtualDevice, IrradianceGivesSeventyFivePointsAndLightValues) {
    auto device = MakeDevice();
    ASSERT_EQ(device.Handle(MakeRequest(Op::SetProperty, 0, 3)).header.result, DI_OK);
    ASSERT_EQ(device.Handle(MakeRequest(Op::DoMeasurement)).header.result, DI_OK);
    auto spectrum = device.Handle(MakeRequest(Op::GetSpectrum, 0, 75));
    EXPECT_EQ(spectrum.payload.size(), 75 * sizeof(float));
    ASSERT_EQ(device.Handle(MakeRequest(Op::SetProperty, 5, 6)).header.result, DI_OK);
    auto values = PayloadAs<std::array<float, 3>>(device.Handle(MakeRequest(Op::GetColor)));
    EXPECT_NEAR(values[0], 1000.0f, 150.0f);  // the daylight source is about 1000 lx
    EXPECT_NEAR(values[1], 6500.0f, 600.0f);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetDensity)).header.result, DI_ERR_VALUE_UNAVAILABLE);
}

TEST_F(VirtualDevice, ColorSetSlotsAndUserIlluminantAreKept) {
    auto device = MakeDevice();
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetCertificationColorSet, 5)).header.result, DI_ERR_COLORSET_EMPTY);
    std::vector<uint8_t> record(1260);
    for (size_t i = 0; i < record.size(); ++i) record[i] = static_cast<uint8_t>(i * 7);
    EXPECT_EQ(device.Handle(MakeRequest(Op::SetCertificationColorSet, 5, 0, record)).header.result, DI_OK);
    EXPECT_EQ(device.Handle(MakeRequest(Op::SetCertificationColorSet, 6, 0, {1, 2, 3})).header.result, DI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetCertificationColorSet, 50)).header.result, DI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetCertificationColorSet, 5)).payload, record);
    EXPECT_TRUE(device.TakeDirty());
    EXPECT_EQ(device.Handle(MakeRequest(Op::ClearCertificationColorSet, 5)).header.result, DI_OK);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetCertificationColorSet, 5)).header.result, DI_ERR_COLORSET_EMPTY);

    // A new device has no user illuminant and says so.
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetUserIlluminant)).header.result, DI_ERR_NO_USER_ILLUMINANT);
    std::vector<uint8_t> illuminant(388);
    illuminant[4] = 0x3f;
    EXPECT_EQ(device.Handle(MakeRequest(Op::RegUserIlluminant, 0, 0, illuminant)).header.result, DI_OK);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetUserIlluminant)).payload, illuminant);
}

TEST_F(VirtualDevice, PolarisationConditionFollowsTheFilterSetting) {
    fxsim::DeviceConfig config;
    config.polarization = {2, 1};
    auto device = MakeDevice(config);
    EXPECT_EQ((PayloadAs<std::array<int32_t, 2>>(device.Handle(MakeRequest(Op::GetPolFilterCondition)))),
              (std::array<int32_t, 2>{2, 1}));
    device.Handle(MakeRequest(Op::SetPolFilterCondition, 0));
    EXPECT_EQ((PayloadAs<std::array<int32_t, 2>>(device.Handle(MakeRequest(Op::GetPolFilterCondition)))),
              (std::array<int32_t, 2>{0, 0}));
    device.Handle(MakeRequest(Op::SetPolFilterCondition, 2));
    EXPECT_EQ((PayloadAs<std::array<int32_t, 2>>(device.Handle(MakeRequest(Op::GetPolFilterCondition)))),
              (std::array<int32_t, 2>{2, 0}));
    EXPECT_EQ(device.Handle(MakeRequest(Op::SetPolFilterCondition, 3)).header.result, DI_ERR_NOT_SUPPORTED);
}

TEST_F(VirtualDevice, InjectedFailuresCountDown) {
    auto device = MakeDevice();
    device.Fail(Op::GetButtonStatus, 555, 2);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetButtonStatus)).header.result, 555);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetButtonStatus)).header.result, 555);
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetButtonStatus)).header.result, DI_OK);
    device.Fail(Op::GetDevInfo, 9, -1);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(device.Handle(MakeRequest(Op::GetDevInfo)).header.result, 9);
    device.ClearFaults();
    EXPECT_EQ(device.Handle(MakeRequest(Op::GetDevInfo)).header.result, DI_OK);
}

TEST_F(VirtualDevice, HeldButtonIsReleasedWhenItsTimeComes) {
    auto device = MakeDevice();
    auto now = fxsim::Device::Clock::now();
    device.Press(fxsim::Button::Reflection, now + std::chrono::milliseconds(100));
    EXPECT_EQ((PayloadAs<std::array<int32_t, 2>>(device.Handle(MakeRequest(Op::GetButtonStatus)))),
              (std::array<int32_t, 2>{0, 1}));
    device.Tick(now + std::chrono::milliseconds(50));
    EXPECT_EQ(PayloadAs<DIButtonStatus>(device.Handle(MakeRequest(Op::GetButtonStatus))).reflectionTrigger, 1);
    device.Tick(now + std::chrono::milliseconds(100));
    EXPECT_EQ(PayloadAs<DIButtonStatus>(device.Handle(MakeRequest(Op::GetButtonStatus))).reflectionTrigger, 0);
}

TEST(FxScenario, FillsDefaults) {
    std::string error;
    auto none = fxsim::ParseScenario("{}", error);
    ASSERT_TRUE(none);
    ASSERT_EQ(none->size(), 1u);
    EXPECT_EQ(none->front().model, 100);
    EXPECT_EQ(none->front().serial, 1000001);
    EXPECT_EQ(none->front().version, (std::array<uint32_t, 2>{1, 20}));
    EXPECT_EQ(none->front().calibrationStatus, DI_CALIB_READY);

    auto two = fxsim::ParseScenario(R"({"devices":[{"model":200,"sample":"cyan"},{"version":[1,19],"name":"old"}]})", error);
    ASSERT_TRUE(two) << error;
    EXPECT_EQ((*two)[0].model, 200);
    EXPECT_EQ((*two)[0].sample, "cyan");
    EXPECT_EQ((*two)[1].serial, 1000002);
    EXPECT_EQ((*two)[1].version[1], 19u);
    EXPECT_EQ((*two)[1].name, "old");
}

TEST(FxScenario, RejectsMalformedScenariosWithAReason) {
    const std::pair<const char *, const char *> cases[] = {
        {"{\"devices\": [", "not valid JSON"},
        {"[1,2]", "JSON object"},
        {R"({"devices": {}})", "must be a list"},
        {R"({"devices": [7]})", "device 0"},
        {R"({"devices": [{"modle": 100}]})", "unknown key \"modle\""},
        {R"({"devices": [{"serial": 1.5}]})", "\"serial\""},
        {R"({"devices": [{"version": [1]}]})", "\"version\""},
        {R"({"devices": [{"polarization": [3, 0]}]})", "\"polarization\""},
        {R"({"devices": [{"sample": "plutonium"}]})", "\"sample\""},
        {R"({"devices": [{"light": "paper"}]})", "\"light\""},
        {R"({"devices": [{"serial": 5}, {"serial": 5}]})", "used twice"},
        {R"({"device": []})", "unknown key"},
    };
    for (const auto &[json, reason] : cases) {
        std::string error;
        EXPECT_FALSE(fxsim::ParseScenario(json, error)) << json;
        EXPECT_NE(error.find(reason), std::string::npos) << json << " -> " << error;
    }
}

TEST(FxScenario, StateRoundTrips) {
    fxsim::StoredBySerial state;
    state[42].colorSets[49] = std::vector<uint8_t>(1260, 9);
    state[42].userIlluminant[96] = 123.5f;
    std::string error;
    auto back = fxsim::ParseState(fxsim::SerializeState(state), error);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->at(42).colorSets[49], state[42].colorSets[49]);
    EXPECT_FALSE(back->at(42).colorSets[0]);
    EXPECT_EQ(back->at(42).userIlluminant[96], 123.5f);
    EXPECT_FALSE(fxsim::ParseState("garbage", error));
}

}  // namespace
