#include <gtest/gtest.h>

#include "core/instrument/ErrorMng.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/PropertySetting.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/CoreTestSupport.h"
#include "support/FakeInstrument.h"

namespace {

using namespace ombra;
using namespace ombra::core;
using ombra::core::test::FakeDevice;
using ombra::core::test::FakeInstrument;
namespace mb = ombra::core::platform::mb;

class DeviceIdentity : public ::testing::Test {
protected:
    void SetUp() override { Settings() = AppSettings{}; }
    void TearDown() override { Settings() = AppSettings{}; }

    // Opens a fake device with `device`'s identity and queries it.
    int32_t query(FakeDevice device) {
        DeviceHandle() = fake.AddDevice(device);
        return CPropertySetting(Settings().identity, Settings().measurement).QueryDeviceIdentity(label, model, serial);
    }

    FakeInstrument fake;
    std::string label = "L", model = "M", serial = "S";
};

TEST_F(DeviceIdentity, VersionThresholdsAreComparedUnsigned) {
    struct Case {
        uint32_t v1, v2;
        int32_t expected;
    };
    for (Case c : {Case{1, 19, kResultIdentityUnusable}, Case{1, 20, 0}, Case{0, 99, kResultIdentityUnusable},
                   Case{0xFFFFFFFFu, 0xFFFFFFFFu, 0}, Case{2, 0, kResultIdentityUnusable}}) {
        SCOPED_TRACE(testing::Message() << c.v1 << "/" << c.v2);
        label = "L", model = "M", serial = "S";
        EXPECT_EQ(query({5, 100, c.v1, c.v2}), c.expected);
        if (c.expected != 0) {
            EXPECT_EQ(label, "L");
            EXPECT_EQ(model, "M");
            EXPECT_EQ(serial, "S");
        }
    }
}

TEST_F(DeviceIdentity, FailedReadReturnsItsCodeAndTouchesNothing) {
    fake.Script("DIGetDevInfo", {21});
    Settings().identity.SetModelName("before");
    EXPECT_EQ(query({}), 21);
    EXPECT_EQ(label, "L");
    EXPECT_EQ(Settings().identity.ModelName(), "before");
}

TEST_F(DeviceIdentity, TypeCodesNameTheModelAndFillTheSettings) {
    ASSERT_EQ(query({-42, 100}), 0);
    EXPECT_EQ(serial, "-42");
    EXPECT_EQ(model, platform::ResString(1234));
    EXPECT_EQ(label, platform::ResString(1234) + " : -42");
    EXPECT_EQ(Settings().identity.ModelName(), platform::ResString(1234));
    EXPECT_EQ(Settings().identity.SerialNumberText(), "-42");

    ASSERT_EQ(query({7, 300}), 0);
    EXPECT_EQ(model, "");
    EXPECT_EQ(label, " : 7");
    EXPECT_EQ(Settings().identity.ModelName(), "");
}

TEST_F(DeviceIdentity, ReflectionOnlyModelForcesReflection) {
    Settings().measurement.InForce().MeasurementType = 4;
    Settings().measurement.InForce().MeasurementTypeSel = 1;
    ASSERT_EQ(query({12345, 100}), 0);
    EXPECT_EQ(Settings().measurement.MeasurementType(), 4) << "model 100 keeps the type";
    ASSERT_EQ(query({12345, 200}), 0);
    EXPECT_EQ(model, platform::ResString(1235));
    EXPECT_EQ(Settings().measurement.MeasurementType(), 1);
    EXPECT_EQ(Settings().measurement.MeasurementTypeSel(), 0);
}

TEST(ErrorTables, CodesMapToTheirRowsAndMessages) {
    for (int code = 1; code <= 33; ++code) {
        EXPECT_EQ(CError::RowForCode(code), code + 1);
        EXPECT_EQ(CError::MessageRow(code + 1).messageId, 1200 + code);
    }
    std::vector<std::pair<int, int>> special = {{34, 1303}, {35, 1304}, {36, 1305}, {37, 1390},
                                                {10000, 1398}, {10001, 1398}, {10002, 1398}};
    for (auto [code, message] : special) {
        SCOPED_TRACE(code);
        EXPECT_EQ(CError::MessageRow(CError::RowForCode(code)).messageId, message);
    }
    unsigned flags = mb::ICONEXCLAMATION | mb::SYSTEMMODAL | mb::SETFOREGROUND;
    for (int row = 2; row <= 39; ++row) {
        EXPECT_EQ(CError::MessageRow(row).captionId, 1200);
        EXPECT_EQ(CError::MessageRow(row).flags, flags);
    }
    for (int code : {0, 38, 9999, 10003, 10010, -1}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(CError::RowForCode(code), 40);
    }
    ErrorMessageRow fallback = CError::MessageRow(40);
    EXPECT_EQ(fallback.messageId, 0);
    EXPECT_EQ(fallback.captionId, 0);
    EXPECT_EQ(fallback.flags, mb::OK);
}

class ErrorReport : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = AppSettings{};
        errors.Init(boxes.Sink());
        SetConnectedModelName("");
    }
    void TearDown() override { Settings() = AppSettings{}; }
    static std::string expectedText(const std::string &model, int id) {
        return platform::HasResString(id) ? model + " : " + platform::ResString(id) : std::string();
    }
    CErrorMng errors;
    ombra::core::test::NoticeRecorder boxes{mb::IDOK};
};

TEST_F(ErrorReport, ShowsModelNameSeparatorAndTheCodesText) {
    SetConnectedModelName(platform::ResString(1234));
    boxes.Answer(mb::IDCANCEL);
    EXPECT_EQ(errors.Report(5), mb::IDCANCEL) << "the chosen button comes back";
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Notices()[0].Text(), expectedText(ConnectedModelName(), 1205));
    EXPECT_EQ(boxes.Notices()[0].Caption(), platform::ResString(1200));
    EXPECT_EQ(boxes.Notices()[0].flags, mb::ICONEXCLAMATION | mb::SYSTEMMODAL | mb::SETFOREGROUND);

    errors.Report(10002);
    EXPECT_EQ(boxes.Notices()[1].Text(), expectedText(ConnectedModelName(), 1398));
}

TEST_F(ErrorReport, BeforeAConnectionTheTextStartsWithTheSeparator) {
    errors.Report(34);
    EXPECT_EQ(boxes.Notices()[0].Text(), expectedText("", 1303));
    if (platform::HasResString(1303)) {
        EXPECT_EQ(boxes.Notices()[0].Text().rfind(" : ", 0), 0u);
    }
}

TEST_F(ErrorReport, UnlistedCodesShowAnEmptyOkBox) {
    SetConnectedModelName("Model");
    for (int code : {10003, 38, 0}) {
        boxes.Clear();
        errors.Report(code);
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Notices()[0].Text(), "");
        EXPECT_EQ(boxes.Notices()[0].Caption(), "");
        EXPECT_EQ(boxes.Notices()[0].flags, mb::OK);
    }
}

TEST_F(ErrorReport, MissingMessageTextDropsThePrefix) {
    // Unloadable texts are simulated with a library that is not loaded: every string is missing.
    if (platform::HasResString(1205)) GTEST_SKIP() << "the resource library provides the text";
    SetConnectedModelName("Model");
    errors.Report(5);
    EXPECT_EQ(boxes.Notices()[0].Text(), "") << "model name and separator are dropped too";
}

}  // namespace
