// The program's instrument access against the real instrument library and a running virtual
// instrument: connect, identify, apply the settings, measure, collect, lose the instrument, and
// a colour of a certification colour set read back from it compared as a reference.
#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <thread>

#include "FxsimHarness.h"
#include "colorimetry/Instrument.h"
#include "core/colorset/Configuration.h"
#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/Measure.h"
#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"
#include "core/instrument/WorkThread.h"
#include "core/platform/Resources.h"
#include "core/quality/ReferenceStore.h"
#include "core/settings/AppSettings.h"
#include "support/CoreTestSupport.h"

namespace {

using namespace ombra;
using namespace ombra::core;
namespace cm = ombra::colorimetry;

const char kScenario[] = R"({"devices": [
    {"model": 100, "serial": 7001, "version": [3, 44]},
    {"model": 200, "serial": 7002, "version": [1, 20]}]})";

using ombra::core::test::KeepTable;

class InstrumentOnFxsim : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = AppSettings{};
        if (platform::ResString(1234).empty()) GTEST_SKIP() << "needs the model names of the resource library";
        ASSERT_TRUE(serve_.Start()) << serve_.Output().toStdString();
        std::string error;
        ASSERT_TRUE(LoadInstrumentLibrary(OMBRA_BIN_DIR "/libfxAPI.so", &error)) << error;
    }
    void TearDown() override {
        if (DeviceHandle().load() != 0) ReleaseDevice(DeviceHandle().load(), boxes_.Sink());
        session_.reset();
        Settings() = AppSettings{};
    }

    // Enumerates both virtual devices and keeps the first; the others are released.
    void Connect() {
        session_.emplace();
        EnumeratedDevices found;
        int count = EnumerateDevices(found, boxes_.Sink());
        ASSERT_EQ(count, 2);
        listed_ = found.devices;
        ASSERT_TRUE(ChooseDevice(found, count, boxes_.Sink(), [](const DeviceList &) {
            Settings().identity.SetSelectedInstrument(0);
            return true;
        }, Settings().identity));
        ASSERT_NE(DeviceHandle().load(), 0);
    }
    // Identifies the open device and sets 10° / D65 / M1 reflection.
    void IdentifyAndApply() {
        std::string label, model, serial;
        ASSERT_EQ(CPropertySetting(Settings().identity, Settings().measurement).QueryDeviceIdentity(label, model, serial), 0);
        EXPECT_EQ(model, platform::ResString(1234));
        EXPECT_EQ(serial, "7001");
        EXPECT_EQ(Settings().identity.ModelName(), model);
        MeasurementMasks masks;
        masks.measurementType = 0x1;  // reflection
        masks.measurementCond = 0x4;  // M1
        masks.observer = 0x2;         // 10°
        masks.illuminant = 0x10;      // D65
        ApplyResult applied = ApplyMeasurementSettings(masks);
        ASSERT_TRUE(applied.ok()) << "step " << static_cast<int>(applied.step) << " code " << applied.code;
    }
    void MeasureSample(const QString &sample) {
        ASSERT_TRUE(serve_.Ok({"sample", sample}));
        CVireoDllAdapter adapter;
        ASSERT_EQ(adapter.DoMeasurement(), 0);
    }

    KeepTable keep_;
    test::NoticeRecorder boxes_;
    fxtest::FxsimServe serve_{kScenario};
    DeviceList listed_;
    // A user of the instrument alive across enumeration and the whole session, as the button
    // watcher is in the program: the last adapter to go closes the open device, which would
    // otherwise close the last device enumerated as soon as enumeration ends.
    std::optional<CVireoDllAdapter> session_;
};

cm::InstrumentResults LibraryResults(const std::string &sample) {
    cm::MeasurementProperties props;
    props.observer = cm::kObserver10;
    props.illuminant = cm::kIlluminantD65;
    props.condition = cm::kConditionM1;
    return cm::Measure(*cm::FindSample(sample), props);
}

TEST_F(InstrumentOnFxsim, ConnectIdentifyApplyAndCollectEveryResult) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_EQ(listed_.size(), 2u);
    EXPECT_EQ(listed_.at(0), std::make_pair(platform::ResString(1234), std::string("7001")));
    EXPECT_EQ(listed_.at(1), std::make_pair(platform::ResString(1235), std::string("7002")));
    ASSERT_NO_FATAL_FAILURE(IdentifyAndApply());
    QJsonArray devices = serve_.Status().value("devices").toArray();
    EXPECT_EQ(devices[0].toObject().value("properties").toArray(), (QJsonArray{0, 0, 1, 4, 2, 0, 0, 0, 1}));
    EXPECT_EQ(devices[1].toObject().value("properties").toArray().at(8).toInt(), 0) << "the other one was released";

    ASSERT_NO_FATAL_FAILURE(MeasureSample("cc_purplish_blue"));
    Settings().selection.InForce().densitySpectrumSelected = true;
    CMeasure measure(Settings().identity, Settings().selection);
    measure.measurementType = 1;
    CMeasuredData data;
    ASSERT_EQ(measure.Collect(data), 0);
    ASSERT_EQ(data.Count(), 1u);
    const MeasuredDataRecord &r = data.Record(0);
    const auto expected = LibraryResults("cc_purplish_blue");

    for (int i = 0; i < 36; ++i) EXPECT_FLOAT_EQ(r.Float(i), expected.spectrum[i]) << i;
    EXPECT_EQ(r.Float(36), 0.f) << "36 spectral points for reflection";
    struct Place {
        int first, colourValue;
    };
    for (Place p : {Place{97, 0}, Place{100, 1}, Place{103, 3}, Place{106, 2}, Place{109, 4}})
        for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(r.Float(p.first + i), expected.colour[p.colourValue][i]) << p.first;
    for (int set = 0; set < 5; ++set)
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(r.Float(112 + 4 * set + i), expected.density[set][i]);
    EXPECT_FLOAT_EQ(r.Float(132), expected.index[1][0]);
    EXPECT_FLOAT_EQ(r.Float(133), expected.index[1][1]);
    EXPECT_FLOAT_EQ(r.Float(134), expected.index[0][0]);
    for (int i = 0; i < 3; ++i) EXPECT_FLOAT_EQ(r.Float(135 + i), expected.index[2][i]);
    int spotsEqual = 0;
    for (int nm = 380; nm <= 730; ++nm)
        spotsEqual += r.Float(MeasuredDataRecord::SpotDensityIndex(nm)) == expected.spot[nm - 380];
    EXPECT_EQ(spotsEqual, 351);
    EXPECT_EQ(r.Int(MeasuredDataRecord::kAutoSpotWavelength), expected.automaticNm);
    EXPECT_FLOAT_EQ(r.Float(MeasuredDataRecord::kAutoSpotDensity), expected.automaticDensity);
    EXPECT_EQ(boxes_.Count(), 0u) << (boxes_.Count() ? boxes_.Notices()[0].Text() : std::string());
}

TEST_F(InstrumentOnFxsim, UnpluggingDuringCollectionFailsItAndTheWatcherSeesTheLoss) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_NO_FATAL_FAILURE(IdentifyAndApply());
    ASSERT_NO_FATAL_FAILURE(MeasureSample("grey_18"));
    Settings().selection.InForce().densitySpectrumSelected = true;
    // The density answers are held back; the instrument goes away meanwhile (or already
    // while the spot densities are fetched: either way inside the collection).
    ASSERT_TRUE(serve_.Ok({"delay", "--call", "DIGetDensity", "--ms", "800"}));
    CMeasuredData data;
    int32_t rc = 0;
    std::thread collector([&] {
        CMeasure measure(Settings().identity, Settings().selection);
        measure.measurementType = 1;
        rc = measure.Collect(data);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(serve_.Ok({"unplug"}));
    collector.join();
    EXPECT_NE(rc, 0);
    EXPECT_EQ(data.Count(), 0u) << "a failed collection appends nothing";

    std::mutex lock;
    std::vector<WatchEvent> posted;
    CButtonWatchThread watcher([&](WatchEvent event) {
        std::lock_guard guard(lock);
        posted.push_back(event);
    });
    watcher.PollOnce();
    EXPECT_EQ(posted, std::vector<WatchEvent>{WatchEvent::InstrumentLost});
}

TEST_F(InstrumentOnFxsim, AFailingResultCallFailsTheCollectionWithItsCode) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_NO_FATAL_FAILURE(IdentifyAndApply());
    ASSERT_NO_FATAL_FAILURE(MeasureSample("solid_cyan"));
    ASSERT_TRUE(serve_.Ok({"fail", "--call", "DIGetColorIndex", "--code", "19", "--times", "1"}));
    CMeasure measure(Settings().identity, Settings().selection);
    measure.measurementType = 1;
    CMeasuredData data;
    EXPECT_EQ(measure.Collect(data), 19);
    EXPECT_EQ(data.Count(), 0u);
    // The fault was used up: the next collection of the same measurement succeeds.
    EXPECT_EQ(measure.Collect(data), 0);
    EXPECT_EQ(data.Count(), 1u);
}

// A set sent to the instrument and read back: its colour is a reference with the set's
// conditions and tolerances, and a measurement of that very colour passes it.
TEST_F(InstrumentOnFxsim, AColourOfACertificationSetReadBackIsAReferenceWithItsTolerance) {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_NO_FATAL_FAILURE(IdentifyAndApply());
    const auto expected = LibraryResults("cc_purplish_blue");
    const std::array<float, 3> lab = expected.colour[0];  // L*a*b* under D65 / 10°, as applied
    CConfiguration sent;
    sent.ResetAll();
    ColorSet &set = *sent.Slot(4);
    set.name = "Fxsim";
    set.illuminant = cm::kIlluminantD65;
    set.observer = cm::kObserver10;
    set.differenceFormula = 3;  // ΔE00
    set.colors[2] = {"Blue", float(lab[0]), float(lab[1]), float(lab[2]), 1, 1,
                     {Tolerance{1, 1.0f}, {0, 0.0f}, {1, 2.0f}, {1, 1.5f}}};
    ASSERT_EQ(sent.WriteToInstrument(4), 0);

    CConfiguration read;
    ASSERT_EQ(read.ReadAllFromInstrument(), 0);
    ASSERT_TRUE(read.Slot(4));
    const std::vector<Reference> refs = ReferencesOfColorSet(*read.Slot(4));
    ASSERT_EQ(refs.size(), 1u);
    const Reference &blue = refs[0];
    EXPECT_EQ(blue.name, "Blue");
    EXPECT_NEAR(blue.lab[0], lab[0], 1e-4);
    EXPECT_NEAR(blue.lab[2], lab[2], 1e-4);
    EXPECT_EQ(blue.conditions, (ViewingConditions{cm::kIlluminantD65, cm::kObserver10}));
    EXPECT_EQ(blue.tolerance.formula, DeltaEFormula::Ciede2000);
    EXPECT_DOUBLE_EQ(blue.tolerance.limit, 1.5);
    EXPECT_DOUBLE_EQ(blue.tolerance.componentLimits[0], 1.0);
    EXPECT_DOUBLE_EQ(blue.tolerance.componentLimits[4], 2.0);

    ASSERT_NO_FATAL_FAILURE(MeasureSample("cc_purplish_blue"));
    CMeasure measure(Settings().identity, Settings().selection);
    measure.measurementType = 1;
    CMeasuredData data;
    ASSERT_EQ(measure.Collect(data), 0);
    const MeasuredDataRecord &r = data.Record(0);
    const Comparison c = Compare(blue, {{r.Float(MeasuredDataRecord::kColorValue0), r.Float(MeasuredDataRecord::kColorValue0 + 1),
                                         r.Float(MeasuredDataRecord::kColorValue0 + 2)},
                                        blue.conditions});
    ASSERT_TRUE(c.Computed());
    EXPECT_LT(c.dE00, 0.01);
    EXPECT_EQ(c.verdict, Verdict::Pass);
    EXPECT_EQ(boxes_.Count(), 0u);
}

}  // namespace
