// The fault matrix: every library call, made by the program's own objects against the virtual
// instrument, once failing with a typical code, once answered too late and once with the
// instrument pulled out while the call runs. Each row checks that the window never stalls
// past the longest time-out, the question that follows a late answer and half a second, that
// the reaction (messages, connection state, values handed to the sheet) is the one in the
// table, that no fault shows more than one message, that after a loss the window shows the
// disconnected state (before the loss message), and that the same operation works again once
// the fault is gone. The table is docs/reliability.md.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>
#include <thread>

#include "FxsimHarness.h"
#include "core/colorset/Configuration.h"
#include "core/instrument/ErrorMng.h"
#include "core/instrument/InstrumentLibrary.h"
#include "core/output/Values.h"
#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "support/TestSupport.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/illuminant/CUserIlluminantDlg.h"
#include "ui/instrument/CalibrationDlg.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"

using namespace ombra::core;

using namespace ombra;
using namespace ombra::ui;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;

namespace {

const char kScenario[] = R"({"devices": [{"model": 100, "serial": 5001, "version": [3, 44]}]})";
constexpr int kTypicalCode = 12;
// The longest time-out (5 s), the one question (1 s at most) that tells a late answer from an
// instrument that stopped answering, and half a second.
constexpr long long kStallBoundMs = 6500;

// What the test does to make the call happen.
enum class Operation { Connect, Disconnect, Poll, Measure, WhiteCalibration, ZeroCalibration,
                       ReadIlluminant, RegisterIlluminant, ReadColorSets, WriteColorSet, ClearColorSet };
enum class Fault { Code, Late, Unplugged };

struct Row {
    const char *call;
    Operation operation;
    bool longCall;          // 5 s time-out instead of 1 s
    const char *expected[3];  // reaction for each fault, as Summary() writes it
};

// Reactions: messages in order ("E12": the error message for instrument code 12; a number: that
// text), then the end state: connected or not, values written, or the logic's result code.
// Every fault is told by one message at most; a loss (1197) by the loss message alone, shown
// when the window already shows the disconnected state.
const Row kRows[] = {
    {"DIEnumDevice", Operation::Connect, false, {"connected", "1183 disconnected", "1183 disconnected"}},
    {"DICloseDevice", Operation::Disconnect, false, {"1184 connected", "1184 connected", "disconnected"}},
    {"DISetProperty", Operation::Connect, false, {"1244 connected", "1244 connected", "1183 disconnected"}},
    {"DIGetButtonStatus", Operation::Poll, false, {"1197 disconnected", "1197 disconnected", "1197 disconnected"}},
    {"DIDoMeasurement", Operation::Measure, true, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIDoCalibration", Operation::WhiteCalibration, true, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIDoPolarizationCalib", Operation::ZeroCalibration, true, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetCalibrateStatus", Operation::Connect, false, {"connected", "connected", "1197 disconnected"}},
    {"DIGetSpectrum", Operation::Measure, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetColor", Operation::Measure, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetDensity", Operation::Measure, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetColorIndex", Operation::Measure, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetSpotColorDensity", Operation::Measure, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetDevInfo", Operation::Connect, false, {"1183 disconnected", "1183 disconnected", "1183 disconnected"}},
    {"DIRegUserIlluminant", Operation::RegisterIlluminant, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetUserIlluminant", Operation::ReadIlluminant, false, {"E12 connected", "E5 connected", "1197 disconnected"}},
    {"DIGetCertificationColorSet", Operation::ReadColorSets, false, {"rc=12 E12 connected", "rc=5 E5 connected", "rc=4 1197 disconnected"}},
    {"DISetCertificationColorSet", Operation::WriteColorSet, false, {"rc=12 E12 connected", "rc=5 E5 connected", "rc=4 1197 disconnected"}},
    {"DIClearCertificationColorSet", Operation::ClearColorSet, false, {"rc=12 E12 connected", "rc=5 E5 connected", "rc=4 1197 disconnected"}},
    {"DISetPolFilterCondition", Operation::Connect, false, {"disconnected (half)", "disconnected (half)", "disconnected (half)"}},
    {"DIGetPolFilterCondition", Operation::Measure, false, {"connected", "connected", "1197 disconnected"}},
};
const char *const kFaultNames[] = {"code", "late", "unplugged"};

// The longest time the event loop went without running, while a row ran.
class StallMeter {
public:
    StallMeter() {
        clock_.start();
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(10);
    }
    long long Longest() {
        Tick();
        return longest_;
    }

private:
    void Tick() {
        longest_ = std::max(longest_, clock_.restart());
    }
    QElapsedTimer clock_;
    QTimer timer_;
    long long longest_ = 0;
};

// Reads the message boxes of a row as string ids or "E<code>" for the instrument's messages.
std::string Describe(const ui::platform::MessageBoxRequest &box) {
    for (int id : {1183, 1184, 1197, 1244, 1186, 1337, 1401, 1238, 1243, 1246})
        if (box.text == ResString(id)) return std::to_string(id);
    for (int32_t code = 1; code <= 37; ++code) {
        const std::string tail = " : " + ResString(CError::MessageRow(CError::RowForCode(code)).messageId);
        if (box.text.size() >= tail.size() && box.text.compare(box.text.size() - tail.size(), tail.size(), tail) == 0)
            return "E" + std::to_string(code);
    }
    return "'" + box.text.substr(0, 40) + "'";
}

}  // namespace

class FaultMatrixTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void matrix_data();
    void matrix();
    void cleanupTestCase();

private:
    void Prepare(Operation operation);
    // Runs the operation; returns the logic's result code for the colour-set operations.
    std::optional<int32_t> Run(Operation operation);
    std::string Summary(std::optional<int32_t> rc) const;
    int32_t ToldLikeTheDialogs(int32_t rc);
    bool ShowsDisconnected() const;

    std::unique_ptr<fxtest::FxsimServe> serve_;
    std::unique_ptr<ui::test::ScopedMemoryProfile> profile_;
    std::unique_ptr<ui::test::MessageBoxRecorder> boxes_;
    std::unique_ptr<CVireoDataTransferSoftwareDlg> window_;
    std::vector<OutputValues> written_;
    ombra::core::test::ScopedInstrumentLibrary instrumentLibrary_;
    QString results_;
    int lossShownConnected_ = 0;  // loss messages shown while the window still looked connected
};

void FaultMatrixTest::initTestCase() {
    std::string error;
    QVERIFY2(instrumentLibrary_.Load(FXAPI_LIBRARY, &error), error.c_str());
    serve_ = std::make_unique<fxtest::FxsimServe>(kScenario);
    QVERIFY2(serve_->Start(), qPrintable(serve_->Output()));
}

void FaultMatrixTest::cleanupTestCase() {
    window_.reset();
    serve_.reset();
    instrumentLibrary_.Restore();
    std::printf("%s", qPrintable(results_));
}

void FaultMatrixTest::matrix_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("fault");
    for (int row = 0; row < int(std::size(kRows)); ++row)
        for (int fault = 0; fault < 3; ++fault)
            QTest::newRow(qPrintable(QString("%1/%2").arg(kRows[row].call, kFaultNames[fault]))) << row << fault;
}

// A fresh window, connected unless the operation is the connection itself.
void FaultMatrixTest::Prepare(Operation operation) {
    window_.reset();
    boxes_.reset();
    profile_ = std::make_unique<ui::test::ScopedMemoryProfile>();
    Settings() = AppSettings{};
    QVERIFY(serve_->Ok({"clear"}));
    QVERIFY(serve_->Ok({"plug"}));
    QVERIFY(serve_->Ok({"set", "calibrationStatus", "0"}));
    QVERIFY(serve_->Ok({"set", "polarization", "0", "0"}));
    written_.clear();
    window_ = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
    window_->SetMeasurementWriter([this](const OutputValues &values) {
        written_.push_back(values);
        return TransferOutcome::Of(TransferResult::Written, MissReason::None);
    });
    boxes_ = std::make_unique<ui::test::MessageBoxRecorder>();
    lossShownConnected_ = 0;
    boxes_->OnBox([this](const ui::platform::MessageBoxRequest &box) {
        if (box.text == ResString(1197) && !ShowsDisconnected()) ++lossShownConnected_;
    });
    if (operation != Operation::Connect) {
        window_->OnCommand(1000);
        QVERIFY2(window_->IsConnected() && window_->IsReadyToMeasure(),
                 boxes_->Count() ? boxes_->Boxes()[0].text.c_str() : "not connected");
        boxes_->Clear();
    }
    if (operation == Operation::ReadIlluminant) {  // a lamp the colour calculation accepts
        DIUserIlluminant lamp{};
        for (int i = 0; i < DI_USER_ILLUMINANT_POINTS; ++i) lamp.power[i] = 20.0f + static_cast<float>(i);
        QCOMPARE(Instrument().DIRegUserIlluminant(DeviceHandle().load(), &lamp), DI_OK);
    }
}

std::optional<int32_t> FaultMatrixTest::Run(Operation operation) {
    CVireoDataTransferSoftwareDlg &w = *window_;
    switch (operation) {
    case Operation::Connect:
    case Operation::Disconnect: w.OnCommand(1000); break;
    case Operation::Poll: QTest::qWait(1500); break;  // the watch thread makes the call
    case Operation::Measure:
        core::platform::PostAppMessage(&w, 32778);
        QCoreApplication::processEvents();
        core::platform::PostAppMessage(&w, 32782);
        break;
    case Operation::WhiteCalibration:
    case Operation::ZeroCalibration: {
        Settings().measurement.InForce().Polarization = operation == Operation::ZeroCalibration ? 1 : 0;
        // Each step's Calibrate button is pressed; a step still open after it is cancelled.
        QTimer press;
        QObject::connect(&press, &QTimer::timeout, [&] {
            if (CCalibrationDlg *dialog = CCalibrationDlg::Current()) {
                press.stop();
                dialog->OnCalibrate();
                if (CCalibrationDlg::Current() == dialog && dialog->isVisible()) dialog->reject();
                press.start(20);
            }
        });
        press.start(20);
        w.OnCommand(1001);
        Settings().measurement.InForce().Polarization = 0;
        break;
    }
    case Operation::ReadIlluminant:
    case Operation::RegisterIlluminant: {
        CUserIlluminantDlg dialog(w.Session().Link(), &w);
        dialog.show();
        if (operation == Operation::ReadIlluminant) dialog.OnReadFromInstrument();
        else dialog.OnRegister();
        break;
    }
    case Operation::ReadColorSets: return ToldLikeTheDialogs(CConfiguration().ReadAllFromInstrument());
    case Operation::WriteColorSet: {
        CConfiguration sets;
        sets.ResetAll();
        return ToldLikeTheDialogs(sets.WriteToInstrument(7));
    }
    case Operation::ClearColorSet: return ToldLikeTheDialogs(CConfiguration().ClearInInstrument(7));
    }
    return std::nullopt;
}

// The colour-set dialogs tell a failed call through an error manager that asks the session's
// link first.
int32_t FaultMatrixTest::ToldLikeTheDialogs(int32_t rc) {
    if (rc != 0) {
        CErrorMng errors;
        errors.Init(ui::platform::NoticeSinkFor(window_.get()), window_->Session().Link().Judge());
        errors.Report(rc);
    }
    return rc;
}

// The window as it stands: disconnected controls (Connect caption, instrument buttons off, the
// lost status) or not.
bool FaultMatrixTest::ShowsDisconnected() const {
    CVireoDataTransferSoftwareDlg &w = *window_;
    bool buttonsOff = true;
    for (int id : {1001, 1002, 1020, 1028}) buttonsOff &= !w.Button(id)->isEnabled();
    return !w.IsConnected() && buttonsOff && w.Button(1000)->text() == ResQString(1181);
}

std::string FaultMatrixTest::Summary(std::optional<int32_t> rc) const {
    std::string text;
    if (rc) text += "rc=" + std::to_string(*rc) + " ";
    for (const auto &box : boxes_->Boxes()) text += Describe(box) + " ";
    text += window_->IsConnected() ? (window_->IsReadyToMeasure() ? "connected" : "connected, not ready") : "disconnected";
    if (!window_->IsConnected() && window_->Button(1000)->text() == ResQString(1182)) text += " (half)";
    if (!written_.empty()) text += " +" + std::to_string(written_.size()) + " written";
    return text;
}

void FaultMatrixTest::matrix() {
    QFETCH(int, row);
    QFETCH(int, fault);
    const Row &r = kRows[row];
    Prepare(r.operation);
    if (QTest::currentTestFailed()) return;

    const QString lateMs = r.longCall ? "5600" : "1600";
    QStringList inject;
    switch (static_cast<Fault>(fault)) {
    case Fault::Code: inject = {"fail", "--call", r.call, "--code", QString::number(kTypicalCode)}; break;
    case Fault::Late: inject = {"delay", "--call", r.call, "--ms", lateMs, "--times", "1"}; break;
    case Fault::Unplugged: inject = {"unplug", "--during", r.call}; break;
    }
    QVERIFY(serve_->Ok(inject));

    StallMeter stall;
    std::optional<int32_t> rc = Run(r.operation);
    QTest::qWait(600);  // reactions that come through the watch thread
    const long long longest = stall.Longest();
    const std::string summary = Summary(rc);
    results_ += QString("| %1 | %2 | %3 | %4 ms |\n").arg(r.call, kFaultNames[fault], QString::fromStdString(summary)).arg(longest);
    QVERIFY2(longest <= kStallBoundMs, qPrintable(QString("the window stalled %1 ms").arg(longest)));
    QCOMPARE(summary, std::string(r.expected[fault]));
    // The message column: one fault, one message at most; a loss leaves the window showing the
    // disconnected state, and its message came after the window showed it.
    QVERIFY2(boxes_->Count() <= 1, summary.c_str());
    if (window_->Status() == core::SessionStatus::Lost || summary.find("1197") != std::string::npos) {
        QVERIFY2(ShowsDisconnected(), summary.c_str());
        QCOMPARE(window_->Status(), core::SessionStatus::Lost);
        QCOMPARE(lossShownConnected_, 0);
    }

    // Recovery: the fault gone, the instrument back, the same operation works.
    QVERIFY(serve_->Ok({"clear"}));
    QVERIFY(serve_->Ok({"plug"}));
    QTest::qWait(r.longCall ? 800 : 700);  // a late answer still under way is dropped
    boxes_->Clear();
    written_.clear();
    if (r.operation != Operation::Connect && !window_->IsConnected()) {
        window_->OnCommand(1000);
        QVERIFY(window_->IsConnected());
    }
    const bool holdsInstrument = window_->Button(1000)->text() == ResQString(1182);
    if (r.operation == Operation::Connect && holdsInstrument) window_->OnCommand(1000);
    boxes_->Clear();
    rc = Run(r.operation);
    QTest::qWait(200);
    bool failureShown = false;  // confirmations and notes are fine, failures are not
    for (const auto &box : boxes_->Boxes()) {
        const std::string what = Describe(box);
        failureShown |= what[0] == 'E' || what == "1183" || what == "1184" || what == "1197" || what == "1244";
    }
    const bool stateRight = window_->IsConnected() == (r.operation != Operation::Disconnect);
    const bool valuesRight = r.operation != Operation::Measure ||
                             (written_.size() == 1 && !written_[0].valueItems.empty());
    QVERIFY2(!failureShown && stateRight && valuesRight && (!rc || *rc == 0), Summary(rc).c_str());
    window_.reset();
}

OMBRA_QTEST_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
