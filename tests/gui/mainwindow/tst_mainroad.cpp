// The main window against a scripted instrument: connecting, the half-connected state,
// disconnecting, loss of the instrument, ending, and the measurement on the instrument's
// button from the press to the values handed to the spreadsheet.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTimer>
#include <memory>
#include <set>

#include "settings/AppSettings.h"
#include "mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "mainwindow/MainWindowLogic.h"
#include "controls/OmbraImageButton.h"
#include "instrument/ErrorMng.h"
#include "support/MemoryAutomation.h"
#include "output/Values.h"
#include "platform/PostedMessage.h"
#include "platform/Resources.h"
#include "support/FakeInstrument.h"
#include "support/TestSupport.h"

using namespace ombra;
using namespace ombra::ui;
using ombra::ui::platform::ResQString;
using ombra::ui::platform::ResString;
using ombra::ui::test::FakeInstrument;
namespace mb = ombra::ui::platform::mb;

namespace {

const int kInstrumentButtons[] = {1001, 1002, 1020, 1028};
constexpr unsigned kUrgent = mb::SYSTEMMODAL | mb::SETFOREGROUND;


// A window over a fake instrument with its settings in memory, boxes recorded and the
// values of every measurement kept instead of written.
struct Rig {
    ui::test::ScopedMemoryProfile profile;
    FakeInstrument fake;
    ui::test::MessageBoxRecorder boxes;
    std::vector<OutputValues> written;
    MeasurementWriteResult::Kind writeAnswer = MeasurementWriteResult::Written;
    int chooserCalls = 0;
    size_t chooserDevices = 0;
    bool chooserAnswer = false;
    std::unique_ptr<CVireoDataTransferSoftwareDlg> window;

    Rig() {
        Settings() = AppSettings{};
        window = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
        window->SetMeasurementWriter([this](const OutputValues &values) {
            written.push_back(values);
            return MeasurementWriteResult{writeAnswer, 0, 0};
        });
        window->SetDeviceChooser([this](const DeviceList &devices) {
            ++chooserCalls;
            chooserDevices = devices.size();
            return chooserAnswer;
        });
    }
    CVireoDataTransferSoftwareDlg &w() { return *window; }

    bool Connect() {
        window->OnCommand(1000);
        return window->IsConnected();
    }
    void Post(int message, int times = 1) {
        for (int i = 0; i < times; ++i) ui::platform::PostAppMessage(window.get(), message);
        QCoreApplication::processEvents();
    }
    int Boxes(int stringId) const {
        int n = 0;
        for (const auto &box : boxes.Boxes()) n += box.text == ResString(stringId);
        return n;
    }
    const ui::platform::MessageBoxRequest *Box(int stringId) const {
        for (const auto &box : boxes.Boxes())
            if (box.text == ResString(stringId)) return &box;
        return nullptr;
    }
    // The text the error manager shows for an instrument code.
    static std::string ErrorText(int32_t code) {
        return Settings().identity.ModelName() + " : " + ResString(CError::MessageRow(CError::RowForCode(code)).messageId);
    }
    int ErrorBoxes(int32_t code) const {
        int n = 0;
        for (const auto &box : boxes.Boxes()) n += box.text == ErrorText(code);
        return n;
    }
    // Last value written to a property, or -1.
    int LastProperty(int32_t id) const {
        int value = -1;
        for (const auto &call : fake.CallsOf("DISetProperty"))
            if (call.a == id) value = call.b;
        return value;
    }
};

using ombra::core::mainwin::SessionStatus;

void VerifyDisconnectedDisplay(CVireoDataTransferSoftwareDlg &w) {
    QVERIFY(!w.IsConnected());
    QVERIFY(!w.IsWatching());
    QVERIFY(w.Button(1000)->isEnabled());
    for (int id : kInstrumentButtons) QVERIFY2(!w.Button(id)->isEnabled(), qPrintable(QString::number(id)));
    QCOMPARE(w.Button(1000)->text(), ResQString(1181));
    QVERIFY(w.Status() == SessionStatus::NotConnected || w.Status() == SessionStatus::Lost);
}

std::vector<int> Identifiers(const OutputItemList &items) {
    std::vector<int> ids;
    for (const auto &item : items) ids.push_back(item.identifier);
    return ids;
}

const OutputItem *FindItem(const OutputItemList &items, int id) {
    for (const auto &item : items)
        if (item.identifier == id) return &item;
    return nullptr;
}

}  // namespace

class MainRoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // Connection
    void connectWithoutInstrument();
    void twoInstrumentsAndCancel();
    void twoInstrumentsAndChoice();
    void connectAppliesSettingsInOrder();
    void calibrationStatusAtConnection();
    void refusedConditionFallsBackToFour();
    void refusalTwiceLeavesHalfConnected();
    void identityUnreadableGoesOn();
    void disconnect();
    void disconnectRestoresPolarizationCondition();
    void closeFailureKeepsTheWindow();
    void lossByPostedMessage();
    void lossByFailingButtonQuery();
    void lossDuringAMeasurementIsOneMessage();
    void menuEnableStatesFollowTheConnection();
    void exitAndEnding();
    void dataItemsCommandOpensTheDialog();
    // Measurement
    void onePressOneMeasurement();
    void heldButtonThroughTheWatchThread();
    void otherTypeMessagesDoNothing();
    void irradianceMode();
    void notReadyReactions();
    void polarizationMismatchMeasuresNothing();
    void failedMeasurementIsReportedAndNextPressMeasures();
    void calibrationDueAfterConnectionIsNotReady();
    void statusShowsTheReading();
    void failedPolarizationQueryIsSilent();
    void valuesReachTheWriter();
    void missingSpreadsheetLeavesANotice();
    void realTransferWritesTheSheet();
};

// Texts are compared by string: they must be there and tell the cases apart.
void MainRoadTest::initTestCase() {
    std::set<std::string> texts;
    for (int id : {1181, 1182, 1183, 1184, 1197, 1238, 1243, 1246, 1394, 1419, 1420}) {
        QVERIFY2(!ResString(id).empty(), qPrintable(QString::number(id)));
        texts.insert(ResString(id));
    }
    QCOMPARE(texts.size(), size_t(11));
}

// ---------------------------------------------------------------------------------------
// Connection

void MainRoadTest::connectWithoutInstrument() {
    Rig rig;
    QVERIFY(!rig.Connect());
    QCOMPARE(rig.fake.Count("DIEnumDevice"), 100);
    QCOMPARE(rig.Boxes(1183), 1);
    QCOMPARE(rig.Box(1183)->caption, ResString(1200));
    VerifyDisconnectedDisplay(rig.w());
    QCOMPARE(rig.chooserCalls, 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);  // wait cursor gone
}

void MainRoadTest::twoInstrumentsAndCancel() {
    Rig rig;
    const DIHANDLE a = rig.fake.AddDevice({1001});
    const DIHANDLE b = rig.fake.AddDevice({1002});
    QVERIFY(!rig.Connect());
    QCOMPARE(rig.chooserCalls, 1);
    QCOMPARE(rig.chooserDevices, size_t(2));
    QCOMPARE(rig.fake.CloseCount(a), 1);
    QCOMPARE(rig.fake.CloseCount(b), 1);
    QCOMPARE(rig.LastProperty(8), 0);
    VerifyDisconnectedDisplay(rig.w());
    QCOMPARE(rig.fake.Count("DISetPolFilterCondition"), 0);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void MainRoadTest::twoInstrumentsAndChoice() {
    Rig rig;
    const DIHANDLE a = rig.fake.AddDevice({1001});
    const DIHANDLE b = rig.fake.AddDevice({1002});
    rig.chooserAnswer = true;
    rig.w().SetDeviceChooser([&](const DeviceList &) {
        Settings().identity.SetSelectedInstrument(1);
        return true;
    });
    QVERIFY(rig.Connect());
    QCOMPARE(rig.fake.CloseCount(a), 1);
    QCOMPARE(rig.fake.CloseCount(b), 0);
    QCOMPARE(DeviceHandle().load(), b);
    QVERIFY(rig.w().InstrumentText().endsWith(" : 1002"));
}

void MainRoadTest::connectAppliesSettingsInOrder() {
    Rig rig;
    rig.fake.AddDevice({4711});
    QVERIFY(rig.Connect());
    CVireoDataTransferSoftwareDlg &w = rig.w();

    // After enumeration: polarisation filter, type, condition, observer, illuminant, status.
    std::vector<std::string> tail;
    bool afterIdentity = false;
    for (const auto &call : rig.fake.Calls()) {
        if (call.fn == "DIGetPolFilterCondition") afterIdentity = true;
        if (!afterIdentity || call.fn == "DIGetButtonStatus") continue;
        tail.push_back(call.fn == "DISetProperty" ? "P" + std::to_string(call.a) + "=" + std::to_string(call.b)
                                                  : call.fn);
    }
    const std::vector<std::string> expected = {"DIGetPolFilterCondition", "DISetPolFilterCondition", "P0=0",
                                               "P4=2", "P2=0", "P3=2", "DIGetCalibrateStatus"};
    QCOMPARE(tail, expected);

    QVERIFY(w.IsWatching());
    QVERIFY(w.IsReadyToMeasure());
    QCOMPARE(w.Status(), SessionStatus::Ready);
    for (int id : kInstrumentButtons) QVERIFY(w.Button(id)->isEnabled());
    QCOMPARE(w.Button(1000)->text(), ResQString(1182));
    QCOMPARE(w.MenuAction(1000)->text(), ResQString(1420));
    QCOMPARE(w.InstrumentText().toStdString(), Settings().identity.ModelName() + " : " + Settings().identity.SerialNumberText());
    QVERIFY(w.InstrumentText().endsWith(" : 4711"));
    QCOMPARE(rig.boxes.Count(), size_t(0));
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    // The stored selections are loaded for the model.
    QVERIFY(!Settings().selection.Reflection().empty());
}

void MainRoadTest::calibrationStatusAtConnection() {
    for (int status : {3, 4}) {
        Rig rig;
        rig.fake.AddDevice();
        rig.fake.SetCalibrationStatus(status);
        QVERIFY(rig.Connect());
        QCOMPARE(rig.Boxes(1246), 1);
        QCOMPARE(rig.Box(1246)->flags & 0xF0, mb::ICONINFORMATION);
        QVERIFY(!rig.w().IsReadyToMeasure());
        QCOMPARE(rig.w().Status(), SessionStatus::CalibrationNeeded);
        QCOMPARE(rig.w().CalibrationStatus(), status);
    }
    for (int status : {2, 5}) {
        Rig rig;
        rig.fake.AddDevice();
        rig.fake.SetCalibrationStatus(status);
        QVERIFY(rig.Connect());
        QCOMPARE(rig.Boxes(1238), 1);
        QVERIFY(rig.w().IsReadyToMeasure());
        QCOMPARE(rig.w().Status(), SessionStatus::Ready);  // due soon: it may still measure
    }
    {  // a status query that fails counts as ready
        Rig rig;
        rig.fake.AddDevice();
        rig.fake.SetResult("DIGetCalibrateStatus", 7);
        QVERIFY(rig.Connect());
        QVERIFY(rig.w().IsReadyToMeasure());
        QCOMPARE(rig.boxes.Count(), size_t(0));
    }
}

void MainRoadTest::refusedConditionFallsBackToFour() {
    Rig rig;
    rig.fake.AddDevice();
    // The model's section is named after the model the identity reports.
    const std::string model = ResString(1234);
    rig.profile.Store().WriteInt(model, "MeasurementCond", 8);
    rig.profile.Store().WriteInt(model, "Illuminant", 16);
    rig.fake.SetRule([](const ui::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn != "DISetProperty") return std::nullopt;
        if (c.a == 4 && c.b == 3) return 10001;  // condition bit 8
        if (c.a == 3 && c.b == 4) return 10001;  // illuminant bit 16
        return std::nullopt;
    });
    QVERIFY(rig.Connect());
    QCOMPARE(rig.profile.Store().GetInt(model, "MeasurementCond", -1), 4);
    QCOMPARE(rig.profile.Store().GetInt(model, "Illuminant", -1), 4);
    QCOMPARE(Settings().measurement.MeasurementCond(), 4);
    QCOMPARE(Settings().measurement.Illuminant(), 4);
    std::vector<int> conditionWrites, illuminantWrites;
    for (const auto &call : rig.fake.CallsOf("DISetProperty")) {
        if (call.a == 4) conditionWrites.push_back(call.b);
        if (call.a == 3) illuminantWrites.push_back(call.b);
    }
    QCOMPARE(conditionWrites, (std::vector<int>{3, 2}));
    QCOMPARE(illuminantWrites, (std::vector<int>{4, 2}));
    QCOMPARE(rig.boxes.Count(), size_t(0));  // silent
}

void MainRoadTest::refusalTwiceLeavesHalfConnected() {
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    rig.fake.SetRule([](const ui::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 4) return 10001;
        return std::nullopt;
    });
    QVERIFY(!rig.Connect());
    CVireoDataTransferSoftwareDlg &w = rig.w();
    QCOMPARE(rig.boxes.Count(), size_t(0));
    QVERIFY(!w.IsWatching());
    QCOMPARE(w.Button(1000)->text(), ResQString(1182));
    for (int id : kInstrumentButtons) QVERIFY(w.Button(id)->isEnabled());
    QCOMPARE(rig.fake.CloseCount(h), 0);
    QCOMPARE(rig.fake.Count("DIGetCalibrateStatus"), 0);

    // Connect again runs the disconnection.
    rig.w().OnCommand(1000);
    QCOMPARE(rig.fake.CloseCount(h), 1);
    VerifyDisconnectedDisplay(w);
    QCOMPARE(w.MenuAction(1000)->text(), ResQString(1419));
}

void MainRoadTest::identityUnreadableGoesOn() {
    Rig rig;
    rig.fake.AddDevice();
    // Enumeration reads the identity once; the window's own read fails.
    rig.fake.Script("DIGetDevInfo", {0, 9});
    QVERIFY(rig.Connect());
    QCOMPARE(rig.Boxes(1243), 1);
    QCOMPARE(rig.Box(1243)->flags & 0xF0, mb::ICONERROR);
    QVERIFY(rig.w().InstrumentText().isEmpty());
}

void MainRoadTest::disconnect() {
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QVERIFY(!Settings().selection.Reflection().empty());
    rig.fake.ClearLog();
    rig.w().OnCommand(1000);
    CVireoDataTransferSoftwareDlg &w = rig.w();
    QCOMPARE(rig.LastProperty(8), 0);
    QCOMPARE(rig.fake.CloseCount(h), 1);
    QCOMPARE(rig.fake.Count("DISetPolFilterCondition"), 0);  // condition was not 2
    VerifyDisconnectedDisplay(w);
    QCOMPARE(w.MenuAction(1000)->text(), ResQString(1419));
    QVERIFY(w.InstrumentText().isEmpty());
    QVERIFY(Settings().selection.Reflection().empty());
    QCOMPARE(rig.boxes.Count(), size_t(0));
    // No polling after the disconnection.
    rig.fake.ClearLog();
    QTest::qWait(250);
    QCOMPARE(rig.fake.Count("DIGetButtonStatus"), 0);

    // And connect again.
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QVERIFY(w.IsWatching());
}

void MainRoadTest::disconnectRestoresPolarizationCondition() {
    Rig rig;
    rig.fake.AddDevice();
    rig.fake.SetPolFilter(2, 1);
    QVERIFY(rig.Connect());
    QCOMPARE(rig.w().PolarizationCondition(), 2);
    QCOMPARE(rig.w().PolarizationState(), 1);
    QVERIFY(rig.w().RestorePolarizationCondition());
    QCOMPARE(Settings().measurement.Polarization(), 1);
    QCOMPARE(Settings().measurement.PolarizationSel(), 1);
    QCOMPARE(rig.fake.CallsOf("DISetPolFilterCondition").back().a, 1);
    rig.fake.ClearLog();
    rig.w().OnCommand(1000);
    const auto names = rig.fake.Names();
    const auto restore = std::find(names.begin(), names.end(), "DISetPolFilterCondition");
    QVERIFY(restore != names.end());
    QCOMPARE(rig.fake.CallsOf("DISetPolFilterCondition").front().a, 2);
    QVERIFY(restore < std::find(names.begin(), names.end(), "DICloseDevice"));
}

void MainRoadTest::closeFailureKeepsTheWindow() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.Script("DICloseDevice", {4});
    rig.w().OnCommand(1000);
    QCOMPARE(rig.Boxes(1184), 1);
    QVERIFY(rig.w().IsConnected());
    QVERIFY(!rig.w().IsWatching());
    QCOMPARE(rig.w().Button(1000)->text(), ResQString(1182));
    QVERIFY(Settings().selection.Reflection().empty());
}

// What the window showed when a message box came up.
struct ShownAtBox {
    std::string text;
    QString connectCaption;
    SessionStatus status;
};

// Records the window's state at every box (the recorder underneath still counts them).
class StateAtBoxes {
public:
    explicit StateAtBoxes(CVireoDataTransferSoftwareDlg &w) {
        previous_ = ui::platform::SetMessageBoxHook([this, &w](const ui::platform::MessageBoxRequest &box) {
            shown.push_back({box.text, w.Button(1000)->text(), w.Status()});
            return previous_(box);
        });
    }
    ~StateAtBoxes() { ui::platform::SetMessageBoxHook(previous_); }
    std::vector<ShownAtBox> shown;

private:
    ui::platform::MessageBoxHook previous_;
};

void MainRoadTest::lossByPostedMessage() {
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    // Releasing the vanished instrument fails, as it does on a real loss.
    rig.fake.SetResult("DISetProperty", 4);
    StateAtBoxes seen(rig.w());
    rig.Post(32780, 3);  // the thread posts on every poll
    // One message, and the window already shows the loss when it comes up.
    QCOMPARE(rig.boxes.Count(), size_t(1));
    QCOMPARE(rig.Boxes(1197), 1);
    QCOMPARE(rig.Box(1197)->flags, mb::ICONERROR | kUrgent);
    QCOMPARE(rig.Box(1197)->caption, ResString(1200));
    QCOMPARE(seen.shown.size(), size_t(1));
    QCOMPARE(seen.shown[0].connectCaption, ResQString(1181));
    QCOMPARE(seen.shown[0].status, SessionStatus::Lost);
    QCOMPARE(rig.fake.CloseCount(h), 1);
    QCOMPARE(rig.LastProperty(8), 0);
    VerifyDisconnectedDisplay(rig.w());
    QVERIFY(rig.w().Lamp()->text().endsWith(ResQString(1763)));
    QCOMPARE(rig.w().MenuAction(1000)->text(), ResQString(1419));
    QVERIFY(rig.w().InstrumentText().isEmpty());
    // Connecting again leaves the loss behind.
    rig.fake.SetResult("DISetProperty", 0);
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QCOMPARE(rig.w().Status(), SessionStatus::Ready);
}

void MainRoadTest::lossDuringAMeasurementIsOneMessage() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.Script("DIDoMeasurement", {4});  // communication failed: the instrument vanished
    rig.fake.SetResult("DISetProperty", 4);
    StateAtBoxes seen(rig.w());
    rig.Post(32778);
    QCOMPARE(rig.boxes.Count(), size_t(1));
    QCOMPARE(rig.Boxes(1197), 1);
    QCOMPARE(seen.shown[0].status, SessionStatus::Lost);
    QCOMPARE(seen.shown[0].connectCaption, ResQString(1181));
    QVERIFY(rig.written.empty());
    VerifyDisconnectedDisplay(rig.w());
}

void MainRoadTest::lossByFailingButtonQuery() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.SetResult("DIGetButtonStatus", 5);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.w().IsConnected(), 5000);
    QTest::qWait(300);  // copies posted before the stop arrive and are ignored
    QCOMPARE(rig.Boxes(1197), 1);
    VerifyDisconnectedDisplay(rig.w());
}

void MainRoadTest::menuEnableStatesFollowTheConnection() {
    Rig rig;
    rig.fake.AddDevice();
    auto states = [&rig] {
        for (QAction *top : rig.w().MenuBar()->actions())
            if (top->menu()) rig.w().UpdateMenuEnableState(top->menu());
        std::map<int, bool> enabled;
        for (int id : {1000, 1001, 1002, 1020, 1028, 32771, 32772, 32773, 32774})
            if (QAction *a = rig.w().MenuAction(id)) enabled[id] = a->isEnabled();
        return enabled;
    };
    auto check = [&](bool connected) {
        for (const auto &[id, enabled] : states()) {
            const bool always = id == 1000 || id == 32771 || id == 32773 || id == 32774;
            QCOMPARE(enabled, always || connected);
        }
    };
    check(false);
    QVERIFY(rig.Connect());
    check(true);
    rig.Post(32780);
    check(false);
}

void MainRoadTest::exitAndEnding() {
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.w().show();
    rig.w().OnCommand(32771);
    QVERIFY(!rig.w().IsWatching());
    QVERIFY(!rig.w().isVisible());
    rig.fake.ClearLog();
    rig.window.reset();
    QCOMPARE(rig.LastProperty(8), 0);
    QCOMPARE(rig.fake.CloseCount(h), 1);  // the last adapter holder closes it

    // Closed without Exit: the ending stops the thread itself.
    Rig other;
    other.fake.AddDevice();
    QVERIFY(other.Connect());
    QVERIFY(other.w().IsWatching());
    other.window.reset();
    QCOMPARE(other.LastProperty(8), 0);
}

void MainRoadTest::dataItemsCommandOpensTheDialog() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QString opened;
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != rig.window.get()) {
            opened = modal->objectName();
            modal->close();
        }
    });
    closer.start(20);
    rig.w().OnCommand(1020);
    QVERIFY(!opened.isEmpty());
    QCOMPARE(rig.boxes.Count(), size_t(0));
}

// ---------------------------------------------------------------------------------------
// Measurement

void MainRoadTest::onePressOneMeasurement() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.Post(32778, 5);  // held down for half a second
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
    QCOMPARE(rig.written.size(), size_t(1));
    rig.Post(32782);
    rig.Post(32778, 3);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 2);
    QCOMPARE(rig.written.size(), size_t(2));
    QCOMPARE(rig.boxes.Count(), size_t(0));
    QVERIFY(rig.w().IsWatching());
}

void MainRoadTest::heldButtonThroughTheWatchThread() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.SetButtons(0, 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.fake.Count("DIDoMeasurement"), 1, 5000);
    const int polls = rig.fake.Count("DIGetButtonStatus");
    QTRY_VERIFY_WITH_TIMEOUT(rig.fake.Count("DIGetButtonStatus") >= polls + 4, 5000);  // still held
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
    rig.fake.SetButtons(0, 0);
    const int released = rig.fake.Count("DIGetButtonStatus");
    QTRY_VERIFY_WITH_TIMEOUT(rig.fake.Count("DIGetButtonStatus") >= released + 2, 5000);
    rig.fake.SetButtons(0, 1);
    QTRY_COMPARE_WITH_TIMEOUT(rig.fake.Count("DIDoMeasurement"), 2, 5000);
    // The poll never ran inside a measurement.
    QCOMPARE(rig.fake.Overlaps(), 0);
}

void MainRoadTest::otherTypeMessagesDoNothing() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.Post(32779, 3);
    rig.Post(32781);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 0);
    QCOMPARE(rig.fake.Count("DIGetPolFilterCondition"), 1);  // only the connection's
    QCOMPARE(rig.boxes.Count(), size_t(0));
}

void MainRoadTest::irradianceMode() {
    Rig rig;
    rig.fake.AddDevice();
    rig.profile.Store().WriteInt(ResString(1234), "MeasurementType", 4);
    rig.profile.Store().WriteInt(ResString(1234), "MeasurementTypeSel", 1);
    rig.fake.SetPolFilter(1, 1);  // forced to 0 for irradiance at connection
    QVERIFY(rig.Connect());
    // The test posts the button's messages itself: the watch thread's polls report nothing.
    rig.fake.SetButtons(-1, -1);
    QCOMPARE(Settings().measurement.Polarization(), 0);
    QCOMPARE(rig.fake.CallsOf("DISetPolFilterCondition").back().a, 0);
    rig.fake.SetPolFilter(0, 0);
    rig.Post(32778, 2);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 0);
    rig.Post(32779, 2);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
    rig.Post(32782);  // the other release leaves the latch set
    rig.Post(32779);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
    rig.Post(32781);
    rig.Post(32779);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 2);
    QCOMPARE(Identifiers(rig.written.back().outputItems), (std::vector<int>{1035, 1036, 1037, 1038, 1039}));
}

void MainRoadTest::notReadyReactions() {
    struct Case {
        int status;
        int32_t errorCode;  // 0: the notice 1238
    };
    for (const Case c : {Case{3, 19}, Case{4, 34}}) {
        Rig rig;
        rig.fake.AddDevice();
        rig.fake.SetCalibrationStatus(c.status);
        QVERIFY(rig.Connect());
        rig.boxes.Clear();
        rig.Post(32778);
        QCOMPARE(rig.ErrorBoxes(c.errorCode), 1);
        QCOMPARE(rig.boxes.Count(), size_t(1));
        QCOMPARE(rig.fake.Count("DIDoMeasurement"), 0);
        // Not latched: the press, still held, reacts again.
        rig.Post(32778);
        QCOMPARE(rig.ErrorBoxes(c.errorCode), 2);
        QVERIFY(rig.w().IsWatching());
        QVERIFY(rig.written.empty());
    }
    {  // readiness lost (e.g. after the settings dialog) with a notice status
        Rig rig;
        rig.fake.AddDevice();
        rig.fake.SetCalibrationStatus(5);
        QVERIFY(rig.Connect());
        rig.w().SetReadyToMeasure(false);
        rig.boxes.Clear();
        rig.Post(32778);
        QCOMPARE(rig.Boxes(1238), 1);
        QCOMPARE(rig.Box(1238)->flags, mb::ICONINFORMATION | kUrgent);
        QCOMPARE(rig.fake.Count("DIDoMeasurement"), 0);
    }
}

void MainRoadTest::polarizationMismatchMeasuresNothing() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.SetPolFilter(0, 1);  // filter turned on at the instrument
    rig.Post(32778);
    QCOMPARE(rig.Boxes(1394), 1);
    QCOMPARE(rig.Box(1394)->flags, mb::ICONERROR | kUrgent);
    QCOMPARE(rig.Box(1394)->caption, ResString(1200));
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 0);
    QVERIFY(rig.written.empty());
    rig.fake.SetPolFilter(0, 0);
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
}

void MainRoadTest::failedMeasurementIsReportedAndNextPressMeasures() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.Script("DIDoMeasurement", {5});
    rig.Post(32778);
    QCOMPARE(rig.ErrorBoxes(5), 1);
    QVERIFY(rig.written.empty());
    QVERIFY(rig.w().IsConnected());
    // A failing result fetch is reported the same way.
    rig.fake.Script("DIGetColor", {12});
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.ErrorBoxes(12), 1);
    QVERIFY(rig.written.empty());
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 3);
    QCOMPARE(rig.written.size(), size_t(1));
}

void MainRoadTest::calibrationDueAfterConnectionIsNotReady() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QCOMPARE(rig.w().Status(), SessionStatus::Ready);
    // The calibration runs out while connected: the instrument refuses the next measurement.
    rig.fake.SetCalibrationStatus(3);
    rig.fake.Script("DIDoMeasurement", {19});
    rig.Post(32778);
    QCOMPARE(rig.ErrorBoxes(19), 1);
    QCOMPARE(rig.w().Status(), SessionStatus::CalibrationNeeded);
    QVERIFY(rig.w().Lamp()->text().endsWith(ResQString(1762)));
    QCOMPARE(rig.w().CalibrationStatus(), 3);
    // The next press is not sent to the instrument: the session knows it is not ready.
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
    QCOMPARE(rig.ErrorBoxes(19), 2);
    QVERIFY(rig.written.empty());
    QVERIFY(rig.w().IsConnected());
}

void MainRoadTest::statusShowsTheReading() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    std::vector<SessionStatus> shown;
    QObject::connect(&rig.w().Session(), &InstrumentSession::statusChanged, &rig.w(),
                     [&] { shown.push_back(rig.w().Status()); });
    QString textWhileReading;
    QObject::connect(&rig.w().Session(), &InstrumentSession::statusChanged, &rig.w(), [&] {
        if (rig.w().Status() == SessionStatus::Reading) textWhileReading = rig.w().Lamp()->text();
    });
    rig.Post(32778);
    QCOMPARE(shown, (std::vector<SessionStatus>{SessionStatus::Reading, SessionStatus::Ready}));
    QVERIFY(textWhileReading.endsWith(ResQString(1764)));
    QCOMPARE(rig.written.size(), size_t(1));
}

void MainRoadTest::failedPolarizationQueryIsSilent() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.Script("DIGetPolFilterCondition", {3});
    rig.Post(32778);
    QCOMPARE(rig.boxes.Count(), size_t(0));
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 0);
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.fake.Count("DIDoMeasurement"), 1);
}

void MainRoadTest::valuesReachTheWriter() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.Post(32778);
    QCOMPARE(rig.written.size(), size_t(1));
    const OutputValues &values = rig.written[0];
    QCOMPARE(Identifiers(values.outputItems), (std::vector<int>{1035, 1036, 2005, 2000}));
    const OutputItem *date = FindItem(values.valueItems, 1035);
    const OutputItem *time = FindItem(values.valueItems, 1036);
    QVERIFY(date && time);
    QVERIFY(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d$").match(QString::fromStdString(date->valueText)).hasMatch());
    QVERIFY(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(QString::fromStdString(time->valueText)).hasMatch());
    QCOMPARE(date->valueText, rig.w().MeasurementDate());
    QCOMPARE(time->valueText, rig.w().MeasurementTime());
    // L* of the fake's colour value set 0 (the group 2000 expands to 1000..1002).
    const OutputItem *lightness = FindItem(values.valueItems, 1000);
    QVERIFY(lightness);
    QCOMPARE(lightness->valueText, std::string("1.00"));
    QCOMPARE(rig.w().MeasuredData().Count(), size_t(1));
}

void MainRoadTest::missingSpreadsheetLeavesANotice() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    const QString notice = QString::fromUtf8(ui::mainwin::kNotWrittenNotice);
    rig.writeAnswer = MeasurementWriteResult::NoWorkbook;
    rig.Post(32778);
    QCOMPARE(rig.w().HintText(), notice);
    rig.writeAnswer = MeasurementWriteResult::NotWritten;  // reported by the transfer itself
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.w().HintText(), notice);
    rig.writeAnswer = MeasurementWriteResult::Written;
    rig.Post(32782);
    rig.Post(32778);
    QVERIFY(rig.w().HintText().isEmpty());
    // A spreadsheet that stops answering part-way leaves its own notice, cleared the same way.
    rig.writeAnswer = MeasurementWriteResult::Failed;
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(rig.w().HintText(), QString::fromUtf8(ui::mainwin::kSpreadsheetFailedNotice));
    rig.writeAnswer = MeasurementWriteResult::Written;
    rig.Post(32782);
    rig.Post(32778);
    QVERIFY(rig.w().HintText().isEmpty());
}

void MainRoadTest::realTransferWritesTheSheet() {
    Rig rig;
    rig.fake.AddDevice();
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    int connections = 0;
    rig.window.reset();  // a window with its own writer
    rig.window = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
    rig.w().SetAutomationFactory([&] {
        ++connections;
        return std::make_unique<SheetConnection>(sheet);
    });
    QVERIFY(rig.Connect());
    sheet.Sheet().cursorColumn = 2;
    sheet.Sheet().cursorRow = 3;
    rig.Post(32778);
    QCOMPARE(connections, 1);
    // Labels across row 3, values below, starting at the active cell B3.
    QCOMPARE(sheet.Cell("B4"), rig.w().MeasurementDate());
    QCOMPARE(sheet.Cell("C4"), rig.w().MeasurementTime());
    QVERIFY(!sheet.Cell("B3").empty());
    QCOMPARE(rig.w().RowLimit(), sheet.Sheet().rowCount);
    QCOMPARE(rig.w().ColumnLimit(), sheet.Sheet().columnCount);
    QVERIFY(rig.w().HintText().isEmpty());

    // No workbook in front: nothing written, a notice instead.
    sheet.foregroundTitle = "Some other window";
    rig.Post(32782);
    rig.Post(32778);
    QCOMPARE(connections, 2);
    QCOMPARE(rig.w().HintText(), QString::fromUtf8(ui::mainwin::kNotWrittenNotice));
}

OMBRA_QTEST_MAIN(MainRoadTest)
#include "tst_mainroad.moc"
