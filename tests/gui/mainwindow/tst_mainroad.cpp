// The main window over the session, a scripted instrument and the in-memory sheet: what the
// window shows of connecting, the half-connected state, disconnecting, the loss of the
// instrument, a measurement and its notice, and how its commands and posted messages reach the
// session. The session's own behaviour is tested without a window (tests/unit/instrument).
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <map>
#include <memory>
#include <set>

#include "core/platform/PostedMessage.h"
#include "core/platform/Resources.h"
#include "core/settings/AppSettings.h"
#include "corvexres/ResourceIds.h"
#include "support/FakeInstrument.h"
#include "support/MemoryAutomation.h"
#include "support/ScopedLanguage.h"
#include "support/TestSupport.h"
#include "ui/controls/OmbraImageButton.h"
#include "ui/mainwindow/AboutDlg.h"
#include "ui/mainwindow/CVireoDataTransferSoftwareDlg.h"
#include "ui/mainwindow/MainWindowLogic.h"
#include "ui/mainwindow/MissBanner.h"

using namespace ombra;
using namespace ombra::ui;
using namespace ombra::core;
using ombra::core::platform::ResQString;
using ombra::core::platform::ResString;
using ombra::ui::test::FakeInstrument;
namespace mb = ombra::core::platform::mb;

namespace {

const int kInstrumentButtons[] = {1001, 1002, 1020, 1028};
constexpr unsigned kUrgent = mb::SYSTEMMODAL | mb::SETFOREGROUND;

// A window over a fake instrument with its settings in memory, boxes recorded, writing into an
// in-memory sheet (or finding no office).
struct Rig {
    ui::test::ScopedMemoryProfile profile;
    FakeInstrument fake;
    ui::test::MessageBoxRecorder boxes;
    MemoryAutomation sheet = MemoryAutomation::WithWorkbook("/home/u/Book1.ods", "Book1.ods");
    bool officeUp = true;
    int connections = 0;
    int chooserCalls = 0;
    bool chooserAnswer = false;
    std::unique_ptr<CVireoDataTransferSoftwareDlg> window;

    Rig() {
        Settings() = AppSettings{};
        window = std::make_unique<CVireoDataTransferSoftwareDlg>("1");
        window->SetAutomationFactory([this]() -> std::unique_ptr<Automation> {
            ++connections;
            if (!officeUp) return nullptr;
            return std::make_unique<SheetConnection>(sheet);
        });
        window->SetDeviceChooser([this](const DeviceList &) {
            ++chooserCalls;
            return chooserAnswer;
        });
    }
    CVireoDataTransferSoftwareDlg &w() { return *window; }

    bool Connect() {
        window->OnCommand(1000);
        return window->IsConnected();
    }
    void Post(int message, int times = 1) {
        for (int i = 0; i < times; ++i) core::platform::PostAppMessage(window.get(), message);
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
    // One press of the reflection button and its release, posted as the watch thread does.
    void Press() {
        Post(32778);
        Post(32782);
    }
};

using ombra::core::SessionStatus;

void VerifyDisconnectedDisplay(CVireoDataTransferSoftwareDlg &w) {
    QVERIFY(!w.IsConnected());
    QVERIFY(!w.IsWatching());
    QVERIFY(w.Button(1000)->isEnabled());
    for (int id : kInstrumentButtons) QVERIFY2(!w.Button(id)->isEnabled(), qPrintable(QString::number(id)));
    QCOMPARE(w.Button(1000)->text(), ResQString(1181));
    QVERIFY(w.Status() == SessionStatus::NotConnected || w.Status() == SessionStatus::Lost);
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

}  // namespace

class MainRoadTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void withoutInstrumentTheBoxAndTheDisconnectedDisplay();
    void connectedControlsAndTheirWayBack();
    void connectOrDisconnectFollowsTheSessionNotTheCaption();
    void inGermanTheCaptionsAreGermanAndTheCommandStillFollowsTheSession();
    void halfConnectedShowsDisconnectAndItsCommandDisconnects();
    void closeFailureKeepsTheWindow();
    void lossIsShownBeforeItsOneMessage();
    void lossDuringAMeasurementIsShownBeforeItsMessage();
    void menuEnableStatesFollowTheConnection();
    void aboutBoxNamesTheConnectedInstrument();
    void exitAndEnding();
    void dataItemsCommandOpensTheDialog();
    void statusShowsTheReadingAndACalibrationDue();
    void postedPressWritesThroughTheWindowsFactory();
    void theSessionsNoticeStandsInTheHintPane();
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

void MainRoadTest::withoutInstrumentTheBoxAndTheDisconnectedDisplay() {
    Rig rig;
    QVERIFY(!rig.Connect());
    QCOMPARE(rig.Boxes(1183), 1);
    QCOMPARE(rig.Box(1183)->caption, ResString(1200));
    VerifyDisconnectedDisplay(rig.w());
    QCOMPARE(QApplication::overrideCursor(), nullptr);  // wait cursor gone

    rig.fake.AddDevice({1001});  // two instruments: the window's chooser, then cancelled
    rig.fake.AddDevice({1002});
    QVERIFY(!rig.Connect());
    QCOMPARE(rig.chooserCalls, 1);
    VerifyDisconnectedDisplay(rig.w());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void MainRoadTest::connectedControlsAndTheirWayBack() {
    Rig rig;
    rig.fake.AddDevice({4711});
    QVERIFY(rig.Connect());
    CVireoDataTransferSoftwareDlg &w = rig.w();
    QCOMPARE(w.Status(), SessionStatus::Ready);
    for (int id : kInstrumentButtons) QVERIFY(w.Button(id)->isEnabled());
    QCOMPARE(w.Button(1000)->text(), ResQString(1182));
    QCOMPARE(w.MenuAction(1000)->text(), ResQString(1420));
    QCOMPARE(w.InstrumentText().toStdString(), Settings().identity.ModelName() + " : " + Settings().identity.SerialNumberText());
    QVERIFY(w.InstrumentText().endsWith(" : 4711"));
    QCOMPARE(rig.boxes.Count(), size_t(0));
    QCOMPARE(QApplication::overrideCursor(), nullptr);

    rig.w().OnCommand(1000);
    VerifyDisconnectedDisplay(w);
    QCOMPARE(w.MenuAction(1000)->text(), ResQString(1419));
    QVERIFY(w.InstrumentText().isEmpty());
    QCOMPARE(rig.boxes.Count(), size_t(0));
}

// The Connect command asks the session whether it holds an instrument; the caption is only shown.
void MainRoadTest::connectOrDisconnectFollowsTheSessionNotTheCaption() {
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.w().Button(1000)->setText("Verbinden");  // a caption of another language
    rig.w().OnCommand(1000);
    QCOMPARE(rig.fake.CloseCount(h), 1);
    QVERIFY(!rig.w().IsConnected());
    rig.w().Button(1000)->setText(ResQString(1182));
    rig.fake.AddDevice();
    rig.w().OnCommand(1000);
    QVERIFY(rig.w().IsConnected());
}

// The window in German: the button shows the library's German captions as it changes, and a
// button that says the English opposite of the state does not turn the command round.
void MainRoadTest::inGermanTheCaptionsAreGermanAndTheCommandStillFollowsTheSession() {
    constexpr int kConnectCaption = 1181, kDisconnectCaption = 1182;
    const QString englishConnect = ResQString(kConnectCaption);
    const QString englishDisconnect = ResQString(kDisconnectCaption);
    ombra::core::test::ScopedLanguage german("de_DE.UTF-8");
    QVERIFY(ombra::core::test::ScopedLanguage::LoadAsProgram());
    QVERIFY(ResQString(kConnectCaption) != englishConnect);
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    QCOMPARE(rig.w().Button(1000)->text(), ResQString(kConnectCaption));
    QVERIFY(rig.Connect());
    QCOMPARE(rig.w().Button(1000)->text(), ResQString(kDisconnectCaption));

    rig.w().Button(1000)->setText(englishConnect);  // says the opposite of the state, in English
    rig.w().OnCommand(1000);
    QCOMPARE(rig.fake.CloseCount(h), 1);
    QVERIFY(!rig.w().IsConnected());
    QCOMPARE(rig.w().Button(1000)->text(), ResQString(kConnectCaption));

    rig.w().Button(1000)->setText(englishDisconnect);
    rig.fake.AddDevice();
    rig.w().OnCommand(1000);
    QVERIFY(rig.w().IsConnected());
    QCOMPARE(rig.w().Button(1000)->text(), ResQString(kDisconnectCaption));
}

void MainRoadTest::halfConnectedShowsDisconnectAndItsCommandDisconnects() {
    Rig rig;
    const DIHANDLE h = rig.fake.AddDevice();
    rig.fake.SetRule([](const ui::test::FakeCall &c) -> std::optional<int32_t> {
        if (c.fn == "DISetProperty" && c.a == 4) return 10001;
        return std::nullopt;
    });
    QVERIFY(!rig.Connect());
    CVireoDataTransferSoftwareDlg &w = rig.w();
    QCOMPARE(rig.boxes.Count(), size_t(0));
    QCOMPARE(w.Button(1000)->text(), ResQString(1182));
    for (int id : kInstrumentButtons) QVERIFY(w.Button(id)->isEnabled());
    rig.w().OnCommand(1000);
    QCOMPARE(rig.fake.CloseCount(h), 1);
    VerifyDisconnectedDisplay(w);
    QCOMPARE(w.MenuAction(1000)->text(), ResQString(1419));
}

void MainRoadTest::closeFailureKeepsTheWindow() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.Script("DICloseDevice", {4});
    rig.w().OnCommand(1000);
    QCOMPARE(rig.Boxes(1184), 1);
    QVERIFY(rig.w().IsConnected());
    QCOMPARE(rig.w().Button(1000)->text(), ResQString(1182));
}

void MainRoadTest::lossIsShownBeforeItsOneMessage() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.SetResult("DISetProperty", 4);  // releasing the vanished instrument fails
    StateAtBoxes seen(rig.w());
    rig.Post(32780, 3);  // the thread posts on every poll
    QCOMPARE(rig.boxes.Count(), size_t(1));
    QCOMPARE(rig.Boxes(1197), 1);
    QCOMPARE(rig.Box(1197)->flags, mb::ICONERROR | kUrgent);
    QCOMPARE(rig.Box(1197)->caption, ResString(1200));
    QCOMPARE(seen.shown.size(), size_t(1));
    QCOMPARE(seen.shown[0].connectCaption, ResQString(1181));
    QCOMPARE(seen.shown[0].status, SessionStatus::Lost);
    VerifyDisconnectedDisplay(rig.w());
    QVERIFY(rig.w().Lamp()->text().endsWith(ResQString(1763)));
    QCOMPARE(rig.w().MenuAction(1000)->text(), ResQString(1419));
    QVERIFY(rig.w().InstrumentText().isEmpty());
    rig.fake.SetResult("DISetProperty", 0);
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QVERIFY(rig.w().Lamp()->text().contains(ResQString(1761).section("%1", 0, 0)));
}

void MainRoadTest::lossDuringAMeasurementIsShownBeforeItsMessage() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.fake.Script("DIDoMeasurement", {4});  // communication failed: the instrument vanished
    rig.fake.SetResult("DISetProperty", 4);
    StateAtBoxes seen(rig.w());
    rig.Post(32778);
    QCOMPARE(rig.boxes.Count(), size_t(1));
    QCOMPARE(seen.shown[0].status, SessionStatus::Lost);
    QCOMPARE(seen.shown[0].connectCaption, ResQString(1181));
    VerifyDisconnectedDisplay(rig.w());
    QVERIFY(rig.w().Banner()->isHidden());  // nothing was measured, so nothing missed the sheet
}

namespace {

// The texts of the About box the About command opens, by object name.
std::map<QString, QString> AboutTexts(CVireoDataTransferSoftwareDlg &w) {
    std::map<QString, QString> texts;
    QTimer::singleShot(0, [&texts] {
        auto *box = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget());
        if (!box) return;
        for (QLabel *label : box->findChildren<QLabel *>()) texts[label->objectName()] = label->text();
        box->accept();
    });
    w.OnCommand(32773);
    return texts;
}

}  // namespace

void MainRoadTest::aboutBoxNamesTheConnectedInstrument() {
    Rig rig;
    rig.fake.AddDevice({4711, 100, 3, 45});
    std::map<QString, QString> texts = AboutTexts(rig.w());
    QCOMPARE(texts["aboutVersion"], ResQString(2270).arg("1"));
    QCOMPARE(texts["aboutCopyright"], ResQString(2271));
    QCOMPARE(texts["aboutLicence"], ResQString(2272));
    QCOMPARE(texts["aboutQt"], ResQString(2273).arg(qVersion()));
    QVERIFY(!texts["aboutOffice"].isEmpty());
    QCOMPARE(texts["aboutInstrument"], ResQString(2277));  // nothing connected yet

    QVERIFY(rig.Connect());
    texts = AboutTexts(rig.w());
    QCOMPARE(texts["aboutInstrument"], ResQString(2276).arg(ResQString(1234), "4711", "3.45"));

    rig.w().OnCommand(1000);  // disconnect: the box no longer names it
    QVERIFY(!rig.w().IsConnected());
    QCOMPARE(AboutTexts(rig.w())["aboutInstrument"], ResQString(2277));
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
    QCOMPARE(rig.fake.CloseCount(h), 1);  // the window's session was the last adapter holder
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

void MainRoadTest::statusShowsTheReadingAndACalibrationDue() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    QString textWhileReading;
    QObject::connect(&rig.w().Session(), &InstrumentSession::statusChanged, &rig.w(), [&] {
        if (rig.w().Status() == SessionStatus::Reading) textWhileReading = rig.w().Lamp()->text();
    });
    rig.Press();
    QVERIFY(textWhileReading.endsWith(ResQString(1764)));
    // The calibration runs out while connected: the instrument refuses the next measurement.
    rig.fake.SetCalibrationStatus(3);
    rig.fake.Script("DIDoMeasurement", {19});
    rig.Press();
    QCOMPARE(rig.boxes.Count(), size_t(1));
    QVERIFY(rig.w().Lamp()->text().endsWith(ResQString(1762)));
}

void MainRoadTest::postedPressWritesThroughTheWindowsFactory() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    rig.sheet.Sheet().cursorColumn = 2;
    rig.sheet.Sheet().cursorRow = 3;
    rig.Press();
    QCOMPARE(rig.connections, 1);
    QCOMPARE(rig.sheet.Cell("B4"), rig.w().MeasurementDate());
    QCOMPARE(rig.w().RowLimit(), rig.sheet.Sheet().rowCount);
    QVERIFY(rig.w().Banner()->isHidden());
    QCOMPARE(rig.boxes.Count(), size_t(0));
}

// The window shows the notice the session says follows, keeps it against hints, and clears it
// when the session ends it.
void MainRoadTest::theSessionsNoticeStandsInTheHintPane() {
    Rig rig;
    rig.fake.AddDevice();
    QVERIFY(rig.Connect());
    const QString notice = QString::fromUtf8(core::kNotWrittenNotice);
    rig.officeUp = false;
    rig.Press();
    QCOMPARE(rig.w().HintText(), notice);
    rig.w().show();
    rig.w().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.w()));
    QTest::mouseMove(rig.w().Button(1002), QPoint(60, 40));
    QTRY_VERIFY(rig.w().Button(1002)->IsHover());
    QCOMPARE(rig.w().HintText(), notice);  // not replaced by the button's hint
    rig.officeUp = true;
    rig.Press();
    QVERIFY(rig.w().HintText().isEmpty());
    const int before = static_cast<int>(rig.sheet.calls.size());
    rig.Press();  // a whole measurement on a known office, to learn its calls
    const int perPress = static_cast<int>(rig.sheet.calls.size()) - before;
    QVERIFY(perPress > 2);
    rig.sheet.failAtCall = static_cast<int>(rig.sheet.calls.size()) + perPress * 2 / 3;  // stops answering part-way
    rig.Press();
    QCOMPARE(rig.w().HintText(), QString::fromUtf8(core::kSpreadsheetFailedNotice));
    rig.Press();
    QVERIFY(rig.w().HintText().isEmpty());
}

OMBRA_QTEST_MAIN(MainRoadTest)
#include "tst_mainroad.moc"
