#include <gtest/gtest.h>

#include <thread>

#include "core/instrument/VireoDllAdapter.h"
#include "support/FakeInstrument.h"

namespace {

using ombra::core::CVireoDllAdapter;
using ombra::core::DeviceHandle;
using ombra::core::test::FakeInstrument;

TEST(VireoDllAdapter, LastAdapterClosesTheOpenDeviceExactlyOnce) {
    FakeInstrument fake;
    int32_t before = CVireoDllAdapter::Users();
    ASSERT_EQ(before, 0);
    {
        CVireoDllAdapter outer;
        {
            CVireoDllAdapter inner;
            EXPECT_EQ(CVireoDllAdapter::Users(), before + 2);
            DeviceHandle() = 0x123;
        }
        EXPECT_EQ(fake.Count("DICloseDevice"), 0) << "another adapter still uses the instrument";
        EXPECT_EQ(DeviceHandle().load(), 0x123);
    }
    EXPECT_EQ(CVireoDllAdapter::Users(), before);
    EXPECT_EQ(fake.CloseCount(0x123), 1);
    EXPECT_EQ(fake.Count("DICloseDevice"), 1);
    EXPECT_EQ(DeviceHandle().load(), 0);
    { CVireoDllAdapter another; }
    EXPECT_EQ(fake.Count("DICloseDevice"), 1) << "nothing left to close";
    EXPECT_EQ(CVireoDllAdapter::Users(), 0);
}

TEST(VireoDllAdapter, LastAdapterWithoutDeviceClosesNothing) {
    FakeInstrument fake;
    { CVireoDllAdapter only; }
    EXPECT_EQ(fake.Count("DICloseDevice"), 0);
    EXPECT_GE(CVireoDllAdapter::Users(), 0);
}

TEST(VireoDllAdapter, CloseDeviceClearsTheHandleEvenWhenTheLibraryFails) {
    FakeInstrument fake;
    fake.SetResult("DICloseDevice", 7);
    CVireoDllAdapter adapter;
    DeviceHandle() = 0x222;
    EXPECT_EQ(adapter.CloseDevice(), 7);
    EXPECT_EQ(DeviceHandle().load(), 0);
    EXPECT_EQ(fake.CloseCount(0x222), 1);
}

TEST(VireoDllAdapter, EveryOperationIsOneCallWithTheDeviceHandleAndItsResultUnchanged) {
    FakeInstrument fake;
    CVireoDllAdapter adapter;
    DeviceHandle() = 0x321;
    float buffer[97] = {};
    int32_t a = 0, b = 0;
    float density = 0;
    DIUserIlluminant illuminant{};
    DIDeviceInfo info{};
    int32_t value = 3;

    struct Op {
        const char *fn;
        std::function<int32_t()> run;
    };
    std::vector<Op> ops = {
        {"DISetProperty", [&] { return adapter.SetProperty(5, &value); }},
        {"DIDoMeasurement", [&] { return adapter.DoMeasurement(); }},
        {"DIDoCalibration", [&] { return adapter.DoCalibration(7); }},
        {"DIGetSpectrum", [&] { return adapter.GetSpectrum(buffer, 36); }},
        {"DIGetColor", [&] { return adapter.GetColor(buffer); }},
        {"DIGetColorIndex", [&] { return adapter.GetColorIndex(buffer); }},
        {"DIGetDensity", [&] { return adapter.GetDensity(buffer); }},
        {"DIRegUserIlluminant", [&] { return adapter.RegUserIlluminant(&illuminant); }},
        {"DIGetUserIlluminant", [&] { return adapter.GetUserIlluminant(&illuminant); }},
        {"DIGetDevInfo", [&] { return adapter.GetDevInfo(&info); }},
        {"DIGetCalibrateStatus", [&] { return adapter.GetCalibrateStatus(&a); }},
        {"DIClearCertificationColorSet", [&] { return adapter.ClearCertificationColorSet(4); }},
        {"DISetPolFilterCondition", [&] { return adapter.SetPolFilterCondition(1); }},
        {"DIDoPolarizationCalib", [&] { return adapter.DoPolarizationCalib(); }},
        {"DIGetSpotColorDensity", [&] { return adapter.GetSpotColorDensity(&a, &density); }},
        {"DIGetPolFilterCondition", [&] { return adapter.GetPolFilterCondition(&a, &b); }},
    };
    int32_t code = 40;
    for (const Op &op : ops) {
        SCOPED_TRACE(op.fn);
        fake.ClearLog();
        fake.Script(op.fn, {++code});
        EXPECT_EQ(op.run(), code) << "result passed back unchanged";
        ASSERT_EQ(fake.Count(op.fn), 1);
        EXPECT_EQ(fake.Calls().size(), 1u) << "exactly one library call";
        EXPECT_EQ(fake.Calls()[0].handle, 0x321);
    }
    DeviceHandle() = 0;
}

TEST(VireoDllAdapter, SpotDensityWithWavelengthZeroReturnsTheChosenWavelength) {
    FakeInstrument fake;
    fake.SetAutoWavelength(612);
    CVireoDllAdapter adapter;
    int32_t wavelength = 0;
    float density = 0;
    ASSERT_EQ(adapter.GetSpotColorDensity(&wavelength, &density), 0);
    EXPECT_EQ(wavelength, 612);
    EXPECT_EQ(fake.CallsOf("DIGetSpotColorDensity")[0].a, 0);
}

TEST(VireoDllAdapter, CallsFromTwoThreadsNeverOverlap) {
    FakeInstrument fake;
    fake.SetCallDelay(std::chrono::microseconds(200));
    CVireoDllAdapter adapter;
    auto hammer = [&] {
        float values[4];
        for (int i = 0; i < 100; ++i) adapter.GetDensity(values);
    };
    std::thread other(hammer);
    hammer();
    other.join();
    EXPECT_EQ(fake.Count("DIGetDensity"), 200);
    EXPECT_EQ(fake.Overlaps(), 0);
}

TEST(VireoDllAdapter, WithoutALoadedLibraryEveryCallFails) {
    // No fake installed: the stand-in table answers every call with its own code.
    CVireoDllAdapter adapter;
    EXPECT_EQ(adapter.DoMeasurement(), ombra::core::kResultLibraryMissing);
    EXPECT_FALSE(ombra::core::LoadInstrumentLibrary("/nonexistent/libfxAPI.so"));
    EXPECT_EQ(adapter.DoMeasurement(), ombra::core::kResultLibraryMissing);
}

}  // namespace
