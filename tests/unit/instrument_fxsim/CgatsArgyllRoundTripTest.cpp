// The CGATS export against ArgyllCMS: measurements of the virtual instrument under D50/2° and
// D65/10° go through the journal entry into a CGATS file, ArgyllCMS's spec2cie recomputes their
// colour from the exported spectra, and its L*a*b* agrees with the program's to 0.01.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>

#include "FxsimHarness.h"
#include "cgats/Cgats.h"
#include "core/instrument/DeviceEnumeration.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/instrument/Measure.h"
#include "core/instrument/PropertySetting.h"
#include "core/instrument/PropertyTables.h"
#include "core/instrument/VireoDllAdapter.h"
#include "core/output/CgatsExport.h"
#include "core/output/MeasurementJournal.h"
#include "core/output/Values.h"
#include "core/platform/AtomicFile.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/CoreTestSupport.h"

namespace {

using namespace ombra;
using namespace ombra::core;

const char kScenario[] = R"({"devices": [{"model": 100, "serial": 7101, "version": [3, 44]}]})";
const char *const kSamples[] = {"cc_purplish_blue", "cc_blue", "cc_cyan", "cc_red", "cc_yellow", "cc_foliage",
                                "cc_white_9.5", "grey_18"};

using ombra::core::test::KeepTable;

struct Condition {
    uint32_t observerMask, illuminantMask;
    int observerText, illuminantText;
    const char *illuminant, *observer;  // as spec2cie and the file name them
    const char *argyllObserver;
};

using Lab = std::array<double, 3>;

Lab LabOf(const Lab &xyz, const Lab &white) {
    const auto f = [](double t) { return t > 216.0 / 24389 ? std::cbrt(t) : (24389.0 / 27 * t + 16) / 116; };
    const double fx = f(xyz[0] / white[0]), fy = f(xyz[1] / white[1]), fz = f(xyz[2] / white[2]);
    return {116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)};
}

double Field(const cgats::Table &t, size_t row, const std::string &name) {
    const int i = t.FieldIndex(name);
    EXPECT_GE(i, 0) << name;
    return i < 0 ? NAN : cgats::ParseNumber(t.rows.at(row).at(static_cast<size_t>(i))).value_or(NAN);
}

Lab Triple(const cgats::Table &t, size_t row, const std::string &prefix, const char *axes) {
    return {Field(t, row, prefix + axes[0]), Field(t, row, prefix + axes[1]), Field(t, row, prefix + axes[2])};
}

class CgatsArgyllRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        Settings() = AppSettings{};
        ASSERT_FALSE(platform::ResString(1165).empty()) << "needs the resource library";
        ASSERT_TRUE(serve_.Start()) << serve_.Output().toStdString();
        std::string error;
        ASSERT_TRUE(LoadInstrumentLibrary(OMBRA_BIN_DIR "/libfxAPI.so", &error)) << error;
        adapter_.emplace();
        EnumeratedDevices found;
        ASSERT_EQ(EnumerateDevices(found, boxes_.Sink()), 1);
        ASSERT_TRUE(ChooseDevice(found, 1, boxes_.Sink(), [](const DeviceList &) {
            Settings().identity.SetSelectedInstrument(0);
            return true;
        }, Settings().identity));
        // The model decides what is collected: the spectrum is one of its results.
        std::string label, model, serial;
        ASSERT_EQ(CPropertySetting(Settings().identity, Settings().measurement).QueryDeviceIdentity(label, model, serial), 0);
    }
    void TearDown() override {
        if (DeviceHandle().load() != 0) ReleaseDevice(DeviceHandle().load(), boxes_.Sink());
        adapter_.reset();
        Settings() = AppSettings{};
    }

    // Measures every sample under the condition as the program does and keeps the journal entries.
    std::vector<JournalEntry> Measure(const Condition &c) {
        MeasurementMasks masks;
        masks.measurementType = 0x1;
        masks.measurementCond = 0x4;  // M1
        masks.observer = c.observerMask;
        masks.illuminant = c.illuminantMask;
        EXPECT_TRUE(ApplyMeasurementSettings(masks).ok());
        MeasurementValues &m = Settings().measurement.InForce();
        m.MeasTypeString = platform::ResString(1140);
        m.MeasCondString = platform::ResString(1143);
        m.ObserverString = platform::ResString(c.observerText);
        m.IlluminantString = platform::ResString(c.illuminantText);
        m.PolarizationString = platform::ResString(1282);
        std::vector<JournalEntry> entries;
        for (const char *sample : kSamples) {
            EXPECT_TRUE(serve_.Ok({"sample", sample}));
            EXPECT_EQ(CVireoDllAdapter().DoMeasurement(), 0);
            CMeasure measure(Settings().identity, Settings().selection);
            measure.measurementType = 1;
            CMeasuredData data;
            EXPECT_EQ(measure.Collect(data), 0);
            const MeasurementStamp stamp{"2026-12-09", sample};
            OutputValues values;
            values.BuildValues(Settings(), data, stamp);
            entries.push_back(MakeJournalEntry(Settings(), values, stamp, data));
        }
        return entries;
    }

    // Runs spec2cie on `in` and reads its output; fails the test when it cannot.
    cgats::Table ArgyllColours(const QString &in, const Condition &c) {
        const QString out = in + ".out.sp";
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start("spec2cie", {"-i", c.illuminant, "-o", c.argyllObserver, in, out});
        EXPECT_TRUE(p.waitForFinished(60000)) << "spec2cie (Debian package argyll) must be installed";
        EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
        QFile f(out);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const cgats::ParseResult r = cgats::Parse(f.readAll().toStdString());
        EXPECT_TRUE(r.ok() && r.tables.size() == 1);
        return r.ok() && !r.tables.empty() ? r.tables.front() : cgats::Table{};
    }

    // spec2cie's XYZ of the perfect diffuser: the white its own L*a*b* is relative to.
    Lab ArgyllWhite(const Condition &c) {
        cgats::Table white;
        white.identifier = "SPECT";
        white.keywords = {{"MEAS_TYPE", "REFLECTIVE"}, {"SPECTRAL_BANDS", "36"}, {"SPECTRAL_START_NM", "380"},
                          {"SPECTRAL_END_NM", "730"}, {"SPECTRAL_NORM", "100"}};
        white.fields = {"SAMPLE_ID"};
        white.rows = {{"1"}};
        for (int nm = 380; nm <= 730; nm += 10) {
            white.fields.push_back("SPEC_" + std::to_string(nm));
            white.rows[0].push_back("100.0");  // spec2cie takes only "." numbers as real
        }
        const QString path = dir_.filePath("white.txt");
        EXPECT_TRUE(platform::WriteFileAtomically(path.toStdString(), cgats::Write({white})));
        const cgats::Table out = ArgyllColours(path, c);
        return out.rows.empty() ? Lab{NAN, NAN, NAN} : Triple(out, 0, "XYZ_", "XYZ");
    }

    void ExpectAgreement(const Condition &c) {
        const std::vector<JournalEntry> entries = Measure(c);
        const QString path = dir_.filePath(QString("measurements-%1.txt").arg(c.illuminant));
        ASSERT_TRUE(platform::WriteFileAtomically(path.toStdString(), CgatsOfEntries(entries, CgatsCreatedNow())));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const cgats::ParseResult exported = cgats::Parse(file.readAll().toStdString());
        ASSERT_TRUE(exported.ok());
        ASSERT_EQ(exported.tables.size(), 1u) << "one condition, one table";
        const cgats::Table &ours = exported.tables[0];
        EXPECT_EQ(*ours.Value("ILLUMINATION_NAME"), c.illuminant);
        EXPECT_EQ(*ours.Value("OBSERVER_ANGLE"), c.observer);
        EXPECT_EQ(*ours.Value("MEASUREMENT_CONDITION"), "M1");
        EXPECT_EQ(*ours.Value("POLARIZATION"), "OFF");
        EXPECT_EQ(*ours.Value("INSTRUMENTATION"), platform::ResString(1234) + " 7101");

        const cgats::Table theirs = ArgyllColours(path, c);
        const Lab white = ArgyllWhite(c);
        ASSERT_EQ(theirs.rows.size(), std::size(kSamples));
        for (size_t i = 0; i < std::size(kSamples); ++i) {
            const Lab program = Triple(ours, i, "LAB_", "LAB");
            MeasuredDataRecord record;
            std::memcpy(static_cast<void *>(&record), entries[i].rawRecord.data(), sizeof record);
            for (int k = 0; k < 3; ++k) EXPECT_NEAR(program[static_cast<size_t>(k)], record.Float(97 + k), 1e-4) << "as measured";
            // spec2cie gives L*a*b* under D50 on the ICC white (96.42, 100, 82.49) and under any other
            // illuminant on that illuminant's white: both are computed from its XYZ on its white.
            const Lab argyll = LabOf(Triple(theirs, i, "XYZ_", "XYZ"), white);
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(argyll[static_cast<size_t>(k)], program[static_cast<size_t>(k)], 0.01) << kSamples[i] << " " << "Lab"[k];
            if (std::string(c.illuminant) != "D50") {
                const Lab own = Triple(theirs, i, std::string(c.illuminant) + "LAB_", "LAB");
                for (int k = 0; k < 3; ++k) EXPECT_NEAR(own[static_cast<size_t>(k)], program[static_cast<size_t>(k)], 0.01) << kSamples[i];
            }
        }
    }

    KeepTable keep_;
    test::NoticeRecorder boxes_;
    fxtest::FxsimServe serve_{kScenario};
    std::optional<CVireoDllAdapter> adapter_;  // holds the device open across the measurements
    QTemporaryDir dir_;
};

TEST_F(CgatsArgyllRoundTrip, D50TwoDegrees) { ExpectAgreement({0x1, 0x4, 1161, 1165, "D50", "2", "1931_2"}); }

TEST_F(CgatsArgyllRoundTrip, D65TenDegrees) { ExpectAgreement({0x2, 0x10, 1162, 1167, "D65", "10", "1964_10"}); }

}  // namespace
