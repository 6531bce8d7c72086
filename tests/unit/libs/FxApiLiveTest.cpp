// The instrument library against a running virtual instrument.
#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "FxsimHarness.h"
#include "fxapi/fxapi.h"

namespace {

using fxtest::Clock;
using fxtest::FxsimServe;

const char kTwoDevices[] = R"({"devices": [
    {"model": 100, "serial": 5001, "version": [3, 44], "name": "first"},
    {"model": 200, "serial": 5002, "version": [1, 20], "polarization": [2, 1]}]})";

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Closes every handle it was given when the test ends, whatever happened.
struct Handles {
    std::vector<DIHANDLE> open;
    DIHANDLE Enum() {
        DIHANDLE handle = 0;
        if (DIEnumDevice(&handle) != DI_OK) return 0;
        open.push_back(handle);
        return handle;
    }
    ~Handles() {
        for (DIHANDLE handle : open) DICloseDevice(handle);
    }
};

// Every library call except enumeration and closing, with arguments that succeed on a
// ready, measured reflection device.
struct Call {
    const char *name;
    std::function<int32_t(DIHANDLE)> invoke;
};

std::vector<Call> DeviceCalls() {
    static float floats[97];
    static int32_t ints[2];
    static DIButtonStatus button;
    static DIDeviceInfo info;
    static DIUserIlluminant illuminant;
    static uint8_t record[DI_COLORSET_RECORD_SIZE];
    return {
        {"DISetProperty", [](DIHANDLE h) { int32_t v = 0; return DISetProperty(h, 5, &v); }},
        {"DIGetButtonStatus", [](DIHANDLE h) { return DIGetButtonStatus(h, &button); }},
        {"DIDoMeasurement", [](DIHANDLE h) { return DIDoMeasurement(h); }},
        {"DIDoCalibration", [](DIHANDLE h) { return DIDoCalibration(h, 7); }},
        {"DIDoPolarizationCalib", [](DIHANDLE h) { return DIDoPolarizationCalib(h); }},
        {"DIGetCalibrateStatus", [](DIHANDLE h) { return DIGetCalibrateStatus(h, ints); }},
        {"DIGetSpectrum", [](DIHANDLE h) { return DIGetSpectrum(h, 0, floats, 36); }},
        {"DIGetColor", [](DIHANDLE h) { return DIGetColor(h, 0, floats); }},
        {"DIGetDensity", [](DIHANDLE h) { return DIGetDensity(h, 0, floats); }},
        {"DIGetColorIndex", [](DIHANDLE h) { return DIGetColorIndex(h, 0, floats); }},
        {"DIGetSpotColorDensity", [](DIHANDLE h) { ints[0] = 0; return DIGetSpotColorDensity(h, 0, ints, floats); }},
        {"DIGetDevInfo", [](DIHANDLE h) { return DIGetDevInfo(h, &info); }},
        {"DIRegUserIlluminant", [](DIHANDLE h) { return DIRegUserIlluminant(h, &illuminant); }},
        {"DIGetUserIlluminant", [](DIHANDLE h) { return DIGetUserIlluminant(h, &illuminant); }},
        {"DIGetCertificationColorSet", [](DIHANDLE h) { return DIGetCertificationColorSet(h, 0, record); }},
        {"DISetCertificationColorSet", [](DIHANDLE h) { return DISetCertificationColorSet(h, 1, record); }},
        {"DIClearCertificationColorSet", [](DIHANDLE h) { return DIClearCertificationColorSet(h, 1); }},
        {"DISetPolFilterCondition", [](DIHANDLE h) { return DISetPolFilterCondition(h, 0); }},
        {"DIGetPolFilterCondition", [](DIHANDLE h) { return DIGetPolFilterCondition(h, ints, ints + 1); }},
    };
}

class FxApiLive : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(serve_.Start()) << serve_.Output().toStdString(); }
    FxsimServe serve_{kTwoDevices};
};

TEST_F(FxApiLive, EnumeratesEachDeviceOnceWithItsIdentity) {
    Handles handles;
    DIHANDLE first = handles.Enum(), second = handles.Enum();
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    EXPECT_NE(first, second);
    DIHANDLE third = 0;
    EXPECT_EQ(DIEnumDevice(&third), DI_ERR_NO_DEVICE);

    DIDeviceInfo info;
    std::memset(&info, 0xEE, sizeof info);
    ASSERT_EQ(DIGetDevInfo(first, &info), DI_OK);
    const auto *bytes = reinterpret_cast<const uint8_t *>(&info);
    int32_t serial, model;
    uint32_t word1, word2;
    std::memcpy(&serial, bytes + 8, 4);
    std::memcpy(&word1, bytes + 12, 4);
    std::memcpy(&word2, bytes + 16, 4);
    std::memcpy(&model, bytes + 100, 4);
    EXPECT_EQ(serial, 5001);
    EXPECT_EQ(word1, 3u);
    EXPECT_EQ(word2, 44u);
    EXPECT_EQ(model, 100);
    ASSERT_EQ(DIGetDevInfo(second, &info), DI_OK);
    EXPECT_EQ(info.serialNumber, 5002);
    EXPECT_EQ(info.modelType, 200);

    // A closed device can be opened again, under a new handle.
    EXPECT_EQ(DICloseDevice(first), DI_OK);
    handles.open.erase(handles.open.begin());
    EXPECT_EQ(DIGetDevInfo(first, &info), DI_ERR_BAD_HANDLE);
    DIHANDLE again = handles.Enum();
    EXPECT_NE(again, 0);
    EXPECT_NE(again, first);
}

TEST_F(FxApiLive, ASecondClientIsRefused) {
    Handles handles;
    ASSERT_NE(handles.Enum(), 0);
    // Another process holding device 0: a direct connection gets "busy".
    int fd = fxsim::ConnectTo((serve_.DeviceDir() + "/fx00-5001.dev").toStdString());
    ASSERT_GE(fd, 0);
    fxproto::Request hello;
    hello.header = {fxproto::kRequestMagic, 1, static_cast<int32_t>(fxproto::Op::EnumDevice), 0, 0, 0};
    auto bytes = fxproto::Encode(hello);
    ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
    fxproto::ResponseDecoder decoder;
    std::optional<fxproto::Response> answer;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (!answer && Clock::now() < deadline) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, 100) <= 0) continue;
        uint8_t buffer[256];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        decoder.Feed(buffer, static_cast<size_t>(n));
        answer = decoder.Next();
    }
    ::close(fd);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.result, DI_ERR_DEVICE_BUSY);
}

TEST_F(FxApiLive, ButtonPressesAreSeen) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    DIButtonStatus status{};
    ASSERT_EQ(DIGetButtonStatus(handle, &status), DI_OK);
    EXPECT_EQ(status.irradianceTrigger, 0);
    EXPECT_EQ(status.reflectionTrigger, 0);

    // Through the command-line program, as a user would.
    QString output;
    ASSERT_EQ(fxtest::RunFxsim({"--dir", serve_.DeviceDir(), "press", "--button", "reflection"}, &output), 0)
        << output.toStdString();
    ASSERT_EQ(DIGetButtonStatus(handle, &status), DI_OK);
    EXPECT_EQ(status.irradianceTrigger, 0);
    EXPECT_EQ(status.reflectionTrigger, 1);
    ASSERT_TRUE(serve_.Ok({"release"}));
    ASSERT_TRUE(serve_.Ok({"press", "--button", "irradiance", "--hold", "200"}));
    ASSERT_EQ(DIGetButtonStatus(handle, &status), DI_OK);
    EXPECT_EQ(status.irradianceTrigger, 1);
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (status.irradianceTrigger == 1 && Clock::now() < deadline) {
        QThread::msleep(20);
        ASSERT_EQ(DIGetButtonStatus(handle, &status), DI_OK);
    }
    EXPECT_EQ(status.irradianceTrigger, 0);

    // The second device is chosen by its serial number.
    DIHANDLE other = handles.Enum();
    ASSERT_TRUE(serve_.Ok({"--device", "5002", "press", "--button", "reflection"}));
    ASSERT_EQ(DIGetButtonStatus(other, &status), DI_OK);
    EXPECT_EQ(status.reflectionTrigger, 1);
    EXPECT_FALSE(serve_.Ok({"--device", "77", "press"}));
}

TEST_F(FxApiLive, UnpluggedDeviceFailsEveryCallPromptly) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    ASSERT_EQ(DIDoMeasurement(handle), DI_OK);
    ASSERT_TRUE(serve_.Ok({"unplug"}));
    for (const auto &call : DeviceCalls()) {
        auto start = Clock::now();
        EXPECT_NE(call.invoke(handle), DI_OK) << call.name;
        EXPECT_LT(MsSince(start), 1500) << call.name;
    }
    EXPECT_EQ(DICloseDevice(handle), DI_OK);  // always released
    handles.open.clear();
    EXPECT_EQ(DIGetButtonStatus(handle, nullptr), DI_ERR_BAD_ARGUMENT);

    // Only the second device is left until the first is plugged in again.
    DIHANDLE other = handles.Enum();
    DIDeviceInfo info{};
    ASSERT_EQ(DIGetDevInfo(other, &info), DI_OK);
    EXPECT_EQ(info.serialNumber, 5002);
    DIHANDLE none = 0;
    EXPECT_EQ(DIEnumDevice(&none), DI_ERR_NO_DEVICE);
    ASSERT_TRUE(serve_.Ok({"plug"}));
    DIHANDLE back = handles.Enum();
    ASSERT_NE(back, 0);
    ASSERT_EQ(DIGetDevInfo(back, &info), DI_OK);
    EXPECT_EQ(info.serialNumber, 5001);
}

TEST_F(FxApiLive, StoppedServerTurnsIntoErrorsNotHangs) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    serve_.Stop();
    DIButtonStatus status{};
    auto start = Clock::now();
    EXPECT_EQ(DIGetButtonStatus(handle, &status), DI_ERR_DEVICE_GONE);
    EXPECT_EQ(DIDoMeasurement(handle), DI_ERR_DEVICE_GONE);
    EXPECT_LT(MsSince(start), 1500);
    DIHANDLE none = 0;
    EXPECT_EQ(DIEnumDevice(&none), DI_ERR_NO_DEVICE);
}

TEST_F(FxApiLive, InjectedFailuresReachTheCaller) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    ASSERT_EQ(DIDoMeasurement(handle), DI_OK);
    for (const auto &call : DeviceCalls()) {
        int32_t normal = call.invoke(handle);
        ASSERT_TRUE(serve_.Ok({"fail", "--call", call.name, "--code", "777"})) << call.name;
        EXPECT_EQ(call.invoke(handle), 777) << call.name;
        EXPECT_EQ(call.invoke(handle), normal) << call.name << ": one failure only";
    }
    ASSERT_TRUE(serve_.Ok({"fail", "--call", "DIGetColor", "--code", "12", "--always"}));
    float color[3];
    for (int i = 0; i < 3; ++i) EXPECT_EQ(DIGetColor(handle, 0, color), 12);
    ASSERT_TRUE(serve_.Ok({"clear"}));
    EXPECT_EQ(DIGetColor(handle, 0, color), DI_OK);

    // Opening and closing fail the same way; a failed close still releases the handle.
    ASSERT_TRUE(serve_.Ok({"--device", "1", "fail", "--call", "DIEnumDevice", "--code", "778"}));
    DIHANDLE other = 0;
    EXPECT_EQ(DIEnumDevice(&other), 778);
    other = handles.Enum();
    ASSERT_NE(other, 0);
    ASSERT_TRUE(serve_.Ok({"--device", "1", "fail", "--call", "DICloseDevice", "--code", "779"}));
    EXPECT_EQ(DICloseDevice(other), 779);
    handles.open.pop_back();
    DIButtonStatus status;
    EXPECT_EQ(DIGetButtonStatus(other, &status), DI_ERR_BAD_HANDLE);
}

TEST_F(FxApiLive, DelayedAnswersArriveLateOrTimeOut) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    ASSERT_EQ(DIDoMeasurement(handle), DI_OK);
    for (const auto &call : DeviceCalls()) {
        int32_t normal = call.invoke(handle);
        ASSERT_TRUE(serve_.Ok({"delay", "--call", call.name, "--ms", "300"})) << call.name;
        auto start = Clock::now();
        EXPECT_EQ(call.invoke(handle), normal) << call.name;
        EXPECT_GE(MsSince(start), 290) << call.name;
        ASSERT_TRUE(serve_.Ok({"delay", "--call", call.name, "--ms", "0"}));
    }
    for (const char *name : {"DIEnumDevice", "DICloseDevice"}) {
        ASSERT_TRUE(serve_.Ok({"--device", "1", "delay", "--call", name, "--ms", "300"}));
    }
    auto start = Clock::now();
    DIHANDLE other = handles.Enum();
    ASSERT_NE(other, 0);
    EXPECT_GE(MsSince(start), 290);
    start = Clock::now();
    EXPECT_EQ(DICloseDevice(other), DI_OK);
    handles.open.pop_back();
    EXPECT_GE(MsSince(start), 290);

    // An answer later than the time-out is a time-out; the late answer is then skipped.
    ASSERT_TRUE(serve_.Ok({"delay", "--call", "DIGetButtonStatus", "--ms", "1600"}));
    DIButtonStatus status;
    EXPECT_EQ(DIGetButtonStatus(handle, &status), DI_ERR_TIMEOUT);
    ASSERT_TRUE(serve_.Ok({"delay", "--call", "DIGetButtonStatus", "--ms", "0"}));
    // Taking the late button answer for this one would break the handle for good.
    DIDeviceInfo info{};
    int32_t result = DI_ERR_TIMEOUT;
    auto deadline = Clock::now() + std::chrono::seconds(10);
    while (result == DI_ERR_TIMEOUT && Clock::now() < deadline) result = DIGetDevInfo(handle, &info);
    EXPECT_EQ(result, DI_OK);
    EXPECT_EQ(info.serialNumber, 5001);
    EXPECT_EQ(DIGetButtonStatus(handle, &status), DI_OK);
}

TEST_F(FxApiLive, MeasurementResultsComeBackInShape) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    DIHANDLE model200 = handles.Enum();
    ASSERT_NE(model200, 0);
    int32_t irradiance = 3;
    EXPECT_EQ(DISetProperty(model200, 0, &irradiance), DI_ERR_NOT_SUPPORTED);
    ASSERT_TRUE(serve_.Ok({"set", "calibrationStatus", "4"}));
    EXPECT_EQ(DIDoMeasurement(handle), DI_ERR_WHITE_CALIBRATION_DUE);
    ASSERT_TRUE(serve_.Ok({"set", "calibrationStatus", "3"}));
    EXPECT_EQ(DIDoMeasurement(handle), DI_ERR_CALIBRATION_DUE);
    ASSERT_EQ(DIDoCalibration(handle, 7), DI_OK);
    ASSERT_TRUE(serve_.Ok({"sample", "black"}));
    ASSERT_EQ(DIDoMeasurement(handle), DI_OK);

    float index[4] = {-1, -1, -1, -1};
    int32_t which = 1;
    ASSERT_EQ(DISetProperty(handle, 7, &which), DI_OK);
    ASSERT_EQ(DIGetColorIndex(handle, 0, index), DI_OK);
    EXPECT_EQ(index[2], -1.0f) << "two floats only for index 1";
    int32_t wavelength = 0;
    float density = 0;
    ASSERT_EQ(DIGetSpotColorDensity(handle, 0, &wavelength, &density), DI_OK);
    EXPECT_GE(wavelength, 380);
    EXPECT_LE(wavelength, 730);
    EXPECT_GT(density, 1.0f);  // a black sample

    ASSERT_EQ(DISetProperty(handle, 0, &irradiance), DI_OK);
    ASSERT_EQ(DIDoMeasurement(handle), DI_OK);
    float spectrum[75];
    ASSERT_EQ(DIGetSpectrum(handle, 0, spectrum, 75), DI_OK);
    EXPECT_GT(spectrum[40], 0.0f);
    float densities[4];
    EXPECT_EQ(DIGetDensity(handle, 0, densities), DI_ERR_VALUE_UNAVAILABLE);
    EXPECT_EQ(densities[0], 3.4028234663852886e38f);
}

TEST_F(FxApiLive, CommandsChangeTheDeviceState) {
    QString spectrum = serve_.DeviceDir() + "/../flat.json";
    QFile file(spectrum);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"name": "flat", "kind": "reflectance", "first": 380, "step": 10, "values": [0.5, 0.5]})");
    file.close();
    ASSERT_TRUE(serve_.Ok({"sample", "--spectrum", spectrum}));
    EXPECT_FALSE(serve_.Ok({"sample", "plutonium"}));
    ASSERT_TRUE(serve_.Ok({"--device", "1", "set", "polarization", "1", "0"}));
    ASSERT_TRUE(serve_.Ok({"set", "calibrationStatus", "5"}));
    EXPECT_FALSE(serve_.Ok({"fail", "--call", "DIFormatDisk", "--code", "1"}));
    EXPECT_FALSE(serve_.Ok({"press", "--button", "elbow"}));

    QString output;
    ASSERT_EQ(fxtest::RunFxsim({"--dir", serve_.DeviceDir(), "status"}, &output), 0);
    QJsonArray devices = QJsonDocument::fromJson(output.toUtf8()).object().value("devices").toArray();
    ASSERT_EQ(devices.size(), 2);
    EXPECT_EQ(devices[0].toObject().value("sample").toString(), "flat");
    EXPECT_EQ(devices[0].toObject().value("calibrationStatus").toInt(), 5);
    EXPECT_EQ(devices[1].toObject().value("polarization").toArray(), (QJsonArray{1, 0}));

    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_EQ(DIDoMeasurement(handle), DI_OK);
    int32_t wavelength = 550;
    float density = 0;
    ASSERT_EQ(DIGetSpotColorDensity(handle, 0, &wavelength, &density), DI_OK);
    EXPECT_NEAR(density, 0.301f, 0.001f);  // reflectance 0.5

    // A second server in the same directory is refused; the first one keeps running.
    EXPECT_EQ(fxtest::RunFxsim({"serve", "--dir", serve_.DeviceDir()}, &output), 1);
    EXPECT_TRUE(output.contains("already running")) << output.toStdString();
    EXPECT_TRUE(serve_.Ok({"status"}));
}

TEST_F(FxApiLive, TwoThreadsShareAHandleSafely) {
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    std::atomic<int> failures{0};
    auto poll = [&] {
        for (int i = 0; i < 100; ++i) {
            DIButtonStatus status;
            DIDeviceInfo info;
            if (DIGetButtonStatus(handle, &status) != DI_OK || DIGetDevInfo(handle, &info) != DI_OK ||
                info.serialNumber != 5001)
                ++failures;
        }
    };
    std::thread a(poll), b(poll);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST_F(FxApiLive, CProgramUsesTheLibrary) {
    QProcess client;
    client.setProcessChannelMode(QProcess::MergedChannels);
    client.start(FXAPI_C_CLIENT, {FXAPI_LIBRARY});
    ASSERT_TRUE(client.waitForFinished(30000));
    QString output = QString::fromLocal8Bit(client.readAll());
    EXPECT_EQ(client.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("serial=5001 model=100 version=3.44")) << output.toStdString();
}

TEST(FxsimServeRestart, ColorSetsAndIlluminantSurviveARestart) {
    uint8_t record[DI_COLORSET_RECORD_SIZE];
    for (size_t i = 0; i < sizeof record; ++i) record[i] = static_cast<uint8_t>(i % 251);
    DIUserIlluminant illuminant{};
    for (int i = 0; i < DI_USER_ILLUMINANT_POINTS; ++i) illuminant.power[i] = 50.0f + static_cast<float>(i);
    FxsimServe serve("{}");
    {
        ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
        Handles handles;
        DIHANDLE handle = handles.Enum();
        ASSERT_NE(handle, 0);
        ASSERT_EQ(DISetCertificationColorSet(handle, 49, record), DI_OK);
        ASSERT_EQ(DISetCertificationColorSet(handle, 3, record), DI_OK);
        ASSERT_EQ(DIClearCertificationColorSet(handle, 3), DI_OK);
        ASSERT_EQ(DIRegUserIlluminant(handle, &illuminant), DI_OK);
    }
    serve.Stop();
    ASSERT_TRUE(serve.Start()) << serve.Output().toStdString();
    Handles handles;
    DIHANDLE handle = handles.Enum();
    ASSERT_NE(handle, 0);
    uint8_t back[DI_COLORSET_RECORD_SIZE] = {};
    ASSERT_EQ(DIGetCertificationColorSet(handle, 49, back), DI_OK);
    EXPECT_EQ(std::memcmp(back, record, sizeof record), 0);
    EXPECT_EQ(DIGetCertificationColorSet(handle, 3, back), DI_ERR_COLORSET_EMPTY);
    EXPECT_EQ(DIGetCertificationColorSet(handle, 0, back), DI_ERR_COLORSET_EMPTY);
    DIUserIlluminant read{};
    ASSERT_EQ(DIGetUserIlluminant(handle, &read), DI_OK);
    EXPECT_EQ(std::memcmp(&read, &illuminant, sizeof read), 0);
}

TEST(FxsimServeScenario, MalformedScenarioIsRejectedWithAMessage) {
    QTemporaryDir dir;
    QFile file(dir.filePath("bad.json"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"devices": [{"model": "big"}]})");
    file.close();
    QString output;
    int code = fxtest::RunFxsim({"serve", "--scenario", file.fileName(), "--dir", dir.filePath("dev")}, &output);
    EXPECT_NE(code, 0);
    EXPECT_NE(code, -1) << "must end normally, not crash";
    EXPECT_TRUE(output.contains("\"model\"")) << output.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("dev/control.sock")));

    code = fxtest::RunFxsim({"serve", "--scenario", dir.filePath("missing.json"), "--dir", dir.filePath("dev")}, &output);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(output.contains("cannot read")) << output.toStdString();
}

TEST(FxsimCommand, ReportsAMissingServer) {
    QTemporaryDir dir;
    QString output;
    EXPECT_EQ(fxtest::RunFxsim({"--dir", dir.path(), "status"}, &output), 1);
    EXPECT_TRUE(output.contains("no virtual instrument")) << output.toStdString();
}

}  // namespace
