// The editor's work with the instrument and the colour library: read-back and register
// sequences, the light-source measurement, the colour calculation request and its failures.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>

#include "core/illuminant/LightSourceMeasurement.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/IlluminantTestSupport.h"
#include "support/OwnInstrument.h"
#include "support/TestSupport.h"
#include "ui/illuminant/CUserIlluminantDlg.h"
#include "ui/platform/FileDialog.h"

using namespace ombra::core;

namespace ombra::ui::test {
namespace {

using core::platform::mb::ICONASTERISK;
using core::platform::mb::ICONHAND;

constexpr unsigned kErrorManagerFlags =
    core::platform::mb::ICONEXCLAMATION | core::platform::mb::SYSTEMMODAL | core::platform::mb::SETFOREGROUND;

class EditorTest : public ::testing::Test {
protected:
    EditorTest() : saved_(Settings()) {
        Settings().identity.SetModelName(core::platform::ResString(1234));
        SetConnectedModelName(Settings().identity.ModelName());
        Settings().measurement.InForce().MeasurementType = 1;
        Settings().measurement.InForce().Observer = 2;
        Settings().measurement.InForce().Polarization = 0;
        device_ = instrument_.AddDevice();
        DeviceHandle() = device_;
        previousHook_ = ui::platform::SetFileDialogHook([this](const ui::platform::FileDialogRequest &request) {
            requests_.push_back(request);
            return answer_;
        });
    }
    ~EditorTest() override {
        ui::platform::SetFileDialogHook(previousHook_);
        Settings() = saved_;
    }

    QString Text(CUserIlluminantDlg &dialog, int id) {
        return dialog.findChild<QLabel *>(QStringLiteral("ctl_%1").arg(id))->text();
    }
    bool ResultsShown(CUserIlluminantDlg &dialog) {
        for (int id = 1084; id <= 1089; ++id)
            if (dialog.findChild<QLabel *>(QStringLiteral("ctl_%1").arg(id))->isHidden()) return false;
        return true;
    }
    bool Enabled(CUserIlluminantDlg &dialog, int id) {
        return dialog.findChild<QPushButton *>(QStringLiteral("ctl_%1").arg(id))->isEnabled();
    }
    std::string ErrorText(int32_t code) { return Settings().identity.ModelName() + " : " + core::platform::ResString(1200 + code); }
    std::string Path(const std::string &name) { return dir_.path().toStdString() + "/" + name; }

    AppSettings saved_;
    IlluminantInstrument instrument_;
    core::test::OwnInstrument own_;  // the dialogs' instrument, over instrument_
    DIHANDLE device_ = 0;
    QTemporaryDir dir_;
    std::optional<std::string> answer_;
    std::vector<ui::platform::FileDialogRequest> requests_;
    ui::platform::FileDialogHook previousHook_;
};

TEST_F(EditorTest, StartsEmptyWithSaveAndRegisterOffAndResultsHidden) {
    CUserIlluminantDlg dialog(own_);
    EXPECT_EQ(dialog.objectName(), "dlg_184");
    for (float v : dialog.Record().power) EXPECT_EQ(v, 0.0f);
    EXPECT_EQ(dialog.Results(), (IlluminantResults{0, 0, 0}));
    EXPECT_FALSE(Enabled(dialog, 1080));
    EXPECT_FALSE(Enabled(dialog, 1082));
    EXPECT_TRUE(Enabled(dialog, 1083));
    EXPECT_FALSE(ResultsShown(dialog));

    Settings().identity.SetModelName(core::platform::ResString(1235));
    CUserIlluminantDlg reflectionOnly(own_);
    EXPECT_FALSE(Enabled(reflectionOnly, 1083));
}

TEST_F(EditorTest, ReadBackTakesTheInstrumentsIlluminantAndShowsItsValues) {
    IlluminantInstrument::stored() = RampRecord(2.0f, 0.5f);
    FakeColorLibrary colour(0, {1234.9f, 5003.7f, -0.0042f});
    MessageBoxRecorder boxes;
    CUserIlluminantDlg dialog(own_);
    instrument_.ClearLog();
    dialog.OnReadFromInstrument();

    ASSERT_EQ(instrument_.Names(), std::vector<std::string>{"DIGetUserIlluminant"});
    EXPECT_EQ(instrument_.Calls()[0].handle, device_);
    EXPECT_EQ(0, std::memcmp(&dialog.Record(), &IlluminantInstrument::stored(), sizeof(UserIlluminantRecord)));
    ASSERT_EQ(colour.Calls().size(), 1u);
    EXPECT_EQ(boxes.Count(), 0u);
    EXPECT_TRUE(ResultsShown(dialog));
    EXPECT_TRUE(Enabled(dialog, 1080));
    EXPECT_TRUE(Enabled(dialog, 1082));
    EXPECT_EQ(Text(dialog, 1087), "1234 [lx]");
    EXPECT_EQ(Text(dialog, 1088), "5003 [K]");
    EXPECT_EQ(Text(dialog, 1089), "-0.004");
}

TEST_F(EditorTest, FailedReadBackGoesToTheErrorManagerAndLeavesTheRecord) {
    IlluminantInstrument::stored() = RampRecord();
    FakeColorLibrary colour;
    MessageBoxRecorder boxes;
    CUserIlluminantDlg dialog(own_);
    instrument_.Script("DIGetUserIlluminant", {5});
    dialog.OnReadFromInstrument();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, ErrorText(5));
    EXPECT_EQ(boxes.Boxes()[0].caption, core::platform::ResString(1200));
    EXPECT_EQ(boxes.Boxes()[0].flags, kErrorManagerFlags);
    for (float v : dialog.Record().power) EXPECT_EQ(v, 0.0f);  // the library's scribbles are not taken
    EXPECT_TRUE(colour.Calls().empty());
    EXPECT_FALSE(ResultsShown(dialog));
}

// An instrument without a user illuminant says so with its code 29, or answers with a record of
// zeros: both read as "none registered", never as a failure of the colour calculation.
TEST_F(EditorTest, ReadingAnInstrumentWithoutAUserIlluminantSaysNoneIsRegistered) {
    FakeColorLibrary colour;
    for (const bool answersWithCode : {true, false}) {
        IlluminantInstrument::stored() = {};
        if (answersWithCode) instrument_.Script("DIGetUserIlluminant", {kNoUserIlluminantCode});
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        dialog.OnReadFromInstrument();
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, Settings().identity.ModelName() + " : " + core::platform::ResString(1229));
        EXPECT_EQ(boxes.Boxes()[0].flags, kErrorManagerFlags);
        EXPECT_TRUE(colour.Calls().empty());
        EXPECT_FALSE(ResultsShown(dialog));
        EXPECT_FALSE(Enabled(dialog, 1082)) << "nothing to register";
    }
}

// Under a fresh home the file dialogs start in the user's documents, never beside the program.
TEST_F(EditorTest, FileDialogsStartInTheUsersIlluminantFolder) {
    QTemporaryDir home;
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.path()));
    CUserIlluminantDlg dialog(own_);
    dialog.OnOpen();
    IlluminantInstrument::stored() = RampRecord();
    FakeColorLibrary colour(0, {1.0f, 2.0f, 3.0f});
    dialog.OnReadFromInstrument();
    dialog.OnSave();
    qputenv("HOME", previousHome);
    ASSERT_EQ(requests_.size(), 2u);
    for (const auto &request : requests_) {
        EXPECT_EQ(request.startFolder, home.path().toStdString() + "/Documents/Ombra Data Transfer/Illuminants");
        EXPECT_TRUE(request.createStartFolder);
    }
}

TEST_F(EditorTest, RegisterSendsTheRecordAndConfirms) {
    IlluminantInstrument::stored() = RampRecord(1.0f, 2.0f);
    FakeColorLibrary colour;
    MessageBoxRecorder boxes;
    CUserIlluminantDlg dialog(own_);
    dialog.OnReadFromInstrument();
    instrument_.ClearLog();
    dialog.OnRegister();
    ASSERT_EQ(instrument_.Names(), std::vector<std::string>{"DIRegUserIlluminant"});
    EXPECT_EQ(instrument_.Calls()[0].handle, device_);
    ASSERT_EQ(IlluminantInstrument::registered().size(), 1u);
    EXPECT_EQ(0, std::memcmp(&IlluminantInstrument::registered()[0], &dialog.Record(), sizeof(UserIlluminantRecord)));
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, core::platform::ResString(1337));
    EXPECT_EQ(boxes.Boxes()[0].flags, ICONASTERISK);

    boxes.Clear();
    instrument_.Script("DIRegUserIlluminant", {25});
    dialog.OnRegister();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].flags, kErrorManagerFlags);
    EXPECT_EQ(boxes.Boxes()[0].text, ErrorText(25));
}

TEST_F(EditorTest, MeasuringALightSourceRunsTheSequenceAndRestoresTheSettings) {
    MessageBoxRecorder boxes;
    CUserIlluminantDlg dialog(own_);
    instrument_.ClearLog();
    dialog.OnMeasure();

    ASSERT_EQ(boxes.Count(), 1u);  // the question only
    EXPECT_EQ(boxes.Boxes()[0].text, core::platform::ResString(1339));
    EXPECT_EQ(boxes.Boxes()[0].flags, core::platform::mb::OKCANCEL | ICONASTERISK);
    std::vector<std::string> expected = {"DISetProperty", "DISetProperty", "DIDoMeasurement", "DISetProperty",
                                         "DIGetColor",    "DIGetSpectrum", "DISetProperty",   "DISetProperty"};
    ASSERT_EQ(instrument_.Names(), expected);
    auto calls = instrument_.Calls();
    std::vector<std::pair<int, int>> properties;
    for (const FakeCall &c : calls)
        if (c.fn == "DISetProperty") properties.push_back({c.a, c.b});
    // Irradiance, 2 degrees, light-source values; then the stored reflection and 10 degrees back.
    EXPECT_EQ(properties, (std::vector<std::pair<int, int>>{{0, 3}, {2, 0}, {5, 6}, {0, 0}, {2, 1}}));
    EXPECT_EQ(calls[5].a, 75);
    for (int i = 0; i < 97; ++i) {
        float expectedValue = i >= 12 && i <= 86 ? FakeInstrument::SpectrumValue(i - 12) : 0.0f;
        EXPECT_EQ(dialog.Record().power[i], expectedValue) << i;
    }
    // The plot beside the controls follows the new record point for point.
    const auto &plotted = dialog.Plot()->Curves().at(0).points;
    ASSERT_EQ(plotted.size(), 97u);
    for (int i = 0; i < 97; ++i) {
        EXPECT_EQ(plotted[i].nm, 300.0 + 5 * i);
        EXPECT_EQ(plotted[i].value, double(dialog.Record().power[i])) << i;
    }
    EXPECT_EQ(Text(dialog, 1087), "61 [lx]");
    EXPECT_EQ(Text(dialog, 1088), "62 [K]");
    EXPECT_EQ(Text(dialog, 1089), "63.000");
    EXPECT_TRUE(Enabled(dialog, 1080));
}

TEST_F(EditorTest, MeasuringIsRefusedUnderPolarisationAndStopsOnCancel) {
    CUserIlluminantDlg dialog(own_);
    instrument_.ClearLog();
    {
        MessageBoxRecorder boxes(core::platform::mb::IDCANCEL);
        dialog.OnMeasure();
        ASSERT_EQ(boxes.Count(), 1u);
        EXPECT_EQ(boxes.Boxes()[0].text, core::platform::ResString(1339));
    }
    Settings().measurement.InForce().Polarization = 1;
    MessageBoxRecorder boxes;
    dialog.OnMeasure();
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, core::platform::ResString(1338));
    EXPECT_EQ(boxes.Boxes()[0].flags, ICONHAND);
    EXPECT_TRUE(instrument_.Calls().empty());
}

// A failed measurement is reported once, keeps the record, and still puts the user's
// measurement type and observer back.
TEST_F(EditorTest, FailedMeasurementIsReportedAndTheSettingsAreStillRestored) {
    for (const char *failing : {"DIDoMeasurement", "DIGetColor", "DIGetSpectrum"}) {
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        instrument_.ClearLog();
        instrument_.Script(failing, {19});
        dialog.OnMeasure();
        ASSERT_EQ(boxes.Count(), 2u) << failing;
        EXPECT_EQ(boxes.Boxes()[1].text, ErrorText(19)) << failing;
        for (float v : dialog.Record().power) EXPECT_EQ(v, 0.0f);
        EXPECT_FALSE(ResultsShown(dialog)) << failing;
        EXPECT_EQ(instrument_.Property(0), 0) << failing;
        EXPECT_EQ(instrument_.Property(2), 1) << failing;
    }
}

TEST_F(EditorTest, FailedRestoreIsReportedButTheNewSpectrumStaysShownWithItsValues) {
    instrument_.SetRule([n = 0](const FakeCall &c) mutable -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 0 && ++n == 2) return 7;  // the restore of the type
        return std::nullopt;
    });
    MessageBoxRecorder boxes;
    CUserIlluminantDlg dialog(own_);
    dialog.OnMeasure();
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].text, ErrorText(7));
    EXPECT_EQ(dialog.Record().power[12], FakeInstrument::SpectrumValue(0));
    EXPECT_TRUE(ResultsShown(dialog));
    EXPECT_EQ(Text(dialog, 1087), "61 [lx]");
    EXPECT_EQ(instrument_.Property(2), 1);  // the observer is still put back
}

TEST_F(EditorTest, ColourRequestTakesPlacesTwelveToEightySix) {
    FakeColorLibrary colour(0, {10.0f, 20.0f, 0.5f});
    UserIlluminantRecord record = RampRecord(100.0f, 1.0f);
    IlluminantResults results{};
    ASSERT_EQ(ComputeIlluminantResults(record, results), 0);
    ASSERT_EQ(colour.Calls().size(), 1u);
    const auto &call = colour.Calls()[0];
    EXPECT_EQ(call.count, 75);
    EXPECT_EQ(call.header[0], 6);
    EXPECT_EQ(call.header[1], 0);
    EXPECT_EQ(call.header[2], 241);
    ASSERT_EQ(call.spectrum.size(), 75u);
    EXPECT_EQ(call.spectrum.front(), 112.0f);
    EXPECT_EQ(call.spectrum.back(), 186.0f);
    EXPECT_EQ(results, (IlluminantResults{10.0f, 20.0f, 0.5f}));

    colour.SetResult(9);
    results = {1, 2, 3};
    EXPECT_EQ(ComputeIlluminantResults(record, results), 9);
    EXPECT_EQ(results, (IlluminantResults{1, 2, 3}));
}

TEST_F(EditorTest, RealColourLibraryComputesAFlatSpectrum) {
    ASSERT_FALSE(ColorLibraryPath().empty());
    UserIlluminantRecord flat = RampRecord(1.0f, 0.0f);
    IlluminantResults results{};
    ASSERT_EQ(ComputeIlluminantResults(flat, results), 0) << ColorLibraryPath();
    EXPECT_GT(results[0], 1000.0f);
    EXPECT_NEAR(results[1], 5455.0f, 20.0f);  // the equal-energy source
    EXPECT_LT(std::fabs(results[2]), 0.01f);
    UserIlluminantRecord dark{};
    EXPECT_EQ(ComputeIlluminantResults(dark, results), 7);
}

// Opening a file whose spectrum cannot be computed: the library's message, then the file
// message naming the file; nothing from before stays on show.
TEST_F(EditorTest, EveryColourFailureShowsItsMessageThenTheFileMessage) {
    const std::pair<int, int> table[] = {{1, 1201}, {2, 1203}, {3, 1202}, {4, 1207},  {5, 1342},
                                         {6, 1343}, {7, 1344}, {8, 1345}, {9, 1346},  {10, 1347},
                                         {11, 1225}, {12, 1225}, {13, 1348}, {14, 1341}, {-1, 1341}};
    std::string path = Path("lamp.uid");
    WriteText(path, RampText(97));
    answer_ = path;
    for (auto [result, messageId] : table) {
        EXPECT_EQ(ColorResultMessageId(result), messageId) << result;
        FakeColorLibrary colour;
        MessageBoxRecorder boxes;
        CUserIlluminantDlg dialog(own_);
        dialog.OnOpen();  // computes
        ASSERT_TRUE(ResultsShown(dialog));
        colour.SetResult(result);
        dialog.OnOpen();
        ASSERT_EQ(boxes.Count(), 2u) << result;
        EXPECT_EQ(boxes.Boxes()[0].text, core::platform::ResString(messageId)) << result;
        EXPECT_EQ(boxes.Boxes()[0].flags, ICONHAND);
        EXPECT_EQ(boxes.Boxes()[1].text, core::platform::ResQString(1294).arg("lamp.uid").toStdString());
        EXPECT_EQ(boxes.Boxes()[1].flags, ICONHAND);
        EXPECT_FALSE(ResultsShown(dialog)) << result;
        EXPECT_FALSE(Enabled(dialog, 1080)) << result;
        EXPECT_FALSE(Enabled(dialog, 1082)) << result;
    }
}

TEST_F(EditorTest, ShownTextsOfTheThreeValues) {
    const std::string missing = core::platform::ResString(1196);
    EXPECT_EQ(CUserIlluminantDlg::IntegerText(12.9f, " [lx]"), "12 [lx]");
    EXPECT_EQ(CUserIlluminantDlg::IntegerText(-0.7f, " [lx]"), "0 [lx]");
    EXPECT_EQ(CUserIlluminantDlg::IntegerText(-3.5f, " [K]"), "-3 [K]");
    EXPECT_EQ(CUserIlluminantDlg::IntegerText(1e20f, " [lx]"), "100000002004087734272 [lx]");  // beyond int
    EXPECT_EQ(CUserIlluminantDlg::IntegerText(kNoValue, " [lx]"), missing);
    EXPECT_EQ(CUserIlluminantDlg::IntegerText(std::nanf(""), " [K]"), missing);
    EXPECT_EQ(CUserIlluminantDlg::DuvText(0.0125f), "0.013");
    EXPECT_EQ(CUserIlluminantDlg::DuvText(-0.0001f), "-0.000");
    EXPECT_EQ(CUserIlluminantDlg::DuvText(kNoValue), missing);
}

TEST_F(EditorTest, LightSourceSequenceStopsAtTheFirstFailure) {
    CVireoDllAdapter adapter;
    UserIlluminantRecord record = RampRecord(-1.0f, 0.0f);
    IlluminantResults results{1, 2, 3};
    instrument_.Script("DISetProperty", {10001});
    LightSourceMeasurement outcome = MeasureLightSource(adapter, 1, 1, record, results);
    EXPECT_EQ(outcome.code, 10001);
    EXPECT_FALSE(outcome.recordChanged);
    EXPECT_EQ(instrument_.Names(), std::vector<std::string>{"DISetProperty"});  // nothing changed, nothing restored
    EXPECT_EQ(results, (IlluminantResults{1, 2, 3}));
}

}  // namespace
}  // namespace ombra::ui::test
