#include <gtest/gtest.h>

#include <algorithm>

#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/PropertyTables.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::FakeCall;
using ombra::core::test::FakeDevice;
using ombra::core::test::FakeInstrument;
namespace mb = ombra::core::platform::mb;

class Enumeration : public ::testing::Test {
protected:
    void SetUp() override { Settings() = AppSettings{}; }
    void TearDown() override { Settings() = AppSettings{}; }

    // Handles whose connection flag was cleared and which were then closed, in order.
    std::vector<DIHANDLE> released() const {
        std::vector<DIHANDLE> out;
        DIHANDLE cleared = 0;
        for (const FakeCall &c : fake.Calls()) {
            if (c.fn == "DISetProperty" && c.a == prop::kConnection && c.b == 0) cleared = c.handle;
            if (c.fn == "DICloseDevice" && c.handle == cleared) out.push_back(c.handle);
        }
        return out;
    }
    std::vector<DIHANDLE> addDevices(int n, FakeDevice device = {}) {
        std::vector<DIHANDLE> handles;
        for (int i = 0; i < n; ++i) {
            device.serial = 500 + i;
            handles.push_back(fake.AddDevice(device));
        }
        return handles;
    }

    FakeInstrument fake;
    CVireoDllAdapter mainWindow;  // the main window's adapter keeps a chosen device open
    ombra::core::test::NoticeRecorder boxes;
    EnumeratedDevices found;
};

TEST_F(Enumeration, OpensEachDeviceSettlesMarksItConnectedAndIdentifiesIt) {
    auto handles = addDevices(2);
    EXPECT_EQ(EnumerateDevices(found, boxes.Sink()), 2);
    EXPECT_EQ(fake.Count("DIEnumDevice"), kEnumerationAttempts) << "attempts, not devices";
    EXPECT_EQ(fake.Pauses(), (std::vector<int>{500, 500}));
    std::vector<std::string> firstDevice;
    for (const FakeCall &c : fake.Calls())
        if (c.handle == handles[0]) firstDevice.push_back(c.fn);
    EXPECT_EQ(firstDevice, (std::vector<std::string>{"DISetProperty", "DIGetDevInfo"}));
    EXPECT_EQ(fake.CallsOf("DISetProperty")[0].a, prop::kConnection);
    EXPECT_EQ(fake.CallsOf("DISetProperty")[0].b, 1);
    EXPECT_EQ(found.devices.at(0), std::make_pair(platform::ResString(1234), std::string("500")));
    EXPECT_EQ(found.devices.at(1).second, "501");
    EXPECT_EQ(found.handles[0], handles[0]);
    EXPECT_EQ(found.handles[1], handles[1]);
    EXPECT_EQ(fake.Count("DICloseDevice"), 0);
}

TEST_F(Enumeration, StopsAtTheTenthUsableDevice) {
    addDevices(11);
    EXPECT_EQ(EnumerateDevices(found, boxes.Sink()), 10);
    EXPECT_EQ(fake.OpenedCount(), 10) << "the eleventh is never opened";
    EXPECT_EQ(fake.Count("DIEnumDevice"), 10);
    EXPECT_EQ(found.devices.size(), 10u);
}

TEST_F(Enumeration, RefusedConnectionFlagIsReportedAndTheDeviceClosed) {
    auto handles = addDevices(1);
    fake.Script("DISetProperty", {3, 4});
    EXPECT_EQ(EnumerateDevices(found, boxes.Sink()), 0);
    // Setting and clearing the flag both failed: the refusal is told once, letting the device
    // go again tells nothing more.
    ASSERT_EQ(boxes.Count(), 1u);
    for (const auto &box : boxes.Notices()) {
        EXPECT_EQ(box.Text(), platform::ResString(1244));
        EXPECT_EQ(box.flags, mb::ICONHAND);
    }
    EXPECT_EQ(fake.CloseCount(handles[0]), 1);
    EXPECT_EQ(fake.Count("DIGetDevInfo"), 0);
    EXPECT_TRUE(found.unusable.empty());
}

TEST_F(Enumeration, NoDeviceAtAllSaysSo) {
    int count = EnumerateDevices(found, boxes.Sink());
    EXPECT_FALSE(ChooseDevice(found, count, boxes.Sink(), {}, Settings().identity));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Notices()[0].Text(), platform::ResString(1183));
    EXPECT_EQ(boxes.Notices()[0].flags, mb::ICONHAND);
}

TEST_F(Enumeration, OnlyRefusedDevicesAreReleasedAndReported) {
    auto handles = addDevices(2, {0, 100, 1, 19});
    int count = EnumerateDevices(found, boxes.Sink());
    EXPECT_EQ(count, 0);
    EXPECT_EQ(found.unusable, handles);
    EXPECT_FALSE(ChooseDevice(found, count, boxes.Sink(), {}, Settings().identity));
    EXPECT_EQ(released(), handles);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Notices()[0].Text(), platform::ResString(1401));
}

TEST_F(Enumeration, OneUsableDeviceIsTakenWithoutAsking) {
    auto handles = addDevices(2);
    fake.Script("DIGetDevInfo", {0, 14});  // the second one cannot be identified
    int count = EnumerateDevices(found, boxes.Sink());
    ASSERT_EQ(count, 1);
    EXPECT_EQ(found.unidentified, std::vector<DIHANDLE>{handles[1]});
    bool asked = false;
    EXPECT_TRUE(ChooseDevice(found, count, boxes.Sink(), [&](const DeviceList &) { return asked = true; }, Settings().identity));
    EXPECT_FALSE(asked);
    EXPECT_EQ(DeviceHandle().load(), handles[0]);
    EXPECT_EQ(released(), std::vector<DIHANDLE>{handles[1]}) << "an unidentified device is released too";
    EXPECT_EQ(fake.CloseCount(handles[0]), 0);
}

TEST_F(Enumeration, ThreeDevicesOneRefusedListsTwoAndReleasesTheRefusedOne) {
    std::vector<DIHANDLE> handles = {fake.AddDevice({1, 100}), fake.AddDevice({2, 200, 1, 19}),
                                     fake.AddDevice({3, 200})};
    int count = EnumerateDevices(found, boxes.Sink());
    ASSERT_EQ(count, 2);
    DeviceList shown;
    ASSERT_TRUE(ChooseDevice(found, count, boxes.Sink(), [&](const DeviceList &list) {
        shown = list;
        Settings().identity.SetSelectedInstrument(1);
        return true;
    }, Settings().identity));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown.at(0).second, "1");
    EXPECT_EQ(shown.at(1), std::make_pair(platform::ResString(1235), std::string("3")));
    EXPECT_EQ(DeviceHandle().load(), handles[2]);
    EXPECT_EQ(released(), (std::vector<DIHANDLE>{handles[0], handles[1]}));
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(Enumeration, CancelReleasesEveryDevice) {
    auto handles = addDevices(3);
    handles.push_back(fake.AddDevice({9, 100, 0, 50}));
    int count = EnumerateDevices(found, boxes.Sink());
    ASSERT_EQ(count, 3);
    EXPECT_FALSE(ChooseDevice(found, count, boxes.Sink(), [](const DeviceList &) { return false; }, Settings().identity));
    EXPECT_EQ(released(), handles) << "listed ones first, then the refused one";
    EXPECT_EQ(DeviceHandle().load(), 0);
}

TEST_F(Enumeration, OkOnTheThirdRowConnectsTheThirdDevice) {
    auto handles = addDevices(4);
    int count = EnumerateDevices(found, boxes.Sink());
    ASSERT_TRUE(ChooseDevice(found, count, boxes.Sink(), [](const DeviceList &) {
        Settings().identity.SetSelectedInstrument(2);
        return true;
    }, Settings().identity));
    EXPECT_EQ(DeviceHandle().load(), handles[2]);
    EXPECT_EQ(released(), (std::vector<DIHANDLE>{handles[0], handles[1], handles[3]}));
    for (DIHANDLE h : released()) EXPECT_EQ(fake.CloseCount(h), 1);
    EXPECT_EQ(fake.CloseCount(handles[2]), 0);
}

TEST_F(Enumeration, AChoiceOutsideTheListNeverReachesAnUnlistedHandle) {
    auto handles = addDevices(2);
    int count = EnumerateDevices(found, boxes.Sink());
    ASSERT_TRUE(ChooseDevice(found, count, boxes.Sink(), [](const DeviceList &) {
        Settings().identity.SetSelectedInstrument(7);
        return true;
    }, Settings().identity));
    EXPECT_EQ(DeviceHandle().load(), handles[0]);
    EXPECT_EQ(Settings().identity.SelectedInstrument(), 0);
    EXPECT_EQ(released(), std::vector<DIHANDLE>{handles[1]});
}

TEST_F(Enumeration, ReleasingClearsTheFlagBeforeClosing) {
    ReleaseDevice(0x400, boxes.Sink());
    auto names = fake.Names();
    EXPECT_EQ(names, (std::vector<std::string>{"DISetProperty", "DICloseDevice"}));
    EXPECT_EQ(fake.Calls()[0].handle, 0x400);
    EXPECT_EQ(fake.Calls()[0].b, 0);
    EXPECT_EQ(DeviceHandle().load(), 0);

    fake.Script("DISetProperty", {5});
    ReleaseDevice(0x401, boxes.Sink());
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(fake.CloseCount(0x401), 1) << "closed even when the flag could not be cleared";
}

}  // namespace
